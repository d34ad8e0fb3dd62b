#pragma once
// Reading the running program's main window from outside, without a test framework: the end-to-end
// tests and the benchmarks that drive Tessarin.exe both wait on what its pointer panel shows.

#include <windows.h>

#include <cwchar>
#include <string>

#include "win/win_test_support.h"
#include "win32/messages.h"

namespace tessarin::test {

// The window below parent, at any depth, with that text; nullptr when there is none.
inline HWND ChildWithText(HWND parent, const std::wstring& text) {
    if (HWND found = FindWindowExW(parent, nullptr, nullptr, text.c_str())) return found;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (HWND found = ChildWithText(child, text)) return found;
    }
    return nullptr;
}

// The pointer panel: what the run's last pass saw. Each pass writes its labels, shown (-debug) or
// not. They follow the four caption labels in the order the main window makes them; the last
// tells the position and slot the list selected.
enum class PanelLabel { Event = 9, Key = 10, Mouse = 11, Selection = 13 };
inline HWND PanelWindow(HWND main, PanelLabel label) {
    HWND labelWindow = ChildWithText(main, L"rect");  // the first caption
    for (int i = 0; i < static_cast<int>(label) && labelWindow != nullptr; ++i)
        labelWindow = GetWindow(labelWindow, GW_HWNDNEXT);
    return labelWindow;
}
inline std::wstring PanelText(HWND main, PanelLabel label) {
    HWND labelWindow = PanelWindow(main, label);
    return labelWindow != nullptr ? WindowText(labelWindow) : L"<no panel>";
}

// True once a pass of the run has seen the key go down or up. A pass reports only the highest key
// that changed, so a key that must count on its own waits for the one before it.
inline bool KeySeen(HWND main, WORD vk, bool down, DWORD deadlineMs = 10000) {
    wchar_t code[8];
    swprintf(code, 8, L"%X", vk);
    return Await(
        [&] {
            return PanelText(main, PanelLabel::Event) == (down ? L"KEY_DOWN" : L"KEY_UP") &&
                   PanelText(main, PanelLabel::Key) == code;
        },
        deadlineMs);
}

// Puts the pointer at (x, y); true once a pass of the run has seen it there and this thread's
// windows have had its events. SetCursorPos is no input to the run's hooks, which bring its fast
// looks back after a still moment: a move by nothing through SendInput does that first.
inline bool PointerRests(HWND main, int x, int y, DWORD deadlineMs = 10000) {
    INPUT still{INPUT_MOUSE, {}};
    still.mi.dwFlags = MOUSEEVENTF_MOVE;
    ::SendInput(1, &still, sizeof still);
    SetCursorPos(x, y);
    wchar_t at[32];
    swprintf(at, 32, L"%4d -%4d", x, y);
    const bool seen = Await([&] { return PanelText(main, PanelLabel::Mouse) == at; }, deadlineMs);
    ProcessPendingMessages();
    return seen;
}

}  // namespace tessarin::test
