#pragma once
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include "allocator_memory.h"
#include "connection_deadlines.h"

#include <functional>
#include <mutex>

struct MHD_Daemon;

// What the request handler gets of one HTTP request: whatever its method and path.
struct HttpRequest {
    QString peer;                // client address as text (dotted decimal for IPv4)
    QString user, password;      // Basic credentials, exactly as sent; empty when the request has none
    bool credentials_invalid = false; // Basic credentials that cannot be anybody's (see BasicCredentials)
    QByteArray body;             // the whole raw body
    bool body_too_large = false; // the body was over the size limit and was discarded
};

// What the handler sets; a response on which nothing was set goes out as 200 with no body.
struct HttpResponse {
    int status = 200;
    QByteArray content;
    QByteArray content_type;
    QByteArray cache_control;
    bool basic_challenge = false; // refuse with 401 and a Basic challenge for `realm`
    QString realm;
};

// The HTTP service: one thread per connection, each request handed to one handler
// on its connection's thread once its whole body has arrived. No client address holds more
// than kConnectionsPerAddress of the kConnectionLimit connections, and a connection that does
// not send its request in time is dropped (ConnectionDeadlines), so that one client cannot keep
// the others out.
class HttpServer {
public:
    // The handler may take the body out of the request once it has what it needs.
    using Handler = std::function<void(HttpRequest&, HttpResponse&)>;

    // Bodies above this size carry no query; they are dropped as they arrive.
    static constexpr qint64 kMaxBodySize = 1024 * 1024;

    static constexpr unsigned kConnectionLimit = 1000;
    // A twentieth of the limit: a desktop client uses one connection per search (at most six at
    // once), so even eight of them behind one address never meet it, while twenty addresses are
    // needed to fill the service.
    static constexpr unsigned kConnectionsPerAddress = 50;

    explicit HttpServer(Handler handler);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    void SetDefaultPort(quint16 port);
    quint16 DefaultPort() const;
    // true: listen (throws KestralineError with a clear message when it cannot, e.g. the port
    // is taken); false: stop listening and end every connection. The port, bind address and
    // idle timeout are read at activation.
    void SetActive(bool active);
    bool Active() const;
    // Tests bind 127.0.0.1; empty (the default) listens on all addresses.
    void SetBindAddress(const QString& address);
    // A connection that sends nothing for this long is dropped.
    void SetIdleTimeout(unsigned seconds);

private:
    friend struct HttpServerCallbacks; // the HTTP layer's C callbacks

    void Start();
    MHD_Daemon* StartDaemon(unsigned flags, const void* bindTo);
    void NoteLog(const QString& text);

    Handler handler_;
    quint16 port_ = 0;
    QString bindAddress_;
    unsigned idleTimeout_ = 30;
    MHD_Daemon* daemon_ = nullptr;
    ConnectionDeadlines deadlines_;
    IdleMemoryRelease memory_;

    // The HTTP layer's last words on a failed start (the system's reason).
    std::mutex logMutex_;
    // A copy of its own: connection threads log at any time (a client that left, one turned
    // away), and no thread's text may share its characters with another's.
    QString lastLog_;
};
