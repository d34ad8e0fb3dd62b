// The capture engine: MyCapture's path for every target word, the cursor, the clipboard step and
// the messages, against fakes of the desktop, the grabber and the user; its building blocks
// (window queries, the copy rules, the browser kinds, the fixed-size box); the window list.

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "core/capture/dispatcher.h"
#include "core/capture/grabber_rules.h"
#include "core/capture/window_queries.h"
#include "core/text/text.h"
#include "core/windowlist/window_list.h"
#include "support/fake_capture.h"

namespace tessarin::test {
namespace {

std::string Failure(std::string_view text) { return "message " + std::string(text) + " / キャプチャー不可：MyCapture"; }

std::string Repeat(char32_t character, int count) { return EncodeUtf8(std::u32string(count, character)); }

// The pointer is at (120, 110) over an edit control, on an OK button at (10, 10) of 40 x 20.
// "hosei" shifts by (3, 2), so every copy shows whether the correction applies; "no tooltip"
// is on, so the other windows draw themselves; "size" is on with 100 x 50. "no mouse" is 2,
// which is not on. The one window of the class has only its right edge off the screen.
struct Rig {
    FakeDesktop desktop;
    FakeAccessibility accessibility;
    FakeDevices devices;
    Settings settings;
    CommandLineFlags flags;
    CaptureContext context{desktop, accessibility, devices, devices, devices, settings, flags};
    Journal& log = devices.log;

