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
#include "core/flag_scope.h"
#include "core/imagelist/image_list.h"
#include "core/text/text.h"
#include "ui/fonts.h"
#include "win32/wide.h"

namespace tessarin {
namespace {

constexpr int32_t kCaptionIndent = 6;  // pixels from the panel's left edge
constexpr int kFontPoints = 9;

int32_t ToInt32(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

frPicList::~frPicList() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool frPicList::Create(HWND parent, const RECT& bounds, int id) {
    if (hwnd_ != nullptr || parent == nullptr) return false;
    if (!RegisterWindowClass(kClassName, OwnedWindowProc<frPicList>, nullptr)) return false;

    // The panel lengths are twips, so the screen scale sizes them for the monitor's DPI.
    const UINT dpi = GetDpiForWindow(parent);
    layout_ = StripLayoutFor(TwipsPerPixel(static_cast<int>(dpi == 0 ? 96 : dpi)));

    if (CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, bounds.left, bounds.top,
                        bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                        this) == nullptr) {
        return false;
    }
    font_ = DialogFont(hwnd_, kFontPoints, false, dpi);
    // One tool for the whole strip, switched on only while the pointer is over a panel.
    tips_ = CreateWindowTip(hwnd_, kThumbTip);
    if (tips_) SendMessageW(tips_.get(), TTM_ACTIVATE, FALSE, 0);
    if (callbacks_.drop) {
        // Without OLE on this thread nothing can be dropped; the strip works on without.
        (void)dropTarget_.Register(
            hwnd_,
            [this](POINT client) {
                const int32_t position = PositionAt(client);
                return position != 0 && (!callbacks_.acceptsDrop || callbacks_.acceptsDrop(position));
            },
            [this](POINT client, const Image& image) {
                const int32_t position = PositionAt(client);
                if (position != 0) callbacks_.drop(position, image);
            });
    }
    UpdateScrollBar();
    return true;
}

void frPicList::SetDpi(UINT dpi) {
    if (hwnd_ == nullptr || dpi == 0) return;
    layout_ = StripLayoutFor(TwipsPerPixel(static_cast<int>(dpi)));
    if (GdiObject<HFONT> font = DialogFont(hwnd_, kFontPoints, false, dpi)) font_ = std::move(font);
    UpdateScrollBar();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void frPicList::ChangedFrom(int32_t position) {
    // Everything from the changed panel on may have moved or been renumbered.
    InvalidateFrom(std::max(position, 1));
    hovered_ = 0;
    UpdateScrollBar();
}

void frPicList::ChangedAt(int32_t position) { InvalidatePanel(position); }

void frPicList::SelectionChanged() {
    // About one client width on either side of the selection: that clears the old highlight
    // without repainting the whole strip.
    const PositionRange range = HighlightWindow(model_.Selected(), Count(), ClientWidth(), layout_.metrics);
    for (int32_t position = range.first; position <= range.last; ++position) InvalidatePanel(position);
    InvalidatePanel(model_.Selected());
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
    ScrollTo(ScrollTowards(position, ClientWidth(), scroll_, bar_, layout_.metrics));
}

RECT frPicList::PanelRect(int32_t position) const {
    const int64_t left = PanelLeft(position, layout_.metrics) - scroll_;
    return RECT{ToInt32(left), kPanelTop, ToInt32(left + layout_.metrics.panelWidth), kPanelTop + layout_.panelHeight};
}

int32_t frPicList::ClientWidth() const {
    RECT client{};
    if (hwnd_ == nullptr || !GetClientRect(hwnd_, &client)) return 0;
    return client.right - client.left;
}

int32_t frPicList::PositionAt(POINT client) const {
    if (client.y < kPanelTop || client.y >= kPanelTop + layout_.panelHeight) return 0;
    return PositionAtX(client.x, Count(), scroll_, layout_.metrics);
}

void frPicList::InvalidatePanel(int32_t position) {
    if (hwnd_ == nullptr || position < 1 || position > Count()) return;
    const int64_t left = PanelLeft(position, layout_.metrics) - scroll_;
    if (left >= ClientWidth() || left + layout_.metrics.panelWidth <= 0) return;
    const RECT panel = PanelRect(position);
    InvalidateRect(hwnd_, &panel, FALSE);
}

void frPicList::InvalidateFrom(int32_t position) {
    if (hwnd_ == nullptr) return;
    const int64_t left = PanelLeft(position, layout_.metrics) - scroll_;
    if (left >= ClientWidth()) return;
    RECT area{};
    GetClientRect(hwnd_, &area);
    area.left = std::max<LONG>(area.left, ToInt32(left));
    InvalidateRect(hwnd_, &area, FALSE);
}

void frPicList::UpdateScrollBar() {
    // Showing or hiding the bar resizes the client area, which comes back here.
    if (hwnd_ == nullptr || updatingBar_) return;
    const FlagScope guard(updatingBar_);
    const int32_t width = ClientWidth();
    ScrollBar bar = StripScrollBar(Count(), width, scroll_, layout_.metrics);
    const int32_t clamped = ClampScrollValue(scroll_, bar);
    if (clamped != scroll_) {
        // The strip got shorter or the window wider than the scrolled-off part.
        scroll_ = clamped;
        hovered_ = 0;
        InvalidateRect(hwnd_, nullptr, FALSE);
        bar = StripScrollBar(Count(), width, scroll_, layout_.metrics);
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
    ScrollRequest kind = ScrollRequest::Track;
    switch (request) {
        case SB_LINELEFT:
            kind = ScrollRequest::LineLess;
            break;
        case SB_LINERIGHT:
            kind = ScrollRequest::LineMore;
            break;
        case SB_PAGELEFT:
            kind = ScrollRequest::PageLess;
            break;
        case SB_PAGERIGHT:
            kind = ScrollRequest::PageMore;
            break;
        case SB_LEFT:
            kind = ScrollRequest::First;
            break;
        case SB_RIGHT:
            kind = ScrollRequest::Last;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            break;
        default:
            return;
    }
    // The message carries only 16 bits of the position; the bar holds all 32.
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    if (kind == ScrollRequest::Track && !GetScrollInfo(hwnd_, SB_HORZ, &info)) return;
    ScrollTo(ScrolledValue(kind, scroll_, info.nTrackPos, bar_));
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
    const FlagScope guard(inHover_);
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
        VisiblePositions(Count(), width, ToInt32(static_cast<int64_t>(scroll_) + area.left), layout_.metrics);
    for (int32_t position = range.first; position <= range.last && position >= 1; ++position) {
        DrawPanel(dc, position);
    }
    if (dc != paint.dc()) BitBlt(paint.dc(), area.left, area.top, width, height, dc, area.left, area.top, SRCCOPY);
}

void frPicList::DrawPanel(HDC dc, int32_t position) const {
    const Image* thumb = model_.Thumbnail(position);
    if (thumb == nullptr) return;
    const bool selected = position == model_.Selected();
    const RECT panel = PanelRect(position);
    const COLORREF back = selected ? static_cast<COLORREF>(kSelectedPanelColour) : GetSysColor(COLOR_BTNFACE);
    if (selected) {
        const GdiObject<HBRUSH> brush(CreateSolidBrush(back));

        FillRect(dc, &panel, brush ? brush.get() : GetSysColorBrush(COLOR_BTNFACE));
    }
    TEXTMETRICW text{};
    GetTextMetricsW(dc, &text);
    // The frame line runs through the middle of the caption, as on any group frame.
    RECT frame = panel;
    frame.top += text.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);

    if (!thumb->Empty()) {
        const BITMAPINFO info = TopDownInfo(thumb->width, thumb->height);
        SetDIBitsToDevice(dc, panel.left + layout_.imageLeft, panel.top + layout_.imageTop,
                          static_cast<DWORD>(thumb->width), static_cast<DWORD>(thumb->height), 0, 0, 0,
                          static_cast<UINT>(thumb->height), thumb->pixels.data(), &info, DIB_RGB_COLORS);
    }

    // The number stays readable over the top of its thumbnail.
    const std::wstring caption = Utf8ToWide(EntryCaption(position));
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, back);
    SetTextColor(dc, model_.Saved(position) ? static_cast<COLORREF>(kSavedCaptionColour) : GetSysColor(COLOR_BTNTEXT));
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
            // The tip window belongs to this one and goes with it, not after; so does the
            // drop registration, which would otherwise outlive the window.
            tips_.reset();
            dropTarget_.Revoke();
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

}  // namespace tessarin
