// MyCapture: every target word's path, the cursor overlay, the clipboard step and the
// messages, against fakes of the desktop, the grabber and the user.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>

#include "core/capture/dispatcher.h"
#include "core/text/text.h"
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
    const Journal part{"resize 40 20", "screen -13 -12 50 30 1", "cursor 10 10"};
    const Journal window{"resize 50 20", "windowdc 7 -3 -2 50 20 1"};
    const Journal noLink{Failure("ポップアップリンクは在りません。")};
    const std::string offScreen =
        Failure("指定のクラス名：「 cabinet 」は、画面範囲外（または最小化状態）にあります。");
    const std::tuple<const char*, std::function<void(Rig&)>, Journal> cases[] = {
        {"snapshot", nullptr, {"resize 1280 1024", "screen 0 0 1280 1024 1", "cursor 0 0"}},
        {"snapshot_alt", nullptr, {"resize 290 200", "print 20 0 0 290 200", "cursor -300 5"}},
        {"window", nullptr, {"resize 50 20", "windowdc 7 -3 -2 50 20 1", "cursor 100 100"}},
        {"window", [](Rig& r) { r.settings.noMouse = 1; }, window},
        {"window", [](Rig& r) { r.flags.nomouse = 1; }, window},
        // A visible tooltip before any balloon, hidden ones never.
        {"tooltips", nullptr, {"resize 60 20", "print 9 0 0 60 20", "cursor 200 300"}},
        {"tooltips", [](Rig& r) { r.desktop.windows.pop_back(); }, {"resize 10 10", "print 8 0 0 10 10", "cursor 0 0"}},
        {"tooltips", [](Rig& r) { r.desktop.windows.resize(2); }, {Failure("ツールチップは表示されていません。")}},
        {"popuplink", nullptr, noLink},
        {"popuplink", [](Rig& r) { r.desktop.windows[0].className = "Internet Explorer_Server"; }, noLink},
        {"popuplink", [](Rig& r) { r.desktop.windows[0].className = "Chrome_RenderWidgetHostHWND"; }, part},
        {"parts", nullptr, {"resize 100 50", "screen 17 3 80 45 1", "cursor -20 -5"}},  // (-20, -5, 80, 45)
        {"parts", [](Rig& r) { r.settings.size = 2; }, part},
        {"parts", [](Rig& r) { r.desktop.windows[0].className = "MozillaWindowClass"; }, part},
        // Nothing found, whatever else the record holds: an empty copy.
        {"parts",
         [](Rig& r) { std::tie(r.accessibility.objects[0].second.found, r.settings.size) = std::tuple(false, 0); },
         {"resize 0 0", "screen -3 -2 0 0 1", "cursor 0 0"}},
        {"class", nullptr, {"resize 290 200", "print 20 0 0 290 200", "cursor -300 5"}},
        {"class", [](Rig& r) { r.desktop.windows[1].rect.bottom = -5; }, {offScreen}},
        {"Window", nullptr, {Failure("プログラムエラー & Opt")}},
        // A size that memory does not allow is reported; the picture is not passed off as this one.
        {"window",
         [](Rig& r) { r.devices.resizeFails = true; },
         {"resize 50 20", Failure("7 メモリが不足しています。")}},
        {"snapshot",
         [](Rig& r) { r.devices.resizeFails = true; },
         {"resize 1280 1024", Failure("7 メモリが不足しています。")}},
    };
    for (const auto& [target, arrange, log] : cases) {
        SCOPED_TRACE(testing::Message() << target << " " << log.front());
        Rig rig;
        if (arrange) arrange(rig);
        const bool failed =
            std::any_of(log.begin(), log.end(), [](const std::string& l) { return l.starts_with("message"); });
        EXPECT_EQ(rig.capture(target), failed ? kCaptureError : "");
        Journal expected{"clear"};
        expected.insert(expected.end(), log.begin(), log.end());
        EXPECT_EQ(rig.log, expected);
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
    EXPECT_EQ(rig.log, (Journal{"clear", "hide overlay", "resize 4 4", "screen -10 -10 14 14 1", "cursor 10 10"}));
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

}  // namespace
}  // namespace tessarin::test
