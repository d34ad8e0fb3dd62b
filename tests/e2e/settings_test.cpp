// The settings dialog as a user goes through it: clicks, typed characters, the focus moving
// on, the folder chooser; what the main window shows after it and what conf.txt keeps. Then the
// windows on a monitor of another scale: fonts made again and controls placed again.

#include <windows.h>
// These build on windows.h.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "e2e/desk.h"
#include "e2e/program.h"
#include "ui/settings_dialog.h"
#include "ui/window_list.h"

namespace tessarin::test {
namespace {

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
HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}
SIZE SizeOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}
// Tells a window that it is now on a monitor of that scale, as the system does.
void MoveToDpi(HWND window, int dpi) {
    RECT frame{};
    GetWindowRect(window, &frame);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&frame));
}

class SettingsDialog : public ::testing::Test {
protected:
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
    std::string TextOf(FormText t) const { return ControlText(Box(t)); }
    void ClickOn(HWND control) const { PostMessageW(control, BM_CLICK, 0, 0); }
    // A click into a box with the pointer, as a user moves there.
    void ClickInto(HWND box) const {
        RECT r{};
        GetWindowRect(box, &r);
        SetCursorPos(r.right - 4, (r.top + r.bottom) / 2);
        Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
        EXPECT_TRUE(Await([&] { return FocusOf(dialog_) == box; }, 5000));
    }
    // The message box of that title with that text, answered with OK.
    void Confirm(const wchar_t* title, const std::string& text) const {
        HWND box = program_.AwaitDialog(title);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(Program::DialogText(box), text);
        Program::Press(box, IDOK);
    }
    bool Closed() const {
        return Await([&] { return !IsWindow(dialog_); }, 10000);
    }

    Program program_;
    HWND main_ = nullptr;
    HWND dialog_ = nullptr;
};

