#pragma once
#include "http_server.h"
#include "kestraline_access.h"
#include "kestraline_finder.h"
#include "kestraline_log.h"
#include "kestraline_stat.h"
#include "message_sink.h"
#include "search_service.h"
#include "server_settings.h"

#include <QString>
#include <functional>
#include <memory>

class FINDER_WORKER;

namespace server {

// The search server without its window: the search engine, the access list, the
// request statistics and logs, the search service on its HTTP server, and the
// search thread. The main window creates one and drives it through the operations
// below; tests and benchmarks build it alone. The service runs while the HTTP
// server listens.
//
// Every operation runs on the main thread. Requests are served on the HTTP
// server's connection threads and searched on the search thread.
class ServerCore {
public:
    // `showMessage` shows the messages of the engine, the access list and the logs;
    // `bindAddress` empty: the service listens on all local addresses.
    explicit ServerCore(MessageSink showMessage, const QString& bindAddress = QString());
    // Stops serving and searching before anything a request uses goes.
    ~ServerCore();
    ServerCore(const ServerCore&) = delete;
    ServerCore& operator=(const ServerCore&) = delete;

    // The start-up, when a file stands at the settings' project database path:
    // opens and reads the access database, starts the service, then opens the
    // project. True when the project opened (its colour data then wait for the
    // loading). An error (a taken port, a database without its table) escapes with
    // nothing left listening.
    bool StartUp(const ServerSettings& settings);
    // Starts the search thread, which runs until the core goes.
    void StartSearchThread();
    bool Searching() const;

    // Nothing when running or once the program is ending. Otherwise listens on the
    // settings' port, then reopens both logs under the settings' paths, logs
    // "Server started" and clears the statistics. When listening fails the
    // KestralineError escapes and the rest is skipped. True when the service runs.
    bool Start(const ServerSettings& settings);
    // Stops listening when running; in any case logs "Server stopped" and closes
    // both logs. The statistics stay.
    void Stop();
    // Stop, then Start.
    bool Restart(const ServerSettings& settings);
    // The exit: Stop, and from now on nothing starts the service.
    void Exit();
    bool Running() const;
    quint16 Port() const;

    // Opens the project database in the engine; false, after the engine's message,
    // when it does not connect. A failing select escapes.
    bool OpenProject(const QString& path);
    // Opens the access database (a failure ends in Load's message) and reads it;
    // true when the access list was read.
    bool OpenAccess(const QString& path);

    // Another project database: stops the service, stores the settings, opens the
    // settings' project; only when it opened, loads its colour data and starts the
    // service again if it ran. True when the project opened.
    bool SwitchProject(const ServerSettings& settings, const std::function<void()>& storeSettings,
                       const std::function<void()>& loadVideos);
    // Another access database: stores the settings, opens and reads the settings'
    // access database and restarts the service. True when the list was read.
    bool SwitchAccess(const ServerSettings& settings, const std::function<void()>& storeSettings);
    // A new access database at the settings' path: creates it with its table,
    // stores the settings, reads it and restarts the service. True when created.
    bool CreateAccess(const ServerSettings& settings, const std::function<void()>& storeSettings);

    KESTRALINE_FINDER& finder() { return finder_; }
    KESTRALINE_ACCESS& access() { return access_; }
    KESTRALINE_STAT& stat() { return stat_; }
    KESTRALINE_LOG& log() { return log_; }
    // The request handler and the server it runs on, for tests and benchmarks.
    SearchService& service() { return service_; }
    HttpServer& http() { return http_; }

private:
    KESTRALINE_FINDER finder_;
    KESTRALINE_ACCESS access_;
    KESTRALINE_STAT stat_;
    KESTRALINE_LOG log_;
    SearchService service_;
    HttpServer http_;
    std::unique_ptr<FINDER_WORKER> worker_;
    // Set by the exit: the program is ending, and a handler that goes on after it
    // (one that showed a dialog) must not start the service again.
    bool ending_ = false;
};

} // namespace server
