#include "core/files/picture_size.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace tessarin {

namespace {

// A JPEG's frame header may follow tens of kilobytes of metadata, and a GIF's frames are found by
// walking blocks of at most 255 bytes: the file is read a window at a time, not a field at a time.
class Reader {
public:
    explicit Reader(FileBytes& file) : file_(file), window_(kWindow) {}

    // False when the file ends before the bytes; a window that met the end of the file is not
    // read again for bytes past it.
    bool Read(uint64_t at, void* out, size_t count) {
        if (at < start_ || at + count > start_ + filled_) {
            if (count > kWindow || (ended_ && at >= start_)) return false;
            start_ = at;
            filled_ = file_.readAt(at, window_);
            ended_ = filled_ < kWindow;
            if (count > filled_) return false;
        }
        std::memcpy(out, window_.data() + (at - start_), count);
        return true;
    }
    bool Byte(uint64_t at, uint32_t& value) {
        uint8_t b = 0;
        if (!Read(at, &b, 1)) return false;
        value = b;
        return true;
    }
    bool Big16(uint64_t at, uint32_t& value) { return Number(at, 2, false, value); }
    bool Big32(uint64_t at, uint32_t& value) { return Number(at, 4, false, value); }
    bool Little16(uint64_t at, uint32_t& value) { return Number(at, 2, true, value); }
    bool Little32(uint64_t at, uint32_t& value) { return Number(at, 4, true, value); }
    bool Starts(std::string_view bytes) {
        std::array<char, 8> head{};
        return bytes.size() <= head.size() && Read(0, head.data(), bytes.size()) &&
               std::string_view(head.data(), bytes.size()) == bytes;
    }

private:
    static constexpr size_t kWindow = size_t{64} * 1024;
    bool Number(uint64_t at, size_t count, bool littleEndian, uint32_t& value) {
        std::array<uint8_t, 4> b{};
        if (!Read(at, b.data(), count)) return false;
        value = 0;
        for (size_t i = 0; i < count; ++i) value |= uint32_t{b[littleEndian ? i : count - 1 - i]} << (8 * i);
        return true;
    }

    FileBytes& file_;
    std::vector<std::byte> window_;
    uint64_t start_ = 0;
    size_t filled_ = 0;
    bool ended_ = false;  // the window reaches the end of the file
};

using Size = std::optional<PictureSize>;

Size Measured(uint32_t width, uint32_t height) {
    if (width == 0 || height == 0) return std::nullopt;
    return PictureSize{width, height};
}

// The signature, then IHDR: its length (13), its type, the width and the height, each below 2^31.
Size PngSize(Reader& in) {
    uint32_t length = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    std::array<char, 4> type{};
    if (!in.Big32(8, length) || !in.Read(12, type.data(), 4) || !in.Big32(16, width) || !in.Big32(20, height) ||
        length != 13 || std::string_view(type.data(), 4) != "IHDR" || width > INT32_MAX || height > INT32_MAX) {
        return std::nullopt;
    }
    return Measured(width, height);
}

// Segments from the start of image to the first frame header (SOF0 to SOF15, not the DHT, JPG and
// DAC markers that share the range); scan data or the end of the image before it is no picture.
// Stray bytes between segments are passed over, as decoders pass them. A height of 0 (given
// later in a DNL segment) is refused: no decoder here takes it.
Size JpegSize(Reader& in) {
    uint64_t at = 2;
    for (;;) {
        // To the next 0xFF, then past the fill bytes to the marker.
        uint32_t marker = 0;
        while (marker != 0xFF) {
            if (!in.Byte(at++, marker)) return std::nullopt;
        }
        while (marker == 0xFF) {
            if (!in.Byte(at++, marker)) return std::nullopt;
        }
        // No length of their own; 0 makes a stray 0xFF.
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA) return std::nullopt;
        uint32_t length = 0;
        if (!in.Big16(at, length) || length < 2) return std::nullopt;
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            uint32_t height = 0;
            uint32_t width = 0;
            if (length < 8 || !in.Big16(at + 3, height) || !in.Big16(at + 5, width)) return std::nullopt;
            return Measured(width, height);
        }
        at += length;
    }
}

