#include "add_videos_window.h"

#include "dialog_service.h"
#include "error_box.h"
#include "file_helpers.h"
#include "main_window.h"
#include "new_files.h"
#include "panel_status_bar.h"
#include "platform_startup.h"
#include "status_bar_texts.h"
#include "string_grid.h"
#include "window_look.h"
#include "video_status.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QVBoxLayout>

namespace manager {

const QString TForm2::VideoFilter =
    "Видео файлы (*.avi; *.mov; *.mkv; *.mpg; *.mp4; *.webm)|*.avi; *.mov; *.mkv; *.mpg; *.mp4; *.webm|"
    "Все файлы (*.*)|*.*";

namespace {

QWidget* fixedHeightPanel(QWidget* parent, QHBoxLayout*& row)
{
    auto* panel = new QWidget(parent);
    panel->setFixedHeight(41);
    row = new QHBoxLayout(panel);
    row->setContentsMargins(3, 3, 3, 3);
    return panel;
}

} // namespace

TForm2::TForm2(TForm1& mainWindow) : QDialog(&mainWindow), Form1(mainWindow)
{
    setFont(interface_font());
    setWindowTitle("Добавление видео в проект");
    StringGrid1 = new StringGrid({{"№", 40}, {"Статус", 150}, {"Файл", 700}, {"Размер", 100}}, this);
    StatusBar1 = new PanelStatusBar(this);
    Timer1 = new QTimer(this);
    Timer1->setInterval(200);
    connect(Timer1, &QTimer::timeout, this, &TForm2::Timer1Timer);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(StringGrid1);
    layout->addWidget(BuildProgressPanel());
    layout->addWidget(BuildButtonPanel());
    layout->addWidget(StatusBar1);
    Panel2->hide();
    resize(1023, 555);
}

TForm2::~TForm2()
{
    StopProcessing();
}

QWidget* TForm2::BuildButtonPanel()
{
    QHBoxLayout* row = nullptr;
    Panel1 = fixedHeightPanel(this, row);
    BitBtn3 = fitted_button("Добавить файлы", 120, 35);
    BitBtn2 = fitted_button("Удалить", 120, 35);
    BitBtn4 = fitted_button("Очистить таблицу", 120, 35);
    BitBtn5 = fitted_button("Обработать файлы", 150, 35);
    BitBtn1 = fitted_button("Закрыть", 120, 35);
    row->addWidget(BitBtn3);
    row->addWidget(BitBtn2);
    row->addWidget(BitBtn4);
    row->addStretch();
    row->addWidget(BitBtn5);
    row->addWidget(BitBtn1);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm2::BitBtn3Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm2::BitBtn2Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TForm2::BitBtn4Click);
    connect(BitBtn5, &QPushButton::clicked, this, &TForm2::BitBtn5Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm2::BitBtn1Click);
    return Panel1;
}

QWidget* TForm2::BuildProgressPanel()
{
    QHBoxLayout* row = nullptr;
    Panel2 = fixedHeightPanel(this, row);
    ProgressBar1 = new QProgressBar(Panel2);
    ProgressBar1->setTextVisible(false);
    BitBtn6 = fitted_button("Отмена", 100, 35);
    row->addWidget(ProgressBar1, 1);
    row->addWidget(BitBtn6);
    connect(BitBtn6, &QPushButton::clicked, this, &TForm2::BitBtn6Click);
    return Panel2;
}

void TForm2::showEvent(QShowEvent* event)
{
    ShowButtons(true);
    QDialog::showEvent(event);
}

void TForm2::ShowButtons(bool buttons)
{
    Panel1->setVisible(buttons);
    Panel2->setVisible(!buttons);
}

bool TForm2::IsProcessing() const
{
    return Timer1->isActive() || Analyzer != nullptr;
}

void TForm2::BitBtn3Click()
{
    const QStringList chosen = dialogs().openFileNames(this, QString(), VideoFilter);
    if (chosen.isEmpty())
        return;
    const NEW_FILES files =
        split_new_files(chosen, StringGrid1->ColumnTexts(2), Form1.StringGrid1->ColumnTexts(4));
    int row = StringGrid1->IsEmptyList() ? 1 : StringGrid1->RowCount();
    for (const QString& path : files.accepted) {
        StringGrid1->SetRow(row, {QString::number(row), video_status_queued(), path, QString::number(getFileSize(path))});
        ++row;
    }
    if (files.anyDuplicate)
        dialogs().showMessage("Некоторые из выбранных Вами файлов ранее уже были добавлены");
    UpdateStatusBarExecute();
}

