#pragma once
#include "player_view.h"
#include "video_player.h"

#include <memory>

class QAbstractSlider;
class QTimer;
class QWidget;

namespace player {

class SeekBar;
class StatusPanelBar;

// The host's widgets that the player uses; the host owns them all.
struct PlayerWidgets {
    QWidget* window = nullptr;            // caption after an open
    QWidget* videoArea = nullptr;         // Panel1: bounds the picture
    QWidget* videoPanel = nullptr;        // Panel3, a child of Panel1: holds the picture
    StatusPanelBar* statusBar = nullptr;  // StatusBar1: panels 0 to 3
    SeekBar* progressBar = nullptr;       // ProgressBar1
    QAbstractSlider* trackBar = nullptr;  // TrackBar1: volume 0 to 100
    QTimer* layoutTimer = nullptr;        // Timer1
    QTimer* pollTimer = nullptr;          // Timer2
};

// PlayerView on the host's widgets. Sets the timers up: the layout timer
// one-shot at the host's interval, started if it runs at start; the poll timer
// every 200 ms, started.
class WidgetPlayerView : public PlayerView {
public:
    WidgetPlayerView(const PlayerWidgets& widgets, const PlayerHostParameters& parameters);

    void setStatusText(int panel, const QString& text) override;
    void setProgressMaximum(int maximum) override;
    int progressMaximum() const override;
    void setProgressPosition(int position) override;
    int progressWidth() const override;
    void setProgressHint(const QString& hint) override;
    int volumePosition() const override;
    void setCaption(const QString& caption) override;
    QSize videoAreaSize() const override;
    void setVideoPanelGeometry(const QRect& geometry) override;
    QSize videoPanelClientSize() const override;
    QWidget* videoPanelWindow() const override;
    void restartLayoutTimer() override;
    void stopLayoutTimer() override;

private:
    PlayerWidgets widgets;
};

// The playback engine on libmpv.
std::unique_ptr<PlayerBackend> makeMpvBackend();

// The player on the host's widgets, playing with `backend` (libmpv unless a
// test hands over another), showing its messages in the dialog service's box.
std::unique_ptr<VIDEO_PLAYER> makeVideoPlayer(const PlayerWidgets& widgets, const PlayerHostParameters& parameters,
                                              std::unique_ptr<PlayerBackend> backend = makeMpvBackend());

} // namespace player
