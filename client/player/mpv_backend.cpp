#include "mpv_backend.h"
#include "player_host.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QPainter>
#include <QTransform>
#include <QWidget>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <mpv/client.h>
#include <mpv/render.h>

#include "video_facts.h"

namespace player {

namespace {

constexpr int LoadTimeoutMs = 15000;
constexpr int SeekTimeoutMs = 10000;
// How far before a seek's target mpv starts decoding, at first (see SeekPlan).
constexpr double DemuxerOffset = 1.5;
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

bool MpvBackend::createCore(const char* demuxer, double framesPerSecond)
{
    // mpv refuses to start under a numeric locale other than "C"; Qt's own number
    // formatting goes by QLocale, so this changes nothing the user sees.
    std::setlocale(LC_NUMERIC, "C");
    mpv = mpv_create();
    if (!mpv)
        return false;
    // At the end of a file mpv keeps its last frame and stays unpaused, so a seek
    // back from the end plays on. A seek decodes every frame up to its target:
    // where the decoder may drop those it need not show, an intra-only file
    // (ProRes) has none left to show at its end. Files are read as the analysis
    // reads them (MP4 edit lists applied) and never open another file they name
    // (neither a reference nor a Matroska segment); the picture is turned upright
    // when it is drawn.
    const char* options[][2] = {
        {"vo", "libmpv"},       {"hr-seek", "yes"},        {"hr-seek-framedrop", "no"},
        {"keep-open", "yes"},   {"keep-open-pause", "no"}, {"idle", "yes"},  {"pause", "yes"},
        {"osd-level", "0"},     {"terminal", "no"},        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"}, {"sub-auto", "no"},   {"audio-display", "no"},
        {"demuxer", demuxer},   {"demuxer-lavf-o", "advanced_editlist=1"},    {"access-references", "no"},
        {"ordered-chapters", "no"}, {"video-rotate", "no"},
    };
    for (const auto& option : options)
        mpv_set_option_string(mpv, option[0], option[1]);
    double offset = DemuxerOffset;
    mpv_set_option(mpv, "hr-seek-demuxer-offset", MPV_FORMAT_DOUBLE, &offset);
    if (framesPerSecond > 0)
        mpv_set_option(mpv, "fps", MPV_FORMAT_DOUBLE, &framesPerSecond);
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

bool MpvBackend::loadFile(const QByteArray& path)
{
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
    // Only a file the analysis takes for a video is one: a text, a playlist or
    // sound alone is none, and mpv never gets to read a playlist out of it. Both
    // read it by its absolute path: mpv takes a relative name such as
    // "http://host/clip.mp4" for an address, not for the local file it names.
    const QByteArray path = QFile::encodeName(QFileInfo(fileName).absoluteFilePath());
    const std::optional<VideoFacts> facts = readVideoFacts(path.toStdString());
    if (!facts)
        return BuildFailure::RenderFile;
    const AVRational rate = facts->frameRate;
    secondsPerFrame = rate.num > 0 && rate.den > 0 ? static_cast<double>(rate.den) / rate.num : 0.0;
    turn = facts->rotationDegrees;
    // FFmpeg's Matroska reader gives frames before time 0 no time (a cut that
    // keeps them), so that mpv could neither place nor reach them; mpv's own
    // reader gives them the times the analysis finds for them. Every other
    // container is read by FFmpeg, as the analysis reads it.
    // Where the analysis times frames by their index, mpv is given its rate. mpv
    // times an AVI's frames by decoding time less the decoder's delay, counted in
    // frames of the file's stated rate, and spaces the frames drained at the end
    // one such frame apart; an AVI copied from MP4 states twice the rate, which
    // put every frame half a delay late and the last ones too close. At the
    // analysis' rate frame k lies at k / rate, where the analysis counts it.
    const double indexRate = facts->timedByIndex && secondsPerFrame > 0 ? av_q2d(rate) : 0.0;
    if (!createCore(facts->formatName == "matroska,webm" ? "mkv" : "lavf", indexRate)) {
        release();
        return BuildFailure::CreateGraph;
    }
    if (!loadFile(path)) {
        release();
        return BuildFailure::RenderFile;
    }
    // A file without a video track has nothing for size and frame duration.
    if (!hasVideoTrack()) {
        release();
        return BuildFailure::BasicVideo;
    }
    awaitRestart();
    // Positions count from frame 0 as the analysis finds it, on mpv's clock,
    // which starts at the container's start time.
    frameZero = facts->frameZeroSeconds - doubleProperty("demuxer-start-time", facts->formatStartSeconds);
    // mpv shows first what its decoder delivers first; where that is not frame 0
    // (frames before it that the analysis does not count), it goes to frame 0.
    if (std::abs(doubleProperty("time-pos", frameZero) - frameZero) > SeekPlan::SameInstant) {
        startSeek(frameZero);
        awaitRestart();
    }
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

bool MpvBackend::quarterTurned() const
{
    return turn == 90 || turn == 270;
}

// The size of the picture as it is shown, upright.
int MpvBackend::sourceWidth()
{
    return static_cast<int>(doubleProperty(quarterTurned() ? "height" : "width", 0));
}

int MpvBackend::sourceHeight()
{
    return static_cast<int>(doubleProperty(quarterTurned() ? "width" : "height", 0));
}

// The rate the analysis counts frames with, so that a search holds the frames asked for.
double MpvBackend::frameDuration()
{
    return secondsPerFrame;
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
    return clampedUnits(std::max(0.0, doubleProperty("duration", 0) - frameZero) * UnitsPerSecond);
}

qint64 MpvBackend::position()
{
    if (!mpv)
        return lastPosition;
    awaitRestart();
    double seconds = 0;
    if (mpv_get_property(mpv, "time-pos", MPV_FORMAT_DOUBLE, &seconds) >= 0 && std::isfinite(seconds))
        lastPosition = unitsUp(seconds - frameZero);
    return lastPosition;
}

PlaybackResult MpvBackend::setPosition(qint64 position)
{
    if (!mpv)
        return -1;
    awaitRestart();  // one seek at a time
    // A seek to the very end or past it would report the end while some earlier
    // frame stays on screen (MPEG program streams): it goes to the last instant instead.
    const qint64 length = duration();
    if (length > 0 && position >= length)
        position = length - 1;
    startSeek(static_cast<double>(position) / UnitsPerSecond + frameZero);
    return 0;
}

void MpvBackend::awaitRestart()
{
    // The frame on screen changes only when a load or seek has restarted playback.
    // A restart that never comes is waited for once, not on every poll.
    if (!settle([this] { return !restarting; }, SeekTimeoutMs))
        finishSeek();
}

void MpvBackend::startSeek(double target)
{
    // The steps run paused, so that the frame each one shows stays on screen
    // while it is looked at; playback goes on after the last.
    playAfterSeek = stringProperty("pause") == "no";
    if (playAfterSeek)
        mpv_set_property_string(mpv, "pause", "yes");
    seekPlan.emplace(target, DemuxerOffset, 0.0);
    restarting = true;
    seekStep(SeekPlan::Step::Seek);
}

void MpvBackend::seekStep(SeekPlan::Step step)
{
    framesBeforeStep = framesShown;
    lastFrameTry = false;
    if (step == SeekPlan::Step::StepBack) {
        // mpv steps back by seeking to the time of the frame on screen.
        stepSoughtTime = doubleProperty("time-pos", qQNaN());
        const char* command[] = {"frame-back-step", nullptr};
        if (mpv_command(mpv, command) < 0)
            finishSeek();
        return;
    }
    double offset = seekPlan->offset();
    mpv_set_property(mpv, "hr-seek-demuxer-offset", MPV_FORMAT_DOUBLE, &offset);
    // Through the property, not the seek command: that one counts a negative
    // time from the end.
    stepSoughtTime = seekPlan->target();
    if (mpv_set_property(mpv, "time-pos", MPV_FORMAT_DOUBLE, &stepSoughtTime) < 0)
        finishSeek();
}

void MpvBackend::afterSeekStep()
{
    // Drawn whether or not mpv still waits for it: a frame mpv stopped waiting
    // for (the window was busy for long) is the one it now has on screen.
    renderFrame();
    const std::optional<double> shown = frameShownByStep();
    // A step that ended at the end of the file without showing a frame may be
    // followed by mpv's own try at the last frame (keep-open), whose restart
    // then ends the step.
    if (!shown && !lastFrameTry && lastFrameTryStarted()) {
        lastFrameTry = true;
        return;
    }
    if (!seekPlan)  // the file ended while looking
        return;
    const SeekPlan::Step step = seekPlan->next(shown);
    if (step == SeekPlan::Step::Done)
        finishSeek();
    else
        seekStep(step);
}

std::optional<double> MpvBackend::frameShownByStep()
{
    // mpv reports the time of the frame a step put on screen, or, where it put
    // none there, the time it sought. So a frame mpv stopped waiting to see drawn
    // is still known by its time, and one at exactly the time sought only by
    // having been drawn.
    const double seconds = doubleProperty("time-pos", qQNaN());
    if (!std::isfinite(seconds))
        return std::nullopt;
    if (framesShown != framesBeforeStep || std::abs(seconds - stepSoughtTime) > SeekPlan::SameInstant)
        return seconds;
    return std::nullopt;
}

bool MpvBackend::lastFrameTryStarted()
{
    // mpv starts its try, and announces its seek, in the same pass of its loop
    // that announced the restart. A property read waits for that pass to end, so
    // after it the try's seek event, if there is one, is already queued: it is
    // looked for among the events queued now, not waited for by the clock.
    stringProperty("seeking");
    while (seekPlan) {
        const mpv_event* event = mpv_wait_event(mpv, 0);
        if (event->event_id == MPV_EVENT_NONE)
            return false;
        if (event->event_id == MPV_EVENT_SEEK)
            return true;
        handleEvent(*event);
    }
    return false;
}

void MpvBackend::finishSeek()
{
    restarting = false;
    lastFrameTry = false;
    if (!seekPlan)
        return;
    if (seekPlan->offset() != DemuxerOffset) {
        double offset = DemuxerOffset;
        mpv_set_property(mpv, "hr-seek-demuxer-offset", MPV_FORMAT_DOUBLE, &offset);
    }
    seekPlan.reset();
    if (playAfterSeek)
        mpv_set_property_string(mpv, "pause", "no");
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
    unturned = QImage();
    seekPlan.reset();
    lastFrameTry = false;
    fileLoaded = loadFailed = restarting = false;
    frameZero = secondsPerFrame = 0;
    turn = 0;
    renderWanted = false;
}

QImage MpvBackend::renderedFrame() const
{
    return surface ? surface->picture : QImage();
}

void MpvBackend::renderFrame()
{
    renderWanted = false;
    if (!renderer)
        return;
    if ((mpv_render_context_update(renderer) & MPV_RENDER_UPDATE_FRAME) && newFrameWaiting())
        ++framesShown;
    // Without a surface (while the file loads) the frame is still drawn, small:
    // mpv waits for each new frame to be drawn before it counts it as shown. A
    // turned picture is drawn as stored and turned upright for the surface.
    const bool direct = surface && turn == 0;
    QImage& canvas = direct ? surface->picture : unturned;
    QSize size = surface ? surface->size() : QSize(16, 16);
    if (quarterTurned())
        size.transpose();
    if (size.isEmpty())
        return;
    if (canvas.size() != size)
        canvas = QImage(size, QImage::Format_RGB32);
    int dimensions[2] = {size.width(), size.height()};
    size_t stride = static_cast<size_t>(canvas.bytesPerLine());
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SW_SIZE, dimensions},
        {MPV_RENDER_PARAM_SW_FORMAT, const_cast<char*>("bgr0")},
        {MPV_RENDER_PARAM_SW_STRIDE, &stride},
        {MPV_RENDER_PARAM_SW_POINTER, canvas.bits()},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(renderer, params);
    if (!surface)
        return;
    if (!direct)
        surface->picture = canvas.transformed(QTransform().rotate(turn));
    surface->update();
}

bool MpvBackend::newFrameWaiting()
{
    // mpv also asks to draw the frame on screen again, as it does while a slow
    // seek runs: that is no frame the seek showed.
    mpv_render_frame_info info{};
    mpv_render_param query{MPV_RENDER_PARAM_NEXT_FRAME_INFO, &info};
    const int notNew = MPV_RENDER_FRAME_INFO_REDRAW | MPV_RENDER_FRAME_INFO_REPEAT;
    return mpv_render_context_get_info(renderer, query) >= 0 && (info.flags & MPV_RENDER_FRAME_INFO_PRESENT) &&
           !(info.flags & notNew);
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
        finishSeek();
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        if (seekPlan)
            afterSeekStep();
        else
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
