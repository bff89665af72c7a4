#include "mpv_backend.h"
#include "player_host.h"

#include <QDeadlineTimer>
#include <QMetaObject>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <mpv/client.h>
#include <mpv/render.h>

namespace player {

namespace {

constexpr int LoadTimeoutMs = 15000;
constexpr int SeekTimeoutMs = 5000;
constexpr double UnitsPerSecond = 1e7;
// mpv's time-pos is the frame's own timestamp; turned into 100 ns units it may
// land a hair before it, so it is rounded up and given this bias (well under a frame).
constexpr qint64 PositionBias = 10000;  // 1 ms

// A count of 100 ns units held to what 64 bits take: a damaged file may give any time.
qint64 clampedUnits(double units)
{
    constexpr double Limit = 9.0e18;
    return static_cast<qint64>(std::clamp(units, -Limit, Limit));
}

qint64 unitsUp(double seconds)
{
    return clampedUnits(std::ceil(seconds * UnitsPerSecond)) + PositionBias;
}

} // namespace

// The widget inside the video panel that shows mpv's picture.
class VideoSurface : public QWidget {
public:
    VideoSurface(MpvBackend* owner, QWidget* parent) : QWidget(parent), backend(owner)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    QImage picture;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        painter.drawImage(0, 0, picture);
    }
    void resizeEvent(QResizeEvent*) override { backend->renderFrame(); }

private:
    MpvBackend* backend;
};

MpvBackend::MpvBackend() = default;

MpvBackend::~MpvBackend()
{
    release();
}

bool MpvBackend::createCore()
{
    // mpv refuses to start under a numeric locale other than "C"; Qt's own number
    // formatting goes by QLocale, so this changes nothing the user sees.
    std::setlocale(LC_NUMERIC, "C");
    mpv = mpv_create();
    if (!mpv)
        return false;
    // At the end of a file mpv keeps its last frame and stays unpaused, so a seek
    // back from the end plays on.
    const char* options[][2] = {
        {"vo", "libmpv"},       {"hr-seek", "yes"},        {"hr-seek-demuxer-offset", "1.5"},
        {"keep-open", "yes"},   {"keep-open-pause", "no"}, {"idle", "yes"},  {"pause", "yes"},
        {"osd-level", "0"},     {"terminal", "no"},        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"}, {"sub-auto", "no"},   {"audio-display", "no"},
    };
    for (const auto& option : options)
        mpv_set_option_string(mpv, option[0], option[1]);
    if (mpv_initialize(mpv) < 0)
        return false;

    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&renderer, mpv, params) < 0) {
        renderer = nullptr;
        return false;
    }
    mpv_set_wakeup_callback(
        mpv,
        [](void* self) {
            auto* backend = static_cast<MpvBackend*>(self);
            const quint64 built = backend->generation.load();
            QMetaObject::invokeMethod(
                backend, [backend, built] { if (backend->generation.load() == built) backend->drainEvents(); },
                Qt::QueuedConnection);
        },
        this);
    mpv_render_context_set_update_callback(
        renderer,
        [](void* self) {
            auto* backend = static_cast<MpvBackend*>(self);
            backend->renderWanted.store(true);
            const quint64 built = backend->generation.load();
            QMetaObject::invokeMethod(
                backend, [backend, built] { if (backend->generation.load() == built) backend->renderFrame(); },
                Qt::QueuedConnection);
        },
        this);
    applyVolume();
    return true;
}

bool MpvBackend::loadFile(const QString& fileName)
{
    const QByteArray path = fileName.toUtf8();
    const char* command[] = {"loadfile", path.constData(), nullptr};
    fileLoaded = loadFailed = false;
    restarting = true;
    if (mpv_command(mpv, command) < 0)
        return false;
    settle([this] { return fileLoaded || loadFailed; }, LoadTimeoutMs);
    return fileLoaded;
}

PlayerBackend::BuildFailure MpvBackend::build(const QString& fileName)
{
    release();
    if (!createCore()) {
        release();
        return BuildFailure::CreateGraph;
    }
    if (!loadFile(fileName)) {
        release();
        return BuildFailure::RenderFile;
    }
    // A file without a video track has nothing for size and frame duration.
    if (!hasVideoTrack()) {
        release();
        return BuildFailure::BasicVideo;
    }
    // mpv counts from the start of the earliest stream; the analysis counts from
    // the first video frame, which is on screen once the load has restarted.
    if (!settle([this] { return !restarting; }, SeekTimeoutMs))
        restarting = false;
    videoStart = doubleProperty("time-pos", 0);
    return BuildFailure::None;
}

