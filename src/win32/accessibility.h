#pragma once

#include <cstdint>

#include "core/ports/capture.h"

namespace tessarin {

// The accessible object at a screen point, over oleacc, asked on a thread of its own so that a
// program that does not answer cannot hang the caller for longer than the time limit.
class WinAccessibility final : public Accessibility {
public:
    explicit WinAccessibility(uint32_t timeoutMs = 2000) : timeoutMs_(timeoutMs) {}
    [[nodiscard]] AccessibleObjectInfo objectAt(Point p) const override;

private:
    uint32_t timeoutMs_;
};

}  // namespace tessarin
