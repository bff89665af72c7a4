#include "analyzer.h"

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
        QEventLoop loop;
        connect(this, &QThread::finished, &loop, &QEventLoop::quit);
        // finished() may already have been sent before the connection existed;
        // isFinished() is true from just before it is sent.
        if (!isFinished())
            loop.exec(QEventLoop::ExcludeUserInputEvents);
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
