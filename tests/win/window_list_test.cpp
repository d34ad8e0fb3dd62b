// The visible-window list as a real window: the test opens it modally on its own thread and
// drives it from a second thread, the way a user or another program would, with messages.

#include "ui/window_list.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/windowlist/window_list.h"
#include "win32/desktop.h"
#include "win32/handles.h"
#include "win32/wide.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

constexpr wchar_t kTargetClass[] = L"TessarinListTarget";
constexpr char kTargetTitle[] = "一覧の的\tタブ付き";
constexpr RECT kTargetRect{40, 50, 240, 150};
constexpr char kTargetRectText[] = "   40,  50 -   240, 150";
constexpr wchar_t kOwnerClass[] = L"TessarinListOwner";
constexpr char kRunningCaptionHead[] = "可視ウィンドウ一覧　-　2 秒間隔で更新　10秒で自動停止　";
constexpr char kStoppedCaption[] = "可視ウィンドウ一覧　-　停止";
constexpr DWORD kDeadlineMs = 10000;

std::string WindowTextOf(HWND window) {
    wchar_t text[512] = {};
    const int length = GetWindowTextW(window, text, 512);
    return WideToUtf8(std::wstring(text, length > 0 ? static_cast<size_t>(length) : 0));
}

std::string ClassOf(HWND window) {
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return WideToUtf8(std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0));
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

// A visible message box (#32770) owned by the window, or nullptr.
HWND FindMessageBox(HWND owner) {
    struct Search {
        HWND owner;
        HWND found;
    } search{owner, nullptr};
    EnumWindows(
        [](HWND w, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            if (IsWindowVisible(w) && GetWindow(w, GW_OWNER) == s->owner && ClassOf(w) == "#32770") {
                s->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The texts of a message box's labels.
std::string MessageBoxText(HWND box) {
    std::string text;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == "Static") text += WindowTextOf(child);
    }
    return text;
}

std::optional<std::wstring> ClipboardText() {
    const ClipboardGuard clipboard(nullptr);
    if (!clipboard) return std::nullopt;
    const GlobalLockGuard lock(GetClipboardData(CF_UNICODETEXT));
    if (!lock) return std::nullopt;
    const auto* chars = static_cast<const wchar_t*>(lock.get());
    const size_t capacity = lock.size() / sizeof(wchar_t);
    size_t length = 0;
    while (length < capacity && chars[length] != L'\0') ++length;
    return std::wstring(chars, length);
}

bool PutClipboardText(HWND owner, const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) return false;
    {
        const GlobalLockGuard lock(memory.get());
        if (!lock) return false;
        memcpy(lock.get(), text.c_str(), bytes);
    }
    const ClipboardGuard clipboard(owner);
    if (!clipboard || !EmptyClipboard() || SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) return false;
    (void)memory.release();
    return true;
}

// The open list as the driving thread sees it.
struct Dialog {
    HWND hwnd = nullptr;
    HWND list = nullptr;
    HWND ok = nullptr;
    HWND cancel = nullptr;
    HWND frBottom = nullptr;

    [[nodiscard]] std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
            if (length < 0) break;
            std::wstring text(static_cast<size_t>(length) + 1, L'\0');
            const LRESULT copied =
                SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
            text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
            rows.push_back(WideToUtf8(text));
        }
        return rows;
    }

    [[nodiscard]] int IndexOf(const std::string& row) const {
        const std::vector<std::string> rows = Rows();
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i] == row) return static_cast<int>(i);
        }
        return -1;
    }

    [[nodiscard]] int Selected() const { return static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0)); }

    // Marks the first row and waits until a refill has replaced it: right after a refill the
    // rows stand still for about two seconds.
    [[nodiscard]] bool WaitForRefill(DWORD deadlineMs = kDeadlineMs) const {
        constexpr LPARAM kMark = 0x7E57;
        if (SendMessageW(list, LB_SETITEMDATA, 0, kMark) == LB_ERR) {
            return WaitUntil([&] { return SendMessageW(list, LB_GETCOUNT, 0, 0) > 0; }, deadlineMs);
        }
        return WaitUntil([&] { return SendMessageW(list, LB_GETITEMDATA, 0, 0) != kMark; }, deadlineMs);
    }

    // Selects a row as a click does (the list reports the change to the form). A refill
    // between the two messages puts the remembered row back, so the selection is checked
    // and made again.
    [[nodiscard]] bool Select(int index) const {
        return WaitUntil([&] {
            SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
            SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(frmList::kListId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
            return Selected() == index;
        });
    }

    [[nodiscard]] HWND WaitForMessageBox() const {
        HWND box = nullptr;
        (void)WaitUntil([&] { return (box = FindMessageBox(hwnd)) != nullptr; }, kDeadlineMs);
        return box;
    }
};

