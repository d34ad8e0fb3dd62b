#include "win32/input_wake.h"

#include <future>
#include <utility>

#include "win32/handles.h"

namespace tessarin {

namespace {

// A hook procedure has no context of its own; one program has one of these.
std::atomic<InputWake*> current{nullptr};

}  // namespace

// The thread owns the promise it keeps: setting it may still touch the promise after the waiting
// constructor has seen the answer and returned.
InputWake::InputWake() {
    InputWake* expected = nullptr;
    if (!current.compare_exchange_strong(expected, this)) return;
    std::promise<bool> started;
    std::future<bool> hooked = started.get_future();
    thread_ = std::thread([this, started = std::move(started)]() mutable {
        MSG msg;
        // The queue exists before anyone may post the thread its quit.
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        threadId_.store(GetCurrentThreadId());
        const HINSTANCE module = GetModuleHandleW(nullptr);
        const UniqueHook keyboard(SetWindowsHookExW(WH_KEYBOARD_LL, HookProc, module, 0));
        const UniqueHook mouse(SetWindowsHookExW(WH_MOUSE_LL, HookProc, module, 0));
        const bool ok = keyboard && mouse;
        started.set_value(ok);
        if (!ok) return;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    });
    hooked_ = hooked.get();
}

InputWake::~InputWake() {
    if (thread_.joinable()) {
        if (hooked_) PostThreadMessageW(threadId_.load(), WM_QUIT, 0, 0);
        thread_.join();
    }
    InputWake* self = this;
    current.compare_exchange_strong(self, nullptr);
}

void InputWake::SetTarget(HWND window, UINT message) {
    message_.store(message);
    target_.store(window);
}

void InputWake::Notify() {
    const HWND target = target_.load();
    if (target != nullptr && armed_.exchange(false)) PostMessageW(target, message_.load(), 0, 0);
}

LRESULT CALLBACK InputWake::HookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        if (InputWake* self = current.load()) self->Notify();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace tessarin
