#pragma once
// The desktop as the end-to-end tests use it: a coloured target window, injected keys and
// pointer moves, and the pixels of the screen.

#include <windows.h>

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

inline void Key(WORD vk, bool down) {
    INPUT input{INPUT_KEYBOARD, {}};
    input.ki = KEYBDINPUT{vk, 0, down ? 0ul : KEYEVENTF_KEYUP, 0, 0};
    SendInput(1, &input, sizeof input);
}

// Moves the pointer and lets the windows under it settle. Wine resynchronises Shift, Ctrl
// and Alt with the X server's keyboard when a Wine window handles the pointer's events, and
// the X server never saw the injected keys: a modifier held while the pointer moves over a
// window would be released behind the test's back. A user's real keys are never affected.
// Drags therefore run where no window is, and other pointer moves happen with no modifier
// held.
inline void MovePointer(int x, int y) {
    SetCursorPos(x, y);
    Pause(150);
}

// Presses and releases a key, each change seen by at least one sampling pass.
inline void Tap(WORD vk) {
    Key(vk, true);
    Pause(60);
    Key(vk, false);
    Pause(60);
}

// Ctrl+C as a user types it; true when the capture was reported.
inline bool CtrlC() {
    Key(VK_CONTROL, true);
    Key('C', true);
    const bool done = AwaitStatus("キャプチャー完了");
    Key('C', false);
    Key(VK_CONTROL, false);
    return done;
}

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

// How many pixels of the target colour the preview shows from its origin to the right.
inline int ColouredRun(const RECT& preview, int row) {
    int n = 0;
    while (preview.left + n < preview.right && ScreenPixel(preview.left + n, preview.top + row) == kTargetColour) ++n;
    return n;
}

}  // namespace tessarin::test
