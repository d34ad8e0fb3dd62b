#include "core/run/tick_pace.h"

namespace tessarin {

uint32_t TickPace::AfterTick(bool activity, uint64_t nowMs) {
    if (activity) lastActivity_ = nowMs;
    // A clock that went back (or a first look) counts as activity rather than as stillness.
    if (nowMs < lastActivity_) lastActivity_ = nowMs;
    still_ = nowMs - lastActivity_ >= kStillAfterMs;
    return still_ ? kStillMs : kBusyMs;
}

uint32_t TickPace::Wake(uint64_t nowMs) {
    lastActivity_ = nowMs;
    still_ = false;
    return kBusyMs;
}

}  // namespace tessarin
