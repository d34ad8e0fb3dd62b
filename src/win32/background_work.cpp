#include "win32/background_work.h"

#include <exception>

#include "win32/messages.h"

namespace tessarin {

namespace {

constexpr UINT kFollowUpMessage = WM_APP + 1;

// Nothing may leave a window procedure: a failing follow-up shows on the status line.
void RunFollowUp(const std::function<void()>& followUp) noexcept {
    try {
        followUp();
    } catch (const std::exception& error) {
        ReportWindowError(error.what());
    } catch (...) {
        ReportWindowError("unknown error");
    }
}

// Nor may anything leave the worker thread; the window's reporter belongs to the window's thread,
// so a failed piece of work is only told to a debugger. What it did not do shows by itself (a
// cache not read is decoded again).
void RunWork(const std::function<void()>& work) noexcept {
    try {
        work();
    } catch (...) {
        ::OutputDebugStringA("Tessarin: background work failed\n");
    }
}

}  // namespace

WinBackgroundWork::WinBackgroundWork() {
    window_ = CreateMessageWindow(kClassName, this);
    if (!window_) return;
    // Without its thread, run() does the work itself.
    (void)worker_.Start([this] { Work(); });
}

bool WinBackgroundWork::finish(uint32_t waitMs) {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    const bool stopped = worker_.JoinWithin(waitMs);
    DestroyOwnedWindow(window_, hwnd_);
    return stopped;
}

void WinBackgroundWork::run(std::function<void()> work, std::function<void()> done) {
    if (!ok()) {
        RunWork(work);
        if (done) RunFollowUp(done);
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        queue_.emplace_back(std::move(work), std::move(done));
    }
    wake_.notify_one();
}

void WinBackgroundWork::runAndWait(const std::function<void()>& work) {
    const UniqueHandle finished(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ok() || !finished) {
        RunWork(work);
        return;
    }
    // Waited for below, so the work may use what lives on this thread's stack.
    run(
        [&work, event = finished.get()] {
            RunWork(work);
            ::SetEvent(event);
        },
        {});
    const HANDLE event = finished.get();
    for (;;) {
        const DWORD woke = ::MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) return;
        // The work still uses this stack: without the messages, it is waited for all the same.
        if (woke == WAIT_FAILED) {
            ::WaitForSingleObject(event, INFINITE);
            return;
        }
        ProcessPendingMessages();
    }
}

LRESULT WinBackgroundWork::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kFollowUpMessage) return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    RunFollowUps();
    return 0;
}

// One at a time, taken out of the queue first: a follow-up may give new work or let messages
// run, which delivers the next follow-up inside it.
void WinBackgroundWork::RunFollowUps() {
    for (;;) {
        std::function<void()> followUp;
        {
            const std::lock_guard lock(mutex_);
            if (stopping_ || followUps_.empty()) return;
            followUp = std::move(followUps_.front());
            followUps_.pop_front();
        }
        RunFollowUp(followUp);
    }
}

void WinBackgroundWork::Work() noexcept {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;  // stopping, with everything done
        Piece piece = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        RunWork(piece.first);
        lock.lock();
        if (piece.second && !stopping_) {
            followUps_.push_back(std::move(piece.second));
            // A lost post (a full message queue) leaves the follow-up for the next one to deliver.
            (void)::PostMessageW(window_.get(), kFollowUpMessage, 0, 0);
        }
    }
}

}  // namespace tessarin
