// The visible-window list as a real window: the test opens it modally on its own thread and
// drives it from a second thread, the way a user or another program would, with messages.

#include "ui/window_list.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <tuple>

#include "win32/desktop.h"
#include "win32/handles.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

class WindowList : public ::testing::Test {
protected:
    // The test window's row: handle, rectangle, class and a title with a tab in it.
    [[nodiscard]] std::string TargetRow() const {
        char handle[16];
        std::snprintf(handle, sizeof handle, "%8u\t", static_cast<unsigned>(ToWindowId(target_.get())));
        return handle + std::string("   40,  50 -   240, 150\tStatic\t一覧の的\tタブ付き");
    }
    [[nodiscard]] int IndexOf(const std::string& row) const {
        return static_cast<int>(SendMessageW(list_, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(Utf8ToWide(row).c_str())));
    }
    // Selects a row as a click does. A refill between the two messages puts the remembered
    // row back, so the selection is checked and made again.
    [[nodiscard]] bool Select(int index) const {
        return WaitUntil([&] {
            SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
            SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(frmList::kListId, LBN_SELCHANGE), LPARAM(list_));
            return SendMessageW(list_, LB_GETCURSEL, 0, 0) == index;
        });
    }
    // Marks the first row and waits until a refill has replaced it.
    [[nodiscard]] bool WaitForRefill(DWORD deadlineMs) const {
        SendMessageW(list_, LB_SETITEMDATA, 0, 0x7E57);
        return WaitUntil([&] { return SendMessageW(list_, LB_GETITEMDATA, 0, 0) != 0x7E57; }, deadlineMs);
    }

    // Opens the list on this thread and runs the script against it from another one, which
    // closes it by its frame if the script left it open. Returns what the list handed back.
    template <typename Script>
    std::string RunDialog(const Script& script) {
        std::thread driver([&] {
            const bool open =
                WaitUntil([&] { return IsWindowVisible(dialog_ = FindWindowW(frmList::kClassName, nullptr)); });
            list_ = GetDlgItem(dialog_, frmList::kListId);
            EXPECT_TRUE(open && WaitUntil([&] { return IndexOf(TargetRow()) >= 2; })) << "not listed";
            EXPECT_FALSE(IsWindowEnabled(owner_.get())) << "the owner takes input while the list is open";
            if (open) script();
            if (IsWindow(dialog_)) PostMessageW(dialog_, WM_CLOSE, 0, 0);
        });
        const std::string picked = frmList::ShowModal(owner_.get(), desktop_);
        driver.join();
        EXPECT_TRUE(IsWindowEnabled(owner_.get())) << "the owner stays disabled";
        return picked;
    }

    WinDesktop desktop_;
    UniqueWindow target_{CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"Static", L"一覧の的\tタブ付き",
                                         WS_POPUP | WS_VISIBLE, 40, 50, 200, 100, nullptr, nullptr, nullptr, nullptr)};
    UniqueWindow owner_{CreateWindowExW(0, L"Static", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                        nullptr, nullptr)};
    HWND dialog_ = nullptr, list_ = nullptr;
};

TEST_F(WindowList, HandsBackTheClassOfTheRowPickedWithOkAndNothingOtherwise) {
    // Whether the test window's row is selected, the control (0: the list's window) and the message it
    // gets. Escape answers as "キャンセル" does; closing by the frame is in the next test.
    const std::tuple<bool, int, UINT, WPARAM, const char*> cases[] = {
        {true, IDOK, BM_CLICK, 0, "Static"},
        {true, frmList::kListId, WM_KEYDOWN, VK_RETURN, "Static"},
        {true, 0, WM_COMMAND, MAKEWPARAM(frmList::kListId, LBN_DBLCLK), "Static"},
        {false, IDOK, BM_CLICK, 0, ""},
        {true, frmList::kListId, WM_KEYDOWN, VK_ESCAPE, ""},
        {true, 0, WM_QUIT, 7, ""},
    };
    for (const auto& [selected, control, message, wParam, expected] : cases) {
        const std::string picked = RunDialog([&] {
            ASSERT_TRUE(!selected || Select(IndexOf(TargetRow())));
            PostMessageW(control != 0 ? GetDlgItem(dialog_, control) : dialog_, message, wParam, 0);
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog_); }));
        });
        EXPECT_EQ(picked, expected) << "selected " << selected << ", control " << control << ", message " << message;
        // A modal loop that swallowed a quit request would keep the program from ending.
        MSG quit{};
        EXPECT_EQ(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && quit.wParam == 7, message == WM_QUIT);
    }
}

