// KestralineClient's windows with a scripted player engine, analysis tool and
// server: layout and menus, the settings file and window, the search button's
// messages and the results window.
#include "../player/scripted_player_backend.h"
#include "answer_rows.h"
#include "client_test_doubles.h"
#include "full_disk.h"
#include "scripted_dialogs.h"
#include "string_grid.h"
#include "tform1.h"
#include "tform6.h"
#include "tform7.h"
#include "visual_styles.h"
#include "player_widgets.h"
#include "video_player.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace client;
using testsupport::ScriptedPlayerBackend;
using testsupport::ScriptedTransport;

namespace {

const QString fullAnswer = "<xml>\n<result>OK</result>\n<found>1</found>\n<querylen>150</querylen>\n"
                           "<position>4</position>\n<framepos>100</framepos>\n<id>2</id>\n"
                           "<filename>клип.mp4</filename>\n<fps>25</fps>\n<duration>10</duration>\n"
                           "<frames>250</frames>\n<width>640</width>\n<height>480</height>\n"
                           "<comment>демо</comment>\n</xml>\n";

// The client's windows as start-up makes them, on a program folder of the test.
struct Client {
    explicit Client(const QString& folder)
    {
        auto engine = std::make_unique<ScriptedPlayerBackend>();
        backend = engine.get();
        auto server = std::make_unique<ScriptedTransport>();
        transport = server.get();
        form1 = std::make_unique<TForm1>(folder, std::move(engine), std::move(server));
        form6 = std::make_unique<TForm6>(form1->Settings, [this] { form1->WriteIniExecute(); }, form1.get());
        form7 = std::make_unique<TForm7>(form1.get());
        form1->SetWindows(form6.get(), form7.get(), nullptr);
    }
    ~Client()
    {
        form6.reset();
        form7.reset();
    }

    // Opens a video through the menu, as a user does.
    void open(ScriptedDialogs& dialogs, const QString& video)
    {
        dialogs.files.enqueue({video});
        form1->N3Click();
    }

    ScriptedPlayerBackend* backend;
    ScriptedTransport* transport;
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm6> form6;
    std::unique_ptr<TForm7> form7;
};

// A button keeps its designed width unless a wider stand-in font needs more
// room for its caption.
void verifyButton(QPushButton* button, QSize designed)
{
    QCOMPARE(button->height(), designed.height());
    const int needed = button->sizeHint().width();
    QCOMPARE(button->width(), qMax(designed.width(), needed));
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    PaintCounter(QWidget* widget, int& count) : count(count) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }

private:
    int& count;
};

QStringList menuItems(QMenu* menu)
{
    QStringList items;
    for (QAction* action : menu->actions())
        items << (action->isSeparator() ? "-" : action->text() + "|" + action->shortcut().toString());
    return items;
}

} // namespace

class ClientWindows : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString folder;

