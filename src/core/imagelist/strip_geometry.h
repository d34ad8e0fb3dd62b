#pragma once
// Where things sit in the strip of numbered panels and in the scrolled preview. The strip is
// one drawn window: panels are numbers, not controls, and the strip's scroll range is 32-bit,
// so many thousands of entries scroll without wrapping. Strip lengths are pixels unless named
// twips; the preview works in twips.

#include <cstdint>

namespace tessarin {

// The horizontal pitch of the strip: the template panel's width in pixels plus 2.
[[nodiscard]] int32_t SlotWidth(int32_t panelWidthTwips, int32_t twipsPerPixelX);

struct StripMetrics {
    int32_t pitch = 53;          // pixels from one panel to the next
    int32_t panelWidth = 51;     // pixels
    int32_t twipsPerPixel = 15;  // horizontal screen scale
};

// Every length of the strip at one screen scale. The panel and its image box are designed in
// twips (765 x 675, the image 30 from the left and 150 from the top), so they keep their size
// on every monitor.
struct StripLayout {
    StripMetrics metrics;
    int32_t panelHeight = 45;  // pixels
    int32_t imageLeft = 2;     // the thumbnail inside its panel, pixels
    int32_t imageTop = 10;
    int32_t thumbWidth = 47;  // the largest thumbnail a panel shows, pixels
    int32_t thumbHeight = 33;
};
inline constexpr int32_t kPanelWidthTwips = 765;
inline constexpr int32_t kPanelHeightTwips = 675;
inline constexpr int32_t kImageLeftTwips = 30;
inline constexpr int32_t kImageTopTwips = 150;
inline constexpr int32_t kPanelBorderPixels = 2;  // the etched frame line inside a panel
[[nodiscard]] StripLayout StripLayoutFor(int32_t twipsPerPixel);

inline constexpr int32_t kPanelLeftMargin = 4;  // pixels before the first panel
inline constexpr int32_t kPanelTop = 8;         // pixels

// Left edge of the panel of a position inside the unscrolled strip.
[[nodiscard]] int64_t PanelLeft(int32_t position, const StripMetrics& metrics);

struct ScrollBar {
    bool visible = false;
    int32_t minimum = 0;
    int32_t maximum = 0;
    int32_t smallChange = 1;
    int32_t largeChange = 1;
    friend bool operator==(const ScrollBar&, const ScrollBar&) = default;
};

// The strip's scroll bar, whose value is how many pixels the strip is scrolled left. It is
// hidden while every panel fits and the strip is (about) at its left end.
[[nodiscard]] ScrollBar StripScrollBar(int32_t count, int32_t clientWidth, int32_t scrollValue,
                                       const StripMetrics& metrics);
[[nodiscard]] int32_t ClampScrollValue(int32_t value, const ScrollBar& bar);

// What the user asked of a scroll bar: an arrow, the trough, an end, or the thumb dragged to
// `track`.
enum class ScrollRequest { LineLess, LineMore, PageLess, PageMore, First, Last, Track };
// The new value, by the bar's own steps, within its range.
[[nodiscard]] int32_t ScrolledValue(ScrollRequest request, int32_t value, int32_t track, const ScrollBar& bar);

// An inclusive range of positions; empty when first > last.
struct PositionRange {
    int32_t first = 1;
    int32_t last = 0;
    [[nodiscard]] bool Empty() const { return first > last; }
    friend bool operator==(const PositionRange&, const PositionRange&) = default;
};

// The positions whose panels show at least one pixel in a view of viewWidth pixels.
[[nodiscard]] PositionRange VisiblePositions(int32_t count, int32_t viewWidth, int32_t scrollValue,
                                             const StripMetrics& metrics);
// The position whose panel is under view coordinate x, or 0 (a gap, the margin, no entry).
[[nodiscard]] int32_t PositionAtX(int32_t x, int32_t count, int32_t scrollValue, const StripMetrics& metrics);
// The panels repainted when the selection moves to `selected`: about one client width on either
// side of it, so that the old highlight is cleared without repainting the whole strip.
[[nodiscard]] PositionRange HighlightWindow(int32_t selected, int32_t count, int32_t clientWidth,
                                            const StripMetrics& metrics);
// The scroll value after an entry was shown: one small change towards a panel that sticks out
// of the client area, unchanged when it is wholly in view.
[[nodiscard]] int32_t ScrollTowards(int32_t position, int32_t clientWidth, int32_t scrollValue, const ScrollBar& bar,
                                    const StripMetrics& metrics);

inline constexpr uint32_t kSelectedPanelColour = 0xD0FFFF;
inline constexpr uint32_t kPanelColour = 0x8000000F;  // the system button face
inline constexpr uint32_t kSavedCaptionColour = 0xFF0000;

// The preview picture in its panel with a vertical and a horizontal scroll bar (twips).
struct PreviewInput {
    int32_t pictureWidth = 0;
    int32_t pictureHeight = 0;
    int32_t panelLeft = 0;  // the preview panel as it is now
    int32_t panelTop = 0;
    int32_t panelWidth = 0;
    int32_t panelHeight = 0;
    int32_t clientWidth = 0;
    int32_t bottomTop = 0;  // top of the bottom frame
    int32_t vsTop = 0;
    int32_t vsWidth = 0;
    int32_t hsLeft = 0;
    int32_t hsHeight = 0;
};

struct PreviewLayout {
    ScrollBar vertical;
    ScrollBar horizontal;
    int32_t vsLeft = 0;
    int32_t vsHeight = 0;
    int32_t hsTop = 0;
    int32_t hsWidth = 0;
    int32_t panelWidth = 0;
    int32_t panelHeight = 0;
};

// Both scroll values start at 0 again, so a new layout shows the picture's top-left corner.
// The preview scroll ranges stop at 32767 twips.
[[nodiscard]] PreviewLayout LayOutPreview(const PreviewInput& in);

inline constexpr int32_t kPreviewScrollLimit = 32767;

}  // namespace tessarin