    Rig() {
        desktop.windows = {{7, "Edit", "memo", {100, 100, 150, 120}},
                           {20, "CabinetWClass", "Docs", {-300, 5, -10, 205}},
                           {8, "VBBubbleRT6", "", {0, 0, 10, 10}},
                           {10, "tooltips_class32", "", {}, false},
                           {9, "tooltips_class32", "tip", {200, 300, 260, 320}}};
        desktop.underPointer = 7;
        desktop.foreground = 20;
        accessibility.add(desktop.cursor, {true, "OK", "", 10, 10, 40, 20});
        settings.noTooltip = settings.hosei = settings.size = 1;
        std::tie(settings.noMouse, settings.hoseiLeft, settings.hoseiTop, settings.sizeWidth, settings.sizeHeight) =
            std::tuple(2, 3, 2, 100, 50);
        settings.className = "cabinet";
    }
    std::string capture(std::string_view target) {
        context.downloadedImage = true;
        std::string result = MyCapture(context, target);
        EXPECT_FALSE(context.downloadedImage) << target;
        return result;
    }
};

TEST(MyCapture, EveryPathCopiesWhatItsWordAsksFor) {
    const std::string part = "resize 40 20|screen 13 12 50 30 0 0 1|cursor 10 10";
    const std::string window = "resize 50 20|windowdc 7 3 2 50 20 0 0 1",
                      noLink = Failure("ポップアップリンクは在りません。");
    const std::string noMemory = Failure("7 メモリが不足しています。");
    const std::string snapshot = "resize 1280 1024|screen 0 0 1280 1024 0 0 1|cursor 0 0";
    const std::tuple<const char*, std::function<void(Rig&)>, std::string> cases[] = {
        {"snapshot", nullptr, snapshot},
        // The whole desktop is taken as it is, our own window in it.
        {"snapshot",
         [](Rig& r) {
             r.devices.own = {{50, {10, 10, 300, 200}}};
         },
         snapshot},
        {"snapshot_alt", nullptr, "resize 290 200|print 20 290 200 0 0|cursor -300 5"},
        {"window", nullptr, window + "|cursor 100 100"},
        {"window", [](Rig& r) { r.settings.noMouse = 1; }, window},
        {"window", [](Rig& r) { r.flags.nomouse = 1; }, window},
        // A visible tooltip before any balloon, hidden ones never.
        {"tooltips", nullptr, "resize 60 20|print 9 60 20 0 0|cursor 200 300"},
        {"tooltips", [](Rig& r) { r.desktop.windows.pop_back(); }, "resize 10 10|print 8 10 10 0 0|cursor 0 0"},
        {"tooltips", [](Rig& r) { r.desktop.windows.resize(2); }, Failure("ツールチップは表示されていません。")},
        {"popuplink", nullptr, noLink},
        {"popuplink", [](Rig& r) { r.desktop.windows[0].className = "Internet Explorer_Server"; }, noLink},
        {"popuplink", [](Rig& r) { r.desktop.windows[0].className = "Chrome_RenderWidgetHostHWND"; }, part},
        // (-20, -5, 80, 45), corrected to start at (-17, -3): black where no monitor is.
        {"parts", nullptr, "resize 100 50|black 0 0 97 48|screen 0 0 80 45 17 3 1|cursor -20 -5"},
        {"parts", [](Rig& r) { r.settings.size = 2; }, part},
        {"parts", [](Rig& r) { r.desktop.windows[0].className = "MozillaWindowClass"; }, part},
        // The window left of the screen draws itself; one parked where minimised windows go
        // does not count as shown.
        {"class", nullptr, "resize 290 200|print 20 290 200 0 0|cursor -300 5"},
        {"class", [](Rig& r) { r.desktop.windows[1].rect.bottom = -5; },
         Failure("指定のクラス名：「 cabinet 」は、画面範囲外（または最小化状態）にあります。")},
        // Right and bottom negative, but on a monitor up and left of the primary.
        {"class",
         [](Rig& r) {
             r.desktop.windows[1].rect = {-300, -250, -10, -50};
             r.desktop.monitorRects.push_back({-1920, -1080, 0, 0});
         },
         "resize 290 200|print 20 290 200 0 0|cursor -300 -250"},
        {"Window", nullptr, Failure("プログラムエラー & Opt")},
        // A size that memory does not allow is reported; the picture is not passed off as this one.
        {"window", [](Rig& r) { r.devices.resizeFails = true; }, "resize 50 20|" + noMemory},
        {"snapshot", [](Rig& r) { r.devices.resizeFails = true; }, "resize 1280 1024|" + noMemory},
        // Nor is a picture whose pixels cannot be taken for the list.
        {"window", [](Rig& r) { r.devices.taken = nullptr; }, window + "|cursor 100 100|" + noMemory},
    };
    for (const auto& [target, arrange, log] : cases) {
        SCOPED_TRACE(testing::Message() << target << " " << log);
        Rig rig;
        if (arrange) arrange(rig);
        EXPECT_EQ(rig.capture(target), log.find("message") != std::string::npos ? kCaptureError : "");
        EXPECT_EQ(rig.log, Lines("clear|" + log));
    }
}

TEST(MyCapture, FailedClassSearchOffersTheWindowListAndKeepsItsPick) {
    const std::string head = "message 指定のクラス名：「 ";
    // setting, the window list's pick, message
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"", "Notepad", "message クラス名が指定されていません！ / 指定エラー"},
        {"nothing", "", head + "nothing 」を含むウィンドウは表示されていません。 / クラス無し"},
        {"CLASS", "", head + "CLASS 」を含むウィンドウは、2 個存在し、一意に特定できません。 / 特定不可"},
        {"*", "Shell_TrayWnd", head + "* 」を含むウィンドウは、4 個存在し、一意に特定できません。 / 特定不可"},
    };
    for (const auto& [className, picked, message] : cases) {
        Rig rig;
        std::tie(rig.settings.className, rig.settings.copyToClipboard, rig.devices.pickedClass) =
            std::tuple(className, 1, picked);
        EXPECT_EQ(rig.capture("class"), kCaptureError);
        // No cursor, no clipboard: the list follows the message and the capture ends.
        EXPECT_EQ(rig.log, (Journal{"clear", message, "window list"}));
        EXPECT_EQ(rig.settings.className, *picked != 0 ? picked : className);
    }
}

TEST(MyCapture, RangeIsNamedAfterItsCentreAndThePointerClassCutByCharacters) {
    const std::string cancel(kCaptureCancel);
    // range, centre (rounded half to even), accessible name there, class under the pointer, result
    const std::tuple<Rect, Point, std::string, std::string, std::string> cases[] = {
        {{10, 10, 13, 50}, {}, "", "", cancel},
        {{10, 10, 50, 13}, {}, "", "", cancel},
        {{1, 1, 6, 8}, {4, 4}, Repeat(U'名', 35), Repeat(U'ク', 21), Repeat(U'名', 30) + "_" + Repeat(U'ク', 20)},
        {{0, 0, 10, 10}, {5, 5}, "", "Edit", "abc_Edit"},  // no name: the value
    };
    for (const auto& [range, centre, name, pointerClass, result] : cases) {
        Rig rig;
        std::tie(rig.devices.range, rig.settings.copyToClipboard, rig.desktop.windows[0].className) =
            std::tuple(range, 1, pointerClass);
        rig.accessibility.add(centre, Named(name, "abc"));
        EXPECT_EQ(rig.capture("rect"), result);
        if (result != cancel) continue;
        // Nothing shown, painted or copied for a slip of the mouse.
        EXPECT_EQ(rig.log, (Journal{"clear", "hide overlay"}));
    }
    // The smallest range: uncorrected, with the overlay out of the way first; no object at its centre.
    Rig rig;
    rig.devices.range = {10, 10, 14, 14};
    EXPECT_EQ(rig.capture("rect"), "_Edit");
    EXPECT_EQ(rig.log, Lines("clear|hide overlay|resize 4 4|screen 10 10 14 14 0 0 1|cursor 10 10"));
}

