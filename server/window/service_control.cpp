#include "service_control.h"

#include "http_server.h"
#include "kestraline_log.h"
#include "kestraline_stat.h"
#include "port_number.h"

namespace server {

ServiceControl::ServiceControl(HttpServer& http, KESTRALINE_LOG& log, KESTRALINE_STAT& stat)
    : http(http), log(log), stat(stat)
{
}

void ServiceControl::Start(const QString& portText, const QString& requestLog, const QString& errorsLog)
{
    if (http.Active())
        return;
    http.SetDefaultPort(listening_port(portText));
    http.SetActive(true);
    log.CloseLog();
    log.CloseErrorsLog();
    log.OpenLog(requestLog);
    log.OpenErrorsLog(errorsLog);
    log.WriteLog("Server started");
    stat.Clear();
}

void ServiceControl::Stop()
{
    if (http.Active())
        http.SetActive(false);
    log.WriteLog("Server stopped");
    log.CloseLog();
    log.CloseErrorsLog();
}

bool ServiceControl::running() const
{
    return http.Active();
}

} // namespace server
