#include "ui/preview.h"

#include <commctrl.h>

#include <algorithm>

namespace tessarin {
namespace {

ScrollRequest RequestOf(WORD code, bool& known) {
    known = true;
    switch (code) {
        case SB_LINEUP:
            return ScrollRequest::LineLess;
        case SB_LINEDOWN:
            return ScrollRequest::LineMore;
        case SB_PAGEUP:
            return ScrollRequest::PageLess;
        case SB_PAGEDOWN:
            return ScrollRequest::PageMore;
        case SB_TOP:
            return ScrollRequest::First;
        case SB_BOTTOM:
            return ScrollRequest::Last;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            return ScrollRequest::Track;
        default:
            known = false;
            return ScrollRequest::Track;
    }
}

void SetBar(HWND bar, const ScrollBar& value) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
    info.nMin = value.minimum;
    info.nMax = value.maximum + value.largeChange - 1;
    info.nPage = static_cast<UINT>(value.largeChange);
    info.nPos = 0;
    SetScrollInfo(bar, SB_CTL, &info, TRUE);
    ShowWindow(bar, value.visible ? SW_SHOW : SW_HIDE);
}

}  // namespace

frPreview::~frPreview() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool frPreview::Create(HWND parent, int id) {
    if (hwnd_ != nullptr || parent == nullptr) return false;
    if (!RegisterWindowClass(kClassName, OwnedWindowProc<frPreview>, nullptr)) return false;
    if (CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN, 0, 0,
                        0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                        this) == nullptr)
        return false;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    vs_ = CreateWindowExW(0, WC_SCROLLBARW, L"", WS_CHILD | SBS_VERT, 0, 0, 0, 0, hwnd_, nullptr, instance, nullptr);
    hs_ = CreateWindowExW(0, WC_SCROLLBARW, L"", WS_CHILD | SBS_HORZ, 0, 0, 0, 0, hwnd_, nullptr, instance, nullptr);
    tips_ = CreateWindowTip(hwnd_, kTip);
    return true;
}

void frPreview::SetScale(int twipsPerPixelX, int twipsPerPixelY) {
    twipsX_ = std::max(1, twipsPerPixelX);
    twipsY_ = std::max(1, twipsPerPixelY);
}

void frPreview::Show(const SharedImage& image) {
    if (!image || image->Empty() || !pic_.assign(image->width, image->height, image->pixels.data()))
        (void)pic_.resize(0, 0);
    LayOut();
}

// Skipped while the main window is minimised: its size then says nothing.
void frPreview::LayOut() {
    if (hwnd_ == nullptr || IsIconic(GetAncestor(hwnd_, GA_ROOT))) return;
    RECT client{};
    GetClientRect(hwnd_, &client);
    const UINT dpi = GetDpiForWindow(hwnd_);
    const int barWidth = GetSystemMetricsForDpi(SM_CXVSCROLL, dpi);
    const int barHeight = GetSystemMetricsForDpi(SM_CYHSCROLL, dpi);
    const int tx = twipsX_;
    const int ty = twipsY_;
    // The panel is measured at its full extent, so a picture that fits shows no bars.
    PreviewInput in;
    in.pictureWidth = pic_.width() * tx;
    in.pictureHeight = pic_.height() * ty;
    in.panelWidth = client.right * tx;
    in.panelHeight = client.bottom * ty;
    in.clientWidth = client.right * tx;
    in.bottomTop = client.bottom * ty;
    in.vsWidth = barWidth * tx;
    in.hsHeight = barHeight * ty;
    layout_ = LayOutPreview(in);
    SetWindowPos(vs_, nullptr, layout_.vsLeft / tx, 0, barWidth, layout_.vsHeight / ty, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(hs_, nullptr, 0, layout_.hsTop / ty, layout_.hsWidth / tx, barHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    SetBar(vs_, layout_.vertical);
    SetBar(hs_, layout_.horizontal);
    offset_ = POINT{0, 0};
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void frPreview::OnScroll(HWND bar, WORD code) {
    bool known = false;
    const ScrollRequest request = RequestOf(code, known);
    if (!known || (bar != vs_ && bar != hs_)) return;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS | SIF_TRACKPOS;
    if (!GetScrollInfo(bar, SB_CTL, &info)) return;
    // The steps are the ones laid out, so every way of scrolling moves by the same amounts.
    const ScrollBar& model = bar == vs_ ? layout_.vertical : layout_.horizontal;
    const int32_t value = ScrolledValue(request, info.nPos, info.nTrackPos, model);
    SetScrollPos(bar, SB_CTL, value, TRUE);
    // The bars count twips; the picture moves by whole pixels.
    if (bar == vs_) offset_.y = value / twipsY_;
    if (bar == hs_) offset_.x = value / twipsX_;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void frPreview::Paint() {
    const PaintGuard paint(hwnd_);
    const HDC dc = paint.dc();
    if (dc == nullptr) return;
    // The square between the two bars belongs to neither: it gets the face colour, and the
    // picture stays inside the panel the bars leave.
    RECT client{};
    GetClientRect(hwnd_, &client);
    const RECT panel{0, 0, layout_.vsLeft / twipsX_, layout_.hsTop / twipsY_};
    const RECT corner{panel.right, panel.bottom, client.right, client.bottom};
    if (corner.right > corner.left && corner.bottom > corner.top)
        FillRect(dc, &corner, GetSysColorBrush(COLOR_BTNFACE));
    IntersectClipRect(dc, panel.left, panel.top, panel.right, panel.bottom);
    // Scrolled, the picture's top-left corner lies above and left of the panel.
    const int x = -offset_.x;
    const int y = -offset_.y;
    if (pic_.width() > 0 && pic_.height() > 0) BitBlt(dc, x, y, pic_.width(), pic_.height(), pic_.dc(), 0, 0, SRCCOPY);
    // Only the area the picture leaves free gets the background.
    const GdiObject<HRGN> rest(CreateRectRgnIndirect(&paint.area()));
    const GdiObject<HRGN> picture(CreateRectRgn(x, y, x + pic_.width(), y + pic_.height()));
    if (rest && picture) {
        CombineRgn(rest.get(), rest.get(), picture.get(), RGN_DIFF);
        FillRgn(dc, rest.get(), GetSysColorBrush(COLOR_APPWORKSPACE));
    }
}

LRESULT frPreview::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SIZE:
            LayOut();
            return 0;
        case WM_VSCROLL:
        case WM_HSCROLL:
            if (lParam != 0) OnScroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            SetFocus(hwnd_);
            if (press_)
                press_(message == WM_LBUTTONDOWN ? MK_LBUTTON : message == WM_RBUTTONDOWN ? MK_RBUTTON : MK_MBUTTON);
            return 0;
        case WM_DESTROY:
            tips_.reset();
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

}  // namespace tessarin
