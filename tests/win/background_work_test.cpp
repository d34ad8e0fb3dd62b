// Work away from the window: done in order on another thread, its follow-ups back on the window's
// thread, and everything given finished when the program goes.

#include "win32/background_work.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>

#include "win/win_test_support.h"

namespace tessarin::test {
namespace {

TEST(BackgroundWork, RunsInOrderAwayAndFollowsUpHereAndFinishesAtTheEnd) {
    const DWORD here = ::GetCurrentThreadId();
    std::mutex mutex;
    std::string order;
    const auto note = [&](char c) {
        const std::lock_guard lock(mutex);
        order += c;
    };
    std::atomic<int> followedHere{0};
    std::atomic<bool> gate{false};
    {
        WinBackgroundWork work;
        ASSERT_TRUE(work.ok());
        // The first piece waits until the test lets it go, so everything after it is queued.
        work.run(
            [&] {
                WaitUntil([&] { return gate.load(); });
                note(::GetCurrentThreadId() != here ? 'a' : 'X');
            },
            [&] { followedHere += ::GetCurrentThreadId() == here ? 1 : 100; });
        work.run([&] { note('b'); }, {});
        work.run([&] { note('c'); }, [&] { followedHere += ::GetCurrentThreadId() == here ? 1 : 100; });
        EXPECT_EQ(followedHere, 0) << "nothing follows up before its work is done";
        gate = true;
        ASSERT_TRUE(Await([&] { return followedHere >= 2; }));
        EXPECT_EQ(followedHere, 2);
        EXPECT_EQ(order, "abc");

        // Going while work is queued: it is all done, and nothing follows up any more.
        gate = false;
        work.run([&] { WaitUntil([&] { return gate.load(); }), note('d'); }, [&] { followedHere += 10; });
        work.run([&] { note('e'); }, [&] { followedHere += 10; });
        gate = true;
    }
    ProcessPendingMessages();
    EXPECT_EQ(order, "abcde");
    EXPECT_EQ(followedHere, 2);

    // Waiting for a piece lets this thread's messages run: the follow-up of the piece before it
    // comes in meanwhile, which the waited-for piece waits to see.
    WinBackgroundWork work;
    std::atomic<bool> followed{false};
    bool seen = false;
    work.run([] {}, [&] { followed = true; });
    work.runAndWait([&] { seen = WaitUntil([&] { return followed.load(); }, 5000); });
    EXPECT_TRUE(seen);

    // Finished (the program is going): work still given is done at once, here.
    EXPECT_TRUE(work.finish(5000));
    bool doneHere = false;
    work.run([&] { doneHere = ::GetCurrentThreadId() == here; }, {});
    EXPECT_TRUE(doneHere);
}

// A piece stuck in the system does not hold up the end: the worker is left behind after the wait,
// and the object stays whole until it has ended.
TEST(WinBackgroundWork, AWorkerStuckAtTheEndIsLeftBehindAfterTheWait) {
    const UniqueHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::atomic<bool> ended{false};
    {
        WinBackgroundWork work;
        work.run([&] { ::WaitForSingleObject(release.get(), 10000), ended = true; }, {});
        const ULONGLONG start = ::GetTickCount64();
        EXPECT_FALSE(work.finish(300));
        const ULONGLONG waited = ::GetTickCount64() - start;
        EXPECT_TRUE(waited >= 250 && waited < 5000) << waited;
        EXPECT_FALSE(ended.load());
        ::SetEvent(release.get());
    }
    EXPECT_TRUE(ended.load()) << "gone only once its worker had ended";
}

}  // namespace
}  // namespace tessarin::test
