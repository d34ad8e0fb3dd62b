// The notice window: its height follows the lines of its message, it stays above other
// windows, and it closes itself after its display time or when told to.

#include "ui/splash.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/app/shell.h"

namespace tessarin::test {
namespace {

bool PumpUntil(bool (*condition)(), std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

int HeightFor(const std::string& message) {
    const int tpp = TwipsPerPixel(static_cast<int>(GetDpiForWindow(frmSplash::Window())));
    return NoticeHeightTwips(frmSplash::kLabelTopTwips, message) / tpp;
}

TEST(Notice, GrowsWithItsLinesStaysOnTopAndClosesAfterItsTime) {
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
    EXPECT_TRUE(PumpUntil([] { return frmSplash::Window() == nullptr; }, std::chrono::seconds(10)));
    EXPECT_FALSE(IsWindow(notice));
}

TEST(Notice, WithoutATimeItStaysUntilAnEmptyMessageClosesIt) {
    frmSplash::ShowNotice(nullptr, "待機", 0, false);
    HWND notice = frmSplash::Window();
    ASSERT_NE(notice, nullptr);
    // Nothing closes it on its own.
    EXPECT_FALSE(PumpUntil([] { return frmSplash::Window() == nullptr; }, std::chrono::milliseconds(300)));
    // A new notice replaces the old one rather than stacking.
    frmSplash::ShowNotice(nullptr, "次", 0, false);
    EXPECT_FALSE(IsWindow(notice));
    frmSplash::ShowNotice(nullptr, "", 0, false);
    EXPECT_EQ(frmSplash::Window(), nullptr);
}

TEST(Notice, AModalNoticeReturnsWhenItHasClosed) {
    const auto start = std::chrono::steady_clock::now();
    frmSplash::ShowNotice(nullptr, "モーダル", 150, true);
    EXPECT_EQ(frmSplash::Window(), nullptr);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

}  // namespace
}  // namespace tessarin::test
