#pragma once
#include "player_backend.h"
#include "seek_plan.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <optional>

struct mpv_handle;
struct mpv_render_context;
struct mpv_event;

namespace player {

class VideoSurface;

// The playback engine on libmpv: one mpv core per built file, drawing through
// the software render API into a surface widget inside the video panel, the
// picture turned upright. Positions, rate and frame 0 are the analysis tool's.
// mpv's wake-up and render-update callbacks come from its own threads and reach
// the user-interface thread as queued calls.
class MpvBackend : public QObject, public PlayerBackend {
    Q_OBJECT
public:
    MpvBackend();
    ~MpvBackend() override;

    BuildFailure build(const QString& fileName) override;
    PlaybackResult setOwner(QWidget* videoPanel) override;
    PlaybackResult setChildStyle() override;
    PlaybackResult placePicture(int left, int top, int width, int height) override;
    int sourceWidth() override;
    int sourceHeight() override;
    double frameDuration() override;
    PlaybackResult setRate(double rate) override;
    PlaybackResult run() override;
    PlaybackResult pause() override;
    PlaybackResult stop() override;
    qint64 duration() override;
    qint64 position() override;
    PlaybackResult setPosition(qint64 position) override;
    void setVolume(quint32 level) override;
    void release() override;

    // The picture last drawn into the video panel, upright; null when none is built.
    QImage renderedFrame() const;

    // Renders the current frame at the surface's size (the surface calls it
    // when it is resized).
    void renderFrame();

private:
    // A core that reads files with the named mpv demuxer, at the file's own
    // frame rate or, when positive, at `framesPerSecond`.
    bool createCore(const char* demuxer, double framesPerSecond);
    bool loadFile(const QByteArray& path);
    bool newFrameWaiting();
    bool hasVideoTrack();
    bool quarterTurned() const;
    QByteArray stringProperty(const QByteArray& name);
    void drainEvents();
    void handleEvent(const mpv_event& event);
    // Handles events and renders until `done` holds or `timeoutMs` passed.
    template <class Done>
    bool settle(Done done, int timeoutMs);
    double doubleProperty(const char* name, double fallback);
    void applyVolume();
    // Waits until the last load or seek shows its frame.
    void awaitRestart();
    // A seek in steps (see SeekPlan): started here, taken on at each restart.
    void startSeek(double target);
    void seekStep(SeekPlan::Step step);
    void afterSeekStep();
    std::optional<double> frameShownByStep();
    bool lastFrameTryStarted();
    void finishSeek();

    mpv_handle* mpv = nullptr;
    mpv_render_context* renderer = nullptr;
    QPointer<VideoSurface> surface;
    quint32 volumeLevel = 0;
    bool fileLoaded = false;
    bool loadFailed = false;
    bool restarting = false;  // a load or seek whose first frame is not on screen yet
    std::optional<SeekPlan> seekPlan;
    bool playAfterSeek = false;
    quint64 framesShown = 0;        // new frames mpv handed over for drawing, not redraws
    quint64 framesBeforeStep = 0;
    double stepSoughtTime = 0;      // what mpv reports as the time where a step shows no frame
    bool lastFrameTry = false;  // mpv's own seek for the last frame ends the step
    QImage unturned;  // where mpv draws a turned picture, and any while there is no surface
    qint64 lastPosition = 0;
    // Of the built file, as the analysis reads it:
    double frameZero = 0;        // mpv's time of frame 0, where positions count from
    double secondsPerFrame = 0;  // at the rate the analysis counts with; 0 unknown
    int turn = 0;                // clockwise degrees that show the picture upright
    std::atomic<bool> renderWanted{false};
    std::atomic<quint64> generation{0};
};

} // namespace player
