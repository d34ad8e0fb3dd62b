#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "core/imagelist/image_list.h"
#include "core/imagelist/strip_geometry.h"

namespace tessarin::test {
namespace {

// position -> slot, for every position 1..N
std::vector<int32_t> Slots(const ImageList& list) {
    std::vector<int32_t> slots;
    for (int32_t p = 1; p <= list.CountEntries(); ++p) slots.push_back(list.SlotOfEntry(p));
    return slots;
}

TEST(ImageList, RenumbersAndReusesTheLowestFreeSlot) {
    ImageList list;
    EXPECT_EQ(list.AddEntry("C:\\d\\a.jpg", "A", false), 1);
    EXPECT_EQ(list.AddEntry("b.jpg", "B", true), 2);
    EXPECT_EQ(list.AddEntry("C:\\d\\c.jpg", "C", false), 3);
    ASSERT_EQ(list.Entry(2)->fileName, "b.jpg");  // no "\": the whole path

    EXPECT_EQ(list.RemoveEntry(1).value_or(ImageEntry{}).fullPath, "C:\\d\\a.jpg");
    EXPECT_EQ(list.AddEntry("C:\\d\\d.jpg", "D", false), 1);
    EXPECT_EQ(Slots(list), (std::vector<int32_t>{2, 3, 1}));
    EXPECT_EQ(EntryCaption(list.PositionOfSlot(1)), "3");  // captions follow positions, not slots
    EXPECT_TRUE(list.Entry(1)->windowText == "B" && list.Entry(1)->saved);
    EXPECT_EQ(list.Entry(2)->fileName, "c.jpg");

    // Two holes: the lower one first, then the higher one, then a new slot.
    ASSERT_TRUE(list.RemoveEntry(2) && list.RemoveEntry(1));  // slots 3 and 2
    for (const int32_t slot : {2, 3, 4}) EXPECT_EQ(list.AddEntry("e", "", false), slot);
    EXPECT_EQ(list.SlotCount(), 4);
    EXPECT_EQ(list.PositionOfSlot(5), 0);
    for (const int32_t p : {-1, 0, 5}) {  // outside 1..N: nothing changes
        EXPECT_EQ(list.SlotOfEntry(p), -1) << p;
        EXPECT_FALSE(list.RemoveEntry(p)) << p;
        EXPECT_EQ(list.Entry(p), nullptr) << p;
    }
    EXPECT_EQ(Slots(list), (std::vector<int32_t>{1, 2, 3, 4}));
}

TEST(ImageList, SelectionAfterDelete) {
    // removed, remaining, selected: the one after it, else the new last one, else none
    const std::tuple<int32_t, int32_t, int32_t> cases[] = {{2, 4, 2}, {5, 4, 4}, {1, 0, 0}, {3, 2, 2}};
    for (const auto& [removed, remaining, selected] : cases)
        EXPECT_EQ(SelectionAfterDelete(removed, remaining), selected) << removed << " " << remaining;
}

TEST(StripGeometry, PitchPanelsScrollRangeAndHitTest) {
    EXPECT_EQ(SlotWidth(765, 15), 53);
    EXPECT_EQ(SlotWidth(765, 12), 66);  // 63.75 + 2 rounds to 66
    const StripMetrics m;               // pitch 53, panel 51: panel n covers [53(n-1)+4, 53(n-1)+55)
    EXPECT_EQ(PanelLeft(3, m), 110);
    EXPECT_EQ(PanelLeft(100000, m), 99999LL * 53 + 4);

    // count, client width, scroll value, bar
    const std::tuple<int32_t, int32_t, int32_t, ScrollBar> bars[] = {
        {3, 600, 0, {}},                       // fits at the left end: hidden
        {3, 600, 2, {}},                       // 30 twips left is still the left end
        {3, 600, 3, {true, 0, 0, 53, 53}},     // fits but scrolled: range 0 brings it back
        {20, 600, 0, {true, 0, 465, 53, 53}},  // (20 - 600/53) * 53 + 5
        {40000, 1000, 0, {true, 0, 2119005, 53, 53}},
    };
    for (const auto& [count, clientWidth, scroll, bar] : bars)
        EXPECT_EQ(StripScrollBar(count, clientWidth, scroll, m), bar) << count << " " << scroll;
    EXPECT_EQ(ClampScrollValue(700, ScrollBar{true, 0, 465, 53, 53}), 465);
    EXPECT_EQ(ClampScrollValue(-3, ScrollBar{}), 0);

    // count, view width, scroll value, visible positions
    const std::tuple<int32_t, int32_t, int32_t, PositionRange> views[] = {
        {10, 100, 0, {1, 2}},                           // 4..55, 57..108 (cut)
        {10, 57, 0, {1, 1}},                            // 57 is outside a view of 0..56
        {10, 100, 55, {2, 3}},                          // panel 1 ends at 55, scrolled out
        {10, 100, 54, {1, 3}},                          // its last pixel column still shows
        {3, 1000, 0, {1, 3}},                           // fewer entries than room
        {0, 1000, 0, {}},                               // empty list
        {100000, 530, 53 * 50000 + 4, {50001, 50010}},  // starts on panel 50001's edge
    };
    for (const auto& [count, viewWidth, scroll, visible] : views)
        EXPECT_EQ(VisiblePositions(count, viewWidth, scroll, m), visible) << viewWidth << " " << scroll;
    // x, scroll value, position under x among 10 entries
    const std::tuple<int32_t, int32_t, int32_t> hits[] = {{3, 0, 0},  {4, 0, 1},  {54, 0, 1},  {55, 0, 0},
                                                          {57, 0, 2}, {4, 53, 2}, {550, 0, 0}, {0, 53 * 9 + 4, 10}};
    for (const auto& [x, scroll, position] : hits)
        EXPECT_EQ(PositionAtX(x, 10, scroll, m), position) << x << " " << scroll;
}

TEST(StripGeometry, HighlightWindowAndScrollingIntoView) {
    const StripMetrics m;
    // v = 530 / 53 = 10 positions either side.
    EXPECT_EQ(HighlightWindow(5, 100, 530, m), (PositionRange{1, 15}));
    EXPECT_EQ(HighlightWindow(50, 100, 530, m), (PositionRange{40, 60}));
    EXPECT_EQ(HighlightWindow(98, 100, 530, m), (PositionRange{88, 100}));
    EXPECT_EQ(HighlightWindow(50, 100, 556, m), (PositionRange{40, 60}));  // 10.49 either side

    const ScrollBar bar = StripScrollBar(20, 530, 0, m);  // maximum 535
    // position, scroll value before and after: one step towards a panel that sticks out (10 spans 481..532
    // of 530) or lies wholly outside, held at the maximum and the minimum; none for a panel in view
    const std::tuple<int32_t, int32_t, int32_t> cases[] = {{10, 0, 53},    {11, 0, 53}, {9, 0, 0},
                                                           {20, 530, 535}, {1, 53, 0},  {1, 20, 0}};
    for (const auto& [position, scroll, result] : cases)
        EXPECT_EQ(ScrollTowards(position, 530, scroll, bar, m), result) << position << " " << scroll;
}

TEST(StripGeometry, PreviewScrollBars) {
    // A 6000 x 3000 panel at (0, 600) in a client 6000 wide, the bottom frame at 3600, bars 255 thick.
    PreviewInput in{0, 0, 0, 600, 6000, 3000, 6000, 3600, 600, 255, 0, 255};
    using Sizes = std::array<int32_t, 6>;  // vsLeft, hsTop, panelWidth, panelHeight, hsWidth, vsHeight
    const std::tuple<int32_t, int32_t, ScrollBar, ScrollBar, Sizes> cases[] = {
        // No larger than the panel: no bars, the panel takes all the room.
        {6000, 3000, {}, {}, {6000, 3600, 6000, 3000, 6000, 3000}},
        // The vertical range is capped.
        {6100, 43000, {true, 0, 32767, 1638, 6553}, {true, 0, 100, 5, 20}, {5745, 3345, 5745, 2745, 5745, 2745}},
        // One twip more: steps never drop to 0.
        {6000, 3001, {true, 0, 1, 1, 1}, {}, {5745, 3600, 5745, 3000, 5745, 3000}},
    };
    for (const auto& [width, height, vertical, horizontal, sizes] : cases) {
        in.pictureWidth = width;
        in.pictureHeight = height;
        const PreviewLayout out = LayOutPreview(in);
        EXPECT_EQ(out.vertical, vertical) << height;
        EXPECT_EQ(out.horizontal, horizontal) << width;
        EXPECT_EQ((Sizes{out.vsLeft, out.hsTop, out.panelWidth, out.panelHeight, out.hsWidth, out.vsHeight}), sizes);
    }
}

// The strip and the preview scroll by one rule: the bar's own steps, clamped to its range.
TEST(StripGeometry, ScrollRequestsMoveByTheBarsStepsWithinItsRange) {
    const ScrollBar bar{true, 0, 100, 7, 30};
    const std::tuple<ScrollRequest, int32_t, int32_t, int32_t> cases[] = {
        {ScrollRequest::LineMore, 50, 0, 57},  {ScrollRequest::LineLess, 3, 0, 0},
        {ScrollRequest::PageMore, 80, 0, 100}, {ScrollRequest::PageLess, 50, 0, 20},
        {ScrollRequest::First, 50, 0, 0},      {ScrollRequest::Last, 5, 0, 100},
        {ScrollRequest::Track, 5, 64, 64},     {ScrollRequest::Track, 5, 640, 100},
    };
    for (const auto& [request, value, track, expected] : cases)
        EXPECT_EQ(ScrolledValue(request, value, track, bar), expected) << value << " " << track;
    EXPECT_EQ(ScrolledValue(ScrollRequest::LineMore, INT32_MAX, 0, ScrollBar{true, 0, INT32_MAX, 53, 53}), INT32_MAX);
}

// The strip's lengths follow the screen scale: 15 twips a pixel is the design size.
TEST(StripGeometry, LayoutAtEachScale) {
    // twips per pixel: pitch, panel height, thumbnail box width and height
    for (const auto& [tpp, lengths] :
         {std::pair{15, std::array{53, 45, 47, 33}}, std::pair{10, std::array{78, 68, 71, 51}}}) {
        const StripLayout l = StripLayoutFor(tpp);
        EXPECT_EQ((std::array{l.metrics.pitch, l.panelHeight, l.thumbWidth, l.thumbHeight}), lengths) << tpp;
    }
}

}  // namespace
}  // namespace tessarin::test
