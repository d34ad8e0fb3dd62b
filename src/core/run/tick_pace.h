#pragma once
// How often the run looks at the keyboard and the mouse. Every 10 ms while anything happens;
// once the desktop has been still for a while, only now and then, since each look costs the
// idle program its share of a core. Input anywhere on the desktop wakes it at once, so what the
// run sees does not change: a key or a button is never pressed and let go between two looks.

#include <cstdint>

namespace tessarin {

class TickPace {
public:
    static constexpr uint32_t kBusyMs = 10;
    static constexpr uint32_t kStillMs = 500;
    // How long the desktop must stay still before the looks grow rare.
    static constexpr uint64_t kStillAfterMs = 1000;

    // After a look: whether it saw anything happen (or anything held down). The interval to the
    // next look.
    [[nodiscard]] uint32_t AfterTick(bool activity, uint64_t nowMs);
    // Input arrived, or a command that the next look must act on: looks come fast again.
    [[nodiscard]] uint32_t Wake(uint64_t nowMs);
    // Whether looks are rare now (the input hook only needs to wake the run then).
    [[nodiscard]] bool Still() const { return still_; }

private:
    uint64_t lastActivity_ = 0;
    bool still_ = false;
};

// The system removes an input hook that was slow once, and says nothing: the rare looks would
// then wait for a wake that never comes, and captures would lag by up to half a second. Input the
// system had that the watch did not hear this long after tells that it has gone deaf. Times are
// the system's 32-bit millisecond ticks, which wrap after 49 days.
inline constexpr uint32_t kDeafAfterMs = 250;
[[nodiscard]] bool WatchIsDeaf(uint32_t lastInputMs, uint32_t lastHeardMs);

}  // namespace tessarin
