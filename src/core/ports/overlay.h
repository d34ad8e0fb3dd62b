#pragma once
// The range overlay window (frmRect) and the screen it marks a range on.

#include <cstdint>

#include "core/ports/capture.h"

namespace tessarin {

// A window's left, top, width and height in twips.
struct TwipsBounds {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const TwipsBounds&, const TwipsBounds&) = default;
};

// The calls that place, show or draw the overlay load its window first when it is not loaded.
class OverlayWindow {
public:
    virtual ~OverlayWindow() = default;
    virtual void show() = 0;
    virtual void hide() = 0;
    // Places the overlay in twips; the window system may snap the values to whole pixels.
    virtual void setBounds(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
    // The placement as the window system holds it (whole pixels, expressed in twips).
    [[nodiscard]] virtual TwipsBounds bounds() const = 0;
    virtual void makeTopmost() = 0;
    // Redraws the outline for the current size.
    virtual void redraw() = 0;
    // Destroys the overlay window; a later call loads it again.
    virtual void unload() = 0;
    // The overlay window's handle, 0 while it is not loaded.
    [[nodiscard]] virtual WindowId id() const = 0;
    // The main window becomes visible (even when a command word hid it).
    virtual void showMainWindow() = 0;
    virtual void processPendingMessages() = 0;
    // XOR focus rectangle on the screen's device context, in pixels; drawing the same
    // rectangle twice leaves the screen as it was.
    virtual void drawFocusRect(Rect pixels) = 0;
};

}  // namespace tessarin
