#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/run/pointer_panel.h"
#include "support/fake_run.h"

namespace tessarin::test {
namespace {

TEST(PointerPanel, PairText) {
    EXPECT_EQ(PairText(12, 345), "  12 - 345");
    EXPECT_EQ(PairText(0, 0), "   0 -   0");
    EXPECT_EQ(PairText(12345, -7), "12345 -  -7") << "long numbers are not cut";
}

TEST(PointerPanel, EventLabelsKeepTheLastRealEvent) {
    PanelTexts texts;
    PanelSample sample;
    sample.event = "KEY_DOWN";
    sample.keyCode = 0xF3;
    sample.rangeMode = 1;
    sample.pointer = Point{12, 345};
    sample.pointWindow = 0xABC;
    sample.overlayWindow = 0x5A0;
    sample.foregroundWindow = 0x10;
    sample.pictureWidth = 300;
    sample.pictureHeight = 4500;
    UpdatePanelTexts(texts, sample);
    EXPECT_EQ(texts, (PanelTexts{"1", "KEY_DOWN", "F3", "  12 - 345", "ABC", "5A0", "10", " 300 -4500"}));

    struct Later {
        const char* event;
        bool marker;
    };
    for (const Later later : {Later{"MV", false}, Later{"", false}, Later{"KEY_DOWN", true}}) {
        SCOPED_TRACE(later.event);
        sample.event = later.event;
        sample.captureMarker = later.marker;
        sample.keyCode = 0x43;
        sample.rangeMode = 0;
        sample.pointer = Point{1, 2};
        sample.pointWindow = 0;
        UpdatePanelTexts(texts, sample);
        EXPECT_EQ(texts.event, "KEY_DOWN");
        EXPECT_EQ(texts.key, "F3");
        EXPECT_EQ(texts.state, "1");
        EXPECT_EQ(texts.mouse, "   1 -   2");
        EXPECT_EQ(texts.point, "0");
    }
    sample.event = "LEFT_UP";
    sample.captureMarker = false;
    UpdatePanelTexts(texts, sample);
    EXPECT_EQ(texts.event, "LEFT_UP");
    EXPECT_EQ(texts.key, "43");
    EXPECT_EQ(texts.state, "0");
}

TEST(PointerPanel, ProposedNames) {
    struct Case {
        const char* name;
        const char* word;
        std::string caption;
        std::string accessibleName;
        bool overWindow;
        std::string winText;
        std::string fileName;
    };
    const std::string longCaption = "0123456789012345678901234567890123";           // 34 characters
    const std::string longPart = "あいうえおかきくけこさしすせそたちつてとなにぬ";  // 23 characters
    const std::vector<Case> cases = {
        {"window kind", "window", "ウィンドウ", "OK", true, "メモ帳", "ウィンドウ__OK"},
        {"snapshot words name like window", "snapshot_alt", "パーツ部位", "OK", true, "メモ帳", "パーツ部位__OK"},
        {"no window under the pointer", "window", "ウィンドウ", "", false, "Desktop", "ウィンドウ__"},
        {"an empty caption takes the window text", "window", "", "x", true, "メモ帳", "メモ帳__x"},
        {"a long caption is cut to 30", "window", longCaption, "", true, "メモ帳", longCaption.substr(0, 30) + "__"},
        {"a long part is cut to 20 characters", "window", "ウィンドウ", longPart, true, "メモ帳",
         "ウィンドウ__あいうえおかきくけこさしすせそたちつてと"},
        {"the name is made safe", "window", "ウィンドウ", "a/b:c", true, "メモ帳", "ウィンドウ__a／b：c"},
        {"class kind uses the setting", "class", "クラス指定", "OK", true, "メモ帳", "クラス指定__Notepad"},
        {"tooltip kind uses the tooltip text", "tooltips", "ツールチップ", "OK", true, "メモ帳",
         "ツールチップ__Save the file"},
        {"rect looks under the middle of the range", "rect", "ウィンドウ", "OK", false, "電卓", "ウィンドウ__OK"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeRunDesktop desktop;
        desktop.cursor = Point{100, 200};
        desktop.windows[0x20] = {"メモ帳", "Notepad", "", 0};
        desktop.windows[0x21] = {"", "Edit", "", 0x20};
        desktop.windows[0x22] = {"", "Button", "", 0x21};
        desktop.windows[0x30] = {"電卓", "CalcFrame", "", 0};
        desktop.windows[0x40] = {"", "tooltips_class32", "Save the file", 0};
        if (c.overWindow) desktop.atPoint[{100, 200}] = 0x22;
        desktop.atPoint[{50, 60}] = 0x30;
        FakeRunAccessibility accessibility;
        accessibility.names[{100, 200}] = c.accessibleName;
        const CaptureNameProposal p =
            ProposeCaptureName(c.word, c.caption, "Notepad", Point{50, 60}, desktop, accessibility);
        EXPECT_EQ(p.winText, c.winText);
        EXPECT_EQ(p.fileName, c.fileName);
    }
}

TEST(PointerPanel, ParentWalkEndsOnALoop) {
    FakeRunDesktop desktop;
    desktop.windows[1] = {"one", "A", "", 2};
    desktop.windows[2] = {"two", "B", "", 1};
    desktop.atPoint[{100, 200}] = 1;
    FakeRunAccessibility accessibility;
    const CaptureNameProposal p = ProposeCaptureName("window", "ウィンドウ", "", Point{}, desktop, accessibility);
    EXPECT_FALSE(p.winText.empty());
}

}  // namespace
}  // namespace tessarin::test