TEST(MyCapture, ClipboardStepRetriesThenReportsItsFailure) {
    // setting, word, failed emptyings, failed settings; emptyings, settings, message runs, sleeps; message
    const std::tuple<int, int, int, int, int, int, int, int, std::string> cases[] = {
        {0, 1, 3, 50, 4, 51, 3, 53, ""},
        {1, 0, 1000, 0, 20, 0, 19, 19, Failure("クリップクリアエラー")},
        {0, 1, 0, 1000, 1, 101, 0, 100, Failure("クリップボードへのデータセットエラー")},
    };
    for (const auto& [setting, word, emptyFailures, setFailures, empties, sets, messageRuns, sleeps, message] : cases) {
        Rig rig;
        std::tie(rig.settings.copyToClipboard, rig.flags.clipboard, rig.devices.emptyFailures,
                 rig.devices.setFailures) = std::tuple(setting, word, emptyFailures, setFailures);
        EXPECT_EQ(rig.capture("window"), message.empty() ? "" : kCaptureError);
        const auto count = [&](const std::string& call) { return std::ranges::count(rig.log, call); };
        EXPECT_EQ(
            std::tuple(count("clipboard empty"), count("clipboard set"), count("process messages"), count("sleep 100")),
            std::tuple(empties, sets, messageRuns, sleeps));
        EXPECT_EQ(count(message), message.empty() ? 0 : 1);
        // The picture goes to the clipboard with the cursor already painted in.
        EXPECT_EQ(rig.log[4], "clipboard empty");
    }
}

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

// What a capture that took nothing says, instead of "キャプチャー完了" over an empty or black picture.
TEST(MyCapture, ACaptureThatTookNothingSaysSoOnTheStatusLine) {
    // target, arrangement, status, the calls after the clearing
    const std::tuple<const char*, std::function<void(Rig&)>, std::string_view, std::string> cases[] = {
        // Nothing accessible under the pointer (a menu bar item under Wine), no fixed size.
        {"parts", [](Rig& r) { r.accessibility.objects[0].second.found = false, r.settings.size = 0; },
         kNothingCapturedStatus, ""},
        {"snapshot_alt", [](Rig& r) { r.desktop.foreground = 0; }, kNothingCapturedStatus, ""},
        // A window on no monitor whose own drawing came out flat: the screen has nothing of it.
        {"window",
         [](Rig& r) {
             r.desktop.windows[0].rect = {-500, 100, -200, 300};
             r.devices.blankPrint = true;
         },
         kOffScreenStatus, "resize 300 200|windowdc 7 3 2 300 200 0 0 1"},
        // Hidden, and unable to draw itself: nothing at all was taken.
        {"snapshot_alt",
         [](Rig& r) {
             r.desktop.windows[1].visible = false;
             r.devices.printFails = true;
         },
         kOffScreenStatus, "resize 290 200|print 20 290 200 0 0"},
    };
    for (const auto& [target, arrange, status, log] : cases) {
        SCOPED_TRACE(testing::Message() << target << " " << log);
        Rig rig;
        arrange(rig);
        rig.settings.copyToClipboard = 1;
        EXPECT_EQ(rig.capture(target), kCaptureError);
        EXPECT_EQ(rig.context.failureStatus, status);
        // No message box, no cursor, no clipboard.
        EXPECT_EQ(rig.log, Lines("clear|" + log));
    }
    // The next capture starts without the last one's failure.
    Rig rig;
    rig.context.failureStatus = "old";
    EXPECT_EQ(rig.capture("window"), "");
    EXPECT_EQ(rig.context.failureStatus, "");
}

