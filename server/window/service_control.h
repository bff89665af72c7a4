#pragma once
#include <QString>

class HttpServer;
class KESTRALINE_LOG;
class KESTRALINE_STAT;

namespace server {

// Start, Stop and Restart of the search service: the HTTP service together with
// its two logs and the request statistics. The service runs while the HTTP server
// is active.
class ServiceControl {
public:
    ServiceControl(HttpServer& http, KESTRALINE_LOG& log, KESTRALINE_STAT& stat);

    // Nothing when running. Otherwise listens on the port of `portText`, then
    // reopens both logs under the given paths, logs "Server started" and clears
    // the statistics. When listening fails, the KestralineError escapes and the
    // rest is skipped: the service stays stopped.
    void Start(const QString& portText, const QString& requestLog, const QString& errorsLog);
    // Stops listening when running; in any case logs "Server stopped" and closes
    // both logs. The statistics stay.
    void Stop();
    bool running() const;

private:
    HttpServer& http;
    KESTRALINE_LOG& log;
    KESTRALINE_STAT& stat;
};

} // namespace server
