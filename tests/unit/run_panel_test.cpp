#include <gtest/gtest.h>

#include <tuple>

#include "core/run/pointer_panel.h"
#include "support/fake_capture.h"

namespace tessarin::test {

TEST(PointerPanel, PairText) {
    EXPECT_EQ(PairText(12, 345), "  12 - 345");
    EXPECT_EQ(PairText(12345, -7), "12345 -  -7") << "long numbers are not cut";
}

TEST(PointerPanel, ProposedNames) {
    const std::string longKind = "0123456789012345678901234567890123";              // 34 characters
    const std::string longPart = "あいうえおかきくけこさしすせそたちつてとなにぬ";  // 23 characters
    // Word, target button caption, accessible name under the pointer, window under the pointer; txtWinText and
    // txtFileName.
    const std::vector<std::tuple<const char*, std::string, std::string, WindowId, std::string>> cases = {
        {"window", "ウィンドウ", "a/b:c", 0x22, "メモ帳 ウィンドウ__a／b：c"},
        {"snapshot", longKind, longPart, 0x22,
         "メモ帳 " + longKind.substr(0, 30) + "__あいうえおかきくけこさしすせそたちつてと"},
        {"window", "", "x", 0x22, "メモ帳 メモ帳__x"},
        {"window", "ウィンドウ", "OK", 0, "Desktop ウィンドウ__OK"},
        {"class", "クラス指定", "OK", 0x22, "メモ帳 クラス指定__Notepad"},
        {"tooltips", "ツールチップ", "OK", 0x22, "メモ帳 ツールチップ__Save the file"},
        {"rect", "ウィンドウ", "OK", 0x22, "Desktop ウィンドウ__OK"},  // looked up under the range, not the pointer
        {"window", "ウィンドウ", "OK", 1, "loop ウィンドウ__OK"},      // a parent loop ends
    };
    FakeDesktop desktop;
    desktop.add({0x20, "Notepad", "メモ帳", {}});
    desktop.add({0x22, "Button", "", {}, true, false});
    desktop.windows.back().parent = 0x20;
    desktop.add({0x40, "tooltips_class32", "", {}});
    desktop.windows.back().text = "Save the file";
    desktop.add({1, "A", "loop", {}, true, false});
    desktop.windows.back().parent = 2;
    desktop.add({2, "B", "loop", {}, true, false});
    desktop.windows.back().parent = 1;
    for (const auto& [word, caption, part, under, expected] : cases) {
        desktop.underPointer = under;
        FakeAccessibility accessibility;
        accessibility.add(desktop.cursor, Named(part));
        const CaptureNameProposal p = ProposeCaptureName(word, caption, "Notepad", Point{5, 6}, desktop, accessibility);
        EXPECT_EQ(p.winText + " " + p.fileName, expected);
    }
}

}  // namespace tessarin::test
