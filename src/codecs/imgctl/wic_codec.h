#pragma once
// Shared by the codec libraries (imgctl.dll, mpng.dll) and the program: COM for the length of one
// call, the imaging factory, ANSI paths, measuring and decoding a file into 32-bit pixels, encoding
// pixels into memory and a table of 32-bit handles.

#include <windows.h>
// These build on windows.h.
#include <objbase.h>
#include <ocidl.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/files/picture_size.h"
#include "win32/handles.h"

namespace tessarin::codec {

struct Image {
    UINT width = 0;
    UINT height = 0;
    std::vector<BYTE> bgra;  // top-down rows of width * 4 bytes: blue, green, red, straight alpha
};

// COM and the imaging factory for one call. The caller may or may not have initialised COM on its
// thread, in either apartment; an apartment that is already there serves as well (RPC_E_CHANGED_MODE),
// and only an initialisation made here is undone here.
class WicSession {
public:
    WicSession() : WicSession(COINIT_APARTMENTTHREADED) {}
    // A thread of our own chooses its apartment (worker threads without a message loop: multithreaded).
    explicit WicSession(DWORD model) : com_(model) {
        if (!com_.ok() && com_.result() != RPC_E_CHANGED_MODE) return;
        if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                      factory_.putVoid()))) {
            factory_.reset();
        }
    }

    [[nodiscard]] IWICImagingFactory* factory() const noexcept { return factory_.get(); }

private:
    CoInit com_;  // declared first: released last
    ComPtr<IWICImagingFactory> factory_;
};

// A path in the ANSI code page; false for a missing, empty or malformed one.
[[nodiscard]] inline bool AnsiPathToWide(const char* path, std::wstring& wide) {
    if (path == nullptr || *path == '\0') return false;
    const int length = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    if (length <= 1) return false;
    wide.assign(static_cast<size_t>(length), L'\0');
    if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, wide.data(), length) != length) return false;
    wide.resize(static_cast<size_t>(length) - 1);
    return true;
}

// An open file's bytes for the header rules, read at an offset.
class HandleBytes final : public FileBytes {
public:
    explicit HandleBytes(HANDLE file) : file_(file) {}
    [[nodiscard]] size_t readAt(uint64_t offset, std::span<std::byte> into) override {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD read = 0;
        const auto wanted = static_cast<DWORD>(std::min<size_t>(into.size(), 1U << 20));
        return ::ReadFile(file_, into.data(), wanted, &read, &at) ? read : 0;
    }

private:
    HANDLE file_;
};

enum class PictureFit { Fits, TooLarge, Unreadable };
struct Measured {
    PictureFit fit = PictureFit::Unreadable;
    PictureSize size;
};

// How large the picture in an open file is, from its header, before any decoder sees the file:
// Wine's PNG and GIF decoders decode the whole file as soon as they are made, and a picture of
// billions of pixels in a file of a few megabytes overruns their buffers. Formats other than the
// four are measured by the imaging component, whose decoders for them read only the header (none
// without a factory). The file is left at its start.
[[nodiscard]] inline Measured MeasurePicture(IWICImagingFactory* factory, HANDLE file) {
    HandleBytes bytes(file);
    PictureHeader header = ReadPictureHeader(bytes);
    if (header.format == PictureFormat::Foreign && factory != nullptr) {
        ComPtr<IWICBitmapDecoder> decoder;
        ComPtr<IWICBitmapFrameDecode> frame;
        PictureSize size;
        if (::SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN) &&
            SUCCEEDED(factory->CreateDecoderFromFileHandle(reinterpret_cast<ULONG_PTR>(file), nullptr,
                                                           WICDecodeMetadataCacheOnDemand, decoder.put())) &&
            SUCCEEDED(decoder->GetFrame(0, frame.put())) && SUCCEEDED(frame->GetSize(&size.width, &size.height)) &&
            size.width != 0 && size.height != 0) {
            header.size = size;
        }
    }
    if (!::SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN) || !header.size) return {};
    return {IsTooLarge(*header.size) ? PictureFit::TooLarge : PictureFit::Fits, *header.size};
}

// Decodes the first frame of an open image file already measured. With a container given, any
// other kind of file is refused.
[[nodiscard]] inline bool DecodeMeasured(IWICImagingFactory* factory, HANDLE file, Image& image,
                                         const GUID* container = nullptr) {
    // The decoder reads through the handle for as long as it lives: it goes before the caller's
    // handle does.
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromFileHandle(reinterpret_cast<ULONG_PTR>(file), nullptr,
                                                    WICDecodeMetadataCacheOnDemand, decoder.put()))) {
        return false;
    }
    if (container != nullptr) {
        GUID actual{};
        if (FAILED(decoder->GetContainerFormat(&actual)) || actual != *container) return false;
    }
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT width = 0;
    UINT height = 0;
    if (FAILED(decoder->GetFrame(0, frame.put())) || FAILED(frame->GetSize(&width, &height))) return false;
    // The decoder's own word too: a header may be read two ways.
    if (width == 0 || height == 0 || IsTooLarge({width, height})) return false;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return false;
    }
    std::vector<BYTE> pixels(size_t{width} * height * 4);
    if (FAILED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size()), pixels.data()))) {
        return false;
    }
    image.width = width;
    image.height = height;
    image.bgra = std::move(pixels);
    return true;
}

// Decodes the first frame of an image file whose picture the program can hold.
[[nodiscard]] inline bool DecodeFile(IWICImagingFactory* factory, const std::wstring& path, Image& image,
                                     const GUID* container = nullptr) {
    const UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && MeasurePicture(factory, file.get()).fit == PictureFit::Fits &&
           DecodeMeasured(factory, file.get(), image, container);
}

