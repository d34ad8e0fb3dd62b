// Captures on a desktop of three monitors (scripts/with-monitors): the primary 1280 x 1024 at
// (0, 0), 1920 x 1080 left of it and 1280 x 1080 above it. Each capture goes to the clipboard
// too, where its size and every pixel are read back and compared with what the screen showed,
// black where no monitor is. The windows here belong to the test, another process: under Wine
// their own drawing never reaches the program, so every window capture is the screen copy.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "e2e/desk.h"
#include "e2e/program.h"
#include "win32/picture.h"

namespace tessarin::test {
namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);

// Pixels read back, 0x00RRGGBB top-down rows.
struct Shot {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    [[nodiscard]] COLORREF at(int x, int y) const {
        const uint32_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
};

Shot ShotOf(HDC dc, HBITMAP bitmap) {
    BITMAP info{};
    Shot shot;
    if (GetObjectW(bitmap, sizeof info, &info) == 0) return shot;
    shot.width = info.bmWidth;
    shot.height = info.bmHeight;
    shot.pixels.resize(static_cast<size_t>(shot.width) * static_cast<size_t>(shot.height));
    BITMAPINFO header = TopDownInfo(shot.width, shot.height);
    GetDIBits(dc, bitmap, 0, static_cast<UINT>(shot.height), shot.pixels.data(), &header, DIB_RGB_COLORS);
    for (uint32_t& p : shot.pixels) p &= 0xFFFFFFU;
    return shot;
}

// The bitmap on the clipboard; 0 x 0 when there is none.
Shot ClipboardShot() {
    const ClipboardGuard open(nullptr);
    if (!open) return {};
    const auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    return bitmap != nullptr ? ShotOf(WindowDc(nullptr).get(), bitmap) : Shot{};
}

void EmptyClipboard() {
    const ClipboardGuard open(nullptr);
    if (open) ::EmptyClipboard();
}

// Asked of the system once: per pixel it would take minutes.
bool OnAMonitor(int x, int y) {
    static const std::vector<RECT> monitors = [] {
        std::vector<RECT> rects;
        EnumDisplayMonitors(
            nullptr, nullptr,
            [](HMONITOR, HDC, LPRECT r, LPARAM list) {
                reinterpret_cast<std::vector<RECT>*>(list)->push_back(*r);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&rects));
        return rects;
    }();
    const POINT p{x, y};
    return std::ranges::any_of(monitors, [&](const RECT& r) { return PtInRect(&r, p) != FALSE; });
}

// What the screen shows of a rectangle now, black where no monitor is: a capture of it must
// give exactly this.
Shot ScreenShot(const RECT& r) {
    const WindowDc screen(nullptr);
    const MemoryDc memory(CreateCompatibleDC(screen.get()));
    const GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), r.right - r.left, r.bottom - r.top));
    {
        const SelectGuard selected(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, r.right - r.left, r.bottom - r.top, screen.get(), r.left, r.top, SRCCOPY);
    }
    Shot shot = ShotOf(screen.get(), bitmap.get());
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            if (!OnAMonitor(r.left + x, r.top + y)) shot.pixels[static_cast<size_t>(y * shot.width + x)] = 0;
    return shot;
}

// What the screen shows of a rectangle once its windows have drawn themselves: two looks in a
// row agree and show more than one colour.
Shot SettledShot(const RECT& r) {
    Shot last;
    (void)Await(
        [&] {
            Shot now = ScreenShot(r);
            const bool settled = now.pixels == last.pixels && !now.pixels.empty() &&
                                 std::ranges::any_of(now.pixels, [&](uint32_t p) { return p != now.pixels[0]; });
            last = std::move(now);
            ProcessMessagesFor(20);
            return settled;
        },
        10000);
    return last;
}

