// The codec libraries imgctl.dll and mpng.dll, loaded by name from the program folder and called
// through their exports as the program calls them. Written files are read back with the system's
// imaging component, independently of the libraries.

#include <windows.h>
// These build on windows.h.
#include <gtest/gtest.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "win32/codepage.h"
#include "win32/handles.h"
#include "win32/wide.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

using ToDibFn = int(WINAPI*)(const char*);
using DibToBmpFn = int(WINAPI*)(const char*, int);
using DibToJpgFn = int(WINAPI*)(const char*, int, int, int);
using DibToPngGifFn = int(WINAPI*)(const char*, int, int);
using DeleteDibFn = void(WINAPI*)(int);
using LoadPngFn = int(WINAPI*)(const char*, int*, BITMAPINFO*, int*);
using GetPngDataFn = int(WINAPI*)(int, void*);
using EndPngFn = void(WINAPI*)(int);

template <typename Fn>
Fn Export(const ModuleHandle& module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module.get(), name)));
}
ModuleHandle LoadFromProgramFolder(const char* name) {
    return ModuleHandle(::LoadLibraryW(Utf8ToWide(ProgramBinFolder() + "\\" + name).c_str()));
}

struct Codecs {
    ModuleHandle imgctl = LoadFromProgramFolder("imgctl.dll");
    ModuleHandle mpng = LoadFromProgramFolder("mpng.dll");
    ToDibFn ToDIB = Export<ToDibFn>(imgctl, "ToDIB");
    DibToBmpFn DIBtoBMP = Export<DibToBmpFn>(imgctl, "DIBtoBMP");
    DibToJpgFn DIBtoJPG = Export<DibToJpgFn>(imgctl, "DIBtoJPG");
    DibToPngGifFn DIBtoPNG = Export<DibToPngGifFn>(imgctl, "DIBtoPNG");
    DibToPngGifFn DIBtoGIF = Export<DibToPngGifFn>(imgctl, "DIBtoGIF");
    DeleteDibFn DeleteDIB = Export<DeleteDibFn>(imgctl, "DeleteDIB");
    LoadPngFn mLoadPNG = Export<LoadPngFn>(mpng, "mLoadPNG");
    GetPngDataFn mGetPNGData = Export<GetPngDataFn>(mpng, "mGetPNGData");
    EndPngFn mEndPNG = Export<EndPngFn>(mpng, "mEndPNG");

    [[nodiscard]] bool ok() const {
        return ToDIB && DIBtoBMP && DIBtoJPG && DIBtoPNG && DIBtoGIF && DeleteDIB && mLoadPNG && mGetPNGData && mEndPNG;
    }
    // The program's sequence: open the bitmap file, write, free; the writer's result.
    [[nodiscard]] int Convert(const std::string& source, const std::string& target, const std::string& format) const {
        const int dib = ToDIB(source.c_str());
        if (dib == 0) return 0;
        int result = 0;
        if (format == "bmp") result = DIBtoBMP(target.c_str(), dib);
        if (format == "jpg") result = DIBtoJPG(target.c_str(), dib, 100, 0);
        if (format == "png") result = DIBtoPNG(target.c_str(), dib, 0);
        if (format == "gif") result = DIBtoGIF(target.c_str(), dib, 0);
        DeleteDIB(dib);
        return result;
    }
};

// Top-down rows of blue, green, red, alpha.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<BYTE> bgra;
    void Set(int x, int y, int r, int g, int b) {
        BYTE* p = &bgra[(static_cast<size_t>(y) * width + x) * 4];
        p[0] = static_cast<BYTE>(b);
        p[1] = static_cast<BYTE>(g);
        p[2] = static_cast<BYTE>(r);
        p[3] = 255;
    }
};

