#pragma once
// The size arithmetic of thumbnails: the thumbnail files written on request (a configured
// box, fitted or stretched) and the small picture of each entry in the strip.

#include <cstdint>
#include <optional>
#include <vector>

namespace tessarin {

// A thumbnail file. When `scaled` the picture is scaled (up or down) to exactly width x height
// and written as JPEG data; otherwise it already fits the box and is copied unscaled in the
// format named by the target's extension, so width x height is the picture's own size.
struct ThumbnailFile {
    int32_t width = 0;
    int32_t height = 0;
    bool scaled = false;
    friend bool operator==(const ThumbnailFile&, const ThumbnailFile&) = default;
};

// Fit mode shrinks the box to the picture's aspect; a static box stretches every picture to
// exactly the box. Nothing for an empty picture or box, which has no aspect to keep.
[[nodiscard]] std::optional<ThumbnailFile> PlanThumbnailFile(int32_t pictureWidth, int32_t pictureHeight,
                                                             int32_t boxWidth, int32_t boxHeight, bool isStatic);

// Lengths of the strip's panel, in twips, and the screen scale.
struct PanelMetrics {
    int32_t panelWidth = 765;
    int32_t panelHeight = 675;
    int32_t imageTop = 150;  // top of the image control inside the panel
    int32_t twipsPerPixelX = 15;
    int32_t twipsPerPixelY = 15;
};

// The strip picture of an entry. A picture larger than the panel (in either direction) is
// scaled to a JPEG of pixelWidth x pixelHeight and shown in an image box of boxWidth x boxHeight
// twips; a smaller one is shown as it is (pixel size = the picture's, no scaling).
struct StripThumbnail {
    bool scaled = false;
    int32_t boxWidth = 0;  // twips
    int32_t boxHeight = 0;
    int32_t pixelWidth = 0;
    int32_t pixelHeight = 0;
    friend bool operator==(const StripThumbnail&, const StripThumbnail&) = default;
};

// Picture size in pixels. Nothing for an empty picture: it is not added to the list.
[[nodiscard]] std::optional<StripThumbnail> PlanStripThumbnail(int32_t pictureWidth, int32_t pictureHeight,
                                                               const PanelMetrics& metrics);

// Scales 32-bit pixels (top-down rows of sourceWidth) down to width x height by averaging each
// target pixel's area of the source, so that text and thin lines stay visible in a thumbnail.
// Each channel is averaged on its own. Empty when a size is not positive or the target is
// larger than the source in either direction.
[[nodiscard]] std::vector<uint32_t> ScaleDownByArea(const uint32_t* source, int32_t sourceWidth, int32_t sourceHeight,
                                                    int32_t width, int32_t height);

}  // namespace tessarin
