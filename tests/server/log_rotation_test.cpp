// Starting new log files: the old file moved aside under a time-stamped name, and
// every way that can fail without losing a line.
#include "kestraline_log.h"
#include "log_test_lines.h"
#include "recorded_messages.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace testsupport;
using namespace logtest;

namespace {

QString renameMessage(const QString& from, const QString& to)
{
    return QString::fromUtf8("Ошибка переименования файла: ") + from + QString::fromUtf8(" в ") + to;
}

QString stampOf(const QDateTime& time)
{
    return time.toString("_yyyy-MM-dd_HH-mm-ss");
}

// Sleeps to just after the start of the next second, so that what follows
// quickly runs within one second.
void waitForNextSecond()
{
    QThread::msleep(1000 - QTime::currentTime().msec() + 20);
}

// Restores the process's current folder when the test ends.
class CurrentFolderGuard {
public:
    explicit CurrentFolderGuard(const QString& folder) : previous(QDir::currentPath()) { QDir::setCurrent(folder); }
    ~CurrentFolderGuard() { QDir::setCurrent(previous); }

private:
    QString previous;
};

class LogRotation : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("access.log");
        log.show_message = shownMessages.sink();
    }

    // Names in the folder that look like rotated copies of access.log.
    QStringList rotatedNames(const QString& folder) const
    {
        static const QRegularExpression stamp("_\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d");
        return QDir(folder).entryList(QDir::Files, QDir::Name).filter(stamp);
    }
    QString fileText(const QString& file) { return QString::fromUtf8(readBytes(file)); }

    QTemporaryDir dir;
    QString path;
    RecordedMessages shownMessages;
    KESTRALINE_LOG log;
};

TEST_F(LogRotation, OldFileMovesAsideUnderItsStampAndANewOneStarts)
{
    log.OpenLog(path);
    log.WriteLog("first file");
    const QDateTime before = QDateTime::currentDateTime();
    log.NewLog();
    const QDateTime after = QDateTime::currentDateTime();
    log.WriteLog("second file");

    const QStringList rotated = rotatedNames(dir.path());
    ASSERT_EQ(rotated.size(), 1);
    EXPECT_TRUE(rotated.first() == "access" + stampOf(before) + ".log" ||
                rotated.first() == "access" + stampOf(after) + ".log")
        << rotated.first().toStdString();
    EXPECT_EQ(lineTexts(fileText(dir.filePath(rotated.first()))), QStringList({"first file"}));
    EXPECT_EQ(lineTexts(fileText(path)), QStringList({"second file"}));
    EXPECT_TRUE(log.IsLogOpen());
    // Rotation writes no line and leaves the view alone.
    EXPECT_EQ(lineTexts(log.TakeRequestViewText()), QStringList({"first file", "second file"}));
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(LogRotation, SecondRotationWithinOneSecondFailsAndTheLogGoesOn)
{
    log.OpenLog(path);
    log.WriteLog("one");
    waitForNextSecond();
    const QDateTime now = QDateTime::currentDateTime();
    log.NewLog();
    log.WriteLog("two");
    log.NewLog();
    log.WriteLog("three");
    ASSERT_EQ(QDateTime::currentDateTime().time().second(), now.time().second()) << "machine too slow";

    const QString taken = dir.filePath("access" + stampOf(now) + ".log");
    EXPECT_EQ(shownMessages.texts(), QStringList({renameMessage(path, taken)}));
    EXPECT_EQ(lineTexts(fileText(taken)), QStringList({"one"}));
    EXPECT_EQ(lineTexts(fileText(path)), QStringList({"two", "three"}));
    EXPECT_TRUE(log.IsLogOpen());
}

TEST_F(LogRotation, AFileAlreadyUnderTheNewNameIsNeverReplaced)
{
    log.OpenLog(path);
    log.WriteLog("kept");
    waitForNextSecond();
    const QDateTime now = QDateTime::currentDateTime();
    const QString occupied = dir.filePath("access" + stampOf(now) + ".log");
    writeBytes(occupied, "precious");
    log.NewLog();
    ASSERT_EQ(QDateTime::currentDateTime().time().second(), now.time().second()) << "machine too slow";

    EXPECT_EQ(readBytes(occupied), "precious");
    EXPECT_EQ(shownMessages.texts(), QStringList({renameMessage(path, occupied)}));
    log.WriteLog("after");
    EXPECT_EQ(lineTexts(fileText(path)), QStringList({"kept", "after"}));
}

TEST_F(LogRotation, PathWithoutAPointBecomesTheStampInTheCurrentFolder)
{
    QTemporaryDir current;
    ASSERT_TRUE(current.isValid());
    CurrentFolderGuard guard(current.path());
    const QString noPoint = dir.filePath("accesslog");
    ASSERT_FALSE(noPoint.contains('.')) << "temporary folder with a point";
    log.OpenLog(noPoint);
    log.WriteLog("moved");
    log.NewLog();

    const QStringList rotated = rotatedNames(current.path());
    ASSERT_EQ(rotated.size(), 1);
    EXPECT_TRUE(rotated.first().startsWith("_")) << rotated.first().toStdString();
    EXPECT_EQ(rotated.first().size(), 20);
    EXPECT_EQ(lineTexts(fileText(current.filePath(rotated.first()))), QStringList({"moved"}));
    EXPECT_TRUE(QFile::exists(noPoint));
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(LogRotation, PointOnlyInAFolderNameFailsTheRenameAndKeepsTheFile)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("logs.d"));
    const QString inFolder = dir.filePath("logs.d/access");
    log.OpenLog(inFolder);
    log.WriteLog("stays");
    log.NewLog();
    log.WriteLog("appended");

    ASSERT_EQ(shownMessages.texts().size(), 1);
    EXPECT_TRUE(shownMessages.texts().first().startsWith(renameMessage(inFolder, dir.filePath("logs_"))));
    EXPECT_TRUE(shownMessages.texts().first().endsWith(".d/access"));
    EXPECT_EQ(lineTexts(fileText(inFolder)), QStringList({"stays", "appended"}));
}

TEST_F(LogRotation, EmptyPathFailsAtEveryOpenAndFindsNoFileToMove)
{
    log.OpenLog("");
    log.NewLog();
    log.OpenErrorsLog("");
    log.NewErrorsLog();
    EXPECT_EQ(shownMessages.texts(), QStringList({kOpenFailed, kOpenFailed, kErrorsOpenFailed, kErrorsOpenFailed}));
    EXPECT_FALSE(log.IsLogOpen());
    EXPECT_FALSE(log.IsErrorsLogOpen());
}

TEST_F(LogRotation, FileRemovedByHandIsStartedAfresh)
{
    const QString errors = dir.filePath("errors.log");
    log.OpenErrorsLog(errors);
    log.WriteErrorsLog("gone");
    ASSERT_TRUE(QFile::remove(errors));
    log.NewErrorsLog();
    log.WriteErrorsLog("fresh");
    EXPECT_TRUE(rotatedNames(dir.path()).isEmpty());
    EXPECT_EQ(lineTexts(fileText(errors)), QStringList({"fresh"}));
    EXPECT_TRUE(shownMessages.empty());

    // The error log's own rotation, and the request log untouched by it.
    log.OpenLog(path);
    log.WriteLog("request");
    log.NewErrorsLog();
    EXPECT_EQ(rotatedNames(dir.path()).size(), 1);
    EXPECT_TRUE(rotatedNames(dir.path()).first().startsWith("errors_"));
    EXPECT_EQ(lineTexts(fileText(path)), QStringList({"request"}));
}

} // namespace
