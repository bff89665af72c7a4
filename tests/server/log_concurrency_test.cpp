// Many request threads logging while the main thread rotates both logs and the
// window takes the views: whole lines, none lost, the same order in the files and
// the views (run under ThreadSanitizer too).
#include "kestraline_log.h"
#include "log_test_lines.h"
#include "full_disk.h"
#include "recorded_messages.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace testsupport;
using namespace logtest;

namespace {

constexpr int kThreads = 16;

struct Channel {
    const char* fileName;
    QString viewText; // everything taken from the view, in order
};

// The rotated files of `name` oldest first (their stamps sort by time), then the
// current file: together they hold every line in writing order.
QString allFilesOf(const QString& folder, const QString& name)
{
    const QString base = name.left(name.indexOf('.'));
    QString text;
    for (const QString& rotated : QDir(folder).entryList({base + "_*"}, QDir::Files, QDir::Name))
        text += QString::fromUtf8(readBytes(folder + "/" + rotated));
    return text + QString::fromUtf8(readBytes(folder + "/" + name));
}

// Compares two long texts, naming only the first place where they differ.
void expectSameText(const QString& files, const QString& view, const char* name)
{
    qsizetype at = 0;
    while (at < files.size() && at < view.size() && files[at] == view[at])
        ++at;
    EXPECT_TRUE(at == files.size() && at == view.size())
        << name << ": files " << files.size() << " characters, view " << view.size() << ", first difference at "
        << at << ": files \"" << files.mid(at, 80).toStdString() << "\" view \"" << view.mid(at, 80).toStdString() << "\"";
}

// A line as the writers below write it: its log, its thread, its number, a tail.
const QRegularExpression& lineForm()
{
    static const QRegularExpression form("^(\\w+) thread (\\d+) line (\\d+) [a-z]+$");
    return form;
}

// Every thread's lines must come in their own order, numbered without a gap.
void expectEveryLineOnceInOrder(const QStringList& texts, const std::vector<int>& written, const char* tag)
{
    std::vector<int> next(kThreads, 0);
    for (const QString& text : texts) {
        const auto match = lineForm().match(text);
        ASSERT_TRUE(match.hasMatch() && match.captured(1) == tag) << text.toStdString();
        const int thread = match.captured(2).toInt();
        ASSERT_EQ(match.captured(3).toInt(), next[thread]) << "thread " << thread;
        ++next[thread];
    }
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(next[t], written[t]) << "thread " << t;
}

TEST(LogConcurrency, RotationsDuringWritesLoseAndTearNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    RecordedMessages shownMessages;
    KESTRALINE_LOG log;
    log.show_message = shownMessages.sink();
    log.OpenLog(dir.filePath("access.log"));
    log.OpenErrorsLog(dir.filePath("errors.log"));

    std::atomic<bool> stop{false};
    std::vector<int> written(kThreads, 0);
    std::vector<std::thread> requests;
    for (int t = 0; t < kThreads; ++t)
        requests.emplace_back([&, t] {
            // A long tail makes a torn line easy to see.
            const QString tail = QString(" ") + QString(40 + t, QChar('a' + t));
            int n = 0;
            while (!stop.load()) {
                log.WriteLog(QString("request thread %1 line %2").arg(t).arg(n) + tail);
                log.WriteErrorsLog(QString("error thread %1 line %2").arg(t).arg(n) + tail);
                ++n;
                QThread::usleep(1000);
            }
            written[t] = n;
        });

    Channel requestView{"access.log", {}}, errorView{"errors.log", {}};
    std::thread window([&] {
        while (!stop.load()) {
            requestView.viewText += log.TakeRequestViewText();
            errorView.viewText += log.TakeErrorViewText();
            QThread::msleep(20);
        }
    });

    // Rotations in three different seconds, one of them twice (its second fails).
    for (int rotation = 0; rotation < 3; ++rotation) {
        QThread::msleep(1000 - QTime::currentTime().msec() + 100);
        log.NewLog();
        log.NewErrorsLog();
        if (rotation == 1) {
            log.NewLog();
            log.NewErrorsLog();
        }
    }
    QThread::msleep(100);
    stop = true;
    for (auto& thread : requests)
        thread.join();
    window.join();
    requestView.viewText += log.TakeRequestViewText();
    errorView.viewText += log.TakeErrorViewText();
    log.CloseLog();
    log.CloseErrorsLog();

    EXPECT_EQ(shownMessages.texts().size(), 2); // the two failed renames
    for (const Channel* channel : {&requestView, &errorView}) {
        const QString files = allFilesOf(dir.path(), channel->fileName);
        expectSameText(files, channel->viewText, channel->fileName);
        expectEveryLineOnceInOrder(lineTexts(files, QDateTime::currentDateTime().addSecs(-60),
                                             QDateTime::currentDateTime()),
                                   written, channel == &requestView ? "request" : "error");
    }
    EXPECT_EQ(QDir(dir.path()).entryList({"access_*"}, QDir::Files).size(), 3);
}

// The disk fills while request threads write both logs, then space comes back:
// every line in the files is whole (a line the disk took only part of is cut off
// again, not continued by the next one), each thread's lines keep their order, and
// every line written after the space came back is there.
TEST(LogConcurrency, AFullDiskLeavesOnlyWholeLines)
{
    SmallDisk disk(64 * 1024);
    if (!disk.isMounted())
        GTEST_SKIP() << disk.refusal().toStdString();
    const QString reserve = disk.path() + "/reserve";
    writeBytes(reserve, QByteArray(16 * 1024, 'r'));
    KESTRALINE_LOG log;
    log.OpenLog(disk.path() + "/access.log");
    log.OpenErrorsLog(disk.path() + "/errors.log");

    constexpr int kWriters = 4;
    // Far more than the disk holds at first, then what fits once the reserve is gone.
    const auto writeFromThreads = [&](int from, int to) {
        std::vector<std::thread> writers;
        for (int t = 0; t < kWriters; ++t)
            writers.emplace_back([&, t] {
                const QString tail = QString(" ") + QString(50 + 7 * t, QChar('a' + t));
                for (int n = from; n < to; ++n) {
                    log.WriteLog(QString("request thread %1 line %2").arg(t).arg(n) + tail);
                    log.WriteErrorsLog(QString("error thread %1 line %2").arg(t).arg(n) + tail);
                }
            });
        for (auto& writer : writers)
            writer.join();
    };
    constexpr int kBeforeFull = 300, kAfterFreed = 10;
    writeFromThreads(0, kBeforeFull);
    ASSERT_TRUE(QFile::remove(reserve));
    writeFromThreads(kBeforeFull, kBeforeFull + kAfterFreed);
    log.CloseLog();
    log.CloseErrorsLog();

    for (const char* tag : {"request", "error"}) {
        const QString file = QString::fromUtf8(readBytes(disk.path() + (tag[0] == 'r' ? "/access.log" : "/errors.log")));
        std::vector<int> next(kWriters, 0), afterFreed(kWriters, 0);
        int landed = 0;
        for (const QString& text : lineTexts(file)) {
            const auto match = lineForm().match(text);
            ASSERT_TRUE(match.hasMatch() && match.captured(1) == tag) << text.toStdString();
            const int thread = match.captured(2).toInt(), line = match.captured(3).toInt();
            ASSERT_GE(line, next[thread]) << tag << " thread " << thread;
            next[thread] = line + 1;
            afterFreed[thread] += line >= kBeforeFull;
            ++landed;
        }
        EXPECT_LT(landed, kWriters * (kBeforeFull + kAfterFreed)) << tag << ": the disk never filled";
        for (int t = 0; t < kWriters; ++t)
            EXPECT_EQ(afterFreed[t], kAfterFreed) << tag << " thread " << t;
    }
}

} // namespace
