#include "player_host.h"

#include "dialog_service.h"
#include "player_widgets.h"

#include <QAbstractSlider>
#include <QTimer>
#include <QWidget>

namespace player {

namespace {
constexpr int PollInterval = 200;  // ms
}

WidgetPlayerView::WidgetPlayerView(const PlayerWidgets& handedOver, const PlayerHostParameters& parameters)
    : widgets(handedOver)
{
    widgets.layoutTimer->setSingleShot(true);
    widgets.layoutTimer->setInterval(parameters.layoutInterval);
    if (parameters.layoutRunsAtStart)
        widgets.layoutTimer->start();
    else
        widgets.layoutTimer->stop();
    widgets.pollTimer->setSingleShot(false);
    widgets.pollTimer->setInterval(PollInterval);
    widgets.pollTimer->start();
}

void WidgetPlayerView::setStatusText(int panel, const QString& text)
{
    widgets.statusBar->setPanelText(panel, text);
}

void WidgetPlayerView::setProgressMaximum(int maximum)
{
    // A bar's minimum may not exceed its maximum; a negative length shows as 0.
    widgets.progressBar->setMaximum(qMax(maximum, 0));
}

int WidgetPlayerView::progressMaximum() const
{
    return widgets.progressBar->maximum();
}

void WidgetPlayerView::setProgressPosition(int position)
{
    widgets.progressBar->setValue(qBound(0, position, widgets.progressBar->maximum()));
}

int WidgetPlayerView::progressWidth() const
{
    return widgets.progressBar->width();
}

void WidgetPlayerView::setProgressHint(const QString& hint)
{
    widgets.progressBar->setHint(hint);
}

int WidgetPlayerView::volumePosition() const
{
    return widgets.trackBar->value();
}

void WidgetPlayerView::setCaption(const QString& caption)
{
    widgets.window->setWindowTitle(caption);
}

QSize WidgetPlayerView::videoAreaSize() const
{
    return widgets.videoArea->size();
}

void WidgetPlayerView::setVideoPanelGeometry(const QRect& geometry)
{
    widgets.videoPanel->setGeometry(geometry);
}

QSize WidgetPlayerView::videoPanelClientSize() const
{
    return widgets.videoPanel->contentsRect().size();
}

QWidget* WidgetPlayerView::videoPanelWindow() const
{
    return widgets.videoPanel;
}

void WidgetPlayerView::restartLayoutTimer()
{
    widgets.layoutTimer->stop();
    widgets.layoutTimer->start();
}

void WidgetPlayerView::stopLayoutTimer()
{
    widgets.layoutTimer->stop();
}

std::unique_ptr<VIDEO_PLAYER> makeVideoPlayer(const PlayerWidgets& widgets, const PlayerHostParameters& parameters,
                                              std::unique_ptr<PlayerBackend> backend)
{
    auto player = std::make_unique<VIDEO_PLAYER>(std::make_unique<WidgetPlayerView>(widgets, parameters),
                                                 std::move(backend), parameters);
    player->show_message = dialog_messages();
    return player;
}

} // namespace player
