// MyCapture: every target word's path, the cursor overlay, the clipboard step and the
// messages, against fakes of the desktop, the grabber and the user.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/capture/dispatcher.h"
#include "support/fake_capture.h"

namespace tessarin::test {
namespace {

const std::string kFailureTitle = "キャプチャー不可：MyCapture";

// The pointer is at (120, 110) over a Notepad window; "hosei" is on with a shift of (3, 2)
// so every expected copy shows whether the correction applies.
struct Rig {
    FakeDesktop desktop;
    FakeAccessibility accessibility;
    FakeGrabber grabber;
    FakeClipboard clipboard;
    FakeCaptureUi ui;
    Settings settings;
    CommandLineFlags flags;
    CaptureContext context{desktop, accessibility, grabber, clipboard, ui, settings, flags};
    Journal journal;

    Rig() {
        desktop.add({7, "Notepad", "memo", {100, 100, 150, 120}});
        desktop.underPointer = 7;
        settings.hosei = 1;
        settings.hoseiLeft = 3;
        settings.hoseiTop = 2;
        grabber.journal = clipboard.journal = ui.journal = &journal;
    }

    std::string capture(std::string_view target) {
        context.downloadedImage = true;
        std::string result = MyCapture(context, target);
        EXPECT_FALSE(context.downloadedImage) << target;
        return result;
    }
    void pointerOver(WindowId id, const std::string& className) {
        desktop.add({id, className, "", {0, 0, 800, 600}, true, false});
        desktop.underPointer = id;
    }
    void partAtPointer(AccessibleObjectInfo object) { accessibility.add(desktop.cursor, std::move(object)); }
};

const AccessibleObjectInfo kOkButton = Located(10, 10, 40, 20);

struct PathCase {
    const char* name;
    const char* target;
    std::function<void(Rig&)> arrange;
    std::string result;
    Journal grabs;
    std::vector<ShownMessage> messages = {};
};

TEST(MyCapture, EveryPathCopiesWhatItsWordAsksFor) {
    const std::string error(kCaptureError);
    const PathCase cases[] = {
        {"whole screen, no correction",
         "snapshot",
         nullptr,
         "",
         {"clear", "resize 1280x1024", "screen 0,0 1280x1024 layered", "cursor 0,0"}},
        {"whole screen on an old platform",
         "snapshot",
         [](Rig& r) { r.desktop.platformId = 1; },
         "",
         {"clear", "resize 1280x1024", "screen 0,0 1280x1024 plain", "cursor 0,0"}},
        {"foreground window drawn by itself",
         "snapshot_alt",
         [](Rig& r) {
             r.desktop.add({9, "Notepad", "x", {10, 20, 110, 70}});
             r.desktop.foreground = 9;
             r.settings.noTooltip = 1;
         },
         "",
         {"clear", "resize 100x50", "print 9 0,0 100x50", "cursor 10,20"}},
        {"foreground edit window from the screen",
         "snapshot_alt",
         [](Rig& r) {
             r.desktop.add({9, "Edit", "x", {10, 20, 110, 70}});
             r.desktop.foreground = 9;
             r.settings.noTooltip = 1;
         },
         "",
         {"clear", "resize 100x50", "windowdc 9 -3,-2 100x50 layered", "cursor 10,20"}},
        {"window under the pointer from the screen",
         "window",
         nullptr,
         "",
         {"clear", "resize 50x20", "windowdc 7 -3,-2 50x20 layered", "cursor 100,100"}},
        {"window under the pointer drawn by itself",
         "window",
         [](Rig& r) { r.settings.noTooltip = 1; },
         "",
         {"clear", "resize 50x20", "print 7 0,0 50x20", "cursor 100,100"}},
        {"tooltip",
         "tooltips",
         [](Rig& r) {
             r.desktop.add({8, "VBBubbleRT6", "", {0, 0, 10, 10}});
             r.desktop.add({9, "tooltips_class32", "tip", {200, 300, 260, 320}});
         },
         "",
         {"clear", "resize 60x20", "windowdc 9 -3,-2 60x20 layered", "cursor 200,300"}},
        {"no tooltip showing",
         "tooltips",
         [](Rig& r) {
             r.desktop.add({9, "tooltips_class32", "tip", {}, false});
         },
         error,
         {"clear"},
         {{"ツールチップは表示されていません。", kFailureTitle}}},
        {"pop-up link over an ordinary window",
         "popuplink",
         nullptr,
         error,
         {"clear"},
         {{"ポップアップリンクは在りません。", kFailureTitle}}},
        {"pop-up link over IE without the document path",
         "popuplink",
         [](Rig& r) { r.pointerOver(30, "Internet Explorer_Server"); },
         error,
         {"clear"},
         {{"ポップアップリンクは在りません。", kFailureTitle}}},
        {"part, corrected",
         "parts",
         [](Rig& r) { r.partAtPointer(kOkButton); },
         "",
         {"clear", "resize 40x20", "screen -13,-12 50x30 layered", "cursor 10,10"}},
        {"part in a fixed-size box",
         "parts",
         [](Rig& r) {
             r.partAtPointer(kOkButton);
             r.settings.size = 1;
             r.settings.sizeWidth = 100;
             r.settings.sizeHeight = 50;
         },
         "",
         {"clear", "resize 100x50", "screen 17,3 80x45 layered", "cursor -20,-5"}},
        {"no accessible object: an empty capture, not an error",
         "parts",
         nullptr,
         "",
         {"clear", "resize 0x0", "screen -3,-2 0x0 layered", "cursor 0,0"}},
        {"part of a Firefox page, never boxed",
         "parts",
         [](Rig& r) {
             r.pointerOver(30, "MozillaWindowClass");
             r.partAtPointer(kOkButton);
             r.settings.size = 1;
             r.settings.sizeWidth = 100;
             r.settings.sizeHeight = 50;
         },
         "",
         {"clear", "resize 40x20", "screen -13,-12 50x30 layered", "cursor 10,10"}},
        {"pop-up link over Chrome takes the part",
         "popuplink",
         [](Rig& r) {
             r.pointerOver(30, "Chrome_RenderWidgetHostHWND");
             r.partAtPointer(kOkButton);
         },
         "",
         {"clear", "resize 40x20", "screen -13,-12 50x30 layered", "cursor 10,10"}},
        {"part over IE takes the general path with its box",
         "parts",
         [](Rig& r) {
             r.pointerOver(30, "Internet Explorer_Server");
             r.partAtPointer(kOkButton);
             r.settings.size = 1;
             r.settings.sizeWidth = 100;
             r.settings.sizeHeight = 50;
         },
         "",
         {"clear", "resize 100x50", "screen 17,3 80x45 layered", "cursor -20,-5"}},
        {"the one window of the class",
         "class",
         [](Rig& r) {
             r.settings.className = "cabinet";
             r.desktop.add({20, "CabinetWClass", "Docs", {-10, 5, 290, 205}});
         },
         "",
         {"clear", "resize 300x200", "windowdc 20 -3,-2 300x200 layered", "cursor -10,5"}},
        {"the one window of the class with only its right edge off the screen",
         "class",
         [](Rig& r) {
             r.settings.className = "cabinet";
             r.desktop.add({20, "CabinetWClass", "Docs", {-300, 10, -10, 200}});
         },
         "",
         {"clear", "resize 290x190", "windowdc 20 -3,-2 290x190 layered", "cursor -300,10"}},
        {"the one window of the class with only its bottom edge off the screen",
         "class",
         [](Rig& r) {
             r.settings.className = "cabinet";
             r.desktop.add({20, "CabinetWClass", "Docs", {10, -300, 200, -10}});
         },
         "",
         {"clear", "resize 190x290", "windowdc 20 -3,-2 190x290 layered", "cursor 10,-300"}},
        {"the one window of the class minimised",
         "class",
         [](Rig& r) {
             r.settings.className = "cabinet";
             r.desktop.add({20, "CabinetWClass", "Docs", {-32000, -32000, -31840, -31972}});
         },
         error,
         {"clear"},
         {{"指定のクラス名：「 "
           "cabinet"
           " 」は、画面範囲外（または最小化状態）にあります。",
           kFailureTitle}}},
        {"unknown word",
         "Window",
         nullptr,
         error,
         {"clear"},
         {{"プログラムエラー"
           " & Opt",
           kFailureTitle}}},
        {"empty word",
         "",
         nullptr,
         error,
         {"clear"},
         {{"プログラムエラー"
           " & Opt",
           kFailureTitle}}},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        if (c.arrange) c.arrange(rig);
        EXPECT_EQ(rig.capture(c.target), c.result);
        EXPECT_EQ(rig.grabber.calls, c.grabs);
        EXPECT_EQ(rig.ui.messages, c.messages);
        EXPECT_EQ(rig.clipboard.calls, Journal{});
        EXPECT_EQ(rig.settings.className, c.target == std::string("class") ? "cabinet" : "");
    }
}

TEST(MyCapture, FailedClassSearchOffersTheWindowList) {
    const std::string notShown =
        "指定のクラス名：「 "
        "cabinet"
        " 」を含むウィンドウは表示されていません。";
    struct Case {
        const char* name;
        std::string className;
        std::vector<FakeWindow> windows;
        std::string picked;
        ShownMessage message;
        std::string classAfter;
    } cases[] = {
        {"no class name", "", {}, "Notepad", {"クラス名が指定されていません！", "指定エラー"}, "Notepad"},
        {"no window of the class", "cabinet", {}, "", {notShown, "クラス無し"}, "cabinet"},
        {"hidden window only",
         "cabinet",
         {{20, "CabinetWClass", "", {}, false}},
         "CabinetWClass",
         {notShown, "クラス無し"},
         "CabinetWClass"},
        {"two windows of the class",
         "notepad",
         {{20, "Notepad", "", {}}},
         "",
         {"指定のクラス名：「 "
          "notepad"
          " 」を含むウィンドウは、"
          "2"
          " 個存在し、一意に特定できません。",
          "特定不可"},
         "notepad"},
        {"every window matches *",
         "*",
         {{20, "CabinetWClass", "", {}}, {21, "Shell_TrayWnd", "", {}}},
         "Shell_TrayWnd",
         {"指定のクラス名：「 "
          "*"
          " 」を含むウィンドウは、"
          "3"
          " 個存在し、一意に特定できません。",
          "特定不可"},
         "Shell_TrayWnd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.settings.className = c.className;
        rig.settings.copyToClipboard = 1;
        for (const FakeWindow& w : c.windows) rig.desktop.add(w);
        rig.ui.pickedClass = c.picked;
        EXPECT_EQ(rig.capture("class"), kCaptureError);
        EXPECT_EQ(rig.ui.messages, std::vector<ShownMessage>{c.message});
        // No cursor, no clipboard: the list follows the message and the capture ends.
        EXPECT_EQ(rig.journal, (Journal{"clear", "message", "window list"}));
        EXPECT_EQ(rig.settings.className, c.classAfter);
    }
}

TEST(MyCapture, RangeIsCopiedUncorrectedAndNamedAfterItsCentre) {
    Rig rig;
    rig.ui.range = {200, 100, 260, 140};
    rig.accessibility.add({230, 120}, Named("OK"));
    EXPECT_EQ(rig.capture("rect"), "OK_Notepad");
    // The overlay is hidden before anything is copied.
    EXPECT_EQ(rig.journal,
              (Journal{"clear", "hide overlay", "resize 60x40", "screen -200,-100 260x140 layered", "cursor 200,100"}));
    EXPECT_TRUE(rig.ui.messages.empty());
}

std::string Repeat(std::string_view piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += piece;
    return text;
}

TEST(MyCapture, RangeNameCutsByCharacters) {
    struct Case {
        const char* name;
        Rect range;
        Point centre;
        AccessibleObjectInfo object;
        std::string pointerClass;  // "" = nothing under the pointer
        std::string expected;
    } cases[] = {
        {"cuts of 45 and 25 characters",
         {0, 0, 10, 10},
         {5, 5},
         Named(Repeat("n", 45)),
         Repeat("c", 25),
         Repeat("n", 30) + "_" + Repeat("c", 20)},
        {"Japanese counted as characters",
         {0, 0, 10, 10},
         {5, 5},
         Named(Repeat("名", 35)),
         Repeat("ク", 21),
         Repeat("名", 30) + "_" + Repeat("ク", 20)},
        {"exactly at the limits",
         {0, 0, 10, 10},
         {5, 5},
         Named(Repeat("ボ", 30)),
         Repeat("c", 20),
         Repeat("ボ", 30) + "_" + Repeat("c", 20)},
        {"value when the name is empty", {0, 0, 10, 10}, {5, 5}, Named("", "abc"), "Edit", "abc_Edit"},
        {"no object", {0, 0, 10, 10}, {5, 5}, {}, "Button", "_Button"},
        {"nothing under the pointer", {0, 0, 10, 10}, {5, 5}, Named("OK"), "", "OK_"},
        {"centre rounded half up to even", {1, 1, 6, 8}, {4, 4}, Named("OK"), "Button", "OK_Button"},
        {"centre rounded half down to even", {0, -10, 5, -5}, {2, -8}, Named("OK"), "Button", "OK_Button"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.ui.range = c.range;
        if (c.pointerClass.empty()) {
            rig.desktop.underPointer = 0;
        } else {
            rig.pointerOver(30, c.pointerClass);
        }
        rig.accessibility.add(c.centre, c.object);
        EXPECT_EQ(rig.capture("rect"), c.expected);
        EXPECT_EQ(rig.accessibility.queries, std::vector<Point>{c.centre});
    }
}

TEST(MyCapture, RangeBelowFourPixelsCancelsSilently) {
    struct Case {
        Rect range;
        bool cancelled;
    } cases[] = {
        {{10, 10, 13, 50}, true}, {{10, 10, 50, 13}, true},  {{10, 10, 13, 13}, true},
        {{10, 10, 0, 50}, true},  {{10, 10, 14, 14}, false}, {{-20, -20, -16, -16}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.range.left << "," << c.range.top << "," << c.range.right << ","
                                        << c.range.bottom);
        Rig rig;
        rig.ui.range = c.range;
        rig.settings.copyToClipboard = 1;
        const std::string result = rig.capture("rect");
        EXPECT_TRUE(rig.ui.messages.empty());
        if (c.cancelled) {
            EXPECT_EQ(result, kCaptureCancel);
            EXPECT_EQ(rig.journal, (Journal{"clear", "hide overlay"}));
        } else {
            EXPECT_EQ(result, "_Notepad");
            EXPECT_EQ(rig.grabber.calls.size(), 4U);  // clear, resize, copy, cursor
            EXPECT_EQ(rig.grabber.calls[1], "resize 4x4");
            EXPECT_EQ(rig.clipboard.setAttempts, 1);
        }
    }
}

TEST(MyCapture, CursorOverlayUnlessNoMouseBySettingOrWord) {
    struct Case {
        int noMouse;
        int nomouseWord;
        bool drawn;
    } cases[] = {{0, 0, true}, {1, 0, false}, {0, 1, false}, {1, 1, false}, {2, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "no mouse " << c.noMouse << ", word " << c.nomouseWord);
        Rig rig;
        rig.settings.noMouse = c.noMouse;
        rig.flags.nomouse = c.nomouseWord;
        EXPECT_EQ(rig.capture("window"), "");
        const bool drawn = !rig.grabber.calls.empty() && rig.grabber.calls.back() == "cursor 100,100";
        EXPECT_EQ(drawn, c.drawn);
    }
}

TEST(MyCapture, ClipboardStepAfterEverySuccessfulCapture) {
    const std::string error(kCaptureError);
    struct Case {
        const char* name;
        int setting;
        int word;
        int emptyFailures;
        int setFailures;
        std::string result;
        int emptyAttempts;
        int setAttempts;
        std::vector<ShownMessage> messages;
    } cases[] = {
        {"off", 0, 0, 0, 0, "", 0, 0, {}},
        {"on by setting", 1, 0, 0, 0, "", 1, 1, {}},
        {"on by word", 0, 1, 0, 0, "", 1, 1, {}},
        {"clipboard busy for a while", 1, 0, 3, 50, "", 4, 51, {}},
        {"clipboard never empties", 1, 0, 1000, 0, error, 20, 0, {{"クリップクリアエラー", kFailureTitle}}},
        {"picture never set", 0, 1, 0, 1000, error, 1, 101, {{"クリップボードへのデータセットエラー", kFailureTitle}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.settings.copyToClipboard = c.setting;
        rig.flags.clipboard = c.word;
        rig.clipboard.emptyFailures = c.emptyFailures;
        rig.clipboard.setFailures = c.setFailures;
        EXPECT_EQ(rig.capture("window"), c.result);
        EXPECT_EQ(rig.clipboard.emptyAttempts, c.emptyAttempts);
        EXPECT_EQ(rig.clipboard.setAttempts, c.setAttempts);
        EXPECT_EQ(rig.ui.messages, c.messages);
        // The picture goes to the clipboard with the cursor already painted in.
        if (c.emptyAttempts > 0) {
            EXPECT_EQ(rig.journal[3], "cursor 100,100");
            EXPECT_EQ(rig.journal[4], "clipboard empty");
        }
    }

    Rig failed;
    failed.settings.copyToClipboard = 1;
    EXPECT_EQ(failed.capture("tooltips"), kCaptureError);
    EXPECT_EQ(failed.clipboard.emptyAttempts, 0);
}

}  // namespace
}  // namespace tessarin::test
