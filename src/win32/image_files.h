#pragma once
// Existing image files into pictures: BMP, JPEG and GIF through the platform's decoder, PNG
// through our mpng.dll.

#include <windows.h>
// These build on windows.h.
#include <wincodec.h>

#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "core/files/picture_size.h"
#include "core/imagelist/image.h"
#include "win32/handles.h"
#include "win32/picture.h"

namespace tessarin {

// Shown in the loader's message box as the number, one blank and the description.
struct LoadFailure {
    long errorNumber = 0;
    std::wstring description;
    bool tooLarge = false;  // a picture beyond what the program can hold, never decoded
};

// The loader's reasons, shared by every reader of image files.
[[nodiscard]] LoadFailure FileNotFound();
[[nodiscard]] LoadFailure NoAccess();
[[nodiscard]] LoadFailure BadPicture();
[[nodiscard]] LoadFailure OutOfMemory();
[[nodiscard]] LoadFailure NoDecoder();
[[nodiscard]] LoadFailure TooLarge(PictureSize size);

// A picture file opened for reading and measured from its header before anything decodes it:
// the loader's reason when it is missing, locked, damaged or larger than the program can hold.
// The factory measures formats other than the four (without one they count as damaged). The
// handle is left at the start of the file.
[[nodiscard]] std::optional<LoadFailure> OpenPictureFile(IWICImagingFactory* factory, const std::wstring& path,
                                                         UniqueHandle& file);

// Loads a BMP, JPEG or GIF file (whatever the platform decoder reads) into the picture, resized
// to the image. On failure the picture is left 0 x 0 and the reason is returned.
[[nodiscard]] std::optional<LoadFailure> LoadPicture(const std::wstring& path, Picture& picture);
// The same file as the core's pixels; on failure the image is left as it was.
[[nodiscard]] std::optional<LoadFailure> LoadImageFile(const std::wstring& path, Image& image);

// A BITMAPINFO with room for a full colour table, as mpng.dll fills it.
struct BitmapInfo256 {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};
static_assert(sizeof(BitmapInfo256) == 1064);

// Draws a device-independent bitmap into the picture (resized to it). False, with the picture
// 0 x 0, for a header GDI cannot draw safely or pixel data shorter than the header promises.
[[nodiscard]] bool PictureFromDib(const BitmapInfo256& info, std::span<const std::byte> bits, Picture& picture);

// mpng.dll, loaded by path for as long as this object lives.
class PngLibrary {
public:
    explicit PngLibrary(const std::wstring& dllPath);
    [[nodiscard]] bool ok() const { return endPng_ != nullptr; }
    // False, with the picture 0 x 0 and no message, when the library is missing, the file cannot
    // be opened or decoded, or (with an older library without its wide call) the path has no form
    // in the ANSI code page.
    [[nodiscard]] bool LoadPngPicture(const std::wstring& path, Picture& picture) const;

private:
    using LoadPngFn = int(WINAPI*)(const char*, int*, BITMAPINFO*, int*);
    using LoadPngWFn = int(WINAPI*)(const wchar_t*, int*, BITMAPINFO*, int*);
    using GetPngDataFn = int(WINAPI*)(int, void*);
    using EndPngFn = void(WINAPI*)(int);
    ModuleHandle library_;
    LoadPngFn loadPng_ = nullptr;
    LoadPngWFn loadPngW_ = nullptr;  // names outside the ANSI code page; absent in older builds
    GetPngDataFn getPngData_ = nullptr;
    EndPngFn endPng_ = nullptr;  // set only when all three calls are there
};

}  // namespace tessarin
