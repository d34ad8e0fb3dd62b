#include "win32/grabber.h"

#include <algorithm>

#include "win32/desktop.h"
#include "win32/handles.h"

namespace tessarin {
namespace {

DWORD RasterOperation(bool captureLayered) { return captureLayered ? SRCCOPY | CAPTUREBLT : SRCCOPY; }

}  // namespace

void WinGrabber::clearPicture() { picture_.clear(); }

// A size that memory does not allow empties the picture: what the last capture left there must
// not pass for this one.
bool WinGrabber::resizePicture(int32_t width, int32_t height) {
    if (picture_.resize(width, height)) return true;
    (void)picture_.resize(0, 0);
    return false;
}

void WinGrabber::blitFromScreen(int32_t x, int32_t y, int32_t cx, int32_t cy, bool captureLayered) {
    const WindowDc screen(nullptr);
    if (!screen) return;
    BitBlt(picture_.dc(), x, y, cx, cy, screen.get(), 0, 0, RasterOperation(captureLayered));
}

void WinGrabber::blitFromWindowDc(WindowId w, int32_t x, int32_t y, int32_t cx, int32_t cy, bool captureLayered) {
    const HWND window = ToHwnd(w);
    // GetDC(null) is the whole screen: a window that has gone must not turn into a screen copy.
    if (window == nullptr || IsWindow(window) == FALSE) return;
    const WindowDc source(window);
    if (!source) return;
    BitBlt(picture_.dc(), x, y, cx, cy, source.get(), 0, 0, RasterOperation(captureLayered));
}

void WinGrabber::printWindow(WindowId w, int32_t x, int32_t y, int32_t cx, int32_t cy) {
    const HWND window = ToHwnd(w);
    if (window == nullptr || IsWindow(window) == FALSE) return;
    // Compatible with the picture's DC, which holds a 32-bit bitmap: a bitmap compatible with
    // the new memory DC would be monochrome.
    const MemoryDc rendering(CreateCompatibleDC(picture_.dc()));
    if (!rendering) return;
    const GdiObject<HBITMAP> surface(
        CreateCompatibleBitmap(picture_.dc(), GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
    if (!surface) return;
    const SelectGuard selected(rendering.get(), surface.get());
    if (!selected) return;
    // The full content includes what the graphics card draws (browsers, modern programs); a
    // system that does not know the flag refuses it, and then the plain call is made.
    if (PrintWindow(window, rendering.get(), PW_RENDERFULLCONTENT) == FALSE) PrintWindow(window, rendering.get(), 0);
    BitBlt(picture_.dc(), x, y, cx, cy, rendering.get(), 0, 0, SRCCOPY);
}

bool WinGrabber::blank(int32_t x, int32_t y, int32_t cx, int32_t cy) const {
    const uint32_t* bits = picture_.bits();
    if (bits == nullptr) return true;
    GdiFlush();  // GDI may still be drawing into the picture
    const int64_t left = std::max<int64_t>(0, x);
    const int64_t top = std::max<int64_t>(0, y);
    const int64_t right = std::min<int64_t>(picture_.width(), int64_t{x} + cx);
    const int64_t bottom = std::min<int64_t>(picture_.height(), int64_t{y} + cy);
    if (left >= right || top >= bottom) return true;
    // GDI leaves the top byte undefined.
    const uint32_t first = bits[top * picture_.width() + left] & 0xFFFFFFU;
    for (int64_t row = top; row < bottom; ++row) {
        const uint32_t* line = bits + row * picture_.width();
        for (int64_t column = left; column < right; ++column) {
            if ((line[column] & 0xFFFFFFU) != first) return false;
        }
    }
    return true;
}

void WinGrabber::drawCursor(int32_t originX, int32_t originY) {
    POINT p{};
    if (GetCursorPos(&p) == FALSE) return;
    const HCURSOR cursor = ForegroundCursor();
    if (cursor == nullptr) return;
    ICONINFO info{};
    if (GetIconInfo(cursor, &info) == FALSE) return;
    // GetIconInfo hands over copies of the cursor's bitmaps.
    const GdiObject<HBITMAP> mask(info.hbmMask);
    const GdiObject<HBITMAP> colour(info.hbmColor);
    DrawIcon(picture_.dc(), p.x - (static_cast<int32_t>(info.xHotspot) + originX),
             p.y - (static_cast<int32_t>(info.yHotspot) + originY), cursor);
}

}  // namespace tessarin