// Three monitors of different sizes, left of and above the primary: the screen is copied from
// each monitor into its place, black where none is; a window straddling two is whole.
TEST(MyCapture, EveryMonitorCountsWhateverTheSignOfItsCoordinates) {
    const std::vector<Rect> monitors{{0, 0, 1280, 1024}, {-1920, 0, 0, 1080}, {0, -1080, 1280, 0}};
    // target, the window under the pointer (a Notepad whose device context gives nothing), the calls
    const std::tuple<const char*, Rect, std::string> cases[] = {
        {"snapshot",
         {},
         "resize 3200 2160|black 0 0 3200 2160|screen 0 0 1280 1024 1920 1080 1|screen -1920 0 0 1080 0 1080 1"
         "|screen 0 -1080 1280 0 1920 0 1|cursor -1920 -1080"},
        {"window",
         {-1700, 300, -1400, 500},
         "resize 300 200|windowdc 7 0 0 300 200 0 0 1|screen -1700 300 -1400 500 0 0 1|cursor -1700 300"},
        // Across the left edge of the primary, and larger than the primary.
        {"window",
         {-200, 100, 100, 300},
         "resize 300 200|windowdc 7 0 0 300 200 0 0 1|screen 0 100 100 300 200 0 1|screen -200 100 0 300 0 0 1"
         "|cursor -200 100"},
        {"window",
         {-400, -50, 1200, 1000},
         "resize 1600 1050|windowdc 7 0 0 1600 1050 0 0 1|black 0 0 1600 1050|screen 0 0 1200 1000 400 50 1"
         "|screen -400 0 0 1000 0 50 1|screen 0 -50 1200 0 400 0 1|cursor -400 -50"},
        {"window",
         {100, -900, 400, -700},
         "resize 300 200|windowdc 7 0 0 300 200 0 0 1|screen 100 -900 400 -700 0 0 1|cursor 100 -900"},
    };
    for (const auto& [target, windowRect, log] : cases) {
        SCOPED_TRACE(testing::Message() << target << " " << log);
        Rig rig;
        rig.desktop.monitorRects = monitors;
        rig.desktop.windows[0] = {7, "Notepad", "", windowRect};
        std::tie(rig.settings.noTooltip, rig.settings.hosei, rig.devices.blankPrint) = std::tuple(0, 0, true);
        EXPECT_EQ(rig.capture(target), "");
        EXPECT_EQ(rig.log, Lines("clear|" + log));
    }
    // A range across three monitors.
    Rig rig;
    rig.desktop.monitorRects = monitors;
    rig.devices.range = {-30, -20, 30, 20};
    EXPECT_EQ(rig.capture("rect"), "_Edit");
    EXPECT_EQ(rig.log, Lines("clear|hide overlay|resize 60 40|black 0 0 60 40|screen 0 0 30 20 30 20 1"
                             "|screen -30 0 0 20 0 20 1|screen 0 -20 30 0 30 0 1|cursor -30 -20"));
}

// On Windows 10 and 11 a window's rectangle carries invisible resize borders: the capture takes
// the visible frame the compositor reports, and the window's own drawing, which includes the
// borders, is shifted by them. Without a frame (Wine, a child window) the rectangle stands.
TEST(MyCapture, AWindowIsTakenByItsVisibleFrame) {
    // frame, the window's own drawing is flat, class, the calls
    const std::tuple<Rect, bool, const char*, std::string> cases[] = {
        {{108, 100, 142, 112}, false, "Notepad", "resize 34 12|print 7 50 20 -8 0|cursor 108 100"},
        {{108, 100, 142, 112},
         true,
         "Notepad",
         "resize 34 12|print 7 50 20 -8 0|screen 108 100 142 112 0 0 1|cursor 108 100"},
        {{}, false, "Notepad", "resize 50 20|print 7 50 20 0 0|cursor 100 100"},
        // The device context path keeps the correction and is shifted alike.
        {{108, 100, 142, 112}, false, "Edit", "resize 34 12|windowdc 7 11 2 42 12 0 0 1|cursor 108 100"},
    };
    for (const auto& [frame, flat, className, log] : cases) {
        SCOPED_TRACE(log);
        Rig rig;
        rig.desktop.windows[0].frame = frame;
        rig.desktop.windows[0].className = className;
        rig.devices.blankPrint = flat;
        EXPECT_EQ(rig.capture("window"), "");
        EXPECT_EQ(rig.log, Lines("clear|" + log));
    }
}

