#include "win32/input_wake.h"

#include <future>
#include <utility>

#include "win32/handles.h"

namespace tessarin {

namespace {

// A hook procedure has no context of its own; one program has one of these.
std::atomic<InputWake*> current{nullptr};
// Posted to the hooks' thread: put the hooks in place again.
constexpr UINT kMsgRehook = WM_APP + 7;

struct Hooks {
    UniqueHook keyboard;
    UniqueHook mouse;
    [[nodiscard]] bool ok() const { return keyboard && mouse; }
};

Hooks SetHooks(HOOKPROC procedure) {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    return Hooks{UniqueHook(SetWindowsHookExW(WH_KEYBOARD_LL, procedure, module, 0)),
                 UniqueHook(SetWindowsHookExW(WH_MOUSE_LL, procedure, module, 0))};
}

// The left and right modifier keys are what the hook sees; the run watches the generic codes.
int GenericKey(DWORD vk) {
    if (vk == VK_LSHIFT || vk == VK_RSHIFT) return VK_SHIFT;
    if (vk == VK_LCONTROL || vk == VK_RCONTROL) return VK_CONTROL;
    if (vk == VK_LMENU || vk == VK_RMENU) return VK_MENU;
    return static_cast<int>(vk);
}

int ButtonOf(WPARAM message) {
    switch (message) {
        case WM_LBUTTONDOWN:
            return VK_LBUTTON;
        case WM_RBUTTONDOWN:
            return VK_RBUTTON;
        case WM_MBUTTONDOWN:
            return VK_MBUTTON;
        default:
            return 0;
    }
}

}  // namespace

// The thread owns the promise it keeps: setting it may still touch the promise after the waiting
// constructor has seen the answer and returned.
InputWake::InputWake() {
    InputWake* expected = nullptr;
    if (!current.compare_exchange_strong(expected, this)) return;
    heardMs_.store(GetTickCount());
    std::promise<bool> started;
    std::future<bool> hooked = started.get_future();
    thread_ = std::thread([this, started = std::move(started)]() mutable {
        MSG msg;
        // The queue exists before anyone may post the thread its quit.
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        threadId_.store(GetCurrentThreadId());
        Hooks hooks = SetHooks(HookProc);
        started.set_value(hooks.ok());
        if (!hooks.ok()) return;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (msg.hwnd == nullptr && msg.message == kMsgRehook) {
                // The old ones first: a hook the system removed is only a stale handle now.
                hooks = Hooks{};
                hooks = SetHooks(HookProc);
                continue;
            }
            DispatchMessageW(&msg);
        }
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

uint32_t InputWake::lastInputMs() const {
    LASTINPUTINFO info{sizeof info, 0};
    return GetLastInputInfo(&info) != FALSE ? info.dwTime : heardMs_.load();
}

void InputWake::rewatch() {
    if (!hooked_) return;
    heardMs_.store(GetTickCount());
    PostThreadMessageW(threadId_.load(), kMsgRehook, 0, 0);
}

bool InputWake::TakePress(int vk) {
    return vk >= 0 && vk < static_cast<int>(pressed_.size()) && pressed_[static_cast<size_t>(vk)].exchange(false);
}

void InputWake::Heard(WPARAM message, LPARAM data, bool keyboard) {
    heardMs_.store(GetTickCount());
    int vk = 0;
    if (keyboard && (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)) {
        vk = GenericKey(reinterpret_cast<const KBDLLHOOKSTRUCT*>(data)->vkCode);
    } else if (!keyboard) {
        vk = ButtonOf(message);
    }
    if (vk > 0 && vk < static_cast<int>(pressed_.size())) pressed_[static_cast<size_t>(vk)].store(true);
    const HWND target = target_.load();
    if (target != nullptr && armed_.exchange(false)) PostMessageW(target, message_.load(), 0, 0);
}

// Keyboard and mouse share the procedure; the keyboard's data carries a virtual-key code.
LRESULT CALLBACK InputWake::HookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        if (InputWake* self = current.load()) {
            const bool keyboard =
                wParam == WM_KEYDOWN || wParam == WM_KEYUP || wParam == WM_SYSKEYDOWN || wParam == WM_SYSKEYUP;
            self->Heard(wParam, lParam, keyboard);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace tessarin
