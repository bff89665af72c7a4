// The tool runner with small stand-in tools (shell scripts in a program folder of
// the test's own), and once with the real tools on a real video.
#include "clipmeta.h"
#include "full_disk.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// A stand-in Clipmeta prints the folder's "answer" file and notes its argument;
// a stand-in KestralineAnalyzer copies "rgb-answer" to its output (when there is
// one) and notes its arguments and its working folder.
const char* const kFakeClipmeta = R"(#!/bin/sh
here=$(dirname "$0")
printf '%s' "$1" > "$here/clipmeta-argument"
cat "$here/answer"
)";
const char* const kFakeAnalyzer = R"(#!/bin/sh
here=$(dirname "$0")
printf '%s\n%s\n' "$1" "$2" > "$here/analyzer-arguments"
pwd > "$here/analyzer-folder"
if [ -f "$here/rgb-answer" ]; then cat "$here/rgb-answer" > "$2"; fi
)";

void writeScript(const QString& path, const char* text)
{
    testsupport::writeBytes(path, text);
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeUser);
}

class ClipmetaRunner : public ::testing::Test {
protected:
    void SetUp() override
    {
        useFolders("tools", "project", "video.mp4");
    }

    // Program folder, project folder and video under the test's temporary folder.
    void useFolders(const QString& tools, const QString& project, const QString& videoName)
    {
        toolDir = root.path() + "/" + tools;
        projectDir = root.path() + "/" + project;
        ASSERT_TRUE(QDir().mkpath(toolDir));
        ASSERT_TRUE(QDir().mkpath(projectDir));
        writeScript(toolDir + "/Clipmeta", kFakeClipmeta);
        writeScript(toolDir + "/KestralineAnalyzer", kFakeAnalyzer);
        video = projectDir + "/" + videoName;
        testsupport::writeBytes(video, "not looked at by the stand-ins");
        runner.tooldir = toolDir;
        runner.workdir = projectDir;
        runner.SetFiles(video, projectDir + "/7.rgb");
    }

    void answer(const QByteArray& text) { testsupport::writeBytes(toolDir + "/answer", text); }
    void rgbAnswer(const QByteArray& bytes) { testsupport::writeBytes(toolDir + "/rgb-answer", bytes); }
    QString info() const { return projectDir + "/clipmeta.info"; }

    void expectNumbers(qint32 width, qint32 height, double fps, qint32 frames, double duration)
    {
        EXPECT_EQ(runner.width, width);
        EXPECT_EQ(runner.height, height);
        EXPECT_DOUBLE_EQ(runner.fps, fps);
        EXPECT_EQ(runner.frames, frames);
        EXPECT_DOUBLE_EQ(runner.duration, duration);
    }

    QTemporaryDir root;
    QString toolDir, projectDir, video;
    CLIPMETA runner;
};

} // namespace

TEST_F(ClipmetaRunner, ReadsTheFourPairsAndComputesTheDuration)
{
    answer("width 640\nheight 480\nfps 25\nframes 250\n");
    EXPECT_TRUE(runner.GetClipmeta());
    EXPECT_TRUE(runner.success);
    expectNumbers(640, 480, 25.0, 250, 10.0);
    EXPECT_FALSE(QFile::exists(info()));
    EXPECT_EQ(testsupport::readBytes(toolDir + "/clipmeta-argument"), video.toUtf8());

    answer("w 1 h 2 fps 25 frames 1234");
    EXPECT_TRUE(runner.GetClipmeta());
    EXPECT_DOUBLE_EQ(runner.duration, 49.36);
    answer("w 1 h 2 fps 29.97 frames 100\n\n");
    EXPECT_TRUE(runner.GetClipmeta());
    EXPECT_DOUBLE_EQ(runner.duration, 3.336);
}

