// The server's core without a window: the start-up, Start, Stop, Restart and the
// exit, and the database switches with the order of their steps.
#include "recorded_messages.h"
#include "server_core.h"
#include "server_ui_fixture.h"

#include "kestraline_error.h"

#include <QFileInfo>
#include <QTcpServer>
#include <gtest/gtest.h>

using namespace server;
using namespace serverui;

namespace {

const QString kAccessNotOpen = QString::fromUtf8("База данных прав доступа не открыта");

// Log lines without their time stamps.
QStringList lines(const QString& viewText)
{
    QStringList texts;
    for (const QString& line : viewText.split("\r\n", Qt::SkipEmptyParts))
        texts << line.section('\t', 1);
    return texts;
}

bool portIsFree(quint16 port)
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, port);
}

class ServerCoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::ensureApplication();
        ASSERT_TRUE(temp.isValid());
        folder = temp.path();
        settings.port = QString::number(testsupport::freeLocalPort());
        settings.accessLog = folder + "/access.log";
        settings.errorsLog = folder + "/errors.log";
    }

    QStringList requestLines() { return lines(core.log().TakeRequestViewText()); }

    QTemporaryDir temp;
    QString folder;
    ServerSettings settings;
    testsupport::RecordedMessages shown;
    ServerCore core {shown.sink(), QStringLiteral("127.0.0.1")};
};

} // namespace

TEST_F(ServerCoreTest, StartUpOpensOnlyWithAProjectFile)
{
    settings.accessDataBase = make_access(folder + "/Access.db", {"Y||alice|secret"});
    settings.videoDataBase = folder + "/missing.db";
    EXPECT_FALSE(core.StartUp(settings));
    EXPECT_FALSE(core.access().opened);
    EXPECT_FALSE(core.Running());
    EXPECT_TRUE(requestLines().isEmpty());

    settings.videoDataBase = make_project(folder + "/project", 3);
    EXPECT_TRUE(core.StartUp(settings));
    EXPECT_TRUE(core.access().opened);
    EXPECT_EQ(core.access().user_count(), 1);
    EXPECT_TRUE(core.Running());
    EXPECT_EQ(core.Port(), settings.port.toUShort());
    EXPECT_EQ(core.finder().database, settings.videoDataBase);
    EXPECT_EQ(core.finder().video_count(), 3);
    EXPECT_EQ(core.finder().loaded.load(), 0); // the loading comes later
    EXPECT_EQ(requestLines(), QStringList{"Server started"});
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(core.Searching());
    core.StartSearchThread();
    EXPECT_TRUE(core.Searching());
}

// Without its access database the service starts all the same; with a project
// that does not open it keeps running with no videos.
TEST_F(ServerCoreTest, StartUpRunsTheServiceWhateverTheDatabasesSay)
{
    settings.videoDataBase = folder + "/junk.db";
    write_text(settings.videoDataBase, QString(3000, QChar('j')));
    EXPECT_FALSE(core.StartUp(settings));
    EXPECT_TRUE(core.Running());
    EXPECT_EQ(shown.texts(), QStringList({kAccessNotOpen, QString::fromUtf8("Ошибка открытия базы данных")}));
}

