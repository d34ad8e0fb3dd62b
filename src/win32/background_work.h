#pragma once
// One worker thread for work the window must not wait for, whose follow-ups are handed back
// through a message-only window of the thread that made it.

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

#include "core/ports/background_work.h"
#include "win32/handles.h"
#include "win32/worker_group.h"

namespace tessarin {

class WinBackgroundWork final : public BackgroundWork {
public:
    static constexpr wchar_t kClassName[] = L"TessarinBackgroundWork";

    WinBackgroundWork();
    WinBackgroundWork(const WinBackgroundWork&) = delete;
    WinBackgroundWork& operator=(const WinBackgroundWork&) = delete;
    // No follow-up runs after finish(): what they would have served is going too.
    [[nodiscard]] bool finish(uint32_t waitMs) override;
    ~WinBackgroundWork() override { (void)finish(UINT32_MAX); }

    // False when the window or the thread could not be made: run() then does the work at once.
    [[nodiscard]] bool ok() const { return window_ && worker_.joinable(); }

    void run(std::function<void()> work, std::function<void()> done) override;
    void runAndWait(const std::function<void()>& work) override;

private:
    template <typename T>
    friend LRESULT CALLBACK OwnedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Work() noexcept;
    void RunFollowUps();

    using Piece = std::pair<std::function<void()>, std::function<void()>>;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Piece> queue_;
    std::deque<std::function<void()>> followUps_;
    bool stopping_ = false;
    HWND hwnd_ = nullptr;  // kept by the window procedure
    UniqueWindow window_;
    WorkerGroup worker_;  // last: it stops before anything it uses goes
};

}  // namespace tessarin
