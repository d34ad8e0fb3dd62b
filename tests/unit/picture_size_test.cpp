// The size of a picture from its file's header, and the size the program can hold.

#include "core/files/picture_size.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/black_png.h"
#include "support/fake_file_bytes.h"

namespace tessarin::test {
namespace {

using namespace std::string_literals;

std::string Le(uint32_t value, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
}
std::string Be(uint32_t value, int count) {
    std::string out;
    for (int i = count - 1; i >= 0; --i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
}

std::string PngHead(uint32_t width, uint32_t height, uint32_t length = 13, const char* type = "IHDR") {
    return "\x89PNG\r\n\x1A\n"s + Be(length, 4) + type + Be(width, 4) + Be(height, 4) + "\x08\x02\0\0\0"s;
}
// A segment with its marker and length.
std::string Segment(uint8_t marker, const std::string& body) {
    return "\xFF"s + static_cast<char>(marker) + Be(static_cast<uint32_t>(body.size() + 2), 2) + body;
}
std::string Frame(uint32_t width, uint32_t height, uint8_t marker = 0xC0) {
    return Segment(marker, "\x08"s + Be(height, 2) + Be(width, 2) + "\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01"s);
}
const std::string kSoi = "\xFF\xD8"s;
const std::string kApp0 = Segment(0xE0, "JFIF\0\x01\x01\0\0\x01\0\x01\0\0"s);

std::string GifHead(uint32_t width, uint32_t height, uint8_t flags = 0) {
    return "GIF89a"s + Le(width, 2) + Le(height, 2) + static_cast<char>(flags) + "\0\0"s;
}
// An image descriptor with a little LZW data.
std::string GifFrame(uint32_t width, uint32_t height, uint8_t flags = 0) {
    return "\x2C"s + Le(0, 2) + Le(0, 2) + Le(width, 2) + Le(height, 2) + static_cast<char>(flags) +
           std::string(flags & 0x80 ? 3u << ((flags & 7) + 1) : 0, '\x11') + "\x02\x02\x4C\x01\0"s;
}
const std::string kGifExtension = "\x21\xF9\x04\x01\x0A\0\0\0"s;

std::string BmpHead(uint32_t header, int32_t width, int32_t height) {
    std::string info = Le(header, 4);
    info += header == 12
                ? Le(static_cast<uint32_t>(width), 2) + Le(static_cast<uint32_t>(height), 2) + Le(1, 2) + Le(24, 2)
                : Le(static_cast<uint32_t>(width), 4) + Le(static_cast<uint32_t>(height), 4) + Le(1, 2) + Le(24, 2) +
                      std::string(header - 16, '\0');
    return "BM"s + Le(static_cast<uint32_t>(14 + info.size()), 4) + Le(0, 4) +
           Le(static_cast<uint32_t>(14 + info.size()), 4) + info;
}

TEST(PictureSize, HeadersOfTheFourFormats) {
    using F = PictureFormat;
    const std::optional<PictureSize> none;
    const std::string bigApp = Segment(0xE1, std::string(65533, 'x'));
    struct Case {
        const char* what;
        std::string bytes;
        PictureFormat format;
        std::optional<PictureSize> size;
    };
    const Case cases[] = {
        {"png", PngHead(40000, 25000), F::Png, PictureSize{40000, 25000}},
        {"png at the largest side it allows", PngHead(0x7FFFFFFF, 1), F::Png, PictureSize{0x7FFFFFFF, 1}},
        {"png side of 2^31", PngHead(0x80000000, 1), F::Png, none},
        {"png without width", PngHead(0, 10), F::Png, none},
        {"png whose first chunk is no IHDR", PngHead(10, 10, 13, "IDAT"), F::Png, none},
        {"png with a long IHDR", PngHead(10, 10, 14), F::Png, none},
        {"png cut in its IHDR", PngHead(10, 10).substr(0, 22), F::Png, none},
        {"jpeg", kSoi + kApp0 + Frame(1920, 1080), F::Jpeg, PictureSize{1920, 1080}},
        {"jpeg progressive, behind a table and metadata past the read window",
         kSoi + kApp0 + bigApp + bigApp + bigApp + Segment(0xC4, "\0\x01"s) + Frame(640, 65535, 0xC2), F::Jpeg,
         PictureSize{640, 65535}},
        {"jpeg with fill bytes, stray bytes and restart markers",
         kSoi + "\xFF\xFF"s + kApp0 + "junk\xFF\x00\xFF\xD0"s + Frame(3, 4), F::Jpeg, PictureSize{3, 4}},
        {"jpeg whose height comes later", kSoi + Frame(100, 0), F::Jpeg, none},
        {"jpeg with scan data before a frame", kSoi + kApp0 + Segment(0xDA, "\x01\x01\0\0?\0"s) + Frame(9, 9), F::Jpeg,
         none},
        {"jpeg ended before a frame", kSoi + kApp0 + "\xFF\xD9"s, F::Jpeg, none},
        {"jpeg cut in a segment", kSoi + bigApp.substr(0, 1000), F::Jpeg, none},
        {"jpeg with a short frame header", kSoi + Segment(0xC0, "\x08\0\x10"s), F::Jpeg, none},
        {"gif", GifHead(300, 200, 0x81) + std::string(12, '\0') + kGifExtension + GifFrame(300, 200) + ";", F::Gif,
         PictureSize{300, 200}},
        {"gif with a later frame larger than its screen",
         GifHead(10, 10) + GifFrame(10, 10, 0x80) + kGifExtension + GifFrame(65535, 3) + ";", F::Gif,
         PictureSize{65535, 10}},
        {"gif cut after its first frame", GifHead(10, 10) + GifFrame(10, 10) + "\x2C\x00"s, F::Gif,
         PictureSize{10, 10}},
        {"gif without a frame", GifHead(10, 10) + kGifExtension + ";", F::Gif, none},
        {"gif with an empty frame", GifHead(10, 10) + GifFrame(0, 10) + ";", F::Gif, none},
        {"gif cut in its frame's data", GifHead(10, 10) + GifFrame(10, 10).substr(0, 13), F::Gif, none},
        {"bmp", BmpHead(40, 800, 600), F::Bmp, PictureSize{800, 600}},
        {"bmp top-down, version 5", BmpHead(124, 5, -7), F::Bmp, PictureSize{5, 7}},
        {"bmp of the old header", BmpHead(12, 65535, 2), F::Bmp, PictureSize{65535, 2}},
        {"bmp with the lowest height", BmpHead(40, 1, INT32_MIN), F::Bmp, none},
        {"bmp of negative width", BmpHead(40, -1, 1), F::Bmp, none},
        {"bmp of an unknown header", BmpHead(200, 1, 1), F::Bmp, none},
        {"bmp cut in its header", BmpHead(40, 1, 1).substr(0, 20), F::Bmp, none},
        {"tiff", "II*\0\x08\0\0\0"s, F::Foreign, none},
        {"empty", "", F::Foreign, none},
        {"a signature's start", "\x89PN", F::Foreign, none},
    };
    for (const Case& c : cases) {
        FakeFileBytes file(c.bytes);
        const PictureHeader header = ReadPictureHeader(file);
        EXPECT_EQ(header.format, c.format) << c.what;
        EXPECT_EQ(header.size, c.size) << c.what;
    }

    // A whole file of billions of pixels: its header alone is read.
    FakeFileBytes huge(BlackPng(40000, 40000));
    EXPECT_EQ(ReadPictureHeader(huge).size, (PictureSize{40000, 40000}));
    EXPECT_EQ(huge.reads, 1);
    // A file shorter than every signature is read once, not once for each.
    FakeFileBytes tiny("B");
    EXPECT_EQ(ReadPictureHeader(tiny).format, PictureFormat::Foreign);
    EXPECT_EQ(tiny.reads, 1);
}

TEST(PictureSize, WhatTheProgramCanHold) {
    const std::pair<PictureSize, bool> cases[] = {
        {{1, 1}, false},
        {{1920, 1080}, false},
        {{8192, 8192}, false},  // exactly the pixels allowed
        {{8192, 8193}, true},
        {{32767, 2048}, false},
        {{32768, 1}, true},  // a side GDI's coordinates do not take
        {{1, 32768}, true},
        {{25000, 25000}, true},
        {{40000, 40000}, true},
        {{65536, 65536}, true},  // 2^32 pixels: 0 in 32 bits
        {{0xFFFFFFFF, 0xFFFFFFFF}, true},
    };
    for (const auto& [size, tooLarge] : cases)
        EXPECT_EQ(IsTooLarge(size), tooLarge) << size.width << " x " << size.height;
    EXPECT_EQ(TooLargeDescription({40000, 25000}), "画像が大きすぎます（40000 × 25000）。");
}

}  // namespace
}  // namespace tessarin::test
