// The input hooks wake the run once per arming, for input injected by another program too.

#include "win32/input_wake.h"

#include <gtest/gtest.h>

#include "win_test_support.h"

namespace tessarin::test {
namespace {

constexpr UINT kWake = WM_APP + 7;
int wakes = 0;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kWake) ++wakes;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A pointer move there and back: input, but nothing moves for good.
void Nudge() {
    INPUT moves[2] = {};
    for (INPUT& move : moves) move.type = INPUT_MOUSE, move.mi.dwFlags = MOUSEEVENTF_MOVE;
    moves[0].mi.dx = 1;
    moves[1].mi.dx = -1;
    ASSERT_EQ(SendInput(2, moves, sizeof(INPUT)), 2U);
}

TEST(InputWake, ArmedTheNextInputPostsOneMessageAndAnUnarmedOneNone) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = CountingProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"TessarinWakeTarget";
    RegisterClassW(&cls);
    const UniqueWindow target(
        CreateWindowExW(0, cls.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, nullptr));
    ASSERT_TRUE(target);
    wakes = 0;
    {
        InputWake wake;
        ASSERT_TRUE(wake.ok());
        InputWake second;
        EXPECT_FALSE(second.ok()) << "one program has one";
        wake.SetTarget(target.get(), kWake);

        for (int round = 1; round <= 2; ++round) {
            SCOPED_TRACE(round);
            // Both moves of a nudge come after the arming: the second must find it spent.
            wake.Arm();
            Nudge();
            EXPECT_TRUE(WaitUntil([&] { return wakes >= round; }, 5000, true));
            // Unarmed input meanwhile would have posted before the next round's message arrives.
            Nudge();
        }
        EXPECT_EQ(wakes, 2);
    }
    // Gone: the hooks are off, and nothing posts any more.
    Nudge();
    ProcessPendingMessages();
    EXPECT_EQ(wakes, 2);
}

}  // namespace
}  // namespace tessarin::test
