#pragma once
#include <QThread>

class KESTRALINE_FINDER;

// The search thread: runs a search batch whenever queries are pending, until
// interruption is requested.
class FINDER_WORKER : public QThread {
    Q_OBJECT
public:
    // Starts the thread at once unless `createSuspended`.
    explicit FINDER_WORKER(KESTRALINE_FINDER& finder, bool createSuspended = false);
    void run() override;

private:
    KESTRALINE_FINDER& finder;
};