class WindowList : public ::testing::Test {
protected:
    void SetUp() override {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        for (const wchar_t* name : {kTargetClass, kOwnerClass}) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = DefWindowProcW;
            wc.hInstance = instance;
            wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
            wc.lpszClassName = name;
            RegisterClassExW(&wc);
        }
        target_.reset(CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kTargetClass,
                                      Utf8ToWide(kTargetTitle).c_str(), WS_POPUP, kTargetRect.left, kTargetRect.top,
                                      kTargetRect.right - kTargetRect.left, kTargetRect.bottom - kTargetRect.top,
                                      nullptr, nullptr, instance, nullptr));
        ASSERT_TRUE(target_);
        ShowWindow(target_.get(), SW_SHOWNOACTIVATE);
        owner_.reset(CreateWindowExW(0, kOwnerClass, L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                     instance, nullptr));
        ASSERT_TRUE(owner_);
    }

    // The row the list shows for the test window.
    [[nodiscard]] std::string TargetRow() const {
        char handle[32];
        std::snprintf(handle, sizeof handle, "%8u", static_cast<unsigned>(ToWindowId(target_.get())));
        return std::string(handle) + "\t" + kTargetRectText + "\t" + WideToUtf8(kTargetClass) + "\t" + kTargetTitle;
    }

    // Opens the list on this thread and runs the script against it from another one; the
    // list is closed by its frame afterwards if the script left it open. Returns what the
    // list handed back.
    std::string RunDialog(const std::function<void(const Dialog&)>& script) {
        std::thread driver([&] {
            Dialog dialog;
            const bool found = WaitUntil(
                [&] {
                    dialog.hwnd = FindWindowW(frmList::kClassName, nullptr);
                    return dialog.hwnd != nullptr && IsWindowVisible(dialog.hwnd);
                },
                kDeadlineMs);
            EXPECT_TRUE(found) << "the list did not open";
            if (!found) return;
            dialog.list = GetDlgItem(dialog.hwnd, frmList::kListId);
            dialog.ok = GetDlgItem(dialog.hwnd, frmList::kCmdOkId);
            dialog.cancel = GetDlgItem(dialog.hwnd, frmList::kCmdCancelId);
            dialog.frBottom = GetDlgItem(dialog.hwnd, frmList::kFrBottomId);
            EXPECT_FALSE(IsWindowEnabled(owner_.get())) << "the owner takes input while the list is open";
            // The test window is listed before any script acts.
            EXPECT_TRUE(WaitUntil([&] { return dialog.IndexOf(TargetRow()) >= 2; }, kDeadlineMs));
            script(dialog);
            if (IsWindow(dialog.hwnd)) PostMessageW(dialog.hwnd, WM_CLOSE, 0, 0);
        });
        const std::string picked = frmList::ShowModal(owner_.get(), desktop_);
        driver.join();
        EXPECT_EQ(FindWindowW(frmList::kClassName, nullptr), nullptr);
        EXPECT_TRUE(IsWindowEnabled(owner_.get())) << "the owner stays disabled";
        return picked;
    }

    WinDesktop desktop_;
    UniqueWindow target_;
    UniqueWindow owner_;
};

