#pragma once
#include "clipmeta.h"
#include "project_database.h"

#include <QMainWindow>

class QAction;
class QDialog;
class QPushButton;

class StringGrid;

namespace manager {

class PanelStatusBar;
class TForm2;
class TForm4;

// The web address that the about box's link opens, and the online help page.
extern const QString Program_URL;
extern const QString Online_Help_URL;

// The manager's main window: creates and opens project databases, lists table
// `video`, deletes grid rows with their colour-data files, opens the add-videos
// window and starts the search server on the open project.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // `programFolder` is where the outside tools, the server and the help file lie.
    explicit TForm1(const QString& programFolder, QWidget* parent = nullptr);
    ~TForm1() override;

    // The windows created after this one at start-up.
    void SetWindows(TForm2* addVideos, QDialog* aboutBox, QDialog* searchDialog);
    // The viewer that a double-click in the grid opens.
    void SetViewer(TForm4* viewer) { Form4 = viewer; }

    // The current project's database path; empty while no project is open.
    QString ProjectPath() const { return Project.Path(); }

    QString CurPath;
    CLIPMETA VidInfo;              // the one tool runner, reused for every video
    PROJECT_DATABASE Project;      // the open project (connection and path)

    StringGrid* StringGrid1;
    PanelStatusBar* StatusBar1;
    QWidget* Panel1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    QAction* N3;  // new project
    QAction* N5;  // open project
    QAction* N7;  // exit
    QAction* N15; // start the server
    QAction* N24; // search dialog
    QAction* N16; // help file
    QAction* N18; // online help
    QAction* N20; // about box
    QAction* Action1;
    QAction* UpdateStatusBar;

public slots:
    void N3Click();
    void N5Click();
    void N7Click();
    void N15Click();
    void N24Click();
    void N16Click();
    void N18Click();
    void N20Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void StringGrid1DblClick();
    void Action1Execute();
    void UpdateStatusBarExecute();

private:
    void BuildMenus();
    QWidget* BuildPanel();
    // Stops processing that belongs to the current project and closes it: the
    // grid, the caption and the connection then name no project.
    void LeaveProject();
    void ShowProject();
    void DeleteColourFiles(int top, int bottom) const;

    TForm2* Form2 = nullptr;
    QDialog* AboutBox = nullptr;
    QDialog* Form5 = nullptr;
    TForm4* Form4 = nullptr;
};

} // namespace manager
