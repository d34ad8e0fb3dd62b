// The strip of numbered thumbnail panels: what it draws where, how it scrolls through many
// thousands of entries as one window, and what the pointer reports.

#include "ui/strip.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
#include <vector>

#include "gdi_meter.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

constexpr wchar_t kHostClass[] = L"TessarinStripTestHost";
constexpr int kStripWidth = 600;
constexpr COLORREF kSelected = RGB(0xFF, 0xFF, 0xD0);

// Thumbnail colours, none of them blue, dark or grey like the panel's own pixels.
constexpr COLORREF kColours[] = {RGB(0xE0, 0x20, 0x20), RGB(0x20, 0xC0, 0x20), RGB(0xE0, 0xA0, 0x00),
                                 RGB(0xC0, 0x40, 0xC0), RGB(0x00, 0xC0, 0xC0)};

Picture Solid(COLORREF colour, int32_t width, int32_t height) {
    Picture picture(colour);
    EXPECT_TRUE(picture.resize(width, height));
    return picture;
}

bool Near(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= 8 && std::abs(GetGValue(a) - GetGValue(b)) <= 8 &&
           std::abs(GetBValue(a) - GetBValue(b)) <= 8;
}

class Strip : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterWindowClass(kHostClass, DefWindowProcW, GetSysColorBrush(COLOR_BTNFACE)));
        host_.reset(CreateWindowExW(WS_EX_TOPMOST, kHostClass, L"strip", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                                    kStripWidth + 100, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(host_);
        ShowWindow(host_.get(), SW_SHOWNOACTIVATE);
        ASSERT_TRUE(strip_.Create(host_.get(), RECT{0, 0, kStripWidth, 90}));
        tpp_ = strip_.Metrics().twipsPerPixel;
    }

    COLORREF PixelAt(int x, int y) {
        UpdateWindow(strip_.hwnd());
        const WindowDc dc(strip_.hwnd());
        return GetPixel(dc.get(), x, y);
    }
    // The middle of the lower right part of a panel's 20 x 20 thumbnail, clear of its caption.
    COLORREF ThumbnailPixel(int32_t position) {
        const RECT r = strip_.PanelRect(position);
        return PixelAt(r.left + 30 / tpp_ + 16, r.top + 150 / tpp_ + 16);
    }
    // Panel background that neither the thumbnail nor the frame line covers.
    COLORREF BackPixel(int32_t position) {
        return PixelAt(strip_.PanelRect(position).right - 6, strip_.PanelRect(position).bottom - 6);
    }
    // Whether any pixel of the caption row above the thumbnail is blue.
    bool CaptionBlue(int32_t position) {
        const RECT r = strip_.PanelRect(position);
        for (int y = r.top; y < r.top + 150 / tpp_; ++y)
            for (int x = r.left + 2; x < r.left + 40; ++x)
                if (const COLORREF c = PixelAt(x, y); GetBValue(c) > 0xC0 && GetRValue(c) < 0x50 && GetGValue(c) < 0x50)
                    return true;
        return false;
    }

    std::vector<int32_t> hovers_;
    std::vector<int32_t> leftPresses_;
    std::vector<std::tuple<int32_t, LONG, LONG>> rightPresses_;
    frPicList strip_{frPicList::Callbacks{[this](int32_t p) { hovers_.push_back(p); },
                                          [this](int32_t p) { leftPresses_.push_back(p); },
                                          [this](int32_t p, POINT s) { rightPresses_.emplace_back(p, s.x, s.y); }}};
    UniqueWindow host_;
    int tpp_ = 15;
};

