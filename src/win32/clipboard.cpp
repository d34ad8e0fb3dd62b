#include "win32/clipboard.h"

#include "win32/drag_drop.h"
#include "win32/handles.h"

namespace tessarin {

bool WinClipboard::empty() {
    const ClipboardGuard open(owner_);
    return open && EmptyClipboard() != FALSE;
}

// The caller empties the clipboard first (that makes us its owner); this only adds the
// bitmap. A picture without pixels has nothing to add: the emptied clipboard already shows
// it, so that is no failure.
bool WinClipboard::setPicture() {
    if (picture_.width() == 0 || picture_.height() == 0) return true;
    return setBitmap(picture_.CopyAsDdb());
}

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