// Cloaked windows (a suspended app, one on another virtual desktop) say they are visible, but
// the screen does not show them: no class search finds one, and a flat drawing of one is not
// mended with whatever the screen shows there.
TEST(MyCapture, CloakedWindowsAreNotOnTheScreen) {
    Rig rig;
    rig.desktop.windows.push_back({21, "CabinetWClass", "hidden away", {0, 0, 10, 10}});
    rig.desktop.windows.back().cloaked = true;
    EXPECT_EQ(FindVisibleWindows(rig.desktop, "cabinet", ""), (std::vector<WindowId>{0, 20}));
    rig.desktop.underPointer = 21;
    rig.desktop.windows[0] = {7, "", "", {}};
    rig.devices.blankPrint = true;
    EXPECT_EQ(rig.capture("window"), "");
    EXPECT_EQ(rig.log, Lines("clear|resize 10 10|print 21 10 10 0 0|cursor 0 0"));
}

// What the picture cannot show as the screen does is said: a window that keeps itself out of
// screen copies (or one inside it), and a monitor in advanced colour under the capture.
TEST(MyCapture, APictureThatCannotLookAsTheScreenDoesCarriesAWarning) {
    // target, arrangement, warning
    const std::tuple<const char*, std::function<void(Rig&)>, std::string_view> cases[] = {
        {"window", nullptr, ""},
        {"window", [](Rig& r) { r.desktop.windows[0].excludesCapture = true; }, kProtectedWarning},
        {"window",
         [](Rig& r) {
             r.desktop.windows[0].parent = 20;
             r.desktop.windows[1].excludesCapture = true;
         },
         kProtectedWarning},
        {"parts", [](Rig& r) { r.desktop.windows[0].excludesCapture = true; }, kProtectedWarning},
        {"window",
         [](Rig& r) {
             r.desktop.advancedColourMonitors = {{0, 0, 1280, 1024}};
         },
         kAdvancedColourWarning},
        {"window",
         [](Rig& r) {
             r.desktop.advancedColourMonitors = {{-1920, 0, 0, 1080}};
         },
         ""},
        {"snapshot",
         [](Rig& r) {
             r.desktop.advancedColourMonitors = {{0, 0, 1280, 1024}};
         },
         kAdvancedColourWarning},
        // Nothing taken, nothing to warn of.
        {"tooltips",
         [](Rig& r) {
             r.desktop.windows.resize(2);
             r.desktop.advancedColourMonitors = {{0, 0, 1280, 1024}};
         },
         ""},
    };
    for (const auto& [target, arrange, warning] : cases) {
        Rig rig;
        if (arrange) arrange(rig);
        rig.context.warning = "old";
        (void)rig.capture(target);
        EXPECT_EQ(rig.context.warning, warning) << target;
    }
}

TEST(GrabberRules, ScreenPiecesAreClippedToThePictureAndCutAtTheMonitors) {
    const std::vector<Rect> monitors{{0, 0, 1280, 1024}, {-1920, 0, 0, 1080}};
    // source, landing point, picture size, pieces
    const std::tuple<Rect, Point, int32_t, int32_t, std::vector<ScreenPiece>> cases[] = {
        {{10, 20, 110, 70}, {}, 100, 50, {{{10, 20, 110, 70}, {0, 0}}}},
        // Past the bottom right of the primary: only what is on it (a copy one pixel past the
        // screen would come back black as a whole).
        {{1200, 1000, 1300, 1100}, {}, 100, 100, {{{1200, 1000, 1280, 1024}, {0, 0}}}},
        // Below the primary but on the taller monitor left of it.
        {{-100, 1000, 100, 1060}, {}, 200, 60, {{{0, 1000, 100, 1024}, {100, 0}}, {{-100, 1000, 0, 1060}, {0, 0}}}},
        // Clipped to the picture: a correction shifted it, or the picture is smaller.
        {{13, 12, 50, 30}, {}, 40, 20, {{{13, 12, 50, 30}, {0, 0}}}},
        {{0, 0, 100, 100}, {}, 30, 20, {{{0, 0, 30, 20}, {0, 0}}}},
        {{0, 0, 100, 100}, {-5, -5}, 30, 20, {{{5, 5, 35, 25}, {0, 0}}}},
        // On no monitor, or outside the picture: nothing.
        {{-500, -500, -100, -100}, {}, 400, 400, {}},
        {{0, 0, 10, 10}, {50, 50}, 40, 40, {}},
        {{0, 0, 0, 10}, {}, 40, 40, {}},
        // Extremes saturate.
        {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {}, 10, 10, {}},
    };
    for (const auto& [source, to, width, height, pieces] : cases) {
        EXPECT_EQ(ScreenPieces(source, to, width, height, monitors), pieces)
            << source.left << "," << source.top << " " << width << "x" << height;
    }
    // Mirrored monitors give one copy.
    EXPECT_EQ(ScreenPieces({0, 0, 10, 10}, {}, 10, 10, {{0, 0, 100, 100}, {0, 0, 100, 100}}).size(), 1U);
    EXPECT_EQ(BoundingBox({{0, 0, 1280, 1024}, {}, {-1920, 0, 0, 1080}}), (Rect{-1920, 0, 1280, 1080}));
}

