#include "analyzer.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace manager {

ANALYZER::ANALYZER(bool createSuspended, CLIPMETA& runner, QObject* mainThreadObject,
                   std::function<void()> handBack)
    : runner(runner), mainThreadObject(mainThreadObject), handBack(std::move(handBack))
{
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
    QMetaObject::invokeMethod(mainThreadObject, [this] { Prepare(); }, Qt::BlockingQueuedConnection);
}

void ANALYZER::Prepare()
{
    if (handBack)
        handBack();
}

void ANALYZER::WaitServingHandBack()
{
    if (isRunning() && !isFinished()) {
        // Serves this thread's events until the worker has ended. An event loop
        // would also end on a request to quit the application (a posted Quit, a
        // last window closed), and wait() below would then block for good while
        // the worker waits for its hand-back.
        QObject wakeUp;
        connect(this, &QThread::finished, &wakeUp, [] {});
        // finished() may already have been sent before the connection existed;
        // isFinished() is true from just before it is sent.
        while (!isFinished())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
    }
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
