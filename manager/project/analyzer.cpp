#include "analyzer.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>

namespace manager {

ANALYZER::ANALYZER(bool createSuspended, CLIPMETA& runner, QObject* mainThreadObject,
                   std::function<void()> handBack)
    : runner(runner), mainThreadObject(mainThreadObject), handBack(std::move(handBack))
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
    emit handBackWanted();
    // Nothing of this object is touched once the flag is set: it may be destroyed at once.
    QAbstractEventDispatcher* mainLoop = QAbstractEventDispatcher::instance(mainThreadObject->thread());
    ran.store(true, std::memory_order_release);
    if (mainLoop)
        mainLoop->wakeUp(); // ends WaitServingHandBack's wait for more events
}

void ANALYZER::Prepare()
{
    if (handBack)
        handBack();
}

void ANALYZER::WaitServingHandBack()
{
    // Serves this thread's events until the worker has run (a worker never started
    // has nothing to wait for). An event loop would also end on a request to quit
    // the application (a posted Quit, a last window closed), and wait() below would
    // then block for good while the worker waits for its hand-back. The flag, read
    // first, unlike Qt's own state of the thread also shows a race detector that
    // the worker's work is done.
    while (!ran.load(std::memory_order_acquire) && isRunning())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
    wait();
}

void destroy_worker(std::unique_ptr<ANALYZER>& worker)
{
    if (!worker)
        return;
    worker->WaitServingHandBack();
    worker.reset();
}

} // namespace manager
