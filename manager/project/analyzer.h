#pragma once
#include "clipmeta.h"

#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

namespace manager {

// The worker of one video: runs the property tool and, only if that succeeded,
// the analysis tool through the tool runner, then hands back to the main thread
// with a synchronous call and ends. It keeps no data of its own: the main thread
// fills the runner before the worker starts and reads it in the hand-back, which
// runs while the worker waits, so the runner needs no lock.
class ANALYZER final : public QThread {
    Q_OBJECT
public:
    // `handBack` runs on the thread of `mainThreadObject`; the worker starts at
    // once unless `createSuspended`.
    ANALYZER(bool createSuspended, CLIPMETA& runner, QObject* mainThreadObject, std::function<void()> handBack);
    // Waits for the run to end, serving the hand-back meanwhile.
    ~ANALYZER() override;

    // Runs the hand-back; called on the main thread only.
    void Prepare();

    // Returns when the worker has ended. Never blocks the hand-back: while the worker
    // runs, the main thread's queued calls are served (user input is held back so
    // that no handler runs twice meanwhile), even after a request to quit.
    void WaitServingHandBack();

signals:
    void handBackWanted(); // sent by the worker, served on the main thread

protected:
    void run() override; // the worker's Execute

private:
    CLIPMETA& runner;
    std::function<void()> handBack;
    std::atomic<bool> resultsReady {false}; // set before the hand-back is asked for
    std::atomic<bool> ran {false};          // set as the worker's last step
    bool handedBack = false;                // on the main thread, once the hand-back has run
};

// Destroys the worker (if any) after waiting for it as WaitServingHandBack does.
void destroy_worker(std::unique_ptr<ANALYZER>& worker);

} // namespace manager