void TForm2::BitBtn2Click()
{
    int top = 0, bottom = 0;
    if (!StringGrid1->SelectedBlock(top, bottom))
        return;
    if (bottom - top + 1 == StringGrid1->RowCount() - 1) {
        BitBtn4Click();
        return;
    }
    StringGrid1->RemoveBlockKeepingNumbers(top, bottom);
    UpdateStatusBarExecute();
}

void TForm2::BitBtn4Click()
{
    StringGrid1->ResetToEmptyRow();
    UpdateStatusBarExecute();
}

void TForm2::BitBtn1Click()
{
    close();
}

void TForm2::UpdateStatusBarExecute()
{
    StatusBar1->setCountingPanels(StringGrid1->IsEmptyList() ? QStringList()
                                                             : status_bar_texts(StringGrid1->ColumnTexts(1)));
}

void TForm2::BitBtn5Click()
{
    if (StringGrid1->IsEmptyList()) {
        dialogs().showMessage("Сначала добавьте файлы в список");
        return;
    }
    ShowButtons(false);
    ProgressBar1->setRange(0, StringGrid1->ColumnTexts(1).count(video_status_queued()));
    ProgressBar1->setValue(0);
    BUSY2 = false;
    Timer1->start();
}

int TForm2::FirstQueuedRow() const
{
    for (int row = 1; row < StringGrid1->RowCount(); ++row)
        if (StringGrid1->Cell(1, row) == video_status_queued())
            return row;
    return -1;
}

void TForm2::Timer1Timer()
{
    if (BUSY2)
        return;
    BUSY2 = true;
    const auto idle = qScopeGuard([this] { BUSY2 = false; });
    if (Analyzer && !Analyzer->isFinished())
        return;
    const int row = FirstQueuedRow();
    if (row < 0) {
        FinishProcessing();
        return;
    }
    try {
        StartVideo(row);
    } catch (...) {
        // The error box is shown while the tick still counts as running: the
        // timer goes on firing meanwhile, and a tick let through would meet the
        // same error and stack one more box on this one for every interval.
        show_current_exception();
    }
}

void TForm2::FinishProcessing()
{
    Timer1->stop();
    ShowButtons(true);
    destroy_worker(Analyzer);
    dialogs().showMessage("Задание выполнено");
}

void TForm2::AdvanceProgress()
{
    ProgressBar1->setValue(qMin(ProgressBar1->value() + 1, ProgressBar1->maximum()));
}

void TForm2::StartVideo(int row)
{
    const PROJECT_DATABASE& project = Form1.Project;
    const QString path = StringGrid1->Cell(2, row);
    if (!project.InsertVideo(StringGrid1->Cell(1, row), get_file_name(path), path)) {
        StringGrid1->SetCell(1, row, video_status_failed());
        AdvanceProgress();
        UpdateStatusBarExecute();
        return;
    }
    const int id = project.LastId();
    AdvanceProgress();
    destroy_worker(Analyzer);
    // The runner is written only here, while no worker runs; the property tool's
    // output goes to the folder of the project the row was inserted into.
    CLIPMETA& runner = Form1.VidInfo;
    runner.id = id;
    runner.workdir = project.Folder();
    runner.SetFiles(path, project.ColourFile(QString::number(id)));
    Analyzer = std::make_unique<ANALYZER>(false, runner, this, [this] { Action1Execute(); });
}

void TForm2::Action1Execute()
{
    const CLIPMETA& runner = Form1.VidInfo;
    QString status = runner.success ? video_status_processed() : video_status_failed();
    // A row whose update did not land is not processed, whatever the tools said.
    if (!Form1.Project.UpdateVideo(status, runner.fps, runner.duration, runner.frames, runner.width,
                                   runner.height, runner.id))
        status = video_status_failed();
    for (int row = 1; row < StringGrid1->RowCount(); ++row) {
        if (StringGrid1->Cell(2, row) == runner.videofile) {
            StringGrid1->SetCell(1, row, status);
            break;
        }
    }
    UpdateStatusBarExecute();
    Form1.Action1Execute();
}

void TForm2::BitBtn6Click()
{
    Timer1->stop();
    ShowButtons(true);
    if (Analyzer)
        Analyzer->requestInterruption();
    destroy_worker(Analyzer);
    UpdateStatusBarExecute();
}

void TForm2::StopProcessing()
{
    if (IsProcessing())
        BitBtn6Click();
}

} // namespace manager
