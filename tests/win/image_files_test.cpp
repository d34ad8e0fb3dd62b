// Existing image files into pictures: files our codec library writes come back as they were
// written, and damaged, missing or hostile input leaves an empty picture and a reason.

#include "win32/image_files.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "support/black_png.h"
#include "win32/image_store.h"
#include "win32/imgctl_client.h"
#include "win32/thumbnail_files.h"
#include "win32/web_images.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

// Four blocks of colour: red, green, blue, yellow from the top left, clockwise.
Picture Quadrants(int32_t width, int32_t height) {
    Picture picture(RGB(255, 0, 0));
    EXPECT_TRUE(picture.resize(width, height));
    const std::pair<RECT, COLORREF> blocks[] = {{{width / 2, 0, width, height / 2}, RGB(0, 160, 0)},
                                                {{width / 2, height / 2, width, height}, RGB(0, 0, 255)},
                                                {{0, height / 2, width / 2, height}, RGB(255, 255, 0)}};
    for (const auto& [rect, colour] : blocks)
        ::FillRect(picture.dc(), &rect, GdiObject<HBRUSH>(::CreateSolidBrush(colour)).get());
    return picture;
}

// Every pixel, or (lossy formats) the middle of each block, alike within a tolerance.
void ExpectSamePicture(const Picture& actual, const Picture& expected, int tolerance) {
    ASSERT_EQ(std::pair(actual.width(), actual.height()), std::pair(expected.width(), expected.height()));
    const int32_t w = expected.width(), h = expected.height();
    for (int32_t i = 0; i < w * h; ++i) {
        const int32_t x = i % w, y = i / w;
        if (tolerance > 0 && !((x == w / 4 || x == 3 * w / 4) && (y == h / 4 || y == 3 * h / 4))) continue;
        const COLORREF a = actual.pixel(x, y), e = expected.pixel(x, y);
        for (const int shift : {0, 8, 16})
            ASSERT_NEAR((a >> shift) & 0xFF, (e >> shift) & 0xFF, tolerance) << x << "," << y << ": " << std::hex << a;
    }
}

