#include "core/imagelist/strip_geometry.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "core/text/text.h"

namespace tessarin {
namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

int32_t ToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), kInt32Max));
}

int32_t Pitch(const StripMetrics& metrics) { return std::max(1, metrics.pitch); }

ScrollBar PreviewBar(int32_t excess) {
    ScrollBar bar;
    bar.visible = true;
    bar.maximum = std::min(kPreviewScrollLimit, excess);
    const double range = std::abs(static_cast<double>(bar.maximum) - bar.minimum);
    bar.smallChange = std::max(1, RoundHalfEven(range / 20));
    bar.largeChange = std::max(1, RoundHalfEven(range / 5));
    return bar;
}

}  // namespace

int32_t SlotWidth(int32_t panelWidthTwips, int32_t twipsPerPixelX) {
    return RoundHalfEven(static_cast<double>(panelWidthTwips) / std::max(1, twipsPerPixelX) + 2);
}

StripLayout StripLayoutFor(int32_t twipsPerPixel) {
    StripLayout layout;
    const int32_t tpp = std::max(1, twipsPerPixel);
    const double scale = tpp;
    layout.metrics.twipsPerPixel = tpp;
    layout.metrics.pitch = SlotWidth(kPanelWidthTwips, tpp);
    layout.metrics.panelWidth = RoundHalfEven(kPanelWidthTwips / scale);
    layout.panelHeight = RoundHalfEven(kPanelHeightTwips / scale);
    layout.imageLeft = RoundHalfEven(kImageLeftTwips / scale);
    layout.imageTop = RoundHalfEven(kImageTopTwips / scale);
    layout.thumbWidth = std::max(0, layout.metrics.panelWidth - layout.imageLeft - kPanelBorderPixels);
    layout.thumbHeight = std::max(0, layout.panelHeight - layout.imageTop - kPanelBorderPixels);
    return layout;
}

int64_t PanelLeft(int32_t position, const StripMetrics& metrics) {
    return (static_cast<int64_t>(position) - 1) * Pitch(metrics) + kPanelLeftMargin;
}

ScrollBar StripScrollBar(int32_t count, int32_t clientWidth, int32_t scrollValue, const StripMetrics& metrics) {
    const int64_t pitch = Pitch(metrics);
    const bool fits = clientWidth > count * pitch;
    const bool atLeftEnd = -static_cast<int64_t>(scrollValue) * metrics.twipsPerPixel >= -30;
    ScrollBar bar;
    if (fits && atLeftEnd) return bar;
    bar.visible = true;
    bar.smallChange = bar.largeChange = static_cast<int32_t>(pitch);
    // When everything fits but the strip was left scrolled (the window grew), the range would
    // be negative; it stays at 0 so that clamping the value brings the strip back.
    const double maximum = (count - static_cast<double>(clientWidth) / static_cast<double>(pitch)) * pitch + 5;
    bar.maximum = std::max(0, RoundHalfEven(maximum));
    return bar;
}

int32_t ClampScrollValue(int32_t value, const ScrollBar& bar) {
    return std::clamp(value, bar.minimum, std::max(bar.minimum, bar.maximum));
}

int32_t ScrolledValue(ScrollRequest request, int32_t value, int32_t track, const ScrollBar& bar) {
    int64_t next = value;
    switch (request) {
        case ScrollRequest::LineLess:
            next -= bar.smallChange;
            break;
        case ScrollRequest::LineMore:
            next += bar.smallChange;
            break;
        case ScrollRequest::PageLess:
            next -= bar.largeChange;
            break;
        case ScrollRequest::PageMore:
            next += bar.largeChange;
            break;
        case ScrollRequest::First:
            next = bar.minimum;
            break;
        case ScrollRequest::Last:
            next = bar.maximum;
            break;
        case ScrollRequest::Track:
            next = track;
            break;
    }
    return ClampScrollValue(ToInt32(next), bar);
}

PositionRange VisiblePositions(int32_t count, int32_t viewWidth, int32_t scrollValue, const StripMetrics& metrics) {
    if (count < 1 || viewWidth < 1) return {};
    const int64_t pitch = Pitch(metrics);
    // Panel n covers [left(n), left(n) + panelWidth) in strip coordinates; the view covers
    // [scroll, scroll + viewWidth).
    const int64_t from = static_cast<int64_t>(scrollValue) - kPanelLeftMargin - metrics.panelWidth;
    const int64_t to = static_cast<int64_t>(scrollValue) + viewWidth - kPanelLeftMargin;
    // first: smallest n with (n-1)*pitch > from; last: largest n with (n-1)*pitch < to.
    const auto floorDiv = [](int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); };
    const int64_t first = std::max<int64_t>(1, floorDiv(from, pitch) + 2);
    const int64_t last = std::min<int64_t>(count, floorDiv(to - 1, pitch) + 1);
    if (first > last) return {};
    return PositionRange{ToInt32(first), ToInt32(last)};
}

int32_t PositionAtX(int32_t x, int32_t count, int32_t scrollValue, const StripMetrics& metrics) {
    const int64_t stripX = static_cast<int64_t>(x) + scrollValue - kPanelLeftMargin;
    if (stripX < 0) return 0;
    const int64_t pitch = Pitch(metrics);
    if (stripX % pitch >= metrics.panelWidth) return 0;
    const int64_t position = stripX / pitch + 1;
    return position <= count ? ToInt32(position) : 0;
}

PositionRange HighlightWindow(int32_t selected, int32_t count, int32_t clientWidth, const StripMetrics& metrics) {
    const double v = static_cast<double>(clientWidth) / Pitch(metrics);
    const int32_t first = RoundHalfEven(std::max(1.0, selected - v));
    const int32_t last = RoundHalfEven(std::min(static_cast<double>(count), selected + v));
    if (first > last) return {};
    return PositionRange{first, last};
}

int32_t ScrollTowards(int32_t position, int32_t clientWidth, int32_t scrollValue, const ScrollBar& bar,
                      const StripMetrics& metrics) {
    const int64_t x = PanelLeft(position, metrics) - scrollValue;
    const int64_t x2 = x + metrics.panelWidth;
    const int64_t small = bar.smallChange;
    if (x >= 0 && x2 <= clientWidth) return scrollValue;
    if (x >= 0) return ToInt32(std::min<int64_t>(bar.maximum, scrollValue + small));
    return ToInt32(std::max<int64_t>(bar.minimum, scrollValue - small));
}

PreviewLayout LayOutPreview(const PreviewInput& in) {
    PreviewLayout out;
    const int64_t excessHeight = static_cast<int64_t>(in.pictureHeight) - in.panelHeight;
    const int64_t excessWidth = static_cast<int64_t>(in.pictureWidth) - in.panelWidth;
    if (excessHeight > 0) {
        out.vertical = PreviewBar(ToInt32(excessHeight));
        out.vsLeft = in.clientWidth - in.vsWidth;
    } else {
        out.vsLeft = in.clientWidth;
    }
    out.panelWidth = out.vsLeft - in.panelLeft;
    if (excessWidth > 0) {
        out.horizontal = PreviewBar(ToInt32(excessWidth));
        out.hsTop = in.bottomTop - in.hsHeight;
    } else {
        out.hsTop = in.bottomTop;
    }
    out.panelHeight = out.hsTop - in.panelTop;
    out.hsWidth = out.vsLeft - in.hsLeft;
    out.vsHeight = out.hsTop - in.vsTop;
    return out;
}

}  // namespace tessarin
