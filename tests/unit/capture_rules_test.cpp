// The capture engine's building blocks: window queries, the copy rules, the browser kinds
// and the fixed-size box.

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>
#include <vector>

#include "core/capture/dispatcher.h"
#include "core/capture/grabber_rules.h"
#include "core/capture/window_queries.h"
#include "support/fake_capture.h"

namespace tessarin::test {
namespace {

TEST(WindowQueries, FindVisibleWindowsMatchesAndPutsTheShortestTitleFirst) {
    FakeDesktop desktop;
    // Window 6's title has 7 characters in 13 bytes.
    desktop.windows = {
        {1, "Notepad", "memo - 1.txt"},    {6, "X", "memoあああ"},      {2, "Edit", ""}, {3, "RichEdit20W", "MEMO"},
        {4, "Notepad", "memo", {}, false}, {5, "CabinetWClass", "memo"}};
    // class text, title text, result
    const std::tuple<const char*, const char*, std::vector<WindowId>> cases[] = {
        {"", "", {0, 1, 6, 2, 3, 5}},
        {"*", "", {0, 1, 6, 2, 3, 5}},
        {"edit", "", {0, 2, 3}},
        {"NOTEPAD", "", {0, 1}},
        // The shortest title, in characters, first (the first of equals); the window it
        // displaces goes last.
        {"", "memo", {0, 3, 1, 6, 5}},
        {"*", "*", {0, 2, 1, 6, 3, 5}},
    };
    for (const auto& [classText, titleText, expected] : cases) {
        EXPECT_EQ(FindVisibleWindows(desktop, classText, titleText), expected) << classText << " " << titleText;
    }
}

TEST(GrabberRules, CorrectionAppliesOnlyWithSwitchZeroAndHoseiOne) {
    const BlitArea part{-100, -100, 150, 120};  // the screen from (100, 100) to (150, 120)
    // hosei, left, top, width, height, switch, result
    const std::tuple<int, int, int, int, int, int, BlitArea> cases[] = {
        // The picture shows the screen from (103, 102); the copy ends 3 columns and 2 rows
        // short of the 50 x 20 picture, unless the size corrections make up for it.
        {1, 3, 2, 0, 0, kCorrectionOn, {-103, -102, 150, 120}},
        {1, 3, 2, 3, 2, kCorrectionOn, {-103, -102, 153, 122}},
        {1, 3, 2, 3, 2, kCorrectionOff, part},
        {2, 3, 2, 3, 2, kCorrectionOn, part},
        // Hand-edited extremes saturate instead of overflowing.
        {1, INT_MIN, INT_MAX, INT_MAX, INT_MIN, kCorrectionOn, {INT_MAX - 99, INT_MIN, INT_MAX, INT_MIN + 120}},
    };
    for (const auto& [hosei, left, top, width, height, correctionSwitch, expected] : cases) {
        Settings settings;
        std::tie(settings.hosei, settings.hoseiLeft, settings.hoseiTop, settings.hoseiWidth, settings.hoseiHeight) =
            std::tuple(hosei, left, top, width, height);
        EXPECT_EQ(CorrectedExtent(part, settings, correctionSwitch), expected) << hosei << " " << correctionSwitch;
    }
}

// A window whose own drawing came out flat (another process's window under Wine, one the
// graphics card draws) is copied from the screen while it shows there, so that its pixel (5, 6)
// still lands at the picture's origin.
TEST(GrabberRules, GrabWindowLetsOnlyNonEditWindowsDrawThemselvesWithNoTooltipAndMendsAFlatDrawing) {
    const std::string print = "print 7 -5 -6 30 40", dc = "windowdc 7 -5 -6 30 40 1";
    // class, version, "no tooltip", platform id, flat drawing, visible, the copies; layered windows are left out
    // before the NT family
    const std::tuple<const char*, float, int, int, bool, bool, Journal> cases[] = {
        {"Notepad", 5.1F, 1, 2, false, true, {print}},
        {"TEdit", 10.0F, 1, 2, false, true, {print}},
        {"Notepad", 5.0F, 1, 2, false, true, {dc}},
        {"Notepad", 5.1F, 0, 2, false, true, {dc}},
        {"Notepad", 5.1F, 2, 2, false, true, {dc}},
        {"EDIT", 5.1F, 1, 2, false, true, {dc}},
        {"RICHEDIT50W", 5.1F, 1, 2, false, true, {dc}},
        {"Notepad", 5.1F, 0, 1, false, true, {"windowdc 7 -5 -6 30 40 0"}},
        {"Chrome_WidgetWin_1", 10.0F, 1, 2, true, true, {print, "screen -105 -206 130 240 1"}},
        {"Chrome_WidgetWin_1", 10.0F, 1, 2, true, false, {print}},  // hidden: the screen does not have it either
    };
    for (const auto& [className, version, noTooltip, platformId, flat, visible, expected] : cases) {
        FakeDesktop desktop;
        FakeDevices devices;
        Settings settings;
        desktop.add({7, className, "", Rect{100, 200, 400, 500}, visible});
        std::tie(desktop.version, desktop.platformId, settings.noTooltip, devices.blankPrint) =
            std::tuple(version, platformId, noTooltip, flat);
        GrabWindow(devices, desktop, settings, 7, 5, 6, 30, 40);
        EXPECT_EQ(devices.log, expected) << className << " " << version << " " << noTooltip << " " << flat;
    }
}

TEST(BrowserKinds, ExactCaseSensitiveClassNames) {
    std::string kinds;
    for (const char* className :
         {"Internet Explorer_Server", "MozillaWindowClass", "Chrome_RenderWidgetHostHWND", "WebViewWindowClass",
          "OperaWindowClass", "QWidget", "internet explorer_server", "MozillaWindowClass ", ""}) {
        kinds += BrowserKindOfClass(className) + ",";
    }
    EXPECT_EQ(kinds, "IE,FIREFOX,GHROME,SAFARI,OPERA,LUNASPACE,,,,");
}

TEST(Accessible, FixedSizeBoxRoundsHalfToEvenOverTheWholeSum) {
    EXPECT_EQ(FixedSizeBox({1, 1, 3, 3}, 1, 1), (Rect{2, 2, 3, 3}));  // 1.5 -> 2
    EXPECT_EQ(FixedSizeBox({2, 2, 4, 4}, 1, 1), (Rect{2, 2, 3, 3}));  // 2.5 -> 2
    EXPECT_EQ(FixedSizeBox({0, 0, 0, 0}, 1, 1), (Rect{0, 0, 1, 1}));  // -0.5 -> 0
}

}  // namespace
}  // namespace tessarin::test
