#pragma once
// Images dragged out of the program and dropped onto its windows, over OLE drag and drop. Both
// sides carry the picture as CF_BITMAP on TYMED_GDI, a bitmap in the screen's format, which is
// what receivers of pictures take most widely.
//
// OLE must be initialised on the calling thread (OleInitialize, e.g. through OleInit in handles.h)
// before StartBitmapDrag, MakeBitmapDataObject or BitmapDropTarget::Register.

#include <windows.h>
// These build on windows.h.
#include <ole2.h>

#include <functional>
#include <optional>
#include <utility>

#include "core/imagelist/image.h"
#include "win32/handles.h"

namespace tessarin {

// The bitmap's pixels as an Image (top byte cleared); nullopt for a handle that is not a bitmap,
// a bitmap without pixels or one whose bits cannot be read. The bitmap must not be selected
// into a DC.
[[nodiscard]] std::optional<Image> ImageFromBitmap(HBITMAP bitmap) noexcept;

// A bitmap compatible with the screen (a DDB, as CF_BITMAP wants) showing the image; empty for
// an empty image or when it cannot be made.
[[nodiscard]] GdiObject<HBITMAP> BitmapFromImage(const Image& image) noexcept;

// A data object offering a copy of the image as CF_BITMAP on TYMED_GDI and nothing else. Each
// GetData hands out a bitmap of its own, which the receiver releases. Null for an empty image
// or when memory runs out.
[[nodiscard]] ComPtr<IDataObject> MakeBitmapDataObject(const Image& image) noexcept;

// Drags the image as a copy, left button held: releasing it drops, Esc cancels. Returns once
// the drag is over (OLE runs its own message loop meanwhile); true when a target took the copy.
// An empty image starts no drag and returns false.
[[nodiscard]] bool StartBitmapDrag(const Image& image) noexcept;

// The drop source StartBitmapDrag hands to OLE, so tests can ask it what it answers: Esc
// cancels, the left button let go drops. Null when memory runs out.
[[nodiscard]] ComPtr<IDropSource> MakeLeftButtonDropSource() noexcept;

// Makes a window a place where bitmaps can be dropped. accepts(point) decides, for a point in the
// window's client coordinates, whether a drop there would be taken; dropped(point, image) receives
// each picture dropped where accepts said yes. Revoke before the window is destroyed (OLE keeps
// its registration with the window, and a registration outliving it is never released); once
// revoked, the callbacks are never called again.
class BitmapDropTarget {
public:
    using Accepts = std::function<bool(POINT client)>;
    using Dropped = std::function<void(POINT client, Image image)>;

    BitmapDropTarget() noexcept = default;
    BitmapDropTarget(const BitmapDropTarget&) = delete;
    BitmapDropTarget& operator=(const BitmapDropTarget&) = delete;
    BitmapDropTarget(BitmapDropTarget&& other) noexcept;
    BitmapDropTarget& operator=(BitmapDropTarget&& other) noexcept;
    ~BitmapDropTarget();

    // Revokes any earlier registration of this owner first. False (and nothing registered) when
    // OLE refuses, e.g. the window already has a drop target or OLE is not initialised here.
    [[nodiscard]] bool Register(HWND window, Accepts accepts, Dropped dropped) noexcept;
    void Revoke() noexcept;

    [[nodiscard]] HWND window() const noexcept { return window_; }
    // The interface OLE calls, so tests can play the part of a drag; null when not registered.
    [[nodiscard]] IDropTarget* target() const noexcept { return target_.get(); }

private:
    HWND window_ = nullptr;
    ComPtr<IDropTarget> target_;
};

}  // namespace tessarin
