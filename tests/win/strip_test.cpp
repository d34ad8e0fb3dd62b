// The strip of numbered thumbnail panels: what it draws where, how it scrolls through many
// thousands of entries as one window, and what the pointer reports.

#include "ui/strip.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
#include <vector>

#include "core/imagelist/strip_thumbnail.h"
#include "gdi_meter.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

// Thumbnail colours, none of them blue, dark or grey like the panel's own pixels.
constexpr COLORREF kColours[] = {RGB(0xE0, 0x20, 0x20), RGB(0x20, 0xC0, 0x20), RGB(0xE0, 0xA0, 0x00),
                                 RGB(0xC0, 0x40, 0xC0), RGB(0x00, 0xC0, 0xC0)};

// COLORREF is 0x00BBGGRR, pixels 0x00RRGGBB.
Image Solid(COLORREF c, int32_t width, int32_t height) {
    return {width, height,
            std::vector<uint32_t>(static_cast<size_t>(width) * static_cast<size_t>(height),
                                  (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c))};
}
bool Near(COLORREF a, COLORREF b) {
    const auto within = [&](int shift) { return std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) <= 8; };
    return within(0) && within(8) && within(16);
}

// The list as the strip reads it: thumbnails, caption colours and the selection.
struct Model : StripModel {
    std::vector<std::pair<Image, bool>> entries;  // thumbnail, saved
    int32_t selected = 0;
    int32_t Count() const override { return static_cast<int32_t>(entries.size()); }
    const Image* Thumbnail(int32_t p) const override {
        return p >= 1 && p <= Count() ? &entries[static_cast<size_t>(p - 1)].first : nullptr;
    }
    bool Saved(int32_t p) const override {
        return p >= 1 && p <= Count() && entries[static_cast<size_t>(p - 1)].second;
    }
    int32_t Selected() const override { return selected; }
};

class Strip : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host_ && strip_.Create(host_.get(), RECT{0, 0, 600, 90})); }

    // A panel as drawn: the middle of the lower right part of its 20 x 20 thumbnail (clear of the
    // caption), background that neither the thumbnail nor the frame line covers, and whether any
    // pixel of the caption row above the thumbnail is blue.
    std::tuple<COLORREF, COLORREF, bool> Look(int32_t position) {
        UpdateWindow(strip_.hwnd());
        const WindowDc dc(strip_.hwnd());
        const RECT r = strip_.PanelRect(position);
        const int tpp = strip_.Metrics().twipsPerPixel;
        bool blue = false;
        for (int y = r.top; y < r.top + 150 / tpp; ++y)
            for (int x = r.left + 2; x < r.left + 40; ++x) blue |= Near(GetPixel(dc.get(), x, y), RGB(0, 0, 255));
        return {GetPixel(dc.get(), r.left + 30 / tpp + 16, r.top + 150 / tpp + 16),
                GetPixel(dc.get(), r.right - 6, r.bottom - 6), blue};
    }
    // What the list does to its model, then tells the strip.
    int32_t Add(const Image& picture, bool saved) {
        model_.entries.emplace_back(MakeStripThumbnail(picture, strip_.Layout()).value_or(Image{}), saved);
        strip_.ChangedFrom(model_.Count());
        return model_.Count();
    }
    void Select(int32_t p) {
        model_.selected = p;
        strip_.SelectionChanged();
    }
    void Remove(int32_t p) {
        model_.entries.erase(model_.entries.begin() + (p - 1));
        model_.selected -= model_.selected >= p ? 1 : 0;
        strip_.ChangedFrom(p);
    }

    Model model_;
    std::vector<int32_t> hovers_, leftPresses_;
    std::vector<std::tuple<int32_t, LONG, LONG>> rightPresses_;
    UniqueWindow host_{CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, L"Static", nullptr,
                                       WS_POPUP | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 700, 200, nullptr, nullptr,
                                       nullptr, nullptr)};
    frPicList strip_{model_,
                     frPicList::Callbacks{
                         [this](int32_t p) { hovers_.push_back(p); }, [this](int32_t p) { leftPresses_.push_back(p); },
                         [this](int32_t p, POINT s) { rightPresses_.emplace_back(p, s.x, s.y); }, nullptr, nullptr}};
};

