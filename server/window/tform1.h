#pragma once
#include "log_view_text.h"
#include "server_settings.h"

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>

class DesignedStatusBar;
class QAction;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;
class StringGrid;

namespace server {

class ServerCore;
class TForm2;
class TForm9;
class TForm10;

// The web page that the about box's link opens and the online help page.
extern const QString Program_URL;
extern const QString OnlineHelp_URL;

// The server's main window. Its constructor brings the whole server up: settings,
// command line, then the server core (the search engine, the access list, the
// logs, the statistics, the HTTP service and the search thread), which it creates
// and owns and which its handlers drive. The windows created after it (about box,
// loading dialog, user dialogs) are handed to it by the start-up function.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // `programFolder` is the folder of settings, logs and help file; `arguments`
    // the command line after the program name. `bindAddress` empty: the service
    // listens on all local addresses.
    TForm1(const QString& programFolder, const QStringList& arguments,
           const QString& bindAddress = QString(), QWidget* parent = nullptr);
    ~TForm1() override;

    // Program-wide objects.
    QString CurPath;
    ServerCore& core() { return *Core; }
    QDialog* AboutBox = nullptr;
    TForm2* Form2 = nullptr;
    TForm10* Form10 = nullptr;
    TForm9* Form9 = nullptr;
    // Ends the application (exit from the menu); tests replace it.
    std::function<void()> Terminate;

    // Components.
    QLabel* Image1;
    QTabWidget* PageControl1;
    QLineEdit* Edit1;  // project database
    QLineEdit* Edit2;  // access database
    QLineEdit* Edit3;  // port
    QLineEdit* Edit4;  // request log
    QLineEdit* Edit5;  // error log
    QPushButton *BitBtn1, *BitBtn2, *BitBtn3, *BitBtn4, *BitBtn5, *BitBtn6, *BitBtn7, *BitBtn8;
    QPushButton *BitBtn9, *BitBtn11, *BitBtn12, *BitBtn13, *BitBtn14;
    StringGrid* StringGrid1;  // videos
    StringGrid* StringGrid2;  // users
    QMenu* PopupMenu1;
    QTableWidget* ValueListEditor1;
    QTabWidget* PageControl2;
    QPlainTextEdit* Memo1;  // request lines
    QPlainTextEdit* Memo2;  // error lines
    DesignedStatusBar* StatusBar1;
    QAction* StartMenuItem;
    QTimer Timer1, Timer2, Timer3;

public slots:
    // Settings and service control.
    void ReadINIExecute();
    void WriteINIExecute();
    void BitBtn3Click();  // Start
    void BitBtn2Click();  // Stop
    void BitBtn1Click();  // Restart
    void N11Click();      // exit
    void Timer1Timer();   // loading dialog once after start-up
    // Settings fields.
    void BitBtn4Click();
    void Edit1Exit();
    void BitBtn5Click();
    void Edit2Exit();
    void N9Click();
    void Edit3Exit();
    void BitBtn6Click();
    void BitBtn7Click();
    void Edit4Exit();
    void Edit5Exit();
    void BitBtn8Click();
    // Users.
    void BitBtn9Click();
    void BitBtn14Click();
    void BitBtn13Click();
    void BitBtn12Click();
    void BitBtn11Click();
    // Status bar, caption, statistics and log views.
    void Timer2Timer();
    void Timer3Timer();
    // Help.
    void N18Click();
    void N20Click();
    void N22Click();

protected:
    void closeEvent(QCloseEvent* event) override;  // writes the settings file
    bool eventFilter(QObject* watched, QEvent* event) override;  // leaving a settings field

private:
    void buildLayout();
    QWidget* buildBanner();
    QWidget* buildSettingsPage();
    QWidget* buildVideosPage();
    QWidget* buildUsersPage();
    QWidget* buildStatisticsPage();
    QWidget* buildLogsPage();
    void buildStatusBar();
    void buildMenus();
    void setGridColumns();
    void applyArguments(const QStringList& arguments);
    void startUp(const QStringList& arguments);

    ServerSettings fieldSettings() const;
    void showSettings(const ServerSettings& settings);
    void openProjectDataBase();
    void openAccessDataBase();
    void restartService();
    void chooseLogFile(QLineEdit* field, QString& dialogFile);
    int selectedUserId() const;
    void changeSelectedUser(const std::function<void(int)>& change);
    void showLogView(QPlainTextEdit* memo, LogViewText& view, const QString& lines);

    std::unique_ptr<ServerCore> Core;
    QString projectDialogFile = "Kestraline.db";
    QString accessDialogFile = "Access.db";
    QString newAccessDialogFile = "Access.db";
    // The log choosers start without a name and then offer the last one chosen.
    QString requestLogDialogFile, errorsLogDialogFile;
    LogViewText requestView, errorView;
};

} // namespace server
