// Existing image files into pictures: files our codec library writes come back as they were
// written, and damaged, missing or hostile input leaves an empty picture and a reason.

#include "win32/image_files.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "win32/imgctl_client.h"
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
    for (const auto& [rect, colour] : blocks) {
        const GdiObject<HBRUSH> brush(::CreateSolidBrush(colour));
        ::FillRect(picture.dc(), &rect, brush.get());
    }
    return picture;
}

// Every pixel, or (lossy formats) the middle of each block within a tolerance.
void ExpectSamePicture(const Picture& actual, const Picture& expected, int tolerance) {
    ASSERT_EQ(actual.width(), expected.width());
    ASSERT_EQ(actual.height(), expected.height());
    const int32_t w = expected.width();
    const int32_t h = expected.height();
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const bool middle = (x == w / 4 || x == 3 * w / 4) && (y == h / 4 || y == 3 * h / 4);
            if (tolerance > 0 && !middle) continue;
            const COLORREF a = actual.pixel(x, y);
            const COLORREF e = expected.pixel(x, y);
            ASSERT_TRUE(std::abs(GetRValue(a) - GetRValue(e)) <= tolerance &&
                        std::abs(GetGValue(a) - GetGValue(e)) <= tolerance &&
                        std::abs(GetBValue(a) - GetBValue(e)) <= tolerance)
                << x << "," << y << ": " << std::hex << a << " expected " << e;
        }
    }
}

std::string ReadAll(const std::string& path) {
    std::string bytes(1 << 20, '\0');
    const UniqueHandle file(
        ::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    DWORD read = 0;
    if (!file || !::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) return {};
    bytes.resize(read);
    return bytes;
}

// A bitmap file header declaring width x height 24-bit pixels, without the pixels.
std::string BitmapHeaderOnly(int32_t width, int32_t height) {
    const BITMAPFILEHEADER file{0x4D42, 54, 0, 0, 54};
    const BITMAPINFOHEADER info{sizeof info, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    return std::string(reinterpret_cast<const char*>(&file), sizeof file) +
           std::string(reinterpret_cast<const char*>(&info), sizeof info);
}

// A PNG whose header chunk declares 20000 x 20000, its checksum mended so only the size is wrong.
std::string HugePng(const std::string& png) {
    std::string huge = png.substr(0, 16) + std::string("\0\0\x4E\x20\0\0\x4E\x20", 8) + png.substr(24);
    uint32_t crc = 0xFFFFFFFFU;
    for (const char ch : huge.substr(12, 17))
        for (int k = 0, b = static_cast<unsigned char>(ch); k < 8; ++k, b >>= 1)
            crc = (crc >> 1) ^ (0xEDB88320U & (0U - ((crc ^ b) & 1U)));
    for (int k = 0; k < 4; ++k) huge[29 + k] = static_cast<char>(~crc >> (24 - 8 * k));
    return huge;
}

class ImageFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.ok());
        ASSERT_TRUE(codec_.ok());
        ASSERT_TRUE(source_.WriteBitmapFile(Utf8ToWide(bitmap_)));
    }
    // The source picture written by our codec under that name; the file's bytes.
    std::string Written(const std::string& name) {
        EXPECT_TRUE(codec_.SaveByExtension(folder_ / name, bitmap_)) << name;
        return ReadAll(folder_ / name);
    }
    void Write(const std::string& name, const std::string& bytes) { ASSERT_TRUE(WriteBytes(folder_ / name, bytes)); }
    // A picture with content, so a failure visibly empties it.
    static Picture Stale() {
        Picture picture;
        EXPECT_TRUE(picture.resize(5, 5));
        return picture;
    }

    TempFolder folder_;
    ImgctlLibrary codec_{Utf8ToWide(ProgramBinFolder() + "\\imgctl.dll")};
    Picture source_ = Quadrants(37, 23);
    std::string bitmap_ = folder_ / "source.bmp";
};

