// The visible-window list as a real window: the test opens it modally on its own thread and
// drives it from a second thread, the way a user or another program would, with messages.

#include "ui/window_list.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "win32/desktop.h"
#include "win32/handles.h"
#include "win32/wide.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

constexpr char kTargetClass[] = "TessarinListTarget";
constexpr char kRunningCaptionHead[] = "可視ウィンドウ一覧　-　2 秒間隔で更新　10秒で自動停止　";
constexpr DWORD kDeadlineMs = 10000;

std::string TextOf(HWND window) {
    wchar_t text[512] = {};
    return WideToUtf8(std::wstring(text, static_cast<size_t>(std::max(0, GetWindowTextW(window, text, 512)))));
}

std::string ClipboardText() {
    const ClipboardGuard clipboard(nullptr);
    const GlobalLockGuard lock(clipboard ? GetClipboardData(CF_UNICODETEXT) : nullptr);
    const auto* chars = static_cast<const wchar_t*>(lock.get());
    return lock ? WideToUtf8(std::wstring(chars, wcsnlen(chars, lock.size() / sizeof(wchar_t)))) : "(none)";
}

// The open list as the driving thread sees it.
struct Dialog {
    HWND hwnd = nullptr;
    HWND list = nullptr;

    [[nodiscard]] int IndexOf(const std::string& row) const {
        const std::wstring text = Utf8ToWide(row);
        return static_cast<int>(
            SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())));
    }
    [[nodiscard]] int Selected() const { return static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0)); }

    // Selects a row as a click does. A refill between the two messages puts the remembered
    // row back, so the selection is checked and made again.
    [[nodiscard]] bool Select(int index) const {
        return WaitUntil(
            [&] {
                SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
                SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(frmList::kListId, LBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(list));
                return Selected() == index;
            },
            kDeadlineMs);
    }

    // Marks the first row and waits until a refill has replaced it.
    [[nodiscard]] bool WaitForRefill(DWORD deadlineMs) const {
        constexpr LPARAM kMark = 0x7E57;
        SendMessageW(list, LB_SETITEMDATA, 0, kMark);
        return WaitUntil([&] { return SendMessageW(list, LB_GETITEMDATA, 0, 0) != kMark; }, deadlineMs);
    }
};

class WindowList : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSEXW wc{sizeof wc, 0,       DefWindowProcW,        0,      0, nullptr, nullptr, nullptr,
                       nullptr,   nullptr, L"TessarinListTarget", nullptr};
        RegisterClassExW(&wc);
        target_.reset(CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName, L"一覧の的\tタブ付き",
                                      WS_POPUP | WS_VISIBLE, 40, 50, 200, 100, nullptr, nullptr, nullptr, nullptr));
        owner_.reset(CreateWindowExW(0, L"Static", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                     nullptr, nullptr));
        ASSERT_TRUE(target_ && owner_);
    }

    // The test window's row: handle, rectangle, class and a title with a tab in it.
    [[nodiscard]] std::string TargetRow() const {
        char handle[16];
        std::snprintf(handle, sizeof handle, "%8u\t", static_cast<unsigned>(ToWindowId(target_.get())));
        return handle + std::string("   40,  50 -   240, 150\t") + kTargetClass + "\t一覧の的\tタブ付き";
    }

    // Opens the list on this thread and runs the script against it from another one, which
    // closes it by its frame if the script left it open. Returns what the list handed back.
    std::string RunDialog(const std::function<void(const Dialog&)>& script) {
        std::thread driver([&] {
            Dialog dialog;
            const bool open = WaitUntil(
                [&] {
                    dialog.hwnd = FindWindowW(frmList::kClassName, nullptr);
                    return dialog.hwnd != nullptr && IsWindowVisible(dialog.hwnd);
                },
                kDeadlineMs);
            dialog.list = GetDlgItem(dialog.hwnd, frmList::kListId);
            EXPECT_TRUE(open && WaitUntil([&] { return dialog.IndexOf(TargetRow()) >= 2; }, kDeadlineMs))
                << "the test window is not listed";
            EXPECT_FALSE(IsWindowEnabled(owner_.get())) << "the owner takes input while the list is open";
            if (open) script(dialog);
            if (IsWindow(dialog.hwnd)) PostMessageW(dialog.hwnd, WM_CLOSE, 0, 0);
        });
        const std::string picked = frmList::ShowModal(owner_.get(), desktop_);
        driver.join();
        EXPECT_TRUE(IsWindowEnabled(owner_.get())) << "the owner stays disabled";
        return picked;
    }

    WinDesktop desktop_;
    UniqueWindow target_;
    UniqueWindow owner_;
};

