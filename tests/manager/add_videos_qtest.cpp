// The add-videos window: the list and its duplicate check, and the processing of
// the listed files by workers that run the outside tools (here small scripts in
// the test's program folder) and hand back to the main thread.
#include "add_videos_window.h"
#include "main_window.h"
#include "panel_status_bar.h"
#include "scripted_dialogs.h"
#include "string_grid.h"
#include "test_support.h"
#include "video_status.h"

#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace manager;
using namespace testsupport;

namespace {

// The property tool prints 640x480 at 25 fps with 250 frames; for a video whose
// name holds "broken" it prints too little, for "partial" only two of its four
// pairs, for "slow" it first sleeps a second.
// The analysis tool writes six bytes of colour data. Both log their video.
const char* fakeClipmeta = R"(#!/bin/sh
echo "$1" >> "$(dirname "$0")/clipmeta.log"
case "$1" in *slow*) sleep 1;; esac
case "$1" in *broken*) echo "bad input"; exit 1;; esac
case "$1" in *partial*) echo "width 320 height 240 and nothing more"; exit 0;; esac
printf 'width 640\nheight 480\nfps 25\nframes 250\n'
)";
const char* fakeAnalyzer = R"(#!/bin/sh
echo "$1" >> "$(dirname "$0")/analyzer.log"
printf 'abcdef' > "$2"
)";

void writeScript(const QString& path, const char* text)
{
    writeBytes(path, text);
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeUser);
}

// Error boxes that stay open for a while, running the event loop as a modal box
// does, and remember how deeply they were ever nested.
struct ModalErrorBoxes : ScriptedDialogs {
    int open = 0;
    int deepest = 0;
    void showError(const QString& text) override
    {
        ScriptedDialogs::showError(text);
        deepest = qMax(deepest, ++open);
        QTest::qWait(500);
        --open;
    }
};

} // namespace

class AddVideosTest : public QObject {
    Q_OBJECT

    // One program folder with the fake tools, one project folder with a new
    // project, and the two windows wired as at start-up.
    struct Fixture {
        QTemporaryDir dir;
        QString tools = dir.filePath("tools");
        QString projectFolder = dir.filePath("project");
        QString db = projectFolder + "/Kestraline.db";
        ScriptedDialogs dialogs;
        std::unique_ptr<TForm1> form1;
        std::unique_ptr<TForm2> form2;

