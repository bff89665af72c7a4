#include "server_core.h"

#include "finder_worker.h"
#include "port_number.h"

#include <QFileInfo>

namespace server {

ServerCore::ServerCore(MessageSink showMessage, const QString& bindAddress)
    : service_(finder_, access_, stat_, log_)
    , http_([this](HttpRequest& request, HttpResponse& response) {
        service_.IdHTTPServer1CommandGet(request, response);
    })
{
    finder_.show_message = showMessage;
    access_.show_message = showMessage;
    log_.show_message = showMessage;
    if (!bindAddress.isEmpty())
        http_.SetBindAddress(bindAddress);
}

ServerCore::~ServerCore()
{
    http_.SetActive(false);
    if (worker_) {
        worker_->requestInterruption();
        worker_->wait();
    }
}

bool ServerCore::StartUp(const ServerSettings& settings)
{
    // Each step tests the project path, the access database's too: without a
    // project nothing is opened and the service stays stopped.
    if (!QFileInfo(settings.videoDataBase).isFile())
        return false;
    try {
        OpenAccess(settings.accessDataBase);
        Start(settings);
        return OpenProject(settings.videoDataBase);
    } catch (...) {
        http_.SetActive(false);
        throw;
    }
}

void ServerCore::StartSearchThread()
{
    if (!worker_)
        worker_ = std::make_unique<FINDER_WORKER>(finder_);
}

bool ServerCore::Searching() const
{
    return worker_ && worker_->isRunning();
}

bool ServerCore::Start(const ServerSettings& settings)
{
    if (ending_)
        return false;
    if (http_.Active())
        return true;
    http_.SetDefaultPort(listening_port(settings.port));
    http_.SetActive(true);
    log_.CloseLog();
    log_.CloseErrorsLog();
    log_.OpenLog(settings.accessLog);
    log_.OpenErrorsLog(settings.errorsLog);
    log_.WriteLog("Server started");
    stat_.Clear();
    return true;
}

void ServerCore::Stop()
{
    if (http_.Active())
        http_.SetActive(false);
    log_.WriteLog("Server stopped");
    log_.CloseLog();
    log_.CloseErrorsLog();
}

bool ServerCore::Restart(const ServerSettings& settings)
{
    Stop();
    return Start(settings);
}

void ServerCore::Exit()
{
    ending_ = true;
    Stop();
}

bool ServerCore::Running() const
{
    return http_.Active();
}

quint16 ServerCore::Port() const
{
    return http_.DefaultPort();
}

bool ServerCore::OpenProject(const QString& path)
{
    return finder_.Open(path);
}

bool ServerCore::OpenAccess(const QString& path)
{
    access_.Open(path);
    return access_.Load();
}

bool ServerCore::SwitchProject(const ServerSettings& settings, const std::function<void()>& storeSettings,
                               const std::function<void()>& loadVideos)
{
    const bool wasRunning = Running();
    Stop();
    storeSettings();
    if (!OpenProject(settings.videoDataBase))
        return false;
    loadVideos();
    if (wasRunning)
        Start(settings);
    return true;
}

bool ServerCore::SwitchAccess(const ServerSettings& settings, const std::function<void()>& storeSettings)
{
    storeSettings();
    const bool read = OpenAccess(settings.accessDataBase);
    Restart(settings);
    return read;
}

bool ServerCore::CreateAccess(const ServerSettings& settings, const std::function<void()>& storeSettings)
{
    const bool created = access_.Create(settings.accessDataBase);
    storeSettings();
    access_.Load();
    Restart(settings);
    return created;
}

} // namespace server
