// The strip of numbered thumbnail panels: what it draws where, how it scrolls through many
// thousands of entries as one window, and what the pointer reports.

#include "ui/strip.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "gdi_meter.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

constexpr wchar_t kHostClass[] = L"TessarinStripTestHost";
constexpr int kStripWidth = 600;

// Thumbnail colours, none of them blue, dark or grey like the panel's own pixels.
constexpr COLORREF kColours[] = {RGB(0xE0, 0x20, 0x20), RGB(0x20, 0xC0, 0x20), RGB(0xE0, 0xA0, 0x00),
                                 RGB(0xC0, 0x40, 0xC0), RGB(0x00, 0xC0, 0xC0)};

Picture Solid(COLORREF colour, int32_t width, int32_t height) {
    Picture picture(colour);
    EXPECT_TRUE(picture.resize(width, height));
    return picture;
}

bool Near(COLORREF a, COLORREF b) {
    const auto close = [](int x, int y) { return x - y <= 8 && y - x <= 8; };
    return close(GetRValue(a), GetRValue(b)) && close(GetGValue(a), GetGValue(b)) && close(GetBValue(a), GetBValue(b));
}

bool IsBlue(COLORREF c) { return GetBValue(c) > 0xC0 && GetRValue(c) < 0x50 && GetGValue(c) < 0x50; }
bool IsDark(COLORREF c) { return GetBValue(c) < 0x50 && GetRValue(c) < 0x50 && GetGValue(c) < 0x50; }

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
        const RECT r = strip_.PanelRect(position);
        return PixelAt(r.right - 6, r.bottom - 6);
    }
    // Any pixel of the caption row above the thumbnail.
    bool CaptionHas(int32_t position, bool (*test)(COLORREF)) {
        const RECT r = strip_.PanelRect(position);
        UpdateWindow(strip_.hwnd());
        const WindowDc dc(strip_.hwnd());
        for (int y = r.top; y < r.top + 150 / tpp_; ++y) {
            for (int x = r.left + 2; x < r.left + 40; ++x) {
                if (test(GetPixel(dc.get(), x, y))) return true;
            }
        }
        return false;
    }
    void AddColours(bool scaledLast = false) {
        for (int i = 0; i < 5; ++i) {
            const bool large = scaledLast && i == 4;
            ASSERT_EQ(strip_.Add(Solid(kColours[i], large ? 400 : 20, large ? 300 : 20), i == 2), i + 1);
        }
    }

    std::vector<int32_t> hovers_;
    std::vector<int32_t> leftPresses_;
    std::vector<std::pair<int32_t, POINT>> rightPresses_;
    std::function<void(int32_t)> onHover_;
    frPicList strip_{frPicList::Callbacks{[this](int32_t p) {
                                              hovers_.push_back(p);
                                              if (onHover_) onHover_(p);
                                          },
                                          [this](int32_t p) { leftPresses_.push_back(p); },
                                          [this](int32_t p, POINT s) { rightPresses_.emplace_back(p, s); }}};
    UniqueWindow host_;
    int tpp_ = 15;
};

TEST_F(Strip, DrawsEachPanelAtItsPlaceWithThumbnailHighlightAndSavedCaption) {
    AddColours(/*scaledLast=*/true);
    EXPECT_EQ(strip_.Add(Picture(), false), 0) << "an empty picture is no entry";
    strip_.Select(2);
    ASSERT_EQ(strip_.Count(), 5);
    EXPECT_FALSE(strip_.Bar().visible);

    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    for (int32_t p = 1; p <= 5; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(strip_.PanelRect(p).left, PanelLeft(p, strip_.Metrics()));
        // The large picture (400 x 300) is scaled into its panel and keeps its colour.
        EXPECT_TRUE(Near(ThumbnailPixel(p), kColours[p - 1])) << std::hex << ThumbnailPixel(p);
        if (p != 5) {  // the scaled thumbnail fills its panel
            EXPECT_EQ(BackPixel(p), p == 2 ? RGB(0xFF, 0xFF, 0xD0) : face);
        }
        EXPECT_EQ(CaptionHas(p, IsBlue), p == 3);
    }
    // The highlight and the caption colour follow the state, not the order of the calls.
    strip_.Select(4);
    strip_.SetSaved(3, false);
    strip_.SetSaved(1, true);
    EXPECT_EQ(BackPixel(2), face);
    EXPECT_EQ(BackPixel(4), RGB(0xFF, 0xFF, 0xD0));
    EXPECT_FALSE(CaptionHas(3, IsBlue));
    EXPECT_TRUE(CaptionHas(1, IsBlue));
    EXPECT_TRUE(strip_.Saved(1));
    strip_.Select(99);
    EXPECT_EQ(strip_.Selected(), 0);
    EXPECT_EQ(BackPixel(4), face);
}

