// Request threads check credentials while the main thread reloads, changes,
// closes and reopens the access list (run under ThreadSanitizer too).
#include "kestraline_access.h"
#include "recorded_messages.h"
#include "test_support.h"

#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace testsupport;

TEST(AccessConcurrency, ChecksDuringReloadsNeverAdmitAnIntruder)
{
    ensureApplication();
    QTemporaryDir dir;
    const QString path = dir.filePath("Access.db");
    RecordedMessages shownMessages;
    KESTRALINE_ACCESS access;
    access.show_message = shownMessages.sink();
    ASSERT_TRUE(access.Create(path));
    access.Load();
    access.Add(true, "", "member", "pw");

    std::atomic<bool> stop{false};
    std::atomic<int> admitted{0};
    std::atomic<int> intruders{0};
    std::vector<std::thread> requests;
    for (int t = 0; t < 8; ++t)
        requests.emplace_back([&] {
            while (!stop.load()) {
                if (access.Check("127.0.0.1", "member", "pw"))
                    ++admitted;
                // Blocked, bound elsewhere, or never listed: never admitted.
                if (access.Check("127.0.0.1", "blocked", "pw") || access.Check("127.0.0.1", "bound", "pw") ||
                    access.Check("127.0.0.1", "member", "PW"))
                    ++intruders;
                (void)access.user_count();
                std::this_thread::yield();
            }
        });

    for (int round = 0; round < 40; ++round) {
        access.Add(false, "", "blocked", "pw");
        access.Add(true, "10.9.9.9", "bound", "pw");
        access.Load();
        access.Close();
        access.Open(path);
        access.Load();
        sqliteShell(path, "delete from access where user<>'member';");
        access.Load();
    }
    stop = true;
    for (auto& thread : requests)
        thread.join();

    EXPECT_EQ(intruders.load(), 0);
    EXPECT_GT(admitted.load(), 0);
    EXPECT_TRUE(shownMessages.empty());
}
