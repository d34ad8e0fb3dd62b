// The settings dialog as a user goes through it: clicks, typed characters, the focus moving
// on, the folder chooser; what the main window shows after it and what conf.txt keeps.

#include <windows.h>
// These build on windows.h.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "e2e/desk.h"
#include "e2e/program.h"
#include "ui/settings_dialog.h"

namespace tessarin::test {
namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Characters typed into whatever has the focus.
void Type(const std::wstring& text) {
    for (const wchar_t c : text) {
        for (const DWORD flags : {DWORD{KEYEVENTF_UNICODE}, DWORD{KEYEVENTF_UNICODE | KEYEVENTF_KEYUP}}) {
            INPUT input{INPUT_KEYBOARD, {}};
            input.ki = KEYBDINPUT{0, c, flags, 0, 0};
            SendInput(1, &input, sizeof input);
        }
    }
}

void Press(WORD vk, int times = 1) {
    for (int i = 0; i < times; ++i) {
        Key(vk, true);
        Key(vk, false);
    }
}

// The text a control of another process holds (GetWindowText only sees captions there).
std::wstring TextOf(HWND control) {
    wchar_t buffer[512] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, &copied);
    return buffer;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

class SettingsDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WinFileSystem().createFolder(program_.path("shots")));
        ASSERT_TRUE(WriteBytes(program_.path("conf.txt"), "save folder path = shots\r\n"));
        main_ = program_.Run("");
        ASSERT_NE(main_, nullptr);
    }
    void TearDown() override {
        if (!program_.Exited(0)) {
            EXPECT_EQ(program_.Quit(), 0u);
        }
    }

    // 設定 pressed: the dialog, once it shows.
    HWND Open() {
        PostMessageW(FindWindowExW(main_, nullptr, L"Button", L"設定"), BM_CLICK, 0, 0);
        dialog_ = program_.AwaitWindow(frmSetting::kClassName);
        EXPECT_NE(dialog_, nullptr);
        return dialog_;
    }
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    HWND Check(FormCheck c) const { return Item(frmSetting::kChkBase + static_cast<int>(c)); }
    HWND Box(FormText t) const { return Item(frmSetting::kTxtBase + static_cast<int>(t)); }
    void ClickOn(HWND control) const { PostMessageW(control, BM_CLICK, 0, 0); }
    // A click into a box with the pointer, as a user moves there.
    void ClickInto(HWND box) const {
        RECT r{};
        GetWindowRect(box, &r);
        SetCursorPos(r.right - 4, (r.top + r.bottom) / 2);
        Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
        EXPECT_TRUE(Await([&] { return FocusOf(dialog_) == box; }, 5000));
    }
    bool Closed() const {
        return Await([&] { return !IsWindow(dialog_); }, 10000);
    }

    Program program_;
    HWND main_ = nullptr;
    HWND dialog_ = nullptr;
};