// A window capture: face colour, a title bar shaded in 64 steps, text strokes, a frame. Under 256
// colours. The odd width makes every row of a 24-bit bitmap padded.
Picture UiPicture() {
    Picture p{97, 61, std::vector<BYTE>(97 * 61 * 4)};
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            if (x == 0 || y == 0 || x == p.width - 1 || y == p.height - 1) {
                p.Set(x, y, 100, 100, 100);
            } else if (y < 12) {
                p.Set(x, y, 0, 84 + x * 63 / p.width, 227 - x * 63 / p.width);
            } else if (y > 20 && y < 28 && x > 6 && (x * 7 + y * 3) % 5 < 2) {
                p.Set(x, y, 0, 0, 0);
            } else if (y > 40 && y < 54 && x > 50 && x < 90) {
                p.Set(x, y, x == 51 || y == 41 ? 255 : 225, 225, x == 51 || y == 41 ? 255 : 225);
            } else {
                p.Set(x, y, 240, 240, 240);
            }
        }
    }
    return p;
}

// Smooth shading in every direction: thousands of colours.
Picture PhotoPicture() {
    Picture p{97, 61, std::vector<BYTE>(97 * 61 * 4)};
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) p.Set(x, y, x * 255 / 96, y * 255 / 60, (x + y) * 255 / 156);
    return p;
}

// An uncompressed bitmap file of 24 or 32 bits per pixel, bottom-up, written byte by byte.
std::string BitmapFile(const Picture& p, int bits) {
    const int stride = (p.width * bits / 8 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * p.height);
    info.biSize = sizeof info;
    info.biWidth = p.width;
    info.biHeight = p.height;
    info.biPlanes = 1;
    info.biBitCount = static_cast<WORD>(bits);
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    for (int y = p.height - 1; y >= 0; --y) {
        std::string row(static_cast<size_t>(stride), '\0');
        for (int x = 0; x < p.width; ++x)
            for (int c = 0; c < bits / 8; ++c)
                row[static_cast<size_t>(x * bits / 8 + c)] =
                    static_cast<char>(p.bgra[(static_cast<size_t>(y) * p.width + x) * 4 + c]);
        bytes += row;
    }
    return bytes;
}

// Reads an image file with the system's imaging component; an empty picture on failure.
Picture DecodeIndependently(const std::string& path) {
    const CoInit com;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    UINT width = 0;
    UINT height = 0;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  factory.putVoid())) ||
        FAILED(factory->CreateDecoderFromFilename(Utf8ToWide(path).c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnLoad, decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) || FAILED(frame->GetSize(&width, &height)) ||
        FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom))) {
        return {};
    }
    Picture p{static_cast<int>(width), static_cast<int>(height), std::vector<BYTE>(size_t{width} * height * 4)};
    if (FAILED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(p.bgra.size()), p.bgra.data()))) return {};
    return p;
}

struct Difference {
    int largest = 0;
    double mean = 0;
};
Difference Compare(const Picture& a, const Picture& b) {
    Difference d;
    for (size_t i = 0; i < a.bgra.size(); ++i) {
        const int delta = std::abs(a.bgra[i] - b.bgra[i]);
        d.largest = std::max(d.largest, delta);
        d.mean += delta;
    }
    d.mean /= static_cast<double>(a.bgra.size());
    return d;
}