// Pixels in the layout an encoder is given: rows padded to four bytes.
struct Pixels {
    WICPixelFormatGUID format{};
    UINT stride = 0;
    std::vector<BYTE> data;
    std::vector<WICColor> palette;  // 8-bit indexed only
};

// 24-bit rows from top-down rows of four bytes a pixel: blue, green, red and one left out.
[[nodiscard]] inline Pixels Bgr24FromBgrx(const BYTE* source, UINT width, UINT height) {
    Pixels out{GUID_WICPixelFormat24bppBGR, (width * 3 + 3) & ~3U, {}, {}};
    out.data.assign(size_t{out.stride} * height, 0);
    for (UINT y = 0; y < height; ++y) {
        const BYTE* from = source + size_t{y} * width * 4;
        BYTE* to = out.data.data() + size_t{y} * out.stride;
        for (size_t x = 0; x < width; ++x) {
            to[x * 3] = from[x * 4];
            to[x * 3 + 1] = from[x * 4 + 1];
            to[x * 3 + 2] = from[x * 4 + 2];
        }
    }
    return out;
}

// Encodes one frame into memory and hands the bytes to take(data, size) while they are there; the
// quality is for JPEG only, the filter (a WICPngFilterOption) for PNG only, the encoder's own
// choice when unspecified. False when any step fails, or when the encoder wants another layout
// than the pixels have.
template <typename Take>
[[nodiscard]] bool EncodeInMemory(IWICImagingFactory* factory, const GUID& container, const Pixels& pixels, UINT width,
                                  UINT height, float jpegQuality, Take take,
                                  WICPngFilterOption pngFilter = WICPngFilterUnspecified) {
    ComPtr<IStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) ||
        FAILED(factory->CreateEncoder(container, nullptr, encoder.put())) ||
        FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.put(), options.put()))) {
        return false;
    }
    if (container == GUID_ContainerFormatJpeg && options) {
        PROPBAG2 option{};
        option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
        VARIANT value{};
        value.vt = VT_R4;
        value.fltVal = jpegQuality;
        if (FAILED(options->Write(1, &option, &value))) return false;
    }
    if (container == GUID_ContainerFormatPng && options && pngFilter != WICPngFilterUnspecified) {
        PROPBAG2 option{};
        option.pstrName = const_cast<LPOLESTR>(L"FilterOption");
        VARIANT value{};
        value.vt = VT_UI1;
        value.bVal = static_cast<BYTE>(pngFilter);
        if (FAILED(options->Write(1, &option, &value))) return false;
    }
    WICPixelFormatGUID format = pixels.format;
    if (FAILED(frame->Initialize(options.get())) || FAILED(frame->SetSize(width, height)) ||
        FAILED(frame->SetPixelFormat(&format)) || format != pixels.format) {
        return false;  // an encoder that wants another layout would misread these pixels
    }
    if (!pixels.palette.empty()) {
        ComPtr<IWICPalette> palette;
        if (FAILED(factory->CreatePalette(palette.put())) ||
            FAILED(palette->InitializeCustom(const_cast<WICColor*>(pixels.palette.data()),
                                             static_cast<UINT>(pixels.palette.size()))) ||
            FAILED(frame->SetPalette(palette.get()))) {
            return false;
        }
    }
    if (FAILED(frame->WritePixels(height, pixels.stride, static_cast<UINT>(pixels.data.size()),
                                  const_cast<BYTE*>(pixels.data.data()))) ||
        FAILED(frame->Commit()) || FAILED(encoder->Commit())) {
        return false;
    }
    STATSTG stat{};
    HGLOBAL memory = nullptr;
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || FAILED(::GetHGlobalFromStream(stream.get(), &memory))) {
        return false;
    }
    const GlobalLockGuard bytes(memory);
    if (!bytes || stat.cbSize.QuadPart > bytes.size()) return false;
    return take(static_cast<const void*>(bytes.get()), static_cast<size_t>(stat.cbSize.QuadPart));
}

// Callers hold images by a 32-bit number (0 meaning none), so a pointer, 64 bits wide in this
// process, cannot be handed out. Numbers are not reused until the counter wraps; 0 and negative
// numbers are never issued. Thread-safe: an image in use stays alive until its user lets go.
template <typename T>
class HandleTable {
public:
    // 0 when every number is taken.
    [[nodiscard]] std::int32_t Add(std::shared_ptr<T> item) {
        const std::lock_guard lock(mutex_);
        for (int tries = 0; tries < 1024; ++tries) {
            const std::int32_t candidate = next_;
            next_ = next_ == INT32_MAX ? 1 : next_ + 1;
            if (items_.find(candidate) == items_.end()) {
                items_.emplace(candidate, std::move(item));
                return candidate;
            }
        }
        return 0;
    }

    [[nodiscard]] std::shared_ptr<T> Find(std::int32_t handle) {
        const std::lock_guard lock(mutex_);
        const auto found = items_.find(handle);
        return found == items_.end() ? nullptr : found->second;
    }

    void Remove(std::int32_t handle) {
        std::shared_ptr<T> removed;  // freed outside the lock
        const std::lock_guard lock(mutex_);
        const auto found = items_.find(handle);
        if (found == items_.end()) return;
        removed = std::move(found->second);
        items_.erase(found);
    }

private:
    std::mutex mutex_;
    std::unordered_map<std::int32_t, std::shared_ptr<T>> items_;
    std::int32_t next_ = 1;
};

}  // namespace tessarin::codec