TEST_F(ClipmetaRunner, NeedsAtLeastTwentyBytes)
{
    answer("a 1 b 2 c 25 d 250\n");   // 19 bytes
    EXPECT_FALSE(runner.GetClipmeta());
    EXPECT_FALSE(runner.success);
    EXPECT_TRUE(QFile::exists(info()));   // a failed step leaves the file for a look
    answer("a 1 b 2 c 25 d 250\n\n");     // 20 bytes
    EXPECT_TRUE(runner.GetClipmeta());
    expectNumbers(1, 2, 25.0, 250, 10.0);
}

TEST_F(ClipmetaRunner, SkipsLabelsOfAnyLengthAndReadsAnyBase)
{
    answer(QByteArray(700, 'w') + "\t0x280\r\nh\t0740 fps 29.97 " + QByteArray(5000, 'n') + " 0X64 trailing words 1 2");
    EXPECT_TRUE(runner.GetClipmeta());
    expectNumbers(640, 480, 29.97, 100, 3.336);
    answer("width +1920 height 01 fps +2.5e1 frames 0");   // no frames: fails
    EXPECT_FALSE(runner.GetClipmeta());
}

TEST_F(ClipmetaRunner, AFailedRunNeverKeepsTheNumbersOfTheVideoBefore)
{
    answer("width 640\nheight 480\nfps 25\nframes 250\n");
    ASSERT_TRUE(runner.GetClipmeta());
    const QList<QByteArray> failing = {
        "width 320 height 240 fps 30 and nothing more",   // three pairs
        "width 320 height 240 fps 0 frames 100",          // no division by zero either
        "width 320 height 240 fps -5 frames 100",
        "width 320 height 240 fps 29,97 frames 100",      // the point is the separator
        "width 320 height 240 fps inf frames 100",
        "width 320 height 240 fps nan frames 100",
        "width 320 height 240 fps 25 frames -3",
        "width 320 height 240 fps 25 frames 99999999999",
        "width 0x height 240 fps 25 frames 100",
        "width 320 height 08 fps 25 frames 100",
        "width 320 height 240 fps 25 frames 100abc",
        "wide awake with no numbers at all",
    };
    for (const QByteArray& text : failing) {
        answer(text);
        EXPECT_FALSE(runner.GetClipmeta()) << text.constData();
        EXPECT_FALSE(runner.success);
        expectNumbers(0, 0, 0.0, 0, 0.0);
        ASSERT_TRUE(std::isfinite(runner.duration));
    }
}

TEST_F(ClipmetaRunner, StaleOutputsNeverCount)
{
    testsupport::writeBytes(info(), "width 640\nheight 480\nfps 25\nframes 250\n");
    QFile::remove(toolDir + "/Clipmeta");   // the tool is gone: nothing new is written
    EXPECT_FALSE(runner.GetClipmeta());
    EXPECT_FALSE(QFile::exists(info()) && testsupport::readBytes(info()).size() >= 20);

    testsupport::writeBytes(projectDir + "/7.rgb", "old colour data");
    EXPECT_FALSE(runner.GetVideoAnalysis());   // the stand-in writes nothing without rgb-answer
    EXPECT_FALSE(runner.success);
    EXPECT_FALSE(QFile::exists(projectDir + "/7.rgb"));
}

TEST_F(ClipmetaRunner, AnalysisSucceedsOnAnyNonEmptyOutput)
{
    rgbAnswer("x");
    EXPECT_TRUE(runner.GetVideoAnalysis());
    EXPECT_TRUE(runner.success);
    EXPECT_EQ(testsupport::readBytes(projectDir + "/7.rgb"), "x");
    rgbAnswer("");
    EXPECT_FALSE(runner.GetVideoAnalysis());
    EXPECT_FALSE(runner.success);
}