TEST_F(Strip, DrawsPanelsReportsThePointerRenumbersOnRemovalAndLeavesNoGdiObjectsBehind) {
    // The last picture (400 x 300) is scaled into its panel and keeps its colour; the third is saved.
    for (int i = 0; i < 5; ++i) ASSERT_EQ(Add(Solid(kColours[i], i == 4 ? 400 : 20, i == 4 ? 300 : 20), i == 2), i + 1);
    Select(2);
    for (int32_t p = 1; p <= 5; ++p)
        EXPECT_TRUE(Near(std::get<0>(Look(p)), kColours[p - 1]) && std::get<2>(Look(p)) == (p == 3)) << p;
    // The pointer reports each panel it enters (within a panel, to the gap after it, back, onto
    // another panel), and presses on panels with the screen point.
    const RECT p2 = strip_.PanelRect(2), p4 = strip_.PanelRect(4);
    const auto send = [&](UINT message, LONG x, LONG y) { SendMessageW(strip_.hwnd(), message, 0, MAKELPARAM(x, y)); };
    for (const POINT at :
         {POINT{p2.left + 5, p2.top + 20}, POINT{p2.left + 30, p2.top + 30}, POINT{p2.right + 1, p2.top + 20},
          POINT{p2.left + 5, p2.top + 20}, POINT{p4.left + 5, p4.top + 20}})
        send(WM_MOUSEMOVE, at.x, at.y);
    EXPECT_EQ(hovers_, (std::vector<int32_t>{2, 2, 4}));
    send(WM_LBUTTONDOWN, p4.left + 3, p4.top + 3);
    EXPECT_EQ(leftPresses_, std::vector<int32_t>{4});
    POINT screen{p2.left + 3, p2.top + 3};
    send(WM_RBUTTONDOWN, screen.x, screen.y);
    ClientToScreen(strip_.hwnd(), &screen);
    EXPECT_EQ(rightPresses_, (std::vector<std::tuple<int32_t, LONG, LONG>>{{2, screen.x, screen.y}}));

    // The highlight and the caption colour follow the model, not the order of the calls.
    Select(4);
    model_.entries[2].second = false;
    strip_.ChangedAt(3);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(std::tuple(std::get<1>(Look(2)), std::get<1>(Look(4)), std::get<2>(Look(3))),
              std::tuple(face, RGB(0xFF, 0xFF, 0xD0), false));
    // Later panels move left under new numbers; the old last place is left blank.
    Remove(1);
    for (int32_t p = 1; p <= 4; ++p) EXPECT_TRUE(Near(std::get<0>(Look(p)), kColours[p])) << p;
    EXPECT_EQ(std::get<0>(Look(5)), face);

    // Once every entry is gone, no GDI object is left behind.
    std::vector<long> freeSlots;  // after each round; the first may fill caches of the window system
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 60; ++i) ASSERT_GT(Add(Solid(kColours[i % 5], i % 2 ? 800 : 20, 20), i % 3 == 0), 0);
        Select(60);
        strip_.ScrollToEnd();
        UpdateWindow(strip_.hwnd());
        while (strip_.Count() > 0) Remove(1);
        freeSlots.push_back(FreeGdiSlots());
    }
    EXPECT_EQ(freeSlots[1], freeSlots[0]);
}

TEST_F(Strip, TwentyThousandEntriesAreOneWindowAndScrollToTheLast) {
    constexpr int32_t kCount = 20000;
    const Image pictures[] = {Solid(kColours[0], 20, 20), Solid(kColours[1], 20, 20)};  // the last one differs
    for (int32_t i = 1; i <= kCount; ++i) ASSERT_EQ(Add(pictures[i == kCount ? 1 : 0], false), i);
    // At most one child window: the scroll bar.
    EXPECT_EQ(GetWindow(GetWindow(strip_.hwnd(), GW_CHILD), GW_HWNDNEXT), nullptr);

    strip_.ScrollToEnd();
    const RECT last = strip_.PanelRect(kCount);
    EXPECT_TRUE(last.left >= 0 && last.right <= 600 && Near(std::get<0>(Look(kCount)), kColours[1])) << last.left;
    // A press there reports the last position, not a 16-bit remainder of it.
    SendMessageW(strip_.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(last.left + 20, last.top + 20));
    EXPECT_EQ(leftPresses_, std::vector<int32_t>{kCount});
}

}  // namespace
}  // namespace tessarin::test
