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
    void copyScreen(const Rect& source, Point to, bool captureLayered) override;
    void copyWindowDc(WindowId w, const Rect& source, Point to, bool captureLayered) override;
    [[nodiscard]] bool printWindow(WindowId w, int32_t width, int32_t height, Point to) override;
    void fillBlack(const Rect& area) override;
    [[nodiscard]] bool blank(const Rect& area) const override;
    void drawCursor(int32_t originX, int32_t originY) override;
    [[nodiscard]] SharedImage takeImage() override;
    [[nodiscard]] std::vector<ShownWindow> ownWindows() const override;
    [[nodiscard]] bool excludeOwnWindows(bool exclude) override;
    void showOwnWindow(WindowId w, bool shown) override;
    void awaitRepaint() override;

private:
    Picture& picture_;
};

}  // namespace tessarin
