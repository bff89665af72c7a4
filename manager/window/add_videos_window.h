#pragma once
#include "analyzer.h"

#include <QDialog>
#include <memory>

class QProgressBar;
class QPushButton;
class QTimer;

class StringGrid;

namespace manager {

class PanelStatusBar;
class TForm1;

// The add-videos window: collects video files into a list and processes them one
// after the other. For each file whose turn comes it inserts the row of table
// `video`, lets an ANALYZER worker run the two outside tools, and writes the
// result into the row in the worker's hand-back. Processing goes on while the
// window is hidden.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(TForm1& mainWindow);
    // Stops processing, waiting for a running tool.
    ~TForm2() override;

    static const QString VideoFilter;

    // True from "Обработать файлы" until processing ends or is cancelled.
    bool IsProcessing() const;
    // Cancels processing as the cancel button does (waits for a running tool).
    void StopProcessing();

    StringGrid* StringGrid1;
    QWidget* Panel1; // buttons
    QWidget* Panel2; // progress
    QProgressBar* ProgressBar1;
    PanelStatusBar* StatusBar1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    QPushButton* BitBtn4;
    QPushButton* BitBtn5;
    QPushButton* BitBtn6;
    QTimer* Timer1;
    bool BUSY2 = false;
    std::unique_ptr<ANALYZER> Analyzer; // the current worker or none

public slots:
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();
    void BitBtn6Click();
    void Timer1Timer();
    void Action1Execute();
    void UpdateStatusBarExecute();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildButtonPanel();
    QWidget* BuildProgressPanel();
    void ShowButtons(bool buttons);
    int FirstQueuedRow() const;
    void FinishProcessing();
    void StartVideo(int row);
    void AdvanceProgress();

    TForm1& Form1;
};

} // namespace manager
