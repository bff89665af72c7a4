// Damaged videos (clips with runs of random bytes written over them, or with
// bytes flipped here and there): the colour data depends on the file alone, on
// every run and whatever the number of decoder threads, and stretches and
// Clipmeta agree with the whole-file output.
#include "number_format.h"
#include "video_fixtures.h"

#include <random>

using namespace fixtures;

namespace {

const QStringList kDamagedClips = {"lossy.mp4", "lossy.mkv", "lossy.mpg"};

// A copy of the clip with 3000 random bytes written at 30, 50 and 70 % of its length.
QString damagedCopy(const QString& name)
{
    const QString path = workFolder() + "/damaged_" + name;
    if (!QFile::exists(path)) {
        QByteArray bytes = testsupport::readBytes(clip(name));
        std::mt19937 random(6);
        for (const double at : {0.3, 0.5, 0.7}) {
            const int offset = static_cast<int>(bytes.size() * at);
            for (int i = 0; i < 3000 && offset + i < bytes.size(); ++i)
                bytes[offset + i] = static_cast<char>(random() & 0xff);
        }
        testsupport::writeBytes(path, bytes);
    }
    return path;
}

// The stamps of the video's packets as the container gives them.
QString packetStamps(const QString& video)
{
    return probe({"-show_entries", "packet=pts_time,dts_time", "-of", "csv=p=0", video});
}

// A clip damaged as by a bad disk or transfer: `flips` bytes XORed with non-zero
// values and `inserts` random bytes put in, at places after the first twentieth of
// the file, then cut to `kept` of its length; a generator seeded with `seed` picks.
struct Mutant {
    QString clip;
    unsigned seed;
    int flips;
    int inserts = 0;
    double kept = 1;
};

QString mutantCopy(const Mutant& m)
{
    const QString path = workFolder() + QString("/mutant%1_%2_%3_%4").arg(m.seed).arg(m.flips).arg(m.inserts).arg(m.clip);
    QByteArray bytes = testsupport::readBytes(clip(m.clip));
    std::mt19937 random(m.seed);
    const auto place = [&] {
        const unsigned spared = static_cast<unsigned>(bytes.size()) / 20;
        return static_cast<int>(spared + random() % (static_cast<unsigned>(bytes.size()) - spared));
    };
    for (int i = 0; i < m.flips; ++i) {
        const int at = place();
        bytes[at] = static_cast<char>(bytes[at] ^ static_cast<char>(1 + random() % 255));
    }
    for (int i = 0; i < m.inserts; ++i)
        bytes.insert(place(), static_cast<char>(random() & 0xff));
    bytes.truncate(static_cast<int>(bytes.size() * m.kept));
    testsupport::writeBytes(path, bytes);
    return path;
}

// Where `run` lies in `whole` as whole frames; -1 when nowhere.
int runAt(const QByteArray& whole, const QByteArray& run)
{
    for (int at = whole.indexOf(run); at >= 0; at = whole.indexOf(run, at + 1)) {
        if (at % 3 == 0)
            return at / 3;
    }
    return -1;
}

} // namespace

