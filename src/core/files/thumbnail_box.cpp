#include "core/files/thumbnail_box.h"

#include <algorithm>

#include "core/text/text.h"

namespace tessarin {

std::optional<ThumbnailFile> PlanThumbnailFile(int32_t pictureWidth, int32_t pictureHeight, int32_t boxWidth,
                                               int32_t boxHeight, bool isStatic) {
    if (pictureWidth < 1 || pictureHeight < 1 || boxWidth < 1 || boxHeight < 1) return std::nullopt;
    int32_t w = boxWidth;
    int32_t h = boxHeight;
    if (!isStatic) {
        // Single precision, as the ratios have always been compared: 120 x 90 and 800 x 600
        // count as the same aspect.
        const float r = static_cast<float>(pictureWidth) / static_cast<float>(pictureHeight);
        if (static_cast<float>(w) / static_cast<float>(h) < r) {
            h = RoundHalfEven(static_cast<double>(static_cast<float>(w) / r));
        } else {
            w = RoundHalfEven(static_cast<double>(r * static_cast<float>(h)));
        }
        // A very thin picture would round to an empty box, which no scaler can produce.
        w = std::max(w, 1);
        h = std::max(h, 1);
    }
    if (isStatic || pictureWidth > w || pictureHeight > h) return ThumbnailFile{w, h, true};
    return ThumbnailFile{pictureWidth, pictureHeight, false};
}

std::optional<StripThumbnail> PlanStripThumbnail(int32_t pictureWidth, int32_t pictureHeight,
                                                 const PanelMetrics& metrics) {
    if (pictureWidth < 1 || pictureHeight < 1 || metrics.twipsPerPixelX < 1 || metrics.twipsPerPixelY < 1 ||
        metrics.panelWidth < 1 || metrics.panelHeight < 1) {
        return std::nullopt;
    }
    const double widthTwips = static_cast<double>(pictureWidth) * metrics.twipsPerPixelX;
    const double heightTwips = static_cast<double>(pictureHeight) * metrics.twipsPerPixelY;
    if (widthTwips <= metrics.panelWidth && heightTwips <= metrics.panelHeight) {
        return StripThumbnail{false, RoundHalfEven(widthTwips), RoundHalfEven(heightTwips), pictureWidth,
                              pictureHeight};
    }
    const float r = static_cast<float>(widthTwips) / static_cast<float>(heightTwips);
    int32_t w = 0;
    int32_t h = 0;
    if (static_cast<float>(metrics.panelWidth) / static_cast<float>(metrics.panelHeight) < r) {
        w = metrics.panelWidth;
        h = RoundHalfEven(static_cast<double>(static_cast<float>(metrics.panelHeight) / r));
    } else {
        w = RoundHalfEven(static_cast<double>(static_cast<float>(metrics.panelWidth) * r));
        h = metrics.panelHeight - metrics.imageTop;
    }
    StripThumbnail thumb;
    thumb.scaled = true;
    thumb.boxWidth = std::min(std::max(2, w), metrics.panelWidth - 5 * metrics.twipsPerPixelX);
    thumb.boxHeight = std::min(std::max(2, h), metrics.panelHeight - 12 * metrics.twipsPerPixelY);
    // The pixel size follows the box height and keeps the picture's aspect. It is at least one
    // pixel each way, since an empty JPEG cannot be made, and no wider than the box: the box
    // height of a very flat picture is raised to its minimum, and the aspect would then carry
    // the width far beyond the panel into its neighbours.
    const double tppY = metrics.twipsPerPixelY;
    const int32_t widestPixels =
        std::max(1, RoundHalfEven(static_cast<double>(thumb.boxWidth) / metrics.twipsPerPixelX));
    thumb.pixelHeight = std::max(1, RoundHalfEven(thumb.boxHeight / tppY));
    thumb.pixelWidth = std::clamp(RoundHalfEven(thumb.boxHeight * static_cast<double>(r) / tppY), 1, widestPixels);
    return thumb;
}

std::vector<uint32_t> ScaleDownByArea(const uint32_t* source, int32_t sourceWidth, int32_t sourceHeight, int32_t width,
                                      int32_t height) {
    if (source == nullptr || width <= 0 || height <= 0 || width > sourceWidth || height > sourceHeight) return {};
    // Target cell (x, y) averages source columns [x * sw / w, (x + 1) * sw / w) and the rows
    // likewise: every source pixel is read once, and cells differ by at most one pixel.
    const auto edge = [](int32_t i, int32_t source, int32_t target) {
        return static_cast<int32_t>(static_cast<int64_t>(i) * source / target);
    };
    std::vector<uint32_t> result(static_cast<size_t>(width) * static_cast<size_t>(height));
    std::vector<uint64_t> sums(static_cast<size_t>(width) * 4);
    for (int32_t y = 0; y < height; ++y) {
        const int32_t top = edge(y, sourceHeight, height);
        const int32_t bottom = edge(y + 1, sourceHeight, height);
        std::fill(sums.begin(), sums.end(), 0);
        for (int32_t sy = top; sy < bottom; ++sy) {
            const uint32_t* row = source + static_cast<size_t>(sy) * static_cast<size_t>(sourceWidth);
            for (int32_t x = 0; x < width; ++x) {
                uint64_t* sum = &sums[static_cast<size_t>(x) * 4];
                for (int32_t sx = edge(x, sourceWidth, width); sx < edge(x + 1, sourceWidth, width); ++sx) {
                    const uint32_t pixel = row[sx];
                    sum[0] += pixel & 0xFF;
                    sum[1] += (pixel >> 8) & 0xFF;
                    sum[2] += (pixel >> 16) & 0xFF;
                    sum[3] += pixel >> 24;
                }
            }
        }
        for (int32_t x = 0; x < width; ++x) {
            const auto area = static_cast<uint64_t>(edge(x + 1, sourceWidth, width) - edge(x, sourceWidth, width)) *
                              static_cast<uint64_t>(bottom - top);
            const uint64_t* sum = &sums[static_cast<size_t>(x) * 4];
            const auto channel = [&](int i) { return static_cast<uint32_t>((sum[i] + area / 2) / area); };
            result[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                channel(0) | (channel(1) << 8) | (channel(2) << 16) | (channel(3) << 24);
        }
    }
    return result;
}

}  // namespace tessarin
