#include "main_window.h"

#include "program_folder.h"
#include "add_videos_window.h"
#include "dialog_service.h"
#include "panel_status_bar.h"
#include "platform_startup.h"
#include "status_bar_texts.h"
#include "string_grid.h"
#include "viewer_window.h"
#include "window_look.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace manager {

const QString Program_URL = "https://kestraline.example/";
const QString Online_Help_URL = "https://kestraline.example/help/manager/";

namespace {

const QString projectFilter = "Kestraline.db|Kestraline.db";
const QString caption = "Kestraline Manager";

QVector<StringGrid::Column> videoColumns()
{
    return {{"№", 40},     {"ID", 40},     {"Статус", 70},           {"Имя файла", 150},
            {"Полный путь", 400}, {"FPS", 50}, {"Продолжительность", 100}, {"Кадров", 60},
            {"Ширина", 50}, {"Высота", 50}, {"Комментарий", 250}};
}

QAction* addItem(QMenu* menu, const QString& text, const QKeySequence& shortcut = {})
{
    QAction* action = menu->addAction(text);
    action->setShortcut(shortcut);
    return action;
}

} // namespace

TForm1::TForm1(const QString& programFolder, QWidget* parent) : QMainWindow(parent), CurPath(programFolder)
{
    setFont(interface_font());
    setWindowTitle(caption);
    BuildMenus();
    StatusBar1 = new PanelStatusBar(this);
    setStatusBar(StatusBar1);
    setCentralWidget(BuildPanel());
    Panel1->hide();
    VidInfo.tooldir = CurPath;

    Action1 = new QAction("UpdateVideos", this);
    connect(Action1, &QAction::triggered, this, &TForm1::Action1Execute);
    UpdateStatusBar = new QAction("UpdateStatusBar", this);
    connect(UpdateStatusBar, &QAction::triggered, this, &TForm1::UpdateStatusBarExecute);

    resize(1186, 637 + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TForm1::~TForm1() = default;

void TForm1::SetWindows(TForm2* addVideos, QDialog* aboutBox, QDialog* searchDialog)
{
    Form2 = addVideos;
    AboutBox = aboutBox;
    Form5 = searchDialog;
}

void TForm1::BuildMenus()
{
    QMenu* file = menuBar()->addMenu("Файл");
    N3 = addItem(file, "Новый проект", QKeySequence("Ctrl+N"));
    file->addSeparator();
    N5 = addItem(file, "Открыть проект", QKeySequence("Ctrl+O"));
    file->addSeparator();
    N7 = addItem(file, "Выход");

    // The table and settings items are present without an action of their own.
    QMenu* table = menuBar()->addMenu("Таблица");
    addItem(table, "Добавить", QKeySequence("Ctrl+A"));
    table->addSeparator();
    addItem(table, "Удалить", QKeySequence("Shift+Del"));
    table->addSeparator();
    addItem(table, "Очистить", QKeySequence("Ctrl+Del"));

    QMenu* search = menuBar()->addMenu("Поиск");
    N15 = addItem(search, "Запустить сервер поиска видео", QKeySequence("Ctrl+S"));
    search->addSeparator();
    N24 = addItem(search, "Открыть диалог поиска", QKeySequence("Ctrl+F"));

    QMenu* settings = menuBar()->addMenu("Настройки");
    addItem(settings, "Редактировать");

    QMenu* help = menuBar()->addMenu("Помощь");
    N16 = addItem(help, "Справка", QKeySequence("F1"));
    help->addSeparator();
    N18 = addItem(help, "Сетевая справка (обновляется)", QKeySequence("Shift+F1"));
    help->addSeparator();
    N20 = addItem(help, "О программе", QKeySequence("Ctrl+F1"));

    connect(N3, &QAction::triggered, this, &TForm1::N3Click);
    connect(N5, &QAction::triggered, this, &TForm1::N5Click);
    connect(N7, &QAction::triggered, this, &TForm1::N7Click);
    connect(N15, &QAction::triggered, this, &TForm1::N15Click);
    connect(N24, &QAction::triggered, this, &TForm1::N24Click);
    connect(N16, &QAction::triggered, this, &TForm1::N16Click);
    connect(N18, &QAction::triggered, this, &TForm1::N18Click);
    connect(N20, &QAction::triggered, this, &TForm1::N20Click);
}

QWidget* TForm1::BuildPanel()
{
    Panel1 = new QWidget(this);
    StringGrid1 = new StringGrid(videoColumns(), Panel1);
    connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, &TForm1::StringGrid1DblClick);

    BitBtn3 = fitted_button("Добавить видео в проект", 160, 35);
    BitBtn2 = fitted_button("Удалить выбранные  записи", 160, 35);
    BitBtn1 = fitted_button("Очистить таблицу", 160, 35);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);

    auto* buttons = new QWidget(Panel1);
    buttons->setFixedHeight(41);
    auto* buttonRow = new QHBoxLayout(buttons);
    buttonRow->setContentsMargins(3, 3, 3, 3);
    buttonRow->addStretch();
    buttonRow->addWidget(BitBtn3);
    buttonRow->addWidget(BitBtn2);
    buttonRow->addWidget(BitBtn1);

    auto* layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(StringGrid1);
    layout->addWidget(buttons);
    return Panel1;
}

