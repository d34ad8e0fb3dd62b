// The notice window: its height follows the lines of its message, it stays above other
// windows, and it closes itself after its display time or when told to.

#include "ui/splash.h"

#include <gtest/gtest.h>

#include "core/app/shell.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

bool NoticeClosesWithin(DWORD ms) {
    return WaitUntil([] { return frmSplash::Window() == nullptr; }, ms, /*pump=*/true);
}

int HeightFor(const std::string& message) {
    const int tpp = TwipsPerPixel(static_cast<int>(GetDpiForWindow(frmSplash::Window())));
    return NoticeHeightTwips(frmSplash::kLabelTopTwips, message) / tpp;
}

TEST(Notice, GrowsWithItsLinesStaysOnTopAndClosesAfterItsTimeOrWhenTold) {
    const std::string message = "ファイル読込中！\r\n\r\n3/10";
    frmSplash::ShowNotice(nullptr, message, 200, false);
    HWND notice = frmSplash::Window();
    ASSERT_NE(notice, nullptr);
    RECT r{};
    GetWindowRect(notice, &r);
    EXPECT_EQ(r.bottom - r.top, HeightFor(message));
    EXPECT_GT(r.bottom - r.top, HeightFor("one line"));
    EXPECT_TRUE(GetWindowLongW(notice, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(IsWindowVisible(notice));
    EXPECT_TRUE(NoticeClosesWithin(10000));
    EXPECT_FALSE(IsWindow(notice));

    // Without a time it stays until an empty message closes it.
    frmSplash::ShowNotice(nullptr, "待機", 0, false);
    notice = frmSplash::Window();
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(NoticeClosesWithin(300));
    // A new notice replaces the old one rather than stacking.
    frmSplash::ShowNotice(nullptr, "次", 0, false);
    EXPECT_FALSE(IsWindow(notice));
    frmSplash::ShowNotice(nullptr, "", 0, false);
    EXPECT_EQ(frmSplash::Window(), nullptr);

    // A modal notice returns when it has closed.
    const ULONGLONG start = GetTickCount64();
    frmSplash::ShowNotice(nullptr, "モーダル", 150, true);
    EXPECT_EQ(frmSplash::Window(), nullptr);
    EXPECT_GE(GetTickCount64() - start, 100u);
}

}  // namespace
}  // namespace tessarin::test
