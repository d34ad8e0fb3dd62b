#pragma once
// Threads that are waited for at the end, but only so long: a worker stuck in the system (a
// decode of a file on a network folder that has gone) must not hold up closing or the end of the
// session. One that does not end in time is left behind: whoever owns the group must then end
// the process without destroying what its workers use (everything of the user's is on disk by
// then).

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tessarin {

class WorkerGroup {
public:
    WorkerGroup() = default;
    WorkerGroup(const WorkerGroup&) = delete;
    WorkerGroup& operator=(const WorkerGroup&) = delete;
    ~WorkerGroup() {
        for (std::thread& thread : threads_) {
            if (thread.joinable()) thread.join();
        }
    }

    // False when the thread could not be made.
    [[nodiscard]] bool Start(std::function<void()> work) {
        try {
            {
                const std::lock_guard lock(state_->mutex);
                ++state_->running;
            }
            threads_.emplace_back([state = state_, work = std::move(work)] {
                work();
                const std::lock_guard lock(state->mutex);
                --state->running;
                state->ended.notify_all();
            });
            return true;
        } catch (const std::exception&) {
            const std::lock_guard lock(state_->mutex);
            --state_->running;
            return false;
        }
    }
    // How many were started; they stay counted after they ended.
    [[nodiscard]] size_t size() const { return threads_.size(); }
    [[nodiscard]] bool joinable() const {
        for (const std::thread& thread : threads_) {
            if (thread.joinable()) return true;
        }
        return false;
    }

    // Waits that long for every worker to end (they have been told to); true when they all did.
    // The others are left behind.
    [[nodiscard]] bool JoinWithin(uint32_t milliseconds) {
        bool ended = false;
        {
            std::unique_lock lock(state_->mutex);
            ended = state_->ended.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                           [this] { return state_->running == 0; });
        }
        for (std::thread& thread : threads_) {
            if (!thread.joinable()) continue;
            if (ended) {
                thread.join();
            } else {
                thread.detach();
            }
        }
        return ended;
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable ended;
        int running = 0;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
    std::vector<std::thread> threads_;
};

}  // namespace tessarin
