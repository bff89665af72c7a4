// The main window: creating and opening projects, the grid, deleting rows with
// their colour-data files, the server start, and a project that never drifts
// apart from the grid after a failed open or create.
#include "kestraline_error.h"
#include "main_window.h"
#include "panel_status_bar.h"
#include "scripted_dialogs.h"
#include "search_dialog.h"
#include "string_grid.h"
#include "test_support.h"

#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace manager;
using namespace testsupport;

class MainWindowTest : public QObject {
    Q_OBJECT

    // A project database made with the sqlite3 shell, with `rows` videos whose
    // colour-data files exist beside it.
    QString makeProject(const QString& folder, int rows)
    {
        QDir().mkpath(folder);
        const QString db = folder + "/Kestraline.db";
        QString sql = testsupport::CREATE_VIDEO_TABLE;
        for (int i = 1; i <= rows; ++i) {
            sql += QString("insert into video (status,filename,path,fps,duration,frames,width,height) values "
                           "('Обработан','v%1.avi','/videos/v%1.avi',25,%1.5,%1,640,480);")
                       .arg(i);
            writeBytes(folder + "/" + QString::number(i) + ".rgb", "rgb");
        }
        sqliteShell(db, sql);
        return db;
    }

    void openProject(TForm1& form, ScriptedDialogs& dialogs, const QString& db)
    {
        dialogs.files.enqueue({db});
        form.N5Click();
    }

    QStringList panels(const TForm1& form)
    {
        QStringList texts;
        for (int i = 0; i < 5; ++i)
            texts << form.StatusBar1->panelText(i);
        return texts;
    }

    void verifyNoProject(const TForm1& form)
    {
        QVERIFY(form.ProjectPath().isEmpty());
        QVERIFY(!form.Project.IsOpen());
        QVERIFY(form.Panel1->isHidden());
        QCOMPARE(form.windowTitle(), QString("Kestraline Manager"));
        QCOMPARE(form.StringGrid1->RowCount(), 2);
        QVERIFY(form.StringGrid1->IsEmptyList());
    }

private slots:
    void newProjectShowsOneEmptyRow()
    {
        QTemporaryDir dir;
        ScriptedDialogs dialogs;
        TForm1 form(dir.path());
        QVERIFY(form.Panel1->isHidden());
        const QString db = dir.filePath("Kestraline.db");
        dialogs.files.enqueue({db});
        form.N3Click();
        QCOMPARE(dialogs.shown.first().kind, QString("save"));
        QCOMPARE(dialogs.shown.first().text, QString("Kestraline.db"));
        QCOMPARE(dialogs.shown.first().caption, QString("Kestraline.db|Kestraline.db"));
        QCOMPARE(form.ProjectPath(), db);
        QVERIFY(!form.Panel1->isHidden());
        QCOMPARE(form.windowTitle(), "Kestraline Manager - " + db);
        QCOMPARE(form.StringGrid1->RowCount(), 2);
        QVERIFY(form.StringGrid1->IsEmptyList());
        QCOMPARE(panels(form), QStringList({"", "", "", "", ""}));
        QCOMPARE(form.StringGrid1->columnCount(), 11);
        QCOMPARE(form.StringGrid1->horizontalHeaderItem(6)->text(), QString("Продолжительность"));
        QCOMPARE(form.StringGrid1->columnWidth(4), 400);
        QVERIFY(dialogs.texts().isEmpty());
        QVERIFY(QFile::exists(db));

        // A cancelled dialog changes nothing.
        form.N5Click();
        form.N3Click();
        QCOMPARE(form.ProjectPath(), db);
    }

