#include <gtest/gtest.h>

#include <tuple>

#include "core/run/range_overlay.h"
#include "support/fake_run.h"

namespace tessarin::test {

TEST(RangeOverlay, DragsInEveryDirection) {
    // Pointer moves in pixels after the range key went down at (100, 200); the range in pixels and its middle.
    const std::vector<std::tuple<std::vector<Point>, Rect, Point>> cases = {
        {{}, {100, 200, 101, 201}, {100, 200}},                        // press and release: 1 x 1
        {{{130, 260}, {110, 230}}, {100, 200, 110, 230}, {105, 215}},  // each move places afresh
        {{{90, 180}}, {90, 179, 100, 200}, {95, 190}},                 // going up: one pixel above the pointer
        {{{110, 180}}, {100, 179, 110, 200}, {105, 190}},
        {{{90, 230}}, {90, 200, 100, 230}, {95, 215}},
    };
    for (const auto& [moves, rect, centre] : cases) {
        RunJournal journal;
        FakeOverlayWindow window(journal);
        RangeOverlay overlay(window, true, 15, 15);
        overlay.Start(Point{1500, 3000});
        EXPECT_EQ(journal, RunJournal{"overlay topmost"}) << "not shown under the pointer";
        for (const Point p : moves) overlay.Move(Point{p.x * 15, p.y * 15});
        overlay.End();
        EXPECT_EQ(overlay.RectanglePixels(), rect);
        EXPECT_EQ(overlay.CentrePixels(), centre);
        overlay.Init();
        EXPECT_EQ(overlay.mode(), kRangeNone);
        EXPECT_EQ(window.placed.width + window.placed.height, 30) << "hidden at one pixel";
        EXPECT_EQ(journal, (RunJournal{"overlay topmost", "overlay show", "overlay hide"}));
    }
}

// A range being drawn when the screen's scale changes (96 to 144 dpi and back) keeps its
// corner on the same pixel; the pointer positions arrive in the new scale.
TEST(RangeOverlay, KeepsItsCornerAcrossAScaleChange) {
    for (const bool transparent : {true, false}) {
        RunJournal journal;
        FakeOverlayWindow window(journal);
        RangeOverlay overlay(window, transparent, 15, 15);
        overlay.Start(Point{300 * 15, 300 * 15});
        window.tpp = 10;
        overlay.SetScale(10, 10);
        overlay.Move(Point{400 * 10, 380 * 10});
        overlay.End();
        EXPECT_EQ(overlay.RectanglePixels(), (Rect{300, 300, 400, 380})) << transparent;
    }
}

TEST(RangeOverlay, FocusRectangleErasesWhatItDrew) {
    RunJournal journal;
    FakeOverlayWindow window(journal);
    RangeOverlay overlay(window, false, 2, 2);  // quotients of a half occur: 5 / 2 gives 2, 7 / 2 gives 4
    overlay.Start(Point{9, 7});
    overlay.Move(Point{5, 20});
    overlay.Move(Point{30, 3});
    overlay.End();
    const Rect first{2, 4, 4, 10}, second{4, 2, 15, 4};
    EXPECT_EQ(overlay.RectanglePixels(), second);
    overlay.Init();
    overlay.Start(Point{9, 7});  // fixed without a move: nothing drawn, nothing to erase
    overlay.End();
    overlay.Init();
    overlay.Start(Point{9, 7});
    overlay.Move(Point{5, 20});
    overlay.Unload();  // a run that ends with a range on the screen takes it away
    EXPECT_EQ(window.focusRects, (std::vector<Rect>{first, first, second, second, first, first}));
    EXPECT_EQ(journal, RunJournal{"overlay unload"}) << "the window is never shown";
}

}  // namespace tessarin::test
