#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "core/imagelist/image.h"
#include "win32/handles.h"

namespace tessarin {

// The preview picture: a 32-bit top-down DIB section selected into a memory DC of its own,
// so GDI draws into it and its pixels can be read directly. A picture with a 0 extent is
// valid; it has no pixels.
class Picture {
public:
    // An empty (0 x 0) picture whose background is the system button face colour.
    Picture() : Picture(GetSysColor(COLOR_BTNFACE)) {}
    explicit Picture(COLORREF background);
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    Picture(Picture&& other) noexcept;
    Picture& operator=(Picture&& other) noexcept;
    ~Picture();

    // False when the DC or the bitmap could not be made (the picture is then 0 x 0).
    [[nodiscard]] bool ok() const noexcept { return dc_.valid() && bitmap_.valid(); }

    // Negative extents are taken as 0. The content becomes the background colour.
    [[nodiscard]] bool resize(int32_t width, int32_t height);
    void clear();

    [[nodiscard]] int32_t width() const noexcept { return width_; }
    [[nodiscard]] int32_t height() const noexcept { return height_; }
    [[nodiscard]] COLORREF background() const noexcept { return background_; }
    [[nodiscard]] HDC dc() const noexcept { return dc_.get(); }
    [[nodiscard]] HBITMAP bitmap() const noexcept { return bitmap_.get(); }
    // The colour at (x, y); CLR_INVALID outside the picture.
    [[nodiscard]] COLORREF pixel(int32_t x, int32_t y) const;
    // Rows top to bottom, width() 32-bit pixels each (0xAARRGGBB; GDI leaves AA undefined);
    // null for an empty picture.
    [[nodiscard]] const uint32_t* bits() const;

    // Becomes a copy of width x height top-down 32-bit pixels; false (and 0 x 0) when the
    // bitmap cannot be made.
    [[nodiscard]] bool assign(int32_t width, int32_t height, const uint32_t* pixels);

    // Writes the picture as a 24-bit bitmap file, replacing one of that name; a file that could
    // not be written whole is removed again.
    [[nodiscard]] bool WriteBitmapFile(const std::wstring& path) const;
    // The same into a file made new: NameTaken, with nothing written, when the name exists.
    enum class NewFile { Written, NameTaken, Failed };
    [[nodiscard]] NewFile CreateBitmapFile(const std::wstring& path) const;

    // A copy in the screen's format (a DDB, as CF_BITMAP wants); empty for a picture with no
    // pixels or when it cannot be made.
    [[nodiscard]] GdiObject<HBITMAP> CopyAsDdb() const;

private:
    void restoreOriginalBitmap() noexcept;
    [[nodiscard]] NewFile WriteBitmap(const std::wstring& path, DWORD disposition) const;

    MemoryDc dc_;
    GdiObject<HBITMAP> bitmap_;
    HGDIOBJ original_ = nullptr;  // the DC's own bitmap, put back before ours is deleted
    uint32_t* bits_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    COLORREF background_;
};

// The header of 32-bit pixels in top-down rows, as pictures, thumbnails and images keep them.
[[nodiscard]] BITMAPINFO TopDownInfo(int32_t width, int32_t height) noexcept;

// A copy of the picture's pixels (top byte cleared); null for an empty picture or when memory
// runs out.
[[nodiscard]] SharedImage ImageOfPicture(const Picture& picture);

}  // namespace tessarin
