// The server's status bar, caption, statistics and log views, the users page with
// its two dialogs, and the loading dialog.
#include "server_ui_fixture.h"

#include "designed_status_bar.h"
#include "kestraline_access.h"
#include "kestraline_finder.h"
#include "server_core.h"
#include "loading_dialog.h"
#include "log_view_text.h"
#include "scripted_dialogs.h"
#include "string_grid.h"
#include "tform1.h"
#include "user_dialogs.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QMenuBar>
#include <QtTest>
#include <memory>

using namespace server;
using namespace serverui;

namespace {

struct Server {
    Server(const QString& folder, const QStringList& arguments)
        : form(folder, arguments, "127.0.0.1")
        , core(form.core())
        , loading(core.finder(), &form)
        , editUser(core.access(), &form)
        , newUser(core.access(), &form)
    {
        form.Form2 = &loading;
        form.Form10 = &editUser;
        form.Form9 = &newUser;
        // The tests tick the status bar and the views by hand.
        form.Timer2.stop();
        form.Timer3.stop();
    }
    ~Server() { form.BitBtn2Click(); }
    TForm1 form;
    ServerCore& core;
    TForm2 loading;
    TForm10 editUser;
    TForm9 newUser;
};

// Runs `act` once the next modal dialog is up.
void when_modal(const std::function<void(QWidget*)>& act)
{
    QTimer::singleShot(0, [act] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        act(QApplication::activeModalWidget());
    });
}

QStringList users_column(const QTableWidget* grid, int column)
{
    QStringList cells;
    for (int row = 0; row < grid->rowCount(); ++row)
        cells << (grid->item(row, column) ? grid->item(row, column)->text() : QString());
    return cells;
}

} // namespace

class ServerViewsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> temp;
    QString folder;

    std::unique_ptr<Server> startServer(int videos, const QStringList& users)
    {
        const QString project = make_project(folder + "/project", videos);
        const QString access = make_access(folder + "/Access.db", users);
        auto s = std::make_unique<Server>(folder, QStringList{project, QString::number(port), access});
        s->form.Timer1Timer();
        return s;
    }
    quint16 port = 0;