private slots:
    void initTestCase() { QVERIFY(apply_visual_style("Turquoise Gray")); }  // the client's look, as at start-up

    void init()
    {
        folder = dir.path() + "/" + QString::number(QRandomGenerator::global()->generate());
        QDir().mkpath(folder);
    }

    void layoutAndMenus()
    {
        ScriptedDialogs dialogs;
        Client client(folder);
        TForm1& f = *client.form1;
        f.show();
        QCOMPARE(f.windowTitle(), QString("Kestraline Client"));
        QCOMPARE(f.width(), 1044);
        QCOMPARE(f.height() - f.menuBar()->height(), 601);
        QVERIFY(testsupport::panelsSideBySide(*f.StatusBar1, {300, 250, 150, 150, 50}));
        QCOMPARE(f.Panel4->height(), 54);
        QCOMPARE(f.ProgressBar1->height(), 17);
        QCOMPARE(f.GroupBox1->title(), QString("Кол-во кадров"));
        QCOMPARE(f.GroupBox1->width(), 94);
        QCOMPARE(f.GroupBox2->title(), QString("Громкость"));
        QCOMPARE(f.GroupBox2->width(), 121);
        QCOMPARE(f.BitBtn7->text(), QString("Искать фрагмент"));
        verifyButton(f.BitBtn7, {118, 48});
        QStringList captions;
        int left = f.BitBtn7->geometry().right();
        for (QPushButton* b : {f.BitBtn1, f.BitBtn2, f.BitBtn3, f.BitBtn4, f.BitBtn5, f.BitBtn6}) {
            verifyButton(b, {70, 48});
            QVERIFY(b->x() > left);  // left to right, after the search button
            left = b->geometry().right();
            captions << b->text();
        }
        QCOMPARE(captions, QStringList({"< 1 мин", "< 1 сек", "Играть", "Пауза", "1 сек >", "1 мин >"}));
        QVERIFY(f.GroupBox2->x() > left);
        QCOMPARE(f.GroupBox2->geometry().right() + 3, f.Panel4->width() - 1);  // the volume closes the row
        QCOMPARE(f.ComboBox1->currentText(), QString("50"));
        QCOMPARE(f.ComboBox1->count(), 10);
        QCOMPARE(f.TrackBar1->value(), 50);

        const QList<QAction*> menus = f.menuBar()->actions();
        QCOMPARE(menus.size(), 3);
        QCOMPARE(menus[0]->text(), QString("Файл"));
        QCOMPARE(menuItems(menus[0]->menu()), QStringList({"Открыть|Ctrl+O", "-", "Выход|"}));
        QCOMPARE(menus[1]->text(), QString("Настройки"));
        QCOMPARE(menuItems(menus[1]->menu()), QStringList({"Показать|Ctrl+P"}));
        QCOMPARE(menus[2]->text(), QString("Помощь"));
        QCOMPARE(menuItems(menus[2]->menu()), QStringList({"Справка|F1", "-", "Сетевая справка (обновляется)|Shift+F1",
                                                           "-", "О программе|Ctrl+F1"}));

        // Help opens exactly the help file of the program folder, then the web page;
        // the video file dialog offers every file.
        f.N7->trigger();
        f.N9->trigger();
        QCOMPARE(dialogs.texts("shell"), QStringList({folder + "/Kestraline.chm", OnlineHelp_URL}));
        f.N3->trigger();
        QCOMPARE(dialogs.shown.last().kind, QString("open"));
        QCOMPARE(dialogs.shown.last().caption, QString());
        // Leaving the frame count field clamps what was typed, without completing
        // it from the list first.
        const QList<QPair<QString, QString>> typed = {{"5", "10"}, {"2", "10"}, {"2000", "1000"}, {"abc", "50"}, {"60", "60"}};
        f.activateWindow();
        QTRY_VERIFY(f.isActiveWindow());
        for (const auto& [keys, shown] : typed) {
            f.ComboBox1->setFocus();
            f.ComboBox1->lineEdit()->clear();
            QTest::keyClicks(f.ComboBox1->lineEdit(), keys);
            f.BitBtn7->setFocus();
            QCOMPARE(f.ComboBox1->currentText(), shown);
        }
        QCOMPARE(f.ComboBox1->count(), 10);
    }

    void settingsWithoutAFile()
    {
        Client client(folder);
        client.form1->N12Click();
        TForm6& f6 = *client.form6;
        QVERIFY(f6.isVisible());
        QVERIFY(!f6.isModal());
        QCOMPARE(f6.windowTitle(), QString("Настройки"));
        for (QLineEdit* edit : {f6.Edit1, f6.Edit2, f6.Edit3, f6.Edit4})
            QVERIFY(edit->text().isEmpty());
        QCOMPARE(f6.Edit4->echoMode(), QLineEdit::Password);
        QCOMPARE(f6.BitBtn1->text() + f6.BitBtn2->text() + f6.BitBtn3->text(), QString("СохранитьОчиститьЗакрыть"));
        f6.BitBtn1Click();
        QVERIFY(!f6.isVisible());
        QCOMPARE(testsupport::readBytes(folder + "/KestralineClient.ini"),
                 QByteArray("[Client]\r\nHost=\r\nPort=\r\nUser=\r\nPassword=\r\n"));
    }

    void settingsFromAFileAndSaved()
    {
        testsupport::writeBytes(folder + "/KestralineClient.ini", "[Client]\r\nHost=search.local\r\n");
        Client client(folder);
        QCOMPARE(client.form1->Settings.Host, QString("search.local"));
        QCOMPARE(client.form1->Settings.Port, QString("1080"));
        QCOMPARE(client.form1->Settings.User, QString("qoda"));
        QCOMPARE(client.form1->Settings.Password, QString("580264"));

        // "Очистить" and "Закрыть" keep what was saved; the next show shows it again.
        TForm6& f6 = *client.form6;
        f6.show();
        f6.BitBtn2Click();
        QVERIFY(f6.Edit1->text().isEmpty());
        f6.BitBtn3Click();
        QCOMPARE(client.form1->Settings.Host, QString("search.local"));
        f6.show();
        QCOMPARE(f6.Edit1->text(), QString("search.local"));
        QCOMPARE(f6.Edit4->text(), QString("580264"));
        QCOMPARE(f6.Edit4->displayText(), QString("******"));  // one asterisk per character

        f6.Edit2->setText("port 9");
        f6.Edit4->setText("тайна");
        f6.BitBtn1Click();
        QCOMPARE(client.form1->Settings.Port, QString("port 9"));
        QCOMPARE(QString::fromUtf8(testsupport::readBytes(folder + "/KestralineClient.ini")),
                 QString("[Client]\r\nHost=search.local\r\nPort=port 9\r\nUser=qoda\r\nPassword=тайна\r\n"));
    }

    // A save that does not fit on the disk says so, and the file keeps its bytes.
    void settingsSavedOnAFullDisk()
    {
        testsupport::SmallDisk disk(64 * 1024);
        if (!disk.isMounted())
            QSKIP(qPrintable(disk.refusal()));
        const QString ini = disk.path() + "/KestralineClient.ini";
        const QByteArray before = "[Client]\r\nHost=search.local\r\n";
        testsupport::writeBytes(ini, before);
        ScriptedDialogs dialogs;
        Client client(disk.path());
        disk.fill();
        client.form6->show();
        client.form6->Edit1->setText("other.host");
        client.form6->BitBtn1Click();
        QCOMPARE(dialogs.texts(), QStringList{"Ошибка записи файла настроек: " + ini});
        QCOMPARE(testsupport::readBytes(ini), before);
    }

    void searchShowsTheAnswer()
    {
        ScriptedDialogs dialogs;
        testsupport::installFakeAnalyzer(folder, QByteArray(150, '\x20'));
        Client client(folder);
        client.form1->Settings = {"127.0.0.1", "1080", "qoda", "580264"};
        // No video open: nothing happens, nothing is shown.
        client.form1->BitBtn7Click();
        QVERIFY(dialogs.shown.isEmpty());
        QVERIFY(!QFile::exists(folder + "/args.txt"));

        client.open(dialogs, "/videos/a.mp4");
        QVERIFY(client.form1->Player->OPENED);
        client.backend->current = 125000000;
        client.backend->takeCalls();
        client.transport->reply = {SearchExchange::Answered, fullAnswer};
        client.form1->BitBtn7Click();
        QVERIFY(client.backend->takeCalls().contains("pause"));
        QVERIFY(client.form1->Player->PAUSED);
        QCOMPARE(testsupport::fakeAnalyzerArguments(folder),
                 QStringList({"/videos/a.mp4", folder + "/KestralineClient.tmp", "12.5", "2.016"}));
        TForm7& f7 = *client.form7;
        QVERIFY(f7.isVisible());
        QVERIFY(!f7.isModal());
        QCOMPARE(f7.windowTitle(), QString("Результаты поиска"));
        QCOMPARE(f7.PageControl1->tabText(0) + "|" + f7.PageControl1->tabText(1), QString("Информация|Ответ на запрос"));
        QCOMPARE(f7.ValueListEditor1->horizontalHeaderItem(0)->text(), QString("Параметр"));
        QCOMPARE(f7.ValueListEditor1->horizontalHeaderItem(1)->text(), QString("Значение"));
        QVERIFY(f7.ValueListEditor1->columnWidth(0) >= 150);
        for (const AnswerRow& row : kAnswerRows)  // every label whole
            QVERIFY(f7.ValueListEditor1->fontMetrics().horizontalAdvance(row.label) <
                    f7.ValueListEditor1->columnWidth(0));
        QCOMPARE(f7.ValueListEditor1->columnWidth(1), 431);
        QCOMPARE(f7.ValueListEditor1->RowCount(), 13);
        QCOMPARE(f7.ValueListEditor1->Cell(0, 2), QString("Кадров запроса"));
        QStringList values;
        for (int row = 0; row < 12; ++row)
            values << f7.Value(row);
        QCOMPARE(values, QStringList({"1", "50", "4", "100", "2", "клип.mp4", "25", "10", "250", "640", "480", "демо"}));
        QCOMPARE(f7.AnswerText(), QString(fullAnswer).replace("\n", "\r\n"));
        f7.BitBtn2Click();
        QCOMPARE(QApplication::clipboard()->text(), QString(fullAnswer).replace("\n", "\r\n"));

        // A press while the search waits for its answer does nothing.
        client.transport->whilePosting = [&client] { client.form1->BitBtn7Click(); };
        client.transport->reply = {SearchExchange::Answered, "<xml>\n<found>0</found>\n<querylen>30</querylen>\n</xml>\n"};
        client.form1->BitBtn7Click();
        QCOMPARE(client.transport->requests.size(), 2);
        QCOMPARE(f7.Value(0), QString("0"));
        QCOMPARE(f7.Value(1), QString("10"));
        QCOMPARE(f7.Value(11), QString("демо"));  // rows the answer lacks stay
        f7.BitBtn1Click();
        QVERIFY(!f7.isVisible());
        QVERIFY(dialogs.texts().isEmpty());
    }

    // While the tool runs and while the answer is awaited the window takes no
    // input and the player's timers stand still, though it still paints; the
    // player stays paused. A close asked for meanwhile comes once the search has
    // ended, without a message that the wait was cut short.
    void searchHoldsTheWindow_data()
    {
        QTest::addColumn<bool>("closeWhileWaiting");
        QTest::addColumn<int>("reply");  // SearchExchange::Outcome
        QTest::newRow("answered") << false << int(SearchExchange::Answered);
        QTest::newRow("closed while waiting") << true << int(SearchExchange::Failed);
    }

    void searchHoldsTheWindow()
    {
        QFETCH(bool, closeWhileWaiting);
        QFETCH(int, reply);
        ScriptedDialogs dialogs;
        testsupport::installFakeAnalyzer(folder, QByteArray(150, '\x20'), 0.4);
        Client client(folder);
        TForm1& f = *client.form1;
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        client.open(dialogs, "/videos/a.mp4");
        client.transport->reply = {SearchExchange::Outcome(reply), fullAnswer};
        client.backend->takeCalls();
        dialogs.shown.clear();

        QStringList seen;
        int paints = 0;
        PaintCounter counter(f.BitBtn7, paints);
        // What a user tries meanwhile: "Играть", "< 1 мин", Ctrl+O.
        const auto tryTheWindow = [&](const QString& phase) {
            seen << phase + (f.Timer1->isActive() || f.Timer2->isActive() ? " with timers running" : "");
            QTest::mouseClick(f.BitBtn3, Qt::LeftButton);
            QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
            QTest::keyClick(&f, Qt::Key_O, Qt::ControlModifier);
        };
        QTimer::singleShot(100, &f, [&] {
            tryTheWindow("tool");
            paints = 0;
            f.BitBtn7->update();
        });
        QTimer::singleShot(250, &f, [&] { seen << (paints > 0 ? "painted" : "not painted"); });
        client.transport->whilePosting = [&] {
            tryTheWindow("answer");
            if (closeWhileWaiting)
                f.close();
            QVERIFY(f.isVisible());
        };
        f.BitBtn7Click();

        QCOMPARE(seen, QStringList({"tool", "painted", "answer"}));
        const QStringList calls = client.backend->takeCalls();
        QVERIFY2(calls.filter(QRegularExpression("^(run|seek)")).isEmpty(), qPrintable(calls.join(", ")));
        QVERIFY(dialogs.shown.isEmpty());  // neither the file dialog nor a message
        QVERIFY(f.Player->PAUSED);
        QCOMPARE(client.form7->isVisible(), !closeWhileWaiting);
        QCOMPARE(f.isVisible(), !closeWhileWaiting);
        QCOMPARE(f.Player->OPENED, !closeWhileWaiting);
        QCOMPARE(f.Timer2->isActive(), true);
    }

    void searchFailures()
    {
        ScriptedDialogs dialogs;
        testsupport::installFakeAnalyzer(folder, QByteArray(30, '\x01'));
        Client client(folder);
        client.open(dialogs, "/videos/a.mp4");
        client.transport->reply = {SearchExchange::Refused, {}};
        client.form1->BitBtn7Click();
        client.transport->reply = {SearchExchange::Failed, {}};
        client.form1->BitBtn7Click();
        QCOMPARE(dialogs.texts(), QStringList({"Неверное имя или пароль", "Сервер недоступен"}));
        QVERIFY(!client.form7->isVisible());

        // A tool that writes nothing, after an old request file was left behind.
        testsupport::installFakeAnalyzer(folder, {});
        testsupport::writeBytes(folder + "/KestralineClient.tmp", QByteArray(30, '\x01'));
        client.form1->BitBtn7Click();
        QCOMPARE(dialogs.texts().last(), QString("Файл-запрос не создан!"));
        QCOMPARE(client.transport->requests.size(), 2);
    }
};

QTEST_MAIN(ClientWindows)
#include "client_window_qtest.moc"
