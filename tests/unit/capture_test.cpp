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
    const std::string part = "resize 40 20|screen -13 -12 50 30 1|cursor 10 10";
    const std::string window = "resize 50 20|windowdc 7 -3 -2 50 20 1",
                      noLink = Failure("ポップアップリンクは在りません。");
    const std::string noMemory = Failure("7 メモリが不足しています。");
    const std::tuple<const char*, std::function<void(Rig&)>, std::string> cases[] = {
        {"snapshot", nullptr, "resize 1280 1024|screen 0 0 1280 1024 1|cursor 0 0"},
        {"snapshot_alt", nullptr, "resize 290 200|print 20 0 0 290 200|cursor -300 5"},
        {"window", nullptr, window + "|cursor 100 100"},
        {"window", [](Rig& r) { r.settings.noMouse = 1; }, window},
        {"window", [](Rig& r) { r.flags.nomouse = 1; }, window},
        // A visible tooltip before any balloon, hidden ones never.
        {"tooltips", nullptr, "resize 60 20|print 9 0 0 60 20|cursor 200 300"},
        {"tooltips", [](Rig& r) { r.desktop.windows.pop_back(); }, "resize 10 10|print 8 0 0 10 10|cursor 0 0"},
        {"tooltips", [](Rig& r) { r.desktop.windows.resize(2); }, Failure("ツールチップは表示されていません。")},
        {"popuplink", nullptr, noLink},
        {"popuplink", [](Rig& r) { r.desktop.windows[0].className = "Internet Explorer_Server"; }, noLink},
        {"popuplink", [](Rig& r) { r.desktop.windows[0].className = "Chrome_RenderWidgetHostHWND"; }, part},
        {"parts", nullptr, "resize 100 50|screen 17 3 80 45 1|cursor -20 -5"},  // (-20, -5, 80, 45)
        {"parts", [](Rig& r) { r.settings.size = 2; }, part},
        {"parts", [](Rig& r) { r.desktop.windows[0].className = "MozillaWindowClass"; }, part},
        // Nothing found, whatever else the record holds: an empty copy.
        {"parts", [](Rig& r) { r.accessibility.objects[0].second.found = false, r.settings.size = 0; },
         "resize 0 0|screen -3 -2 0 0 1|cursor 0 0"},
        {"class", nullptr, "resize 290 200|print 20 0 0 290 200|cursor -300 5"},
        {"class", [](Rig& r) { r.desktop.windows[1].rect.bottom = -5; },
         Failure("指定のクラス名：「 cabinet 」は、画面範囲外（または最小化状態）にあります。")},
        {"Window", nullptr, Failure("プログラムエラー & Opt")},
        // A size that memory does not allow is reported; the picture is not passed off as this one.
        {"window", [](Rig& r) { r.devices.resizeFails = true; }, "resize 50 20|" + noMemory},
        {"snapshot", [](Rig& r) { r.devices.resizeFails = true; }, "resize 1280 1024|" + noMemory},
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
    EXPECT_EQ(rig.log, Lines("clear|hide overlay|resize 4 4|screen -10 -10 14 14 1|cursor 10 10"));
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
        desktop.windows = {{7, className, "", Rect{100, 200, 400, 500}, visible}};
        std::tie(desktop.version, desktop.platformId, settings.noTooltip, devices.blankPrint) =
            std::tuple(version, platformId, noTooltip, flat);
        GrabWindow(devices, desktop, settings, 7, 5, 6, 30, 40);
        EXPECT_EQ(devices.log, expected) << className << " " << version << " " << noTooltip << " " << flat;
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
