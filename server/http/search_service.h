#pragma once
#include "http_server.h"

#include <cstdint>

class KESTRALINE_FINDER;
class KESTRALINE_ACCESS;
class KESTRALINE_STAT;
class KESTRALINE_LOG;
struct SearchAnswerValues;

// The search service: checks the client against the access list, cuts the query out of
// the request body, queues it in the engine, waits for the batch that searched it and
// answers, counting and logging every request. Runs on the connection threads, any
// number at a time; it shares only the engine, the access list, the counters and the logs.
class SearchService {
public:
    SearchService(KESTRALINE_FINDER& finder, KESTRALINE_ACCESS& access, KESTRALINE_STAT& stat, KESTRALINE_LOG& log);

    // The request handler; never throws: a failure ends it silently with whatever it had
    // already set on the response. The body is released as soon as the engine holds its
    // copy of the query, so a request waiting for its batch keeps no second copy.
    void IdHTTPServer1CommandGet(HttpRequest& request, HttpResponse& response);

private:
    void Serve(HttpRequest& request, HttpResponse& response);
    void Refuse(const HttpRequest& request, HttpResponse& response);
    // Queues the query and waits for its batch; gives the answer and the request-log detail.
    void Search(HttpRequest& request, SearchAnswerValues& answer, QString& detail);
    void WaitForBatch(uint32_t snapshot) const;
    QString ClientText(const HttpRequest& request) const; // address TAB user

    KESTRALINE_FINDER& finder_;
    KESTRALINE_ACCESS& access_;
    KESTRALINE_STAT& stat_;
    KESTRALINE_LOG& log_;
};