std::string ReadBytes(const std::string& path) {
    const UniqueHandle file(
        ::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes(file ? ::GetFileSize(file.get(), nullptr) : 0, '\0');
    DWORD read = 0;
    if (!file || !::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) return {};
    return bytes;
}

// The pixels mpng.dll gives for a file, turned top-down; empty on failure.
Picture LoadWithMpng(const Codecs& codecs, const std::string& ansiPath) {
    std::vector<BYTE> info(1064, 0xCD);  // the caller's BITMAPINFO with room for 256 colours
    int handle = -1;
    int size = -1;
    if (codecs.mLoadPNG(ansiPath.c_str(), &handle, reinterpret_cast<BITMAPINFO*>(info.data()), &size) != 1) {
        EXPECT_EQ(handle, 0);
        EXPECT_EQ(size, 0);
        return {};
    }
    const auto& header = *reinterpret_cast<const BITMAPINFOHEADER*>(info.data());
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biBitCount, 32);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(size, header.biWidth * header.biHeight * 4);
    EXPECT_EQ(info[40], 0xCD);  // the colour table room is left alone
    std::vector<BYTE> data(static_cast<size_t>(size));
    const int got = codecs.mGetPNGData(handle, data.data());
    codecs.mEndPNG(handle);
    EXPECT_EQ(codecs.mGetPNGData(handle, data.data()), 0);  // released
    if (got != 1) return {};
    Picture p{header.biWidth, header.biHeight, std::vector<BYTE>(data.size())};
    const size_t row = static_cast<size_t>(p.width) * 4;
    for (int y = 0; y < p.height; ++y)
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>((p.height - 1 - y) * row), row,
                    p.bgra.begin() + static_cast<std::ptrdiff_t>(y * row));
    return p;
}

TEST(CodecRoundTrip, EveryFormatComesBackExactOrCloseAndPngLoadsThroughMpng) {
    const Codecs codecs;
    ASSERT_TRUE(codecs.ok());
    const TempFolder folder;
    ASSERT_TRUE(folder.ok());
    struct Case {
        const char* picture;
        int bits;  // of the source bitmap file
        const char* format;
        const char* signature;
        int largest;  // per channel
        double mean;
    };
    const Case cases[] = {
        {"ui", 32, "bmp", "BM", 0, 0},
        {"photo", 24, "bmp", "BM", 0, 0},
        {"ui", 24, "png", "\x89PNG", 0, 0},
        {"photo", 32, "png", "\x89PNG", 0, 0},
        {"ui", 32, "gif", "GIF8", 0, 0},  // under 256 colours: exact
        {"photo", 24, "gif", "GIF8", 16, 3},
        {"ui", 24, "jpg", "\xFF\xD8\xFF", 112, 4},  // wide enough for Wine's fixed quality
        {"photo", 32, "jpg", "\xFF\xD8\xFF", 8, 1.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.picture) + " " + std::to_string(c.bits) + " -> " + c.format);
        const Picture source = std::string(c.picture) == "ui" ? UiPicture() : PhotoPicture();
        const std::string bitmap = folder / (std::string(c.picture) + std::to_string(c.bits) + ".bmp");
        ASSERT_TRUE(WriteBytes(bitmap, BitmapFile(source, c.bits)));
        // A name outside ASCII, with a Shift-JIS trail byte that is "\" in ASCII.
        const std::string target = folder / (std::string("表 ") + c.picture + std::to_string(c.bits) + "." + c.format);
        ASSERT_EQ(codecs.Convert(AnsiCodePage().fromUtf8(bitmap), AnsiCodePage().fromUtf8(target), c.format), 1);

        EXPECT_EQ(ReadBytes(target).rfind(c.signature, 0), 0u);
        const Picture written = DecodeIndependently(target);
        ASSERT_EQ(written.width, source.width);
        ASSERT_EQ(written.height, source.height);
        const Difference d = Compare(source, written);
        EXPECT_LE(d.largest, c.largest);
        EXPECT_LE(d.mean, c.mean);
        if (std::string(c.format) == "png") {
            const Picture loaded = LoadWithMpng(codecs, AnsiCodePage().fromUtf8(target));
            EXPECT_EQ(loaded.bgra, source.bgra);
        }
    }
}

