#include "core/imagelist/strip_thumbnail.h"

#include <algorithm>

#include "core/files/thumbnail_box.h"

namespace tessarin {

std::optional<Image> MakeStripThumbnail(const Image& picture, const StripLayout& layout) {
    if (picture.Empty()) return std::nullopt;
    const int32_t tpp = layout.metrics.twipsPerPixel;
    const PanelMetrics panel{kPanelWidthTwips, kPanelHeightTwips, kImageTopTwips, tpp, tpp};
    const std::optional<StripThumbnail> plan = PlanStripThumbnail(picture.width, picture.height, panel);
    if (!plan) return std::nullopt;

    std::vector<uint32_t> scaled;
    const uint32_t* source = picture.pixels.data();
    int32_t stride = picture.width;
    int32_t rows = picture.height;
    if (plan->scaled) {
        // A picture of extreme shape may plan a side of 0 or one longer than its own.
        const int32_t width = std::clamp(plan->pixelWidth, 1, picture.width);
        const int32_t height = std::clamp(plan->pixelHeight, 1, picture.height);
        scaled = ScaleDownByArea(source, picture.width, picture.height, width, height);
        if (scaled.empty()) return std::nullopt;
        source = scaled.data();
        stride = width;
        rows = height;
    }
    Image thumb;
    thumb.width = std::clamp(std::min(plan->pixelWidth, stride), 0, layout.thumbWidth);
    thumb.height = std::clamp(std::min(plan->pixelHeight, rows), 0, layout.thumbHeight);
    if (!scaled.empty() && thumb.width == stride && thumb.height == rows) {
        thumb.pixels = std::move(scaled);  // already the panel's size: no second copy
        return thumb;
    }
    thumb.pixels.resize(static_cast<size_t>(thumb.width) * static_cast<size_t>(thumb.height));
    for (int32_t y = 0; y < thumb.height; ++y) {
        const uint32_t* row = source + static_cast<size_t>(y) * static_cast<size_t>(stride);
        std::copy_n(row, thumb.width, thumb.pixels.begin() + static_cast<ptrdiff_t>(y) * thumb.width);
    }
    return thumb;
}

}  // namespace tessarin
