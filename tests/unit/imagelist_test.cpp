#include <gtest/gtest.h>

#include <string>
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

    const auto removed = list.RemoveEntry(1);
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->fullPath, "C:\\d\\a.jpg");
    EXPECT_EQ(list.AddEntry("C:\\d\\d.jpg", "D", false), 1);
    EXPECT_EQ(Slots(list), (std::vector<int32_t>{2, 3, 1}));
    EXPECT_EQ(list.PositionOfSlot(1), 3);
    EXPECT_EQ(EntryCaption(list.PositionOfSlot(1)), "3");
    EXPECT_EQ(list.Entry(1)->windowText, "B");
    EXPECT_TRUE(list.Entry(1)->saved);
    EXPECT_EQ(list.Entry(2)->fileName, "c.jpg");

    // Two holes: the lower one first, then the higher one, then a new slot.
    ASSERT_TRUE(list.RemoveEntry(2));  // slot 3
    ASSERT_TRUE(list.RemoveEntry(1));  // slot 2
    EXPECT_EQ(list.AddEntry("e", "", false), 2);
    EXPECT_EQ(list.AddEntry("f", "", false), 3);
    EXPECT_EQ(list.AddEntry("g", "", false), 4);
    EXPECT_EQ(Slots(list), (std::vector<int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(list.SlotCount(), 4);
    EXPECT_EQ(list.PositionOfSlot(5), 0);
}

TEST(ImageList, OutOfRangePositionsChangeNothing) {
    ImageList list;
    ASSERT_EQ(list.AddEntry("a", "", false), 1);
    ASSERT_EQ(list.AddEntry("b", "", false), 2);
    for (const int32_t p : {-1, 0, 3}) {
        EXPECT_EQ(list.SlotOfEntry(p), -1) << p;
        EXPECT_FALSE(list.RemoveEntry(p)) << p;
        EXPECT_EQ(list.Entry(p), nullptr) << p;
    }
    EXPECT_EQ(Slots(list), (std::vector<int32_t>{1, 2}));
}

TEST(ImageList, SelectionAfterDelete) {
    struct Case {
        int32_t removed, remaining, selected;
    };
    for (const Case c : {Case{2, 4, 2}, Case{5, 4, 4}, Case{1, 0, 0}, Case{3, 2, 2}}) {
        EXPECT_EQ(SelectionAfterDelete(c.removed, c.remaining), c.selected) << c.removed << " " << c.remaining;
    }
    // Deleting the last of three selects the new last one; deleting the only one leaves none.
    ImageList list;
    for (const char* name : {"a", "b", "c"}) (void)list.AddEntry(name, "", false);
    ASSERT_TRUE(list.RemoveEntry(3));
    EXPECT_EQ(list.Entry(SelectionAfterDelete(3, list.CountEntries()))->fileName, "b");
    ASSERT_TRUE(list.RemoveEntry(1));
    ASSERT_TRUE(list.RemoveEntry(1));
    EXPECT_EQ(SelectionAfterDelete(1, list.CountEntries()), 0);
}

TEST(StripGeometry, PitchPanelsAndScrollRange) {
    EXPECT_EQ(SlotWidth(765, 15), 53);
    EXPECT_EQ(SlotWidth(765, 12), 66);  // 63.75 + 2 rounds to 66
    const StripMetrics m;               // pitch 53, panel 51, 15 twips per pixel
    EXPECT_EQ(PanelLeft(1, m), 4);
    EXPECT_EQ(PanelLeft(3, m), 110);
    EXPECT_EQ(PanelLeft(100000, m), 99999LL * 53 + 4);

    struct Case {
        int32_t count, clientWidth, scrollValue;
        ScrollBar bar;
    };
    const Case cases[] = {
        {3, 600, 0, ScrollBar{}},                       // fits at the left end: hidden
        {3, 600, 2, ScrollBar{}},                       // 30 twips left is still the left end
        {3, 600, 3, ScrollBar{true, 0, 0, 53, 53}},     // fits but scrolled: range 0 brings it back
        {20, 600, 0, ScrollBar{true, 0, 465, 53, 53}},  // (20 - 600/53) * 53 + 5
        {40000, 1000, 0, ScrollBar{true, 0, 2119005, 53, 53}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StripScrollBar(c.count, c.clientWidth, c.scrollValue, m), c.bar) << c.count << " " << c.scrollValue;
    }
    EXPECT_EQ(ClampScrollValue(700, ScrollBar{true, 0, 465, 53, 53}), 465);
    EXPECT_EQ(ClampScrollValue(-3, ScrollBar{}), 0);
}

TEST(StripGeometry, VisiblePanelsAndHitTest) {
    const StripMetrics m;  // panel n covers [53(n-1)+4, 53(n-1)+55)
    struct Case {
        int32_t count, viewWidth, scroll;
        PositionRange visible;
    };
    const Case cases[] = {
        {10, 100, 0, {1, 2}},                           // 4..55, 57..108 (cut)
        {10, 57, 0, {1, 1}},                            // 57 is outside a view of 0..56
        {10, 100, 55, {2, 3}},                          // panel 1 ends at 55, scrolled out
        {10, 100, 54, {1, 3}},                          // its last pixel column still shows
        {3, 1000, 0, {1, 3}},                           // fewer entries than room
        {0, 1000, 0, {}},                               // empty list
        {100000, 530, 53 * 50000 + 4, {50001, 50010}},  // starts on panel 50001's edge
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VisiblePositions(c.count, c.viewWidth, c.scroll, m), c.visible) << c.viewWidth << " " << c.scroll;
    }
    struct Hit {
        int32_t x, scroll, position;
    };
    for (const Hit h : {Hit{3, 0, 0}, Hit{4, 0, 1}, Hit{54, 0, 1}, Hit{55, 0, 0}, Hit{57, 0, 2}, Hit{4, 53, 2},
                        Hit{550, 0, 0} /* past entry 10 */, Hit{0, 53 * 9 + 4, 10}}) {
        EXPECT_EQ(PositionAtX(h.x, 10, h.scroll, m), h.position) << h.x << " " << h.scroll;
    }
}

