#include "http_server.h"

#include "basic_credentials.h"
#include "kestraline_error.h"

#include <microhttpd.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// The peer's address as text; an IPv4 client reaching a dual-stack socket reads as dotted decimal.
QString peerAddress(MHD_Connection* connection)
{
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!info || !info->client_addr)
        return QString();
    char text[INET6_ADDRSTRLEN] = {};
    const sockaddr* address = info->client_addr;
    if (address->sa_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
    } else if (address->sa_family == AF_INET6) {
        const in6_addr& v6 = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
        if (IN6_IS_ADDR_V4MAPPED(&v6))
            inet_ntop(AF_INET, v6.s6_addr + 12, text, sizeof text);
        else
            inet_ntop(AF_INET6, &v6, text, sizeof text);
    }
    return QString::fromLatin1(text);
}

// The HTTP layer's own reading of Basic credentials ends them at a NUL byte; the header is
// read here instead, so that a password with anything after a NUL is a different password.
void readCredentials(MHD_Connection* connection, HttpRequest& request)
{
    const char* value = nullptr;
    size_t size = 0;
    if (MHD_lookup_connection_value_n(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_AUTHORIZATION,
                                      std::strlen(MHD_HTTP_HEADER_AUTHORIZATION), &value, &size)
            != MHD_YES
        || !value)
        return;
    BasicCredentials credentials = ParseBasicAuthorization(QByteArray(value, static_cast<qsizetype>(size)));
    request.user = std::move(credentials.user);
    request.password = std::move(credentials.password);
    request.credentials_invalid = credentials.invalid;
}

// The deadlines of the connection that carries a request; none when its start could not be noted.
ConnectionDeadlines::Connection* deadlineOf(MHD_Connection* connection)
{
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info ? static_cast<ConnectionDeadlines::Connection*>(info->socket_context) : nullptr;
}

// A declared body length above the limit lets the request skip buffering from its first byte.
bool declaredTooLarge(MHD_Connection* connection)
{
    const char* length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    if (!length)
        return false;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(length, &end, 10);
    return end != length && value > static_cast<unsigned long long>(HttpServer::kMaxBodySize);
}

// State of one request, from its header to its completion.
struct HttpRequestState {
    HttpRequest request;
    ConnectionDeadlines::Connection* deadline = nullptr;

    void takeChunk(const char* data, size_t size)
    {
        if (request.body_too_large)
            return;
        if (static_cast<qint64>(request.body.size()) + static_cast<qint64>(size) > HttpServer::kMaxBodySize) {
            dropBody();
            return;
        }
        request.body.append(data, static_cast<qsizetype>(size));
    }

    void dropBody()
    {
        request.body_too_large = true;
        request.body = QByteArray();
    }
};

} // namespace

struct HttpServerCallbacks {
    static MHD_Result onRequest(void* cls, MHD_Connection* connection, const char*, const char*, const char*,
                                const char* uploadData, size_t* uploadDataSize, void** stateSlot)
    {
        auto& server = *static_cast<HttpServer*>(cls);
        try {
            auto* state = static_cast<HttpRequestState*>(*stateSlot);
            if (!state)
                return begin(server, connection, stateSlot);
            if (*uploadDataSize != 0) {
                state->takeChunk(uploadData, *uploadDataSize);
                if (state->deadline)
                    server.deadlines_.BodyArrived(state->deadline, *uploadDataSize);
                *uploadDataSize = 0;
                return MHD_YES;
            }
            if (state->deadline)
                server.deadlines_.Answering(state->deadline);
            return answer(server, connection, *state);
        } catch (...) {
            return MHD_NO; // out of memory and the like: the HTTP layer closes the connection
        }
    }

    static void onCompleted(void* cls, MHD_Connection* connection, void** stateSlot, MHD_RequestTerminationCode)
    {
        delete static_cast<HttpRequestState*>(*stateSlot);
        *stateSlot = nullptr;
        if (ConnectionDeadlines::Connection* deadline = deadlineOf(connection))
            static_cast<HttpServer*>(cls)->deadlines_.AnswerSent(deadline); // the next head is due
    }

    // Called on the listening thread when a connection is accepted and when it is cleaned up,
    // before its socket is closed.
    static void onConnection(void* cls, MHD_Connection* connection, void** socketContext,
                             MHD_ConnectionNotificationCode code)
    {
        HttpServer& server = *static_cast<HttpServer*>(cls);
        ConnectionDeadlines& deadlines = server.deadlines_;
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            server.memory_.Opened();
            const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
            try {
                *socketContext = info ? deadlines.Opened(info->connect_fd) : nullptr;
            } catch (...) {
                *socketContext = nullptr; // out of memory: this connection goes without deadlines
            }
            return;
        }
        if (*socketContext) {
            deadlines.Closed(static_cast<ConnectionDeadlines::Connection*>(*socketContext));
            *socketContext = nullptr;
        }
        server.memory_.Closed();
    }

    static void onLog(void* cls, const char* format, va_list args)
    {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        static_cast<HttpServer*>(cls)->NoteLog(QString::fromLocal8Bit(text).trimmed());
    }