TEST_F(WindowList, ShowsEveryVisibleWindowInATopmostListAboveTheButtonStrip) {
    const std::string picked = RunDialog([&](const Dialog& dialog) {
        EXPECT_EQ(WindowTextOf(dialog.hwnd).rfind("可視ウィンドウ一覧", 0), 0U) << WindowTextOf(dialog.hwnd);
        EXPECT_TRUE(GetWindowLongW(dialog.hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(GetWindow(dialog.hwnd, GW_OWNER), owner_.get());
        EXPECT_EQ(WindowTextOf(dialog.ok), "OK");
        EXPECT_EQ(WindowTextOf(dialog.cancel), "キャンセル");

        const std::vector<std::string> rows = dialog.Rows();
        ASSERT_GE(rows.size(), 3U);
        EXPECT_EQ(rows[0], "Handle\tlocation\tclass name\ttitle");
        EXPECT_EQ(rows[1], WindowListSeparator());
        // The hidden owner is not listed; the list itself is.
        const auto listed = [&](HWND w) {
            char handle[32];
            std::snprintf(handle, sizeof handle, "%8u\t", static_cast<unsigned>(ToWindowId(w)));
            for (const std::string& row : rows) {
                if (row.rfind(handle, 0) == 0) return true;
            }
            return false;
        };
        EXPECT_FALSE(listed(owner_.get()));
        EXPECT_TRUE(listed(dialog.hwnd));

        // The columns line up: a fixed-pitch face.
        {
            const WindowDc dc(dialog.list);
            const SelectGuard font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(dialog.list, WM_GETFONT, 0, 0)));
            TEXTMETRICW metrics{};
            ASSERT_TRUE(GetTextMetricsW(dc.get(), &metrics));
            // The flag is set for variable-pitch faces.
            EXPECT_EQ(metrics.tmPitchAndFamily & TMPF_FIXED_PITCH, 0);
        }

        // The list fills the window above the strip; the buttons sit at the strip's right
        // end, "OK" before "キャンセル"; the same after resizing.
        for (const SIZE size : {SIZE{0, 0}, SIZE{500, 300}, SIZE{900, 600}}) {
            if (size.cx != 0) {
                SetWindowPos(dialog.hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            RECT client{};
            GetClientRect(dialog.hwnd, &client);
            const auto placed = [&](HWND control) {
                RECT r{};
                GetWindowRect(control, &r);
                MapWindowPoints(nullptr, dialog.hwnd, reinterpret_cast<POINT*>(&r), 2);
                return r;
            };
            const RECT list = placed(dialog.list);
            const RECT strip = placed(dialog.frBottom);
            const RECT ok = placed(dialog.ok);
            const RECT cancel = placed(dialog.cancel);
            EXPECT_EQ(list.left, 0);
            EXPECT_EQ(list.top, 0);
            EXPECT_EQ(list.right, client.right);
            EXPECT_EQ(list.bottom, strip.top);
            EXPECT_EQ(strip.bottom, client.bottom);
            EXPECT_EQ(strip.right, client.right);
            EXPECT_LT(ok.right, cancel.left);
            EXPECT_GE(ok.top, strip.top);
            EXPECT_LE(cancel.bottom, strip.bottom);
            EXPECT_LE(cancel.right, client.right);
            EXPECT_GT(cancel.right, client.right - 30);
            // Scrolls sideways over ten times its width.
            EXPECT_EQ(SendMessageW(dialog.list, LB_GETHORIZONTALEXTENT, 0, 0), 10 * (list.right - list.left));
        }

        // Tab moves between the list and the two buttons.
        EXPECT_TRUE(WaitUntil([&] { return FocusOf(dialog.hwnd) == dialog.list; }, kDeadlineMs));
        for (HWND next : {dialog.ok, dialog.cancel, dialog.list}) {
            PostMessageW(FocusOf(dialog.hwnd), WM_KEYDOWN, VK_TAB, 0);
            EXPECT_TRUE(WaitUntil([&] { return FocusOf(dialog.hwnd) == next; }, kDeadlineMs)) << ClassOf(next);
        }
    });
    EXPECT_EQ(picked, "");
}

enum class Row { kTarget, kHeader, kSeparator, kNone };
enum class Action { kOk, kDoubleClick, kEnter, kCancel, kEscape, kCloseByFrame };

TEST_F(WindowList, HandsBackTheClassNameOfTheRowPickedWithOk) {
    const struct {
        const char* name;
        Row row;
        Action action;
        std::string expected;
    } cases[] = {
        {"OK on the test window", Row::kTarget, Action::kOk, WideToUtf8(kTargetClass)},
        {"double click on the test window", Row::kTarget, Action::kDoubleClick, WideToUtf8(kTargetClass)},
        {"Enter on the test window", Row::kTarget, Action::kEnter, WideToUtf8(kTargetClass)},
        {"OK on the header", Row::kHeader, Action::kOk, "class name"},
        {"OK on the separator", Row::kSeparator, Action::kOk, ""},
        {"OK with nothing selected", Row::kNone, Action::kOk, ""},
        {"cancel", Row::kTarget, Action::kCancel, ""},
        {"Esc", Row::kTarget, Action::kEscape, ""},
        {"closed by its frame", Row::kTarget, Action::kCloseByFrame, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string picked = RunDialog([&](const Dialog& dialog) {
            int index = -1;
            if (c.row == Row::kTarget) index = dialog.IndexOf(TargetRow());
            if (c.row == Row::kHeader) index = 0;
            if (c.row == Row::kSeparator) index = 1;
            if (index >= 0) {
                ASSERT_TRUE(dialog.Select(index));
            }
            switch (c.action) {
                case Action::kOk:
                    PostMessageW(dialog.ok, BM_CLICK, 0, 0);
                    break;
                case Action::kDoubleClick:
                    PostMessageW(dialog.hwnd, WM_COMMAND, MAKEWPARAM(frmList::kListId, LBN_DBLCLK),
                                 reinterpret_cast<LPARAM>(dialog.list));
                    break;
                case Action::kEnter:
                    PostMessageW(dialog.list, WM_KEYDOWN, VK_RETURN, 0);
                    break;
                case Action::kCancel:
                    PostMessageW(dialog.cancel, BM_CLICK, 0, 0);
                    break;
                case Action::kEscape:
                    PostMessageW(dialog.list, WM_KEYDOWN, VK_ESCAPE, 0);
                    break;
                case Action::kCloseByFrame:
                    PostMessageW(dialog.hwnd, WM_CLOSE, 0, 0);
                    break;
            }
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog.hwnd); }, kDeadlineMs));
        });
        EXPECT_EQ(picked, c.expected);
    }
}