    void threeRowProjectListsInIdOrder()
    {
        QTemporaryDir dir;
        const QString db = makeProject(dir.filePath("p"), 3);
        sqliteShell(db, "update video set status='Ошибка' where id=2;");
        ScriptedDialogs dialogs;
        TForm1 form(dir.path());
        openProject(form, dialogs, db);
        QCOMPARE(dialogs.shown.first().kind, QString("open"));
        QCOMPARE(dialogs.shown.first().caption, QString("Kestraline.db|Kestraline.db"));
        QCOMPARE(form.StringGrid1->RowCount(), 4);
        QCOMPARE(form.StringGrid1->ColumnTexts(0), QStringList({"1", "2", "3"}));
        QCOMPARE(form.StringGrid1->ColumnTexts(1), QStringList({"1", "2", "3"}));
        QCOMPARE(form.StringGrid1->ColumnTexts(3), QStringList({"v1.avi", "v2.avi", "v3.avi"}));
        QCOMPARE(form.StringGrid1->ColumnTexts(6), QStringList({"1.5", "2.5", "3.5"}));
        QCOMPARE(form.windowTitle(), "Kestraline Manager - " + db);
        QCOMPARE(panels(form),
                 QStringList({"Всего записей: 3", "Обработано: 2", "С ошибкой: 1", "В обработке: 0", ""}));
    }

    void deletingABlockRenumbersAndRemovesOnlyItsColourFiles()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("p");
        const QString db = makeProject(folder, 5);
        ScriptedDialogs dialogs;
        TForm1 form(dir.path());
        openProject(form, dialogs, db);
        form.StringGrid1->clearSelection();
        form.StringGrid1->setRangeSelected(QTableWidgetSelectionRange(1, 0, 2, 10), true);
        form.BitBtn2->click();
        QCOMPARE(form.StringGrid1->RowCount(), 4);
        QCOMPARE(form.StringGrid1->ColumnTexts(0), QStringList({"1", "2", "3"}));
        QCOMPARE(form.StringGrid1->ColumnTexts(1), QStringList({"1", "4", "5"}));
        QCOMPARE(form.StringGrid1->ColumnTexts(3), QStringList({"v1.avi", "v4.avi", "v5.avi"}));
        for (int id : {1, 4, 5})
            QVERIFY(QFile::exists(folder + "/" + QString::number(id) + ".rgb"));
        for (int id : {2, 3})
            QVERIFY(!QFile::exists(folder + "/" + QString::number(id) + ".rgb"));
        QCOMPARE(form.StatusBar1->panelText(0), QString("Всего записей: 3"));
        QCOMPARE(sqliteShell(db, "select count(*) from video;"), QString("5\n"));