TEST_F(SettingsDialog, OkAppliesAtOnceAndTheFileKeepsIt) {
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(WindowText(dialog_), L"設定");
    EXPECT_TRUE(GetWindowLongW(dialog_, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(IsWindowEnabled(main_)) << "modal";

    // The class target shows the class name; Ok without one keeps the dialog open.
    EXPECT_FALSE(IsWindowVisible(Box(FormText::ClassName)));
    ClickOn(Item(frmSetting::kOptPosBase + 2));
    ASSERT_TRUE(Await([&] { return IsWindowVisible(Box(FormText::ClassName)); }, 5000));
    ClickOn(Item(frmSetting::kCmdOk));
    HWND box = program_.AwaitDialog(L"入力不正");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Program::DialogText(box), "クラス名が未入力です。");
    Program::Press(box, IDOK);
    ASSERT_TRUE(Await([&] { return FocusOf(dialog_) == Box(FormText::ClassName); }, 5000));
    Type(L"Notepad");
    // Typed keys wait behind posted clicks: the name must be in before anything else is clicked.
    ASSERT_TRUE(Await([&] { return TextOf(Box(FormText::ClassName)) == L"Notepad"; }, 5000));

    // Automatic listing and Space exclude each other.
    EXPECT_FALSE(IsWindowEnabled(Check(FormCheck::Space)));
    ClickOn(Check(FormCheck::AutoListing));
    ASSERT_TRUE(Await([&] { return IsWindowEnabled(Check(FormCheck::Space)); }, 5000));
    ClickOn(Check(FormCheck::Space));
    ASSERT_TRUE(Await([&] { return !IsWindowEnabled(Check(FormCheck::AutoListing)); }, 5000));

    // Another capture key, chosen from its list.
    const HWND keys = Item(frmSetting::kCmbHotKeyCopy);
    PostMessageW(keys, CB_SETCURSEL, 6, 0);
    PostMessageW(dialog_, WM_COMMAND, MAKEWPARAM(frmSetting::kCmbHotKeyCopy, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(keys));
    Press(VK_RETURN);  // Enter is Ok
    ASSERT_TRUE(Closed());

    // The main window follows at once: the target button and the key hint.
    EXPECT_TRUE(Await([&] { return ChildWithText(main_, L"クラス指定") != nullptr; }, 5000));
    EXPECT_NE(ChildWithText(main_, L"Ctrl+G"), nullptr);
    EXPECT_TRUE(IsWindowEnabled(main_));
    ASSERT_EQ(program_.Quit(), 0u);
    const std::string conf = program_.Conf();
    for (const char* line : {"pos = 2\r\n", "class name = Notepad\r\n", "auto listing = 0\r\n", "space = 1\r\n",
                             "hotkey copy = G\r\n", "save folder path = shots\r\n"})
        EXPECT_TRUE(Has(conf, line)) << line << conf;
}

// Cancel stores nothing but the shift values, which are stored as they are edited; characters
// other than digits and the minus sign never reach a shift box.
TEST_F(SettingsDialog, CancelKeepsOnlyTheShift) {
    ASSERT_NE(Open(), nullptr);
    EXPECT_FALSE(IsWindowVisible(Box(FormText::ShiftX)));
    ClickOn(Check(FormCheck::Shift));
    ASSERT_TRUE(Await([&] { return IsWindowVisible(Box(FormText::ShiftX)); }, 5000));
    ClickInto(Box(FormText::ShiftX));
    Press(VK_BACK, 3);
    Type(L"-7a");
    Press(VK_TAB);
    ASSERT_TRUE(Await([&] { return FocusOf(dialog_) != Box(FormText::ShiftX); }, 5000));
    EXPECT_EQ(TextOf(Box(FormText::ShiftX)), L"-7");
    ClickOn(Check(FormCheck::CaptureSound));
    ASSERT_TRUE(Await([&] { return SendMessageW(Check(FormCheck::CaptureSound), BM_GETCHECK, 0, 0) == 0; }, 5000));
    Press(VK_ESCAPE);  // Esc is Cancel
    ASSERT_TRUE(Closed());
    ASSERT_EQ(program_.Quit(), 0u);
    const std::string conf = program_.Conf();
    for (const char* line : {"shift = 1\r\n", "shiftx = -7\r\n", "capture sound = 1\r\n"})
        EXPECT_TRUE(Has(conf, line)) << line << conf;
}

// A thumbnail size that is no size keeps the focus in its box; Cancel still closes.
TEST_F(SettingsDialog, AThumbnailSizeOfNothingKeepsTheFocus) {
    ASSERT_NE(Open(), nullptr);
    const HWND width = Box(FormText::ThumbnailWidth);
    ClickInto(width);
    Press(VK_BACK, 4);
    Type(L"x");  // filtered: digits only
    Press(VK_TAB);
    HWND box = program_.AwaitDialog(L"サイズ不正");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Program::DialogText(box), "サイズは０より大きい値を入力して下さい！");
    Program::Press(box, IDOK);
    EXPECT_TRUE(Await([&] { return FocusOf(dialog_) == width; }, 5000));
    EXPECT_EQ(TextOf(width), L"");
    ClickOn(Item(frmSetting::kCmdCancel));
    ASSERT_TRUE(Closed());
    ASSERT_EQ(program_.Quit(), 0u);
    EXPECT_TRUE(Has(program_.Conf(), "thumbnail width = 120\r\n")) << program_.Conf();
}

// The chooser opens titled for the save folder, at the folder the box names: confirming it at
// once gives that folder back, relative to the program.
TEST_F(SettingsDialog, TheFolderChooserStartsAtTheSaveFolder) {
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(TextOf(Box(FormText::SaveFolder)), L"shots");
    ClickOn(Item(frmSetting::kCmdSaveFolder));
    HWND chooser = nullptr;
    ASSERT_TRUE(Await(
        [&] {
            chooser = FindProcessWindow(program_.processId(), L"#32770");
            return chooser != nullptr && IsWindowVisible(chooser) &&
                   ChildWithText(chooser, L"保存フォルダの指定") != nullptr;
        },
        10000));
    // Confirmed once the chooser has selected a folder of its tree.
    const HWND tree = FindWindowExW(chooser, nullptr, WC_TREEVIEWW, nullptr);
    ASSERT_TRUE(Await([&] { return SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) != 0; }, 10000))
        << tree << " root " << SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0) << " count "
        << SendMessageW(tree, TVM_GETCOUNT, 0, 0);
    Program::Press(chooser, IDOK);
    EXPECT_TRUE(Await([&] { return TextOf(Box(FormText::SaveFolder)) == L"shots\\"; }, 10000))
        << WideToUtf8(TextOf(Box(FormText::SaveFolder)));
    ClickOn(Item(frmSetting::kCmdCancel));
    ASSERT_TRUE(Closed());
}

// A watched window that goes while the dialog is open does not close the main window under it:
// the program ends once the dialog is closed.
TEST(SettingsDialogEnd, AWatchedWindowGoneWhileTheDialogIsOpenEndsAfterIt) {
    UniqueWindow watched(CreateWindowExW(0, L"STATIC", L"watched", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                         GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(watched);
    Program program;
    HWND main = program.Run("-hwnd " + std::to_string(reinterpret_cast<uintptr_t>(watched.get())));
    ASSERT_NE(main, nullptr);
    PostMessageW(FindWindowExW(main, nullptr, L"Button", L"設定"), BM_CLICK, 0, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(
        Await([&] { return (dialog = FindProcessWindow(program.processId(), frmSetting::kClassName)); }, 10000));
    watched.reset();
    // The watch looks ten times a second: many looks pass with the program still there.
    EXPECT_FALSE(program.Exited(1000));
    EXPECT_TRUE(IsWindow(main) && IsWindow(dialog));
    PostMessageW(GetDlgItem(dialog, frmSetting::kCmdCancel), BM_CLICK, 0, 0);
    EXPECT_EQ(program.Exited(), 0u);
    EXPECT_EQ(program.ConfLines(), 38u);
}

}  // namespace
}  // namespace tessarin::test