        Fixture()
        {
            QDir().mkpath(tools);
            QDir().mkpath(projectFolder);
            QDir().mkpath(dir.filePath("videos"));
            writeScript(tools + "/Clipmeta", fakeClipmeta);
            writeScript(tools + "/KestralineAnalyzer", fakeAnalyzer);
            form1 = std::make_unique<TForm1>(tools);
            form2 = std::make_unique<TForm2>(*form1);
            form1->SetWindows(form2.get(), nullptr, nullptr);
            dialogs.files.enqueue({db});
            form1->N3Click();
        }
        ~Fixture()
        {
            form2.reset();
            form1.reset();
        }
        QString video(const QString& name, int size = 10)
        {
            const QString path = dir.filePath("videos/" + name);
            writeBytes(path, QByteArray(size, 'v'));
            return path;
        }
        void add(const QStringList& paths)
        {
            dialogs.files.enqueue(paths);
            form2->BitBtn3Click();
        }
        QStringList listStatuses() const { return form2->StringGrid1->ColumnTexts(1); }
        QString rows() const
        {
            return sqliteShell(db, "select id,status,filename,path,fps,duration,frames,width,height from video "
                                   "order by id;");
        }
        bool done() const { return dialogs.texts().contains("Задание выполнено"); }
        QString log(const QString& tool) const
        {
            const QString path = tools + "/" + tool + ".log";
            return QFile::exists(path) ? QString::fromUtf8(readBytes(path)) : QString();
        }
    };

private slots:
    void addingRefusesDuplicatesWithOneMessage()
    {
        Fixture f;
        const QString a = f.video("a.avi", 1234), b = f.video("b.avi"), upper = f.video("A.avi");
        f.add({a, b});
        QCOMPARE(f.dialogs.shown.last().kind, QString("openMany"));
        QCOMPARE(f.dialogs.shown.last().caption, TForm2::VideoFilter);
        QCOMPARE(TForm2::VideoFilter,
                 QString("Видео файлы (*.avi; *.mov; *.mkv; *.mpg; *.mp4; *.webm)|*.avi; *.mov; *.mkv; *.mpg; "
                         "*.mp4; *.webm|Все файлы (*.*)|*.*"));
        QCOMPARE(f.form2->StringGrid1->RowCount(), 3);
        QCOMPARE(f.form2->StringGrid1->ColumnTexts(3), QStringList({"1234", "10"}));

        // The main window's grid counts as well.
        sqliteShell(f.db, "insert into video (status,filename,path) values ('Обработан','p.avi','" +
                              f.video("p.avi") + "');");
        f.form1->Action1Execute();
        f.add({b, upper, a, f.video("p.avi"), f.video("c.avi")});
        QCOMPARE(f.form2->StringGrid1->ColumnTexts(2), QStringList({a, b, upper, f.video("c.avi")}));
        QCOMPARE(f.form2->StringGrid1->ColumnTexts(0), QStringList({"1", "2", "3", "4"}));
        QCOMPARE(f.dialogs.texts(), QStringList({"Некоторые из выбранных Вами файлов ранее уже были добавлены"}));
        QCOMPARE(f.form2->StatusBar1->panelText(0), QString("Всего записей: 4"));
        QCOMPARE(f.form2->StatusBar1->panelText(3), QString("В обработке: 4"));

        // Delete a block and clear touch the list only.
        f.form2->StringGrid1->clearSelection();
        f.form2->StringGrid1->setRangeSelected(QTableWidgetSelectionRange(0, 0, 1, 3), true);
        f.form2->BitBtn2Click();
        QCOMPARE(f.form2->StringGrid1->ColumnTexts(2), QStringList({upper, f.video("c.avi")}));
        QCOMPARE(f.form2->StringGrid1->ColumnTexts(0), QStringList({"1", "2"}));
        f.form2->BitBtn4Click();
        QVERIFY(f.form2->StringGrid1->IsEmptyList());
        QCOMPARE(f.form2->StatusBar1->panelText(0), QString());
        QCOMPARE(f.rows().count('\n'), 1);
    }

    void windowLayoutAndCaptions()
    {
        Fixture f;
        TForm2& form = *f.form2;
        QCOMPARE(form.windowTitle(), QString("Добавление видео в проект"));
        QCOMPARE(form.size(), QSize(1023, 555));
        QStringList captions;
        for (int c = 0; c < form.StringGrid1->columnCount(); ++c)
            captions << form.StringGrid1->horizontalHeaderItem(c)->text() + " " +
                            QString::number(form.StringGrid1->columnWidth(c));
        QCOMPARE(captions, QStringList({"№ 40", "Статус 150", "Файл 700", "Размер 100"}));
        QStringList buttons;
        for (QPushButton* button : {form.BitBtn3, form.BitBtn2, form.BitBtn4, form.BitBtn5, form.BitBtn1, form.BitBtn6})
            buttons << button->text() + " " + QString::number(button->width()) + "x" +
                           QString::number(button->height());
        QCOMPARE(buttons, QStringList({"Добавить файлы 120x35", "Удалить 120x35", "Очистить таблицу 120x35",
                                       "Обработать файлы 150x35", "Закрыть 120x35", "Отмена 100x35"}));
        QCOMPARE(form.Panel1->height(), 41);
        QCOMPARE(form.Panel2->height(), 41);
        QCOMPARE(form.Timer1->interval(), 200);
        QVERIFY(!form.Timer1->isActive());

        // Every showing starts with the buttons, even while processing runs.
        form.Panel1->hide();
        form.Panel2->show();
        form.show();
        QVERIFY(!form.Panel1->isHidden());
        QVERIFY(form.Panel2->isHidden());
        form.BitBtn1Click();
        QVERIFY(form.isHidden());
    }

