#pragma once
// The desktop as the end-to-end tests use it: a coloured target window, injected keys and
// pointer moves, and the pixels of the screen.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>

#include "e2e/program.h"

namespace tessarin::test {

constexpr COLORREF kTargetColour = RGB(200, 30, 40);
constexpr COLORREF kOverlayLine = RGB(0, 0, 255);
constexpr int kTargetWidth = 160;
constexpr int kTargetHeight = 120;

// A topmost window at (60, 60) of one solid colour, painted with its class brush.
inline UniqueWindow MakeTarget() {
    static const GdiObject<HBRUSH> brush(CreateSolidBrush(kTargetColour));
    if (!RegisterWindowClass(L"TessarinRunTarget", DefWindowProcW, brush.get())) return UniqueWindow();
    UniqueWindow window(CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, L"TessarinRunTarget", L"target",
                                        WS_POPUP | WS_VISIBLE, 60, 60, kTargetWidth, kTargetHeight, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr));
    UpdateWindow(window.get());
    return window;
}

// A key, and a press and release of a mouse button where the pointer is (0 leaves one out),
// injected as a user gives them.
inline void Key(WORD vk, bool down) {
    INPUT input{INPUT_KEYBOARD, {}};
    input.ki = KEYBDINPUT{vk, 0, down ? 0UL : KEYEVENTF_KEYUP, 0, 0};
    ::SendInput(1, &input, sizeof input);
}
inline void Click(DWORD down, DWORD up) {
    for (const DWORD flag : {down, up}) {
        if (flag == 0) continue;
        INPUT input{INPUT_MOUSE, {}};
        input.mi.dwFlags = flag;
        ::SendInput(1, &input, sizeof input);
    }
}

