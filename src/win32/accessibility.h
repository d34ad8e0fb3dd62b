#pragma once

#include "core/ports/capture.h"

namespace tessarin {

// The accessible object at a screen point, over oleacc. COM must be initialised on the
// calling thread.
class WinAccessibility final : public Accessibility {
public:
    [[nodiscard]] AccessibleObjectInfo objectAt(Point p) const override;
};

}  // namespace tessarin