TEST_F(WindowList, KeepsTheSelectedRowNumberAcrossRefreshes) {
    const std::string picked = RunDialog([&](const Dialog& dialog) {
        const int index = dialog.IndexOf(TargetRow());
        ASSERT_GE(index, 2);
        ASSERT_TRUE(dialog.Select(index));
        ASSERT_TRUE(dialog.WaitForRefill());
        EXPECT_EQ(dialog.Selected(), index);
        EXPECT_EQ(dialog.Rows().at(static_cast<size_t>(index)), TargetRow());
        // Selecting nothing is remembered too.
        ASSERT_TRUE(dialog.Select(-1));
        ASSERT_TRUE(dialog.WaitForRefill());
        EXPECT_EQ(dialog.Selected(), -1);
        ASSERT_TRUE(dialog.Select(index));
        PostMessageW(dialog.ok, BM_CLICK, 0, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog.hwnd); }, kDeadlineMs));
    });
    EXPECT_EQ(picked, WideToUtf8(kTargetClass));
}

TEST_F(WindowList, CopiesTheSelectedRowFromItsPopUpMenu) {
    ASSERT_TRUE(PutClipboardText(owner_.get(), L"before"));
    RunDialog([&](const Dialog& dialog) {
        const int index = dialog.IndexOf(TargetRow());
        ASSERT_GE(index, 2);
        ASSERT_TRUE(dialog.Select(index));

        // A right click on the list opens the menu; Down and Enter pick "コピー".
        RECT row{};
        SendMessageW(dialog.list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&row));
        PostMessageW(dialog.list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(row.left + 5, row.top + 2));
        PostMessageW(dialog.list, WM_RBUTTONUP, 0, MAKELPARAM(row.left + 5, row.top + 2));
        HWND menuWindow = nullptr;
        ASSERT_TRUE(WaitUntil(
            [&] {
                menuWindow = FindWindowW(L"#32768", nullptr);
                return menuWindow != nullptr && IsWindowVisible(menuWindow);
            },
            kDeadlineMs));
        const auto menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
        ASSERT_NE(menu, nullptr);
        wchar_t item[64] = {};
        GetMenuStringW(menu, 0, item, 64, MF_BYPOSITION);
        EXPECT_EQ(WideToUtf8(item), "コピー");
        EXPECT_EQ(GetMenuItemID(menu, 0), static_cast<UINT>(frmList::kMnuCopyId));
        PostMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(menuWindow, WM_KEYDOWN, VK_RETURN, 0);

        HWND box = dialog.WaitForMessageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(WindowTextOf(box), "Tessarin");
        EXPECT_EQ(MessageBoxText(box), "クリップボードにコピー完了！");
        // The whole row, tabs included.
        EXPECT_EQ(ClipboardText(), std::optional<std::wstring>(Utf8ToWide(TargetRow())));
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, kDeadlineMs));

        // Without a selection there is nothing to copy: the clipboard is left alone.
        ASSERT_TRUE(dialog.Select(-1));
        PostMessageW(dialog.hwnd, WM_COMMAND, MAKEWPARAM(frmList::kMnuCopyId, 0), 0);
        box = dialog.WaitForMessageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(WindowTextOf(box), "Tessarin");
        EXPECT_EQ(MessageBoxText(box), "コピーしたい行を選択して下さい。");
        EXPECT_EQ(ClipboardText(), std::optional<std::wstring>(Utf8ToWide(TargetRow())));
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, kDeadlineMs));
        EXPECT_TRUE(IsWindow(dialog.hwnd));
    });
}