QByteArray MpvBackend::stringProperty(const QByteArray& name)
{
    char* value = mpv ? mpv_get_property_string(mpv, name.constData()) : nullptr;
    const QByteArray text(value);
    mpv_free(value);
    return text;
}

bool MpvBackend::hasVideoTrack()
{
    // The track list, unlike "vid", always shows the selection once the file is loaded.
    const int tracks = stringProperty("track-list/count").toInt();
    for (int i = 0; i < tracks; ++i) {
        const QByteArray track = "track-list/" + QByteArray::number(i);
        if (stringProperty(track + "/type") == "video" && stringProperty(track + "/selected") == "yes")
            return true;
    }
    return false;
}

PlaybackResult MpvBackend::setOwner(QWidget* videoPanel)
{
    delete surface;
    surface = new VideoSurface(this, videoPanel);
    surface->setGeometry(videoPanel ? videoPanel->contentsRect() : QRect());
    surface->show();
    return 0;
}

PlaybackResult MpvBackend::setChildStyle()
{
    return 0;
}

PlaybackResult MpvBackend::placePicture(int left, int top, int width, int height)
{
    if (surface)
        surface->setGeometry(left, top, width, height);
    return 0;
}

double MpvBackend::doubleProperty(const char* name, double fallback)
{
    double value = 0;
    if (!mpv || mpv_get_property(mpv, name, MPV_FORMAT_DOUBLE, &value) < 0 || !std::isfinite(value))
        return fallback;
    return value;
}

int MpvBackend::sourceWidth()
{
    return static_cast<int>(doubleProperty("width", 0));
}

int MpvBackend::sourceHeight()
{
    return static_cast<int>(doubleProperty("height", 0));
}

double MpvBackend::frameDuration()
{
    const double rate = doubleProperty("container-fps", 0);
    return rate > 0 ? 1.0 / rate : 0.0;
}

PlaybackResult MpvBackend::setRate(double rate)
{
    return mpv && mpv_set_property(mpv, "speed", MPV_FORMAT_DOUBLE, &rate) >= 0 ? 0 : -1;
}

PlaybackResult MpvBackend::run()
{
    return mpv && mpv_set_property_string(mpv, "pause", "no") >= 0 ? 0 : -1;
}

PlaybackResult MpvBackend::pause()
{
    return mpv && mpv_set_property_string(mpv, "pause", "yes") >= 0 ? 0 : -1;
}

PlaybackResult MpvBackend::stop()
{
    const char* command[] = {"stop", nullptr};
    return mpv && mpv_command(mpv, command) >= 0 ? 0 : -1;
}

qint64 MpvBackend::duration()
{
    return clampedUnits(std::max(0.0, doubleProperty("duration", 0) - videoStart) * UnitsPerSecond);
}

qint64 MpvBackend::position()
{
    if (!mpv)
        return lastPosition;
    // The frame on screen changes only when a load or seek has restarted playback.
    // A restart that never comes is waited for once, not on every poll.
    if (!settle([this] { return !restarting; }, SeekTimeoutMs))
        restarting = false;
    double seconds = 0;
    if (mpv_get_property(mpv, "time-pos", MPV_FORMAT_DOUBLE, &seconds) >= 0 && std::isfinite(seconds))
        lastPosition = unitsUp(seconds - videoStart);
    return lastPosition;
}

PlaybackResult MpvBackend::setPosition(qint64 position)
{
    if (!mpv)
        return -1;
    drainEvents();  // a restart still queued belongs to an earlier seek
    // A seek to the very end or past it would report the end while some earlier
    // frame stays on screen (MPEG program streams): it goes to the last instant instead.
    const qint64 length = duration();
    if (length > 0 && position >= length)
        position = length - 1;
    const QByteArray seconds =
        QByteArray::number(static_cast<double>(position) / UnitsPerSecond + videoStart, 'f', 7);
    const char* command[] = {"seek", seconds.constData(), "absolute+exact", nullptr};
    if (mpv_command(mpv, command) < 0)
        return -1;
    restarting = true;
    return 0;
}

