#include "win32/image_files.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "codecs/imgctl/wic_codec.h"
#include "win32/wide.h"

namespace tessarin {

LoadFailure FileNotFound() { return {53, L"ファイルが見つかりません。"}; }
LoadFailure NoAccess() { return {75, L"ファイルにアクセスできません。"}; }
LoadFailure BadPicture() { return {481, L"ピクチャが不正です。"}; }
LoadFailure OutOfMemory() { return {7, L"メモリが不足しています。"}; }
LoadFailure NoDecoder() { return {429, L"画像を読み込む機能を利用できません。"}; }
LoadFailure TooLarge(PictureSize size) { return {kTooLargeErrorNumber, Utf8ToWide(TooLargeDescription(size)), true}; }

// The decoder only says that it failed: a missing or locked file is told apart first, as the
// loader tells it. The file judged readable is the file measured and then decoded.
std::optional<LoadFailure> OpenPictureFile(IWICImagingFactory* factory, const std::wstring& path, UniqueHandle& file) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileNotFound();
    file.reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return NoAccess();
    const codec::Measured measured = codec::MeasurePicture(factory, file.get());
    switch (measured.fit) {
        case codec::PictureFit::Fits:
            return std::nullopt;
        case codec::PictureFit::TooLarge:
            return TooLarge(measured.size);
        case codec::PictureFit::Unreadable:
            break;
    }
    return BadPicture();
}

