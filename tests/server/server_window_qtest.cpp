// The server's main window: start-up, settings file, command line, service
// control and the handlers of the settings page.
#include "server_ui_fixture.h"

#include "full_disk.h"
#include "kestraline_access.h"
#include "kestraline_error.h"
#include "kestraline_finder.h"
#include "server_core.h"
#include "loading_dialog.h"
#include "scripted_dialogs.h"
#include "string_grid.h"
#include "port_number.h"
#include "server_settings.h"
#include "tform1.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QTableWidget>
#include <QTcpServer>
#include <QtTest>
#include <memory>

using namespace server;
using namespace serverui;

namespace {

// A main window over a temporary program folder, with its loading dialog, serving
// on 127.0.0.1 only.
struct Server {
    explicit Server(const QString& folder, const QStringList& arguments = {})
        : form(folder, arguments, "127.0.0.1"), core(form.core()), loading(core.finder(), &form)
    {
        form.Form2 = &loading;
        form.Terminate = [this] { ++terminated; };
        // The tests tick the status bar and the views by hand.
        form.Timer2.stop();
        form.Timer3.stop();
    }
    TForm1 form;
    ServerCore& core;
    TForm2 loading;
    int terminated = 0;
};

QString ini_of(const QString& folder)
{
    return server_settings_path(folder);
}

// Constructs the main window as the start-up function does; the text of the error
// that ended the construction, or a null text when none did.
QString startUpError(const QString& folder, const QStringList& arguments)
{
    try {
        TForm1 form(folder, arguments, "127.0.0.1");
    } catch (const KestralineError& e) {
        return e.message();
    }
    return QString();
}

bool portIsFree(quint16 port)
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, port);
}

} // namespace

class ServerWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> temp;
    QString folder;