TEST_F(SettingsDialog, CancelKeepsOnlyTheShiftOkAppliesAtOnceAndEveryWindowFollowsANewScale) {
    ASSERT_TRUE(WinFileSystem().createFolder(program_.path("shots")));
    ASSERT_TRUE(WriteBytes(program_.path("conf.txt"), "save folder path = shots\r\n"));
    ASSERT_NE(main_ = program_.Run(""), nullptr);
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(WindowText(dialog_), L"設定");
    EXPECT_TRUE(GetWindowLongW(dialog_, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(IsWindowEnabled(main_)) << "modal";

    // The chooser opens titled for the save folder, at the folder the box names: confirming it
    // at once gives that folder back, relative to the program.
    EXPECT_EQ(TextOf(FormText::SaveFolder), "shots");
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
    ASSERT_TRUE(Await([&] { return SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) != 0; }, 10000));
    Program::Press(chooser, IDOK);
    EXPECT_TRUE(Await([&] { return TextOf(FormText::SaveFolder) == "shots\\"; }, 10000))
        << TextOf(FormText::SaveFolder);

    // Cancel stores nothing but the shift values, which are stored as they are edited; characters
    // other than digits and the minus sign never reach a shift box.
    EXPECT_FALSE(IsWindowVisible(Box(FormText::ShiftX)));
    ClickOn(Check(FormCheck::Shift));
    ASSERT_TRUE(Await([&] { return IsWindowVisible(Box(FormText::ShiftX)); }, 5000));
    ClickInto(Box(FormText::ShiftX));
    Press(VK_BACK, 3);
    Type(L"-7a");
    Press(VK_TAB);
    ASSERT_TRUE(Await([&] { return FocusOf(dialog_) != Box(FormText::ShiftX); }, 5000));
    EXPECT_EQ(TextOf(FormText::ShiftX), "-7");
    ClickOn(Check(FormCheck::CaptureSound));
    ASSERT_TRUE(Await([&] { return SendMessageW(Check(FormCheck::CaptureSound), BM_GETCHECK, 0, 0) == 0; }, 5000));
    Press(VK_ESCAPE);  // Esc is Cancel
    ASSERT_TRUE(Closed());

    // A thumbnail size that is no size keeps the focus in its box; Cancel still closes.
    ASSERT_NE(Open(), nullptr);
    const HWND width = Box(FormText::ThumbnailWidth);
    ClickInto(width);
    Press(VK_BACK, 4);
    Type(L"x");  // filtered: digits only
    Press(VK_TAB);
    Confirm(L"サイズ不正", "サイズは０より大きい値を入力して下さい！");
    EXPECT_TRUE(Await([&] { return FocusOf(dialog_) == width; }, 5000));
    EXPECT_EQ(TextOf(FormText::ThumbnailWidth), "");
    ClickOn(Item(frmSetting::kCmdCancel));
    ASSERT_TRUE(Closed());

    // The class target shows the class name; Ok without one keeps the dialog open.
    ASSERT_NE(Open(), nullptr);
    EXPECT_FALSE(IsWindowVisible(Box(FormText::ClassName)));
    ClickOn(Item(frmSetting::kOptPosBase + 2));
    ASSERT_TRUE(Await([&] { return IsWindowVisible(Box(FormText::ClassName)); }, 5000));
    ClickOn(Item(frmSetting::kCmdOk));
    Confirm(L"入力不正", "クラス名が未入力です。");
    ASSERT_TRUE(Await([&] { return FocusOf(dialog_) == Box(FormText::ClassName); }, 5000));
    Type(L"Notepad");
    // Typed keys wait behind posted clicks: the name must be in before anything else is clicked.
    ASSERT_TRUE(Await([&] { return TextOf(FormText::ClassName) == "Notepad"; }, 5000));
    // A save folder whose name holds "=" would come back cut there at the next start.
    const std::string shownFolder = TextOf(FormText::SaveFolder);
    ASSERT_TRUE(WinFileSystem().createFolder(program_.path("a=b")));
    SendMessageW(Box(FormText::SaveFolder), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(Utf8ToWide(program_.path("a=b")).c_str()));
    ClickOn(Item(frmSetting::kCmdOk));
    Confirm(L"入力不正", "保存先のフォルダ名に「=」は使えません。");
    ASSERT_TRUE(Await([&] { return FocusOf(dialog_) == Box(FormText::SaveFolder); }, 5000));
    SendMessageW(Box(FormText::SaveFolder), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Utf8ToWide(shownFolder).c_str()));
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
    // Both hints that name the capture key: the run's and the fixed range's.
    const HWND runHint = FindWindowExW(main_, nullptr, L"Static", L"Ctrl+G");
    ASSERT_NE(runHint, nullptr);
    EXPECT_NE(FindWindowExW(main_, runHint, L"Static", L"Ctrl+G"), nullptr);
    EXPECT_TRUE(IsWindowEnabled(main_));

    // At 144 dpi: the close button grows by half, and the folder button, sized by its caption,
    // only if the caption's font does (its caption is the button less a 16-pixel margin at 96 dpi).
    const HWND close = FindWindowExW(main_, nullptr, L"Button", L"閉じる");
    const HWND folder = FindWindowExW(main_, nullptr, L"Button", L"フォルダを開く");
    const SIZE closeBefore = SizeOf(close), folderBefore = SizeOf(folder);
    ASSERT_EQ(closeBefore.cy, 26) << "the test starts at 96 dpi";
    MoveToDpi(main_, 144);
    EXPECT_EQ(std::pair(SizeOf(close).cx, SizeOf(close).cy), std::pair(closeBefore.cx * 3 / 2, closeBefore.cy * 3 / 2));
    const double captionGrowth = (SizeOf(folder).cx - 24.0) / (folderBefore.cx - 16.0);
    EXPECT_TRUE(captionGrowth > 1.3 && captionGrowth < 1.7) << folderBefore.cx << " -> " << SizeOf(folder).cx;
    // The settings dialog, moved to that monitor while it is open.
    ASSERT_NE(Open(), nullptr);
    const SIZE okBefore = SizeOf(Item(frmSetting::kCmdOk));
    RECT client{}, grown{};
    GetClientRect(dialog_, &client);
    MoveToDpi(dialog_, 144);
    EXPECT_EQ(std::pair(SizeOf(Item(frmSetting::kCmdOk)).cx, SizeOf(Item(frmSetting::kCmdOk)).cy),
              std::pair(okBefore.cx * 3 / 2, okBefore.cy * 3 / 2));
    GetClientRect(dialog_, &grown);
    EXPECT_EQ(grown.right, client.right * 3 / 2);
    // And the visible-window list it opens, at the screen's 96 dpi.
    ClickOn(Item(frmSetting::kCmdClass));
    const HWND list = program_.AwaitWindow(frmList::kClassName);
    ASSERT_NE(list, nullptr);
    const HWND listOk = FindWindowExW(list, nullptr, L"Button", L"OK");
    const SIZE listOkBefore = SizeOf(listOk);
    MoveToDpi(list, 216);
    EXPECT_EQ(SizeOf(listOk).cy, MulDiv(listOkBefore.cy, 216, 96));
    PostMessageW(list, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Await([&] { return !IsWindow(list); }, 10000));
    ClickOn(Item(frmSetting::kCmdCancel));
    ASSERT_TRUE(Closed());

    ASSERT_EQ(program_.Quit(), 0u);
    const std::string conf = program_.Conf();
    for (const char* line : {"shift = 1\r\n", "shiftx = -7\r\n", "capture sound = 1\r\n", "thumbnail width = 120\r\n",
                             "save folder path = shots\r\n", "pos = 2\r\n", "class name = Notepad\r\n",
                             "auto listing = 0\r\n", "space = 1\r\n", "hotkey copy = G\r\n"})
        EXPECT_TRUE(Has(conf, line)) << line << conf;
}

}  // namespace
}  // namespace tessarin::test