    void enterInTheListNeitherCancelsNorStartsAnything()
    {
        Fixture f;
        f.form2->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.form2.get()));
        f.form2->StringGrid1->setFocus();
        QTest::keyClick(f.form2->StringGrid1, Qt::Key_Return);
        QVERIFY(f.dialogs.texts().isEmpty()); // no "Сначала добавьте файлы в список"
        QVERIFY(f.dialogs.texts("openMany").isEmpty());

        f.add({f.video("a.avi")});
        f.form2->BitBtn5Click();
        QTest::keyClick(f.form2->StringGrid1, Qt::Key_Return);
        QVERIFY(f.form2->Timer1->isActive());
        QVERIFY(!f.form2->Panel2->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(f.done(), 20000);
        QCOMPARE(f.listStatuses(), QStringList({video_status_processed()}));
    }

    void processingAnEmptyListOnlyAsksForFiles()
    {
        Fixture f;
        f.form2->BitBtn5Click();
        QCOMPARE(f.dialogs.texts(), QStringList({"Сначала добавьте файлы в список"}));
        QVERIFY(!f.form2->Timer1->isActive());
        QVERIFY(!f.form2->IsProcessing());
    }

    void processingFillsRowsStatusesAndColourFiles()
    {
        Fixture f;
        const QString a = f.video("a.avi"), broken = f.video("broken.avi"), c = f.video("c.mkv");
        const QString partial = f.video("partial.mov");
        f.add({a, broken, partial, c});
        f.form2->BitBtn5Click();
        QCOMPARE(f.form2->ProgressBar1->maximum(), 4);
        QVERIFY(f.form2->Panel1->isHidden());
        QVERIFY(!f.form2->Panel2->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(f.done(), 20000);
        QCOMPARE(f.listStatuses(),
                 QStringList({video_status_processed(), video_status_failed(), video_status_failed(), video_status_processed()}));
        // A failed video never carries the numbers of the one before it.
        QCOMPARE(f.rows(), "1|Обработан|a.avi|" + a + "|25.0|10.0|250|640|480\n" +
                               "2|Ошибка|broken.avi|" + broken + "|0.0|0.0|0|0|0\n" +
                               "3|Ошибка|partial.mov|" + partial + "|0.0|0.0|0|0|0\n" +
                               "4|Обработан|c.mkv|" + c + "|25.0|10.0|250|640|480\n");
        QCOMPARE(readBytes(f.projectFolder + "/1.rgb"), QByteArray("abcdef"));
        QVERIFY(!QFile::exists(f.projectFolder + "/2.rgb"));
        QVERIFY(!QFile::exists(f.projectFolder + "/3.rgb"));
        QCOMPARE(readBytes(f.projectFolder + "/4.rgb"), QByteArray("abcdef"));
        // The analysis tool never ran for the file whose properties failed.
        QCOMPARE(f.log("analyzer"), a + "\n" + c + "\n");
        QCOMPARE(f.form2->ProgressBar1->value(), 4);
        QVERIFY(!f.form2->IsProcessing());
        QVERIFY(!f.form2->Panel1->isHidden());
        QCOMPARE(f.form1->StringGrid1->RowCount(), 5);
        QCOMPARE(f.form1->StatusBar1->panelText(1), QString("Обработано: 2"));
        QCOMPARE(f.form2->StatusBar1->panelText(2), QString("С ошибкой: 2"));
        QCOMPARE(f.dialogs.texts(), QStringList({"Задание выполнено"}));

        // A later run skips what is done and takes only the new file.
        const QString d = f.video("d.webm");
        f.add({d});
        f.form2->BitBtn5Click();
        QCOMPARE(f.form2->ProgressBar1->maximum(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(f.dialogs.texts().count("Задание выполнено"), 2, 20000);
        QCOMPARE(f.rows().count('\n'), 5);
        QCOMPARE(f.listStatuses().last(), video_status_processed());
    }

    void aPathStillInTheTableEndsInErrorWithoutTouchingItsRow()
    {
        Fixture f;
        const QString a = f.video("a.avi");
        f.add({a});
        f.form2->BitBtn5Click();
        QTRY_VERIFY_WITH_TIMEOUT(f.done(), 20000);
        const QString before = f.rows();
        f.form1->BitBtn1Click(); // grid row and colour file go, the table row stays
        QVERIFY(!QFile::exists(f.projectFolder + "/1.rgb"));
        f.form2->BitBtn4Click();
        f.add({a});
        QCOMPARE(f.listStatuses(), QStringList({video_status_queued()}));
        f.form2->BitBtn5Click();
        QTRY_COMPARE_WITH_TIMEOUT(f.dialogs.texts().count("Задание выполнено"), 2, 20000);
        QCOMPARE(f.listStatuses(), QStringList({video_status_failed()}));
        QCOMPARE(f.rows(), before);
        QVERIFY(!QFile::exists(f.projectFolder + "/1.rgb"));
        QCOMPARE(f.log("clipmeta").count('\n'), 1);
    }

    void aRowWhoseUpdateFailsIsShownAsError()
    {
        Fixture f;
        sqliteShell(f.db, "CREATE TRIGGER refuse BEFORE UPDATE ON video BEGIN SELECT RAISE(ABORT,'no'); END;");
        f.add({f.video("a.avi")});
        f.form2->BitBtn5Click();
        QTRY_VERIFY_WITH_TIMEOUT(f.done(), 20000);
        QCOMPARE(f.listStatuses(), QStringList({video_status_failed()}));
        QCOMPARE(sqliteShell(f.db, "select status from video;"), video_status_queued() + "\n");
    }

    void aFailingSelectShowsOneErrorBoxAtATime()
    {
        Fixture f;
        f.add({f.video("a.avi"), f.video("b.avi")});
        ModalErrorBoxes boxes; // answers in place of the fixture's dialogs from here on
        // Every new row vanishes at once, so the select of its id finds nothing.
        sqliteShell(f.db, "CREATE TRIGGER vanish AFTER INSERT ON video BEGIN DELETE FROM video; END;");
        f.form2->BitBtn5Click();
        QTRY_VERIFY_WITH_TIMEOUT(boxes.texts("error").size() >= 2, 10000);
        // The timer kept firing while each box was open, yet no tick ran meanwhile.
        QCOMPARE(boxes.deepest, 1);
        f.form2->BitBtn6Click();
        QVERIFY(!f.form2->IsProcessing());
        QVERIFY(f.form2->Analyzer == nullptr);
        QCOMPARE(f.rows(), QString());
        QVERIFY(QDir(f.projectFolder).entryList({"*.rgb"}).isEmpty());
        QCOMPARE(f.log("clipmeta"), QString());
    }

    void cancelBeforeTheFirstTickJustStops()
    {
        Fixture f;
        f.add({f.video("a.avi"), f.video("b.avi")});
        f.form2->BitBtn5Click();
        f.form2->BitBtn6Click();
        QVERIFY(!f.form2->IsProcessing());
        QVERIFY(!f.form2->Panel1->isHidden());
        QVERIFY(f.form2->Panel2->isHidden());
        QTest::qWait(500);
        QCOMPARE(f.rows(), QString());
        QCOMPARE(f.listStatuses(), QStringList({video_status_queued(), video_status_queued()}));
        QVERIFY(f.dialogs.texts().isEmpty());
    }

    void cancelDuringASlowToolWaitsForItsHandBack()
    {
        Fixture f;
        const QString slow = f.video("slow.avi"), b = f.video("b.avi");
        f.add({slow, b});
        f.form2->BitBtn5Click();
        QTRY_VERIFY_WITH_TIMEOUT(f.form2->Analyzer != nullptr, 5000);
        QVERIFY(!f.form2->Analyzer->isFinished());
        f.form2->BitBtn6Click();
        // The running tool ended and handed back before cancel returned.
        QVERIFY(f.form2->Analyzer == nullptr);
        QCOMPARE(f.listStatuses(), QStringList({video_status_processed(), video_status_queued()}));
        QCOMPARE(f.rows(), "1|Обработан|slow.avi|" + slow + "|25.0|10.0|250|640|480\n");
        QVERIFY(QFile::exists(f.projectFolder + "/1.rgb"));
        QCOMPARE(f.form1->StringGrid1->RowCount(), 2);
        QCOMPARE(f.form1->StringGrid1->Cell(2, 1), video_status_processed());
        QTest::qWait(500);
        QCOMPARE(f.rows().count('\n'), 1);
        QVERIFY(!f.done());

        // Processing again goes on with the file still queued.
        f.form2->BitBtn5Click();
        QCOMPARE(f.form2->ProgressBar1->maximum(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(f.done(), 20000);
        QCOMPARE(f.listStatuses(), QStringList({video_status_processed(), video_status_processed()}));
    }

    void closingTheWindowsWhileAToolRunsWaitsForIt()
    {
        Fixture f;
        f.add({f.video("slow.avi"), f.video("b.avi")});
        f.form2->BitBtn5Click();
        QTRY_VERIFY_WITH_TIMEOUT(f.form2->Analyzer != nullptr, 5000);
        f.form2.reset(); // destroys the window while the slow property tool runs
        f.form1->SetWindows(nullptr, nullptr, nullptr);
        QCOMPARE(sqliteShell(f.db, "select status from video;"), video_status_processed() + "\n");
        QCOMPARE(f.form1->StringGrid1->RowCount(), 2);
    }

    void anotherProjectCancelsProcessingFirst()
    {
        Fixture f;
        const QString slow = f.video("slow.avi");
        f.add({slow, f.video("b.avi")});
        f.form2->BitBtn5Click();
        QTRY_VERIFY_WITH_TIMEOUT(f.form2->Analyzer != nullptr, 5000);

        const QString otherFolder = f.dir.filePath("other");
        QDir().mkpath(otherFolder);
        f.dialogs.files.enqueue({otherFolder + "/Kestraline.db"});
        f.form1->N3Click();
        QVERIFY(!f.form2->IsProcessing());
        QCOMPARE(f.form1->ProjectPath(), otherFolder + "/Kestraline.db");
        QTest::qWait(600);
        // The first project got its one finished video; the new one got nothing.
        QCOMPARE(f.rows(), "1|Обработан|slow.avi|" + slow + "|25.0|10.0|250|640|480\n");
        QVERIFY(QFile::exists(f.projectFolder + "/1.rgb"));
        QCOMPARE(sqliteShell(otherFolder + "/Kestraline.db", "select count(*) from video;"), QString("0\n"));
        QCOMPARE(QDir(otherFolder).entryList({"*.rgb"}), QStringList());
        QCOMPARE(f.listStatuses(), QStringList({video_status_processed(), video_status_queued()}));
        QCOMPARE(f.form1->StringGrid1->RowCount(), 2);
        QVERIFY(f.form1->StringGrid1->IsEmptyList());
    }

    // Kept last: the request to quit stays in force for the rest of the process.
    void aQuitRequestedWhileCancelWaitsStillServesTheHandBack()
    {
        Fixture f;
        const QString slow = f.video("slow.avi");
        f.add({slow, f.video("b.avi")});
        f.form2->BitBtn5Click();
        QTRY_VERIFY_WITH_TIMEOUT(f.form2->Analyzer != nullptr, 5000);
        QTimer::singleShot(200, [] { QCoreApplication::exit(0); });
        f.form2->BitBtn6Click(); // returns only once the slow tool has handed back
        QVERIFY(f.form2->Analyzer == nullptr);
        QCOMPARE(f.listStatuses(), QStringList({video_status_processed(), video_status_queued()}));
        QCOMPARE(f.rows(), "1|Обработан|slow.avi|" + slow + "|25.0|10.0|250|640|480\n");
    }
};

QTEST_MAIN(AddVideosTest)
#include "add_videos_qtest.moc"
