// mpng.dll: decodes PNG files into device-independent bitmaps in three steps: mLoadPNG opens and
// decodes the file and tells the size, mGetPNGData copies the pixels out, mEndPNG lets go. Paths
// are ANSI text, a decoded file is a 32-bit handle (0 meaning none), results are 1 on success.
// No exception leaves an export.
//
// The bitmap is always 32 bits per pixel, uncompressed (BI_RGB), bottom-up, rows of width * 4
// bytes: blue, green, red and the PNG's alpha (255 where the file has none), not premultiplied.
// Only the 40-byte header of the caller's BITMAPINFO is written; a 32-bit bitmap has no colour
// table, so the room the caller keeps for one is left as it is.

#include <windows.h>
// These build on windows.h.
#include <wincodec.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "codecs/imgctl/wic_codec.h"

namespace {

struct DecodedPng {
    BITMAPINFOHEADER header{};
    std::vector<BYTE> bits;  // bottom-up
};

tessarin::codec::HandleTable<DecodedPng>& Decoded() {
    static tessarin::codec::HandleTable<DecodedPng> table;
    return table;
}

std::shared_ptr<DecodedPng> DecodePng(const std::wstring& path) {
    tessarin::codec::Image image;
    {
        const tessarin::codec::WicSession session;
        if (session.factory() == nullptr ||
            !tessarin::codec::DecodeFile(session.factory(), path, image, &GUID_ContainerFormatPng)) {
            return nullptr;
        }
    }
    auto decoded = std::make_shared<DecodedPng>();
    const size_t rowBytes = size_t{image.width} * 4;
    decoded->bits.resize(image.bgra.size());
    for (UINT y = 0; y < image.height; ++y) {
        std::memcpy(decoded->bits.data() + (image.height - 1 - y) * rowBytes, image.bgra.data() + y * rowBytes,
                    rowBytes);
    }
    BITMAPINFOHEADER& header = decoded->header;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = static_cast<LONG>(image.width);
    header.biHeight = static_cast<LONG>(image.height);
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(decoded->bits.size());
    return decoded;
}

int LoadPng(const std::wstring& source, int* handle, BITMAPINFO* info, int* dataSize) {
    if (handle != nullptr) *handle = 0;
    if (dataSize != nullptr) *dataSize = 0;
    try {
        if (handle == nullptr || info == nullptr || dataSize == nullptr || source.empty()) return 0;
        std::shared_ptr<DecodedPng> decoded = DecodePng(source);
        if (!decoded) return 0;
        const BITMAPINFOHEADER header = decoded->header;
        const std::int32_t added = Decoded().Add(std::move(decoded));
        if (added == 0) return 0;
        info->bmiHeader = header;
        *handle = added;
        *dataSize = static_cast<int>(header.biSizeImage);
        return 1;
    } catch (...) {
        return 0;  // out of memory
    }
}

}  // namespace

// info: room for the caller's BITMAPINFO; dataSize: the byte count mGetPNGData will copy.
// On failure the handle and the size are 0. The path is in the ANSI code page; mLoadPNGW takes
// it as UTF-16, for names that have no form there.
extern "C" int WINAPI mLoadPNG(const char* path, int* handle, BITMAPINFO* info, int* dataSize) {
    std::wstring source;
    try {
        if (!tessarin::codec::AnsiPathToWide(path, source)) source.clear();
    } catch (...) {
        source.clear();
    }
    return LoadPng(source, handle, info, dataSize);
}

extern "C" int WINAPI mLoadPNGW(const wchar_t* path, int* handle, BITMAPINFO* info, int* dataSize) {
    try {
        return LoadPng(path != nullptr ? std::wstring(path) : std::wstring(), handle, info, dataSize);
    } catch (...) {
        return 0;
    }
}

// buffer: dataSize bytes as told by mLoadPNG.
extern "C" int WINAPI mGetPNGData(int handle, void* buffer) {
    try {
        const std::shared_ptr<DecodedPng> decoded = Decoded().Find(handle);
        if (!decoded || buffer == nullptr) return 0;
        std::memcpy(buffer, decoded->bits.data(), decoded->bits.size());
        return 1;
    } catch (...) {
        return 0;
    }
}

// Unknown handles (0 included) are ignored.
extern "C" void WINAPI mEndPNG(int handle) {
    try {
        Decoded().Remove(handle);
    } catch (...) {
        // std::mutex can only fail on a broken system; nothing to release then
    }
}
