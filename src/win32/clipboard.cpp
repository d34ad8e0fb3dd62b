#include "win32/clipboard.h"

#include <cstring>

#include "win32/drag_drop.h"
#include "win32/handles.h"

namespace tessarin {

bool PutTextOnClipboard(const std::wstring& text, HWND owner) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) return false;
    {
        const GlobalLockGuard lock(memory.get());
        if (!lock || lock.size() < bytes) return false;
        std::memcpy(lock.get(), text.c_str(), bytes);
    }
    const ClipboardGuard clipboard(owner);
    if (!clipboard || !EmptyClipboard()) return false;
    if (SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) return false;
    // The clipboard owns the block now.
    (void)memory.release();
    return true;
}

bool WinClipboard::empty() {
    const ClipboardGuard open(owner_);
    return open && EmptyClipboard() != FALSE;
}

// The caller empties the clipboard first (that makes us its owner); this only adds the
// bitmap. An image without pixels has nothing to add: the emptied clipboard already shows
// it, so that is no failure.
bool WinClipboard::setImage(const Image& image) {
    if (image.Empty()) return true;
    return setBitmap(BitmapFromImage(image));
}

bool WinClipboard::setBitmap(GdiObject<HBITMAP> bitmap) {
    if (!bitmap) return false;
    const ClipboardGuard open(owner_);
    if (!open) return false;
    if (SetClipboardData(CF_BITMAP, bitmap.get()) == nullptr) return false;
    // The system owns the bitmap now.
    (void)bitmap.release();
    return true;
}

}  // namespace tessarin
