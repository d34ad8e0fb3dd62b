// The window queries, the preview picture and the grabber against real windows and real
// screen pixels.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "capture_test_support.h"
#include "win32/desktop.h"
#include "win32/grabber.h"
#include "win32/picture.h"
#include "win32/window_queries.h"

namespace tessarin::test {
namespace {

constexpr COLORREF kRed = RGB(200, 30, 40);
constexpr COLORREF kGreen = RGB(20, 180, 60);
constexpr COLORREF kBlue = RGB(30, 50, 210);
constexpr COLORREF kBackground = RGB(250, 240, 10);

// Where the pointer waits while screen pixels are compared: no test window goes there.
void ParkPointer() { ASSERT_TRUE(MovePointer(1270, 10)); }

// Every pixel of the picture that differs from the expected colour, as "x,y=RRGGBB" (the
// first few), so a failure shows where.
std::string Mismatches(const Picture& picture, const std::function<COLORREF(int, int)>& expected) {
    std::string found;
    int count = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (picture.pixel(x, y) != expected(x, y) && count++ < 5) {
                char text[64];
                std::snprintf(text, sizeof text, "%d,%d=%06X want %06X ", x, y, PixelOf(picture.pixel(x, y)),
                              PixelOf(expected(x, y)));
                found += text;
            }
        }
    }
    if (count > 5) found += "... " + std::to_string(count) + " in all";
    return found;
}

// ---- Window queries -------------------------------------------------------------------

TEST(WinDesktop, ClassNamesAndTitlesAreCutAt127Characters) {
    WinDesktop desktop;
    std::wstring longClass;
    for (int i = 0; i < 130; ++i) longClass += static_cast<wchar_t>(L'A' + i % 26);
    const std::wstring longTitle(200, L'x');
    PaintedWindow longOne(
        At(40, 40, 50, 30), [](int, int) { return 0u; }, longTitle, longClass.c_str());
    ASSERT_NE(longOne.hwnd(), nullptr);
    PaintedWindow japanese(
        At(100, 40, 50, 30), [](int, int) { return 0u; }, L"メモ - 1.txt");
    ASSERT_NE(japanese.hwnd(), nullptr);

    struct Case {
        uint32_t window;
        std::string className;
        std::string title;
    };
    const uint32_t gone = PaintedWindow(
                              At(160, 40, 10, 10), [](int, int) { return 0u; }, L"gone")
                              .id();
    const Case cases[] = {
        {longOne.id(), WideToUtf8(longClass.substr(0, 127)), std::string(127, 'x')},
        {japanese.id(), "TessarinCaptureTestWindow", "メモ - 1.txt"},
        {0, "", ""},
        {gone, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.className);
        EXPECT_EQ(desktop.className(c.window), c.className);
        EXPECT_EQ(WindowClassName(c.window), c.className);
        EXPECT_EQ(desktop.windowText(c.window), c.title);
    }
}

TEST(WinDesktop, ControlTextReadsUpTo4095CharactersAndNothingForNoWindow) {
    PaintedWindow titled(
        At(40, 40, 50, 30), [](int, int) { return 0u; }, std::wstring(5000, L'z'));
    PaintedWindow untitled(At(100, 40, 50, 30), [](int, int) { return 0u; });
    EXPECT_EQ(ControlText(titled.id()), std::string(4095, 'z'));
    EXPECT_EQ(ControlText(untitled.id()), "");
    EXPECT_EQ(ControlText(0), "");
}

