#pragma once
// The messages that classes without a window showed, in the order they came.
#include "message_sink.h"

#include <QStringList>
#include <mutex>

namespace testsupport {

class RecordedMessages {
public:
    // A sink that records into this list; the list must outlive its users.
    MessageSink sink()
    {
        return [this](const QString& text) {
            std::lock_guard lock(guard);
            shown << text;
        };
    }

    QStringList texts() const
    {
        std::lock_guard lock(guard);
        return shown;
    }

    bool empty() const { return texts().isEmpty(); }

    void clear()
    {
        std::lock_guard lock(guard);
        shown.clear();
    }

private:
    mutable std::mutex guard;
    QStringList shown;
};

} // namespace testsupport