TEST(ImageFiles, WhatTheCodecWritesComesBackAndBadFilesLeaveAnEmptyPictureAndAReason) {
    const TempFolder folder;
    const ImgctlLibrary codec(Utf8ToWide(ProgramBinFolder() + "\\imgctl.dll"));
    const PngLibrary png(Utf8ToWide(ProgramBinFolder() + "\\mpng.dll"));
    const Picture source = Quadrants(37, 23);
    ASSERT_TRUE(folder.ok() && codec.ok() && png.ok() && source.WriteBitmapFile(Utf8ToWide(folder / "source.bmp")));
    // The source picture written by our codec under that name; the file's bytes.
    const auto written = [&](const std::string& name) {
        EXPECT_TRUE(codec.SaveByExtension(folder / name, folder / "source.bmp")) << name;
        return ReadBytes(folder / name);
    };
    // Loads as the program does: PNG files through mpng.dll, which gives no reason (-1), the rest
    // through the platform decoder. 0 when the picture was loaded.
    const auto load = [&](const std::string& path, Picture& picture) -> long {
        if (path.ends_with(".png")) return png.LoadPngPicture(Utf8ToWide(path), picture) ? 0 : -1;
        const LoadFailure failure = LoadPicture(Utf8ToWide(path), picture).value_or(LoadFailure{});
        EXPECT_EQ(failure.description.empty(), failure.errorNumber == 0) << "a reason without a text";
        return failure.errorNumber;
    };

    // "表" ends in a Shift-JIS trail byte that is "\" in ASCII; "한" and "사진" are names code page
    // 932 cannot spell, written and read through the libraries' wide calls.
    for (const auto& [name, tolerance] :
         {std::pair{"a.bmp", 0}, std::pair{"b.gif", 0}, std::pair{"c.jpg", 24}, std::pair{"d.png", 0},
          std::pair{"表.png", 0}, std::pair{"한.png", 0}, std::pair{"사진.gif", 0}}) {
        SCOPED_TRACE(name);
        static_cast<void>(written(name));
        Picture loaded = Quadrants(5, 5);
        EXPECT_EQ(load(folder / name, loaded), 0);
        ExpectSamePicture(loaded, source, tolerance);
    }

    const std::string pngBytes = written("d.png");
    // 20000 x 20000 pixels declared, none there.
    const std::string huge =
        BitmapFileBytes({sizeof(BITMAPINFOHEADER), 20000, 20000, 1, 24, BI_RGB, 0, 0, 0, 0, 0}, "", "");
    // A file another program holds open exclusively.
    const UniqueHandle locked(
        ::CreateFileW(Utf8ToWide(folder / "locked.jpg").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    // The name ("": the folder itself), the bytes written under it (none: left as it is) and the reason.
    const std::tuple<std::string, std::optional<std::string>, long> cases[] = {
        {"missing.jpg", std::nullopt, 53},
        {"", std::nullopt, 53},
        {"zero.bmp", "", 481},
        {"truncated.jpg", written("c.jpg").substr(0, 24), 481},
        {"huge.bmp", huge, kTooLargeErrorNumber},
        {"locked.jpg", std::nullopt, 75},
        {"truncated.png", pngBytes.substr(0, pngBytes.size() / 2), -1},
        {"text.png", "not a picture, only text renamed", -1},
    };
    for (const auto& [name, bytes, reason] : cases) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(!bytes || WriteBytes(folder / name, *bytes));
        Picture loaded = Quadrants(5, 5);
        EXPECT_EQ(load(name.empty() ? folder.path() : folder / name, loaded), reason);
        EXPECT_EQ(loaded.width() + loaded.height(), 0);
    }
    for (const wchar_t* dll : {L"Z:\\no\\such\\mpng.dll", L"version.dll"}) {  // missing; without the calls
        const PngLibrary missing(dll);
        Picture loaded = Quadrants(5, 5);
        EXPECT_FALSE(missing.ok() || missing.LoadPngPicture(Utf8ToWide(folder / "d.png"), loaded) ||
                     loaded.width() != 0);
    }
}

// A picture file of a few megabytes (or bytes) that declares more pixels than the program can
// hold is refused from its header by every path that reads picture files: none hands it to a
// decoder (Wine's PNG decoder, given the PNG, writes past its buffer and ends the process).
TEST(ImageFiles, APictureTooLargeToHoldIsRefusedFromItsHeaderOnEveryPath) {
    const TempFolder folder;
    const WinFileSystem fs;
    const PathContext paths{fs, ProgramBinFolder()};
    const WinImageStore store(paths);
    const ImgctlLibrary codec(Utf8ToWide(ProgramBinFolder() + "\\imgctl.dll"));
    const PngLibrary png(Utf8ToWide(ProgramBinFolder() + "\\mpng.dll"));
    ASSERT_TRUE(folder.ok() && codec.ok() && png.ok());
    // The writer of the large PNG writes pictures a decoder takes.
    ASSERT_TRUE(WriteBytes(folder / "black.png", BlackPng(300, 200)));
    const ImageStore::ReadResult black = store.read(folder / "black.png");
    ASSERT_TRUE(black.image && black.image->width == 300 && black.image->height == 200);
    EXPECT_EQ(black.image->pixels[300 * 200 - 1], 0U);

    using namespace std::string_literals;
    const std::string jpeg =
        "\xFF\xD8\xFF\xC0\0\x11\x08\xFF\xFF\xFF\xFF\x03\x01\x22\0\x02\x11\x01\x03\x11\x01\xFF\xD9"s;
    const std::string gif = "GIF89a\xFF\xFF\xFF\xFF\0\0\0,\0\0\0\0\xFF\xFF\xFF\xFF\0\x02\x02\x4C\x01\0;"s;
    const std::tuple<const char*, std::string, PictureSize> cases[] = {
        {"huge.png", BlackPng(40000, 40000), {40000, 40000}},
        {"tall.png", BlackPng(1, 32768), {1, 32768}},
        {"huge.jpg", jpeg, {65535, 65535}},
        {"huge.gif", gif, {65535, 65535}},
        {"huge.bmp",
         BitmapFileBytes({sizeof(BITMAPINFOHEADER), 25000, -25000, 1, 24, BI_RGB, 0, 0, 0, 0, 0}, "", ""),
         {25000, 25000}},
    };
    for (const auto& [name, bytes, size] : cases) {
        SCOPED_TRACE(name);
        const std::string path = folder / name;
        ASSERT_TRUE(WriteBytes(path, bytes));
        const LoadFailure expected = TooLarge(size);
        // The list showing or saving the entry of that file.
        const ImageStore::ReadResult read = store.read(path);
        EXPECT_TRUE(!read.image && read.tooLarge) << read.description;
        EXPECT_EQ(std::pair(read.errorNumber, read.description),
                  std::pair(expected.errorNumber, WideToUtf8(expected.description)));
        // The platform's loader and mpng.dll, as a downloaded picture is shown.
        Picture picture(RGB(1, 2, 3));
        ASSERT_TRUE(picture.resize(4, 4));
        if (GetExtension(path) == "png") {
            EXPECT_FALSE(png.LoadPngPicture(Utf8ToWide(path), picture));
        } else {
            const std::optional<LoadFailure> failure = LoadPicture(Utf8ToWide(path), picture);
            EXPECT_TRUE(failure && failure->tooLarge && failure->description == expected.description);
        }
        EXPECT_EQ(picture.width() + picture.height(), 0);
        // imgctl.dll converting it, GDI+ naming its format, GDI+ scaling it.
        EXPECT_FALSE(codec.SaveByExtension(folder / "copy.jpg", path));
        EXPECT_EQ(ImageFormatOfFile(Utf8ToWide(path)), "Error:3");
        EXPECT_FALSE(ScaleToJpeg(Utf8ToWide(path), Utf8ToWide(folder / "thumb.jpg"), 120, 90, 100));
        EXPECT_FALSE(fs.stat(folder / "copy.jpg") || fs.stat(folder / "thumb.jpg"));
    }
}

// Headers as a broken or hostile decoder could hand them over, against the 1064-byte info and
// the pixel bytes that come with them. The pixel rows are 0 in the first half and 1 in the
// second; colour 0 is red and colour 1 blue.
TEST(PictureFromDib, DrawsWhatGdiCanDrawSafelyAndRefusesTheRest) {
    // What, width, height, bits, compression, colours used, pixel bytes, top left pixel (CLR_INVALID: refused)
    const std::tuple<const char*, LONG, LONG, WORD, DWORD, DWORD, size_t, COLORREF> cases[] = {
        {"24 bits bottom-up", 3, 2, 24, BI_RGB, 0, 24, RGB(1, 1, 1)},
        {"24 bits top-down", 3, -2, 24, BI_RGB, 0, 24, RGB(0, 0, 0)},
        {"2 of 256 colours", 3, 2, 8, BI_RGB, 2, 8, RGB(0, 0, 255)},
        {"one byte short", 3, 2, 24, BI_RGB, 0, 23, CLR_INVALID},
        {"20000 x 20000", 20000, 20000, 32, BI_RGB, 0, 100, CLR_INVALID},
        {"lowest height", 3, LONG_MIN, 24, BI_RGB, 0, 24, CLR_INVALID},
        {"run-length", 3, 2, 8, BI_RLE8, 2, 24, CLR_INVALID},
        {"257 of 256 colours", 3, 2, 8, BI_RGB, 257, 8, CLR_INVALID},
        {"colour table past the info", 3, 2, 24, BI_RGB, 300, 24, CLR_INVALID},
    };
    for (const auto& [what, width, height, bits, compression, colours, bytes, topLeft] : cases) {
        SCOPED_TRACE(what);
        const BitmapInfo256 info{{sizeof(BITMAPINFOHEADER), width, height, 1, bits, compression, 0, 0, 0, colours, 0},
                                 {{0, 0, 255, 0}, {255, 0, 0, 0}}};
        std::vector<std::byte> pixels(bytes, std::byte{0});
        for (size_t i = std::min<size_t>(bytes, 24) / 2; i < bytes; ++i) pixels[i] = std::byte{1};
        Picture picture = Quadrants(5, 5);
        const bool drawn = topLeft != CLR_INVALID;
        EXPECT_EQ(PictureFromDib(info, pixels, picture), drawn);
        EXPECT_EQ(picture.pixel(0, 0), topLeft);
        EXPECT_EQ(std::pair(picture.width(), picture.height()), drawn ? std::pair(3, 2) : std::pair(0, 0));
    }
}

}  // namespace
}  // namespace tessarin::test