TEST(GrabberRules, CorrectionMovesTheCopysStartAndEndOnlyWithSwitchZeroAndHoseiOne) {
    const Rect part{100, 100, 150, 120};
    // hosei, left, top, width, height, switch, result
    const std::tuple<int, int, int, int, int, int, Rect> cases[] = {
        // The picture shows the screen from (103, 102); the copy ends 3 columns and 2 rows
        // short of the 50 x 20 picture, unless the size corrections make up for it.
        {1, 3, 2, 0, 0, kCorrectionOn, {103, 102, 150, 120}},
        {1, 3, 2, 3, 2, kCorrectionOn, {103, 102, 153, 122}},
        {1, -3, -2, 0, 0, kCorrectionOn, {97, 98, 150, 120}},
        {1, 3, 2, 3, 2, kCorrectionOff, part},
        {2, 3, 2, 3, 2, kCorrectionOn, part},
        // Hand-edited extremes saturate instead of overflowing.
        {1, INT_MIN, INT_MAX, INT_MAX, INT_MIN, kCorrectionOn, {INT_MIN + 100, INT_MAX, INT_MAX, INT_MIN + 120}},
    };
    for (const auto& [hosei, left, top, width, height, correctionSwitch, expected] : cases) {
        Settings settings;
        std::tie(settings.hosei, settings.hoseiLeft, settings.hoseiTop, settings.hoseiWidth, settings.hoseiHeight) =
            std::tuple(hosei, left, top, width, height);
        EXPECT_EQ(CorrectedSource(part, settings, correctionSwitch), expected) << hosei << " " << correctionSwitch;
    }
}