TEST_F(ImageFiles, LoadPictureReadsWhatTheCodecWritesAndNamesTheReasonForBadFiles) {
    const std::pair<const char*, int> formats[] = {{"a.bmp", 0}, {"b.gif", 0}, {"c.jpg", 24}, {"表.jpg", 24}};
    for (const auto& [name, tolerance] : formats) {
        SCOPED_TRACE(name);
        static_cast<void>(Written(name));
        Picture loaded = Stale();
        const std::optional<LoadFailure> failure = LoadPicture(Utf8ToWide(folder_ / name), loaded);
        EXPECT_FALSE(failure) << failure.value_or(LoadFailure{}).errorNumber;
        ExpectSamePicture(loaded, source_, tolerance);
    }

    const std::string jpeg = ReadAll(folder_ / "c.jpg");
    std::string flipped = ReadAll(folder_ / "b.gif");
    flipped[0] = static_cast<char>(flipped[0] ^ 0x10);
    Write("zero.bmp", "");
    Write("truncated.jpg", jpeg.substr(0, 24));
    Write("flipped.gif", flipped);
    Write("text.jpg", "not a picture, only text renamed");
    Write("huge.bmp", BitmapHeaderOnly(20000, 20000));
    const std::pair<std::string, long> bad[] = {
        {folder_ / "missing.jpg", 53},
        {folder_.path(), 53},
        {"", 53},
        {folder_ / "zero.bmp", 481},
        {folder_ / "truncated.jpg", 481},
        {folder_ / "flipped.gif", 481},
        {folder_ / "text.jpg", 481},
        {folder_ / "huge.bmp", 7},
    };
    for (const auto& [path, number] : bad) {
        SCOPED_TRACE(path);
        Picture loaded = Stale();
        const std::optional<LoadFailure> failure = LoadPicture(Utf8ToWide(path), loaded);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->errorNumber, number);
        EXPECT_FALSE(failure->description.empty());
        EXPECT_EQ(loaded.width() + loaded.height(), 0);
    }
    // A file another program holds open exclusively.
    const UniqueHandle locked(
        ::CreateFileW(Utf8ToWide(folder_ / "a.bmp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked);
    Picture loaded = Stale();
    EXPECT_EQ(LoadPicture(Utf8ToWide(folder_ / "a.bmp"), loaded).value_or(LoadFailure{}).errorNumber, 75);
    EXPECT_EQ(loaded.width(), 0);
}

TEST_F(ImageFiles, PngLibraryGivesBackWhatTheCodecWroteAndRefusesEverythingElse) {
    const PngLibrary library(Utf8ToWide(ProgramBinFolder() + "\\mpng.dll"));
    ASSERT_TRUE(library.ok());
    const std::string png = Written("a.png");
    static_cast<void>(Written("表.png"));  // a Shift-JIS trail byte that is "\" in ASCII
    for (const char* name : {"a.png", "表.png"}) {
        SCOPED_TRACE(name);
        Picture loaded = Stale();
        EXPECT_TRUE(library.LoadPngPicture(Utf8ToWide(folder_ / name), loaded));
        ExpectSamePicture(loaded, source_, 0);
    }

    Write("zero.png", "");
    Write("truncated.png", png.substr(0, png.size() / 2));
    Write("header.png", png.substr(0, 33));
    Write("text.png", "not a picture, only text renamed");
    Write("huge.png", HugePng(png));
    Write("한.png", png);  // a name code page 932 cannot spell
    Write("bitmap.png", ReadAll(bitmap_));
    for (const char* name : {"missing.png", "zero.png", "truncated.png", "header.png", "text.png", "huge.png", "한.png",
                             "bitmap.png", ""}) {
        SCOPED_TRACE(name);
        Picture loaded = Stale();
        EXPECT_FALSE(library.LoadPngPicture(Utf8ToWide(*name != '\0' ? folder_ / name : folder_.path()), loaded));
        EXPECT_EQ(loaded.width() + loaded.height(), 0);
    }

    for (const wchar_t* path : {L"Z:\\no\\such\\mpng.dll", L"version.dll"}) {  // missing; without the calls
        const PngLibrary missing(path);
        EXPECT_FALSE(missing.ok());
        Picture loaded = Stale();
        EXPECT_FALSE(missing.LoadPngPicture(Utf8ToWide(folder_ / "a.png"), loaded));
        EXPECT_EQ(loaded.width(), 0);
    }
}

// Headers as a broken or hostile decoder could hand them over, against the 1064-byte info and
// the pixel bytes that come with them. The pixel rows are 0 in the first half and 1 in the
// second; colour 0 is red and colour 1 blue.
TEST(PictureFromDib, DrawsWhatGdiCanDrawSafelyAndRefusesTheRest) {
    const RGBQUAD red{0, 0, 255, 0};
    const RGBQUAD blue{255, 0, 0, 0};
    struct Case {
        const char* what;
        LONG width;
        LONG height;
        WORD bits;
        DWORD compression;
        DWORD colours;
        size_t bytes;
        COLORREF topLeft;  // CLR_INVALID: refused
        DWORD size = sizeof(BITMAPINFOHEADER);
        WORD planes = 1;
    };
    const Case cases[] = {
        {"24 bits bottom-up", 3, 2, 24, BI_RGB, 0, 24, RGB(1, 1, 1)},
        {"24 bits top-down", 3, -2, 24, BI_RGB, 0, 24, RGB(0, 0, 0)},
        {"32 bits, spare bytes", 3, 2, 32, BI_RGB, 0, 100, RGB(1, 1, 1)},
        {"2 of 256 colours", 3, 2, 8, BI_RGB, 2, 8, RGB(0, 0, 255)},
        {"256 colours", 3, -2, 8, BI_RGB, 256, 8, RGB(255, 0, 0)},
        {"one byte short", 3, 2, 24, BI_RGB, 0, 23, CLR_INVALID},
        {"no pixels", 3, 2, 24, BI_RGB, 0, 0, CLR_INVALID},
        {"20000 x 20000", 20000, 20000, 32, BI_RGB, 0, 100, CLR_INVALID},
        {"no width", 0, 2, 24, BI_RGB, 0, 24, CLR_INVALID},
        {"negative width", -3, 2, 24, BI_RGB, 0, 24, CLR_INVALID},
        {"no height", 3, 0, 24, BI_RGB, 0, 24, CLR_INVALID},
        {"lowest height", 3, LONG_MIN, 24, BI_RGB, 0, 24, CLR_INVALID},
        {"2 bits", 3, 2, 2, BI_RGB, 0, 24, CLR_INVALID},
        {"no bit count", 3, 2, 0, BI_RGB, 0, 24, CLR_INVALID},
        {"run-length", 3, 2, 8, BI_RLE8, 2, 24, CLR_INVALID},
        {"embedded JPEG", 3, 2, 0, BI_JPEG, 0, 24, CLR_INVALID},
        {"masks on 24 bits", 3, 2, 24, BI_BITFIELDS, 0, 24, CLR_INVALID},
        {"257 of 256 colours", 3, 2, 8, BI_RGB, 257, 8, CLR_INVALID},
        {"colour table past the info", 3, 2, 24, BI_RGB, 300, 24, CLR_INVALID},
        {"masks and a full table", 3, 2, 32, BI_BITFIELDS, 256, 100, CLR_INVALID},
        {"longer header", 3, 2, 24, BI_RGB, 0, 24, CLR_INVALID, sizeof(BITMAPV5HEADER)},
        {"two planes", 3, 2, 24, BI_RGB, 0, 24, CLR_INVALID, sizeof(BITMAPINFOHEADER), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BitmapInfo256 info{};
        info.header = {c.size, c.width, c.height, c.planes, c.bits, c.compression, 0, 0, 0, c.colours, 0};
        info.colors[0] = red;
        info.colors[1] = blue;
        std::vector<std::byte> bits(c.bytes, std::byte{0});
        std::fill(bits.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(c.bytes, 24) / 2), bits.end(),
                  std::byte{1});
        Picture picture;
        ASSERT_TRUE(picture.resize(5, 5));
        EXPECT_EQ(PictureFromDib(info, bits, picture), c.topLeft != CLR_INVALID);
        EXPECT_EQ(picture.pixel(0, 0), c.topLeft);
        if (c.topLeft != CLR_INVALID) {
            EXPECT_EQ(picture.width(), 3);
            EXPECT_EQ(picture.height(), 2);
        }
    }
}

}  // namespace
}  // namespace tessarin::test