// A drag with the left button as a user makes it, pressed over the middle of source (a window
// of this thread). drag() runs the drag's own loop on this thread, which it holds, so a thread
// of its own moves the pointer to `to` in steps and lets go. What drag() returned; nullopt when
// the press or the pointer never came.
template <typename Drag>
std::optional<bool> InjectDrag(HWND source, POINT to, Drag drag) {
    RECT r{};
    GetWindowRect(source, &r);
    const POINT from{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    const auto held = [](bool down) {
        return Await([=] { return ((GetKeyState(VK_LBUTTON) & 0x8000) != 0) == down; }, 10000);
    };
    if (!WarpPointer(from)) return std::nullopt;
    SetForegroundWindow(source);
    Click(MOUSEEVENTF_LEFTDOWN, 0);
    // The drag reads the button from this thread's input state: the press must have arrived.
    if (!held(true)) {
        Click(0, MOUSEEVENTF_LEFTUP);
        return std::nullopt;
    }
    const DWORD dragger = GetCurrentThreadId();
    std::atomic<bool> over{false};
    bool arrived = true;  // written by the input thread only, read after it ends
    std::thread input([&] {
        // The drag has begun when its loop takes the pointer.
        arrived = WaitUntil(
            [&] {
                GUITHREADINFO info{sizeof info, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, {}};
                return GetGUIThreadInfo(dragger, &info) && info.hwndCapture != nullptr;
            },
            10000);
        for (int step = 1; step <= 8; ++step)
            arrived =
                WarpPointer({from.x + (to.x - from.x) * step / 8, from.y + (to.y - from.y) * step / 8}) && arrived;
        Click(0, MOUSEEVENTF_LEFTUP);
        // Should the drag miss its end, an Esc straight into its loop stops it, so a failure
        // cannot hold the test.
        if (!WaitUntil([&] { return over.load(); }, 10000)) PostThreadMessageW(dragger, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    const bool taken = drag();
    over = true;
    input.join();
    if (!held(false) || !arrived) return std::nullopt;
    return taken;
}

// A key pressed or let go during a run; true once a pass has seen it.
inline bool RunKey(HWND main, WORD vk, bool down) {
    Key(vk, down);
    const bool seen = KeySeen(main, vk, down);
    EXPECT_TRUE(seen) << std::hex << vk << (down ? " down" : " up") << ", the run shows "
                      << WideToUtf8(PanelText(main, PanelLabel::Event)) << " "
                      << WideToUtf8(PanelText(main, PanelLabel::Key));
    return seen;
}

// Presses and releases a key during a run, each change seen by a pass.
inline bool Tap(HWND main, WORD vk) { return RunKey(main, vk, true) && RunKey(main, vk, false); }

// Moves the pointer during a run and waits until a pass has seen it there. Wine resynchronises
// Shift, Ctrl and Alt with the X server's keyboard when a Wine window handles the pointer's
// events, and the X server never saw the injected keys: a modifier held while the pointer moves
// over a window would be released behind the test's back. A user's real keys are never affected.
// Drags therefore run where no window is, and other pointer moves happen with no modifier held,
// and a modifier goes down only once the windows under the pointer have had its events: the
// program's, whose thread runs the pass that shows the new place, and this thread's own (the
// target), once its messages have run again.
inline void MovePointer(HWND main, int x, int y) {
    EXPECT_TRUE(PointerRests(main, x, y)) << x << "," << y << ": " << WideToUtf8(PanelText(main, PanelLabel::Mouse));
}

// Draws a range with the range key (Shift) from one point to another and fixes it by letting
// go: the overlay, or nullptr when it did not follow. drawn is where the overlay ends up.
inline HWND DrawRange(const Program& program, HWND main, POINT from, POINT to, RECT& drawn) {
    MovePointer(main, from.x, from.y);
    Key(VK_SHIFT, true);
    // The range starts on the pointer's pixel. (A late pointer report from the X server may
    // already have moved it onto the pointer, which reaches one pixel up.)
    HWND overlay = nullptr;
    const bool placed = Await(
        [&] {
            overlay = FindProcessWindow(program.processId(), L"frmRect");
            return overlay != nullptr && GetWindowRect(overlay, &drawn) && drawn.left == from.x &&
                   (drawn.top == from.y || drawn.top == from.y - 1);
        },
        10000);
    SetCursorPos(to.x, to.y);
    const bool followed =
        placed &&
        Await([&] { return GetWindowRect(overlay, &drawn) && drawn.right == to.x && drawn.bottom == to.y; }, 10000);
    EXPECT_TRUE(followed) << placed << ": " << drawn.left << "," << drawn.top << "," << drawn.right << ","
                          << drawn.bottom;
    Key(VK_SHIFT, false);
    // Releasing the range key shows the frame of a fixed range: the range hint disappears.
    HWND rangeHint = FindWindowExW(main, nullptr, L"Static", L"範囲設定");
    const bool fixed = followed && Await([&] { return !IsWindowVisible(rangeHint); }, 10000);
    GetWindowRect(overlay, &drawn);
    return fixed ? overlay : nullptr;
}

// A shortcut as a user types it during a run (Ctrl+C, Ctrl+S); true when the program reported
// status. The modifier's press blanks the status line first, so an earlier report is not taken
// for this one's. Both keys are seen let go, one after the other (a pass reads the keys in
// turn: both let go at once may be seen one per pass, in either order), so the next key counts
// on its own.
inline bool Shortcut(HWND main, WORD modifier, WORD vk, const std::string& status) {
    ProcessPendingMessages();  // Wine's catching up with this thread's windows, before a modifier is down
    Key(modifier, true);
    const bool blank = AwaitStatus("");
    Key(vk, true);
    const bool done = blank && AwaitStatus(status);
    return RunKey(main, modifier, false) && RunKey(main, vk, false) && done;
}
inline bool CtrlC(HWND main) { return Shortcut(main, VK_CONTROL, 'C', "キャプチャー完了"); }

// The preview with its own scroll bars.
inline HWND PreviewWindow(HWND main) { return FindWindowExW(main, nullptr, L"TessarinPreview", nullptr); }

// The preview's client area on the screen.
inline RECT PreviewRect(HWND main) {
    HWND preview = PreviewWindow(main);
    RECT r{};
    GetClientRect(preview, &r);
    MapWindowPoints(preview, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

inline COLORREF ScreenPixel(int x, int y) { return GetPixel(WindowDc(nullptr).get(), x, y); }

// The main window's timer whose ticks are the run's looks at the keys and the pointer.
constexpr UINT_PTR kTickTimer = 2;

// The commands of the strip's pop-up menu.
constexpr WORD kMnuSaveNameAs = 401;
constexpr WORD kMnuDel = 405;
constexpr WORD kMnuAllSave = 402;
constexpr WORD kMnuThumnail = 403;
constexpr WORD kMnuLeftDel = 406;
constexpr WORD kMnuRightDel = 407;
constexpr WORD kMnuAllDel = 408;

// The middle of the thumbnail of a position (the strip scrolled to its start), on the screen.
inline POINT PanelPoint(HWND main, int position) {
    HWND strip = FindWindowExW(main, nullptr, L"TessarinPicList", nullptr);
    POINT panel{4 + (position - 1) * 53 + 25, 30};
    ClientToScreen(strip, &panel);
    return panel;
}

// Opens the strip's pop-up menu on the panel of a position, closes it again with an Esc and then
// gives the command, as picking its item would. (Which item the keys reach depends on where the
// pointer left the highlight.) The Esc is posted to the menu, whose loop reads its messages: the
// run, which reads the keyboard's state, never sees it, and the run's passes may be held while the
// menu is open, so nothing waits on them.
inline void PickMenuItem(HWND main, WORD command, int position = 1) {
    DWORD processId = 0;
    GetWindowThreadProcessId(main, &processId);
    const auto menu = [&] {
        HWND found = FindProcessWindow(processId, L"#32768");
        return found != nullptr && IsWindowVisible(found) ? found : nullptr;
    };
    const POINT panel = PanelPoint(main, position);
    MovePointer(main, panel.x, panel.y);
    Click(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    ASSERT_TRUE(Await([&] { return menu() != nullptr; }, 5000));
    // An Esc that comes before the menu's loop has begun passes it by: post it again.
    for (int i = 0; i < 10 && menu() != nullptr; ++i) {
        PostMessageW(menu(), WM_KEYDOWN, VK_ESCAPE, 0);
        (void)Await([&] { return menu() == nullptr; }, 1000);
    }
    ASSERT_EQ(menu(), nullptr);
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

// A program in a capture run (-auto) with the coloured target on the screen and the pointer
// over it; windows are copied from the screen. It is closed at the end unless the test ended it,
// and either way must have ended well.
class RunningProgram : public ::testing::Test {
protected:
    void SetUp() override { Start(); }
    // Starts the run with these settings in conf.txt ("": no file, the defaults).
    void Start(const std::string& conf = "no tooltip = 0\r\n", const std::string& arguments = "-auto") {
        target_ = MakeTarget();
        ASSERT_TRUE(target_);
        ASSERT_TRUE(conf.empty() || WriteBytes(program_.path("conf.txt"), conf));
        main_ = program_.Run(arguments);
        ASSERT_NE(main_, nullptr);
        ASSERT_TRUE(AwaitStatus("Go"));
        MovePointer(main_, 140, 120);
    }
    void TearDown() override {
        for (WORD vk :
             {WORD{VK_CONTROL}, WORD{VK_SHIFT}, WORD{VK_MENU}, WORD{'C'}, WORD{'S'}, WORD{VK_DELETE}, WORD{VK_ESCAPE}})
            Key(vk, false);
        EXPECT_EQ(program_.Quit(), 0u);
    }

    UniqueWindow target_;
    Program program_;
    HWND main_ = nullptr;
};

}  // namespace tessarin::test