// "" when the shot is width x height and every pixel is as expected; else what differs first.
std::string Mismatch(const Shot& shot, int width, int height, const std::function<COLORREF(int, int)>& expected) {
    char text[80] = "";
    if (shot.width != width || shot.height != height) {
        std::snprintf(text, sizeof text, "size %d x %d, want %d x %d", shot.width, shot.height, width, height);
        return text;
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (shot.at(x, y) != expected(x, y)) {
                std::snprintf(text, sizeof text, "%d,%d is %06lX, want %06lX", x, y, shot.at(x, y), expected(x, y));
                return text;
            }
    return "";
}

// A topmost window of one colour, shown once the screen has it.
UniqueWindow ColouredWindow(RECT r, COLORREF colour) {
    wchar_t className[32];
    swprintf(className, 32, L"TessarinColour%06lX", colour);
    if (!RegisterWindowClass(className, DefWindowProcW, CreateSolidBrush(colour))) return {};
    UniqueWindow window(CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, className, L"",
                                        WS_POPUP | WS_VISIBLE, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    UpdateWindow(window.get());
    // Looked for where a monitor shows it.
    POINT seen{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    for (const POINT p :
         {POINT{r.left + 5, r.top + 5}, POINT{r.right - 5, r.bottom - 5}, POINT{r.left + 5, r.bottom - 5}})
        if (!OnAMonitor(seen.x, seen.y)) seen = p;
    EXPECT_TRUE(Await([&] { return ScreenPixel(seen.x, seen.y) == colour; }, 10000));
    return window;
}

RECT At(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }

class Monitors : public ::testing::Test {
protected:
    void SetUp() override {
        // scripts/with-monitors names the monitors it made: without them there, the run is wrong.
        if (GetSystemMetrics(SM_CMONITORS) < 3) {
            ASSERT_EQ(std::getenv("TESSARIN_MONITORS"), nullptr) << "the monitors were not made";
            GTEST_SKIP() << "run under scripts/with-monitors";
        }
    }
    void TearDown() override {
        for (WORD vk : {WORD{VK_CONTROL}, WORD{VK_SHIFT}, WORD{'C'}}) Key(vk, false);
        if (main_ != nullptr) {
            EXPECT_EQ(program_.Quit(), 0u);
        }
    }
    void Start(const std::string& conf) {
        ASSERT_TRUE(WriteBytes(program_.path("conf.txt"), "copy to clipboard = 1\r\n" + conf));
        main_ = program_.Run("-auto");
        ASSERT_NE(main_, nullptr);
        ASSERT_TRUE(AwaitStatus("Go"));
    }
    // Ctrl+C with the pointer there: what went to the clipboard. Hiding our window for the copy
    // has Wine read the keys from the X server again, which never saw the injected ones: they may
    // be let go behind the test's back. So the test does not wait to see each let go, but for a
    // pass that shows the pointer somewhere new after both are up.
    Shot CaptureAt(POINT pointer) {
        EmptyClipboard();
        MovePointer(main_, pointer.x, pointer.y);
        Key(VK_CONTROL, true);
        const bool blank = AwaitStatus("");
        Key('C', true);
        EXPECT_TRUE(blank && AwaitStatus("キャプチャー完了")) << StatusField();
        Key('C', false);
        Key(VK_CONTROL, false);
        EXPECT_TRUE(Await([] { return GetAsyncKeyState(VK_CONTROL) >= 0 && GetAsyncKeyState('C') >= 0; }, 5000));
        MovePointer(main_, pointer.x + 1, pointer.y);
        return ClipboardShot();
    }

    Program program_;
    HWND main_ = nullptr;
};

// A window wherever it stands: on the monitor left of the primary, across that monitor's edge,
// above the primary, past the primary's bottom right corner where no monitor is, larger than
// the primary and across all three; and what the screen shows there for an edit control.
TEST_F(Monitors, AWindowComesOutAsTheScreenShowsItOnEveryMonitor) {
    Start("");
    const std::tuple<const char*, RECT, COLORREF, POINT> cases[] = {
        {"left", At(-1700, 300, 300, 200), RGB(220, 20, 20), {-1600, 400}},
        {"across the left edge", At(-150, 100, 300, 200), RGB(20, 200, 40), {-100, 150}},
        {"above", At(100, -900, 300, 200), RGB(30, 40, 230), {200, -800}},
        {"past the bottom right", At(1100, 950, 300, 200), RGB(230, 220, 20), {1150, 1000}},
        {"larger than the primary", At(-800, -30, 1600, 1100), RGB(200, 30, 200), {-700, 500}},
    };
    for (const auto& [label, rect, colour, pointer] : cases) {
        SCOPED_TRACE(label);
        const UniqueWindow window = ColouredWindow(rect, colour);
        const Shot shot = CaptureAt(pointer);
        const int left = rect.left, top = rect.top;
        EXPECT_EQ(Mismatch(shot, rect.right - rect.left, rect.bottom - rect.top,
                           [&](int x, int y) { return OnAMonitor(left + x, top + y) ? colour : kBlack; }),
                  "");
    }

    // Another program's edit control: its device context gives nothing here, the screen does.
    const UniqueWindow box(CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, L"Edit",
                                           L"Tessarin の文 0123456789", WS_POPUP | WS_VISIBLE | WS_BORDER, -1700, 700,
                                           300, 60, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(box);
    UpdateWindow(box.get());
    const Shot before = SettledShot(At(-1700, 700, 300, 60));
    const Shot shot = CaptureAt({-1690, 740});
    EXPECT_EQ(Mismatch(shot, 300, 60, [&](int x, int y) { return before.at(x, y); }), "");
}

// Under the program's own topmost window: the capture shows the window, not ours, and ours is
// back afterwards.
TEST_F(Monitors, OurOwnWindowIsNeverInTheCaptureOfAnother) {
    Start("");
    RECT mine{};
    GetWindowRect(main_, &mine);
    const RECT under = At(mine.left - 100, mine.top - 100, 300, 200);
    const COLORREF colour = RGB(20, 200, 200);
    const UniqueWindow window = ColouredWindow(under, colour);
    SetWindowPos(main_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const POINT overlap{mine.left + 20, mine.top + 20};
    ASSERT_TRUE(Await([&] { return ScreenPixel(overlap.x, overlap.y) != colour; }, 10000)) << "ours is not on top";
    const Shot shot = CaptureAt({under.left + 10, under.top + 10});
    EXPECT_EQ(Mismatch(shot, 300, 200, [&](int, int) { return colour; }), "");
    EXPECT_TRUE(Await([&] { return IsWindowVisible(main_) && ScreenPixel(overlap.x, overlap.y) != colour; }, 10000));
}

// Print Screen takes every monitor, black where none is; a range is exact across a monitor edge.
TEST_F(Monitors, PrintScreenTakesEveryMonitorAndARangeCrossesTheirEdges) {
    Start("");
    const UniqueWindow left = ColouredWindow(At(-1700, 300, 300, 200), RGB(220, 20, 20));
    const UniqueWindow above = ColouredWindow(At(100, -900, 300, 200), RGB(30, 40, 230));
    EmptyClipboard();
    ASSERT_TRUE(Tap(main_, VK_SNAPSHOT));
    EXPECT_TRUE(AwaitStatus("キャプチャー完了"));
    const Shot desktop = ClipboardShot();
    ASSERT_EQ(std::pair(desktop.width, desktop.height), std::pair(3200, 2160));
    // (x, y) of the virtual screen is (x + 1920, y + 1080) of the picture.
    const std::tuple<int, int, COLORREF> samples[] = {
        {-1600, 400, RGB(220, 20, 20)}, {200, -800, RGB(30, 40, 230)}, {-1000, -500, kBlack}, {1000, 1050, kBlack}};
    for (const auto& [x, y, colour] : samples) EXPECT_EQ(desktop.at(x + 1920, y + 1080), colour) << x << "," << y;

    // A blue window inside a range on the bare screen across the left edge of the primary.
    const UniqueWindow blue = ColouredWindow(At(-150, 450, 200, 150), RGB(30, 40, 230));
    const RECT range = At(-200, 400, 300, 250);
    const Shot before = ScreenShot(range);
    RECT drawn{};
    ASSERT_NE(DrawRange(program_, main_, {range.left, range.top}, {range.right, range.bottom}, drawn), nullptr);
    EmptyClipboard();
    ASSERT_TRUE(CtrlC(main_));
    EXPECT_EQ(Mismatch(ClipboardShot(), 300, 250, [&](int x, int y) { return before.at(x, y); }), "");
}

// A part target with nothing accessible under the pointer takes nothing and says so; over a
// button on the left monitor it takes the button.
TEST_F(Monitors, APartIsTakenOnAnyMonitorAndNothingUnderThePointerIsReported) {
    Start("pos = 1\r\n");
    const UniqueWindow panel(CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, L"Static", L"",
                                             WS_POPUP | WS_VISIBLE, -1700, 300, 300, 100, nullptr, nullptr,
                                             GetModuleHandleW(nullptr), nullptr));
    HWND button = CreateWindowExW(0, L"Button", L"OK", WS_CHILD | WS_VISIBLE, 20, 20, 120, 40, panel.get(), nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(button, nullptr);
    UpdateWindow(panel.get());
    RECT r{};
    GetWindowRect(button, &r);
    const Shot before = SettledShot(r);
    EXPECT_EQ(Mismatch(CaptureAt({r.left + 60, r.top + 20}), r.right - r.left, r.bottom - r.top,
                       [&](int x, int y) { return before.at(x, y); }),
              "");

    EmptyClipboard();
    MovePointer(main_, -1000, 900);  // the bare screen: nothing accessible there under Wine
    EXPECT_TRUE(Shortcut(main_, VK_CONTROL, 'C', "キャプチャー失敗：対象なし"));
    EXPECT_EQ(ClipboardShot().width, 0);
}

// The main window opens where it was when that place is on a monitor, the one left of the
// primary too; remembered on a monitor that is gone, it opens whole on the nearest one.
TEST_F(Monitors, TheMainWindowOpensWhereItWasOrWholeOnTheNearestMonitor) {
    // conf.txt's place, where the window's top left corner must be, and its monitor's rectangle
    const std::tuple<const char*, POINT, RECT> cases[] = {
        {"form left = -1700\r\nform top = 100\r\nform right = -1100\r\nform bottom = 500\r\n",
         {-1700, 100},
         {-1920, 0, 0, 1080}},
        {"form left = 300\r\nform top = -900\r\nform right = 900\r\nform bottom = -500\r\n",
         {300, -900},
         {0, -1080, 1280, 0}},
        {"form left = 5000\r\nform top = 200\r\nform right = 5600\r\nform bottom = 600\r\n",
         {-1, -1},
         {0, 0, 1280, 1024}},
        {"form left = -5000\r\nform top = 700\r\nform right = -4400\r\nform bottom = 1100\r\n",
         {-1, -1},
         {-1920, 0, 0, 1080}},
    };
    for (const auto& [conf, corner, monitor] : cases) {
        SCOPED_TRACE(conf);
        Program program;
        ASSERT_TRUE(WriteBytes(program.path("conf.txt"), conf));
        const HWND main = program.Run("");
        ASSERT_NE(main, nullptr);
        RECT r{};
        GetWindowRect(main, &r);
        if (corner.x != -1) {
            EXPECT_EQ(std::pair(r.left, r.top), std::pair(corner.x, corner.y));
        }
        EXPECT_TRUE(r.left >= monitor.left && r.top >= monitor.top && r.right <= monitor.right &&
                    r.bottom <= monitor.bottom)
            << r.left << "," << r.top << "," << r.right << "," << r.bottom;
        EXPECT_EQ(program.Quit(), 0u);
    }
}

}  // namespace
}  // namespace tessarin::test
