#pragma once
#include <QString>
#include <QtGlobal>

class QWidget;

namespace player {

// Result of a playback call: below 0 a failure, 0 success, above 0 success with
// a remark (the player shows "!=S_OK" for the latter where it checks).
using PlaybackResult = long;

// What the player needs of a playback engine. One file is built at a time; every
// call runs on the user-interface thread. The engine behind it may be libmpv or,
// in tests, a script.
class PlayerBackend {
public:
    // The build step that failed, in the order the player's open runs them.
    enum class BuildFailure {
        None,          // everything built
        Initialize,    // the engine's per-thread start
        CreateGraph,   // the engine itself
        MediaControl,  // run, pause and stop
        MediaEvent,    // the event source
        BasicVideo,    // source size and frame duration (a file without video)
        Seeking,       // length, position, seeking, rate
        RenderFile,    // decoding and rendering for the file (a file that cannot be loaded)
        VideoWindow,   // the picture's window
    };

    virtual ~PlayerBackend() = default;

    // Builds decoding and rendering for `fileName`. On failure everything built
    // so far is released again (Initialize: nothing was built) and the failed
    // step is returned.
    virtual BuildFailure build(const QString& fileName) = 0;
    // Makes the picture a child of `videoPanel`.
    virtual PlaybackResult setOwner(QWidget* videoPanel) = 0;
    // Gives the picture the child-window style.
    virtual PlaybackResult setChildStyle() = 0;
    // Places the picture in the video panel, in the panel's pixels.
    virtual PlaybackResult placePicture(int left, int top, int width, int height) = 0;

    // Source size in pixels and average frame duration in seconds; 0 when the
    // file gives none.
    virtual int sourceWidth() = 0;
    virtual int sourceHeight() = 0;
    virtual double frameDuration() = 0;

    virtual PlaybackResult setRate(double rate) = 0;
    virtual PlaybackResult run() = 0;
    virtual PlaybackResult pause() = 0;
    virtual PlaybackResult stop() = 0;

    // Length and position in units of 100 ns, counted from the first video frame
    // as the analysis counts (not from sound that starts earlier). The position is
    // a time at which the frame on screen is the one shown: not before that
    // frame's own timestamp and before the next frame's, also right after a seek.
    virtual qint64 duration() = 0;
    virtual qint64 position() = 0;
    // Absolute seek; the stop position stays as it is.
    virtual PlaybackResult setPosition(qint64 position) = 0;

    // Output volume as a 32-bit level: the left channel's 16-bit level in the low
    // half, the right channel's in the high half. Also called with no file built;
    // the level then holds for the next build.
    virtual void setVolume(quint32 level) = 0;

    // Releases everything build() made; nothing happens when nothing is built.
    virtual void release() = 0;
};

} // namespace player