namespace {

// The bytes of pixel data a header describes; nothing for a header GDI would take beyond the
// 1064-byte info it came in (a longer header, more colours or masks than fit), a format it
// cannot draw, or a picture larger than the decoders ever produce.
std::optional<uint64_t> DibPixelBytes(const BITMAPINFOHEADER& header) {
    if (header.biSize != sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 || header.biWidth < 1 ||
        header.biHeight == 0) {
        return std::nullopt;
    }
    const uint64_t width = static_cast<uint64_t>(header.biWidth);
    const uint64_t height = static_cast<uint64_t>(std::llabs(static_cast<long long>(header.biHeight)));
    if (IsTooLarge({static_cast<uint32_t>(width), static_cast<uint32_t>(height)})) return std::nullopt;
    const unsigned bits = header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return std::nullopt;
    uint64_t masks = 0;
    if (header.biCompression == BI_BITFIELDS) {
        if (bits != 16 && bits != 32) return std::nullopt;
        masks = 3 * sizeof(DWORD);
    } else if (header.biCompression != BI_RGB) {
        return std::nullopt;  // run-length and embedded JPEG/PNG data have no size to check against
    }
    uint64_t colours = header.biClrUsed;
    if (bits <= 8) {
        const uint64_t most = uint64_t{1} << bits;
        if (colours == 0) colours = most;
        if (colours > most) return std::nullopt;
    }
    if (sizeof(BITMAPINFOHEADER) + masks + colours * sizeof(RGBQUAD) > sizeof(BitmapInfo256)) return std::nullopt;
    const uint64_t stride = (width * bits + 31) / 32 * 4;
    return stride * height;
}

// Calls mEndPNG for a handle that mLoadPNG opened, on every path.
class PngHandle {
public:
    PngHandle(void(WINAPI* end)(int), int handle) : end_(end), handle_(handle) {}
    PngHandle(const PngHandle&) = delete;
    PngHandle& operator=(const PngHandle&) = delete;
    ~PngHandle() { end_(handle_); }

private:
    void(WINAPI* end_)(int);
    int handle_;
};

template <typename Fn>
Fn As(FARPROC proc) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace

// StretchDIBits rather than CreateDIBitmap: the picture is a DIB section already, and a
// one-to-one copy keeps every pixel as the file has it. The alpha byte mpng.dll fills is
// ignored, as GDI ignores it.
bool PictureFromDib(const BitmapInfo256& info, std::span<const std::byte> bits, Picture& picture) {
    const std::optional<uint64_t> needed = DibPixelBytes(info.header);
    if (needed && bits.size() >= *needed) {
        const int32_t width = info.header.biWidth;
        const int32_t height = std::abs(info.header.biHeight);
        if (picture.resize(width, height) &&
            ::StretchDIBits(picture.dc(), 0, 0, width, height, 0, 0, width, height, bits.data(),
                            reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY) > 0) {
            return true;
        }
    }
    (void)picture.resize(0, 0);
    return false;
}

namespace {

// The first frame decoded whole, once its header has said it fits.
std::optional<LoadFailure> DecodeWhole(const std::wstring& path, codec::Image& image) {
    const codec::WicSession session;
    if (session.factory() == nullptr) return NoDecoder();
    UniqueHandle file;
    if (auto failure = OpenPictureFile(session.factory(), path, file)) return failure;
    if (!codec::DecodeMeasured(session.factory(), file.get(), image)) return BadPicture();
    return std::nullopt;
}

}  // namespace

std::optional<LoadFailure> LoadPicture(const std::wstring& path, Picture& picture) {
    const auto fail = [&picture](LoadFailure failure) {
        (void)picture.resize(0, 0);
        return std::optional<LoadFailure>(std::move(failure));
    };
    try {
        codec::Image image;
        if (auto failure = DecodeWhole(path, image)) return fail(std::move(*failure));
        BitmapInfo256 info{};
        info.header.biSize = sizeof info.header;
        info.header.biWidth = static_cast<LONG>(image.width);
        info.header.biHeight = -static_cast<LONG>(image.height);  // top-down, as decoded
        info.header.biPlanes = 1;
        info.header.biBitCount = 32;
        info.header.biCompression = BI_RGB;
        if (!PictureFromDib(info, std::as_bytes(std::span(image.bgra)), picture)) return fail(OutOfMemory());
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return fail(OutOfMemory());
    }
}

// The decoded bytes are the core's pixels already (blue, green, red, then a byte the core keeps
// 0): no picture in between, which would copy the screen-sized pixels twice more.
std::optional<LoadFailure> LoadImageFile(const std::wstring& path, Image& image) {
    try {
        codec::Image decoded;
        if (auto failure = DecodeWhole(path, decoded)) return failure;
        Image result;
        result.width = static_cast<int32_t>(decoded.width);
        result.height = static_cast<int32_t>(decoded.height);
        result.pixels.resize(size_t{decoded.width} * decoded.height);
        std::memcpy(result.pixels.data(), decoded.bgra.data(), result.pixels.size() * sizeof(uint32_t));
        for (uint32_t& pixel : result.pixels) pixel &= 0x00FFFFFFU;
        image = std::move(result);
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    }
}

PngLibrary::PngLibrary(const std::wstring& dllPath) : library_(::LoadLibraryW(dllPath.c_str())) {
    if (!library_) return;
    loadPng_ = As<LoadPngFn>(::GetProcAddress(library_.get(), "mLoadPNG"));
    loadPngW_ = As<LoadPngWFn>(::GetProcAddress(library_.get(), "mLoadPNGW"));
    getPngData_ = As<GetPngDataFn>(::GetProcAddress(library_.get(), "mGetPNGData"));
    // Usable only as a whole: a library without one of its calls is treated as missing.
    if (loadPng_ != nullptr && getPngData_ != nullptr) {
        endPng_ = As<EndPngFn>(::GetProcAddress(library_.get(), "mEndPNG"));
    }
}

bool PngLibrary::LoadPngPicture(const std::wstring& path, Picture& picture) const {
    const auto fail = [&picture] {
        (void)picture.resize(0, 0);
        return false;
    };
    if (!ok() || path.empty() || path.find(L'\0') != std::wstring::npos) return fail();
    try {
        BitmapInfo256 info{};
        int handle = 0;
        int size = 0;
        auto* header = reinterpret_cast<BITMAPINFO*>(&info);
        if (loadPngW_ != nullptr) {
            if (loadPngW_(path.c_str(), &handle, header, &size) != 1) return fail();
        } else {
            // An older library takes ANSI paths only. A name the code page cannot spell would
            // reach it as another name ("?" or a look-alike), so it is refused here.
            const std::string ansi = WideToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path);
            if (ansi.empty() || MultiByteToWide(CP_ACP, ansi) != path) return fail();
            if (loadPng_(ansi.c_str(), &handle, header, &size) != 1) return fail();
        }
        const PngHandle opened(endPng_, handle);
        // The header and the size come from the file's decoder: checked against each other
        // before any buffer is reserved or drawn from.
        const std::optional<uint64_t> needed = DibPixelBytes(info.header);
        if (!needed || size < 0 || static_cast<uint64_t>(size) < *needed ||
            static_cast<uint64_t>(size) > kMaxPicturePixels * 4) {
            return fail();
        }
        std::vector<std::byte> bits(static_cast<size_t>(size));
        if (getPngData_(handle, bits.data()) != 1) return fail();
        return PictureFromDib(info, bits, picture);
    } catch (const std::bad_alloc&) {
        return fail();
    }
}

}  // namespace tessarin
