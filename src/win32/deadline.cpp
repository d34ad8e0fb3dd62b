#include "win32/deadline.h"

#include <algorithm>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>

#include "win32/handles.h"
#include "win32/messages.h"

namespace tessarin {

TimeLeft Until(uint64_t tick) {
    return [tick] {
        const uint64_t now = ::GetTickCount64();
        return tick > now ? tick - now : 0;
    };
}

bool AwaitCall(HANDLE done, const TimeLeft& timeLeft, WhileWaiting whileWaiting, const std::function<bool()>& giveUp) {
    const DWORD wake = whileWaiting == WhileWaiting::Wait         ? 0
                       : whileWaiting == WhileWaiting::AnswerSent ? QS_SENDMESSAGE
                                                                  : QS_ALLINPUT;
    for (;;) {
        const uint64_t left = timeLeft();
        if (left == 0) {
            if (::WaitForSingleObject(done, 0) == WAIT_OBJECT_0) return true;  // it finished meanwhile
            if (!giveUp || giveUp()) return false;
            return ::WaitForSingleObject(done, INFINITE) == WAIT_OBJECT_0;
        }
        const auto wait = static_cast<DWORD>(std::min<uint64_t>(left, INFINITE - 1));
        const DWORD woke = ::MsgWaitForMultipleObjectsEx(1, &done, wait, wake, 0);
        if (woke == WAIT_OBJECT_0) return true;
        if (woke == WAIT_FAILED) return false;
        if (woke != WAIT_OBJECT_0 + 1) continue;  // the time ran out: asked again above
        if (whileWaiting == WhileWaiting::RunAll) {
            ProcessPendingMessages();
        } else {
            // Only messages sent from other threads are answered here, not input or timers.
            MSG msg;
            ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}

// The event is shared with the thread, which may outlive the wait.
bool CallWithDeadline(std::function<void()> call, const TimeLeft& timeLeft, WhileWaiting whileWaiting,
                      const std::function<bool()>& giveUp) {
    const auto done = std::make_shared<UniqueHandle>(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!*done) return false;
    std::thread worker;
    try {
        worker = std::thread([call = std::move(call), done]() noexcept {
            try {
                call();
            } catch (...) {
                ::OutputDebugStringA("Tessarin: a call with a deadline failed\n");
            }
            ::SetEvent(done->get());
        });
    } catch (const std::system_error&) {
        return false;
    }
    if (AwaitCall(done->get(), timeLeft, whileWaiting, giveUp)) {
        worker.join();  // it has signalled: it is ending
        return true;
    }
    worker.detach();
    return false;
}

}  // namespace tessarin
