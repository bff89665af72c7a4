// A thread-sanitizer build reports a race of our own code also after the process has
// started a program (which used to blind the sanitizer for good) and when Qt runs both
// racing functions (a QThread's run and a slot, whose stacks hold Qt's frames). Each race
// runs in a child process, which the sanitizer ends with its status 66 after reporting.
#include "test_support.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <thread>

namespace {

int unguarded = 0; // written by two threads without a lock

} // namespace

// The planted races, run only as the children of ReportsRacesOfOurCode.
TEST(DISABLED_PlantedRace, AfterAProgramWasStarted)
{
    testsupport::ensureApplication();
    ASSERT_EQ(testsupport::runProgram("true", {}), 0);
    std::thread writer([] { unguarded = 1; });
    unguarded = 2;
    writer.join();
    EXPECT_GT(unguarded, 0);
}

TEST(DISABLED_PlantedRace, BetweenAQThreadAndASlot)
{
    testsupport::ensureApplication();
    QThread* worker = QThread::create([] { unguarded = 1; });
    QTimer::singleShot(0, [] { unguarded = 2; });
    worker->start();
    while (!worker->isFinished())
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    worker->wait();
    delete worker;
    EXPECT_GT(unguarded, 0);
}

TEST(ThreadSanitizer, ReportsRacesOfOurCode)
{
#ifndef __SANITIZE_THREAD__
    GTEST_SKIP() << "only a thread-sanitizer build reports races";
#endif
    testsupport::ensureApplication();
    for (const char* plant : {"AfterAProgramWasStarted", "BetweenAQThreadAndASlot"}) {
        SCOPED_TRACE(plant);
        QByteArray err;
        const int status = testsupport::runProgram(
            "/proc/self/exe",
            {"--gtest_also_run_disabled_tests", QStringLiteral("--gtest_filter=DISABLED_PlantedRace.") + plant},
            nullptr, &err);
        EXPECT_EQ(status, 66);
        EXPECT_EQ(err.count("WARNING: ThreadSanitizer: data race"), 1) << err.constData();
        EXPECT_TRUE(err.contains("SUMMARY: ThreadSanitizer: data race " __FILE__)) << err.constData();
    }
}
