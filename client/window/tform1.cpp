#include "tform1.h"

#include "program_folder.h"
#include "platform_startup.h"
#include "window_look.h"
#include "client_settings_file.h"
#include "dialog_service.h"
#include "frame_count.h"
#include "player_host.h"
#include "player_widgets.h"
#include "search_transport.h"
#include "string_helpers.h"
#include "tform6.h"
#include "tform7.h"
#include "window_hold.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

namespace client {

const QString Program_URL = QStringLiteral("https://kestraline.example/");
const QString OnlineHelp_URL = QStringLiteral("https://kestraline.example/help/client/");

namespace {

const QString caption = "Kestraline Client";
// The framework's standard margin around each control, in pixels.
const int margin = 3;

QAction* addItem(QMenu* menu, const QString& text, const QKeySequence& shortcut = {})
{
    QAction* action = menu->addAction(text);
    action->setShortcut(shortcut);
    return action;
}

// A captioned group holding one control.
QGroupBox* group(const QString& text, int width, int height, QWidget* content)
{
    auto* box = new QGroupBox(text);
    box->setFixedSize(width, height);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->addWidget(content);
    return box;
}

} // namespace

TForm1::TForm1(const QString& programFolder, std::unique_ptr<player::PlayerBackend> backend,
               std::unique_ptr<SearchTransport> transport, QWidget* parent)
    : QMainWindow(parent),
      CurPath(programFolder),
      Transport(transport ? std::move(transport) : std::make_unique<HttpSearchTransport>()),
      Search(programFolder, *Transport)
{
    setWindowTitle(caption);
    setFont(interface_font());
    BuildMenus();
    StatusBar1 = new player::StatusPanelBar({300, 250, 150, 150, 50}, 4, this);
    setStatusBar(StatusBar1);
    setCentralWidget(BuildControls());
    Timer1 = new QTimer(this);
    Timer2 = new QTimer(this);

    const player::PlayerWidgets widgets{this, Panel1, Panel3, StatusBar1, ProgressBar1, TrackBar1, Timer1, Timer2};
    const player::PlayerHostParameters parameters{caption + " - ", 300, true};
    Player = backend ? player::makeVideoPlayer(widgets, parameters, std::move(backend))
                     : player::makeVideoPlayer(widgets, parameters);
    ConnectPlayer();

    resize(1044, 601 + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    ReadIniExecute();
}

TForm1::~TForm1() = default;

void TForm1::SetWindows(TForm6* settingsWindow, TForm7* resultsWindow, QDialog* aboutBox)
{
    Form6 = settingsWindow;
    Form7 = resultsWindow;
    AboutBox = aboutBox;
}

void TForm1::BuildMenus()
{
    QMenu* file = menuBar()->addMenu("Файл");
    N3 = addItem(file, "Открыть", QKeySequence("Ctrl+O"));
    file->addSeparator();
    N5 = addItem(file, "Выход");

    QMenu* settings = menuBar()->addMenu("Настройки");
    N12 = addItem(settings, "Показать", QKeySequence("Ctrl+P"));

    QMenu* help = menuBar()->addMenu("Помощь");
    N7 = addItem(help, "Справка", QKeySequence("F1"));
    help->addSeparator();
    N9 = addItem(help, "Сетевая справка (обновляется)", QKeySequence("Shift+F1"));
    help->addSeparator();
    N11 = addItem(help, "О программе", QKeySequence("Ctrl+F1"));

    connect(N3, &QAction::triggered, this, &TForm1::N3Click);
    connect(N5, &QAction::triggered, this, &TForm1::N5Click);
    connect(N12, &QAction::triggered, this, &TForm1::N12Click);
    connect(N7, &QAction::triggered, this, &TForm1::N7Click);
    connect(N9, &QAction::triggered, this, &TForm1::N9Click);
    connect(N11, &QAction::triggered, this, &TForm1::N11Click);
}

QWidget* TForm1::BuildControls()
{
    auto* client = new QWidget(this);
    Panel1 = new QWidget;
    Panel1->setAutoFillBackground(true);
    Panel3 = new QWidget(Panel1);

    ProgressBar1 = new player::SeekBar;
    ProgressBar1->setFixedHeight(17);
    ProgressBar1->setTextVisible(false);
    auto* progressRow = new QVBoxLayout;
    progressRow->setContentsMargins(margin, margin, margin, margin);
    progressRow->addWidget(ProgressBar1);

    Panel4 = new QWidget;
    Panel4->setFixedHeight(54);
    const int controlHeight = 54 - 2 * margin;
    ComboBox1 = new QComboBox;
    ComboBox1->setEditable(true);
    // What is typed stays as typed: no completion from the list, no new items.
    ComboBox1->setCompleter(nullptr);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    for (int n = 10; n <= 100; n += 10)
        ComboBox1->addItem(QString::number(n));
    ComboBox1->setCurrentText("50");
    ComboBox1->installEventFilter(this);
    ComboBox1->lineEdit()->installEventFilter(this);
    GroupBox1 = group("Кол-во кадров", 94, controlHeight, ComboBox1);
    BitBtn7 = fitted_button("Искать фрагмент", 118, controlHeight);
    BitBtn1 = fitted_button("< 1 мин", 70, controlHeight);
    BitBtn2 = fitted_button("< 1 сек", 70, controlHeight);
    BitBtn3 = fitted_button("Играть", 70, controlHeight);
    BitBtn4 = fitted_button("Пауза", 70, controlHeight);
    BitBtn5 = fitted_button("1 сек >", 70, controlHeight);
    BitBtn6 = fitted_button("1 мин >", 70, controlHeight);
    TrackBar1 = new QSlider(Qt::Horizontal);
    TrackBar1->setRange(0, 100);
    TrackBar1->setValue(50);
    GroupBox2 = group("Громкость", 121, controlHeight, TrackBar1);

    auto* controls = new QHBoxLayout(Panel4);
    controls->setContentsMargins(margin, margin, margin, margin);
    controls->setSpacing(2 * margin);
    controls->addWidget(GroupBox1);
    controls->addWidget(BitBtn7);
    controls->addStretch();
    for (QWidget* w : std::initializer_list<QWidget*>{BitBtn1, BitBtn2, BitBtn3, BitBtn4, BitBtn5, BitBtn6, GroupBox2})
        controls->addWidget(w);

    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1, 1);
    layout->addLayout(progressRow);
    layout->addWidget(Panel4);
    return client;
}

void TForm1::ConnectPlayer()
{
    player::VIDEO_PLAYER* p = Player.get();
    connect(BitBtn1, &QPushButton::clicked, this, [p] { p->BackMinute(); });
    connect(BitBtn2, &QPushButton::clicked, this, [p] { p->BackSecond(); });
    connect(BitBtn3, &QPushButton::clicked, this, [p] { p->Play(); });
    connect(BitBtn4, &QPushButton::clicked, this, [p] { p->Pause(); });
    connect(BitBtn5, &QPushButton::clicked, this, [p] { p->ForwardSecond(); });
    connect(BitBtn6, &QPushButton::clicked, this, [p] { p->ForwardMinute(); });
    connect(BitBtn7, &QPushButton::clicked, this, &TForm1::BitBtn7Click);
    connect(TrackBar1, &QSlider::valueChanged, this, [p] { p->VolumeChange(); });
    connect(Timer1, &QTimer::timeout, this, [p] { p->LayoutTimer(); });
    connect(Timer2, &QTimer::timeout, this, [p] { p->Poll(); });
    connect(ProgressBar1, &player::SeekBar::pressed, this, [p](int x) { p->ProgressBarMouseDown(x); });
    connect(ProgressBar1, &player::SeekBar::moved, this, [p](int x) { p->ProgressBarMouseMove(x); });
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Player->FormResize();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // A window waiting for its search closes once the search has ended.
    if (Searching) {
        AfterSearch = [this] { close(); };
        event->ignore();
        return;
    }
    Player->CloseQuery();
    event->accept();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && (watched == ComboBox1 || watched == ComboBox1->lineEdit()))
        ComboBox1Exit();
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::ComboBox1Exit()
{
    ComboBox1->setCurrentText(clamped_frame_count_text(ComboBox1->currentText()));
}

void TForm1::N3Click()
{
    const QString file = dialogs().openFileName(this, Player->FileName, QString());
    if (file.isEmpty())
        return;
    Player->FileName = file;
    Player->Open2Execute();
}

void TForm1::N5Click()
{
    // Quitting would cut the wait for the answer short and report the server as
    // unreachable; the program ends once the search has ended instead.
    if (Searching) {
        AfterSearch = [] { QApplication::quit(); };
        return;
    }
    QApplication::quit();
}

void TForm1::N12Click()
{
    if (Form6)
        show_in_front(Form6);
}

void TForm1::N7Click()
{
    dialogs().shellOpen(help_file_path(CurPath));
}

void TForm1::N9Click()
{
    dialogs().shellOpen(OnlineHelp_URL);
}

void TForm1::N11Click()
{
    if (AboutBox)
        AboutBox->exec();
}

void TForm1::ReadIniExecute()
{
    read_client_settings(CurPath, Settings);
}

void TForm1::WriteIniExecute()
{
    // Said at once, so that the user does not find the settings gone at the next start.
    if (!write_client_settings(CurPath, Settings))
        dialogs().showMessage("Ошибка записи файла настроек: " + client_settings_path(CurPath));
}

void TForm1::BitBtn7Click()
{
    // The search waits for its tool and its answer; a press meanwhile does nothing.
    if (Searching || !Player->OPENED)
        return;
    if (!Player->PAUSED)
        Player->Pause();
    Player->ReadPosition();
    const FragmentSearchResult result = RunSearch();
    // Closing asked for during the wait comes first; the answer is not shown then.
    if (AfterSearch) {
        std::exchange(AfterSearch, nullptr)();
        return;
    }
    switch (result.outcome) {
    case FragmentSearchResult::NoRequestFile:
        dialogs().showMessage("Файл-запрос не создан!");
        break;
    case FragmentSearchResult::Refused:
        dialogs().showMessage("Неверное имя или пароль");
        break;
    case FragmentSearchResult::Unreachable:
        dialogs().showMessage("Сервер недоступен");
        break;
    case FragmentSearchResult::Answered:
        ShowAnswer(result.answer);
        break;
    }
}

FragmentSearchResult TForm1::RunSearch()
{
    Searching = true;
    const auto done = qScopeGuard([this] { Searching = false; });
    const WindowHold hold(this);
    return Search.Run(Settings, Player->FileName, Player->pos, Player->fps, ComboBox1->currentText());
}

void TForm1::ShowAnswer(const QString& answer)
{
    try {
        Form7->SetAnswerText(str_replace("\n", "\r\n", answer));
        show_in_front(Form7);
        Form7->UpdateInfoExecute();
    } catch (...) {
        dialogs().showMessage("Сервер недоступен");
    }
}

} // namespace client
