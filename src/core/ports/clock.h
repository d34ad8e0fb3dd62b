#pragma once
// The time of day, for what the program stamps with it.

#include <cstdint>

namespace tessarin {

class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since 1970-01-01 00:00 UTC.
    [[nodiscard]] virtual int64_t now() const = 0;
};

}  // namespace tessarin
