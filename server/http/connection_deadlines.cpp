#include "connection_deadlines.h"

#include <sys/socket.h>

namespace {

// How often the watcher looks: a deadline is enforced at most this much late.
constexpr std::chrono::milliseconds kWatchPeriod {200};

} // namespace

struct ConnectionDeadlines::Connection {
    int socket = -1;
    bool timed = true; // false while the handler works and the answer goes out
    Clock::time_point deadline;
    qint64 bodyBytesInWindow = 0;

    void startWindow()
    {
        timed = true;
        deadline = Clock::now() + kWindow;
        bodyBytesInWindow = 0;
    }
};

ConnectionDeadlines::~ConnectionDeadlines()
{
    StopWatching();
    for (Connection* connection : connections_)
        delete connection;
}

void ConnectionDeadlines::StartWatching()
{
    std::lock_guard lock(mutex_);
    if (watching_)
        return;
    watching_ = true;
    watcher_ = std::thread([this] { Watch(); });
}

void ConnectionDeadlines::StopWatching()
{
    {
        std::lock_guard lock(mutex_);
        if (!watching_)
            return;
        watching_ = false;
    }
    wake_.notify_all();
    watcher_.join();
}

ConnectionDeadlines::Connection* ConnectionDeadlines::Opened(int socket)
{
    auto* connection = new Connection;
    connection->socket = socket;
    connection->startWindow();
    std::lock_guard lock(mutex_);
    connections_.insert(connection);
    return connection;
}

void ConnectionDeadlines::HeadArrived(Connection* connection)
{
    std::lock_guard lock(mutex_);
    connection->startWindow();
}

void ConnectionDeadlines::BodyArrived(Connection* connection, size_t bytes)
{
    std::lock_guard lock(mutex_);
    connection->bodyBytesInWindow += static_cast<qint64>(bytes);
    if (connection->bodyBytesInWindow >= kBodyProgress)
        connection->startWindow();
}

void ConnectionDeadlines::Answering(Connection* connection)
{
    std::lock_guard lock(mutex_);
    connection->timed = false;
}

void ConnectionDeadlines::AnswerSent(Connection* connection)
{
    std::lock_guard lock(mutex_);
    connection->startWindow();
}

void ConnectionDeadlines::Closed(Connection* connection)
{
    {
        std::lock_guard lock(mutex_);
        connections_.erase(connection);
    }
    delete connection;
}

void ConnectionDeadlines::Watch()
{
    std::unique_lock lock(mutex_);
    while (watching_) {
        wake_.wait_for(lock, kWatchPeriod);
        DropExpired(Clock::now());
    }
}

void ConnectionDeadlines::DropExpired(Clock::time_point now)
{
    for (Connection* connection : connections_) {
        if (!connection->timed || connection->deadline > now)
            continue;
        // Wakes the connection's thread as if the client had left; the HTTP layer closes it.
        ::shutdown(connection->socket, SHUT_RDWR);
        connection->timed = false;
    }
}
