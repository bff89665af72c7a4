#pragma once
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

namespace player {

// The host window's parts as the player's logic sees them: texts it writes,
// sizes it reads, the two timers it restarts. WidgetPlayerView maps this onto
// real widgets; tests use a recording one.
class PlayerView {
public:
    virtual ~PlayerView() = default;

    // Status bar panels 0 to 3: length, position, size and rate, frame.
    virtual void setStatusText(int panel, const QString& text) = 0;

    // Progress bar: maximum = length in seconds, position = seconds played.
    virtual void setProgressMaximum(int maximum) = 0;
    virtual int progressMaximum() const = 0;
    virtual void setProgressPosition(int position) = 0;
    virtual int progressWidth() const = 0;
    virtual void setProgressHint(const QString& hint) = 0;

    // Volume slider position, 0 to 100.
    virtual int volumePosition() const = 0;

    // Host window caption.
    virtual void setCaption(const QString& caption) = 0;

    // The video area bounds the picture; the video panel inside it holds it.
    virtual QSize videoAreaSize() const = 0;
    virtual void setVideoPanelGeometry(const QRect& geometry) = 0;
    virtual QSize videoPanelClientSize() const = 0;
    // The window the picture becomes a child of (the video panel).
    virtual QWidget* videoPanelWindow() const = 0;

    // Layout timer: restart = disable, then enable; stop = disable.
    virtual void restartLayoutTimer() = 0;
    virtual void stopLayoutTimer() = 0;
};

} // namespace player
