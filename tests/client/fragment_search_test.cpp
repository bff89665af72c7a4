// The search of one fragment without a window, with a scripted analysis tool and
// server; the frame count field's rules and the results grid's rows.
#include "answer_rows.h"
#include "client_test_doubles.h"
#include "fragment_search.h"
#include "frame_count.h"
#include "search_request.h"
#include "search_transport.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace client;

namespace {

class FragmentSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::ensureApplication();
        ASSERT_TRUE(folder.isValid());
        programFolder = folder.path() + "/bin 'x'";
        QDir().mkpath(programFolder);
    }

    void installTool(const QByteArray& fragment) { testsupport::installFakeAnalyzer(programFolder, fragment); }
    QStringList toolArguments() const { return testsupport::fakeAnalyzerArguments(programFolder); }

    QTemporaryDir folder;
    QString programFolder;
    testsupport::ScriptedTransport transport;
    const ConnectionSettings settings{"127.0.0.1", "1080", "qoda", "580264"};
};

TEST_F(FragmentSearchTest, RunsTheToolWithoutAShellAndPostsWhatItWrote)
{
    const QByteArray fragment(150, '\x7f');
    installTool(fragment);
    transport.reply = {SearchExchange::Answered, "<xml>\n</xml>\n"};
    // A comma decimal separator must not reach the tool's command line.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString video = folder.path() + "/a \"b\" $HOME `id`.mp4";
    const QString currentBefore = QDir::currentPath();

    FragmentSearch search(programFolder, transport);
    const FragmentSearchResult result = search.Run(settings, video, 125000000, 25.0, "50");
    QLocale::setDefault(QLocale::c());

    EXPECT_EQ(result.outcome, FragmentSearchResult::Answered);
    EXPECT_EQ(result.answer, "<xml>\n</xml>\n");
    EXPECT_EQ(toolArguments(), QStringList({video, programFolder + "/KestralineClient.tmp", "12.5", "2.016"}));
    EXPECT_EQ(QString::fromUtf8(testsupport::readBytes(programFolder + "/cwd.txt")).trimmed(), programFolder);
    EXPECT_EQ(QDir::currentPath(), currentBefore);
    ASSERT_EQ(transport.requests.size(), 1);
    EXPECT_EQ(transport.requests[0].url.toString(), "http://127.0.0.1:1080/post");
    EXPECT_EQ(transport.requests[0].user, "qoda");
    EXPECT_EQ(transport.requests[0].password, "580264");
    EXPECT_EQ(transport.requests[0].body, search_request_body(fragment));
    // The request file of the last search stays.
    EXPECT_EQ(testsupport::readBytes(programFolder + "/KestralineClient.tmp"), fragment);
}

TEST_F(FragmentSearchTest, AnOldRequestFileIsNeverSentAgain)
{
    installTool({});
    testsupport::writeBytes(programFolder + "/KestralineClient.tmp", QByteArray(30, 'x'));
    FragmentSearch search(programFolder, transport);
    EXPECT_EQ(search.Run(settings, "/nowhere.mp4", 0, 25.0, "junk").outcome, FragmentSearchResult::NoRequestFile);
    EXPECT_TRUE(transport.requests.isEmpty());
    EXPECT_FALSE(QFile::exists(programFolder + "/KestralineClient.tmp"));
    // Junk in the frame count field asks for 50 frames; position 0 starts at 0.
    EXPECT_EQ(toolArguments().mid(2), QStringList({"0", "2.016"}));
}

TEST(FrameCount, FieldIsClampedOnLeavingAndJunkCountsAsFifty)
{
    EXPECT_EQ(clamped_frame_count_text("5"), "10");
    EXPECT_EQ(clamped_frame_count_text("2000"), "1000");
    EXPECT_EQ(clamped_frame_count_text("abc"), "50");
    EXPECT_EQ(clamped_frame_count_text("60"), "60");
    EXPECT_EQ(clamped_frame_count_text("-7"), "10");
    // The search itself reads the field unclamped.
    EXPECT_EQ(frame_count_from_text("2000"), 2000);
    EXPECT_EQ(frame_count_from_text(""), 50);
    EXPECT_EQ(frame_count_from_text("12abc"), 50);
}

QStringList lines(const char* text)
{
    return QString::fromUtf8(text).split("\r\n");
}

TEST(AnswerRows, FillsTheTwelveRowsAsTheAnswerGivesThem)
{
    QStringList values;
    fill_answer_rows(values, lines("<xml>\r\n<result>OK</result>\r\n<found>1</found>\r\n<querylen>150</querylen>\r\n"
                                   "<position>4</position>\r\n<framepos>100</framepos>\r\n<id>2</id>\r\n"
                                   "<filename>a<b.mp4</filename>\r\n<fps>25</fps>\r\n<duration>10</duration>\r\n"
                                   "<frames>250</frames>\r\n<width>640</width>\r\n<height>480</height>\r\n"
                                   "<comment>x > y</comment>\r\n</xml>\r\n"));
    EXPECT_EQ(values, QStringList({"1", "50", "4", "100", "2", "a", "25", "10", "250", "640", "480", "x "}));

    // The next answer lacks the comment and repeats framepos: the comment stays,
    // the later framepos wins; unknown names and lines without "<" change nothing.
    fill_answer_rows(values, lines("<xml>\r\n<found>0</found>\r\n<querylen>151</querylen>\r\n<framepos>7</framepos>\r\n"
                                   "<framepos>8</framepos>\r\n<Comment>no</Comment>\r\n<other>9</other>\r\nplain\r\n"));
    EXPECT_EQ(values[0], "0");
    EXPECT_EQ(values[1], "50");
    EXPECT_EQ(values[3], "8");
    EXPECT_EQ(values[11], "x ");

    fill_answer_rows(values, lines("<querylen></querylen>"));
    EXPECT_EQ(values[1], "");
    fill_answer_rows(values, lines("<querylen>abc</querylen>"));
    EXPECT_EQ(values[1], "0");
}

} // namespace