        // Reopening lists the rows again: only the grid and the files were touched.
        openProject(form, dialogs, db);
        QCOMPARE(form.StringGrid1->RowCount(), 6);
    }

    void deletingAllRowsIsClearAndClearRemovesEveryColourFile()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("p");
        const QString db = makeProject(folder, 3);
        writeBytes(folder + "/9.rgb", "not listed");
        ScriptedDialogs dialogs;
        TForm1 form(dir.path());
        openProject(form, dialogs, db);
        form.StringGrid1->selectAll();
        form.BitBtn2Click();
        QCOMPARE(form.StringGrid1->RowCount(), 2);
        QVERIFY(form.StringGrid1->IsEmptyList());
        QCOMPARE(panels(form), QStringList({"", "", "", "", ""}));
        for (int id : {1, 2, 3})
            QVERIFY(!QFile::exists(folder + "/" + QString::number(id) + ".rgb"));
        QVERIFY(QFile::exists(folder + "/9.rgb"));

        // Clear after reopening: the files are gone already, nothing fails.
        openProject(form, dialogs, db);
        QCOMPARE(form.StringGrid1->RowCount(), 4);
        writeBytes(folder + "/2.rgb", "again");
        form.BitBtn1->click();
        QVERIFY(!QFile::exists(folder + "/2.rgb"));
        QVERIFY(QFile::exists(folder + "/9.rgb"));
        QCOMPARE(form.StringGrid1->RowCount(), 2);
        QCOMPARE(sqliteShell(db, "select count(*) from video;"), QString("3\n"));
    }

    void emptyIdCellNamesTheDotRgbFileOnly()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("p");
        const QString db = makeProject(folder, 0);
        writeBytes(folder + "/.rgb", "x");
        writeBytes(folder + "/1.rgb", "x");
        ScriptedDialogs dialogs;
        TForm1 form(dir.path());
        openProject(form, dialogs, db);
        form.BitBtn2Click(); // the one empty row is selected
        QVERIFY(!QFile::exists(folder + "/.rgb"));
        QVERIFY(QFile::exists(folder + "/1.rgb"));
        form.StringGrid1DblClick(); // does nothing on the empty row
        QCOMPARE(form.StringGrid1->RowCount(), 2);
    }

    void serverStartNeedsAProjectAndPassesItsPathAsOneArgument()
    {
        QTemporaryDir dir;
        const QString programs = dir.filePath("program folder");
        QDir().mkpath(programs);
        const QString argsFile = dir.filePath("server-args.txt");
        const QString script = programs + "/KestralineServer";
        writeBytes(script, QString("#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > '%1.part'\n"
                                   "mv '%1.part' '%1'\n")
                               .arg(argsFile)
                               .toUtf8());
        QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeUser);

        ScriptedDialogs dialogs;
        TForm1 form(programs);
        form.N15Click();
        form.N24Click();
        QCOMPARE(dialogs.texts(), QStringList({"Для запуска сервера поиска необходимо открыть проект",
                                               "Перед поиском необходимо открыть проект"}));
        QTest::qWait(300);
        QVERIFY(!QFile::exists(argsFile));

        const QString db = makeProject(dir.filePath("my project/with blanks"), 1);
        openProject(form, dialogs, db);
        form.N15Click();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(argsFile), 10000);
        QCOMPARE(QString::fromUtf8(readBytes(argsFile)), "[" + db + "]\n");
        QCOMPARE(dialogs.texts().size(), 2);
    }

    void helpOpensTheHelpFileAndTheOnlinePage()
    {
        ScriptedDialogs dialogs;
        TForm1 form("/opt/kestraline");
        form.N16->trigger();
        form.N18->trigger();
        QCOMPARE(dialogs.texts("shell"), QStringList({"/opt/kestraline/Kestraline.chm", Online_Help_URL}));
        QVERIFY(Online_Help_URL.startsWith("https://"));
        form.N20Click(); // without an about box: nothing
    }

    void menusHoldTheirItemsShortcutsAndSeparators()
    {
        TForm1 form("/tmp");
        // Each menu as "caption [shortcut]" per item, "-" for a separator.
        QStringList menus;
        for (QAction* menu : form.menuBar()->actions()) {
            QStringList items;
            for (QAction* item : menu->menu()->actions())
                items << (item->isSeparator() ? QString("-")
                                              : item->text() + " [" + item->shortcut().toString() + "]");
            menus << menu->text() + ": " + items.join(", ");
        }
        QCOMPARE(menus, QStringList({
                            "Файл: Новый проект [Ctrl+N], -, Открыть проект [Ctrl+O], -, Выход []",
                            "Таблица: Добавить [Ctrl+A], -, Удалить [Shift+Del], -, Очистить [Ctrl+Del]",
                            "Поиск: Запустить сервер поиска видео [Ctrl+S], -, Открыть диалог поиска [Ctrl+F]",
                            "Настройки: Редактировать []",
                            "Помощь: Справка [F1], -, Сетевая справка (обновляется) [Shift+F1], -, "
                            "О программе [Ctrl+F1]",
                        }));
        QCOMPARE(form.N7->text(), QString("Выход"));
        QCOMPARE(form.N24->text(), QString("Открыть диалог поиска"));
        QCOMPARE(form.Action1->text(), QString("UpdateVideos"));
    }

    void windowLayoutAndCaptions()
    {
        TForm1 form("/tmp");
        QCOMPARE(form.width(), 1186);
        QCOMPARE(form.height() - form.menuBar()->sizeHint().height(), 637);
        QCOMPARE(form.windowTitle(), QString("Kestraline Manager"));
        QStringList buttons;
        for (QPushButton* button : {form.BitBtn3, form.BitBtn2, form.BitBtn1}) {
            buttons << button->text();
            QCOMPARE(button->height(), 35);
            QVERIFY(button->width() >= 160);
        }
        QCOMPARE(buttons, QStringList({"Добавить видео в проект", "Удалить выбранные  записи", "Очистить таблицу"}));
        QCOMPARE(form.BitBtn3->width(), 160);
        QCOMPARE(form.BitBtn1->width(), 160);
        QVERIFY(testsupport::panelsSideBySide(*form.StatusBar1, {200, 200, 200, 200, 50}));
        QStringList captions;
        for (int c = 0; c < form.StringGrid1->columnCount(); ++c)
            captions << form.StringGrid1->horizontalHeaderItem(c)->text();
        QCOMPARE(captions, QStringList({"№", "ID", "Статус", "Имя файла", "Полный путь", "FPS", "Продолжительность",
                                        "Кадров", "Ширина", "Высота", "Комментарий"}));
        // Designed widths, wider only where a caption would not fit.
        const int widths[] = {40, 40, 70, 150, 400, 50, 100, 60, 50, 50, 250};
        for (int c = 0; c < 11; ++c)
            QVERIFY(form.StringGrid1->columnWidth(c) >= widths[c]);
        for (int c : {0, 1, 2, 3, 4, 5, 7, 10})
            QCOMPARE(form.StringGrid1->columnWidth(c), widths[c]);

        TForm5 search(&form);
        QCOMPARE(search.windowTitle(), QString("Диалог поиска"));
        const QMenuBar* menu = search.findChild<QMenuBar*>();
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions()[0]->text(), QString("Файл"));
        QVERIFY(menu->actions()[0]->menu()->isEmpty());
        QCOMPARE(search.size(), QSize(1106, 648 + menu->sizeHint().height()));
    }

    void failedOpenLeavesNoProjectSoNothingTouchesTheEarlierOne()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("a");
        const QString db = makeProject(folder, 2);
        ScriptedDialogs dialogs;
        TForm1 form(dir.path());
        openProject(form, dialogs, db);
        QCOMPARE(form.StringGrid1->RowCount(), 3);

        openProject(form, dialogs, dir.filePath("b/Kestraline.db")); // missing
        QCOMPARE(dialogs.texts(), QStringList({"Ошибка открытия базы данных"}));
        verifyNoProject(form);
        // Nothing that needs a project can reach project a's files or rows.
        form.StringGrid1->selectAll();
        form.BitBtn2Click();
        form.BitBtn1Click();
        QVERIFY(QFile::exists(folder + "/1.rgb"));
        QVERIFY(QFile::exists(folder + "/2.rgb"));
        form.N15Click();
        QCOMPARE(dialogs.texts().last(), QString("Для запуска сервера поиска необходимо открыть проект"));
        QVERIFY(!QFile::exists(dir.filePath("b/Kestraline.db")));

        // A file that is no database fails the same way.
        openProject(form, dialogs, db);
        writeBytes(dir.filePath("junk.db"), QByteArray(2048, 'j'));
        openProject(form, dialogs, dir.filePath("junk.db"));
        QCOMPARE(dialogs.texts().last(), QString("Ошибка открытия базы данных"));
        verifyNoProject(form);
    }

    void databaseWithoutTheTableShowsTheErrorAndOpensNothing()
    {
        QTemporaryDir dir;
        const QString db = makeProject(dir.filePath("a"), 1);
        const QString other = dir.filePath("other.db");
        sqliteShell(other, "create table x (y);");
        ScriptedDialogs dialogs;
        TForm1 form(dir.path());
        openProject(form, dialogs, db);
        dialogs.files.enqueue({other});
        QVERIFY_THROWS_EXCEPTION(KestralineError, form.N5Click());
        verifyNoProject(form);
    }

    void failedCreateLeavesNoProjectAndTheExistingFileIntact()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("a");
        const QString db = makeProject(folder, 2);
        const QByteArray before = readBytes(db);
        ScriptedDialogs dialogs;
        TForm1 form(dir.path());
        QDir().mkpath(dir.filePath("c"));
        dialogs.files.enqueue({dir.filePath("c/Kestraline.db")});
        form.N3Click();
        QCOMPARE(form.ProjectPath(), dir.filePath("c/Kestraline.db"));

        // CREATE TABLE on a project that has its table already.
        dialogs.files.enqueue({db});
        QVERIFY_THROWS_EXCEPTION(KestralineError, form.N3Click());
        verifyNoProject(form);
        QCOMPARE(readBytes(db), before);
        form.BitBtn1Click();
        QVERIFY(QFile::exists(folder + "/1.rgb"));

        // A folder that does not exist cannot be created into.
        dialogs.files.enqueue({dir.filePath("none/Kestraline.db")});
        form.N3Click();
        QCOMPARE(dialogs.texts(), QStringList({"Ошибка создания базы данных"}));
        verifyNoProject(form);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_qtest.moc"
