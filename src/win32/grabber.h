#pragma once

#include "core/ports/capture.h"
#include "win32/picture.h"

namespace tessarin {

// The pixel copies into the preview picture, with GDI. Copies that fail leave the picture
// as it was; every DC and bitmap they make is released before they return.
class WinGrabber final : public Grabber {
public:
    explicit WinGrabber(Picture& picture) noexcept : picture_(picture) {}

    void clearPicture() override;
    [[nodiscard]] bool resizePicture(int32_t width, int32_t height) override;
    void blitFromScreen(int32_t x, int32_t y, int32_t cx, int32_t cy, bool captureLayered) override;
    void blitFromWindowDc(WindowId w, int32_t x, int32_t y, int32_t cx, int32_t cy, bool captureLayered) override;
    void printWindow(WindowId w, int32_t x, int32_t y, int32_t cx, int32_t cy) override;
    [[nodiscard]] bool blank(int32_t x, int32_t y, int32_t cx, int32_t cy) const override;
    void drawCursor(int32_t originX, int32_t originY) override;

private:
    Picture& picture_;
};

}  // namespace tessarin