TEST(StripGeometry, HighlightWindowAndScrollingIntoView) {
    const StripMetrics m;
    // v = 530 / 53 = 10 positions either side.
    EXPECT_EQ(HighlightWindow(5, 100, 530, m), (PositionRange{1, 15}));
    EXPECT_EQ(HighlightWindow(50, 100, 530, m), (PositionRange{40, 60}));
    EXPECT_EQ(HighlightWindow(98, 100, 530, m), (PositionRange{88, 100}));
    EXPECT_EQ(HighlightWindow(50, 100, 556, m), (PositionRange{40, 60}));  // 10.49 either side

    const ScrollBar bar = StripScrollBar(20, 530, 0, m);  // maximum 535
    struct Case {
        int32_t position, scroll, result;
    };
    const Case cases[] = {
        {10, 0, 53},     // 481..532 sticks out of 530: one step
        {11, 0, 53},     // wholly outside on the right: still one step
        {9, 0, 0},       // in view
        {20, 530, 535},  // one step, held at the maximum
        {1, 53, 0},      // left of the view: one step back
        {1, 20, 0},      // held at the minimum
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScrollTowards(c.position, 530, c.scroll, bar, m), c.result) << c.position << " " << c.scroll;
    }
}

TEST(StripGeometry, PreviewScrollBars) {
    PreviewInput in;
    in.panelLeft = 0;
    in.panelTop = 600;
    in.panelWidth = 6000;
    in.panelHeight = 3000;
    in.clientWidth = 6000;
    in.bottomTop = 3600;
    in.vsTop = 600;
    in.vsWidth = 255;
    in.hsLeft = 0;
    in.hsHeight = 255;

    in.pictureWidth = 6000;  // no larger than the panel: no bars, the panel takes all the room
    in.pictureHeight = 3000;
    PreviewLayout out = LayOutPreview(in);
    EXPECT_FALSE(out.vertical.visible);
    EXPECT_FALSE(out.horizontal.visible);
    EXPECT_EQ(out.panelWidth, 6000);
    EXPECT_EQ(out.panelHeight, 3000);

    in.pictureWidth = 6100;
    in.pictureHeight = 3000 + 40000;  // capped range
    out = LayOutPreview(in);
    EXPECT_EQ(out.vertical, (ScrollBar{true, 0, 32767, 1638, 6553}));
    EXPECT_EQ(out.horizontal, (ScrollBar{true, 0, 100, 5, 20}));
    EXPECT_EQ(out.vsLeft, 5745);
    EXPECT_EQ(out.hsTop, 3345);
    EXPECT_EQ(out.panelWidth, 5745);
    EXPECT_EQ(out.panelHeight, 2745);
    EXPECT_EQ(out.hsWidth, 5745);
    EXPECT_EQ(out.vsHeight, 2745);

    in.pictureHeight = 3001;  // one twip: steps never drop to 0
    EXPECT_EQ(LayOutPreview(in).vertical, (ScrollBar{true, 0, 1, 1, 1}));
}

}  // namespace
}  // namespace tessarin::test