private slots:
    void init()
    {
        temp = std::make_unique<QTemporaryDir>();
        folder = temp->path();
        port = testsupport::freeLocalPort();
    }

    void statusBarAndCaption()
    {
        ScriptedDialogs dialogs;
        auto s = startServer(3, {"Y||alice|a", "Y||bob|b"});
        s->form.Timer2Timer();
        QCOMPARE(s->form.StatusBar1->panelText(0), QString("Сервер запущен"));
        QCOMPARE(s->form.windowTitle(),
                 QString("Kestraline Server : %1 - %2").arg(port).arg(folder + "/project/Kestraline.db"));
        QCOMPARE(s->form.StatusBar1->panelText(1), QString("Видео записей: 3"));
        QCOMPARE(s->form.StatusBar1->panelText(2), QString("Пользователей: 2"));
        QVERIFY(s->form.StatusBar1->panelText(3).isEmpty());
        QVERIFY(testsupport::panelsSideBySide(*s->form.StatusBar1, {200, 200, 200, 200, 50}));
        // The client area under the menu bar is 969 by 660 pixels.
        QCOMPARE(s->form.width(), 969);
        QCOMPARE(s->form.height() - s->form.menuBar()->sizeHint().height(), 660);

        s->form.BitBtn2Click();
        s->form.Timer2Timer();
        QCOMPARE(s->form.StatusBar1->panelText(0), QString("Сервер остановлен"));
        QCOMPARE(s->form.windowTitle(), "Kestraline Server - " + folder + "/project/Kestraline.db");
    }

    void emptyGridsLeaveTheirPanelsEmpty()
    {
        ScriptedDialogs dialogs;
        auto s = startServer(0, {});
        s->form.Timer2Timer();
        QCOMPARE(s->form.StringGrid1->rowCount(), 1);
        QVERIFY(s->form.StatusBar1->panelText(1).isEmpty());
        QVERIFY(s->form.StatusBar1->panelText(2).isEmpty());
    }

    void statisticsRowsInPageOrder()
    {
        ScriptedDialogs dialogs;
        auto s = startServer(1, {});
        s->core.stat().Raise(total_requests);
        s->core.stat().Raise(total_requests);
        s->core.stat().Raise(total_requests);
        s->core.stat().Raise(auth_errors);
        s->core.stat().Raise(auth_errors);
        s->core.stat().Raise(unprocessed_requests);
        s->core.stat().Raise(ambiguous_count);
        s->form.Timer3Timer();
        QStringList values;
        for (int row = 0; row < 9; ++row)
            values << s->form.ValueListEditor1->item(row, 1)->text();
        QCOMPARE(values, QStringList({"3", "2", "1", "0", "0", "0", "0", "0", "1"}));
        QCOMPARE(s->form.ValueListEditor1->item(1, 0)->text(), QString("Ошибка авторизации"));
        s->core.stat().Raise(total_requests);
        s->form.Timer3Timer();
        QCOMPARE(s->form.ValueListEditor1->item(0, 1)->text(), QString("4"));
    }

    void logViewsAppendThenReplaceAfter4000Characters()
    {
        ScriptedDialogs dialogs;
        auto s = startServer(1, {});
        s->form.Timer3Timer();
        QVERIFY(s->form.Memo1->toPlainText().contains("Server started"));
        // 5000 characters of request lines in one batch are all shown...
        for (int i = 0; i < 50; ++i)
            s->core.log().WriteLog(QString(80, QChar('r')));
        s->form.Timer3Timer();
        QVERIFY(s->form.Memo1->toPlainText().size() > 4000);
        // ...and the next batch replaces them.
        s->core.log().WriteLog("fresh line");
        s->core.log().WriteErrorsLog("an error");
        s->form.Timer3Timer();
        QVERIFY(s->form.Memo1->toPlainText().endsWith("\tfresh line\n"));
        QCOMPARE(s->form.Memo1->toPlainText().count('\n'), 1);
        QVERIFY(s->form.Memo2->toPlainText().endsWith("\tan error\n"));
        // A tick without new lines leaves the views alone.
        s->form.Timer3Timer();
        QCOMPARE(s->form.Memo1->toPlainText().count('\n'), 1);
    }

    void logViewTextRule()
    {
        LogViewText view;
        QCOMPARE(view.add(QString()), LogViewText::Change::None);
        QCOMPARE(view.add(QString(4001, 'a')), LogViewText::Change::Appended);
        QCOMPARE(view.add("b\r\n"), LogViewText::Change::Replaced);
        QCOMPARE(view.text(), QString("b\r\n"));
        LogViewText full;
        full.add(QString(4000, 'a'));  // exactly 4000: still appended to
        QCOMPARE(full.add("c"), LogViewText::Change::Appended);
        QCOMPARE(full.text().size(), 4001);
    }

    void newUserDialogValidatesAndRemembersItsFields()
    {
        ScriptedDialogs dialogs;
        auto s = startServer(1, {});
        TForm9& dialog = s->newUser;
        QCOMPARE(dialog.windowTitle(), QString("Создание нового пользователя"));
        QCOMPARE(dialog.size(), QSize(337, 233));
        dialog.Edit1->setText("127.0.0.1");
        dialog.Edit2->setText("carol");
        dialog.Edit3->clear();
        dialog.BitBtn1Click();
        QCOMPARE(dialogs.texts(), QStringList({"Введите пароль!"}));
        dialog.Edit2->clear();
        dialog.Edit3->setText("pw");
        dialog.BitBtn1Click();
        QCOMPARE(dialogs.texts().last(), QString("Введите имя пользователя!"));
        QCOMPARE(s->core.access().user_count(), 0);

        // Through the window's "Создать": blanks are a name, the dialog closes.
        when_modal([](QWidget* modal) {
            auto* d = qobject_cast<TForm9*>(modal);
            QVERIFY(d);
            d->Edit2->setText(" ");
            d->CheckBox1->setChecked(true);
            d->BitBtn1Click();
        });
        s->form.BitBtn9Click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(users_column(s->form.StringGrid2, 4), QStringList({" "}));
        QCOMPARE(users_column(s->form.StringGrid2, 2), QStringList({"Y"}));
        QCOMPARE(users_column(s->form.StringGrid2, 3), QStringList({"127.0.0.1"}));

        // The next "Создать" shows the same fields; "Отмена" writes nothing.
        when_modal([](QWidget* modal) {
            auto* d = qobject_cast<TForm9*>(modal);
            QCOMPARE(d->Edit1->text(), QString("127.0.0.1"));
            QCOMPARE(d->Edit2->text(), QString(" "));
            QCOMPARE(d->Edit3->text(), QString("pw"));
            QVERIFY(d->CheckBox1->isChecked());
            d->BitBtn2Click();
        });
        s->form.BitBtn9Click();
        QCOMPARE(s->core.access().user_count(), 1);
    }

    void editBlockUnblockAndDeleteTheSelectedUser()
    {
        ScriptedDialogs dialogs;
        auto s = startServer(1, {"Y||alice|a", "N|10.0.0.5|bob|b"});
        QTableWidget* grid = s->form.StringGrid2;
        grid->setCurrentCell(1, 0);
        when_modal([](QWidget* modal) {
            auto* d = qobject_cast<TForm10*>(modal);
            QVERIFY(d);
            QCOMPARE(d->windowTitle(), QString("Редактирование пользователя"));
            QCOMPARE(d->Edit1->text(), QString("10.0.0.5"));
            QCOMPARE(d->Edit2->text(), QString("bob"));
            QCOMPARE(d->Edit3->text(), QString("b"));
            QVERIFY(!d->CheckBox1->isChecked());
            d->Edit3->setText("new");
            d->BitBtn1Click();
        });
        s->form.BitBtn14Click();
        QCOMPARE(users_column(grid, 5), QStringList({"a", "new"}));

        grid->setCurrentCell(0, 0);
        s->form.BitBtn12Click();
        QCOMPARE(users_column(grid, 2), QStringList({"N", "N"}));
        grid->setCurrentCell(1, 0);
        s->form.BitBtn11Click();
        QCOMPARE(users_column(grid, 2), QStringList({"N", "Y"}));

        grid->setCurrentCell(0, 0);
        s->form.BitBtn13Click();  // answered No
        QCOMPARE(s->core.access().user_count(), 2);
        QCOMPARE(dialogs.shown.last().text, QString("Удалить пользователя?"));
        QCOMPARE(dialogs.shown.last().caption, QString("Подтверждение операции"));
        dialogs.answers.enqueue(true);
        s->form.BitBtn13Click();
        QCOMPARE(users_column(grid, 4), QStringList({"bob"}));
    }

    void userActionsWithoutAnAccessDatabaseDoNothing()
    {
        ScriptedDialogs dialogs;
        Server s(folder, {});
        s.form.BitBtn9Click();
        s.form.BitBtn14Click();
        s.form.BitBtn13Click();
        s.form.BitBtn12Click();
        QVERIFY(dialogs.shown.isEmpty());
        QVERIFY(!s.newUser.isVisible());
    }

    void helpMenuOpensTheHelpFileThePageAndTheAboutBox()
    {
        ScriptedDialogs dialogs;
        Server s(folder, {});
        QDialog about;
        s.form.AboutBox = &about;
        s.form.N18Click();
        s.form.N20Click();
        QCOMPARE(dialogs.texts("shell"), QStringList({folder + "/Kestraline.chm", OnlineHelp_URL}));
        QVERIFY(OnlineHelp_URL.startsWith("https://"));
        when_modal([&about](QWidget* modal) {
            QCOMPARE(modal, &about);
            about.accept();
        });
        s.form.N22Click();
        QVERIFY(!about.isVisible());
        // The help file lies in the build's program folder.
        QVERIFY(testsupport::readBytes(testsupport::binDir() + "/Kestraline.chm").startsWith("ITSF"));
    }

    void loadingDialogLoadsOneVideoPerTick()
    {
        ScriptedDialogs dialogs;
        const QString project = make_project(folder + "/project", 3);
        KESTRALINE_FINDER finder;
        QVERIFY(finder.Open(project));
        TForm2 dialog(finder);
        QCOMPARE(dialog.windowTitle(), QString("Загрузка видео данных"));
        QCOMPARE(dialog.size(), QSize(572, 129));
        dialog.show();
        dialog.Timer1.stop();  // tick by hand
        QCOMPARE(dialog.ProgressBar1->maximum(), 3);
        QCOMPARE(dialog.ProgressBar1->value(), 0);
        dialog.Timer1Timer();
        QCOMPARE(finder.loaded.load(), 1);
        QCOMPARE(dialog.ProgressBar1->value(), 1);
        dialog.BUSY2 = 1;  // a tick while one is loading does nothing
        dialog.Timer1Timer();
        QCOMPARE(finder.loaded.load(), 1);
        dialog.BUSY2 = 0;
        dialog.Timer1Timer();
        QVERIFY(dialog.isVisible());
        dialog.Timer1Timer();
        QCOMPARE(dialog.ProgressBar1->value(), 3);
        QVERIFY(!dialog.isVisible());
    }

    void loadingDialogWithoutVideosClosesAtOnce()
    {
        ScriptedDialogs dialogs;
        const QString project = make_project(folder + "/project", 0);
        KESTRALINE_FINDER finder;
        QVERIFY(finder.Open(project));
        TForm2 dialog(finder);
        // While it is up the bar is empty, not Qt's busy animation (a maximum of 0).
        int maximumShown = -1, valueShown = -1;
        QTimer::singleShot(0, &dialog, [&] {
            maximumShown = dialog.ProgressBar1->maximum();
            valueShown = dialog.ProgressBar1->value();
        });
        QTimer::singleShot(2000, &dialog, &QDialog::reject);  // a guard only
        QElapsedTimer shown;
        shown.start();
        dialog.exec();
        QVERIFY(shown.elapsed() < 1500);
        QCOMPARE(finder.loaded.load(), 0);
        QVERIFY(maximumShown > 0);
        QCOMPARE(valueShown, 0);
    }

    void cancelClosesWhileLoadingGoesOn()
    {
        ScriptedDialogs dialogs;
        const QString project = make_project(folder + "/project", 40, 3000);
        KESTRALINE_FINDER finder;
        QVERIFY(finder.Open(project));
        TForm2 dialog(finder);
        QTimer::singleShot(0, &dialog, [&] { dialog.BitBtn1->click(); });
        dialog.exec();
        QVERIFY(!dialog.isVisible());
        QVERIFY(finder.loaded.load() < 40);
        QVERIFY(dialog.Timer1.isActive());
        QTRY_COMPARE(finder.loaded.load(), 40);
        QTRY_VERIFY(!dialog.Timer1.isActive());
        // A new showing after a new opening starts again from 0.
        QVERIFY(finder.Open(project));
        dialog.show();
        QCOMPARE(dialog.ProgressBar1->value(), 0);
        QTRY_COMPARE(finder.loaded.load(), 40);
    }
};

QTEST_MAIN(ServerViewsTest)
#include "server_views_qtest.moc"