// A PNG of 8-bit RGBA written byte by byte; the scanlines (each led by its filter byte) go into
// stored deflate blocks. The declared size need not match them.
std::string PngFile(std::uint32_t width, std::uint32_t height, const std::string& scanlines) {
    const auto be = [](std::uint32_t v) {
        return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                           static_cast<char>(v)};
    };
    const auto chunk = [&be](const std::string& type, const std::string& data) {
        std::uint32_t crc = 0xFFFFFFFFU;
        for (const char ch : type + data) {
            crc ^= static_cast<unsigned char>(ch);
            for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320U & (0U - (crc & 1U)));
        }
        return be(static_cast<std::uint32_t>(data.size())) + type + data + be(~crc);
    };
    std::string zlib("\x78\x01", 2);
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (size_t at = 0; at == 0 || at < scanlines.size(); at += 65535) {
        const std::string block = scanlines.substr(at, 65535);
        const auto n = static_cast<std::uint16_t>(block.size());
        zlib += static_cast<char>(at + 65535 >= scanlines.size() ? 1 : 0);
        zlib += std::string{static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(~n),
                            static_cast<char>(~n >> 8)} +
                block;
        for (const char ch : block) {
            a = (a + static_cast<unsigned char>(ch)) % 65521;
            b = (b + a) % 65521;
        }
    }
    zlib += be((b << 16) | a);
    const std::string header = be(width) + be(height) + std::string("\x08\x06\x00\x00\x00", 5);
    return std::string("\x89PNG\r\n\x1A\n", 8) + chunk("IHDR", header) + chunk("IDAT", zlib) + chunk("IEND", "");
}

TEST(CodecRoundTrip, TransparencySurvivesPngAndMpng) {
    const Codecs codecs;
    ASSERT_TRUE(codecs.ok());
    const TempFolder folder;
    // The bitmap reader knows no alpha, so a transparent picture enters as a PNG.
    Picture source = UiPicture();
    std::string scanlines;
    for (int y = 0; y < source.height; ++y) {
        scanlines += '\0';
        for (int x = 0; x < source.width; ++x) {
            BYTE* p = &source.bgra[(static_cast<size_t>(y) * source.width + x) * 4];
            p[3] = static_cast<BYTE>(x * 2 + y);
            scanlines += std::string{static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0]),
                                     static_cast<char>(p[3])};
        }
    }
    const std::string png = folder / "alpha.png";
    ASSERT_TRUE(WriteBytes(png, PngFile(97, 61, scanlines)));
    const std::string copy = folder / "copy.png";
    ASSERT_EQ(codecs.Convert(png, copy, "png"), 1);
    EXPECT_EQ(DecodeIndependently(copy).bgra, source.bgra);
    EXPECT_EQ(LoadWithMpng(codecs, copy).bgra, source.bgra);
}

TEST(CodecJpeg, QualityHundredWritesTheFinestQuantisation) {
    const Codecs codecs;
    ASSERT_TRUE(codecs.ok());
    const TempFolder folder;
    const std::string bitmap = folder / "photo.bmp";
    ASSERT_TRUE(WriteBytes(bitmap, BitmapFile(PhotoPicture(), 24)));
    const int dib = codecs.ToDIB(bitmap.c_str());
    ASSERT_NE(dib, 0);
    EXPECT_EQ(codecs.DIBtoJPG((folder / "best.jpg").c_str(), dib, 100, 0), 1);
    EXPECT_EQ(codecs.DIBtoJPG((folder / "low.jpg").c_str(), dib, 10, 0), 1);
    codecs.DeleteDIB(dib);
    const std::string best = ReadBytes(folder / "best.jpg");
    EXPECT_LE(ReadBytes(folder / "low.jpg").size(), best.size());
    // Quality 100 means every quantisation step is 1. Wine's encoder ignores the requested quality
    // (it always writes its default tables), so only Windows can show it.
    if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
        GTEST_SKIP() << "the JPEG encoder of Wine ignores the quality setting";
    }
    int tables = 0;
    for (size_t at = best.find("\xFF\xDB"); at != std::string::npos && at + 4 < best.size();
         at = best.find("\xFF\xDB", at + 2)) {
        const size_t end =
            at + 2 + ((static_cast<unsigned char>(best[at + 2]) << 8) | static_cast<unsigned char>(best[at + 3]));
        for (size_t table = at + 4; table + 65 <= end && table + 65 <= best.size(); table += 65, ++tables) {
            EXPECT_EQ(best[table] & 0xF0, 0);  // 8-bit steps
            for (size_t i = 1; i <= 64; ++i) EXPECT_EQ(best[table + i], 1);
        }
    }
    EXPECT_GE(tables, 2);
}

