#pragma once
// The message pump used inside long work, and the window procedure that hands a window's
// messages to the object that owns it.

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/ports/capture.h"
#include "win32/handles.h"

namespace tessarin {

// Lets every pending message of this thread run; a quit request is left for the main loop.
void ProcessPendingMessages();
// Waits that long with this thread's messages flowing, so its windows stay alive; a quit request
// ends the wait.
void ProcessMessagesFor(DWORD milliseconds);
// How long the windows of other programs take to draw what one of ours uncovered by going
// away: a copy of the screen made at once would still show ours.
inline constexpr DWORD kUncoveredRepaintMs = 80;

// The loop of a modal window of our own (no dialog template needed): this thread's messages,
// with Tab, Enter and Esc for the window, until the window is gone (the variable is cleared
// when it is destroyed). A quit request ends it and is handed on to the loop that called it.
void RunModalLoop(const HWND& window);

// The owner of a modal window of ours takes no input while it is up. It takes input again
// before the modal window is destroyed, so that activation returns to it rather than to another
// program: Enable() comes first, the destructor makes sure of it.
class ModalOwner {
public:
    ModalOwner() = default;
    ModalOwner(const ModalOwner&) = delete;
    ModalOwner& operator=(const ModalOwner&) = delete;
    ~ModalOwner() { Enable(); }
    // An owner already disabled (under another modal window) is left to that one.
    void Disable(HWND owner) {
        if (owner == nullptr || !IsWindowEnabled(owner)) return;
        EnableWindow(owner, FALSE);
        owner_ = owner;
    }
    void Enable() {
        if (owner_ != nullptr) EnableWindow(std::exchange(owner_, nullptr), TRUE);
    }

private:
    HWND owner_ = nullptr;
};

// The work area of every monitor, in virtual-screen pixels.
[[nodiscard]] std::vector<Rect> MonitorWorkAreas();
// Places a dialog of ours of that outer size centred on its owner's monitor, whole on its work
// area, above every other window.
void PlaceOnOwnersMonitor(HWND dialog, HWND owner, int width, int height);

// The whole text of a window or control.
[[nodiscard]] std::wstring WindowText(HWND window);

// Registers a window class of this module with an arrow cursor; a class registered before
// counts as success. background may be null (the window paints everything itself).
[[nodiscard]] bool RegisterWindowClass(const wchar_t* className, WNDPROC procedure, HBRUSH background,
                                       HICON icon = nullptr);

// The first visible-or-not top-level window of a process with this class (and caption,
// when one is given); nullptr when there is none.
[[nodiscard]] HWND FindProcessWindow(DWORD processId, std::wstring_view className, std::wstring_view caption = {});

// A tip window that shows a fixed text while the pointer rests on the window; empty when it
// cannot be made. It belongs to the window: reset it when the window is destroyed.
[[nodiscard]] UniqueWindow CreateWindowTip(HWND window, const wchar_t* text);

// An error that reached a window procedure is written to the debugger's output and handed to
// the reporter the program set (its status line), so that a failed command is never a click
// that silently does nothing. The reporter must not let anything escape.
void SetWindowErrorReporter(std::function<void(const std::string& what)> reporter);
void ReportWindowError(const char* what) noexcept;

// Window procedure for a class T that owns its window: the object arrives as the creation
// parameter, gets its handle in hwnd_ and every message in HandleMessage; the link is cut
// when the window is gone. T makes this function a friend.
template <typename T>
LRESULT CALLBACK OwnedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    // Nothing may unwind into the window system: the message has no further effect, and the
    // failure is reported.
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        ReportWindowError(error.what());
    } catch (...) {
        ReportWindowError("unknown error");
    }
    return 0;
}

// A message-only window of class T's own, through which other threads hand work back to the
// thread that makes it (T owns it as above); empty when it cannot be made.
template <typename T>
[[nodiscard]] UniqueWindow CreateMessageWindow(const wchar_t* className, T* owner) {
    if (!RegisterWindowClass(className, OwnedWindowProc<T>, nullptr)) return UniqueWindow();
    return UniqueWindow(
        ::CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ::GetModuleHandleW(nullptr), owner));
}

// Destroys an owned window unless it is gone already (live is then null): a handle that may have
// been given to another window since must not be destroyed again.
inline void DestroyOwnedWindow(UniqueWindow& window, HWND live) {
    if (live == nullptr) (void)window.release();
    window.reset();
}

}  // namespace tessarin
