#pragma once
#include <QtGlobal>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <unordered_set>

// Frees the places of connections that hold one without sending a request: a request head
// (request line and headers) must arrive in full within kWindow of the moment the connection
// starts waiting for it (its accept, or the end of the previous answer on a kept-alive
// connection), and after the head every kWindow must bring at least kBodyProgress more bytes
// of the body, or its end. A connection that misses its deadline is shut down; the HTTP layer
// then closes it as a client that left. No deadline runs while the handler works on a request
// or its answer goes out: a search may take as long as its batch takes.
//
// The HTTP layer reports every step of each connection from its own threads; one watcher thread
// checks the deadlines a few times a second. A connection is forgotten under the same lock in
// Closed, which the HTTP layer calls before it closes the socket, so the watcher never shuts
// down a socket number that already belongs to another connection.
class ConnectionDeadlines {
public:
    using Clock = std::chrono::steady_clock;
    struct Connection;

    // Five seconds bring a request head of a few hundred bytes over any working network, even
    // after a lost packet or two; a client that trickles or sits silent is gone soon after.
    static constexpr std::chrono::seconds kWindow {5};
    // A body slower than this (about 200 bytes a second) counts as stalled.
    static constexpr qint64 kBodyProgress = 1024;

    ConnectionDeadlines() = default;
    ~ConnectionDeadlines();
    ConnectionDeadlines(const ConnectionDeadlines&) = delete;
    ConnectionDeadlines& operator=(const ConnectionDeadlines&) = delete;

    void StartWatching();
    void StopWatching(); // after the HTTP layer has closed every connection

    Connection* Opened(int socket);
    void HeadArrived(Connection* connection);
    void BodyArrived(Connection* connection, size_t bytes);
    void Answering(Connection* connection);
    void AnswerSent(Connection* connection);
    void Closed(Connection* connection);

private:
    void Watch();
    void DropExpired(Clock::time_point now);

    std::mutex mutex_;
    std::condition_variable wake_;
    bool watching_ = false;
    std::unordered_set<Connection*> connections_;
    std::thread watcher_;
};
