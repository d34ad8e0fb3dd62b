#pragma once
// Calls that may not come back in time (a program that stopped answering, a network that stalls)
// run on another thread while the caller waits for them with a deadline. What such a call touches
// is its own: values it captured, or state shared with the caller through a shared_ptr. When the
// caller gives up it simply stops waiting; the call finishes, or hangs, alone, and nothing of the
// caller's is touched by it any more. The accessibility calls, the downloads and the calls into a
// page's document all wait through here.

#include <windows.h>

#include <cstdint>
#include <functional>

namespace tessarin {

// What the waiting thread does with its messages meanwhile.
enum class WhileWaiting {
    Wait,        // nothing: a caller that has no windows to keep alive
    AnswerSent,  // messages sent from other threads are answered: a call that ends up asking one of
                 // this thread's windows does not deadlock, and no input or timer runs in between
    RunAll,      // every message runs: the windows paint and take clicks meanwhile
};

// The time left, in milliseconds, asked again whenever the wait wakes (a call that makes progress
// may earn more time); 0 gives the call up.
using TimeLeft = std::function<uint64_t()>;
// The time left until a moment of GetTickCount64.
[[nodiscard]] TimeLeft Until(uint64_t tick);

// Waits until `done` is signalled (true) or the time is up (false). Before giving up, `giveUp`
// (when given) is asked: false means the call has gone past the point where it can be given up (it
// is committing its result), and it is waited for to its end.
[[nodiscard]] bool AwaitCall(HANDLE done, const TimeLeft& timeLeft, WhileWaiting whileWaiting,
                             const std::function<bool()>& giveUp = {});

// Runs `call` on a thread of its own and awaits it as above. False also when no thread could be
// started (the call has not run).
[[nodiscard]] bool CallWithDeadline(std::function<void()> call, const TimeLeft& timeLeft, WhileWaiting whileWaiting,
                                    const std::function<bool()>& giveUp = {});

}  // namespace tessarin
