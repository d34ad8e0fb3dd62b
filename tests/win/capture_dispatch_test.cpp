// MyCapture run through the real adapters against real windows and real screen pixels, and
// the GDI objects a thousand captures leave behind.

#include <windows.h>

#include <gtest/gtest.h>

#include <tuple>

#include "capture_test_support.h"
#include "gdi_meter.h"

namespace tessarin::test {
namespace {

TEST_F(MyCaptureTest, AWindowComesOutPixelForPixelOnBothPathsAndWholeUnderACoverWhenItDrawsItself) {
    const PaintedWindow window(At(300, 200, 90, 70), [](int x, int y) { return ScreenPattern(300 + x, 200 + y); });
    ASSERT_TRUE(window.waitShown());
    ASSERT_TRUE(WarpPointer({340, 230}));
    const auto itself = [&](int x, int y) { return ColorOf(window.pixel(x, y)); };
    for (const int noTooltip : {0, 1}) {
        settings_.noTooltip = noTooltip;
        EXPECT_EQ(Capture("window"), "");
        EXPECT_EQ(Mismatches(picture_, 90, 70, itself), "") << (noTooltip ? "drawn by itself" : "from the screen");
    }
    const PaintedWindow cover(At(350, 240, 80, 80), [](int, int) { return PixelOf(RGB(200, 30, 40)); });
    ASSERT_TRUE(cover.waitShown());
    EXPECT_EQ(Capture("window"), "");
    EXPECT_EQ(Mismatches(picture_, 90, 70, itself), "");
    EXPECT_TRUE(ui_.messages.empty());
}

// A part at screen (100, 100, 150, 120): a child window, found through accessibility, inside a
// parent that paints the same screen pattern around it. (Which targets the correction applies to
// is a rule of the capture, tested natively; the whole screen shares this copy from the screen.)
TEST_F(MyCaptureTest, ThePositionCorrectionShiftsAPartCopy) {
    const PaintedWindow parent(At(90, 90, 80, 50), [](int x, int y) { return ScreenPattern(90 + x, 90 + y); });
    const PaintedWindow part(
        At(10, 10, 50, 20), [](int x, int y) { return ScreenPattern(100 + x, 100 + y); }, L"", true, parent.hwnd());
    ASSERT_TRUE(parent.waitShown() && part.waitShown());
    ASSERT_TRUE(WarpPointer({125, 110}));
    ASSERT_EQ(AccessibleRectangle(accessibility_.objectAt({125, 110})), (Rect{100, 100, 150, 120}));

    // The screen from (103, 102); without the size correction the last 3 columns and 2 rows keep the background.
    std::tie(settings_.hosei, settings_.hoseiLeft, settings_.hoseiTop) = std::tuple(1, 3, 2);
    for (const int correction : {0, 1}) {
        std::tie(settings_.hoseiWidth, settings_.hoseiHeight) = std::tuple(3 * correction, 2 * correction);
        const auto shifted = [w = 47 + settings_.hoseiWidth, h = 18 + settings_.hoseiHeight](int x, int y) {
            return x < w && y < h ? ColorOf(ScreenPattern(103 + x, 102 + y)) : kBackground;
        };
        EXPECT_EQ(Capture("parts"), "");
        EXPECT_EQ(Mismatches(picture_, 50, 20, shifted), "") << correction;
    }
    EXPECT_TRUE(ui_.messages.empty());
}

// That the probe sees a leak at all is shown with the image store's files.
TEST_F(MyCaptureTest, AThousandCapturesLeaveNoGdiObjectBehind) {
    const PaintedWindow window(At(600, 500, 80, 60), ScreenPattern);
    ASSERT_TRUE(window.waitShown());
    ASSERT_TRUE(WarpPointer({620, 540}));
    ::SetForegroundWindow(window.hwnd());
    ::SetCursor(::LoadCursorW(nullptr, IDC_CROSS));
    std::tie(settings_.noMouse, settings_.copyToClipboard) = std::tuple(0, 1);
    // Drawn by the window, copied from its DC and, as the foreground window, from the screen;
    // each with the cursor drawn in and put on the clipboard.
    const auto capture = [&](int i) {
        settings_.noTooltip = i % 3 == 0 ? 1 : 0;
        return Capture(i % 3 == 2 ? "snapshot_alt" : "window");
    };
    // Whatever the system makes once and keeps (caches, the clipboard's bitmap) is made
    // before the count.
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(capture(i), "");
        ASSERT_EQ(picture_.pixel(70, 5), ColorOf(window.pixel(70, 5))) << i;
        ASSERT_NE(Mismatches(picture_, 80, 60, [&](int x, int y) { return ColorOf(window.pixel(x, y)); }), "")
            << "the cursor is drawn in";
    }
    const long before = FreeGdiSlots();
    for (int i = 0; i < 1000; ++i) capture(i);
    EXPECT_EQ(FreeGdiSlots(), before);
    EXPECT_TRUE(ui_.messages.empty());
}

}  // namespace
}  // namespace tessarin::test