TEST_F(WindowList, AQuitRequestClosesItAndIsHandedOnToTheCallersLoop) {
    const DWORD uiThread = GetCurrentThreadId();
    const std::string picked = RunDialog([&](const Dialog& dialog) {
        ASSERT_TRUE(dialog.Select(dialog.IndexOf(TargetRow())));
        PostThreadMessageW(uiThread, WM_QUIT, 7, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog.hwnd); }, kDeadlineMs));
    });
    EXPECT_EQ(picked, "");
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7U);
}

// Takes about twelve seconds: the list refreshes every two seconds and stops after ten.
TEST_F(WindowList, CountsDownRefreshingEveryTwoSecondsAndStopsAfterTen) {
    const DWORD opened = GetTickCount();
    RunDialog([&](const Dialog& dialog) {
        std::vector<int> secondsLeft;
        std::vector<DWORD> refills;
        DWORD stopped = 0;
        constexpr LPARAM kMark = 0x7E57;
        SendMessageW(dialog.list, LB_SETITEMDATA, 0, kMark);
        const bool stops = WaitUntil(
            [&] {
                if (SendMessageW(dialog.list, LB_GETITEMDATA, 0, 0) != kMark) {
                    refills.push_back(GetTickCount());
                    SendMessageW(dialog.list, LB_SETITEMDATA, 0, kMark);
                }
                const std::string caption = WindowTextOf(dialog.hwnd);
                if (caption == kStoppedCaption) {
                    stopped = GetTickCount();
                    // The stopping refill may land between the check above and the caption.
                    if (SendMessageW(dialog.list, LB_GETITEMDATA, 0, 0) != kMark) {
                        refills.push_back(stopped);
                        SendMessageW(dialog.list, LB_SETITEMDATA, 0, kMark);
                    }
                    return true;
                }
                if (caption.rfind(kRunningCaptionHead, 0) == 0) {
                    const int left = std::stoi(caption.substr(std::string(kRunningCaptionHead).size()));
                    if (secondsLeft.empty() || secondsLeft.back() != left) secondsLeft.push_back(left);
                }
                return false;
            },
            20000);
        ASSERT_TRUE(stops) << WindowTextOf(dialog.hwnd);
        EXPECT_GE(stopped - opened, 10000U);

        // The count goes down from at most 10 and passes through the middle seconds.
        ASSERT_FALSE(secondsLeft.empty());
        EXPECT_LE(secondsLeft.front(), 10);
        for (size_t i = 1; i < secondsLeft.size(); ++i) EXPECT_LT(secondsLeft[i], secondsLeft[i - 1]);
        EXPECT_NE(std::find(secondsLeft.begin(), secondsLeft.end(), 5), secondsLeft.end());

        // Refilled about every two seconds, never faster than the 1000 ms timer; the last
        // refill is the one that stopped it.
        ASSERT_GE(refills.size(), 4U);
        for (size_t i = 1; i < refills.size(); ++i) EXPECT_GE(refills[i] - refills[i - 1], 900U);
        EXPECT_GE(refills.back() - opened, 10000U);

        // Stopped: no more refills, and the list stays as last filled.
        const size_t rowsAtStop = dialog.Rows().size();
        EXPECT_FALSE(WaitUntil([&] { return SendMessageW(dialog.list, LB_GETITEMDATA, 0, 0) != kMark; }, 2200));
        EXPECT_EQ(WindowTextOf(dialog.hwnd), kStoppedCaption);
        EXPECT_EQ(dialog.Rows().size(), rowsAtStop);
        EXPECT_GE(dialog.IndexOf(TargetRow()), 2);
    });
}

}  // namespace
}  // namespace tessarin::test