TEST(WinDesktop, RectVisibilityAndTheListOfTopLevelWindows) {
    WinDesktop desktop;
    PaintedWindow shown(At(40, 60, 70, 50), [](int, int) { return 0u; });
    PaintedWindow hidden(
        At(140, 60, 30, 20), [](int, int) { return 0u; }, L"", nullptr, false);
    ASSERT_NE(shown.hwnd(), nullptr);
    ASSERT_NE(hidden.hwnd(), nullptr);

    EXPECT_EQ(desktop.windowRect(shown.id()), (Rect{40, 60, 110, 110}));
    EXPECT_EQ(desktop.windowRect(hidden.id()), (Rect{140, 60, 170, 80}));
    EXPECT_EQ(desktop.windowRect(0), Rect{});
    EXPECT_TRUE(desktop.isVisible(shown.id()));
    EXPECT_FALSE(desktop.isVisible(hidden.id()));
    EXPECT_FALSE(desktop.isVisible(0));

    // Listed from the top of the z-order down, hidden windows included.
    const auto position = [&](uint32_t window) {
        const std::vector<WindowId> all = desktop.topLevelWindows();
        return std::find(all.begin(), all.end(), window) - all.begin();
    };
    const auto count = static_cast<ptrdiff_t>(desktop.topLevelWindows().size());
    for (const PaintedWindow* top : {&shown, &hidden, &shown}) {
        const PaintedWindow* other = top == &shown ? &hidden : &shown;
        ::SetWindowPos(top->hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        EXPECT_LT(position(top->id()), position(other->id()));
        EXPECT_LT(position(other->id()), count);
    }

    shown.hide();
    hidden.show();
    EXPECT_FALSE(desktop.isVisible(shown.id()));
    EXPECT_TRUE(desktop.isVisible(hidden.id()));
}

TEST(WinDesktop, PointerForegroundAndTheWindowUnderAPoint) {
    WinDesktop desktop;
    PaintedWindow window(At(200, 300, 80, 60), [](int, int) { return 0u; });
    ASSERT_NE(window.hwnd(), nullptr);
    ASSERT_TRUE(MovePointer(215, 330));
    EXPECT_EQ(desktop.cursorPos(), (Point{215, 330}));
    EXPECT_EQ(desktop.windowFromPoint({240, 330}), window.id());
    EXPECT_NE(desktop.windowFromPoint({199, 330}), window.id());

    ::SetForegroundWindow(window.hwnd());
    EXPECT_TRUE(PumpUntil([&] { return desktop.foregroundWindow() == window.id(); }));
}

TEST(WinDesktop, SystemVersionAndScreenSize) {
    WinDesktop desktop;
    EXPECT_EQ(desktop.osPlatformId(), 2) << "the NT family";
    EXPECT_GE(desktop.osVersionNumber(), 5.1f);
    const float version = desktop.osVersionNumber();
    EXPECT_FLOAT_EQ(version * 10.0f, static_cast<float>(static_cast<int>(version * 10.0f + 0.5f)))
        << "major + minor / 10";
    EXPECT_EQ(desktop.screenWidth(), ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(desktop.screenHeight(), ::GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GT(desktop.screenWidth(), 0);
    EXPECT_GT(desktop.screenHeight(), 0);
}

// GetCursor answers for the calling thread's input only; the cursor that counts is the one of
// the thread owning the foreground window.
TEST(WinDesktop, ForegroundCursorIsTheCursorOfTheForegroundWindowsThread) {
    const HCURSOR cross = ::LoadCursorW(nullptr, IDC_CROSS);
    ::SetCursor(nullptr);
    std::atomic<HWND> foreign{nullptr};
    std::atomic<bool> stop{false};
    std::thread other([&] {
        PaintedWindow window(At(900, 300, 40, 40), [](int, int) { return 0u; });
        window.setCursor(cross);
        ::SetForegroundWindow(window.hwnd());
        ::SetCursor(cross);
        foreign = window.hwnd();
        PumpUntil([&] { return stop.load(); }, 60000);
    });
    const bool ready = PumpUntil([&] { return foreign.load() != nullptr && ::GetForegroundWindow() == foreign; });
    EXPECT_TRUE(ready) << "the other thread's window did not come to the foreground";
    if (ready) {
        EXPECT_EQ(::GetCursor(), nullptr) << "this thread shows no cursor";
        EXPECT_EQ(ForegroundCursor(), cross);
        EXPECT_EQ(::GetCursor(), nullptr) << "the input is detached again";
    }
    stop = true;
    other.join();
}

// ---- The preview picture ----------------------------------------------------------------

TEST(Picture, SizesAreNeverNegativeAndEveryResizeClearsToTheBackground) {
    Picture picture(kBackground);
    ASSERT_TRUE(picture.ok());
    EXPECT_EQ(picture.width(), 0);
    EXPECT_EQ(picture.height(), 0);
    EXPECT_EQ(picture.bits(), nullptr);

    struct Case {
        int32_t width;
        int32_t height;
        int32_t expectedWidth;
        int32_t expectedHeight;
    };
    const Case cases[] = {{-5, 3, 0, 3}, {4, -1, 4, 0}, {0, 0, 0, 0}, {7, 5, 7, 5}, {7, 5, 7, 5}, {1, 1, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        // Something drawn before the resize must not survive it.
        const GdiObject<HBRUSH> brush(::CreateSolidBrush(kRed));
        RECT all{0, 0, 100, 100};
        ::FillRect(picture.dc(), &all, brush.get());
        ASSERT_TRUE(picture.resize(c.width, c.height));
        EXPECT_EQ(picture.width(), c.expectedWidth);
        EXPECT_EQ(picture.height(), c.expectedHeight);
        EXPECT_EQ(Mismatches(picture, [](int, int) { return kBackground; }), "");
        EXPECT_EQ(picture.pixel(c.expectedWidth, 0), CLR_INVALID);
        EXPECT_EQ(picture.pixel(-1, 0), CLR_INVALID);
        EXPECT_EQ(picture.bits() == nullptr, c.expectedWidth == 0 || c.expectedHeight == 0);
    }
}

TEST(Picture, ItsPixelsAreTopDownAndClearRestoresTheBackground) {
    Picture picture(kBackground);
    ASSERT_TRUE(picture.resize(6, 4));
    ::SetPixel(picture.dc(), 1, 0, kRed);
    ::SetPixel(picture.dc(), 5, 3, kBlue);
    EXPECT_EQ(picture.pixel(1, 0), kRed);
    EXPECT_EQ(picture.pixel(5, 3), kBlue);
    EXPECT_EQ(picture.bits()[1], PixelOf(kRed) | (picture.bits()[1] & 0xFF000000));
    EXPECT_EQ(picture.bits()[3 * 6 + 5] & 0xFFFFFF, PixelOf(kBlue));
    picture.clear();
    EXPECT_EQ(Mismatches(picture, [](int, int) { return kBackground; }), "");
    EXPECT_EQ(picture.width(), 6) << "clearing keeps the size";

    // A size no bitmap can have (a window rectangle gone wild) leaves the picture as it was.
    ::SetPixel(picture.dc(), 2, 2, kGreen);
    EXPECT_FALSE(picture.resize(100000, 100000));
    EXPECT_EQ(picture.width(), 6);
    EXPECT_EQ(picture.height(), 4);
    EXPECT_EQ(picture.pixel(2, 2), kGreen);
}

TEST(Picture, MovesHandOverThePixelsAndTheDc) {
    Picture first(kBackground);
    ASSERT_TRUE(first.resize(3, 2));
    ::SetPixel(first.dc(), 2, 1, kGreen);
    const HDC dc = first.dc();
    Picture second(std::move(first));
    EXPECT_EQ(second.dc(), dc);
    EXPECT_EQ(second.pixel(2, 1), kGreen);
    EXPECT_EQ(first.width(), 0);  // NOLINT(bugprone-use-after-move): moved-from state is defined
    Picture third(kRed);
    ASSERT_TRUE(third.resize(9, 9));
    third = std::move(second);
    EXPECT_EQ(third.width(), 3);
    EXPECT_EQ(third.pixel(2, 1), kGreen);
    EXPECT_EQ(third.background(), kBackground);
}

TEST(Picture, CopyAsDdbKeepsSizeAndPixelsInTheScreensFormat) {
    Picture picture(kBackground);
    ASSERT_TRUE(picture.resize(5, 3));
    ::SetPixel(picture.dc(), 0, 0, kRed);
    ::SetPixel(picture.dc(), 4, 2, kBlue);
    const GdiObject<HBITMAP> copy = picture.CopyAsDdb();
    ASSERT_TRUE(copy);
    DIBSECTION section{};
    EXPECT_EQ(::GetObjectW(copy.get(), sizeof section, &section), static_cast<int>(sizeof(BITMAP)))
        << "a device-dependent bitmap, not a DIB section";
    EXPECT_EQ(section.dsBm.bmWidth, 5);
    EXPECT_EQ(section.dsBm.bmHeight, 3);
    EXPECT_EQ(section.dsBm.bmBitsPixel, ::GetDeviceCaps(WindowDc(nullptr).get(), BITSPIXEL));

    const MemoryDc reader(::CreateCompatibleDC(nullptr));
    const SelectGuard selected(reader.get(), copy.get());
    EXPECT_EQ(::GetPixel(reader.get(), 0, 0), kRed);
    EXPECT_EQ(::GetPixel(reader.get(), 4, 2), kBlue);
    EXPECT_EQ(::GetPixel(reader.get(), 2, 1), kBackground);

    ASSERT_TRUE(picture.resize(0, 3));
    EXPECT_FALSE(picture.CopyAsDdb()) << "no bitmap can hold a picture without pixels";
}

// ---- Grabber ------------------------------------------------------------------------------

class WinGrabberTest : public ::testing::Test {
protected:
    void SetUp() override { ParkPointer(); }

    Picture picture_{kBackground};
    WinGrabber grabber_{picture_};
};

TEST_F(WinGrabberTest, ScreenCopyOfASolidWindowIsThatColourEverywhere) {
    const auto window = PaintedWindow::Solid(At(300, 200, 120, 80), kRed);
    ASSERT_TRUE(window->waitShown());
    for (const bool layered : {true, false}) {
        SCOPED_TRACE(layered ? "with CAPTUREBLT" : "SRCCOPY");
        grabber_.clearPicture();
        grabber_.resizePicture(120, 80);
        grabber_.blitFromScreen(-300, -200, 420, 280, layered);
        EXPECT_EQ(Mismatches(picture_, [](int, int) { return kRed; }), "");
    }
    // One pixel more on each side shows what lies around the window.
    grabber_.resizePicture(122, 82);
    grabber_.blitFromScreen(-299, -199, 421, 281, true);
    EXPECT_EQ(picture_.pixel(1, 1), kRed);
    EXPECT_NE(picture_.pixel(0, 0), kRed);
    EXPECT_NE(picture_.pixel(121, 81), kRed);
}

TEST_F(WinGrabberTest, ScreenCopyLandsWherePositionAndExtentSay) {
    // Vertical stripes with a vertical ramp: every shift shows.
    PaintedWindow window(At(100, 100, 60, 40), [](int x, int y) { return PixelOf(RGB(x * 4, y * 6, 0x80)); });
    ASSERT_TRUE(window.waitShown());
    // The screen from (103, 102) at the origin: the extent (150, 120) counts from the offset
    // (-103, -102), so 47 x 18 are filled and the rest keeps the background.
    grabber_.resizePicture(50, 20);
    grabber_.blitFromScreen(-103, -102, 150, 120, true);
    EXPECT_EQ(
        Mismatches(picture_,
                   [&](int x, int y) { return x < 47 && y < 18 ? ColorOf(window.pixel(x + 3, y + 2)) : kBackground; }),
        "");
}

TEST_F(WinGrabberTest, PrintWindowRendersACoveredWindowItself) {
    const auto covered = PaintedWindow::Solid(At(500, 200, 100, 80), kGreen);
    ASSERT_TRUE(covered->waitShown());
    const auto cover = PaintedWindow::Solid(At(540, 220, 100, 100), kBlue);
    ASSERT_TRUE(cover->waitShown());
    ASSERT_EQ(ScreenPixel(560, 240), kBlue) << "the cover lies over the window";

    grabber_.resizePicture(100, 80);
    grabber_.printWindow(covered->id(), 0, 0, 100, 80);
    EXPECT_EQ(Mismatches(picture_, [](int, int) { return kGreen; }), "");

    // The screen copy of the same area shows the cover: the two paths differ.
    grabber_.resizePicture(100, 80);
    grabber_.blitFromScreen(-500, -200, 600, 280, true);
    EXPECT_EQ(picture_.pixel(60, 40), kBlue);
}

TEST_F(WinGrabberTest, PrintWindowPlacesThePartAskedFor) {
    PaintedWindow window(At(700, 200, 60, 40), [](int x, int y) { return PixelOf(RGB(x * 4, y * 6, 0x33)); });
    ASSERT_TRUE(window.waitShown());
    // Window pixels (10, 5) .. (30, 25) at the origin, as for a part of the window.
    grabber_.resizePicture(20, 20);
    grabber_.printWindow(window.id(), -10, -5, 30, 25);
    EXPECT_EQ(Mismatches(picture_, [&](int x, int y) { return ColorOf(window.pixel(x + 10, y + 5)); }), "");
}

TEST_F(WinGrabberTest, WindowDcCopyGivesTheClientPixels) {
    PaintedWindow window(At(300, 400, 64, 48), [](int x, int y) { return PixelOf(RGB(255 - x * 3, y * 5, 0x10)); });
    ASSERT_TRUE(window.waitShown());
    grabber_.resizePicture(64, 48);
    grabber_.blitFromWindowDc(window.id(), 0, 0, 64, 48, true);
    EXPECT_EQ(Mismatches(picture_, [&](int x, int y) { return ColorOf(window.pixel(x, y)); }), "");
}

TEST_F(WinGrabberTest, CopiesOfAWindowThatIsGoneLeaveThePictureAlone) {
    const uint32_t gone = [] {
        const auto window = PaintedWindow::Solid(At(300, 400, 20, 20), kRed);
        return window->id();
    }();
    ASSERT_FALSE(::IsWindow(ToHwnd(gone)));
    grabber_.resizePicture(20, 20);
    grabber_.blitFromWindowDc(gone, 0, 0, 20, 20, true);
    grabber_.printWindow(gone, 0, 0, 20, 20);
    grabber_.blitFromWindowDc(0, 0, 0, 20, 20, true);
    EXPECT_EQ(Mismatches(picture_, [](int, int) { return kBackground; }), "");
}

TEST_F(WinGrabberTest, ResizeTakesNegativeExtentsAsZero) {
    grabber_.resizePicture(-5, 3);
    EXPECT_EQ(picture_.width(), 0);
    EXPECT_EQ(picture_.height(), 3);
    // Copies into a picture without pixels are harmless.
    grabber_.blitFromScreen(0, 0, 100, 100, true);
    grabber_.drawCursor(0, 0);
    EXPECT_EQ(picture_.width(), 0);
}

// Window point (50, 50) of a picture is where the pointer is; the cursor drawn around it.
TEST_F(WinGrabberTest, TheCursorIsDrawnWithItsHotSpotAtThePointer) {
    PaintedWindow window(At(600, 500, 100, 100), [](int, int) { return PixelOf(kGreen); });
    ASSERT_NE(window.hwnd(), nullptr);
    const HCURSOR cross = ::LoadCursorW(nullptr, IDC_CROSS);
    ASSERT_NE(cross, nullptr);
    window.setCursor(cross);
    ::SetForegroundWindow(window.hwnd());
    ASSERT_TRUE(MovePointer(640, 530));
    ::SetCursor(cross);
    ASSERT_TRUE(PumpUntil([&] { return ForegroundCursor() == cross; }));

    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(cross, &info));
    const GdiObject<HBITMAP> mask(info.hbmMask);
    const GdiObject<HBITMAP> colour(info.hbmColor);
    const int cursorWidth = ::GetSystemMetrics(SM_CXCURSOR);
    const int cursorHeight = ::GetSystemMetrics(SM_CYCURSOR);

    // The changed pixels, relative to where the cursor image's top left should be.
    const auto drawnAt = [&](int originX, int originY) {
        grabber_.resizePicture(100, 100);
        grabber_.drawCursor(originX, originY);
        const int left = 640 - originX - static_cast<int>(info.xHotspot);
        const int top = 530 - originY - static_cast<int>(info.yHotspot);
        std::vector<POINT> changed;
        bool outside = false;
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 100; ++x) {
                if (picture_.pixel(x, y) == kBackground) continue;
                changed.push_back({x - left, y - top});
                outside |= x < left || y < top || x >= left + cursorWidth || y >= top + cursorHeight;
            }
        }
        EXPECT_FALSE(outside) << "drawn beyond the cursor's box";
        return changed;
    };
    const std::vector<POINT> first = drawnAt(590, 480);
    EXPECT_FALSE(first.empty()) << "the cross was not drawn";
    const std::vector<POINT> shifted = drawnAt(580, 470);
    ASSERT_EQ(first.size(), shifted.size()) << "another origin moves the same image";
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].x, shifted[i].x);
        EXPECT_EQ(first[i].y, shifted[i].y);
    }

    // Without a cursor shape nothing is drawn.
    window.setCursor(nullptr);
    ::SetCursor(nullptr);
    ASSERT_TRUE(PumpUntil([&] { return ForegroundCursor() == nullptr; }));
    grabber_.resizePicture(100, 100);
    grabber_.drawCursor(590, 480);
    EXPECT_EQ(Mismatches(picture_, [](int, int) { return kBackground; }), "");
}

}  // namespace
}  // namespace tessarin::test
