#include "video_player.h"

#include "number_format.h"
#include "string_helpers.h"

#include <cmath>
#include <limits>

namespace player {

namespace {

// The seconds of a position: truncated toward zero, taken as a 32-bit number.
qint32 secondsOf(qint64 position)
{
    return static_cast<qint32>(position / VIDEO_PLAYER::UnitsPerSecond);
}

// A double truncated toward zero into an Int, or `fallback` when it has no Int value.
template <class Int>
Int truncated(double value, Int fallback)
{
    const double limit = std::ldexp(1.0, std::numeric_limits<Int>::digits);
    if (!std::isfinite(value) || value >= limit || value <= -limit - 1.0)
        return fallback;
    return static_cast<Int>(value);
}

QString buildFailureText(PlayerBackend::BuildFailure failure)
{
    using F = PlayerBackend::BuildFailure;
    switch (failure) {
    case F::None: break;
    case F::Initialize: return QStringLiteral("hdshow: CoInitialize() failure\n");
    case F::CreateGraph: return QStringLiteral("hdshow: CoCreateInstance() failure\n");
    case F::MediaControl: return QStringLiteral("hdshow: unable to obtain IMediaControl interface\n");
    case F::MediaEvent: return QStringLiteral("hdshow: unable to obtain IMediaEvent interface\n");
    case F::BasicVideo: return QStringLiteral("hdshow: unable to obtain IBasicVideo interface\n");
    case F::Seeking: return QStringLiteral("Failed query interface");
    case F::RenderFile: return QStringLiteral("Failed open file");
    case F::VideoWindow: return QStringLiteral("Failed query interface 2");
    }
    return QString();
}

const QString NotOk = QStringLiteral("!=S_OK");

} // namespace

VIDEO_PLAYER::VIDEO_PLAYER(std::unique_ptr<PlayerView> view, std::unique_ptr<PlayerBackend> backend,
                           PlayerHostParameters hostParameters)
    : host(std::move(view)), engine(std::move(backend)), parameters(std::move(hostParameters))
{
}

VIDEO_PLAYER::~VIDEO_PLAYER()
{
    teardown();
}

void VIDEO_PLAYER::OpenExecute()
{
    if (OPENED)
        teardown();
    if (OnGraphReleased)
        OnGraphReleased();
    const QString file = FileName;

    const PlayerBackend::BuildFailure failure = engine->build(file);
    if (failure != PlayerBackend::BuildFailure::None) {
        show_message(buildFailureText(failure));
        return;
    }

    const PlaybackResult owner = engine->setOwner(host->videoPanelWindow());
    if (owner != 0)
        show_message(NotOk);
    if (owner < 0) {
        show_message(QStringLiteral("Failed pin owner"));
        engine->release();
        return;
    }
    if (engine->setChildStyle() < 0) {
        show_message(QStringLiteral("Failed WindowStyle"));
        engine->release();
        return;
    }
    const QSize panel = host->videoPanelClientSize();
    const PlaybackResult placed = engine->placePicture(0, 0, panel.width(), panel.height());
    if (placed != 0)
        show_message(NotOk);

    srcWidth = engine->sourceWidth();
    srcHeight = engine->sourceHeight();
    // A file without a sound frame duration keeps the previous rate instead of
    // an infinite one or 0.
    const double frameDuration = engine->frameDuration();
    const double rate = frameDuration > 0.0 ? 1.0 / frameDuration : 0.0;
    if (std::isfinite(rate) && rate > 0.0)
        fps = rate;
    engine->setRate(1.0);

    if (placed < 0) {
        show_message(QStringLiteral("hdshow: unable to render ") + file);
        engine->release();
        return;
    }

    const PlaybackResult ran = engine->run();
    PAUSED = false;
    OPENED = true;
    if (ran < 0) {
        show_message(QStringLiteral("hdshow: unable to run ") + file);
        return;
    }

    Duration = engine->duration();
    const qint32 seconds = secondsOf(Duration);
    host->setProgressMaximum(seconds);
    host->setStatusText(0, QStringLiteral("Продолжительность: ") + GetTimeForMovie(seconds));
    host->setStatusText(2, QString::number(srcWidth) + QLatin1Char('x') + QString::number(srcHeight) +
                               QLatin1Char('@') + format_general_locale(fps).left(7));
    VolumeChange();
    host->setCaption(parameters.captionPrefix + file);
    host->restartLayoutTimer();
}

void VIDEO_PLAYER::Open2Execute()
{
    OpenExecute();
    if (!INITIALIZED) {
        OpenExecute();
        INITIALIZED = true;
    }
}

void VIDEO_PLAYER::Play()
{
    if (!OPENED || !PAUSED)
        return;
    engine->run();
    PAUSED = false;
    host->restartLayoutTimer();
}

void VIDEO_PLAYER::Pause()
{
    if (!OPENED || PAUSED)
        return;
    engine->pause();
    PAUSED = true;
}

void VIDEO_PLAYER::seekBy(qint64 step)
{
    if (!OPENED)
        return;
    qint64 target = engine->position() + step;
    if (target < 0)
        target = 0;
    if (target >= Duration)
        target = Duration - 1;
    engine->setPosition(target);
}

void VIDEO_PLAYER::BackMinute() { seekBy(-60 * UnitsPerSecond); }
void VIDEO_PLAYER::BackSecond() { seekBy(-UnitsPerSecond); }
void VIDEO_PLAYER::ForwardSecond() { seekBy(UnitsPerSecond); }
void VIDEO_PLAYER::ForwardMinute() { seekBy(60 * UnitsPerSecond); }

void VIDEO_PLAYER::VolumeChange()
{
    const quint32 level = static_cast<quint32>(host->volumePosition() * 0.0100001 * 65535.0);
    engine->setVolume(level * 65537u);
}

void VIDEO_PLAYER::FormResize()
{
    host->restartLayoutTimer();
}

void VIDEO_PLAYER::LayoutTimer()
{
    host->stopLayoutTimer();
    // No source size means no aspect ratio: the panel keeps its place.
    if (!OPENED || srcWidth <= 0 || srcHeight <= 0)
        return;
    const double picture = static_cast<double>(srcWidth) / srcHeight;
    const QSize area = host->videoAreaSize();
    const double areaRatio = static_cast<double>(area.width()) / area.height();
    QRect panel;
    if (areaRatio > picture) {
        const int width = truncated(picture * area.height(), area.width());
        panel = QRect((area.width() - width) / 2, 0, width, area.height());
    } else {
        const int height = truncated(area.width() / picture, area.height());
        panel = QRect(0, (area.height() - height) / 2, area.width(), height);
    }
    host->setVideoPanelGeometry(panel);
    const QSize client = host->videoPanelClientSize();
    engine->placePicture(0, 0, client.width(), client.height());
}

void VIDEO_PLAYER::Poll()
{
    if (!OPENED)
        return;
    pos = engine->position();
    // A frame number too large for 64 bits (an absurd rate) keeps the previous one.
    CurFrame = truncated<qint64>(static_cast<double>(pos) * fps / 10000000.0, CurFrame);
    const qint32 seconds = secondsOf(pos);
    CurTime = GetTimeForMovie(seconds);
    host->setStatusText(1, QStringLiteral("Положение: ") + CurTime);
    host->setStatusText(3, QStringLiteral("Кадр: ") + NiceNumberView(CurFrame));
    host->setProgressPosition(seconds);
    const QSize client = host->videoPanelClientSize();
    engine->placePicture(0, 0, client.width(), client.height());
    if (OnPositionPolled)
        OnPositionPolled();
}

// (M × X) div (W − 1) in 32-bit arithmetic; a negative X counts as 0. Only
// called for bars at least 2 pixels wide.
int VIDEO_PLAYER::secondAtBar(int x) const
{
    const qint64 product = static_cast<qint64>(host->progressMaximum()) * qMax(x, 0);
    return static_cast<qint32>(static_cast<qint32>(product) / (host->progressWidth() - 1));
}

void VIDEO_PLAYER::ProgressBarMouseDown(int x)
{
    if (!OPENED || host->progressWidth() < 2)
        return;
    engine->setPosition(static_cast<qint64>(secondAtBar(x)) * UnitsPerSecond);
}

void VIDEO_PLAYER::ProgressBarMouseMove(int x)
{
    if (host->progressWidth() < 2)
        return;
    host->setProgressHint(GetTimeForMovie(secondAtBar(x)));
}

bool VIDEO_PLAYER::CloseQuery()
{
    teardown();
    return true;
}

void VIDEO_PLAYER::ReadPosition()
{
    if (OPENED)
        pos = engine->position();
}

void VIDEO_PLAYER::teardown()
{
    if (!OPENED)
        return;
    engine->stop();
    engine->release();
    OPENED = false;
}

} // namespace player
