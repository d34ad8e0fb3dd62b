// The capture engine's building blocks: window queries, the copy rules, the clipboard
// retries, the browser kinds and the accessible names and boxes.

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "core/capture/clipboard_ops.h"
#include "core/capture/dispatcher.h"
#include "core/capture/grabber_rules.h"
#include "core/capture/window_queries.h"
#include "support/fake_capture.h"

namespace tessarin::test {
namespace {

FakeDesktop Desktop(std::vector<FakeWindow> windows) {
    FakeDesktop desktop;
    desktop.windows = std::move(windows);
    return desktop;
}

TEST(WindowQueries, FindVisibleWindowsMatchesAndOrders) {
    const FakeDesktop desktop = Desktop({
        {1, "Notepad", "memo - 1.txt", {}},
        {2, "Edit", "", {}},
        {3, "RichEdit20W", "MEMO", {}},
        {4, "Notepad", "memo", {}, false},  // hidden
        {5, "CabinetWClass", "memo", {}},
        {6, "Child", "memo", {}, true, false},  // not top-level
        {7, "X", "ああ", {}},                   // 2 characters, 6 bytes
        {8, "Y", "abc", {}},
    });
    struct Case {
        const char* classText;
        const char* titleText;
        std::vector<WindowId> expected;
    } cases[] = {
        {"", "", {0, 1, 2, 3, 5, 7, 8}},
        {"*", "", {0, 1, 2, 3, 5, 7, 8}},
        {"edit", "", {0, 2, 3}},
        {"NOTEPAD", "", {0, 1}},
        {"nothing", "", {0}},
        // The shortest title goes to entry 1, the one it displaces to the end.
        {"", "memo", {0, 3, 1, 5}},
        {"notepad", "memo", {0, 1}},
        // "*" as title still puts the shortest title first, counted in characters.
        {"*", "*", {0, 2, 1, 3, 5, 7, 8}},
        {"", "bc", {0, 8}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindVisibleWindows(desktop, c.classText, c.titleText), c.expected)
            << "class \"" << c.classText << "\", title \"" << c.titleText << "\"";
    }
}

TEST(WindowQueries, ShortestTitleRuleKeepsTheFirstOnTiesAndCountsCharacters) {
    const FakeDesktop desktop = Desktop({
        {1, "A", "memo - 1.txt", {}},
        {2, "A", "memo", {}},
        {3, "A", "memo", {}},
        {4, "A", "memo - ああ", {}},
        {5, "A", "memoあ", {}},
    });
    EXPECT_EQ(FindVisibleWindows(desktop, "", "memo"), (std::vector<WindowId>{0, 2, 1, 3, 4, 5}));
    const FakeDesktop japanese = Desktop({{1, "A", "abcd", {}}, {2, "A", "ああa", {}}});
    EXPECT_EQ(FindVisibleWindows(japanese, "", "a"), (std::vector<WindowId>{0, 2, 1}));
}

TEST(WindowQueries, EnumerationEndsAtAnEmptyHandle) {
    const FakeDesktop desktop = Desktop({{1, "A", "", {}}, {0, "A", "", {}}, {2, "A", "", {}}});
    EXPECT_EQ(FindVisibleWindows(desktop, "", ""), (std::vector<WindowId>{0, 1}));
}

TEST(WindowQueries, FindTooltipWindowPrefersTooltipsOverBalloons) {
    struct Case {
        const char* name;
        std::vector<FakeWindow> windows;
        WindowId expected;
    } cases[] = {
        {"tooltip first in any order",
         {{1, "VBBubbleRT6", "", {}}, {2, "tooltips_class32", "", {}}, {3, "tooltips_class32", "", {}}},
         2},
        {"balloon when no tooltip", {{1, "Notepad", "", {}}, {2, "VBBubbleRT6", "", {}}}, 2},
        {"hidden tooltip skipped", {{1, "tooltips_class32", "", {}, false}, {2, "vbbubblert6", "", {}}}, 2},
        {"only hidden ones", {{1, "tooltips_class32", "", {}, false}, {2, "VBBubbleRT6", "", {}, false}}, 0},
        {"none", {{1, "Notepad", "", {}}}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(FindTooltipWindow(Desktop(c.windows)), c.expected) << c.name;
}

TEST(WindowQueries, WindowRectTextAlignsWithoutCutting) {
    EXPECT_EQ(WindowRectText({12, 34, 1290, 1010}), "   12,  34 -  1290,1010");
    EXPECT_EQ(WindowRectText({0, 0, 0, 0}), "    0,   0 -     0,   0");
    EXPECT_EQ(WindowRectText({-32000, -32000, 123456, -1}), "-32000,-32000 - 123456,  -1");
}

TEST(GrabberRules, CorrectionAppliesOnlyWithSwitchZeroAndHoseiOne) {
    Settings settings;
    settings.hoseiLeft = 3;
    settings.hoseiTop = 2;
    const BlitArea part{-100, -100, 150, 120};  // the screen from (100, 100) to (150, 120)
    struct Case {
        int hosei;
        int hoseiWidth;
        int hoseiHeight;
        int correctionSwitch;
        BlitArea expected;
    } cases[] = {
        // The picture shows the screen from (103, 102); the copy ends 3 columns and 2 rows
        // short of the 50 x 20 picture ...
        {1, 0, 0, kCorrectionOn, {-103, -102, 150, 120}},
        // ... unless the size corrections make up for it.
        {1, 3, 2, kCorrectionOn, {-103, -102, 153, 122}},
        {1, 3, 2, kCorrectionOff, part},
        {1, 3, 2, 1, part},
        {0, 3, 2, kCorrectionOn, part},
        {2, 3, 2, kCorrectionOn, part},
    };
    for (const Case& c : cases) {
        settings.hosei = c.hosei;
        settings.hoseiWidth = c.hoseiWidth;
        settings.hoseiHeight = c.hoseiHeight;
        EXPECT_EQ(CorrectedExtent(part, settings, c.correctionSwitch), c.expected)
            << "hosei " << c.hosei << " switch " << c.correctionSwitch;
    }
}

TEST(GrabberRules, CorrectionSaturatesOnHandEditedExtremes) {
    Settings settings;
    settings.hosei = 1;
    settings.hoseiLeft = INT_MIN;
    settings.hoseiTop = INT_MAX;
    settings.hoseiWidth = INT_MAX;
    settings.hoseiHeight = INT_MIN;
    EXPECT_EQ(CorrectedExtent({5, -5, 10, -10}, settings, kCorrectionOn),
              (BlitArea{INT_MAX, INT_MIN, INT_MAX, INT_MIN}));
}

TEST(GrabberRules, BlitToPictureIncludesLayeredWindowsOnTheNtFamily) {
    Settings settings;
    settings.hosei = 1;
    settings.hoseiLeft = 3;
    settings.hoseiTop = 2;
    for (const auto& [platformId, expected] : std::vector<std::pair<int, std::string>>{
             {0, "screen -103,-102 150x120 plain"},
             {1, "screen -103,-102 150x120 plain"},
             {2, "screen -103,-102 150x120 layered"},
             {3, "screen -103,-102 150x120 layered"},
         }) {
        FakeDesktop desktop;
        desktop.platformId = platformId;
        FakeGrabber grabber;
        BlitToPicture(grabber, desktop, settings, -100, -100, 150, 120, kCorrectionOn);
        EXPECT_EQ(grabber.calls, Journal{expected}) << "platform " << platformId;
    }
}

TEST(GrabberRules, RendersItselfOnlyWithNoTooltipFromVersion51OutsideEditControls) {
    struct Case {
        const char* className;
        float version;
        int noTooltip;
        bool expected;
    } cases[] = {
        {"Notepad", 5.1F, 1, true},
        {"Notepad", 6.1F, 1, true},
        {"Notepad", 5.0F + 1.0F / 10.0F, 1, true},
        {"Notepad", 5.0F, 1, false},
        {"Notepad", 4.9F, 1, false},
        {"Notepad", 10.0F, 0, false},
        {"Notepad", 10.0F, 2, false},
        {"Edit", 10.0F, 1, false},
        {"EDIT", 10.0F, 1, false},
        {"RICHEDIT50W", 10.0F, 1, false},
        {"RichEdit20W", 10.0F, 1, false},
        {"TEdit", 10.0F, 1, true},  // contains "edit" but is not an edit control
        {"", 10.0F, 1, true},
    };
    Settings settings;
    for (const Case& c : cases) {
        settings.noTooltip = c.noTooltip;
        EXPECT_EQ(RendersItself(c.className, c.version, settings), c.expected)
            << c.className << " " << c.version << " no tooltip " << c.noTooltip;
    }
}

TEST(GrabberRules, GrabWindowRendersOrCopiesTheScreenWithCorrection) {
    struct Case {
        const char* className;
        float version;
        int noTooltip;
        std::string expected;
    } cases[] = {
        {"Notepad", 5.1F, 1, "print 7 -5,-6 30x40"},
        {"Edit", 5.1F, 1, "windowdc 7 -8,-8 30x40 layered"},
        {"RICHEDIT50W", 5.1F, 1, "windowdc 7 -8,-8 30x40 layered"},
        {"Notepad", 5.1F, 0, "windowdc 7 -8,-8 30x40 layered"},
        {"Notepad", 5.0F, 1, "windowdc 7 -8,-8 30x40 layered"},
    };
    for (const Case& c : cases) {
        FakeDesktop desktop;
        desktop.add({7, c.className, "", {}});
        desktop.version = c.version;
        Settings settings;
        settings.noTooltip = c.noTooltip;
        settings.hosei = 1;
        settings.hoseiLeft = 3;
        settings.hoseiTop = 2;
        FakeGrabber grabber;
        GrabWindow(grabber, desktop, settings, 7, 5, 6, 30, 40);
        EXPECT_EQ(grabber.calls, Journal{c.expected}) << c.className;
    }
}

TEST(ClipboardOps, ClearClipboardRetriesTwentyTimesLettingMessagesRun) {
    FakeClipboard clipboard;
    FakeCaptureUi ui;
    Journal journal;
    clipboard.journal = ui.journal = &journal;

    clipboard.emptyFailures = 2;
    EXPECT_EQ(ClearClipboard(clipboard, ui), "");
    EXPECT_EQ(journal, (Journal{"clipboard empty", "process messages", "sleep 100", "clipboard empty",
                                "process messages", "sleep 100", "clipboard empty"}));

    journal.clear();
    clipboard.emptyAttempts = 0;
    clipboard.emptyFailures = 1000;
    EXPECT_EQ(ClearClipboard(clipboard, ui), kCaptureError);
    EXPECT_EQ(clipboard.emptyAttempts, 20);
    Journal expected;
    for (int i = 1; i <= 20; ++i) {
        expected.emplace_back("clipboard empty");
        if (i < 20) expected.insert(expected.end(), {"process messages", "sleep 100"});
    }
    EXPECT_EQ(journal, expected);
    EXPECT_EQ(clipboard.setAttempts, 0);
}

TEST(ClipboardOps, CopyPictureRetries101TimesWithoutMessages) {
    FakeClipboard clipboard;
    FakeCaptureUi ui;
    Journal journal;
    clipboard.journal = ui.journal = &journal;

    EXPECT_EQ(CopyPictureToClipboard(clipboard, ui), "");
    EXPECT_EQ(journal, Journal{"clipboard set"});

    journal.clear();
    clipboard.setAttempts = 0;
    clipboard.setFailures = 1000;
    EXPECT_EQ(CopyPictureToClipboard(clipboard, ui), kCaptureError);
    EXPECT_EQ(clipboard.setAttempts, 101);
    Journal expected;
    for (int i = 0; i <= 100; ++i) {
        expected.emplace_back("clipboard set");
        if (i < 100) expected.emplace_back("sleep 100");
    }
    EXPECT_EQ(journal, expected);
}

TEST(BrowserKinds, ExactCaseSensitiveClassNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"Internet Explorer_Server", "IE"},
        {"MozillaWindowClass", "FIREFOX"},
        {"Chrome_RenderWidgetHostHWND", "GHROME"},
        {"WebViewWindowClass", "SAFARI"},
        {"OperaWindowClass", "OPERA"},
        {"QWidget", "LUNASPACE"},
        {"internet explorer_server", ""},
        {"MozillaWindowClass ", ""},
        {"Chrome_WidgetWin_1", ""},
        {"", ""},
    };
    for (const auto& [className, kind] : cases) EXPECT_EQ(BrowserKindOfClass(className), kind) << className;
}

// What an adapter might leave in a record it could not fill.
AccessibleObjectInfo Stale() {
    AccessibleObjectInfo object = Named("stale", "stale");
    object.found = false;
    object.left = 10;
    object.width = 40;
    return object;
}

TEST(Accessible, NameElseValueElseEmpty) {
    struct Case {
        AccessibleObjectInfo object;
        const char* expected;
    } cases[] = {
        {Named("OK", "ignored"), "OK"},
        {Named("", "abc"), "abc"},
        {Named(""), ""},
        {Stale(), ""},
    };
    for (const Case& c : cases) {
        FakeAccessibility accessibility;
        accessibility.add({5, 6}, c.object);
        EXPECT_EQ(AccessibleNameAt(accessibility, {5, 6}), c.expected);
        EXPECT_EQ(accessibility.queries, (std::vector<Point>{{5, 6}}));
    }
}

TEST(Accessible, RectangleAndFixedSizeBox) {
    EXPECT_EQ(AccessibleRectangle(Located(10, 10, 40, 20)), (Rect{10, 10, 50, 30}));
    EXPECT_EQ(AccessibleRectangle(Stale()), (Rect{}));
    EXPECT_EQ(AccessibleRectangle(Located(INT_MAX - 1, 0, 5, 5)), (Rect{INT_MAX - 1, 0, INT_MAX, 5}));

    struct Case {
        Rect part;
        int32_t width;
        int32_t height;
        Rect expected;
    } cases[] = {
        {{10, 10, 50, 30}, 100, 50, {-20, -5, 80, 45}},
        {{10, 10, 50, 30}, 20, 10, {20, 15, 40, 25}},
        // Halves go to the even side on the whole sum: 1.5 -> 2, 2.5 -> 2, -0.5 -> 0.
        {{1, 1, 3, 3}, 1, 1, {2, 2, 3, 3}},
        {{2, 2, 4, 4}, 1, 1, {2, 2, 3, 3}},
        {{0, 0, 0, 0}, 1, 1, {0, 0, 1, 1}},
        {{0, 0, 0, 0}, 100, 50, {-50, -25, 50, 25}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FixedSizeBox(c.part, c.width, c.height), c.expected)
            << c.part.left << "," << c.part.top << " " << c.width << "x" << c.height;
    }
}

}  // namespace
}  // namespace tessarin::test