// The list stops refilling after about ten seconds (when is the core's rule): this takes twelve.
TEST_F(WindowList, KeepsTheSelectionCopiesTheRowStopsRefillingAndPicksNothingClosedByItsFrame) {
    const std::string picked = RunDialog([&] {
        const int index = IndexOf(TargetRow());
        ASSERT_TRUE(Select(index) && WaitForRefill(30000));
        EXPECT_EQ(SendMessageW(list_, LB_GETCURSEL, 0, 0), index);

        PostMessageW(dialog_, WM_COMMAND, frmList::kMnuCopyId, 0);
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(box = FindWindowW(L"#32770", L"Tessarin")); }));
        PostMessageW(box, WM_COMMAND, IDOK, 0);

        // The caption counts the seconds down, then says that the list has stopped.
        bool counting = false;
        ASSERT_TRUE(WaitUntil(
            [&] {
                const std::wstring caption = WindowText(dialog_);
                counting = counting || caption.starts_with(L"可視ウィンドウ一覧　-　2 秒間隔で更新");
                return caption == L"可視ウィンドウ一覧　-　停止";
            },
            20000));
        EXPECT_TRUE(counting);
        EXPECT_FALSE(WaitForRefill(2500)) << "stopped: the list stays as last filled";
    });
    EXPECT_EQ(picked, "") << "closed by its frame, it picks nothing";
    // The row copied with mnuCopy stays on the clipboard.
    const ClipboardGuard clipboard(nullptr);
    const GlobalLockGuard lock(clipboard ? GetClipboardData(CF_UNICODETEXT) : nullptr);
    const auto* chars = static_cast<const wchar_t*>(lock.get());
    EXPECT_EQ(lock ? WideToUtf8(std::wstring(chars, wcsnlen(chars, lock.size() / sizeof(wchar_t)))) : "", TargetRow());
}

// An underscore in a class name ("RegEdit_RegEdit") shows in the list: the font draws it, and
// within its row.
TEST_F(WindowList, AnUnderscoreShowsWithinItsRow) {
    (void)RunDialog([&] {
        const auto font = reinterpret_cast<HFONT>(SendMessageW(list_, WM_GETFONT, 0, 0));
        const WindowDc screen(nullptr);
        const MemoryDc dc(CreateCompatibleDC(screen.get()));
        const GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), 200, 100));
        const SelectGuard selectedBitmap(dc.get(), bitmap.get());
        const SelectGuard selectedFont(dc.get(), font);
        PatBlt(dc.get(), 0, 0, 200, 100, WHITENESS);
        SetTextColor(dc.get(), RGB(0, 0, 0));
        SetBkMode(dc.get(), TRANSPARENT);
        const std::wstring ink = L"_";
        TextOutW(dc.get(), 0, 0, ink.c_str(), static_cast<int>(ink.size()));
        int lowest = -1;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x)
                if (GetPixel(dc.get(), x, y) != RGB(255, 255, 255)) lowest = y;
        ASSERT_GE(lowest, 0) << "the underscore drew nothing";
        EXPECT_GT(SendMessageW(list_, LB_GETITEMHEIGHT, 0, 0), lowest);
    });
}

}  // namespace
}  // namespace tessarin::test
