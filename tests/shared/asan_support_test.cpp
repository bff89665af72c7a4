// An address-sanitizer build ends a process with a failure at a leak of our own code and at
// undefined behaviour, so that neither passes silently: each fault runs in a child process
// (as the programs that tests start run), whose status and report are checked.
#include "test_support.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

int* volatile lost = nullptr;

__attribute__((noinline)) void leak()
{
    lost = new int[4];
    lost = nullptr;
}

} // namespace

// The planted faults, run only as the children of EndsTheProcessAtFaultsOfOurCode.
TEST(DISABLED_PlantedFault, Leak)
{
    leak();
    SUCCEED();
}

TEST(DISABLED_PlantedFault, SignedOverflow)
{
    volatile int largest = INT_MAX;
    EXPECT_NE(largest + 1, 0);
}

TEST(AddressSanitizer, EndsTheProcessAtFaultsOfOurCode)
{
#ifndef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "only an address-sanitizer build looks for leaks and undefined behaviour";
#endif
    const struct {
        const char* plant;
        const char* report;
    } faults[] = {{"Leak", "ERROR: LeakSanitizer: detected memory leaks"},
                  {"SignedOverflow", "runtime error: signed integer overflow"}};
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.plant);
        QByteArray err;
        const int status = testsupport::runProgram(
            "/proc/self/exe",
            {"--gtest_also_run_disabled_tests", QStringLiteral("--gtest_filter=DISABLED_PlantedFault.") + fault.plant},
            nullptr, &err);
        EXPECT_GT(status, 0);
        EXPECT_TRUE(err.contains(fault.report)) << err.constData();
        EXPECT_TRUE(err.contains(__FILE__)) << "the report names our code";
    }
}
