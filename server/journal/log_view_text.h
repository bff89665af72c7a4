#pragma once
#include <QString>

namespace server {

// The text of one log view (request lines or error lines), lines ending in CR LF.
// New lines are appended while the view holds at most 4000 characters (UTF-16
// units, line ends included); once it holds more, the next batch of lines replaces
// it. The test is made before the batch is added, so a view can grow past 4000
// characters until the next batch arrives.
class LogViewText {
public:
    enum class Change { None, Appended, Replaced };

    Change add(const QString& lines);
    const QString& text() const { return current; }

    static constexpr int limit = 4000;

private:
    QString current;
};

} // namespace server