TEST_F(WindowList, HandsBackTheClassOfTheRowPickedWithOkAndNothingOtherwise) {
    constexpr int kTarget = -2;
    // The row selected (-1: none), the control (0: the list's window) and the message it gets.
    const std::tuple<int, int, UINT, WPARAM, const char*> cases[] = {
        {kTarget, IDOK, BM_CLICK, 0, kTargetClass},
        {kTarget, frmList::kListId, WM_KEYDOWN, VK_RETURN, kTargetClass},
        {kTarget, 0, WM_COMMAND, MAKEWPARAM(frmList::kListId, LBN_DBLCLK), kTargetClass},
        {0, IDOK, BM_CLICK, 0, "class name"},
        {1, IDOK, BM_CLICK, 0, ""},
        {-1, IDOK, BM_CLICK, 0, ""},
        {kTarget, IDCANCEL, BM_CLICK, 0, ""},
        {kTarget, frmList::kListId, WM_KEYDOWN, VK_ESCAPE, ""},
        {kTarget, 0, WM_CLOSE, 0, ""},
        {kTarget, 0, WM_QUIT, 7, ""},
    };
    for (const auto& [row, control, message, wParam, expected] : cases) {
        const std::string picked = RunDialog([&](const Dialog& dialog) {
            ASSERT_TRUE(row == -1 || dialog.Select(row == kTarget ? dialog.IndexOf(TargetRow()) : row));
            PostMessageW(control != 0 ? GetDlgItem(dialog.hwnd, control) : dialog.hwnd, message, wParam, 0);
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog.hwnd); }, kDeadlineMs));
        });
        EXPECT_EQ(picked, expected) << "row " << row << ", control " << control << ", message " << message;
        // A modal loop that swallowed a quit request would keep the program from ending.
        MSG quit{};
        EXPECT_EQ(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && quit.wParam == 7, message == WM_QUIT);
    }
}

TEST_F(WindowList, ASelectionSurvivesARefreshAndMnuCopyPutsTheWholeRowOnTheClipboard) {
    RunDialog([&](const Dialog& dialog) {
        const int index = dialog.IndexOf(TargetRow());
        ASSERT_TRUE(dialog.Select(index));
        ASSERT_TRUE(dialog.WaitForRefill(kDeadlineMs));
        EXPECT_EQ(dialog.Selected(), index);

        PostMessageW(dialog.hwnd, WM_COMMAND, frmList::kMnuCopyId, 0);
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(box = FindWindowW(L"#32770", L"Tessarin")); }, kDeadlineMs));
        EXPECT_EQ(ClipboardText(), TargetRow());
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, kDeadlineMs));
    });
}

// Takes about twelve seconds.
TEST_F(WindowList, CountsDownTheSecondsLeftAndStopsRefreshingAfterAboutTen) {
    const DWORD opened = GetTickCount();
    RunDialog([&](const Dialog& dialog) {
        std::vector<int> secondsLeft;
        const bool stopped = WaitUntil(
            [&] {
                const std::string caption = TextOf(dialog.hwnd);
                if (caption.rfind(kRunningCaptionHead, 0) == 0) {
                    const int left = std::stoi(caption.substr(sizeof kRunningCaptionHead - 1));
                    if (secondsLeft.empty() || secondsLeft.back() != left) secondsLeft.push_back(left);
                }
                return caption == "可視ウィンドウ一覧　-　停止";
            },
            20000);
        const DWORD elapsed = GetTickCount() - opened;
        ASSERT_TRUE(stopped) << TextOf(dialog.hwnd);
        EXPECT_GE(elapsed, 10000U);
        EXPECT_LT(elapsed, 13000U);
        EXPECT_EQ(std::adjacent_find(secondsLeft.begin(), secondsLeft.end(), std::less_equal<>()), secondsLeft.end());
        EXPECT_NE(std::find(secondsLeft.begin(), secondsLeft.end(), 5), secondsLeft.end());
        // Stopped: the list stays as last filled.
        EXPECT_FALSE(dialog.WaitForRefill(2500));
    });
}

}  // namespace
}  // namespace tessarin::test