TEST(CodecCorruptInput, DamagedMissingAndOddInputsFailCleanly) {
    const Codecs codecs;
    ASSERT_TRUE(codecs.ok());
    const TempFolder folder;
    const std::string bitmap = folder / "ui.bmp";
    ASSERT_TRUE(WriteBytes(bitmap, BitmapFile(UiPicture(), 24)));

    // Inputs nothing can decode: ToDIB gives 0 and mLoadPNG leaves handle and size at 0.
    ASSERT_TRUE(WriteBytes(folder / "empty.png", ""));
    ASSERT_TRUE(WriteBytes(folder / "text.png", "not an image at all"));
    ASSERT_TRUE(WriteBytes(folder / "huge.png", PngFile(20000, 20000, std::string(1, '\0'))));
    ASSERT_TRUE(WriteBytes(folder / "zero.png", PngFile(0, 5, std::string(5, '\0'))));
    std::vector<std::string> failing = {folder / "empty.png",
                                        folder / "text.png",
                                        folder / "huge.png",
                                        folder / "zero.png",
                                        folder / "missing.png",
                                        folder.path(),
                                        ""};
    for (const char* format : {"bmp", "jpg", "png", "gif"}) {
        const std::string valid = folder / (std::string("valid.") + format);
        ASSERT_EQ(codecs.Convert(bitmap, valid, format), 1) << format;
        const std::string bytes = ReadBytes(valid);
        // Cut short inside the header: never an image.
        for (const size_t length : {size_t{1}, size_t{8}, size_t{24}}) {
            failing.push_back(folder / ("cut" + std::to_string(length) + "." + format));
            ASSERT_TRUE(WriteBytes(failing.back(), bytes.substr(0, length)));
        }
    }
    for (const std::string& path : failing) {
        SCOPED_TRACE(path);
        EXPECT_EQ(codecs.ToDIB(path.c_str()), 0);
        EXPECT_TRUE(LoadWithMpng(codecs, path).bgra.empty());
    }
    EXPECT_EQ(codecs.ToDIB(nullptr), 0);
    int handle = -1;
    int size = -1;
    BITMAPINFO info{};
    EXPECT_EQ(codecs.mLoadPNG(nullptr, &handle, &info, &size), 0);
    EXPECT_EQ(codecs.mLoadPNG((folder / "valid.png").c_str(), nullptr, &info, &size), 0);
    // mpng.dll reads PNG files only.
    EXPECT_TRUE(LoadWithMpng(codecs, folder / "valid.bmp").bgra.empty());

    // Damaged copies: truncated further in and with single bits flipped. Either a clean failure or a
    // picture of the right size that can be written out again.
    std::uint32_t seed = 12345;
    for (const char* format : {"bmp", "jpg", "png", "gif"}) {
        const std::string bytes = ReadBytes(folder / (std::string("valid.") + format));
        std::vector<std::string> damaged;
        for (const size_t length : {bytes.size() / 8, bytes.size() / 2, bytes.size() - 1})
            damaged.push_back(bytes.substr(0, length));
        for (int flip = 0; flip < 24; ++flip) {
            seed = seed * 1103515245U + 12345U;
            std::string copy = bytes;
            const size_t at = (seed >> 8) % (flip < 12 ? std::min<size_t>(copy.size(), 128) : copy.size());
            copy[at] = static_cast<char>(copy[at] ^ (1 << (seed % 8)));
            damaged.push_back(copy);
        }
        for (size_t i = 0; i < damaged.size(); ++i) {
            const std::string path = folder / ("damaged" + std::to_string(i) + "." + format);
            SCOPED_TRACE(path);
            ASSERT_TRUE(WriteBytes(path, damaged[i]));
            const int dib = codecs.ToDIB(path.c_str());
            if (dib != 0) {
                EXPECT_EQ(codecs.DIBtoPNG((folder / "again.png").c_str(), dib, 0), 1);
                codecs.DeleteDIB(dib);
            }
            const Picture loaded = LoadWithMpng(codecs, path);
            if (!loaded.bgra.empty()) {
                EXPECT_EQ(loaded.bgra.size(), 97u * 61u * 4u);
            }
        }
    }
}