TEST_F(Strip, RemovingMovesLaterPanelsLeftAndKeepsOrMovesTheSelection) {
    AddColours();
    strip_.Select(3);
    ASSERT_TRUE(strip_.Remove(1));
    EXPECT_EQ(strip_.Count(), 4);
    for (int32_t p = 1; p <= 4; ++p) EXPECT_TRUE(Near(ThumbnailPixel(p), kColours[p])) << p;
    EXPECT_EQ(strip_.Selected(), 2) << "the same entry stays selected under its new number";
    EXPECT_EQ(BackPixel(2), RGB(0xFF, 0xFF, 0xD0));
    EXPECT_TRUE(strip_.Saved(2));
    // Nothing is drawn where the old last panel was.
    EXPECT_EQ(ThumbnailPixel(5), GetSysColor(COLOR_BTNFACE));

    ASSERT_TRUE(strip_.Remove(2));
    EXPECT_EQ(strip_.Selected(), 2) << "the entry that moved into its place";
    strip_.Select(3);
    ASSERT_TRUE(strip_.Remove(3));
    EXPECT_EQ(strip_.Selected(), 2) << "the new last one";
    EXPECT_FALSE(strip_.Remove(0));
    EXPECT_FALSE(strip_.Remove(3));
    ASSERT_TRUE(strip_.Remove(1));
    ASSERT_TRUE(strip_.Remove(1));
    EXPECT_EQ(strip_.Selected(), 0);
    EXPECT_EQ(strip_.Count(), 0);
}

