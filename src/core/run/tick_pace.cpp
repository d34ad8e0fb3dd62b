#include "core/run/tick_pace.h"

namespace tessarin {

uint32_t TickPace::AfterTick(bool activity, uint64_t nowMs) {
    if (activity) lastActivity_ = nowMs;
    // A clock that went back (or a first look) counts as activity rather than as stillness.
    if (nowMs < lastActivity_) lastActivity_ = nowMs;
    still_ = nowMs - lastActivity_ >= kStillAfterMs;
    return still_ ? kStillMs : kBusyMs;
}

bool WatchIsDeaf(uint32_t lastInputMs, uint32_t lastHeardMs) {
    // Differences of wrapping ticks: input heard after it (a negative gap) is no deafness.
    const auto gap = static_cast<int32_t>(lastInputMs - lastHeardMs);
    return gap > static_cast<int32_t>(kDeafAfterMs);
}

uint32_t TickPace::Wake(uint64_t nowMs) {
    lastActivity_ = nowMs;
    still_ = false;
    return kBusyMs;
}

}  // namespace tessarin
