#pragma once
// Work that would hold the window up for a noticeable time (reading or writing a file of tens of
// megabytes) done away from the window's thread, with what follows it back on that thread.

#include <cstdint>
#include <functional>

namespace tessarin {

class BackgroundWork {
public:
    virtual ~BackgroundWork() = default;
    // `work` runs on another thread, one piece after another in the order given, so a file
    // written by one is what a later one reads. It uses only what it owns (captured by value, or
    // waited for by runAndWait) and the ports that keep nothing between calls: the file system,
    // the image store's read and the journal store's files and pictures. Then `done` (when
    // given) runs on the thread that made this, as its message loop runs: whatever the work found
    // reaches the window's state there.
    virtual void run(std::function<void()> work, std::function<void()> done) = 0;
    // Runs `work` on the other thread after what was given before and returns when it is done.
    // The window's messages run meanwhile, so anything may have changed when it returns.
    virtual void runAndWait(const std::function<void()>& work) = 0;
    // The end: every piece given is done (a file being written is written whole) and the thread
    // stops, waited for up to `waitMs`; no follow-up runs any more, and work given later is done
    // at once on the caller's thread. False when the thread did not stop in time: it is left
    // behind, and this must then live as long as the process.
    [[nodiscard]] virtual bool finish(uint32_t waitMs) = 0;
};

}  // namespace tessarin