// The bytes of a colour table the flags announce.
uint64_t GifTable(uint32_t flags) { return (flags & 0x80) != 0 ? uint64_t{3} << ((flags & 7) + 1) : 0; }

// Sub-blocks up to the empty one; the offset after it.
bool SkipGifBlocks(Reader& in, uint64_t& at) {
    for (;;) {
        uint32_t length = 0;
        if (!in.Byte(at, length)) return false;
        at += 1 + length;
        if (length == 0) return true;
    }
}

// The logical screen and every frame: some decoders read all frames at once, each as large as
// it says. A file that breaks off after a whole frame is measured by what came before.
Size GifSize(Reader& in) {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t flags = 0;
    if (!in.Little16(6, width) || !in.Little16(8, height) || !in.Byte(10, flags)) return std::nullopt;
    uint64_t at = 13 + GifTable(flags);
    bool frame = false;
    for (;;) {
        uint32_t kind = 0;
        if (!in.Byte(at, kind) || kind == 0x3B) break;
        if (kind == 0x21) {
            at += 2;
            if (!SkipGifBlocks(in, at)) break;
        } else if (kind == 0x2C) {
            uint32_t frameWidth = 0;
            uint32_t frameHeight = 0;
            uint32_t frameFlags = 0;
            if (!in.Little16(at + 5, frameWidth) || !in.Little16(at + 7, frameHeight) || !in.Byte(at + 9, frameFlags))
                break;
            if (frameWidth == 0 || frameHeight == 0) return std::nullopt;
            width = std::max(width, frameWidth);
            height = std::max(height, frameHeight);
            at += 10 + GifTable(frameFlags) + 1;  // the descriptor, its colours, the code size
            if (!SkipGifBlocks(in, at)) return std::nullopt;
            frame = true;
        } else {
            break;
        }
    }
    return frame ? Measured(width, height) : std::nullopt;
}

// The file header, then the bitmap header: the old one of 12 bytes with 16-bit sides, or any
// later one (40 to 124 bytes, and OS/2's of 16 to 64) with signed 32-bit sides, the height
// negative for rows top-down.
Size BmpSize(Reader& in) {
    uint32_t header = 0;
    if (!in.Little32(14, header)) return std::nullopt;
    uint32_t width = 0;
    uint32_t height = 0;
    if (header == 12) {
        if (!in.Little16(18, width) || !in.Little16(20, height)) return std::nullopt;
        return Measured(width, height);
    }
    if (header < 16 || header > 124 || !in.Little32(18, width) || !in.Little32(22, height)) return std::nullopt;
    const auto signedWidth = static_cast<int32_t>(width);
    const auto signedHeight = static_cast<int32_t>(height);
    if (signedWidth <= 0 || signedHeight == INT32_MIN) return std::nullopt;
    return Measured(width, static_cast<uint32_t>(signedHeight < 0 ? -signedHeight : signedHeight));
}

}  // namespace

PictureHeader ReadPictureHeader(FileBytes& file) {
    Reader in(file);
    if (in.Starts("\x89PNG\r\n\x1A\n")) return {PictureFormat::Png, PngSize(in)};
    if (in.Starts("\xFF\xD8")) return {PictureFormat::Jpeg, JpegSize(in)};
    if (in.Starts("GIF87a") || in.Starts("GIF89a")) return {PictureFormat::Gif, GifSize(in)};
    if (in.Starts("BM")) return {PictureFormat::Bmp, BmpSize(in)};
    return {};
}

bool IsTooLarge(PictureSize size) {
    // Each side is below 2^32, so the product cannot wrap in 64 bits.
    return size.width > kMaxPictureSide || size.height > kMaxPictureSide ||
           uint64_t{size.width} * size.height > kMaxPicturePixels;
}

std::string TooLargeDescription(PictureSize size) {
    return "画像が大きすぎます（" + std::to_string(size.width) + " × " + std::to_string(size.height) + "）。";
}

}  // namespace tessarin
