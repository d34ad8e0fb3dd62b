#include "ui/strip.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "core/app/shell.h"
#include "core/files/thumbnail_box.h"
#include "core/imagelist/image_list.h"
#include "core/text/text.h"
#include "ui/fonts.h"
#include "win32/wide.h"

namespace tessarin {
namespace {

// The panel and its image box (twips), the same at every screen scale.
constexpr int32_t kPanelWidthTwips = 765;
constexpr int32_t kPanelHeightTwips = 675;
constexpr int32_t kImageLeftTwips = 30;
constexpr int32_t kImageTopTwips = 150;
constexpr int32_t kBorderPixels = 2;   // the etched frame line inside a panel
constexpr int32_t kCaptionIndent = 6;  // pixels from the panel's left edge

int32_t ToInt32(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

class PaintGuard {
public:
    explicit PaintGuard(HWND window) : window_(window), dc_(BeginPaint(window, &ps_)) {}
    PaintGuard(const PaintGuard&) = delete;
    PaintGuard& operator=(const PaintGuard&) = delete;
    ~PaintGuard() { EndPaint(window_, &ps_); }
    [[nodiscard]] HDC dc() const { return dc_; }
    [[nodiscard]] const RECT& area() const { return ps_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// Clears a flag when the scope ends, also when a callback throws.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;
    ~FlagGuard() { flag_ = false; }

private:
    bool& flag_;
};

}  // namespace

frPicList::~frPicList() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool frPicList::Create(HWND parent, const RECT& bounds, int id) {
    if (hwnd_ != nullptr || parent == nullptr) return false;
    if (!RegisterWindowClass(kClassName, OwnedWindowProc<frPicList>, nullptr)) return false;

    // The panel lengths are twips, so the screen scale sizes them for the monitor's DPI.
    const UINT dpi = GetDpiForWindow(parent);
    twipsPerPixel_ = TwipsPerPixel(static_cast<int>(dpi == 0 ? 96 : dpi));
    const double tpp = twipsPerPixel_;
    metrics_.twipsPerPixel = twipsPerPixel_;
    metrics_.pitch = SlotWidth(kPanelWidthTwips, twipsPerPixel_);
    metrics_.panelWidth = RoundHalfEven(kPanelWidthTwips / tpp);
    panelHeight_ = RoundHalfEven(kPanelHeightTwips / tpp);
    imageLeft_ = RoundHalfEven(kImageLeftTwips / tpp);
    imageTop_ = RoundHalfEven(kImageTopTwips / tpp);

    if (CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, bounds.left, bounds.top,
                        bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                        this) == nullptr) {
        return false;
    }
    {
        WindowDc dc(hwnd_);
        LOGFONTW lf{};
        lf.lfHeight = -MulDiv(9, static_cast<int>(dpi == 0 ? 96 : dpi), 72);
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = CLEARTYPE_QUALITY;
        if (dc) wcsncpy_s(lf.lfFaceName, JapaneseFaceName(dc.get()).c_str(), _TRUNCATE);
        font_.reset(CreateFontIndirectW(&lf));
    }
    // One tool for the whole strip, switched on only while the pointer is over a panel.
    tips_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0,
                                0, 0, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr));
    if (tips_) {
        TOOLINFOW info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = hwnd_;
        info.uId = reinterpret_cast<UINT_PTR>(hwnd_);
        info.lpszText = const_cast<wchar_t*>(kThumbTip);
        SendMessageW(tips_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
        SendMessageW(tips_.get(), TTM_ACTIVATE, FALSE, 0);
    }
    UpdateScrollBar();
    return true;
}

int32_t frPicList::Add(const Picture& picture, bool saved) {
    const PanelMetrics panel{kPanelWidthTwips, kPanelHeightTwips, kImageTopTwips, twipsPerPixel_, twipsPerPixel_};
    const std::optional<StripThumbnail> plan = PlanStripThumbnail(picture.width(), picture.height(), panel);
    if (!plan) return 0;

    // A picture that fits is shown as it is; a larger one is scaled down to the planned size.
    // Either way only what the panel can show is kept: the pixels live in memory, not in a GDI
    // bitmap per entry, which would run out of handles long before the list does.
    std::vector<uint32_t> scaled;
    const uint32_t* source = picture.bits();
    int32_t stride = picture.width();
    int32_t rows = picture.height();
    if (plan->scaled) {
        GdiFlush();  // GDI may still be drawing into the picture
        // A picture of extreme shape may plan a side of 0 or one longer than its own.
        const int32_t width = std::clamp(plan->pixelWidth, 1, picture.width());
        const int32_t height = std::clamp(plan->pixelHeight, 1, picture.height());
        scaled = ScaleDownByArea(source, picture.width(), picture.height(), width, height);
        if (scaled.empty()) return 0;
        source = scaled.data();
        stride = width;
        rows = height;
    }
    if (source == nullptr) return 0;

    Entry entry;
    entry.saved = saved;
    entry.width = std::clamp(std::min(plan->pixelWidth, stride), 0,
                             std::max(0, metrics_.panelWidth - imageLeft_ - kBorderPixels));
    entry.height =
        std::clamp(std::min(plan->pixelHeight, rows), 0, std::max(0, panelHeight_ - imageTop_ - kBorderPixels));
    if (!scaled.empty() && entry.width == stride && entry.height == rows) {
        entry.pixels = std::move(scaled);  // already the panel's size: no second copy
    } else {
        entry.pixels.resize(static_cast<size_t>(entry.width) * static_cast<size_t>(entry.height));
        for (int32_t y = 0; y < entry.height; ++y) {
            const uint32_t* row = source + static_cast<size_t>(y) * static_cast<size_t>(stride);
            std::copy_n(row, entry.width, entry.pixels.begin() + static_cast<ptrdiff_t>(y) * entry.width);
        }
    }
    entries_.push_back(std::move(entry));
    const int32_t position = Count();
    InvalidatePanel(position);
    UpdateScrollBar();
    return position;
}

bool frPicList::Remove(int32_t position) {
    if (position < 1 || position > Count()) return false;
    // Everything from the removed panel on moves and is renumbered; the panels before stay.
    InvalidateFrom(position);
    entries_.erase(entries_.begin() + (position - 1));
    if (selected_ == position) {
        selected_ = SelectionAfterDelete(position, Count());
    } else if (selected_ > position) {
        --selected_;
    }
    hovered_ = 0;
    UpdateScrollBar();
    return true;
}

void frPicList::SetSaved(int32_t position, bool saved) {
    if (position < 1 || position > Count()) return;
    Entry& entry = entries_[static_cast<size_t>(position - 1)];
    if (entry.saved == saved) return;
    entry.saved = saved;
    InvalidatePanel(position);
}

bool frPicList::Saved(int32_t position) const {
    return position >= 1 && position <= Count() && entries_[static_cast<size_t>(position - 1)].saved;
}

void frPicList::Select(int32_t position) {
    if (position < 1 || position > Count()) position = 0;
    if (position == selected_) return;
    InvalidatePanel(selected_);
    selected_ = position;
    InvalidatePanel(selected_);
}

void frPicList::ScrollTo(int32_t value) {
    const int32_t target = ClampScrollValue(value, bar_);
    if (target != scroll_ && hwnd_ != nullptr) {
        const int64_t dx = static_cast<int64_t>(scroll_) - target;
        scroll_ = target;
        hovered_ = 0;
        // Moving what is already drawn leaves only the uncovered strip to paint.
        if (dx > -ClientWidth() && dx < ClientWidth()) {
            ScrollWindowEx(hwnd_, static_cast<int>(dx), 0, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
        } else {
            InvalidateRect(hwnd_, nullptr, FALSE);
        }
    }
    UpdateScrollBar();
}

void frPicList::EnsureVisible(int32_t position) {
    if (position < 1 || position > Count()) return;
    ScrollTo(ScrollTowards(position, ClientWidth(), scroll_, bar_, metrics_));
}

RECT frPicList::PanelRect(int32_t position) const {
    const int64_t left = PanelLeft(position, metrics_) - scroll_;
    return RECT{ToInt32(left), kPanelTop, ToInt32(left + metrics_.panelWidth), kPanelTop + panelHeight_};
}

int32_t frPicList::ClientWidth() const {
    RECT client{};
    if (hwnd_ == nullptr || !GetClientRect(hwnd_, &client)) return 0;
    return client.right - client.left;
}

int32_t frPicList::PositionAt(POINT client) const {
    if (client.y < kPanelTop || client.y >= kPanelTop + panelHeight_) return 0;
    return PositionAtX(client.x, Count(), scroll_, metrics_);
}

void frPicList::InvalidatePanel(int32_t position) {
    if (hwnd_ == nullptr || position < 1 || position > Count()) return;
    const int64_t left = PanelLeft(position, metrics_) - scroll_;
    if (left >= ClientWidth() || left + metrics_.panelWidth <= 0) return;
    const RECT panel = PanelRect(position);
    InvalidateRect(hwnd_, &panel, FALSE);
}

void frPicList::InvalidateFrom(int32_t position) {
    if (hwnd_ == nullptr) return;
    const int64_t left = PanelLeft(position, metrics_) - scroll_;
    if (left >= ClientWidth()) return;
    RECT area{};
    GetClientRect(hwnd_, &area);
    area.left = std::max<LONG>(area.left, ToInt32(left));
    InvalidateRect(hwnd_, &area, FALSE);
}

void frPicList::UpdateScrollBar() {
    // Showing or hiding the bar resizes the client area, which comes back here.
    if (hwnd_ == nullptr || updatingBar_) return;
    const FlagGuard guard(updatingBar_);
    const int32_t width = ClientWidth();
    ScrollBar bar = StripScrollBar(Count(), width, scroll_, metrics_);
    const int32_t clamped = ClampScrollValue(scroll_, bar);
    if (clamped != scroll_) {
        // The strip got shorter or the window wider than the scrolled-off part.
        scroll_ = clamped;
        hovered_ = 0;
        InvalidateRect(hwnd_, nullptr, FALSE);
        bar = StripScrollBar(Count(), width, scroll_, metrics_);
    }
    bar_ = bar;
    if (!bar.visible) {
        if (std::exchange(barShown_, false)) ShowScrollBar(hwnd_, SB_HORZ, FALSE);
        return;
    }
    // The page is the client width, so the last reachable position is the bar's maximum.
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    info.nMin = bar.minimum;
    info.nPage = static_cast<UINT>(std::max(1, width));
    info.nMax = ToInt32(static_cast<int64_t>(bar.maximum) + info.nPage - 1);
    info.nPos = scroll_;
    if (!std::exchange(barShown_, true)) ShowScrollBar(hwnd_, SB_HORZ, TRUE);
    // Drawing the bar at once costs about a millisecond, for each of thousands of entries
    // added in a row; invalidated instead, it is drawn once with the next paint.
    SetScrollInfo(hwnd_, SB_HORZ, &info, FALSE);
    SCROLLBARINFO shown{};
    shown.cbSize = sizeof shown;
    if (GetScrollBarInfo(hwnd_, OBJID_HSCROLL, &shown)) {
        POINT corners[2] = {{shown.rcScrollBar.left, shown.rcScrollBar.top},
                            {shown.rcScrollBar.right, shown.rcScrollBar.bottom}};
        MapWindowPoints(nullptr, hwnd_, corners, 2);
        const RECT area{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
        RedrawWindow(hwnd_, &area, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_NOERASE);
    }
}

void frPicList::OnHScroll(WORD request) {
    int64_t value = scroll_;
    switch (request) {
        case SB_LINELEFT:
            value -= bar_.smallChange;
            break;
        case SB_LINERIGHT:
            value += bar_.smallChange;
            break;
        case SB_PAGELEFT:
            value -= bar_.largeChange;
            break;
        case SB_PAGERIGHT:
            value += bar_.largeChange;
            break;
        case SB_LEFT:
            value = bar_.minimum;
            break;
        case SB_RIGHT:
            value = bar_.maximum;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            // The message carries only 16 bits of the position; the bar holds all 32.
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_TRACKPOS;
            if (!GetScrollInfo(hwnd_, SB_HORZ, &info)) return;
            value = info.nTrackPos;
            break;
        }
        default:
            return;
    }
    ScrollTo(ToInt32(value));
}

void frPicList::OnMouseMove(POINT client) {
    if (!tracking_) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = hwnd_;
        tracking_ = TrackMouseEvent(&track) != FALSE;
    }
    const int32_t position = PositionAt(client);
    // A move during a running hover call is left unrecorded, so the next one reports it.
    if (position == hovered_ || inHover_) return;
    hovered_ = position;
    if (tips_) SendMessageW(tips_.get(), TTM_ACTIVATE, position != 0, 0);
    if (position == 0 || !callbacks_.hover) return;
    const FlagGuard guard(inHover_);
    callbacks_.hover(position);
}

void frPicList::Paint() {
    const PaintGuard paint(hwnd_);
    const RECT& area = paint.area();
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (paint.dc() == nullptr || width <= 0 || height <= 0) return;

    // Drawn off screen and copied in one go, so a repaint does not flicker.
    MemoryDc memory(CreateCompatibleDC(paint.dc()));
    GdiObject<HBITMAP> buffer(memory ? CreateCompatibleBitmap(paint.dc(), width, height) : nullptr);
    std::optional<SelectGuard> selectBuffer;
    HDC dc = paint.dc();
    if (buffer) {
        selectBuffer.emplace(memory.get(), buffer.get());
        if (*selectBuffer) {
            dc = memory.get();
            SetViewportOrgEx(dc, -area.left, -area.top, nullptr);
        }
    }
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    const SelectGuard selectFont(dc, font_ ? static_cast<HGDIOBJ>(font_.get()) : GetStockObject(DEFAULT_GUI_FONT));
    const PositionRange range =
        VisiblePositions(Count(), width, ToInt32(static_cast<int64_t>(scroll_) + area.left), metrics_);
    for (int32_t position = range.first; position <= range.last && position >= 1; ++position) {
        DrawPanel(dc, position);
    }
    if (dc != paint.dc()) BitBlt(paint.dc(), area.left, area.top, width, height, dc, area.left, area.top, SRCCOPY);
}

void frPicList::DrawPanel(HDC dc, int32_t position) const {
    const Entry& entry = entries_[static_cast<size_t>(position - 1)];
    const RECT panel = PanelRect(position);
    const COLORREF back =
        position == selected_ ? static_cast<COLORREF>(kSelectedPanelColour) : GetSysColor(COLOR_BTNFACE);
    if (position == selected_) {
        const GdiObject<HBRUSH> brush(CreateSolidBrush(back));

        FillRect(dc, &panel, brush ? brush.get() : GetSysColorBrush(COLOR_BTNFACE));
    }
    TEXTMETRICW text{};
    GetTextMetricsW(dc, &text);
    // The frame line runs through the middle of the caption, as on any group frame.
    RECT frame = panel;
    frame.top += text.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);