// A window whose own drawing came out flat (another process's window under Wine, one the
// graphics card draws, an edit control of another program) is copied from the screen while it
// shows there, so that its pixel (5, 6) still lands at the picture's origin.
TEST(GrabberRules, GrabWindowLetsOnlyNonEditWindowsDrawThemselvesWithNoTooltipAndMendsAFlatDrawing) {
    const std::string print = "print 7 300 300 -5 -6", dc = "windowdc 7 5 6 35 46 0 0 1";
    const std::string screen = "screen 105 206 135 246 0 0 1";
    // class, version, "no tooltip", platform id, flat drawing, visible, scales, the copies; layered
    // windows are left out before the NT family
    const std::tuple<const char*, float, int, int, bool, bool, WindowScale, Journal> cases[] = {
        {"Notepad", 5.1F, 1, 2, false, true, {96, 96}, {print}},
        {"TEdit", 10.0F, 1, 2, false, true, {96, 96}, {print}},
        {"Notepad", 5.0F, 1, 2, false, true, {96, 96}, {dc}},
        {"Notepad", 5.1F, 0, 2, false, true, {96, 96}, {dc}},
        {"Notepad", 5.1F, 2, 2, false, true, {96, 96}, {dc}},
        {"EDIT", 5.1F, 1, 2, false, true, {96, 96}, {dc}},
        {"RICHEDIT50W", 5.1F, 1, 2, false, true, {96, 96}, {dc}},
        {"Notepad", 5.1F, 0, 1, false, true, {96, 96}, {"windowdc 7 5 6 35 46 0 0 0"}},
        {"Chrome_WidgetWin_1", 10.0F, 1, 2, true, true, {96, 96}, {print, screen}},
        {"Chrome_WidgetWin_1", 10.0F, 1, 2, true, false, {96, 96}, {print}},  // hidden: the screen lacks it too
        // Edit controls of another program come out flat too.
        {"Edit", 10.0F, 1, 2, true, true, {96, 96}, {dc, screen}},
        {"RichEdit20W", 10.0F, 0, 2, true, false, {96, 96}, {dc}},
        // A program the system enlarges would draw itself at two thirds of its shown size.
        {"Notepad", 10.0F, 1, 2, false, true, {96, 144}, {dc}},
        {"Notepad", 10.0F, 1, 2, false, true, {144, 144}, {print}},
        {"Notepad", 10.0F, 1, 2, false, true, {0, 144}, {print}},  // the system cannot tell
    };
    for (const auto& [className, version, noTooltip, platformId, flat, visible, scale, expected] : cases) {
        FakeDesktop desktop;
        FakeDevices devices;
        Settings settings;
        desktop.windows = {{7, className, "", Rect{100, 200, 400, 500}, visible}};
        desktop.windows[0].scale = scale;
        std::tie(desktop.version, desktop.platformId, settings.noTooltip, devices.blankPrint) =
            std::tuple(version, platformId, noTooltip, flat);
        EXPECT_TRUE(GrabWindow(devices, desktop, settings, 7, {5, 6, 35, 46}));
        EXPECT_EQ(devices.log, expected) << className << " " << version << " " << noTooltip << " " << flat;
    }
    // The window's device context and its screen copy are corrected alike.
    FakeDesktop desktop;
    FakeDevices devices;
    Settings settings;
    desktop.windows = {{7, "Edit", "", Rect{100, 200, 400, 500}}};
    std::tie(settings.hosei, settings.hoseiLeft, settings.hoseiTop, devices.blankPrint) = std::tuple(1, 3, 2, true);
    EXPECT_TRUE(GrabWindow(devices, desktop, settings, 7, {0, 0, 300, 300}));
    // What the correction leaves uncopied keeps the picture's background: no black there.
    EXPECT_EQ(devices.log, Lines("windowdc 7 3 2 300 300 0 0 1|screen 103 202 400 500 0 0 1"));
}

// Our own windows never show in a screen copy of another window: the system leaves them out
// where it can, else they are hidden for the copy's moment; the window being captured, or one
// that holds it, stays.
TEST(GrabberRules, OurWindowsAreKeptOutOfAScreenCopyForItsMomentOnly) {
    const ShownWindow main{50, {250, 250, 600, 450}}, far{51, {900, 900, 1000, 1000}}, tip{52, {120, 220, 180, 240}};
    // our windows, the system can exclude them, target, the calls
    const std::tuple<std::vector<ShownWindow>, bool, WindowId, std::string> cases[] = {
        {{}, true, 7, "screen 100 200 400 500 0 0 1"},
        {{far}, true, 7, "screen 100 200 400 500 0 0 1"},
        {{main, far}, true, 7, "exclude 1|screen 100 200 400 500 0 0 1|exclude 0"},
        {{main, far, tip}, false, 7, "exclude 1|hide 50|hide 52|repaint|screen 100 200 400 500 0 0 1|show 52|show 50"},
        // Capturing our own window (a child of it): the system's exclusion would take it too.
        {{main, tip}, true, 60, "hide 52|repaint|screen 100 200 400 500 0 0 1|show 52"},
        {{main}, true, 50, "screen 100 200 400 500 0 0 1"},
    };
    for (const auto& [own, canExclude, target, log] : cases) {
        SCOPED_TRACE(log);
        FakeDesktop desktop;
        desktop.windows = {{60, "Button", "", {}, true, false, "", 50}};
        FakeDevices devices;
        devices.own = own;
        devices.canExclude = canExclude;
        EXPECT_TRUE(BlitToPicture(devices, desktop, Settings{}, {100, 200, 400, 500}, kCorrectionOff,
                                  OwnWindowRule{true, target}));
        EXPECT_EQ(devices.log, Lines(log));
    }
}