private:
    static MHD_Result begin(HttpServer& server, MHD_Connection* connection, void** stateSlot)
    {
        auto* state = new HttpRequestState;
        *stateSlot = state;
        state->deadline = deadlineOf(connection);
        if (state->deadline)
            server.deadlines_.HeadArrived(state->deadline); // the body's deadline starts
        state->request.peer = peerAddress(connection);
        readCredentials(connection, state->request);
        if (declaredTooLarge(connection))
            state->dropBody();
        return MHD_YES;
    }

    static MHD_Result answer(HttpServer& server, MHD_Connection* connection, HttpRequestState& state)
    {
        HttpResponse out;
        try {
            server.handler_(state.request, out);
        } catch (...) {
            // The handler keeps its own failures; whatever it set before one still goes out.
        }
        state.request.body = QByteArray();
        return queue(connection, out);
    }

    static MHD_Result queue(MHD_Connection* connection, const HttpResponse& out)
    {
        MHD_Response* response = MHD_create_response_from_buffer(
            static_cast<size_t>(out.content.size()), const_cast<char*>(out.content.constData()),
            MHD_RESPMEM_MUST_COPY);
        if (!response)
            return MHD_NO;
        if (!out.content_type.isEmpty())
            MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, out.content_type.constData());
        if (!out.cache_control.isEmpty())
            MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, out.cache_control.constData());
        const MHD_Result queued = out.basic_challenge
            ? MHD_queue_basic_auth_fail_response(connection, out.realm.toUtf8().constData(), response)
            : MHD_queue_response(connection, static_cast<unsigned>(out.status), response);
        MHD_destroy_response(response);
        return queued;
    }
};

HttpServer::HttpServer(Handler handler) : handler_(std::move(handler)) {}

HttpServer::~HttpServer()
{
    SetActive(false);
}

void HttpServer::SetDefaultPort(quint16 port)
{
    port_ = port;
}

quint16 HttpServer::DefaultPort() const
{
    return port_;
}

bool HttpServer::Active() const
{
    return daemon_ != nullptr;
}

void HttpServer::SetBindAddress(const QString& address)
{
    bindAddress_ = address;
}

void HttpServer::SetIdleTimeout(unsigned seconds)
{
    idleTimeout_ = seconds;
}

void HttpServer::SetActive(bool active)
{
    if (active && !daemon_) {
        Start();
    } else if (!active && daemon_) {
        MHD_stop_daemon(daemon_); // closes the listening socket, ends and joins every connection
        daemon_ = nullptr;
        deadlines_.StopWatching();
    }
}

void HttpServer::Start()
{
    {
        std::lock_guard<std::mutex> lock(logMutex_);
        lastLog_.clear();
    }
    deadlines_.StartWatching();
    const unsigned threading = MHD_USE_THREAD_PER_CONNECTION | MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_POLL
                               | MHD_USE_ERROR_LOG;
    if (bindAddress_.isEmpty()) {
        daemon_ = StartDaemon(threading | MHD_USE_DUAL_STACK, nullptr);
        if (!daemon_) // a machine without IPv6: every IPv4 address
            daemon_ = StartDaemon(threading, nullptr);
    } else {
        const QByteArray text = bindAddress_.toLatin1();
        sockaddr_in v4 {};
        sockaddr_in6 v6 {};
        if (inet_pton(AF_INET, text.constData(), &v4.sin_addr) == 1) {
            v4.sin_family = AF_INET;
            v4.sin_port = htons(port_);
            daemon_ = StartDaemon(threading, &v4);
        } else if (inet_pton(AF_INET6, text.constData(), &v6.sin6_addr) == 1) {
            v6.sin6_family = AF_INET6;
            v6.sin6_port = htons(port_);
            daemon_ = StartDaemon(threading | MHD_USE_IPv6, &v6);
        } else {
            NoteLog(QStringLiteral("неверный адрес %1").arg(bindAddress_));
        }
    }
    if (!daemon_) {
        deadlines_.StopWatching();
        std::lock_guard<std::mutex> lock(logMutex_);
        QString message = QStringLiteral("Порт %1 занят или недоступен").arg(port_);
        if (!lastLog_.isEmpty())
            message += QStringLiteral(": ") + lastLog_;
        throw KestralineError(message);
    }
}

MHD_Daemon* HttpServer::StartDaemon(unsigned flags, const void* bindTo)
{
    MHD_OptionItem address[] = {
        {bindTo ? MHD_OPTION_SOCK_ADDR : MHD_OPTION_END, 0, const_cast<void*>(bindTo)},
        {MHD_OPTION_END, 0, nullptr},
    };
    return MHD_start_daemon(flags, port_, nullptr, nullptr, &HttpServerCallbacks::onRequest, this,
                            MHD_OPTION_NOTIFY_COMPLETED, &HttpServerCallbacks::onCompleted, this,
                            MHD_OPTION_CONNECTION_TIMEOUT, idleTimeout_,
                            MHD_OPTION_NOTIFY_CONNECTION, &HttpServerCallbacks::onConnection, this,
                            MHD_OPTION_CONNECTION_LIMIT, kConnectionLimit,
                            MHD_OPTION_PER_IP_CONNECTION_LIMIT, kConnectionsPerAddress,
                            MHD_OPTION_EXTERNAL_LOGGER, &HttpServerCallbacks::onLog, this,
                            MHD_OPTION_ARRAY, address,
                            MHD_OPTION_END);
}

void HttpServer::NoteLog(const QString& text)
{
    std::lock_guard<std::mutex> lock(logMutex_);
    lastLog_ = QString(text.constData(), text.size()); // moved in: shared with nothing
}
