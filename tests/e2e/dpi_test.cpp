// The main window on a monitor of another scale: its font is made again and its controls are
// placed again at the new scale.

#include <gtest/gtest.h>

#include "e2e/desk.h"
#include "e2e/program.h"

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

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.Exited(), 0U);
}

}  // namespace
}  // namespace tessarin::test
