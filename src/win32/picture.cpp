#include "win32/picture.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

namespace tessarin {
namespace {

// COLORREF is 0x00BBGGRR; a 32-bit DIB pixel is 0x00RRGGBB.
uint32_t ToPixel(COLORREF colour) {
    return (static_cast<uint32_t>(GetRValue(colour)) << 16) | (static_cast<uint32_t>(GetGValue(colour)) << 8) |
           GetBValue(colour);
}

COLORREF ToColorRef(uint32_t pixel) { return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF); }

}  // namespace

Picture::Picture(COLORREF background) : dc_(CreateCompatibleDC(nullptr)), background_(background) {
    (void)resize(0, 0);
}

Picture::Picture(Picture&& other) noexcept
    : dc_(std::move(other.dc_)),
      bitmap_(std::move(other.bitmap_)),
      original_(std::exchange(other.original_, nullptr)),
      bits_(std::exchange(other.bits_, nullptr)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      background_(other.background_) {}

Picture& Picture::operator=(Picture&& other) noexcept {
    if (this != &other) {
        restoreOriginalBitmap();
        bitmap_ = std::move(other.bitmap_);
        dc_ = std::move(other.dc_);
        original_ = std::exchange(other.original_, nullptr);
        bits_ = std::exchange(other.bits_, nullptr);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
        background_ = other.background_;
    }
    return *this;
}

Picture::~Picture() { restoreOriginalBitmap(); }

void Picture::restoreOriginalBitmap() noexcept {
    if (dc_ && original_ != nullptr) SelectObject(dc_.get(), std::exchange(original_, nullptr));
}

bool Picture::assign(int32_t width, int32_t height, const uint32_t* pixels) {
    if (!resize(width, height)) {
        (void)resize(0, 0);
        return false;
    }
    if (pixels != nullptr && bits_ != nullptr && width_ > 0 && height_ > 0) {
        GdiFlush();
        std::copy_n(pixels, static_cast<size_t>(width_) * static_cast<size_t>(height_), bits_);
    }
    return true;
}

bool Picture::resize(int32_t width, int32_t height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (!dc_) return false;
    // Captures of the same size follow each other: the bitmap is kept, only cleared.
    if (bitmap_ && width == width_ && height == height_) {
        clear();
        return true;
    }
    // A picture without pixels still draws into a 1 x 1 bitmap of its own, so that copies
    // into it never touch the DC's shared default bitmap.
    void* bits = nullptr;
    const BITMAPINFO info = TopDownInfo(std::max(width, 1), std::max(height, 1));
    GdiObject<HBITMAP> bitmap(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr) return false;
    HGDIOBJ previous = SelectObject(dc_.get(), bitmap.get());
    if (previous == nullptr || previous == HGDI_ERROR) return false;
    if (original_ == nullptr) original_ = previous;
    bitmap_ = std::move(bitmap);  // deletes the old bitmap, no longer selected
    bits_ = static_cast<uint32_t*>(bits);
    width_ = width;
    height_ = height;
    clear();
    return true;
}

void Picture::clear() {
    if (bits_ == nullptr) return;
    GdiFlush();  // GDI may still be writing into the section
    const size_t count = static_cast<size_t>(std::max(width_, 1)) * static_cast<size_t>(std::max(height_, 1));
    std::fill_n(bits_, count, ToPixel(background_));
}

COLORREF Picture::pixel(int32_t x, int32_t y) const {
    if (bits_ == nullptr || x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    GdiFlush();
    return ToColorRef(bits_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)]);
}

const uint32_t* Picture::bits() const {
    if (width_ == 0 || height_ == 0) return nullptr;
    GdiFlush();
    return bits_;
}

GdiObject<HBITMAP> Picture::CopyAsDdb() const {
    if (width_ == 0 || height_ == 0 || bits_ == nullptr) return {};
    GdiFlush();
    const WindowDc screen(nullptr);
    if (!screen) return {};
    const BITMAPINFO info = TopDownInfo(width_, height_);
    return GdiObject<HBITMAP>(CreateDIBitmap(screen.get(), &info.bmiHeader, CBM_INIT, bits_, &info, DIB_RGB_COLORS));
}

bool Picture::WriteBitmapFile(const std::wstring& path) const {
    return WriteBitmap(path, CREATE_ALWAYS) == NewFile::Written;
}

Picture::NewFile Picture::CreateBitmapFile(const std::wstring& path) const { return WriteBitmap(path, CREATE_NEW); }

Picture::NewFile Picture::WriteBitmap(const std::wstring& path, DWORD disposition) const {
    if (width_ <= 0 || height_ <= 0 || bits_ == nullptr) return NewFile::Failed;
    // Rows bottom-up, three bytes a pixel, each row padded to four bytes.
    const auto stride = (static_cast<uint64_t>(width_) * 3 + 3) / 4 * 4;
    const uint64_t imageSize = stride * static_cast<uint64_t>(height_);
    constexpr uint64_t kHeaders = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    if (imageSize + kHeaders > 0xFFFFFFFFu) return NewFile::Failed;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = static_cast<DWORD>(kHeaders);
    file.bfSize = static_cast<DWORD>(kHeaders + imageSize);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width_;
    info.biHeight = height_;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = static_cast<DWORD>(imageSize);
    std::string row(static_cast<size_t>(stride), '\0');
    UniqueHandle out(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return ::GetLastError() == ERROR_FILE_EXISTS ? NewFile::NameTaken : NewFile::Failed;
    const auto put = [&out](const void* data, size_t size) {
        DWORD written = 0;
        return ::WriteFile(out.get(), data, static_cast<DWORD>(size), &written, nullptr) && written == size;
    };
    bool ok = put(&file, sizeof file) && put(&info, sizeof info);
    for (int32_t y = height_ - 1; ok && y >= 0; --y) {
        const uint32_t* source = bits_ + static_cast<size_t>(y) * static_cast<size_t>(width_);
        for (int32_t x = 0; x < width_; ++x) {
            const uint32_t pixel = source[x];  // 0x00RRGGBB
            row[static_cast<size_t>(x) * 3] = static_cast<char>(pixel & 0xFF);
            row[static_cast<size_t>(x) * 3 + 1] = static_cast<char>((pixel >> 8) & 0xFF);
            row[static_cast<size_t>(x) * 3 + 2] = static_cast<char>((pixel >> 16) & 0xFF);
        }
        ok = put(row.data(), row.size());
    }
    out.reset();
    if (!ok) ::DeleteFileW(path.c_str());
    return ok ? NewFile::Written : NewFile::Failed;
}

BITMAPINFO TopDownInfo(int32_t width, int32_t height) noexcept {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

SharedImage ImageOfPicture(const Picture& picture) {
    const uint32_t* bits = picture.bits();
    if (bits == nullptr || picture.width() <= 0 || picture.height() <= 0) return nullptr;
    GdiFlush();  // GDI may still be drawing into the picture
    try {
        auto image = std::make_shared<Image>();
        image->width = picture.width();
        image->height = picture.height();
        const size_t count = static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
        image->pixels.resize(count);
        // GDI leaves the top byte undefined.
        std::transform(bits, bits + count, image->pixels.begin(), [](uint32_t p) { return p & 0xFFFFFFU; });
        return image;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace tessarin
