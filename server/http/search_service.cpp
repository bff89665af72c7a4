#include "search_service.h"

#include "kestraline_access.h"
#include "kestraline_finder.h"
#include "kestraline_log.h"
#include "kestraline_stat.h"
#include "search_request_framing.h"
#include "search_service_answer.h"

#include <chrono>
#include <thread>

SearchService::SearchService(KESTRALINE_FINDER& finder, KESTRALINE_ACCESS& access, KESTRALINE_STAT& stat,
                             KESTRALINE_LOG& log)
    : finder_(finder), access_(access), stat_(stat), log_(log)
{
}

void SearchService::IdHTTPServer1CommandGet(HttpRequest& request, HttpResponse& response)
{
    try {
        Serve(request, response);
    } catch (...) {
        // Out of memory, the engine, the logs: the request ends here and the connection goes on.
    }
}

void SearchService::Serve(HttpRequest& request, HttpResponse& response)
{
    const bool allowed =
        !request.credentials_invalid && access_.Check(request.peer, request.user, request.password);
    stat_.Raise(total_requests);
    if (!allowed) {
        Refuse(request, response);
        return;
    }
    // Shorter bodies hold no query, and over-long ones were dropped on arrival.
    const int framing = kSearchPartHeadSize + kSearchClosingBoundarySize;
    if (request.body_too_large || request.body.size() < framing)
        return;
    SearchAnswerValues answer;
    QString detail;
    Search(request, answer, detail);

    response.cache_control = "no-cache";
    response.content_type = "text/plain; charset=utf-8";
    response.content = SearchAnswerText(answer).toUtf8();
    log_.WriteLog(ClientText(request) + QLatin1Char('\t') + detail);
}

void SearchService::Refuse(const HttpRequest& request, HttpResponse& response)
{
    response.status = 401;
    response.basic_challenge = true;
    response.realm = QStringLiteral("Authorize please");
    stat_.Raise(auth_errors);
    log_.WriteErrorsLog(QStringLiteral("Not authorized\t") + ClientText(request));
}

void SearchService::Search(HttpRequest& request, SearchAnswerValues& answer, QString& detail)
{
    const int32_t length = static_cast<int32_t>(request.body.size()) - kSearchPartHeadSize - kSearchClosingBoundarySize;
    const auto* query = reinterpret_cast<const uint8_t*>(request.body.constData()) + kSearchPartHeadSize;
    uint32_t snapshot = 0;
    const int32_t slot = finder_.AddQuery(length, query, snapshot);
    request.body = QByteArray(); // the engine keeps its own copy
    if (slot < 0) {
        stat_.Raise(unprocessed_requests);
        answer = TooManyQueriesAnswer();
        log_.WriteErrorsLog(QStringLiteral("Too many queries\t") + ClientText(request));
        return;
    }
    WaitForBatch(snapshot);

    SEARCH_RESULT_COPY result;
    if (!finder_.ReadResult(slot, snapshot, result)) {
        log_.WriteErrorsLog(QStringLiteral("Wrong stage\t") + ClientText(request));
        answer = ExpiredAnswer(length);
        detail = QStringLiteral("found=-1\tquerylen=") + QString::number(length);
        stat_.Raise(expired_requests);
    } else if (result.found == 0) {
        answer = NotFoundAnswer(length);
        detail = QStringLiteral("found=0\tquerylen=") + QString::number(length);
        stat_.Raise(not_found_count);
    } else {
        answer = FoundAnswer(result);
        detail = FoundLogDetail(answer);
        stat_.Raise(found_count);
        stat_.Raise(result.found == 1 ? unambiguous_count : ambiguous_count);
    }
    stat_.Raise(processed_requests);
}

void SearchService::WaitForBatch(uint32_t snapshot) const
{
    // No time-out: the batch that took the query always completes, however long it searches.
    while (finder_.searches.load() == snapshot)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

QString SearchService::ClientText(const HttpRequest& request) const
{
    return request.peer + QLatin1Char('\t') + request.user;
}