TEST(BrowserKinds, ExactCaseSensitiveClassNamesAndTheFixedSizeBoxRoundsHalfToEvenOverTheWholeSum) {
    std::string kinds;
    for (const char* className :
         {"Internet Explorer_Server", "MozillaWindowClass", "Chrome_RenderWidgetHostHWND", "WebViewWindowClass",
          "OperaWindowClass", "QWidget", "internet explorer_server", "MozillaWindowClass ", ""}) {
        kinds += BrowserKindOfClass(className) + ",";
    }
    EXPECT_EQ(kinds, "IE,FIREFOX,GHROME,SAFARI,OPERA,LUNASPACE,,,,");
    EXPECT_EQ(FixedSizeBox({1, 1, 3, 3}, 1, 1), (Rect{2, 2, 3, 3}));  // 1.5 -> 2
    EXPECT_EQ(FixedSizeBox({2, 2, 4, 4}, 1, 1), (Rect{2, 2, 3, 3}));  // 2.5 -> 2
    EXPECT_EQ(FixedSizeBox({0, 0, 0, 0}, 1, 1), (Rect{0, 0, 1, 1}));  // -0.5 -> 0
}

TEST(WindowList, RowsAreHeaderSeparatorThenTheVisibleWindowsInOrder) {
    EXPECT_EQ(DecodeUtf8(WindowListSeparator()), std::u32string(44, U'\u2015'));
    FakeDesktop desktop;
    desktop.windows = {{65568, "Notepad", "memo - 1.txt", {12, 34, 1290, 1010}},
                       {65570, "Hidden", "not listed", {}, false},
                       {123456789, "ThunderRT6FormDC", "可視\tタブ", {-32000, -32000, -31840, -31972}},
                       {7, "", "", {}}};
    EXPECT_EQ(WindowListRows(desktop),
              (std::vector<std::string>{"Handle\tlocation\tclass name\ttitle", WindowListSeparator(),
                                        "   65568\t   12,  34 -  1290,1010\tNotepad\tmemo - 1.txt",
                                        "123456789\t-32000,-32000 - -31840,-31972\tThunderRT6FormDC\t可視\tタブ",
                                        "       7\t    0,   0 -     0,   0\t\t"}));
}

TEST(WindowList, TickRefillsOnEvenRoundedSecondsAndStopsAtTheFirstRefillAfterTenSeconds) {
    // elapsed ms, refill, stop, seconds left (9.5 -> 10, 8.5 -> 8, 7.5 -> 8, 0.5 -> 0; never below 0)
    const std::tuple<uint32_t, bool, bool, const char*> cases[] = {
        {0, true, false, "10"},   {500, true, false, "10"},   {501, false, false, "9"}, {1500, true, false, "8"},
        {2500, true, false, "8"}, {2501, false, false, "7"},  {9500, true, false, "0"}, {10000, true, true, ""},
        {10500, true, true, ""},  {10501, false, false, "0"}, {11600, true, true, ""},
    };
    const std::string countdown = "可視ウィンドウ一覧　-　2 秒間隔で更新　10秒で自動停止　";
    // The same answers wherever the tick counter stands, across its wrap-around too.
    for (const uint32_t start : {5000U, 0xFFFFFFFFU - 500U, 0xFFFFFFFFU - 9999U}) {
        for (const auto& [elapsedMs, refill, stop, left] : cases) {
            const WindowListTickResult tick = WindowListTick(start, start + elapsedMs);
            // A refill that does not stop sets the 1000 ms interval after the first 10 ms tick.
            EXPECT_EQ(std::tuple(tick.refill, tick.stop, tick.nextIntervalMs, tick.caption),
                      std::tuple(refill, stop, refill && !stop ? 1000U : 0U,
                                 stop ? "可視ウィンドウ一覧　-　停止" : countdown + left))
                << start << " + " << elapsedMs;
        }
    }
}

TEST(WindowList, PickedRowGivesItsThirdTabSeparatedField) {
    const std::pair<std::string, std::string> cases[] = {
        {kWindowListHeader, "class name"},
        {WindowListSeparator(), ""},
        {"   65568\t   12,  34 -  1290,1010\tメモ帳\tタイトル\tに\tタブ", "メモ帳"},
        {"   65568\t   12,  34 -  1290,1010\tNotepad", "Notepad"},
        {"   65568\t   12,  34 -  1290,1010", ""},
    };
    for (const auto& [row, className] : cases) EXPECT_EQ(ClassNameOfRow(row), className) << row;
}

}  // namespace
}  // namespace tessarin::test
