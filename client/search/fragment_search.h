#pragma once
#include <QString>
#include <QtGlobal>

#include "connection_settings.h"

namespace client {

class SearchTransport;

// What the window shows after a search.
struct FragmentSearchResult {
    enum Outcome {
        NoRequestFile,  // "Файл-запрос не создан!"
        Refused,        // "Неверное имя или пароль"
        Unreachable,    // "Сервер недоступен"
        Answered,       // `answer` is the server's text, lines ended by LF
    };
    Outcome outcome = Unreachable;
    QString answer;
};

// The search of one fragment, after the window has paused the player and read
// its position: the analysis tool writes the colour data of the next frames into
// the request file (an old one is removed first, so a tool that writes nothing
// never resends old data), then the file is posted to the server.
class FragmentSearch {
public:
    FragmentSearch(const QString& programFolder, SearchTransport& transport);

    // `frameCountText` is the frame count field's text (50 when not a number).
    // A request file that exists but cannot be read throws KestralineError.
    FragmentSearchResult Run(const ConnectionSettings& settings, const QString& videoPath, qint64 pos,
                             double fps, const QString& frameCountText);

private:
    QString programFolder;
    SearchTransport& transport;
};

} // namespace client
