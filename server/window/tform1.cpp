// The main window's start-up, settings file and service control.
#include "tform1.h"

#include "dialog_service.h"
#include "loading_dialog.h"
#include "run_handler.h"
#include "server_arguments.h"
#include "server_core.h"
#include "string_grid.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLineEdit>

namespace server {

const QString Program_URL = QStringLiteral("https://kestraline.example/");
const QString OnlineHelp_URL = QStringLiteral("https://kestraline.example/help/server/");

TForm1::TForm1(const QString& programFolder, const QStringList& arguments, const QString& bindAddress,
               QWidget* parent)
    : QMainWindow(parent)
    , Terminate([] { QCoreApplication::exit(0); })
    , Core(std::make_unique<ServerCore>(dialog_messages(), bindAddress))
{
    buildLayout();
    CurPath = programFolder;
    startUp(arguments);
}

TForm1::~TForm1()
{
    // Widgets going away must not run the handlers of the fields they leave.
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5})
        edit->removeEventFilter(this);
    // The core stops serving and searching as it goes.
}

void TForm1::startUp(const QStringList& arguments)
{
    Edit4->setText(CurPath + "/access.log");
    Edit5->setText(CurPath + "/errors.log");
    ReadINIExecute();
    applyArguments(arguments);
    setGridColumns();

    KESTRALINE_FINDER& finder = Core->finder();
    KESTRALINE_ACCESS& access = Core->access();
    finder.rows_changed = [this, &finder] { StringGrid1->ShowRows(finder.grid_rows()); };
    access.rows_changed = [this, &access] { StringGrid2->ShowRows(access.grid_rows()); };
    // An error here (a port that is taken, a database file without its table) ends
    // the construction: the start-up function shows it and the program ends without
    // its message loop.
    if (Core->StartUp(fieldSettings()))
        Timer1.start();
    Core->StartSearchThread();
}

void TForm1::applyArguments(const QStringList& arguments)
{
    ServerSettings settings = fieldSettings();
    apply_server_arguments(arguments, settings);
    showSettings(settings);
}

void TForm1::setGridColumns()
{
    StringGrid1->SetColumns({{"№", 50}, {"ID", 50}, {"Статус", 100}, {"Файл", 200}, {"Путь", 400},
                             {"FPS", 50}, {"Продолжительность", 100}, {"Кадров", 60}, {"Ширина", 60},
                             {"Высота", 60}, {"Коментарий", 200}});
    StringGrid2->SetColumns({{"№", 50}, {"ID", 50}, {"Активен", 60}, {"Хост", 150}, {"Пользователь", 200},
                             {"Пароль", 200}});
}

ServerSettings TForm1::fieldSettings() const
{
    ServerSettings settings;
    settings.port = Edit3->text();
    settings.videoDataBase = Edit1->text();
    settings.accessDataBase = Edit2->text();
    settings.accessLog = Edit4->text();
    settings.errorsLog = Edit5->text();
    return settings;
}

void TForm1::showSettings(const ServerSettings& settings)
{
    Edit3->setText(settings.port);
    Edit1->setText(settings.videoDataBase);
    Edit2->setText(settings.accessDataBase);
    Edit4->setText(settings.accessLog);
    Edit5->setText(settings.errorsLog);
}

void TForm1::ReadINIExecute()
{
    ServerSettings settings = fieldSettings();
    if (read_server_settings(server_settings_path(CurPath), settings))
        showSettings(settings);
}

void TForm1::WriteINIExecute()
{
    // A settings file that cannot be written is said at once, so the operator does
    // not find the settings gone at the next start; the handler goes on, and closing
    // the window still closes it.
    const QString path = server_settings_path(CurPath);
    if (!write_server_settings(path, fieldSettings()))
        dialogs().showError(QStringLiteral("Ошибка записи файла настроек: ") + path);
}

void TForm1::BitBtn3Click()
{
    // Once the exit ran (it leaves every event loop, a dialog's too), a handler that
    // goes on after its dialog starts nothing: the core refuses.
    run_handler([this] { Core->Start(fieldSettings()); });
}

void TForm1::BitBtn2Click()
{
    Core->Stop();
}

void TForm1::BitBtn1Click()
{
    restartService();
}

void TForm1::restartService()
{
    run_handler([this] { Core->Restart(fieldSettings()); });
}

void TForm1::N11Click()
{
    Core->Exit();
    Terminate();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    WriteINIExecute();
    event->accept();
}

void TForm1::Timer1Timer()
{
    Timer1.stop();
    if (Form2)
        Form2->exec();
}

} // namespace server