    if (entry.width > 0 && entry.height > 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = entry.width;
        info.bmiHeader.biHeight = -entry.height;  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(dc, panel.left + imageLeft_, panel.top + imageTop_, static_cast<DWORD>(entry.width),
                          static_cast<DWORD>(entry.height), 0, 0, 0, static_cast<UINT>(entry.height),
                          entry.pixels.data(), &info, DIB_RGB_COLORS);
    }

    // The number stays readable over the top of its thumbnail.
    const std::wstring caption = Utf8ToWide(EntryCaption(position));
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, back);
    SetTextColor(dc, entry.saved ? static_cast<COLORREF>(kSavedCaptionColour) : GetSysColor(COLOR_BTNTEXT));
    ExtTextOutW(dc, panel.left + kCaptionIndent, panel.top, ETO_CLIPPED, &panel, caption.c_str(),
                static_cast<UINT>(caption.size()), nullptr);
}

LRESULT frPicList::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SIZE:
            InvalidateRect(hwnd_, nullptr, FALSE);
            UpdateScrollBar();
            return 0;
        case WM_HSCROLL:
            OnHScroll(LOWORD(wParam));
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        case WM_MOUSELEAVE:
            tracking_ = false;
            hovered_ = 0;
            return 0;
        case WM_LBUTTONDOWN: {
            const int32_t position = PositionAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            if (position != 0 && callbacks_.leftPress) callbacks_.leftPress(position);
            return 0;
        }
        case WM_RBUTTONDOWN: {
            POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            const int32_t position = PositionAt(point);
            if (position == 0 || !callbacks_.rightPress) return 0;
            ClientToScreen(hwnd_, &point);
            callbacks_.rightPress(position, point);
            return 0;
        }
        case WM_DESTROY:
            // The tip window belongs to this one and goes with it, not after.
            tips_.reset();
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

}  // namespace tessarin
