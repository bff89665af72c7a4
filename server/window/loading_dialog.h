#pragma once
#include <QDialog>
#include <QTimer>
#include <cstdint>

class KESTRALINE_FINDER;
class QProgressBar;
class QPushButton;
class QStatusBar;

namespace server {

// "Загрузка видео данных": loads the colour data of the opened project on the main
// thread, one video per tick of a 1 ms timer, and shows the progress. It closes by
// itself when every video is loaded; "Отмена" only closes it, and loading goes on
// in the background until the last video.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(KESTRALINE_FINDER& finder, QWidget* parent = nullptr);

    QProgressBar* ProgressBar1;
    QPushButton* BitBtn1;
    QStatusBar* StatusBar1;
    QTimer Timer1;
    // 1 while a tick is loading, so that a tick never starts a second load.
    uint8_t BUSY2 = 0;

public slots:
    void Timer1Timer();
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();

    KESTRALINE_FINDER& finder;
};

} // namespace server
