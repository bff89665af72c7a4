#pragma once
#include <QMainWindow>
#include <functional>
#include <memory>

#include "connection_settings.h"
#include "fragment_search.h"
#include "player_backend.h"
#include "search_transport.h"

class QAction;
class QComboBox;
class QDialog;
class QGroupBox;
class QPushButton;
class QSlider;
class QTimer;

namespace player {
class SeekBar;
class StatusPanelBar;
class VIDEO_PLAYER;
} // namespace player

namespace client {

class TForm6;
class TForm7;

// The web address that the about box's link opens, and the online help page.
extern const QString Program_URL;
extern const QString OnlineHelp_URL;

// The client's main window "Kestraline Client": the player in its video area,
// the frame count and "Искать фрагмент", the player's buttons and volume, the
// menus, and the connection settings read from KestralineClient.ini.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // `programFolder` holds the settings file, the help file, the analysis tool
    // and the request file. Without a backend the player plays through libmpv;
    // without a transport the search posts over HTTP.
    explicit TForm1(const QString& programFolder, std::unique_ptr<player::PlayerBackend> backend = nullptr,
                    std::unique_ptr<SearchTransport> transport = nullptr, QWidget* parent = nullptr);
    ~TForm1() override;

    // The windows created after this one at start-up.
    void SetWindows(TForm6* settingsWindow, TForm7* resultsWindow, QDialog* aboutBox);

    QString CurPath;
    ConnectionSettings Settings;  // Host, Port, User, Password
    std::unique_ptr<player::VIDEO_PLAYER> Player;

    QWidget* Panel1;   // video area
    QWidget* Panel3;   // video panel, placed by the player
    QWidget* Panel4;   // the controls below the progress bar
    player::SeekBar* ProgressBar1;
    player::StatusPanelBar* StatusBar1;
    QGroupBox* GroupBox1;   // "Кол-во кадров"
    QComboBox* ComboBox1;
    QPushButton* BitBtn7;   // "Искать фрагмент"
    QPushButton* BitBtn1;   // "< 1 мин"
    QPushButton* BitBtn2;   // "< 1 сек"
    QPushButton* BitBtn3;   // "Играть"
    QPushButton* BitBtn4;   // "Пауза"
    QPushButton* BitBtn5;   // "1 сек >"
    QPushButton* BitBtn6;   // "1 мин >"
    QGroupBox* GroupBox2;   // "Громкость"
    QSlider* TrackBar1;
    QTimer* Timer1;         // layout
    QTimer* Timer2;         // position poll
    QAction* N3;   // Открыть
    QAction* N5;   // Выход
    QAction* N12;  // Показать (settings)
    QAction* N7;   // Справка
    QAction* N9;   // Сетевая справка
    QAction* N11;  // О программе

public slots:
    void N3Click();
    void N5Click();
    void N12Click();
    void N7Click();
    void N9Click();
    void N11Click();
    void BitBtn7Click();
    void ComboBox1Exit();
    void ReadIniExecute();
    void WriteIniExecute();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    QWidget* BuildControls();
    void ConnectPlayer();
    // Runs the search while the window is held: no input, no player timers.
    FragmentSearchResult RunSearch();
    void ShowAnswer(const QString& answer);

    std::unique_ptr<SearchTransport> Transport;
    FragmentSearch Search;
    bool Searching = false;  // a search waits for its tool or its answer
    std::function<void()> AfterSearch;  // closing or quitting asked for meanwhile
    TForm6* Form6 = nullptr;
    TForm7* Form7 = nullptr;
    QDialog* AboutBox = nullptr;
};

} // namespace client
