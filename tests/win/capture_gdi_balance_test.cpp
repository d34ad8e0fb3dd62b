// A thousand captures leave no GDI object behind.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "capture_test_support.h"
#include "gdi_meter.h"
#include "win32/clipboard.h"
#include "win32/grabber.h"
#include "win32/picture.h"

namespace tessarin::test {
namespace {

TEST(GdiBalance, TheMeterSeesEveryLeakedObject) {
    const long before = FreeGdiSlots();
    EXPECT_GT(before, 1000) << "an implausible handle table: the probe would prove nothing";
    std::printf("free GDI slots: %ld\n", before);
    {
        std::vector<GdiObject<HBITMAP>> leaked;
        for (int i = 0; i < 50; ++i) leaked.emplace_back(::CreateBitmap(2, 2, 1, 1, nullptr));
        EXPECT_EQ(FreeGdiSlots(), before - 50);
    }
    EXPECT_EQ(FreeGdiSlots(), before);
}

TEST(GdiBalance, AThousandCapturesOfEveryKindLeaveNothingBehind) {
    ASSERT_TRUE(MovePointer(620, 540));
    PaintedWindow window(At(600, 500, 80, 60), [](int x, int y) { return PixelOf(RGB(x * 3, y * 4, 0x55)); });
    ASSERT_TRUE(window.waitShown());
    window.setCursor(::LoadCursorW(nullptr, IDC_CROSS));
    ::SetForegroundWindow(window.hwnd());
    ::SetCursor(::LoadCursorW(nullptr, IDC_CROSS));

    Picture picture;
    WinGrabber grabber(picture);
    WinClipboard clipboard(picture, nullptr);
    const auto capture = [&](int kind) {
        grabber.clearPicture();
        grabber.resizePicture(80, 60);
        switch (kind) {
            case 0:
                grabber.blitFromScreen(-600, -500, 680, 560, true);
                break;
            case 1:
                grabber.printWindow(window.id(), 0, 0, 80, 60);
                break;
            case 2:
                grabber.blitFromWindowDc(window.id(), 0, 0, 80, 60, false);
                break;
            case 3:
                grabber.drawCursor(600, 500);
                break;
            default: {
                const GdiObject<HBITMAP> copy = picture.CopyAsDdb();
                EXPECT_TRUE(copy);
                EXPECT_TRUE(clipboard.empty());
                EXPECT_TRUE(clipboard.setPicture());
                break;
            }
        }
    };
    // Whatever the system makes once and keeps (caches, the bitmap the clipboard holds) is
    // made before the count.
    for (int kind = 0; kind < 5; ++kind) {
        capture(kind);
        if (kind < 3) {
            ASSERT_EQ(picture.pixel(10, 10), ColorOf(window.pixel(10, 10))) << "kind " << kind;
        }
    }

    const long before = FreeGdiSlots();
    for (int i = 0; i < 1000; ++i) capture(i % 5);
    EXPECT_EQ(FreeGdiSlots(), before);
    EXPECT_TRUE(clipboard.empty());
}

}  // namespace
}  // namespace tessarin::test
