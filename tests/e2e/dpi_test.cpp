// The main window and the settings dialog on a monitor of another scale: the font is made again
// and the controls are placed again at the new scale.

#include <gtest/gtest.h>

#include "e2e/desk.h"
#include "e2e/program.h"
#include "ui/settings_dialog.h"
#include "ui/window_list.h"

namespace tessarin::test {
namespace {

SIZE SizeOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

TEST(Dpi, ControlsAndTheirFontFollowAMoveTo144Dpi) {
    Program program;
    const HWND main = program.Run("");
    ASSERT_NE(main, nullptr);
    const HWND close = FindWindowExW(main, nullptr, L"Button", L"閉じる");
    // Sized by its caption: it grows by half only if the caption's font does.
    const HWND folder = FindWindowExW(main, nullptr, L"Button", L"フォルダを開く");
    ASSERT_TRUE(close != nullptr && folder != nullptr);
    const SIZE closeBefore = SizeOf(close);
    const SIZE folderBefore = SizeOf(folder);
    ASSERT_EQ(closeBefore.cy, 26) << "the test starts at 96 dpi";

    RECT frame{};
    GetWindowRect(main, &frame);
    SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&frame));
    EXPECT_EQ(SizeOf(close).cx, closeBefore.cx * 3 / 2);
    EXPECT_EQ(SizeOf(close).cy, closeBefore.cy * 3 / 2);
    // The caption's width at 96 dpi is the button's less its 16-pixel margin.
    const double captionGrowth = (SizeOf(folder).cx - 24.0) / (folderBefore.cx - 16.0);
    EXPECT_GT(captionGrowth, 1.3) << folderBefore.cx << " -> " << SizeOf(folder).cx;
    EXPECT_LT(captionGrowth, 1.7);

    // The settings dialog, moved to that monitor while it is open.
    PostMessageW(FindWindowExW(main, nullptr, L"Button", L"設定"), BM_CLICK, 0, 0);
    const HWND dialog = program.AwaitWindow(frmSetting::kClassName);
    ASSERT_NE(dialog, nullptr);
    const HWND ok = GetDlgItem(dialog, frmSetting::kCmdOk);
    const SIZE okBefore = SizeOf(ok);
    RECT client{};
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &frame);
    SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&frame));
    EXPECT_EQ(SizeOf(ok).cx, okBefore.cx * 3 / 2);
    EXPECT_EQ(SizeOf(ok).cy, okBefore.cy * 3 / 2);
    RECT grown{};
    GetClientRect(dialog, &grown);
    EXPECT_EQ(grown.right, client.right * 3 / 2);

    // And the visible-window list it opens.
    PostMessageW(GetDlgItem(dialog, frmSetting::kCmdClass), BM_CLICK, 0, 0);
    const HWND list = program.AwaitWindow(frmList::kClassName);
    ASSERT_NE(list, nullptr);
    const HWND listOk = FindWindowExW(list, nullptr, L"Button", L"OK");
    const SIZE listOkBefore = SizeOf(listOk);
    GetWindowRect(list, &frame);
    SendMessageW(list, WM_DPICHANGED, MAKEWPARAM(216, 216), reinterpret_cast<LPARAM>(&frame));
    EXPECT_EQ(SizeOf(listOk).cy, MulDiv(listOkBefore.cy, 216, 96)) << "it opened at the screen's 96 dpi";
    PostMessageW(list, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Await([&] { return !IsWindow(list); }, 10000));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(frmSetting::kCmdCancel, BN_CLICKED), 0);
    ASSERT_TRUE(Await([&] { return !IsWindow(dialog); }, 10000));

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.Exited(), 0U);
}

}  // namespace
}  // namespace tessarin::test