TEST_F(Strip, DrawsPanelsInPlaceReportsThePointerAndRenumbersOnRemoval) {
    // The last picture (400 x 300) is scaled into its panel and keeps its colour; the third is saved.
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(strip_.Add(Solid(kColours[i], i == 4 ? 400 : 20, i == 4 ? 300 : 20), i == 2), i + 1);
    strip_.Select(2);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    for (int32_t p = 1; p <= 5; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(strip_.PanelRect(p).left, PanelLeft(p, strip_.Metrics()));
        EXPECT_TRUE(Near(ThumbnailPixel(p), kColours[p - 1])) << std::hex << ThumbnailPixel(p);
        // The scaled thumbnail fills its panel.
        EXPECT_TRUE(p == 5 || BackPixel(p) == (p == 2 ? kSelected : face)) << std::hex << BackPixel(p);
        EXPECT_EQ(CaptionBlue(p), p == 3);
    }
    // The pointer reports each panel it enters, and presses on panels with the screen point.
    const RECT p2 = strip_.PanelRect(2);
    const RECT p4 = strip_.PanelRect(4);
    const auto send = [&](UINT message, int x, int y) { SendMessageW(strip_.hwnd(), message, 0, MAKELPARAM(x, y)); };
    // Within a panel, to the gap after it, back, below the panels, onto another panel.
    for (const POINT at :
         {POINT{p2.left + 5, p2.top + 20}, POINT{p2.left + 30, p2.top + 30}, POINT{p2.right + 1, p2.top + 20},
          POINT{p2.left + 5, p2.top + 20}, POINT{p2.left + 5, p2.bottom + 5}, POINT{p4.left + 5, p4.top + 20}})
        send(WM_MOUSEMOVE, at.x, at.y);
    EXPECT_EQ(hovers_, (std::vector<int32_t>{2, 2, 4}));

    send(WM_LBUTTONDOWN, p4.left + 3, p4.top + 3);
    send(WM_LBUTTONDOWN, p4.right + 1, p4.top + 3);
    EXPECT_EQ(leftPresses_, std::vector<int32_t>{4});
    send(WM_RBUTTONDOWN, p2.left + 3, p2.top + 3);
    POINT expected{p2.left + 3, p2.top + 3};
    ClientToScreen(strip_.hwnd(), &expected);
    EXPECT_EQ(rightPresses_, (std::vector<std::tuple<int32_t, LONG, LONG>>{{2, expected.x, expected.y}}));

    // The highlight and the caption colour follow the state, not the order of the calls.
    strip_.Select(4);
    strip_.SetSaved(3, false);
    EXPECT_EQ(BackPixel(2), face);
    EXPECT_EQ(BackPixel(4), kSelected);
    EXPECT_FALSE(CaptionBlue(3));

    // Later panels move left under new numbers; the selected entry stays selected; the old last
    // place is left blank.
    ASSERT_TRUE(strip_.Remove(1));
    for (int32_t p = 1; p <= 4; ++p) EXPECT_TRUE(Near(ThumbnailPixel(p), kColours[p])) << p;
    EXPECT_EQ(strip_.Selected(), 3);
    EXPECT_EQ(ThumbnailPixel(5), face);
    ASSERT_TRUE(strip_.Remove(3));
    EXPECT_EQ(strip_.Selected(), 3) << "the entry that moved into its place";
    EXPECT_FALSE(strip_.Remove(0) || strip_.Remove(4)) << "no such panels";
}

TEST_F(Strip, TwentyThousandEntriesAreOneWindowAndScrollToTheLast) {
    constexpr int32_t kCount = 20000;
    const Picture pictures[] = {Solid(kColours[0], 20, 20), Solid(kColours[1], 20, 20)};  // the last one differs
    for (int32_t i = 1; i <= kCount; ++i) ASSERT_EQ(strip_.Add(pictures[i == kCount ? 1 : 0], false), i);
    const HWND child = GetWindow(strip_.hwnd(), GW_CHILD);  // at most one: the scroll bar
    EXPECT_TRUE(child == nullptr || GetWindow(child, GW_HWNDNEXT) == nullptr);

    strip_.ScrollToEnd();
    const RECT last = strip_.PanelRect(kCount);
    EXPECT_TRUE(last.left >= 0 && last.right <= kStripWidth) << last.left;
    EXPECT_TRUE(Near(ThumbnailPixel(kCount), kColours[1]));
    // A press there reports the last position, not a 16-bit remainder of it.
    SendMessageW(strip_.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(last.left + 20, last.top + 20));
    EXPECT_EQ(leftPresses_, std::vector<int32_t>{kCount});
}

TEST_F(Strip, LeavesNoGdiObjectsBehindOnceEveryEntryIsGone) {
    std::vector<long> freeSlots;  // after each round; the first may fill caches of the window system
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 60; ++i) ASSERT_GT(strip_.Add(Solid(kColours[i % 5], i % 2 ? 800 : 20, 20), i % 3 == 0), 0);
        strip_.Select(60);
        strip_.ScrollToEnd();
        UpdateWindow(strip_.hwnd());
        while (strip_.Count() > 0) ASSERT_TRUE(strip_.Remove(1));
        freeSlots.push_back(FreeGdiSlots());
    }
    EXPECT_EQ(freeSlots[1], freeSlots[0]);
}

}  // namespace
}  // namespace tessarin::test
