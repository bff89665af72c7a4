// Log lines in the files and in the views: format, appending, open failures.
#include "kestraline_log.h"
#include "recorded_messages.h"
#include "log_test_lines.h"
#include "test_support.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testsupport;
using namespace logtest;

namespace {

class LogFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        log.show_message = shownMessages.sink();
    }
    QString fileText(const QString& name) { return QString::fromUtf8(readBytes(dir.filePath(name))); }

    QTemporaryDir dir;
    RecordedMessages shownMessages;
    KESTRALINE_LOG log;
};

TEST_F(LogFile, LinesReachFileAndViewInTheSameForm)
{
    const QDateTime from = QDateTime::currentDateTime();
    log.OpenLog(dir.filePath("access.log"));
    ASSERT_TRUE(log.IsLogOpen());
    log.WriteLog("Server started");
    log.WriteLog("");
    log.WriteLog(QString::fromUtf8("127.0.0.1\tпользователь\tfound=1\tfilename=видео.avi"));
    const QDateTime to = QDateTime::currentDateTime();

    const QString file = fileText("access.log");
    const QStringList expected{"Server started", "", QString::fromUtf8("127.0.0.1\tпользователь\tfound=1\tfilename=видео.avi")};
    EXPECT_EQ(lineTexts(file, from, to), expected);
    // Lines are in the file at once, not when the log is closed.
    EXPECT_EQ(log.TakeRequestViewText(), file);
    EXPECT_EQ(log.TakeRequestViewText(), "");
    EXPECT_TRUE(log.TakeErrorViewText().isEmpty());
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(LogFile, ClosedLogWritesToTheViewOnly)
{
    log.WriteLog("before any open");
    log.OpenLog(dir.filePath("access.log"));
    log.WriteLog("while open");
    log.CloseLog();
    EXPECT_FALSE(log.IsLogOpen());
    log.CloseLog(); // closing a closed log does nothing
    log.WriteLog("after close");

    EXPECT_EQ(lineTexts(fileText("access.log")), QStringList({"while open"}));
    EXPECT_EQ(lineTexts(log.TakeRequestViewText()),
              QStringList({"before any open", "while open", "after close"}));
}

TEST_F(LogFile, OpeningAppendsAndNeverTruncates)
{
    const QString path = dir.filePath("access.log");
    writeBytes(path, "old line\r\n");
    log.OpenLog(path);
    log.WriteLog("new");
    log.CloseLog();
    log.OpenLog(path);
    log.WriteLog("newer");
    log.CloseLog();
    const QString text = fileText("access.log");
    EXPECT_TRUE(text.startsWith("old line\r\n"));
    EXPECT_EQ(lineTexts(text.mid(10)), QStringList({"new", "newer"}));
}

TEST_F(LogFile, OpenFailuresShowTheirLogsMessage)
{
    log.OpenLog("");
    log.OpenErrorsLog("");
    log.OpenLog(dir.filePath("missing-folder/access.log"));
    log.OpenErrorsLog(dir.path()); // a folder
    EXPECT_FALSE(log.IsLogOpen());
    EXPECT_FALSE(log.IsErrorsLogOpen());
    EXPECT_EQ(shownMessages.texts(), QStringList({kOpenFailed, kErrorsOpenFailed, kOpenFailed, kErrorsOpenFailed}));
    log.WriteErrorsLog("only in the view");
    EXPECT_TRUE(log.TakeErrorViewText().endsWith("\tonly in the view\r\n"));
}

TEST_F(LogFile, TheTwoLogsAreIndependent)
{
    log.OpenLog(dir.filePath("access.log"));
    log.OpenErrorsLog(dir.filePath("errors.log"));
    log.WriteLog("request");
    log.WriteErrorsLog("Not authorized\t127.0.0.1\tguest");
    log.CloseErrorsLog();
    EXPECT_TRUE(log.IsLogOpen());
    EXPECT_FALSE(log.IsErrorsLogOpen());
    log.WriteLog("request after the error log closed");

    EXPECT_EQ(lineTexts(fileText("access.log")),
              QStringList({"request", "request after the error log closed"}));
    EXPECT_EQ(lineTexts(fileText("errors.log")), QStringList({"Not authorized\t127.0.0.1\tguest"}));
    EXPECT_EQ(log.TakeErrorViewText(), fileText("errors.log"));
    EXPECT_EQ(log.TakeRequestViewText(), fileText("access.log"));
}

TEST_F(LogFile, LineBreaksInATextCannotForgeLines)
{
    log.OpenErrorsLog(dir.filePath("errors.log"));
    log.WriteErrorsLog("Not authorized\t1.2.3.4\tx\r\n2020-01-01 00:00:00\tforged\nline");
    EXPECT_EQ(lineTexts(fileText("errors.log")),
              QStringList({"Not authorized\t1.2.3.4\tx\\r\\n2020-01-01 00:00:00\tforged\\nline"}));
}

} // namespace
