#pragma once
// VIDEO_PLAYER: the player that the client's main window and the manager's viewer
// host. It opens one video file in a panel of its host, plays, pauses and seeks
// it, sets the volume, keeps the picture fitted into the video area, and every
// poll shows length, position, size and rate, frame number and progress.
//
// How a host window uses it (see player_host.h):
//   1. Build its widgets: video area Panel1 with video panel Panel3 inside it,
//      StatusBar1 (a player::StatusPanelBar, at least four panels), ProgressBar1
//      (a player::SeekBar), TrackBar1 (a QSlider, 0 to 100, at 50), and two
//      QTimers Timer1 (layout) and Timer2 (poll).
//   2. Make the player, handing them over with its parameters:
//        Player = player::makeVideoPlayer(
//            {this, Panel1, Panel3, StatusBar1, ProgressBar1, TrackBar1, Timer1, Timer2},
//            {"Kestraline Client - ", 300, true});      // viewer: {"", 1000, false}
//      This sets the timers up (Timer1 one-shot at the given interval, started
//      now if asked; Timer2 every 200 ms, started now) and plays through libmpv.
//      A viewer sets Player->OnGraphReleased and Player->OnPositionPolled.
//   3. Connect its handlers, each calling one operation:
//        open menu / dialog confirmed  Player->FileName = path; Player->Open2Execute()
//        (a plain open without the double open: Player->OpenExecute())
//        "Играть"  Play()        "Пауза"  Pause()
//        "< 1 мин" BackMinute()  "< 1 сек" BackSecond()
//        "1 сек >" ForwardSecond()  "1 мин >" ForwardMinute()
//        TrackBar1 valueChanged          VolumeChange()
//        resizeEvent (FormResize)        FormResize()
//        Timer1 timeout (Timer1Timer)    LayoutTimer()
//        Timer2 timeout (Timer2Timer)    Poll()
//        SeekBar::pressed(x)             ProgressBarMouseDown(x)
//        SeekBar::moved(x)               ProgressBarMouseMove(x)
//        closeEvent (FormCloseQuery)     CloseQuery(), then accept the close
//   The fragment search pauses with Pause(), reads the position with
//   ReadPosition() and then uses pos, fps, OPENED, PAUSED and FileName.
//
// libmpv needs the C numeric locale; the player sets LC_NUMERIC to "C" itself
// before it creates an engine, so hosts need do nothing for it. Everything runs
// on the user-interface thread.
#include "message_sink.h"
#include "player_backend.h"
#include "player_view.h"

#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>

namespace player {

// What differs between the two hosts.
struct PlayerHostParameters {
    QString captionPrefix;          // shown before the file name in the caption
    int layoutInterval = 300;       // ms from the last resize, open or resume to the layout
    bool layoutRunsAtStart = true;  // the layout timer runs once when the host starts
};

class VIDEO_PLAYER {
public:
    static constexpr qint64 UnitsPerSecond = 10000000;  // positions count 100 ns units

    VIDEO_PLAYER(std::unique_ptr<PlayerView> view, std::unique_ptr<PlayerBackend> backend,
                 PlayerHostParameters parameters);
    ~VIDEO_PLAYER();
    VIDEO_PLAYER(const VIDEO_PLAYER&) = delete;
    VIDEO_PLAYER& operator=(const VIDEO_PLAYER&) = delete;

    // The video file dialog's file name: the file the next open opens.
    QString FileName;

    // Player state; hosts and the fragment search read it.
    bool OPENED = false;       // a video was built and started
    bool PAUSED = false;       // paused by "Пауза" or the fragment search
    bool INITIALIZED = false;  // the first double open since start was made
    qint64 Duration = 0;       // length of the open video, 100 ns units
    qint64 pos = 0;            // last position read, 100 ns units
    qint64 CurFrame = 0;       // frame number of the last poll
    qint32 srcWidth = 0;
    qint32 srcHeight = 0;
    QString CurTime;           // position text of the last poll
    double fps = 25.0;

    // Hooks, called on the user-interface thread; empty ones are not called.
    // OnGraphReleased: at the start of every open, after the previous video was
    // released. OnPositionPolled: at the end of every poll while a video is open.
    std::function<void()> OnGraphReleased;
    std::function<void()> OnPositionPolled;
    // Shows the open's failure messages; makeVideoPlayer sets it to the host's
    // message box.
    MessageSink show_message;

    // Operations, one per host handler.
    void OpenExecute();
    void Open2Execute();
    void Play();
    void Pause();
    void BackMinute();
    void BackSecond();
    void ForwardSecond();
    void ForwardMinute();
    void VolumeChange();
    void FormResize();
    void LayoutTimer();
    void Poll();
    void ProgressBarMouseDown(int x);
    void ProgressBarMouseMove(int x);
    // Releases the open video; the host window always closes.
    bool CloseQuery();
    // Reads the current position into pos (the fragment search, after pausing).
    void ReadPosition();

    PlayerBackend& backend() { return *engine; }
    PlayerView& view() { return *host; }

private:
    void teardown();
    void seekBy(qint64 step);
    int secondAtBar(int x) const;

    std::unique_ptr<PlayerView> host;
    std::unique_ptr<PlayerBackend> engine;
    PlayerHostParameters parameters;
};

} // namespace player
