#pragma once
#include <QString>

#include "search_request.h"

class QNetworkAccessManager;
class QNetworkReply;
class QUrl;

namespace client {

// How one exchange with the server ended.
struct SearchExchange {
    enum Outcome {
        Answered,   // the server answered with a success status; `text` is its body
        Refused,    // status 401: user name, password or address not accepted
        Failed,     // no connection, no answer, or any other error status
    };
    Outcome outcome = Failed;
    QString text;
};

// Sends a search request and waits for its end. The window's search reaches the
// network only through this, so the search can be tested without a server.
class SearchTransport {
public:
    virtual ~SearchTransport() = default;
    virtual SearchExchange post(const SearchRequest& request) = 0;
};

// The real exchange over Qt Network: Basic authentication sent with the first
// request, the user agent and accept header of the client, cookies kept between
// searches, redirects followed, and no time-out of its own.
// - The credentials go only to the origin (scheme, host and port) of the search
//   URL: a redirect elsewhere is followed without them.
// - One request is one attempt: a connection closed without an answer fails the
//   exchange and is never sent again.
// It waits in a local event loop that leaves user input queued, so the window
// keeps painting and takes no input; the caller holds its timers meanwhile.
class HttpSearchTransport : public SearchTransport {
public:
    HttpSearchTransport();
    ~HttpSearchTransport() override;
    SearchExchange post(const SearchRequest& request) override;

private:
    QNetworkReply* send(const SearchRequest& search, const QUrl& url, bool withBody);

    QNetworkAccessManager* network;
};

} // namespace client
