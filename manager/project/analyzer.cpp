#include "analyzer.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace manager {

ANALYZER::ANALYZER(bool createSuspended, CLIPMETA& runner, QObject* mainThreadObject,
                   std::function<void()> handBack)
    : runner(runner), handBack(std::move(handBack))
{
    // The connection keeps the hand-back, so the worker frees nothing the main thread runs.
    connect(this, &ANALYZER::handBackWanted, mainThreadObject, [this] { Prepare(); }, Qt::BlockingQueuedConnection);
    if (!createSuspended)
        start();
}

ANALYZER::~ANALYZER()
{
    WaitServingHandBack();
}

void ANALYZER::run()
{
    if (runner.GetClipmeta())
        runner.GetVideoAnalysis();
    resultsReady.store(true, std::memory_order_release);
    emit handBackWanted();
    ran.store(true, std::memory_order_release);
}

void ANALYZER::Prepare()
{
    // The runner's results come with Qt's queued call, whose locks a race detector
    // cannot see; the flag shows it that they were written before.
    resultsReady.load(std::memory_order_acquire);
    if (handBack)
        handBack();
    handedBack = true;
}

void ANALYZER::WaitServingHandBack()
{
    // Serves this thread's events until the worker's hand-back has run (a worker
    // never started has none); wait() then only waits for the worker's last steps.
    // An event loop would also end on a request to quit the application (a posted
    // Quit, a last window closed), and wait() would then block for good while the
    // worker waits for its hand-back.
    while (!handedBack && isRunning())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
    wait();
    // wait() too ends on Qt's unseen locks; the worker's last step shows the detector its end.
    ran.load(std::memory_order_acquire);
}

void destroy_worker(std::unique_ptr<ANALYZER>& worker)
{
    if (!worker)
        return;
    worker->WaitServingHandBack();
    worker.reset();
}

} // namespace manager
