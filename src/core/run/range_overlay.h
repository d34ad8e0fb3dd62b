#pragma once
// The range the user marks with the range key: geometry of the overlay window (twips) or,
// where windows cannot be transparent, of an XOR focus rectangle (pixels).

#include <cstdint>

#include "core/ports/capture.h"
#include "core/ports/overlay.h"

namespace tessarin {

// RangeMode values.
inline constexpr int32_t kRangeNone = 0;
inline constexpr int32_t kRangeDrawing = 1;
inline constexpr int32_t kRangeFixed = 2;

// Twips to whole pixels, halves to even; a scale below 1 counts as 1.
[[nodiscard]] int32_t PixelsOfTwips(double twips, int32_t twipsPerPixel);

class RangeOverlay {
public:
    // transparent: the platform can make the overlay window transparent (platform id 2 or
    // more); otherwise the range is drawn as a focus rectangle on the screen.
    RangeOverlay(OverlayWindow& window, bool transparent, int32_t twipsPerPixelX, int32_t twipsPerPixelY);

    // The four steps; each point is the pointer position in twips.
    void Start(Point p);
    void Move(Point p);
    void End();
    void Init();

    // Start of a run: the overlay is loaded with no size.
    void Load();
    // End of a run: the overlay window goes away, and with it any range.
    void Unload();

    // The screen's scale changed (the window moved to another monitor, or the user chose
    // another size): a range being drawn keeps its corner where it is on the screen.
    void SetScale(int32_t twipsPerPixelX, int32_t twipsPerPixelY);

    [[nodiscard]] int32_t mode() const { return mode_; }
    [[nodiscard]] bool transparent() const { return transparent_; }
    [[nodiscard]] Point rangeStart() const { return rangeStart_; }
    // The rectangle a "rect" capture takes, in screen pixels.
    [[nodiscard]] Rect RectanglePixels() const;
    // The middle of the overlay, in screen pixels (where the window under the range is looked up).
    [[nodiscard]] Point CentrePixels() const;
    [[nodiscard]] WindowId windowId() const { return window_.id(); }

private:
    void Reveal();
    OverlayWindow& window_;
    bool transparent_;
    int32_t tppX_;
    int32_t tppY_;
    int32_t mode_ = kRangeNone;
    Point rangeStart_;
    bool shown_ = false;  // transparent variant: the overlay window is on the screen
    // Focus-rectangle variant: the rectangle last drawn and whether it is on the screen.
    Rect last_;
    bool onScreen_ = false;
};

}  // namespace tessarin