private slots:
    void init()
    {
        temp = std::make_unique<QTemporaryDir>();
        folder = temp->path();
    }

    void firstRunInAnEmptyFolder()
    {
        ScriptedDialogs dialogs;
        {
            Server s(folder);
            QCOMPARE(s.form.Edit3->text(), QString("1080"));
            QCOMPARE(s.form.Edit4->text(), folder + "/access.log");
            QCOMPARE(s.form.Edit5->text(), folder + "/errors.log");
            QVERIFY(s.form.Edit1->text().isEmpty());
            QVERIFY(s.form.Edit2->text().isEmpty());
            QVERIFY(!s.core.Running());
            QVERIFY(!s.form.Timer1.isActive());
            QVERIFY(!s.core.access().opened);
            QVERIFY(!QFileInfo::exists(ini_of(folder)));
            QVERIFY(s.core.Searching());
            s.form.close();
        }
        // Closing the window writes all five keys.
        const QString ini = read_text(ini_of(folder));
        QVERIFY(ini.contains("[Common]"));
        QVERIFY(ini.contains("Port=1080"));
        QVERIFY(ini.contains("VideoDataBase=\n") || ini.contains("VideoDataBase=\r\n"));
        QVERIFY(ini.contains("access=" + folder + "/access.log"));
        QVERIFY(ini.contains("errors=" + folder + "/errors.log"));
        QVERIFY(dialogs.shown.isEmpty());
    }

    void settingsWithoutLogsEmptyTheLogFields()
    {
        ScriptedDialogs dialogs;
        const quint16 port = testsupport::freeLocalPort();
        write_text(ini_of(folder), QString("[Common]\nPort=%1\n").arg(port));
        Server s(folder);
        QVERIFY(s.form.Edit4->text().isEmpty());
        QVERIFY(s.form.Edit5->text().isEmpty());
        QCOMPARE(s.form.Edit3->text(), QString::number(port));
        s.form.BitBtn3Click();
        QVERIFY(s.core.Running());
        QCOMPARE(dialogs.texts(), QStringList({"Ошибка открытия лог-файла!",
                                               "Ошибка открытия лог-файла с сообщениями об ошибках!"}));
    }

    void twoArgumentsGiveProjectAndPort()
    {
        ScriptedDialogs dialogs;
        const QString project = make_project(folder + "/project", 3);
        const QString access = make_access(folder + "/Access.db", {"Y||alice|secret"});
        write_text(ini_of(folder), "[Common]\nPort=1\nVideoDataBase=/nowhere.db\nAccessDataBase=" + access +
                                       "\n[Logs]\naccess=" + folder + "/a.log\nerrors=" + folder + "/e.log\n");
        const quint16 port = testsupport::freeLocalPort();
        {
            Server s(folder, {project, QString::number(port)});
            QCOMPARE(s.form.Edit1->text(), project);
            QCOMPARE(s.form.Edit3->text(), QString::number(port));
            QCOMPARE(s.form.Edit2->text(), access);
            QVERIFY(s.core.access().opened);
            QVERIFY(s.core.Running());
            QCOMPARE(s.core.Port(), port);
            QCOMPARE(s.core.finder().database, project);
            QCOMPARE(s.core.finder().video_count(), 3);
            QVERIFY(s.form.Timer1.isActive());
            QCOMPARE(s.form.Timer1.interval(), 1000);
            // The one-shot timer shows the loading dialog, which loads all three videos.
            s.form.Timer1Timer();
            QVERIFY(!s.form.Timer1.isActive());
            QTRY_COMPARE(s.core.finder().loaded.load(), 3);
            s.form.close();
        }
        QVERIFY(dialogs.texts("error").isEmpty());
        // The command line's values reach the settings file at the next write.
        const QString ini = read_text(ini_of(folder));
        QVERIFY(ini.contains("VideoDataBase=" + project));
        QVERIFY(ini.contains(QString("Port=%1").arg(port)));
    }

    void threeArgumentsGiveTheAccessDatabase()
    {
        ScriptedDialogs dialogs;
        const QString project = make_project(folder + "/project", 1);
        const QString access = make_access(folder + "/Other.db", {"Y||bob|pw", "N|10.0.0.5|eve|x"});
        Server s(folder, {project, QString::number(testsupport::freeLocalPort()), access, "ignored"});
        QCOMPARE(s.form.Edit2->text(), access);
        QVERIFY(s.core.access().opened);
        QCOMPARE(s.form.StringGrid2->rowCount(), 2);
    }

    void projectPathNamingNoFileOpensNothing()
    {
        ScriptedDialogs dialogs;
        const QString access = make_access(folder + "/Access.db", {"Y||alice|secret"});
        write_text(ini_of(folder), "[Common]\nPort=1080\nAccessDataBase=" + access + "\n");
        Server s(folder, {folder + "/missing.db"});
        QVERIFY(!s.core.access().opened);
        QVERIFY(!s.core.Running());
        QVERIFY(!s.form.Timer1.isActive());
        QVERIFY(dialogs.shown.isEmpty());
    }

    void missingAccessDatabaseStillStartsTheService()
    {
        ScriptedDialogs dialogs;
        const QString project = make_project(folder + "/project", 1);
        Server s(folder, {project, QString::number(testsupport::freeLocalPort())});
        QVERIFY(!s.core.access().opened);
        QVERIFY(s.core.Running());
        QCOMPARE(dialogs.texts(), QStringList({"База данных прав доступа не открыта"}));
    }

    // An error that the access list or the engine lets through at start-up ends the
    // window's construction with that error; the messages shown before it stay, the
    // files are not changed, and nothing is left listening.
    void emptyProjectAtStartUpEndsTheConstruction()
    {
        ScriptedDialogs dialogs;
        const QString project = folder + "/empty.db";
        const QString access = folder + "/junk.db";
        write_text(project, QString());
        write_text(access, QString(2000, QChar('x')));
        const quint16 port = testsupport::freeLocalPort();
        // The junk access file does not connect; the empty project has no table,
        // which the engine finds after the service was started.
        const QString error = startUpError(folder, {project, QString::number(port), access});
        QVERIFY2(error.contains("video"), qPrintable(error));
        QCOMPARE(dialogs.texts(), QStringList({"Ошибка открытия базы данных прав доступа",
                                               "База данных прав доступа не открыта"}));
        QVERIFY(portIsFree(port));
        QCOMPARE(QFileInfo(project).size(), 0);
        QCOMPARE(read_text(access), QString(2000, QChar('x')));
        QVERIFY(!QFileInfo::exists(ini_of(folder)));
    }

    void accessDatabaseWithoutItsTableEndsTheStartUpBeforeTheService()
    {
        ScriptedDialogs dialogs;
        const QString project = folder + "/junk.db";
        const QString access = folder + "/empty.db";
        write_text(project, QString(3000, QChar('j')));
        write_text(access, QString());
        const quint16 port = testsupport::freeLocalPort();
        const QString error = startUpError(folder, {project, QString::number(port), access});
        QVERIFY2(error.contains("access"), qPrintable(error));
        // The project was never looked at: its message is not shown.
        QVERIFY(dialogs.texts().isEmpty());
        QVERIFY(portIsFree(port));
        QVERIFY(!QFileInfo::exists(folder + "/access.log"));
        QCOMPARE(QFileInfo(access).size(), 0);
    }

    void takenPortAtStartUpEndsTheConstruction()
    {
        ScriptedDialogs dialogs;
        QTcpServer blocker;
        QVERIFY(blocker.listen(QHostAddress::LocalHost, 0));
        const QString project = make_project(folder + "/project", 2);
        const QString access = make_access(folder + "/Access.db", {});
        const QString error = startUpError(folder, {project, QString::number(blocker.serverPort()), access});
        QVERIFY2(error.contains(QString::number(blocker.serverPort())), qPrintable(error));
        QVERIFY(!QFileInfo::exists(folder + "/access.log"));
    }

    // The same errors from a handler leave the window running with the service
    // stopped.
    void takenPortFromTheFieldKeepsTheProgramUsable()
    {
        ScriptedDialogs dialogs;
        const QString project = make_project(folder + "/project", 2);
        Server s(folder, {project, QString::number(testsupport::freeLocalPort())});
        QVERIFY(s.core.Running());
        QTcpServer blocker;
        QVERIFY(blocker.listen(QHostAddress::LocalHost, 0));
        s.form.Edit3->setText(QString::number(blocker.serverPort()));
        s.form.Edit3Exit();
        QCOMPARE(dialogs.texts("error").size(), 1);
        QVERIFY(!s.core.Running());
        QCOMPARE(s.core.finder().database, project);
        // The user moves to a free port: the service comes up there.
        const quint16 free = testsupport::freeLocalPort();
        s.form.Edit3->setText(QString::number(free));
        s.form.Edit3Exit();
        QVERIFY(s.core.Running());
        QCOMPARE(s.core.Port(), free);
    }

    // The buttons drive the core's Start, Stop and Restart with the fields' settings.
    void buttonsStartStopAndRestartTheService()
    {
        ScriptedDialogs dialogs;
        Server s(folder);
        const quint16 port = testsupport::freeLocalPort();
        s.form.Edit3->setText(QString::number(port));
        s.form.Edit4->setText(folder + "/requests.log");
        s.form.BitBtn3Click();
        QVERIFY(s.core.Running());
        QCOMPARE(s.core.Port(), port);
        s.form.BitBtn2Click();
        QVERIFY(!s.core.Running());
        s.form.BitBtn1Click();
        QVERIFY(s.core.Running());
        QCOMPARE(read_text(folder + "/requests.log").count("Server started"), 2);
        QVERIFY(dialogs.shown.isEmpty());
    }

    void exitStopsWithoutWritingSettings()
    {
        ScriptedDialogs dialogs;
        const QString project = make_project(folder + "/project", 1);
        const QString before = "[Common]\nPort=" + QString::number(testsupport::freeLocalPort()) +
                               "\nVideoDataBase=" + project + "\n";
        write_text(ini_of(folder), before);
        Server s(folder);
        QVERIFY(s.core.Running());
        s.form.Edit3->setText("4321");
        s.form.N11Click();
        QCOMPARE(s.terminated, 1);
        QVERIFY(!s.core.Running());
        QVERIFY(s.core.log().TakeRequestViewText().contains("Server stopped"));
        QCOMPARE(read_text(ini_of(folder)), before);
    }

    // A kill can end the program while a dialog runs its own event loop (here the
    // loading dialog after the project field was left); the handler that showed the
    // dialog goes on after the exit and must not start the service again.
    void exitDuringTheLoadingDialogKeepsTheServiceStopped()
    {
        ScriptedDialogs dialogs;
        const QString project = make_project(folder + "/project", 3);
        Server s(folder, {project, QString::number(testsupport::freeLocalPort())});
        QVERIFY(s.core.Running());
        s.form.Terminate = [&s] {
            ++s.terminated;
            s.loading.reject(); // the exit leaves the dialog's event loop
        };
        QObject::connect(&s.loading.Timer1, &QTimer::timeout, &s.form, [&s] { s.form.N11Click(); },
                         Qt::SingleShotConnection);
        s.core.log().TakeRequestViewText();
        s.form.Edit1Exit();
        QCOMPARE(s.terminated, 1);
        QVERIFY(!s.core.Running());
        const QString lines = s.core.log().TakeRequestViewText();
        QVERIFY(lines.contains("Server stopped"));
        QVERIFY(!lines.contains("Server started"));
        s.form.BitBtn3Click();
        QVERIFY(!s.core.Running());
    }

    void settingsFileThatCannotBeWrittenIsReported()
    {
        ScriptedDialogs dialogs;
        QVERIFY(QDir().mkdir(ini_of(folder))); // a folder where the file should be
        Server s(folder);
        s.form.show();
        s.form.close();
        QVERIFY(!s.form.isVisible());
        QCOMPARE(dialogs.texts("error"), QStringList{"Ошибка записи файла настроек: " + ini_of(folder)});
        s.form.Edit3->setText(QString::number(testsupport::freeLocalPort()));
        s.form.Edit3Exit();
        QCOMPARE(dialogs.texts("error").size(), 2);
    }

    // The program folder on a full disk: leaving the port field shows the box, and
    // the settings file keeps its bytes for the next start.
    void settingsOnAFullDiskStayAsTheyWere()
    {
        testsupport::SmallDisk disk(64 * 1024);
        if (!disk.isMounted())
            QSKIP(qPrintable(disk.refusal()));
        const QString ini = ini_of(disk.path());
        const QByteArray before = ("[Common]\r\nPort=1080\r\nVideoDataBase=\r\nAccessDataBase=\r\n[Logs]\r\naccess=" +
                                   folder + "/access.log\r\nerrors=" + folder + "/errors.log\r\n")
                                      .toUtf8();
        testsupport::writeBytes(ini, before);
        ScriptedDialogs dialogs;
        Server s(disk.path());
        disk.fill();
        s.form.Edit3->setText(QString::number(testsupport::freeLocalPort()));
        s.form.Edit3Exit();
        QCOMPARE(dialogs.texts("error"), QStringList{"Ошибка записи файла настроек: " + ini});
        QCOMPARE(testsupport::readBytes(ini), before);
    }

    void closingWritesSettingsAndLogsNothing()
    {
        ScriptedDialogs dialogs;
        const QString project = make_project(folder + "/project", 1);
        Server s(folder, {project, QString::number(testsupport::freeLocalPort())});
        s.core.log().TakeRequestViewText();
        s.form.Edit4->setText(folder + "/other.log");
        s.form.close();
        QVERIFY(!s.core.log().TakeRequestViewText().contains("Server stopped"));
        QVERIFY(read_text(ini_of(folder)).contains("access=" + folder + "/other.log"));
    }

    void portFieldIsClampedWhenLeft_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("above") << "70000" << "65535";
        QTest::newRow("zero") << "0" << "1";
        QTest::newRow("negative") << "-5" << "1";
        QTest::newRow("text") << "abc" << "1080";
    }

    void portFieldIsClampedWhenLeft()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        ScriptedDialogs dialogs;
        Server s(folder);
        s.form.Edit3->setText(typed);
        s.form.Edit3Exit();
        QCOMPARE(s.form.Edit3->text(), shown);
        QCOMPARE(s.core.Port(), quint16(shown.toUInt()));
        QVERIFY(read_text(ini_of(folder)).contains("Port=" + shown));
        // Leaving the field restarts the service, also when it was stopped (the
        // port may be taken or need privileges here; then the error box shows it).
        QVERIFY(s.core.Running() || dialogs.texts("error").size() == 1);
    }

    void portFromTheCommandLineIsNotChangedInTheField()
    {
        ScriptedDialogs dialogs;
        const QString project = make_project(folder + "/project", 1);
        Server s(folder, {project, "99999"});
        QCOMPARE(s.form.Edit3->text(), QString("99999"));
        QCOMPARE(s.core.Port(), quint16(65535));
    }

    void leavingTheProjectFieldReopensAndRestarts()
    {
        ScriptedDialogs dialogs;
        const QString first = make_project(folder + "/first", 1);
        const QString second = make_project(folder + "/second", 3);
        Server s(folder, {first, QString::number(testsupport::freeLocalPort())});
        s.form.Timer1Timer();
        s.form.Edit1->setText(second);
        s.form.Edit1Exit();
        QCOMPARE(s.core.finder().database, second);
        QCOMPARE(s.core.finder().loaded.load(), 3);  // the modal loading dialog has run
        QVERIFY(s.core.Running());
        QCOMPARE(s.form.StringGrid1->rowCount(), 3);
        QVERIFY(read_text(ini_of(folder)).contains("VideoDataBase=" + second));
        const QString lines = s.core.log().TakeRequestViewText();
        QVERIFY(lines.lastIndexOf("Server stopped") < lines.lastIndexOf("Server started"));

        // Stopped before: stays stopped after the project is reopened.
        s.form.BitBtn2Click();
        s.form.Edit1Exit();
        QVERIFY(!s.core.Running());
        QCOMPARE(s.core.finder().loaded.load(), 3);
    }

    void aProjectThatDoesNotOpenLeavesTheServiceStopped()
    {
        ScriptedDialogs dialogs;
        const QString project = make_project(folder + "/project", 2);
        Server s(folder, {project, QString::number(testsupport::freeLocalPort())});
        dialogs.files.enqueue({folder + "/missing.db"});
        s.form.BitBtn4Click();
        QCOMPARE(dialogs.texts(), QStringList({"База данных прав доступа не открыта",
                                               "Ошибка открытия базы данных"}));
        QVERIFY(!s.core.Running());
        QCOMPARE(s.form.Edit1->text(), folder + "/missing.db");
        QCOMPARE(dialogs.shown.at(1).text, QString("Kestraline.db"));
        // A cancelled dialog changes nothing.
        s.form.BitBtn4Click();
        QCOMPARE(s.form.Edit1->text(), folder + "/missing.db");
        // A project without its table: the error box, the service stays stopped.
        const QString foreign = make_access(folder + "/foreign.db", {});
        s.form.BitBtn3Click();
        s.form.Edit1->setText(foreign);
        s.form.Edit1Exit();
        QCOMPARE(dialogs.texts("error").size(), 1);
        QVERIFY(!s.core.Running());
    }

    void changingTheAccessDatabaseRestartsTheService()
    {
        ScriptedDialogs dialogs;
        const QString access = make_access(folder + "/Access.db", {"Y||alice|a", "N||bob|b"});
        Server s(folder);
        s.form.Edit3->setText(QString::number(testsupport::freeLocalPort()));
        QVERIFY(!s.core.Running());
        dialogs.files.enqueue({access});
        s.form.BitBtn5Click();
        QVERIFY(s.core.Running());  // started although it was stopped
        QVERIFY(s.core.access().opened);
        QCOMPARE(s.form.StringGrid2->rowCount(), 2);
        QVERIFY(read_text(ini_of(folder)).contains("AccessDataBase=" + access));

        // A missing access database: the message, and the service runs on.
        s.form.Edit2->setText(folder + "/none.db");
        s.form.Edit2Exit();
        QCOMPARE(dialogs.texts(), QStringList({"База данных прав доступа не открыта"}));
        QVERIFY(s.core.Running());
        QVERIFY(!s.core.access().opened);
    }

    void newAccessDatabaseOverAnExistingFile()
    {
        ScriptedDialogs dialogs;
        const QString path = make_access(folder + "/Access.db", {"Y||alice|a"});
        Server s(folder);
        s.form.Edit3->setText(QString::number(testsupport::freeLocalPort()));

        dialogs.files.enqueue({path});
        dialogs.answers.enqueue(false);  // No: nothing changes
        s.form.N9Click();
        QCOMPARE(dialogs.shown.last().kind, QString("question"));
        QCOMPARE(dialogs.shown.last().text, QString("Перезаписать существующую бпазу данных?"));
        QCOMPARE(dialogs.shown.last().caption, QString("Файл уже существует"));
        QVERIFY(testsupport::sqliteShell(path, "select user from access;").contains("alice"));
        QVERIFY(s.form.Edit2->text().isEmpty());
        QVERIFY(!s.core.Running());

        dialogs.files.enqueue({path});
        dialogs.answers.enqueue(true);
        s.form.N9Click();
        QCOMPARE(s.form.Edit2->text(), path);
        QVERIFY(s.core.access().opened);
        QVERIFY(!testsupport::sqliteShell(path, "select user from access;").contains("alice"));
        QCOMPARE(s.form.StringGrid2->rowCount(), 1);  // one empty row
        QVERIFY(s.core.Running());
        QVERIFY(read_text(ini_of(folder)).contains("AccessDataBase=" + path));
    }

    void aFileThatCannotBeDeletedIsKept()
    {
        ScriptedDialogs dialogs;
        // A folder stands where the new access database should go.
        QDir().mkpath(folder + "/taken.db/inside");
        Server s(folder);
        dialogs.files.enqueue({folder + "/taken.db"});
        dialogs.answers.enqueue(true);
        s.form.N9Click();
        QCOMPARE(dialogs.texts(), QStringList({"Ошибка удаления файла!"}));
        QVERIFY(s.form.Edit2->text().isEmpty());
        QVERIFY(QFileInfo::exists(folder + "/taken.db/inside"));
        QVERIFY(!QFileInfo::exists(ini_of(folder)));
    }

    void logChoosersShowTheRestartHint()
    {
        ScriptedDialogs dialogs;
        const QString hint = "Чтобы изменения вступили в силу нажмите кнопку [Рестарт]";
        Server s(folder);
        dialogs.files.enqueue({folder + "/req.log"});
        s.form.BitBtn6Click();
        QCOMPARE(s.form.Edit4->text(), folder + "/req.log");
        s.form.BitBtn7Click();  // cancelled: no hint
        s.form.Edit5Exit();
        s.form.Edit4Exit();
        QCOMPARE(dialogs.texts(), QStringList({hint, hint, hint}));
        QVERIFY(!QFileInfo::exists(ini_of(folder)));
        // Each chooser offers the name last chosen in it, the other one none yet.
        s.form.BitBtn6Click();
        s.form.BitBtn7Click();
        QCOMPARE(dialogs.texts("save"), QStringList({QString(), QString(), folder + "/req.log", QString()}));
    }

    void settingsFileKeepsTextsAsTheyStand()
    {
        const QString path = ini_of(folder);
        ServerSettings unread;
        QVERIFY(!read_server_settings(path, unread));  // no file: nothing changes
        QCOMPARE(unread.port, QString("1080"));

        ServerSettings written;
        written.port = "abc";
        written.videoDataBase = folder + "/видео, \"проект\".db";
        written.accessDataBase = "";
        written.accessLog = " spaced.log ";
        written.errorsLog = folder + "/e=rrors.log";
        QVERIFY(write_server_settings(path, written));
        ServerSettings read;
        read.accessDataBase = "kept?";
        QVERIFY(read_server_settings(path, read));
        QCOMPARE(read.port, written.port);
        QCOMPARE(read.videoDataBase, written.videoDataBase);
        QCOMPARE(read.accessDataBase, QString());
        QCOMPARE(read.errorsLog, written.errorsLog);

        // Junk lines and missing keys: the defaults of a present file.
        write_text(path, "garbage\n[Logs]\nerrors\n[Common\nPort=\n");
        ServerSettings junk;
        junk.accessLog = "before";
        QVERIFY(read_server_settings(path, junk));
        QCOMPARE(junk.accessLog, QString());
        QVERIFY(junk.videoDataBase.isEmpty());
        QCOMPARE(listening_port(junk.port), quint16(1080));
        QCOMPARE(listening_port("abc"), quint16(1080));
        QCOMPARE(listening_port("70000"), quint16(65535));
        QCOMPARE(listening_port("-1"), quint16(1));
        QCOMPARE(listening_port("99999999999999"), quint16(1080));
    }

    void leavingAFieldByFocusRunsItsHandler()
    {
        ScriptedDialogs dialogs;
        Server s(folder);
        s.form.show();
        QVERIFY(QTest::qWaitForWindowActive(&s.form));
        s.form.Edit4->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(s.form.Edit4->hasFocus());
        s.form.Edit5->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(dialogs.texts().size(), 1);
    }

    // The menus' keys reach their items while the cursor is in a settings field, and
    // the field keeps its text (a text field of some desktops claims Ctrl+U to empty
    // its line).
    void menuKeysInASettingsFieldRunTheMenuItems()
    {
        ScriptedDialogs dialogs;
        Server s(folder);
        s.form.Edit1->setText("/nowhere/Kestraline.db");
        s.form.Edit2->setText("/nowhere/Access.db");
        s.form.show();
        QApplication::setActiveWindow(&s.form);
        for (QLineEdit* edit : {s.form.Edit1, s.form.Edit2}) {
            const QString before = edit->text();
            edit->setFocus(Qt::OtherFocusReason);
            QTRY_VERIFY(edit->hasFocus());
            const int chosen = dialogs.texts("open").size();
            QTest::keyClick(edit, Qt::Key_U, Qt::ControlModifier);
            QTest::keyClick(edit, Qt::Key_O, Qt::ControlModifier);
            QCOMPARE(dialogs.texts("open").size(), chosen + 2); // both file dialogs, cancelled
            QCOMPARE(edit->text(), before);
        }
    }

    // Closing the window is no leaving of the field that holds the cursor: the
    // service keeps running to the end, no project is reopened, no hint is shown.
    void closingTheWindowFromAFieldRunsNoFieldHandler_data()
    {
        QTest::addColumn<int>("field");
        QTest::newRow("project") << 1;
        QTest::newRow("port") << 3;
        QTest::newRow("request log") << 4;
    }

    void closingTheWindowFromAFieldRunsNoFieldHandler()
    {
        QFETCH(int, field);
        ScriptedDialogs dialogs;
        const QString project = make_project(folder + "/project", 1);
        Server s(folder, {project, QString::number(testsupport::freeLocalPort())});
        s.form.show();
        QVERIFY(QTest::qWaitForWindowActive(&s.form));
        QLineEdit* edit = field == 1 ? s.form.Edit1 : field == 3 ? s.form.Edit3 : s.form.Edit4;
        edit->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(edit->hasFocus());
        s.core.log().TakeRequestViewText();
        const int shown = dialogs.texts().size(); // the start-up's message on the missing access database
        s.form.close();
        QTest::qWait(20);
        QVERIFY(s.core.Running());
        QVERIFY(!s.core.log().TakeRequestViewText().contains("Server stopped"));
        QCOMPARE(dialogs.texts().size(), shown);
    }
};

QTEST_MAIN(ServerWindowTest)
#include "server_window_qtest.moc"
