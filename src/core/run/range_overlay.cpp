#include "core/run/range_overlay.h"

#include "core/text/paths.h"
#include "core/text/text.h"

namespace tessarin {

int32_t PixelsOfTwips(double twips, int32_t twipsPerPixel) {
    return RoundHalfEven(twips / (twipsPerPixel < 1 ? 1 : twipsPerPixel));
}

RangeOverlay::RangeOverlay(OverlayWindow& window, bool transparent, int32_t twipsPerPixelX, int32_t twipsPerPixelY)
    : window_(window),
      transparent_(transparent),
      tppX_(twipsPerPixelX < 1 ? 1 : twipsPerPixelX),
      tppY_(twipsPerPixelY < 1 ? 1 : twipsPerPixelY) {}

// The overlay starts one pixel in size, one twip up and left of the pointer; the window
// system snaps that to the pointer's pixel, and the corner is taken from where the window
// really is, so that the later moves line up with what the user sees.
// It is shown once the pointer has left that pixel (or the range is fixed there): a window
// appearing under the pointer makes Wine re-read the keyboard from the X server, which
// drops a range key held through SendInput by a program driving us, and the range would
// end where it began.
void RangeOverlay::Start(Point p) {
    if (transparent_) {
        window_.setBounds(p.x - 1, p.y - 1, tppX_, tppY_);
        const TwipsBounds placed = window_.bounds();
        rangeStart_ = Point{placed.left, placed.top};
        window_.processPendingMessages();
        window_.showMainWindow();
        window_.makeTopmost();
    } else {
        rangeStart_ = p;
    }
    mode_ = kRangeDrawing;
    window_.redraw();
}

void RangeOverlay::Reveal() {
    if (shown_) return;
    window_.show();
    shown_ = true;
}

// Upwards the rectangle reaches one pixel beyond the pointer, leftwards it does not; users
// have drawn their ranges against this for years, so it stays.
void RangeOverlay::Move(Point p) {
    if (mode_ != kRangeDrawing) return;
    if (transparent_) {
        int32_t left = 0;
        int32_t width = 0;
        if (p.x <= rangeStart_.x) {
            left = p.x;
            width = rangeStart_.x - p.x;
        } else {
            left = rangeStart_.x;
            width = p.x - left;
        }
        int32_t top = 0;
        int32_t height = 0;
        if (p.y <= rangeStart_.y) {
            top = p.y - tppY_;
            height = rangeStart_.y - top;
        } else {
            top = rangeStart_.y;
            height = p.y - top;
        }
        window_.setBounds(left, top, width, height);
        Reveal();
    } else {
        const Rect next{
            PixelsOfTwips(MinOf(p.x, rangeStart_.x), tppX_), PixelsOfTwips(MinOf(p.y, rangeStart_.y), tppY_),
            PixelsOfTwips(MaxOf(p.x, rangeStart_.x), tppX_), PixelsOfTwips(MaxOf(p.y, rangeStart_.y), tppY_)};
        // XOR: drawing the old rectangle again erases it.
        if (onScreen_) window_.drawFocusRect(last_);
        onScreen_ = true;
        window_.drawFocusRect(next);
        last_ = next;
    }
    window_.redraw();
}

// A range key released without a range being drawn (its press was lost to another key in
// the same sample) fixes nothing: a fixed range that was never drawn would turn the next
// capture into a silent "rect" cancel.
void RangeOverlay::End() {
    if (mode_ == kRangeDrawing) {
        mode_ = kRangeFixed;
        if (transparent_) Reveal();
    }
    window_.redraw();
}

void RangeOverlay::Init() {
    if (mode_ == kRangeFixed) {
        if (transparent_) {
            window_.hide();
            shown_ = false;
            const TwipsBounds b = window_.bounds();
            window_.setBounds(b.left, b.top, tppX_, tppY_);
        } else if (onScreen_) {
            // Only a rectangle that is on the screen is erased: drawing one that is not
            // would leave an XOR trace behind.
            window_.drawFocusRect(last_);
        }
        onScreen_ = false;
        mode_ = kRangeNone;
    }
    window_.redraw();
}

void RangeOverlay::Load() {
    const TwipsBounds b = window_.bounds();
    window_.setBounds(b.left, b.top, 0, 0);
}

// The overlay window carries the range; once it is gone no range is left, so the next run
// does not start with a fixed range of a window that no longer exists.
void RangeOverlay::Unload() {
    if (!transparent_ && onScreen_) window_.drawFocusRect(last_);
    onScreen_ = false;
    shown_ = false;
    mode_ = kRangeNone;
    window_.unload();
}

void RangeOverlay::SetScale(int32_t twipsPerPixelX, int32_t twipsPerPixelY) {
    const int32_t x = twipsPerPixelX < 1 ? 1 : twipsPerPixelX;
    const int32_t y = twipsPerPixelY < 1 ? 1 : twipsPerPixelY;
    rangeStart_ = Point{PixelsOfTwips(rangeStart_.x, tppX_) * x, PixelsOfTwips(rangeStart_.y, tppY_) * y};
    tppX_ = x;
    tppY_ = y;
}

Rect RangeOverlay::RectanglePixels() const {
    if (!transparent_) return last_;
    const TwipsBounds b = window_.bounds();
    return Rect{PixelsOfTwips(b.left, tppX_), PixelsOfTwips(b.top, tppY_),
                PixelsOfTwips(static_cast<double>(b.left) + b.width, tppX_),
                PixelsOfTwips(static_cast<double>(b.top) + b.height, tppY_)};
}

Point RangeOverlay::CentrePixels() const {
    if (!transparent_) {
        return Point{RoundHalfEven((static_cast<double>(last_.left) + last_.right) / 2),
                     RoundHalfEven((static_cast<double>(last_.top) + last_.bottom) / 2)};
    }
    const TwipsBounds b = window_.bounds();
    return Point{PixelsOfTwips(b.left + b.width / 2.0, tppX_), PixelsOfTwips(b.top + b.height / 2.0, tppY_)};
}

}  // namespace tessarin
