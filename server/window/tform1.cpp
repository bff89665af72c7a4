// The main window's start-up, settings file and service control.
#include "tform1.h"

#include "dialog_service.h"
#include "finder_worker.h"
#include "kestraline_access.h"
#include "kestraline_finder.h"
#include "loading_dialog.h"
#include "run_handler.h"
#include "search_service.h"
#include "server_arguments.h"
#include "service_control.h"
#include "string_grid.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>

namespace server {

const QString Program_URL = QStringLiteral("https://kestraline.example/");
const QString OnlineHelp_URL = QStringLiteral("https://kestraline.example/help/server/");

namespace {

bool file_exists(const QString& path)
{
    return QFileInfo(path).isFile();
}

} // namespace

TForm1::TForm1(const QString& programFolder, const QStringList& arguments, const QString& bindAddress,
               QWidget* parent)
    : QMainWindow(parent)
    , Terminate([] { QCoreApplication::exit(0); })
    , IdHTTPServer1([this](HttpRequest& request, HttpResponse& response) {
        IdHTTPServer1CommandGet(request, response);
    })
    , bindAddress(bindAddress)
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
    // Nothing may serve a request or search once the objects below are gone.
    IdHTTPServer1.SetActive(false);
    if (Worker) {
        Worker->requestInterruption();
        Worker->wait();
    }
}

void TForm1::startUp(const QStringList& arguments)
{
    Edit4->setText(CurPath + "/access.log");
    Edit5->setText(CurPath + "/errors.log");
    ReadINIExecute();
    applyArguments(arguments);
    setGridColumns();

    Finder = std::make_unique<KESTRALINE_FINDER>();
    Access = std::make_unique<KESTRALINE_ACCESS>();
    Finder->rows_changed = [this] { StringGrid1->ShowRows(Finder->grid_rows()); };
    Access->rows_changed = [this] { StringGrid2->ShowRows(Access->grid_rows()); };
    service = std::make_unique<SearchService>(*Finder, *Access, VStat, VLog);
    if (!bindAddress.isEmpty())
        IdHTTPServer1.SetBindAddress(bindAddress);
    control = std::make_unique<ServiceControl>(IdHTTPServer1, VLog, VStat);

    // An error here (a port that is taken, a database file without its table) ends
    // the construction: the start-up function shows it and the program ends without
    // its message loop.
    try {
        if (file_exists(Edit1->text())) {
            Access->Open(Edit2->text());
            Access->Load();
        }
        if (file_exists(Edit1->text()))
            control->Start(Edit3->text(), Edit4->text(), Edit5->text());
        if (file_exists(Edit1->text()) && Finder->Open(Edit1->text()))
            Timer1.start();
    } catch (...) {
        // No request may reach the objects that go away with the window.
        IdHTTPServer1.SetActive(false);
        throw;
    }
    Worker = std::make_unique<FINDER_WORKER>(*Finder);
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

void TForm1::IdHTTPServer1CommandGet(HttpRequest& request, HttpResponse& response)
{
    service->IdHTTPServer1CommandGet(request, response);
}

void TForm1::BitBtn3Click()
{
    // The exit leaves every event loop, a dialog's too; the handler that showed the
    // dialog then goes on and would start the service of a program that is ending.
    if (ending)
        return;
    run_handler([this] { control->Start(Edit3->text(), Edit4->text(), Edit5->text()); });
}

void TForm1::BitBtn2Click()
{
    control->Stop();
}

void TForm1::BitBtn1Click()
{
    restartService();
}

void TForm1::restartService()
{
    control->Stop();
    BitBtn3Click();
}

void TForm1::N11Click()
{
    ending = true;
    control->Stop();
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