TEST_F(Strip, TwentyThousandEntriesAreOneWindowAndScrollBeyondSixteenBits) {
    constexpr int32_t kCount = 20000;
    const Picture small = Solid(kColours[0], 20, 20);
    const Picture last = Solid(kColours[1], 20, 20);
    for (int32_t i = 1; i < kCount; ++i) ASSERT_EQ(strip_.Add(small, false), i);
    ASSERT_EQ(strip_.Add(last, false), kCount);

    int children = 0;
    EnumChildWindows(
        strip_.hwnd(),
        [](HWND, LPARAM count) {
            ++*reinterpret_cast<int*>(count);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    EXPECT_LE(children, 1);
    ASSERT_TRUE(strip_.Bar().visible);
    EXPECT_GT(strip_.Bar().maximum, 65535);

    strip_.ScrollToEnd();
    EXPECT_EQ(strip_.ScrollValue(), strip_.Bar().maximum);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    ASSERT_TRUE(GetScrollInfo(strip_.hwnd(), SB_HORZ, &info));
    EXPECT_EQ(info.nPos, strip_.ScrollValue());
    const RECT lastPanel = strip_.PanelRect(kCount);
    EXPECT_GE(lastPanel.left, 0);
    EXPECT_LE(lastPanel.right, kStripWidth);
    EXPECT_TRUE(Near(ThumbnailPixel(kCount), kColours[1]));
    EXPECT_TRUE(CaptionHas(kCount, IsDark));
    // A press there reports the last position, not a 16-bit remainder of it.
    SendMessageW(strip_.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(lastPanel.left + 20, lastPanel.top + 20));
    EXPECT_EQ(leftPresses_, std::vector<int32_t>{kCount});

    // The bar's own requests: one pitch at a time, and back to the start.
    SendMessageW(strip_.hwnd(), WM_HSCROLL, SB_LINELEFT, 0);
    EXPECT_EQ(strip_.ScrollValue(), strip_.Bar().maximum - strip_.Metrics().pitch);
    SendMessageW(strip_.hwnd(), WM_HSCROLL, SB_LEFT, 0);
    EXPECT_EQ(strip_.ScrollValue(), 0);
    EXPECT_TRUE(Near(ThumbnailPixel(1), kColours[0]));

    // A panel sticking out on the right is brought in one step; one in view stays put.
    const int32_t edge = kStripWidth / strip_.Metrics().pitch + 1;
    strip_.EnsureVisible(edge - 2);
    EXPECT_EQ(strip_.ScrollValue(), 0);
    strip_.EnsureVisible(edge);
    EXPECT_EQ(strip_.ScrollValue(), strip_.Metrics().pitch);
    // Half moved, half newly drawn: the panel comes out whole.
    EXPECT_TRUE(Near(ThumbnailPixel(edge), kColours[0]));
    EXPECT_TRUE(Near(ThumbnailPixel(2), kColours[0]));
}

TEST_F(Strip, PointerReportsPanelsOnceAndNeverNestsHovers) {
    AddColours();
    const RECT p2 = strip_.PanelRect(2);
    const RECT p4 = strip_.PanelRect(4);
    const auto move = [&](int x, int y) { SendMessageW(strip_.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); };
    move(p2.left + 5, p2.top + 20);
    move(p2.left + 30, p2.top + 30);  // same panel
    move(p2.right + 1, p2.top + 20);  // the gap between panels
    move(p2.left + 5, p2.top + 20);
    move(p2.left + 5, p2.bottom + 5);  // below the panels
    EXPECT_EQ(hovers_, (std::vector<int32_t>{2, 2}));

    // A hover call that lets other moves in does not get called again inside itself; the next
    // move after it reports where the pointer is then.
    hovers_.clear();
    onHover_ = [&](int32_t p) {
        if (p == 4) move(p2.left + 5, p2.top + 20);
    };
    move(p4.left + 5, p4.top + 20);
    EXPECT_EQ(hovers_, std::vector<int32_t>{4});
    onHover_ = nullptr;
    move(p2.left + 6, p2.top + 20);
    EXPECT_EQ(hovers_, (std::vector<int32_t>{4, 2}));

    SendMessageW(strip_.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p4.left + 3, p4.top + 3));
    SendMessageW(strip_.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p4.right + 1, p4.top + 3));
    EXPECT_EQ(leftPresses_, std::vector<int32_t>{4});
    SendMessageW(strip_.hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(p2.left + 3, p2.top + 3));
    ASSERT_EQ(rightPresses_.size(), 1u);
    POINT expected{p2.left + 3, p2.top + 3};
    ClientToScreen(strip_.hwnd(), &expected);
    EXPECT_EQ(rightPresses_[0].first, 2);
    EXPECT_EQ(rightPresses_[0].second.x, expected.x);
    EXPECT_EQ(rightPresses_[0].second.y, expected.y);
}

TEST_F(Strip, LeavesNoGdiObjectsBehindOnceEveryEntryIsGone) {
    const Picture small = Solid(kColours[0], 20, 20);
    const Picture large = Solid(kColours[1], 800, 600);
    const auto cycle = [&] {
        for (int i = 0; i < 60; ++i) ASSERT_GT(strip_.Add(i % 2 == 0 ? small : large, i % 3 == 0), 0);
        strip_.Select(2);
        strip_.ScrollToEnd();
        UpdateWindow(strip_.hwnd());
        strip_.ScrollTo(0);
        UpdateWindow(strip_.hwnd());
        while (strip_.Count() > 0) ASSERT_TRUE(strip_.Remove(1));
        UpdateWindow(strip_.hwnd());
    };
    cycle();  // the first round may fill caches of the window system
    const long before = FreeGdiSlots();
    cycle();
    EXPECT_EQ(FreeGdiSlots(), before);
}

}  // namespace
}  // namespace tessarin::test
