// Damaged videos (clips with runs of random bytes written over them): the colour
// data depends on the file alone, whatever the number of decoder threads, and
// stretches and Clipmeta agree with the whole-file output.
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

QString probe(const QStringList& args)
{
    QByteArray out, err;
    const QStringList all = QStringList{"-v", "error", "-threads", "1", "-select_streams", "v:0"} + args;
    if (testsupport::runProgram("ffprobe", all, &out, &err) != 0)
        throw std::runtime_error("ffprobe failed: " + err.toStdString());
    return QString::fromUtf8(out);
}

// The times, after the stream's start, of the frames a one-thread decoder
// delivers: an independent account of where each triple's frame lies once
// damaged frames are gone. A frame without a time follows the one before.
std::vector<double> frameTimes(const QString& video)
{
    const double start =
        probe({"-show_entries", "stream=start_time", "-of", "csv=p=0", video}).section(',', 0, 0).trimmed().toDouble();
    std::vector<double> times;
    // One line a frame, its time first ("N/A" for none); side data adds empty lines.
    for (const QString& line : probe({"-show_entries", "frame=pts_time", "-of", "csv=p=0", video}).split('\n')) {
        const QString field = line.section(',', 0, 0).trimmed();
        if (field == "N/A")
            times.push_back(times.empty() ? 0.0 : times.back() + 0.04);
        else if (!field.isEmpty())
            times.push_back(field.toDouble() - start);
    }
    return times;
}

// The index of the frame on screen at `start` seconds.
int frameOnScreen(const std::vector<double>& times, double start)
{
    int index = 0;
    for (int i = 0; i < static_cast<int>(times.size()); ++i) {
        if (times[i] <= start)
            index = i;
    }
    return index;
}

} // namespace

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
        const std::vector<double> times = frameTimes(video);
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