void TForm1::LeaveProject()
{
    if (Form2)
        Form2->StopProcessing();
    Project.Close();
    StringGrid1->ResetToEmptyRow();
    Panel1->hide();
    setWindowTitle(caption);
    UpdateStatusBarExecute();
}

void TForm1::ShowProject()
{
    Panel1->show();
    setWindowTitle(caption + " - " + Project.Path());
    UpdateStatusBarExecute();
}

void TForm1::N3Click()
{
    const QString path = dialogs().saveFileName(this, "Kestraline.db", projectFilter);
    if (path.isEmpty())
        return;
    LeaveProject();
    if (!Project.Create(path)) { // a failing CREATE TABLE throws with no project open
        dialogs().showMessage("Ошибка создания базы данных");
        return;
    }
    StringGrid1->ResetToEmptyRow();
    ShowProject();
}

void TForm1::N5Click()
{
    const QString path = dialogs().openFileName(this, Project.Path(), projectFilter);
    if (path.isEmpty())
        return;
    LeaveProject();
    if (!Project.Open(path)) {
        dialogs().showMessage("Ошибка открытия базы данных");
        return;
    }
    try {
        Action1Execute();
    } catch (...) {
        LeaveProject();
        throw;
    }
    ShowProject();
}

void TForm1::N7Click()
{
    QApplication::quit();
}

void TForm1::N15Click()
{
    if (Project.Path().isEmpty()) {
        dialogs().showMessage("Для запуска сервера поиска необходимо открыть проект");
        return;
    }
    QProcess::startDetached(CurPath + "/KestralineServer", {Project.Path()});
}

void TForm1::N24Click()
{
    if (Project.Path().isEmpty()) {
        dialogs().showMessage("Перед поиском необходимо открыть проект");
        return;
    }
    if (Form5)
        Form5->exec();
}

void TForm1::N16Click()
{
    dialogs().shellOpen(help_file_path(CurPath));
}

void TForm1::N18Click()
{
    dialogs().shellOpen(Online_Help_URL);
}

void TForm1::N20Click()
{
    if (AboutBox)
        AboutBox->exec();
}

void TForm1::Action1Execute()
{
    StringGrid1->ResetToEmptyRow();
    if (Project.IsOpen()) {
        const QVector<VIDEO_ROW> rows = Project.LoadRows();
        for (int i = 0; i < rows.size(); ++i)
            StringGrid1->SetRow(i + 1, QStringList{QString::number(i + 1)} + rows[i].GridTexts());
    }
    UpdateStatusBarExecute();
}

void TForm1::UpdateStatusBarExecute()
{
    const bool listing = !Panel1->isHidden() && !StringGrid1->IsEmptyList();
    StatusBar1->setCountingPanels(listing ? status_bar_texts(StringGrid1->ColumnTexts(2)) : QStringList());
}

void TForm1::DeleteColourFiles(int top, int bottom) const
{
    for (int row = top; row <= bottom; ++row) {
        const QString colourFile = Project.ColourFile(StringGrid1->Cell(1, row));
        if (QFile::exists(colourFile))
            QFile::remove(colourFile);
    }
}

void TForm1::BitBtn2Click()
{
    int top = 0, bottom = 0;
    if (!Project.IsOpen() || !StringGrid1->SelectedBlock(top, bottom))
        return;
    DeleteColourFiles(top, bottom);
    if (bottom - top + 1 == StringGrid1->RowCount() - 1) {
        BitBtn1Click();
        return;
    }
    StringGrid1->RemoveBlockKeepingNumbers(top, bottom);
    UpdateStatusBarExecute();
}

void TForm1::BitBtn1Click()
{
    if (!Project.IsOpen())
        return;
    DeleteColourFiles(1, StringGrid1->RowCount() - 1);
    StringGrid1->ResetToEmptyRow();
    UpdateStatusBarExecute();
}

void TForm1::BitBtn3Click()
{
    if (Form2 && Project.IsOpen())
        Form2->exec();
}

void TForm1::StringGrid1DblClick()
{
    // Whatever the row's status: queued and failed rows open the viewer too.
    const int row = StringGrid1->currentRow() + 1;
    const QString video = StringGrid1->Cell(4, row);
    if (video.isEmpty() || !Form4)
        return;
    Form4->OpenDialog1 = video;
    Form4->OpenDialog2 = Project.ColourFile(StringGrid1->Cell(1, row));
    show_in_front(Form4);
    Form4->Open2Execute();
}

} // namespace manager