TEST_F(ServerCoreTest, StartUpErrorsEscapeWithNothingListening)
{
    QTcpServer blocker;
    ASSERT_TRUE(blocker.listen(QHostAddress::LocalHost, 0));
    struct Case {
        const char* name;
        QString project, port, errorNames;
    };
    const QString noTable = folder + "/empty.db";
    write_text(noTable, QString());
    const QString free = QString::number(testsupport::freeLocalPort());
    const Case cases[] = {
        {"taken port", make_project(folder + "/project", 1), QString::number(blocker.serverPort()),
         QString::number(blocker.serverPort())},
        {"project without its table", noTable, free, "video"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServerCore other {MessageSink(), QStringLiteral("127.0.0.1")};
        settings.videoDataBase = c.project;
        settings.port = c.port;
        try {
            other.StartUp(settings);
            ADD_FAILURE() << "no error";
        } catch (const KestralineError& e) {
            EXPECT_TRUE(e.message().contains(c.errorNames)) << e.what();
        }
        EXPECT_FALSE(other.Running());
        if (c.port == free) { // it listened before the select failed
            EXPECT_TRUE(portIsFree(free.toUShort()));
        }

    }
}

TEST_F(ServerCoreTest, StartStopRestartLogAndCountAsTheServiceGoes)
{
    ASSERT_TRUE(core.Start(settings));
    core.stat().Raise(found_count);
    core.stat().Save();
    EXPECT_TRUE(core.Start(settings)); // running: nothing more
    EXPECT_EQ(core.stat().totals[found_count], 1);

    core.Stop();
    EXPECT_FALSE(core.Running());
    EXPECT_EQ(core.stat().totals[found_count], 1); // Stop keeps the statistics
    core.Stop(); // stopped: one more line, to the view only
    EXPECT_EQ(requestLines(), QStringList({"Server started", "Server stopped", "Server stopped"}));
    EXPECT_EQ(read_text(settings.accessLog).count("Server stopped"), 1);

    EXPECT_TRUE(core.Restart(settings)); // a stopped service starts
    EXPECT_TRUE(core.Running());
    EXPECT_EQ(requestLines(), QStringList({"Server stopped", "Server started"}));
    EXPECT_EQ(core.stat().totals[found_count], 0); // Start clears the statistics

    // A taken port: the error escapes, no line, the statistics stay.
    QTcpServer blocker;
    ASSERT_TRUE(blocker.listen(QHostAddress::LocalHost, 0));
    core.Stop();
    core.stat().Raise(found_count);
    core.stat().Save();
    settings.port = QString::number(blocker.serverPort());
    EXPECT_THROW(core.Start(settings), KestralineError);
    EXPECT_FALSE(core.Running());
    EXPECT_EQ(requestLines(), QStringList{"Server stopped"});
    EXPECT_EQ(core.stat().totals[found_count], 1);
}

TEST_F(ServerCoreTest, AfterTheExitNothingStartsTheService)
{
    ASSERT_TRUE(core.Start(settings));
    core.Exit();
    EXPECT_FALSE(core.Running());
    EXPECT_FALSE(core.Start(settings));
    EXPECT_FALSE(core.Restart(settings));
    settings.videoDataBase = make_project(folder + "/project", 1);
    EXPECT_TRUE(core.SwitchProject(settings, [] {}, [] {}));
    EXPECT_FALSE(core.Running());
    EXPECT_EQ(requestLines(), QStringList({"Server started", "Server stopped", "Server stopped",
                                           "Server stopped"}));
}

// The switch of the project database: stop, store the settings, open, load, and
// start again only when the service ran and the project opened.
TEST_F(ServerCoreTest, SwitchingTheProjectStopsStoresOpensLoadsAndRestarts)
{
    struct Case {
        const char* name;
        bool running, opens;
    };
    const Case cases[] = {{"running", true, true}, {"stopped", false, true}, {"missing project", true, false}};
    const QString project = make_project(folder + "/project", 2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.running)
            ASSERT_TRUE(core.Start(settings));
        else
            core.Stop();
        requestLines();
        settings.videoDataBase = c.opens ? project : folder + "/missing.db";
        QStringList steps;
        const auto step = [&](const QString& name) { steps << name + (core.Running() ? " running" : " stopped"); };
        const bool opened = core.SwitchProject(
            settings, [&] { step("store"); },
            [&] {
                step("load");
                while (core.finder().LoadData()) {
                }
            });
        EXPECT_EQ(opened, c.opens);
        EXPECT_EQ(steps, c.opens ? QStringList({"store stopped", "load stopped"}) : QStringList{"store stopped"});
        EXPECT_EQ(core.Running(), c.running && c.opens);
        QStringList expected{"Server stopped"};
        if (c.running && c.opens)
            expected << "Server started";
        EXPECT_EQ(requestLines(), expected);
    }
    EXPECT_EQ(core.finder().loaded.load(), 2);
}

TEST_F(ServerCoreTest, SwitchingOrCreatingTheAccessDatabaseStoresReadsAndRestarts)
{
    settings.accessDataBase = make_access(folder + "/Access.db", {"Y||alice|a", "N||bob|b"});
    QStringList steps;
    const auto store = [&] { steps << (core.access().opened ? "store open" : "store closed"); };
    EXPECT_TRUE(core.SwitchAccess(settings, store));
    EXPECT_EQ(core.access().user_count(), 2);
    EXPECT_TRUE(core.Running()); // started although it was stopped

    settings.accessDataBase = folder + "/New.db";
    EXPECT_TRUE(core.CreateAccess(settings, store));
    EXPECT_TRUE(core.access().opened);
    EXPECT_EQ(core.access().user_count(), 0);
    EXPECT_EQ(steps, QStringList({"store closed", "store open"})); // stored after the create
    EXPECT_EQ(requestLines(), QStringList({"Server stopped", "Server started", "Server stopped", "Server started"}));

    settings.accessDataBase = folder + "/none.db";
    EXPECT_FALSE(core.SwitchAccess(settings, store));
    EXPECT_EQ(shown.texts(), QStringList{kAccessNotOpen});
    EXPECT_TRUE(core.Running());
    EXPECT_TRUE(QFileInfo::exists(folder + "/New.db"));
}