TEST(DamagedVideo, EveryRunAndThreadCountGivesOneOutputWhoseRunsTheClientsStretchesAre)
{
    // Each of the first five clips' damage once made the output vary from run to
    // run or with the number of cores, or a stretch decode differently from the
    // whole file; then flips, inserts and cuts in every container the manager
    // offers (MPEG program streams give most key frames no byte position); MP4
    // and MOV only flipped, since a byte put in or cut off loses their index. The
    // last AVI's damage enlarges a chunk over two key frames that its index still
    // seeks to; read as one, they ended the whole output long before the last start.
    const QList<Mutant> clips = {
        {"lossy.webm", 1, 10},          {"lossy_mjpeg.mov", 2, 30}, {"lossy_mpeg4.avi", 3, 300},
        {"lossy.mp4", 6, 10},           {"lossy.ts", 13, 30},       {"lossy.mpg", 34, 200},
        {"lossy.mpg", 58, 200},         {"lossy.mpg", 36, 64, 16, 0.8}, {"lossy.avi", 23, 64, 16, 0.8},
        {"lossy.mov", 24, 64},          {"lossy.mkv", 25, 64, 16, 0.8}, {"lossy.mp4", 24, 64},
        {"lossy.webm", 27, 64, 16, 0.8}, {"lossy.ts", 28, 64, 16, 0.8}, {"lossy.avi", 90, 200},
    };
    // Five plain runs, frame threads 1, 3 and 8, and one that keeps no packets, so
    // that every group decoded again is read again from the file.
    struct Variant {
        const char* label;
        int threads;
        QStringList environment;
    };
    const QList<Variant> variants = {
        {"run 1", 0, {}},          {"run 2", 0, {}},          {"run 3", 0, {}},
        {"run 4", 0, {}},          {"run 5", 0, {}},          {"1 frame thread", 1, {}},
        {"3 frame threads", 3, {}}, {"8 frame threads", 8, {}}, {"no packets kept", 0, {"KESTRALINE_PACKET_LOG_BYTES=0"}},
    };
    // The client's search for 25 frames from frame k: the player's position just
    // after frame k's time, and 25.4 frames' time.
    const QList<int> starts = {61, 99, 150, 177, 220};
    QStringList names;
    for (const Mutant& c : clips)
        names.append(c.clip);
    prepareClips(names);
    std::vector<QString> videos(clips.size());
    sideBySide(clips.size(), [&](int i) { videos[i] = mutantCopy(clips[i]); });

    const int runs = variants.size() + 2 * starts.size();
    std::vector<QByteArray> outputs(clips.size() * runs);
    sideBySide(outputs.size(), [&](int job) {
        const QString& video = videos[job / runs];
        const int run = job % runs;
        if (run < variants.size()) {
            outputs[job] = analyse(video, {}, variants[run].threads, variants[run].environment);
            return;
        }
        const int k = starts[(run - variants.size()) / 2];
        const QStringList stretch = {format_general(k / 25.0 + 0.001), format_general(25.4 / 25)};
        outputs[job] = analyse(video, stretch, run % 2 ? 1 : 0);
    }, 8);

    for (int i = 0; i < clips.size(); ++i) {
        const std::string name = videos[i].toStdString();
        const QByteArray& whole = outputs[i * runs];
        ASSERT_FALSE(whole.isEmpty()) << name;
        EXPECT_NE(whole, analyse(clip(clips[i].clip))) << name << ": the damage changed nothing";
        for (int run = 1; run < variants.size(); ++run)
            EXPECT_EQ(outputs[i * runs + run], whole) << name << ": " << variants[run].label;
        // Damage to the stamps moves frames in time, and then the frame on screen
        // at a time is another one.
        const bool inPlace = whole.size() == 3 * 250 && packetStamps(videos[i]) == packetStamps(clip(clips[i].clip));
        for (int run = variants.size(); run < runs; ++run) {
            const int k = starts[(run - variants.size()) / 2];
            const QByteArray& stretch = outputs[i * runs + run];
            // Where no frame was lost or moved, the stretch is the slice from frame k.
            const std::string what = name + " from frame " + std::to_string(k) + (run % 2 ? " on one thread" : "");
            ASSERT_FALSE(stretch.isEmpty()) << what;
            if (inPlace) {
                EXPECT_EQ(stretch.size(), 3 * 25) << what;
                EXPECT_EQ(runAt(whole, stretch), k) << what;
            } else {
                EXPECT_GE(runAt(whole, stretch), 0) << what;
            }
        }
    }
}

TEST(DamagedVideo, GivesTheSameBytesAtEveryThreadCountAndClipmetaCountsThem)
{
    prepareClips(kDamagedClips);
    for (const QString& name : kDamagedClips) {
        const QString video = damagedCopy(name);
        const std::vector<int> threadCounts = {1, 2, 3, 8};
        std::vector<QByteArray> outputs(threadCounts.size());
        std::vector<QString> frames(threadCounts.size());
        sideBySide(threadCounts.size(), [&](int i) {
            outputs[i] = analyse(video, {}, threadCounts[i]);
            frames[i] = clipmeta(video, threadCounts[i])["frames"];
        });
        ASSERT_FALSE(outputs[0].isEmpty()) << name.toStdString();
        EXPECT_NE(outputs[0], analyse(clip(name))) << name.toStdString() << ": the damage changed nothing";
        for (std::size_t i = 0; i < threadCounts.size(); ++i) {
            EXPECT_EQ(outputs[i], outputs[0]) << name.toStdString() << " at " << threadCounts[i] << " threads";
            EXPECT_EQ(frames[i], QString::number(outputs[0].size() / 3))
                << name.toStdString() << " at " << threadCounts[i] << " threads";
        }
    }
}

TEST(DamagedVideo, StretchesEqualTheirSliceOfTheWholeOutput)
{
    prepareClips(kDamagedClips);
    for (const QString& name : kDamagedClips) {
        const QString video = damagedCopy(name);
        const QByteArray whole = analyse(video);
        const std::vector<double> times = frameTimes(video, 25);
        ASSERT_EQ(static_cast<int>(times.size()), whole.size() / 3) << name.toStdString();
        // Starts between frame times all through the clip, damaged parts included.
        QList<QStringList> stretches;
        for (int k = 0; k < 20; ++k)
            stretches.append({QString::number(0.02 + 0.48 * k, 'f', 2), "2"});
        for (const int threads : {2, 8}) {
            const QList<QByteArray> outputs = analyseAll(video, stretches, threads);
            for (int i = 0; i < stretches.size(); ++i) {
                const int first = frameOnScreen(times, stretches[i][0].toDouble());
                EXPECT_EQ(outputs[i].toHex(), whole.mid(3 * first, 3 * 50).toHex())
                    << name.toStdString() << " start " << stretches[i][0].toStdString() << " at " << threads
                    << " threads";
            }
        }
    }
}