TEST_F(ClipmetaRunner, AnalyserRunsInTheProgramFolderAndOurFolderStays)
{
    rgbAnswer("abc");
    const QString before = QDir::currentPath();
    EXPECT_TRUE(runner.GetVideoAnalysis());
    EXPECT_EQ(QDir::currentPath(), before);
    EXPECT_EQ(testsupport::readBytes(toolDir + "/analyzer-folder").trimmed(),
              QFileInfo(toolDir).canonicalFilePath().toUtf8());
    EXPECT_EQ(testsupport::readBytes(toolDir + "/analyzer-arguments"),
              (video + "\n" + projectDir + "/7.rgb\n").toUtf8());
}

TEST_F(ClipmetaRunner, PathsWithBlanksQuotesDollarsBackQuotesAndCyrillicWork)
{
    const QString odd = "a b \"c\" $HOME `touch pwned` 'q' Папка";
    useFolders("программы " + odd, "проект " + odd, "ви део $(id) \"x\" `y`.mp4");
    answer("width 640\nheight 480\nfps 25\nframes 250\n");
    rgbAnswer("abc");
    EXPECT_TRUE(runner.GetClipmeta());
    expectNumbers(640, 480, 25.0, 250, 10.0);
    EXPECT_EQ(testsupport::readBytes(toolDir + "/clipmeta-argument"), video.toUtf8());
    EXPECT_TRUE(runner.GetVideoAnalysis());
    EXPECT_EQ(testsupport::readBytes(projectDir + "/7.rgb"), "abc");
    EXPECT_FALSE(QFile::exists(toolDir + "/pwned"));
    EXPECT_FALSE(QFile::exists("pwned"));
}

TEST_F(ClipmetaRunner, RunsOnAWorkerThread)
{
    answer("width 640\nheight 480\nfps 25\nframes 250\n");
    rgbAnswer("abc");
    bool clipmeta = false, analysis = false;
    QThread* worker = QThread::create([&] {
        clipmeta = runner.GetClipmeta();
        analysis = runner.GetVideoAnalysis();
    });
    worker->start();
    ASSERT_TRUE(worker->wait(60000));
    delete worker;
    EXPECT_TRUE(clipmeta);
    EXPECT_TRUE(analysis);
    expectNumbers(640, 480, 25.0, 250, 10.0);
}

TEST(ClipmetaWithTheRealTools, LearnsAndAnalysesARealVideo)
{
    QTemporaryDir project;
    const QString video = project.path() + "/клип $1.mkv";
    ASSERT_EQ(testsupport::runProgram("ffmpeg", {"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                                                 "testsrc2=s=96x64:r=30000/1001:d=1", "-c:v", "ffv1", video}),
              0);
    CLIPMETA runner;
    runner.tooldir = testsupport::binDir();
    runner.workdir = project.path();
    runner.SetFiles(video, project.path() + "/1.rgb");
    ASSERT_TRUE(runner.GetClipmeta());
    EXPECT_EQ(runner.width, 96);
    EXPECT_EQ(runner.height, 64);
    EXPECT_DOUBLE_EQ(runner.fps, 29.97002997003);
    EXPECT_EQ(runner.frames, 30);
    EXPECT_DOUBLE_EQ(runner.duration, 1.0);   // 30 × 1000 / 29.97002997003 is just under 1001
    ASSERT_TRUE(runner.GetVideoAnalysis());
    EXPECT_EQ(testsupport::readBytes(project.path() + "/1.rgb").size(), 3 * runner.frames);

    // A property file the tool could not write whole ("frames 3" left of "frames 30")
    // is no answer, though it reads as one.
    QByteArray text;
    ASSERT_EQ(testsupport::runProgram(runner.tooldir + "/Clipmeta", {video}, &text), 0);
    ASSERT_TRUE(text.endsWith(" 30\n"));
    bool learnt = true;
    {
        testsupport::FileSizeLimit limit(text.size() - 2);
        learnt = runner.GetClipmeta();
    }
    EXPECT_FALSE(learnt);
    EXPECT_EQ(runner.frames, 0);
}
