#pragma once
// A small HTTP/1.1 client over a plain socket, for tests and the benchmark: it sends exactly the
// bytes it is given (malformed ones included) and reads responses framed by Content-Length.
#include <QByteArray>
#include <QList>
#include <QString>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>

namespace httptest {

struct Credentials {
    QString user, password;
};

struct RawResponse {
    int status = 0;
    QByteArray head; // status line and header lines
    QByteArray body;

    // The value of one header field (case-insensitive name), empty when absent.
    QByteArray header(const QByteArray& name) const
    {
        for (const QByteArray& line : head.split('\n')) {
            const int colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
                return line.mid(colon + 1).trimmed();
        }
        return QByteArray();
    }
};

// A socket connected (or, when non-blocking, connecting) from the loopback address `source`
// (host order, e.g. 0x7f000002 for 127.0.0.2) to 127.0.0.1:`port`; -1 when that fails.
inline int connectFrom(quint32 source, quint16 port, bool nonBlocking = false)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0), 0);
    sockaddr_in from {};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(source);
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) == 0
        && (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 || (nonBlocking && errno == EINPROGRESS)))
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

class RawConnection {
public:
    explicit RawConnection(quint16 port, int timeoutMs = 10000, quint32 source = INADDR_LOOPBACK)
        : timeoutMs_(timeoutMs)
    {
        fd_ = connectFrom(source, port);
        if (fd_ >= 0) {
            const int on = 1;
            ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        }
    }
    ~RawConnection() { close(); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return fd_ >= 0; }

    bool send(const QByteArray& bytes)
    {
        qsizetype sent = 0;
        while (fd_ >= 0 && sent < bytes.size()) {
            const ssize_t n = ::send(fd_, bytes.constData() + sent, static_cast<size_t>(bytes.size() - sent),
                                     MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            sent += n;
        }
        return fd_ >= 0;
    }

    // Reads one response whose body is framed by Content-Length (or ends with the connection).
    bool readResponse(RawResponse& out)
    {
        out = RawResponse();
        qsizetype end;
        while ((end = buffer_.indexOf("\r\n\r\n")) < 0)
            if (!fill())
                return false;
        out.head = buffer_.left(end);
        buffer_.remove(0, end + 4);
        const QList<QByteArray> statusLine = out.head.left(out.head.indexOf('\r')).split(' ');
        out.status = statusLine.size() > 1 ? statusLine[1].toInt() : 0;
        const QByteArray length = out.header("Content-Length");
        if (length.isEmpty()) {
            while (fill()) {
            }
            out.body = buffer_;
            buffer_.clear();
            return true;
        }
        const qsizetype wanted = length.toLongLong();
        while (buffer_.size() < wanted)
            if (!fill())
                return false;
        out.body = buffer_.left(wanted);
        buffer_.remove(0, wanted);
        return true;
    }

    // True when the server closes the connection within `waitMs` (bytes it sends first are ignored).
    bool closedByPeer(int waitMs)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (fd_ >= 0 && std::chrono::steady_clock::now() < deadline) {
            pollfd p {fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) {
                char scratch[4096];
                const ssize_t n = ::recv(fd_, scratch, sizeof scratch, 0);
                if (n <= 0)
                    return true;
            }
        }
        return false;
    }

    void close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    bool fill()
    {
        if (fd_ < 0)
            return false;
        pollfd p {fd_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs_) <= 0)
            return false;
        char chunk[65536];
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0)
            return false;
        buffer_.append(chunk, n);
        return true;
    }

    int fd_ = -1;
    int timeoutMs_;
    QByteArray buffer_;
};

// The search request's body: the 182-byte part head, the query, the 31-byte closing boundary.
inline QByteArray searchBody(const QByteArray& query)
{
    const QByteArray boundary = "kestraline0123456789abc"; // 23 characters
    return "--" + boundary + "\r\n"
           "Content-Disposition: form-data; name=\"file\"; filename=\"KestralineClient.tmp\"\r\n"
           "Content-Type: application/octet-stream\r\n"
           "Content-Transfer-Encoding: binary\r\n"
           "\r\n"
           + query + "\r\n--" + boundary + "--\r\n";
}

// A whole POST request carrying `body`, with Basic credentials when given.
inline QByteArray postRequest(const QByteArray& body, const std::optional<Credentials>& credentials,
                              bool keepAlive = false)
{
    QByteArray request = "POST /post HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                         "Content-Type: multipart/form-data; boundary=kestraline0123456789abc\r\n";
    if (credentials)
        request += "Authorization: Basic "
                   + (credentials->user + ":" + credentials->password).toUtf8().toBase64() + "\r\n";
    request += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    request += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    return request + "\r\n" + body;
}

// One request on a connection of its own; status 0 when no response came.
inline RawResponse exchange(quint16 port, const QByteArray& request, int timeoutMs = 10000,
                            quint32 source = INADDR_LOOPBACK)
{
    RawConnection connection(port, timeoutMs, source);
    RawResponse response;
    if (!connection.send(request) || !connection.readResponse(response))
        response.status = 0;
    return response;
}

} // namespace httptest