TEST(CodecHandles, WritersRefuseFreedHandlesAndUnwritableTargetsAndLeaveNoFile) {
    const Codecs codecs;
    ASSERT_TRUE(codecs.ok());
    const TempFolder folder;
    const std::string bitmap = folder / "ui.bmp";
    ASSERT_TRUE(WriteBytes(bitmap, BitmapFile(UiPicture(), 32)));
    const int first = codecs.ToDIB(bitmap.c_str());
    const int second = codecs.ToDIB(bitmap.c_str());
    ASSERT_NE(first, 0);
    ASSERT_NE(second, 0);
    EXPECT_NE(first, second);
    codecs.DeleteDIB(first);
    codecs.DeleteDIB(0);  // ignored
    const std::string target = folder / "out.png";
    const std::string missingFolder = folder / "missing\\out.png";
    EXPECT_EQ(codecs.DIBtoPNG(target.c_str(), first, 0), 0);
    EXPECT_EQ(codecs.DIBtoBMP(target.c_str(), 0), 0);
    EXPECT_EQ(codecs.DIBtoJPG(missingFolder.c_str(), second, 100, 0), 0);
    EXPECT_EQ(codecs.DIBtoGIF(folder.path().c_str(), second, 0), 0);  // a folder
    EXPECT_EQ(codecs.DIBtoBMP(nullptr, second), 0);
    EXPECT_EQ(::GetFileAttributesW(Utf8ToWide(target).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(codecs.DIBtoGIF(target.c_str(), second, 0), 1);  // the live handle still works
    codecs.DeleteDIB(second);
}

TEST(CodecCom, WorksWhateverTheCallersApartmentAndLeavesItAsItWas) {
    const Codecs codecs;
    ASSERT_TRUE(codecs.ok());
    const TempFolder folder;
    const std::string bitmap = folder / "ui.bmp";
    ASSERT_TRUE(WriteBytes(bitmap, BitmapFile(UiPicture(), 24)));
    // The caller's COM state before the calls, and what initialising again answers afterwards.
    const std::pair<int, HRESULT> cases[] = {
        {-1, S_OK}, {COINIT_APARTMENTTHREADED, S_FALSE}, {COINIT_MULTITHREADED, S_FALSE}};
    for (const auto& [model, after] : cases) {
        SCOPED_TRACE(model);
        int converted = 0;
        int loaded = 0;
        HRESULT again = E_FAIL;
        std::thread caller([&, model = model] {
            if (model >= 0) static_cast<void>(::CoInitializeEx(nullptr, static_cast<DWORD>(model)));
            converted = codecs.Convert(bitmap, folder / ("out" + std::to_string(model) + ".png"), "png");
            loaded = LoadWithMpng(codecs, folder / ("out" + std::to_string(model) + ".png")).bgra.empty() ? 0 : 1;
            again = ::CoInitializeEx(nullptr, static_cast<DWORD>(model >= 0 ? model : COINIT_MULTITHREADED));
            if (SUCCEEDED(again)) ::CoUninitialize();
            if (model >= 0) ::CoUninitialize();
        });
        caller.join();
        EXPECT_EQ(converted, 1);
        EXPECT_EQ(loaded, 1);
        EXPECT_EQ(again, after);
    }
}

}  // namespace
}  // namespace tessarin::test
