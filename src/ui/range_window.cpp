#include "ui/range_window.h"

#include "core/run/range_overlay.h"
#include "win32/handles.h"
#include "win32/messages.h"

namespace tessarin {

namespace {

constexpr wchar_t kClassName[] = L"frmRect";

// Rounded as the range's own geometry rounds: truncating put every range one pixel up and
// left of where the range key went down.
int ToPixels(int32_t twips, int tpp) { return PixelsOfTwips(twips, tpp); }

}  // namespace

frmRect::frmRect(HWND mainWindow, int twipsPerPixelX, int twipsPerPixelY, int platformId)
    : mainWindow_(mainWindow), tppX_(twipsPerPixelX), tppY_(twipsPerPixelY), platformId_(platformId) {}

frmRect::~frmRect() { unload(); }

void frmRect::setScale(int twipsPerPixelX, int twipsPerPixelY) {
    tppX_ = twipsPerPixelX;
    tppY_ = twipsPerPixelY;
}

bool frmRect::Load() {
    if (hwnd_ != nullptr) return true;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!RegisterWindowClass(kClassName, WindowProc, nullptr)) return false;
    // WS_EX_TRANSPARENT as well as the colour key: without it WindowFromPoint still finds
    // the overlay (under Wine), and the window under the range would be hidden from the
    // name proposal and the capture.
    DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TOPMOST;
    if (platformId_ >= 2) exStyle |= WS_EX_LAYERED | WS_EX_TRANSPARENT;
    hwnd_ = CreateWindowExW(exStyle, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (hwnd_ == nullptr) return false;
    if (platformId_ >= 2) SetLayeredWindowAttributes(hwnd_, kKeyColour, 0, LWA_COLORKEY);
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

void frmRect::show() {
    if (Load()) ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
}

void frmRect::hide() {
    if (hwnd_ != nullptr) ShowWindow(hwnd_, SW_HIDE);
}

void frmRect::setBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
    if (!Load()) return;
    SetWindowPos(hwnd_, nullptr, ToPixels(left, tppX_), ToPixels(top, tppY_), ToPixels(width, tppX_),
                 ToPixels(height, tppY_), SWP_NOZORDER | SWP_NOACTIVATE);
}

TwipsBounds frmRect::bounds() const {
    if (hwnd_ == nullptr) return {};
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return TwipsBounds{r.left * tppX_, r.top * tppY_, (r.right - r.left) * tppX_, (r.bottom - r.top) * tppY_};
}

void frmRect::makeTopmost() {
    if (Load()) SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void frmRect::redraw() {
    if (hwnd_ != nullptr) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void frmRect::unload() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

WindowId frmRect::id() const { return static_cast<WindowId>(reinterpret_cast<uintptr_t>(hwnd_)); }

void frmRect::showMainWindow() {
    if (mainWindow_ != nullptr && !IsWindowVisible(mainWindow_)) ShowWindow(mainWindow_, SW_SHOWNA);
}

void frmRect::processPendingMessages() { ProcessPendingMessages(); }

void frmRect::drawFocusRect(Rect pixels) {
    const WindowDc screen(nullptr);
    if (!screen) return;
    const RECT r{pixels.left, pixels.top, pixels.right, pixels.bottom};
    DrawFocusRect(screen.get(), &r);
}

// The fill is the key colour (transparent); the outline runs along the inner edges.
LRESULT CALLBACK frmRect::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT client{};
            GetClientRect(hwnd, &client);
            const GdiObject<HBRUSH> fill(CreateSolidBrush(kKeyColour));
            const GdiObject<HBRUSH> line(CreateSolidBrush(kLineColour));
            if (fill && line) {
                FillRect(dc, &client, fill.get());
                FrameRect(dc, &client, line.get());
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_NCHITTEST:
            return HTTRANSPARENT;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace tessarin
