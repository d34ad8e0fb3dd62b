#include "win32/grabber.h"

#include <dwmapi.h>

#include <algorithm>
#include <exception>
#include <vector>

#include "win32/desktop.h"
#include "win32/handles.h"
#include "win32/messages.h"

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

void WinGrabber::copyScreen(const Rect& source, Point to, bool captureLayered) {
    const WindowDc screen(nullptr);
    if (!screen) return;
    BitBlt(picture_.dc(), to.x, to.y, source.width(), source.height(), screen.get(), source.left, source.top,
           RasterOperation(captureLayered));
}

void WinGrabber::copyWindowDc(WindowId w, const Rect& source, Point to, bool captureLayered) {
    const HWND window = ToHwnd(w);
    // GetDC(null) is the whole screen: a window that has gone must not turn into a screen copy.
    if (window == nullptr || IsWindow(window) == FALSE) return;
    const WindowDc dc(window);
    if (!dc) return;
    BitBlt(picture_.dc(), to.x, to.y, source.width(), source.height(), dc.get(), source.left, source.top,
           RasterOperation(captureLayered));
}

// The surface has the window's own size: a window larger than a monitor is drawn whole. Its
// untouched pixels stay black, so a window that drew nothing leaves a flat picture.
bool WinGrabber::printWindow(WindowId w, int32_t width, int32_t height, Point to) {
    const HWND window = ToHwnd(w);
    if (window == nullptr || IsWindow(window) == FALSE || width <= 0 || height <= 0) return false;
    // Compatible with the picture's DC, which holds a 32-bit bitmap: a bitmap compatible with
    // the new memory DC would be monochrome.
    const MemoryDc rendering(CreateCompatibleDC(picture_.dc()));
    if (!rendering) return false;
    const GdiObject<HBITMAP> surface(CreateCompatibleBitmap(picture_.dc(), width, height));
    if (!surface) return false;
    const SelectGuard selected(rendering.get(), surface.get());
    if (!selected) return false;
    PatBlt(rendering.get(), 0, 0, width, height, BLACKNESS);
    // The full content includes what the graphics card draws (browsers, modern programs); a
    // system that does not know the flag refuses it, and then the plain call is made.
    if (PrintWindow(window, rendering.get(), PW_RENDERFULLCONTENT) == FALSE &&
        PrintWindow(window, rendering.get(), 0) == FALSE)
        return false;
    return BitBlt(picture_.dc(), to.x, to.y, width, height, rendering.get(), 0, 0, SRCCOPY) != FALSE;
}

void WinGrabber::fillBlack(const Rect& area) {
    PatBlt(picture_.dc(), area.left, area.top, area.width(), area.height(), BLACKNESS);
}

bool WinGrabber::blank(const Rect& area) const {
    const uint32_t* bits = picture_.bits();
    if (bits == nullptr) return true;
    GdiFlush();  // GDI may still be drawing into the picture
    const int64_t left = std::max<int64_t>(0, area.left);
    const int64_t top = std::max<int64_t>(0, area.top);
    const int64_t right = std::min<int64_t>(picture_.width(), area.right);
    const int64_t bottom = std::min<int64_t>(picture_.height(), area.bottom);
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

// The copy is the capture; the picture's own memory goes at once (a full-screen capture would
// otherwise be held twice).
SharedImage WinGrabber::takeImage() {
    SharedImage image = ImageOfPicture(picture_);
    (void)picture_.resize(0, 0);
    return image;
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

namespace {

BOOL CALLBACK CollectOwnWindow(HWND window, LPARAM context) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || IsWindowVisible(window) == FALSE || IsIconic(window) != FALSE) return TRUE;
    RECT r{};
    if (GetWindowRect(window, &r) == FALSE || r.right <= r.left || r.bottom <= r.top) return TRUE;
    try {
        reinterpret_cast<std::vector<ShownWindow>*>(context)->push_back(
            ShownWindow{ToWindowId(window), Rect{r.left, r.top, r.right, r.bottom}});
        return TRUE;
    } catch (const std::exception&) {
        return FALSE;
    }
}

// Windows 10 2004: before it, the same flag blacks a window out of a copy instead of leaving it out.
constexpr uint32_t kExcludeFromCaptureBuild = 19041;

}  // namespace

std::vector<ShownWindow> WinGrabber::ownWindows() const {
    std::vector<ShownWindow> windows;
    EnumWindows(CollectOwnWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// Only for the copy's moment: left out for good, the program would be missing from every other
// program's screenshots and screen sharing too. The composition that follows the change is
// awaited, or the copy could still be of the frame before it.
bool WinGrabber::excludeOwnWindows(bool exclude) {
    if (OsBuildNumber() < kExcludeFromCaptureBuild) return false;
    const std::vector<ShownWindow> windows = ownWindows();
    const DWORD affinity = exclude ? WDA_EXCLUDEFROMCAPTURE : WDA_NONE;
    for (size_t i = 0; i < windows.size(); ++i) {
        if (SetWindowDisplayAffinity(ToHwnd(windows[i].id), affinity) != FALSE) continue;
        if (!exclude) continue;
        // Half left out would still show the rest: undo, and let the caller hide them instead.
        for (size_t j = 0; j < i; ++j) SetWindowDisplayAffinity(ToHwnd(windows[j].id), WDA_NONE);
        return false;
    }
    (void)DwmFlush();
    return true;
}

void WinGrabber::showOwnWindow(WindowId w, bool shown) {
    SetWindowPos(ToHwnd(w), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void WinGrabber::awaitRepaint() { ProcessMessagesFor(kUncoveredRepaintMs); }

}  // namespace tessarin