void MpvBackend::setVolume(quint32 level)
{
    volumeLevel = level;
    applyVolume();
}

void MpvBackend::applyVolume()
{
    if (!mpv)
        return;
    double volume = 100.0 * (volumeLevel & 0xffffu) / 65535.0;
    mpv_set_property(mpv, "volume", MPV_FORMAT_DOUBLE, &volume);
}

void MpvBackend::release()
{
    ++generation;
    if (renderer) {
        // A frame mpv is waiting to see drawn would hold up its shutdown.
        if (renderWanted.load())
            renderFrame();
        mpv_render_context_set_update_callback(renderer, nullptr, nullptr);
        mpv_render_context_free(renderer);
        renderer = nullptr;
    }
    if (mpv) {
        mpv_set_wakeup_callback(mpv, nullptr, nullptr);
        mpv_terminate_destroy(mpv);
        mpv = nullptr;
    }
    delete surface;
    fileLoaded = loadFailed = restarting = false;
    videoStart = 0;
    renderWanted = false;
}

QImage MpvBackend::renderedFrame() const
{
    return surface ? surface->picture : QImage();
}

void MpvBackend::renderFrame()
{
    renderWanted = false;
    if (!renderer || !surface)
        return;
    mpv_render_context_update(renderer);
    const QSize size = surface->size();
    if (size.isEmpty())
        return;
    QImage& picture = surface->picture;
    if (picture.size() != size)
        picture = QImage(size, QImage::Format_RGB32);
    int dimensions[2] = {size.width(), size.height()};
    size_t stride = static_cast<size_t>(picture.bytesPerLine());
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SW_SIZE, dimensions},
        {MPV_RENDER_PARAM_SW_FORMAT, const_cast<char*>("bgr0")},
        {MPV_RENDER_PARAM_SW_STRIDE, &stride},
        {MPV_RENDER_PARAM_SW_POINTER, picture.bits()},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(renderer, params);
    surface->update();
}

void MpvBackend::drainEvents()
{
    while (mpv) {
        const mpv_event* event = mpv_wait_event(mpv, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*event);
    }
}

void MpvBackend::handleEvent(const mpv_event& event)
{
    switch (event.event_id) {
    case MPV_EVENT_FILE_LOADED:
        fileLoaded = true;
        break;
    case MPV_EVENT_END_FILE:
        // Ending before the file was loaded is a file mpv cannot play.
        if (!fileLoaded)
            loadFailed = true;
        restarting = false;
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        restarting = false;
        break;
    default:
        break;
    }
}

template <class Done>
bool MpvBackend::settle(Done done, int timeoutMs)
{
    // While waiting, frames must still be drawn: mpv counts a frame as shown
    // only once it was rendered.
    QDeadlineTimer deadline(timeoutMs);
    drainEvents();
    while (mpv && !done()) {
        if (deadline.hasExpired())
            return false;
        if (renderWanted.load())
            renderFrame();
        const mpv_event* event = mpv_wait_event(mpv, 0.005);
        if (event->event_id != MPV_EVENT_NONE)
            handleEvent(*event);
    }
    return done();
}

std::unique_ptr<PlayerBackend> makeMpvBackend()
{
    return std::make_unique<MpvBackend>();
}

} // namespace player

#if defined(__SANITIZE_THREAD__)
#include "ffmpeg_tsan_suppressions.h"

// mpv's threads (and the zimg scaler inside it) hand data over through atomics in
// libraries a thread-sanitizer build cannot see, as do the FFmpeg decoders it runs
// and the sound systems mpv tries for a video with sound.
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libmpv.so\n"
           "race:libmpv.so\n"
           "race:libzimg.so\n"
           "called_from_lib:libpipewire-0.3.so\n"
           "called_from_lib:libpulse.so\n"
           "called_from_lib:libpulsecommon\n"
           "mutex:libspa-support.so\n"   // a plug-in, unloaded again: no called_from_lib
           "race:libjack.so\n"
           "called_from_lib:libSDL2\n"
           "called_from_lib:libasound.so\n"
           // libmpv unlocks the locks of its callback setters in a tail call, so the unlock
           // seems made here while the lock, inside libmpv, went unseen.
           "mutex:player::MpvBackend::createCore\n" KESTRALINE_FFMPEG_TSAN_SUPPRESSIONS;
}
#endif
