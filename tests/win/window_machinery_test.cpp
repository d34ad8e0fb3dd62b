// The program's own window machinery: an error that reaches a window procedure (the message has
// no effect, the window lives on, the reporter hears of it), the input hooks that wake the run,
// and the notice window.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/app/shell.h"
#include "core/run/tick_pace.h"
#include "ui/splash.h"
#include "win32/input_wake.h"
#include "win32/key_state.h"
#include "win32/messages.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

class Throwing {
public:
    bool Create() {
        return RegisterWindowClass(L"TessarinThrowingWindow", OwnedWindowProc<Throwing>, nullptr) &&
               CreateWindowExW(0, L"TessarinThrowingWindow", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleW(nullptr), this) != nullptr;
    }
    ~Throwing() {
        if (hwnd_ != nullptr) DestroyWindow(hwnd_);
    }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_USER) throw std::runtime_error("the command broke");
        if (message == WM_USER + 1) throw 42;
        return message == WM_USER + 2 ? 7 : DefWindowProcW(hwnd_, message, wParam, lParam);
    }
    HWND hwnd_ = nullptr;
};

TEST(OwnedWindowProc, AnErrorInAHandlerIsReportedAndTheWindowLivesOn) {
    Throwing window;
    ASSERT_TRUE(window.Create());
    std::vector<std::string> reported;
    SetWindowErrorReporter([&](const std::string& what) { reported.push_back(what); });
    EXPECT_EQ(SendMessageW(window.hwnd_, WM_USER, 0, 0), 0);
    EXPECT_EQ(SendMessageW(window.hwnd_, WM_USER + 1, 0, 0), 0);
    EXPECT_EQ(SendMessageW(window.hwnd_, WM_USER + 2, 0, 0), 7);
    EXPECT_EQ(reported, (std::vector<std::string>{"the command broke", "unknown error"}));
    // A reporter that fails itself does not bring the window down, and reports again next time.
    SetWindowErrorReporter([&](const std::string& what) {
        reported.push_back(what);
        throw std::runtime_error("the reporter broke");
    });
    EXPECT_EQ(SendMessageW(window.hwnd_, WM_USER, 0, 0), 0);
    EXPECT_EQ(SendMessageW(window.hwnd_, WM_USER, 0, 0), 0);
    EXPECT_EQ(reported.size(), 4U);
    SetWindowErrorReporter(nullptr);
    EXPECT_EQ(SendMessageW(window.hwnd_, WM_USER, 0, 0), 0);
    EXPECT_TRUE(IsWindow(window.hwnd_));
}

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

// For input injected by another program too.
TEST(InputWake, ArmedTheNextInputPostsOneMessageAndAnUnarmedOneNone) {
    ASSERT_TRUE(RegisterWindowClass(L"TessarinWakeTarget", CountingProc, nullptr));
    const UniqueWindow target(CreateWindowExW(0, L"TessarinWakeTarget", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                              GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(target);
    wakes = 0;
    {
        InputWake wake;
        ASSERT_TRUE(wake.watching());
        EXPECT_FALSE(InputWake().watching()) << "one program has one";
        wake.SetTarget(target.get(), kWake);
        for (int round = 1; round <= 2; ++round) {
            SCOPED_TRACE(round);
            // Both moves of a nudge come after the arming: the second must find it spent.
            wake.arm();
            Nudge();
            EXPECT_TRUE(Await([&] { return wakes >= round; }, 5000));
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

// Every press is noted for the key state, a right Ctrl as Ctrl: a key tapped between two looks
// reads "pressed since" once, whatever the system's own bit says; what is heard keeps the watch's
// time, and one put in place again hears on.
TEST(InputWake, NotesEveryPressForTheKeyStateAndHearsOnWhenPutInPlaceAgain) {
    InputWake wake;
    ASSERT_TRUE(wake.watching());
    AsyncKeyStateSource keys(&wake);
    const auto tap = [](WORD vk, DWORD flags = 0) {
        INPUT press[2] = {};
        for (INPUT& key : press) key.type = INPUT_KEYBOARD, key.ki.wVk = vk, key.ki.dwFlags = flags;
        press[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        ASSERT_EQ(SendInput(2, press, sizeof(INPUT)), 2U);
    };
    for (const auto& [vk, flags, seenAs] : {std::tuple{WORD{VK_F13}, DWORD{0}, VK_F13},
                                            std::tuple{WORD{VK_RCONTROL}, DWORD{KEYEVENTF_EXTENDEDKEY}, VK_CONTROL}}) {
        SCOPED_TRACE(seenAs);
        (void)keys.asyncKeyState(seenAs);  // nothing left over
        tap(vk, flags);
        ASSERT_TRUE(Await([&] { return (GetAsyncKeyState(vk) & 0x8000) == 0 && wake.TakePress(seenAs); }, 5000));
        tap(vk, flags);
        ASSERT_TRUE(Await([&] { return (keys.asyncKeyState(seenAs) & 1) != 0; }, 5000));
        EXPECT_EQ(keys.asyncKeyState(seenAs), 0) << "once only, and it is up";
    }
    // Put in place again (on its own thread, in its own time), it hears presses again, and the
    // input the system had it heard too.
    wake.rewatch();
    EXPECT_TRUE(Await(
        [&] {
            tap(VK_F13);
            return Await([&] { return wake.TakePress(VK_F13); }, 100);
        },
        5000))
        << "put in place again, it hears on";
    EXPECT_FALSE(WatchIsDeaf(wake.lastInputMs(), wake.lastHeardMs()))
        << wake.lastInputMs() << " heard " << wake.lastHeardMs();
}

// Its height follows the lines of its message, it stays above other windows, and it closes
// itself after its display time or when told to.
TEST(Notice, GrowsWithItsLinesStaysOnTopAndClosesAfterItsTimeOrWhenTold) {
    const auto closesWithin = [](DWORD ms) { return Await([] { return frmSplash::Window() == nullptr; }, ms); };
    const auto heightFor = [](const std::string& message) {
        return NoticeHeightTwips(frmSplash::kLabelTopTwips, message) /
               TwipsPerPixel(static_cast<int>(GetDpiForWindow(frmSplash::Window())));
    };
    const std::string message = "ファイル読込中！\r\n\r\n3/10";
    frmSplash::ShowNotice(nullptr, message, 200, false);
    HWND notice = frmSplash::Window();
    ASSERT_NE(notice, nullptr);
    RECT r{};
    GetWindowRect(notice, &r);
    EXPECT_EQ(r.bottom - r.top, heightFor(message));
    EXPECT_GT(r.bottom - r.top, heightFor("one line"));
    EXPECT_TRUE(GetWindowLongW(notice, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(IsWindowVisible(notice));
    EXPECT_TRUE(closesWithin(10000));
    EXPECT_FALSE(IsWindow(notice));

    // Without a time it stays until an empty message closes it; a new notice replaces the old
    // one rather than stacking.
    frmSplash::ShowNotice(nullptr, "待機", 0, false);
    notice = frmSplash::Window();
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(closesWithin(300));
    frmSplash::ShowNotice(nullptr, "次", 0, false);
    EXPECT_FALSE(IsWindow(notice));
    frmSplash::ShowNotice(nullptr, "", 0, false);
    EXPECT_EQ(frmSplash::Window(), nullptr);

    // A modal notice returns when it has closed.
    const ULONGLONG start = GetTickCount64();
    frmSplash::ShowNotice(nullptr, "モーダル", 150, true);
    EXPECT_EQ(frmSplash::Window(), nullptr);
    EXPECT_GE(GetTickCount64() - start, 100u);
}

}  // namespace
}  // namespace tessarin::test
