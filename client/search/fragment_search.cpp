#include "fragment_search.h"

#include "analyzer_call.h"
#include "frame_count.h"
#include "kestraline_error.h"
#include "search_transport.h"

#include <QFile>

namespace client {

FragmentSearch::FragmentSearch(const QString& programFolder, SearchTransport& transport)
    : programFolder(programFolder), transport(transport)
{
}

FragmentSearchResult FragmentSearch::Run(const ConnectionSettings& settings, const QString& videoPath,
                                         qint64 pos, double fps, const QString& frameCountText)
{
    const int frames = frame_count_from_text(frameCountText);
    const QString requestFile = request_file_path(programFolder);
    QFile::remove(requestFile);
    run_analyzer(programFolder, analyzer_arguments(videoPath, requestFile, pos, frames, fps));

    FragmentSearchResult result;
    QFile file(requestFile);
    if (!file.exists()) {
        result.outcome = FragmentSearchResult::NoRequestFile;
        return result;
    }
    if (!file.open(QIODevice::ReadOnly))
        throw KestralineError("Cannot open file \"" + requestFile + "\". " + file.errorString());
    const SearchExchange exchange = transport.post(make_search_request(settings, file.readAll()));
    switch (exchange.outcome) {
    case SearchExchange::Answered:
        result.outcome = FragmentSearchResult::Answered;
        result.answer = exchange.text;
        break;
    case SearchExchange::Refused:
        result.outcome = FragmentSearchResult::Refused;
        break;
    case SearchExchange::Failed:
        result.outcome = FragmentSearchResult::Unreachable;
        break;
    }
    return result;
}

} // namespace client
