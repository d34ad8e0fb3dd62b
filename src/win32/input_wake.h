#pragma once
// Tells the main window when input arrives anywhere on the desktop: low-level keyboard and mouse
// hooks on a thread of their own. Armed, the first input posts one message to the window; the run
// looks at the keyboard rarely while the desktop is still and fast again from that message.
// The hooks run on their own thread so that a busy main window (a capture, a message box) never
// holds up the input of the whole desktop. They also note every press of a key or button, which
// the key state reports as "pressed since the last look" (the system's own bit for it is not to
// be trusted).

#include <windows.h>

#include <array>
#include <atomic>
#include <thread>

#include "core/ports/input.h"

namespace tessarin {

class InputWake final : public InputWatch {
public:
    InputWake();
    ~InputWake() override;
    InputWake(const InputWake&) = delete;
    InputWake& operator=(const InputWake&) = delete;

    // Whether the hooks are in place; without them the run keeps looking fast.
    [[nodiscard]] bool watching() const override { return hooked_; }
    // Where the message goes; no message is posted before this.
    void SetTarget(HWND window, UINT message);
    // The next input posts the message, once.
    void arm() override { armed_.store(true); }
    [[nodiscard]] uint32_t lastInputMs() const override;
    [[nodiscard]] uint32_t lastHeardMs() const override { return heardMs_.load(); }
    void rewatch() override;

    // Whether the key or button went down since this was last asked for it (then forgotten).
    [[nodiscard]] bool TakePress(int vk);

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
    void Heard(WPARAM message, LPARAM data, bool keyboard);

    std::atomic<HWND> target_{nullptr};
    std::atomic<UINT> message_{0};
    std::atomic<bool> armed_{false};
    std::atomic<DWORD> threadId_{0};
    std::atomic<uint32_t> heardMs_{0};
    std::array<std::atomic<bool>, 256> pressed_{};
    bool hooked_ = false;
    std::thread thread_;
};

}  // namespace tessarin
