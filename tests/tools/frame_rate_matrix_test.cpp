// Both tools at every common frame rate in every container the manager offers,
// in MPEG transport streams and in MP4 counting milliseconds: Clipmeta's count
// equals the analyser's triples, and stretches, starting before and after the
// first second (from the start, and from a key frame found by seeking), equal
// their slices of the whole output. Each frame has a colour of its own, so a
// stretch one frame off cannot pass.
#include "number_format.h"
#include "video_fixtures.h"

#include <cstdio>
#include <thread>

using namespace fixtures;

namespace {

struct Rate {
    const char* name;
    int num;
    int den;
};
const Rate kRates[] = {{"23.976", 24000, 1001}, {"24", 24, 1}, {"25", 25, 1},       {"29.97", 30000, 1001},
                       {"30", 30, 1},           {"50", 50, 1}, {"59.94", 60000, 1001}, {"60", 60, 1}};
constexpr int kTwentyFive = 2;

struct Container {
    const char* name;
    const char* extension;
    QStringList codec;
};

const QList<Container>& containers()
{
    static const QList<Container> all = [] {
        const QStringList h264 = {"-c:v", "libx264", "-bf", "2", "-g", "30", "-pix_fmt", "yuv420p"};
        return QList<Container>{
            {"mp4", "mp4", h264},
            {"mp4 1 ms", "mp4", h264 + QStringList{"-video_track_timescale", "1000"}},
            {"mkv", "mkv", h264},
            {"webm", "webm", {"-c:v", "libvpx", "-g", "30", "-deadline", "realtime", "-cpu-used", "8"}},
            {"mov", "mov", h264},
            {"avi", "avi", {"-c:v", "mpeg4", "-bf", "2", "-g", "30", "-pix_fmt", "yuv420p"}},
            {"mpg", "mpg", {"-c:v", "mpeg2video", "-bf", "2", "-g", "30", "-pix_fmt", "yuv420p"}},
            {"ts", "ts", h264},
        };
    }();
    return all;
}

constexpr int kSeconds = 4;

// One stretch: the client's arguments and the frames they must give.
struct Stretch {
    QStringList arguments;
    int first;
    int count;
};

// Starts in the middle of a frame, and 1 ms after a frame's time as the player
// reports it, before the first second and after it, and near the end.
QList<Stretch> stretchesOf(const Rate& rate, int frames)
{
    const double fps = double(rate.num) / rate.den;
    const auto length = [fps](int count) { return format_general((count + 0.4) / fps); };
    const auto middleOf = [fps](int k) { return format_general((k + 0.5) / fps); };
    const auto justAfter = [fps](int k) { return format_general(k / fps + 0.001); };
    const int second = int(fps);
    return {
        {{middleOf(second / 2), length(10)}, second / 2, 10},
        {{justAfter(second * 8 / 5), length(20)}, second * 8 / 5, 20},
        {{middleOf(second * 29 / 10), length(15)}, second * 29 / 10, 15},
        {{justAfter(frames - 5), length(10)}, frames - 5, 5},
    };
}

struct Cell {
    QString outcome;   // "ok", "not made by the encoder" or what went wrong
    bool made = false;
};

Cell check(const Container& container, const Rate& rate, int cellNumber)
{
    Cell cell;
    const QString video = workFolder() + QString("/rate%1.%2").arg(cellNumber).arg(container.extension);
    try {
        runFfmpeg(QStringList{"-f", "lavfi", "-i",
                              flatColourSource("64x48", QString("%1/%2").arg(rate.num).arg(rate.den),
                                               QString::number(kSeconds))} +
                  container.codec + QStringList{"-threads", "1", video});
    } catch (const std::exception&) {
        cell.outcome = "not made by the encoder";
        return cell;
    }
    cell.made = true;
    const QByteArray whole = analyse(video, {}, 1);
    const int frames = whole.size() / 3;
    QStringList faults;
    // The source makes every frame whose time is before the end.
    if (frames != (kSeconds * rate.num + rate.den - 1) / rate.den)
        faults << QString("%1 triples").arg(frames);
    const QString counted = clipmeta(video, 1)["frames"];
    if (counted != QString::number(frames))
        faults << "Clipmeta counts " + counted;
    for (const Stretch& stretch : stretchesOf(rate, frames)) {
        const QByteArray out = analyse(video, stretch.arguments, 1);
        if (out != whole.mid(3 * stretch.first, 3 * stretch.count))
            faults << QString("start %1 gives %2 bytes, not frames %3..")
                          .arg(stretch.arguments[0])
                          .arg(out.size())
                          .arg(stretch.first);
    }
    cell.outcome = faults.isEmpty() ? "ok" : faults.join("; ");
    return cell;
}

} // namespace

TEST(FrameRateMatrix, EveryRateInEveryContainerGivesTheSameFramesWholeAndInStretches)
{
    const int rates = int(std::size(kRates));
    const int cells = containers().size() * rates;
    std::vector<Cell> results(cells);
    sideBySide(
        cells, [&](int i) { results[i] = check(containers()[i / rates], kRates[i % rates], i); },
        int(std::max(2u, std::thread::hardware_concurrency())));

    std::printf("%-9s", "");
    for (const Rate& rate : kRates)
        std::printf(" %-8s", rate.name);
    std::printf("\n");
    for (int c = 0; c < containers().size(); ++c) {
        std::printf("%-9s", containers()[c].name);
        for (int r = 0; r < rates; ++r) {
            const Cell& cell = results[c * rates + r];
            std::printf(" %-8s", !cell.made ? "-" : cell.outcome == "ok" ? "ok" : "FAILED");
        }
        std::printf("\n");
    }
    std::printf("(-: not made by the encoder)\n");
    std::fflush(stdout);

    for (int i = 0; i < cells; ++i) {
        const char* container = containers()[i / rates].name;
        EXPECT_TRUE(!results[i].made || results[i].outcome == "ok")
            << container << " at " << kRates[i % rates].name << " fps: " << results[i].outcome.toStdString();
        // Every encoder takes 25 fps: a clip missing there is a broken recipe, not a refused rate.
        if (i % rates == kTwentyFive) {
            EXPECT_TRUE(results[i].made) << container;
        }
    }
}
