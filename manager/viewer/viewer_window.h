#pragma once
#include "colour_data.h"
#include "player_backend.h"

#include <QMainWindow>
#include <memory>

class QAbstractSlider;
class QPushButton;
class QScrollArea;
class QSplitter;
class QTimer;

namespace player {
class SeekBar;
class StatusPanelBar;
class VIDEO_PLAYER;
} // namespace player

namespace manager {

class ColourStripBox;

// The viewer: one video of the project played with the player, and below it
// the colour strip of that video's colour-data file. Created hidden at start-up;
// the main window's grid double-click sets the two paths, shows it and opens.
// It only reads: no file and no database row is written.
class TForm4 : public QMainWindow {
    Q_OBJECT
public:
    // `backend` plays the video; the libmpv one unless a test hands over another.
    explicit TForm4(std::unique_ptr<player::PlayerBackend> backend = nullptr, QWidget* parent = nullptr);
    ~TForm4() override;

    // The video to open and its colour-data file, set before Open2Execute.
    QString OpenDialog1;
    QString OpenDialog2;

    COLOUR_DATA RGB;
    std::unique_ptr<player::VIDEO_PLAYER> Player;

    QWidget* Panel1;   // video area
    QWidget* Panel3;   // video panel inside it
    player::SeekBar* ProgressBar1;
    QSplitter* Splitter1;
    QScrollArea* ScrollBox1;
    ColourStripBox* PaintBox1;
    QWidget* Panel2;
    QPushButton* BitBtn6; // "< 1 мин"
    QPushButton* BitBtn5; // "< 1 сек"
    QPushButton* BitBtn3; // "Играть"
    QPushButton* BitBtn4; // "Пауза"
    QPushButton* BitBtn2; // "1 сек >"
    QPushButton* BitBtn1; // "1 мин >"
    QAbstractSlider* TrackBar1;
    player::StatusPanelBar* StatusBar1;
    QTimer* Timer1; // layout, started by the player
    QTimer* Timer2; // position poll

public slots:
    // Opens OpenDialog1's video (twice on the program's first open).
    void Open2Execute();
    // The player's hook after the previous video was released: reads the colour data.
    void ReadDataExecute();
    // The player's hook after each position poll: draws the strip while playing.
    void ShowDataExecute();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* BuildVideoArea();
    QWidget* BuildStrip();
    QWidget* BuildButtons();
};

} // namespace manager
