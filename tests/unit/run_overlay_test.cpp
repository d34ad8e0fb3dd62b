#include <gtest/gtest.h>

#include <vector>

#include "core/run/range_overlay.h"
#include "support/fake_run.h"

namespace tessarin::test {
namespace {

constexpr int32_t kTpp = 15;

Point Twips(int32_t x, int32_t y) { return Point{x * kTpp, y * kTpp}; }

TEST(RangeOverlay, StartPlacesOnePixelAtThePointer) {
    RunJournal journal;
    FakeOverlayWindow window(journal);
    RangeOverlay overlay(window, true, kTpp, kTpp);
    overlay.Start(Twips(100, 200));
    // Placed one twip up and left, which the window system puts on the pointer's pixel.
    EXPECT_EQ(window.placed, (TwipsBounds{1500, 3000, 15, 15}));
    EXPECT_EQ(overlay.rangeStart(), (Point{1500, 3000}));
    EXPECT_EQ(overlay.mode(), kRangeDrawing);
    EXPECT_TRUE(window.visible);
    EXPECT_TRUE(window.mainShown);
    EXPECT_EQ(journal, (RunJournal{"overlay show", "overlay topmost"}));

    overlay.End();
    EXPECT_EQ(overlay.mode(), kRangeFixed);
    EXPECT_EQ(overlay.RectanglePixels(), (Rect{100, 200, 101, 201})) << "press and release: a 1 x 1 range";
}

TEST(RangeOverlay, DragsInEveryDirection) {
    struct Case {
        const char* name;
        Point to;  // pixels
        Rect expected;
    };
    const std::vector<Case> cases = {
        {"down and right", {110, 230}, {100, 200, 110, 230}},
        {"up and left: the top is one pixel above the pointer", {90, 180}, {90, 179, 100, 200}},
        {"up and right", {110, 180}, {100, 179, 110, 200}},
        {"down and left", {90, 230}, {90, 200, 100, 230}},
        {"back to the start", {100, 200}, {100, 199, 100, 200}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunJournal journal;
        FakeOverlayWindow window(journal);
        RangeOverlay overlay(window, true, kTpp, kTpp);
        overlay.Start(Twips(100, 200));
        overlay.Move(Twips(130, 260));  // somewhere else first: each move places afresh
        overlay.Move(Twips(c.to.x, c.to.y));
        overlay.End();
        EXPECT_EQ(overlay.RectanglePixels(), c.expected);
    }
}

TEST(RangeOverlay, InitClearsOnlyAFixedRange) {
    RunJournal journal;
    FakeOverlayWindow window(journal);
    RangeOverlay overlay(window, true, kTpp, kTpp);
    overlay.Init();
    EXPECT_EQ(overlay.mode(), kRangeNone);
    EXPECT_TRUE(journal.empty());

    overlay.Start(Twips(100, 200));
    overlay.Move(Twips(120, 220));
    overlay.Init();  // the range key is still held
    EXPECT_EQ(overlay.mode(), kRangeDrawing);
    EXPECT_TRUE(window.visible);

    overlay.End();
    overlay.Init();
    EXPECT_EQ(overlay.mode(), kRangeNone);
    EXPECT_FALSE(window.visible);
    EXPECT_EQ(window.placed.width, kTpp);
    EXPECT_EQ(window.placed.height, kTpp);
}

TEST(RangeOverlay, ReleaseWithoutPressFixesNothing) {
    RunJournal journal;
    FakeOverlayWindow window(journal);
    RangeOverlay overlay(window, true, kTpp, kTpp);
    overlay.End();
    EXPECT_EQ(overlay.mode(), kRangeNone);
    overlay.Move(Twips(120, 220));
    EXPECT_EQ(window.placed, TwipsBounds{}) << "no move without a range being drawn";
}

TEST(RangeOverlay, LoadAndUnloadAroundARun) {
    RunJournal journal;
    FakeOverlayWindow window(journal);
    RangeOverlay overlay(window, true, kTpp, kTpp);
    window.placed = TwipsBounds{300, 450, 150, 150};
    overlay.Load();
    EXPECT_EQ(window.placed, (TwipsBounds{300, 450, 0, 0}));
    overlay.Start(Twips(10, 10));
    overlay.End();
    overlay.Unload();
    EXPECT_FALSE(window.loaded);
    EXPECT_EQ(overlay.mode(), kRangeNone) << "no fixed range outlives its window";
}

TEST(RangeOverlay, CentreOfTheRange) {
    RunJournal journal;
    FakeOverlayWindow window(journal);
    RangeOverlay overlay(window, true, kTpp, kTpp);
    overlay.Start(Twips(100, 200));
    overlay.Move(Twips(110, 230));
    EXPECT_EQ(overlay.CentrePixels(), (Point{105, 215}));
    EXPECT_EQ(overlay.windowId(), window.handle);
}

TEST(RangeOverlay, FocusRectangleErasesWhatItDrew) {
    RunJournal journal;
    FakeOverlayWindow window(journal);
    // Two twips per pixel, so that quotients of a half occur: 5 / 2 gives 2, 7 / 2 gives 4.
    RangeOverlay overlay(window, false, 2, 2);
    overlay.Start(Point{9, 7});
    EXPECT_EQ(overlay.rangeStart(), (Point{9, 7}));
    EXPECT_FALSE(window.visible);
    overlay.Move(Point{5, 20});
    overlay.Move(Point{30, 3});
    overlay.End();
    EXPECT_EQ(overlay.RectanglePixels(), (Rect{4, 2, 15, 4}));
    overlay.Init();
    const Rect first{2, 4, 4, 10};
    const Rect second{4, 2, 15, 4};
    EXPECT_EQ(window.focusRects, (std::vector<Rect>{first, first, second, second}));
    EXPECT_EQ(overlay.mode(), kRangeNone);

    // A range fixed without a move has drawn nothing, so there is nothing to erase.
    overlay.Start(Point{9, 7});
    overlay.End();
    overlay.Init();
    EXPECT_EQ(window.focusRects.size(), 4U);

    // A run that ends with a range on the screen takes it away.
    overlay.Start(Point{9, 7});
    overlay.Move(Point{5, 20});
    overlay.Unload();
    EXPECT_EQ(window.focusRects, (std::vector<Rect>{first, first, second, second, first, first}));
}

}  // namespace
}  // namespace tessarin::test
