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
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "win32/codepage.h"
#include "win32/handles.h"
#include "win32/wide.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

// Every picture is 97 x 61 (every 24-bit row padded), held as blue, green, red, alpha rows, top-down
// unless said otherwise.
constexpr int kWidth = 97;
constexpr int kHeight = 61;
using Pixels = std::vector<BYTE>;

template <typename Fn>
Fn Export(const ModuleHandle& module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module.get(), name)));
}

struct Codecs {
    ModuleHandle imgctl{::LoadLibraryW(Utf8ToWide(ProgramBinFolder() + "\\imgctl.dll").c_str())};
    ModuleHandle mpng{::LoadLibraryW(Utf8ToWide(ProgramBinFolder() + "\\mpng.dll").c_str())};
    int(WINAPI* ToDIB)(const char*) = Export<decltype(ToDIB)>(imgctl, "ToDIB");
    int(WINAPI* DIBtoBMP)(const char*, int) = Export<decltype(DIBtoBMP)>(imgctl, "DIBtoBMP");
    int(WINAPI* DIBtoJPG)(const char*, int, int, int) = Export<decltype(DIBtoJPG)>(imgctl, "DIBtoJPG");
    int(WINAPI* DIBtoPNG)(const char*, int, int) = Export<decltype(DIBtoPNG)>(imgctl, "DIBtoPNG");
    int(WINAPI* DIBtoGIF)(const char*, int, int) = Export<decltype(DIBtoGIF)>(imgctl, "DIBtoGIF");
    void(WINAPI* DeleteDIB)(int) = Export<decltype(DeleteDIB)>(imgctl, "DeleteDIB");
    int(WINAPI* mLoadPNG)(const char*, int*, BITMAPINFO*, int*) = Export<decltype(mLoadPNG)>(mpng, "mLoadPNG");
    int(WINAPI* mGetPNGData)(int, void*) = Export<decltype(mGetPNGData)>(mpng, "mGetPNGData");
    void(WINAPI* mEndPNG)(int) = Export<decltype(mEndPNG)>(mpng, "mEndPNG");

    // The pixels mpng.dll gives for a file, bottom-up; empty on failure (handle and size left 0).
    [[nodiscard]] Pixels Load(const std::string& ansiPath) const {
        std::vector<BYTE> info(1064);  // the caller's BITMAPINFO with room for 256 colours
        const auto& header = *reinterpret_cast<const BITMAPINFOHEADER*>(info.data());
        int handle = -1;
        int size = -1;
        if (mLoadPNG(ansiPath.c_str(), &handle, reinterpret_cast<BITMAPINFO*>(info.data()), &size) != 1) {
            EXPECT_EQ(handle | size, 0);
            return {};
        }
        EXPECT_EQ(header.biBitCount, 32);
        EXPECT_EQ(size, header.biWidth * header.biHeight * 4);
        Pixels data(static_cast<size_t>(size));
        const int got = mGetPNGData(handle, data.data());
        mEndPNG(handle);
        EXPECT_EQ(mGetPNGData(handle, data.data()), 0);  // released
        return got == 1 ? data : Pixels{};
    }
};

// A window capture (face, a title bar shaded in 64 steps, text strokes, a frame: under 256 colours)
// or a photo (smooth shading: thousands of colours).
Pixels MakePicture(bool photo, bool bottomUp = false) {
    Pixels p(kWidth * kHeight * 4, 255);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            BYTE* px = &p[static_cast<size_t>((bottomUp ? kHeight - 1 - y : y) * kWidth + x) * 4];
            const bool frame = x == 0 || y == 0 || x == kWidth - 1 || y == kHeight - 1;
            const bool text = y > 20 && y < 28 && x > 6 && (x * 7 + y * 3) % 5 < 2;
            const int ui = frame ? 100 : y < 12 ? -1 : text ? 0 : 240;
            px[0] = static_cast<BYTE>(photo ? (x + y) * 255 / 156 : ui >= 0 ? ui : 227 - x * 63 / kWidth);
            px[1] = static_cast<BYTE>(photo ? y * 255 / 60 : ui >= 0 ? ui : 84 + x * 63 / kWidth);
            px[2] = static_cast<BYTE>(photo ? x * 255 / 96 : ui >= 0 ? ui : 0);
        }
    }
    return p;
}

// An uncompressed bitmap file of 24 or 32 bits per pixel, bottom-up, written byte by byte.
std::string BitmapFile(bool photo, int bits) {
    const Pixels p = MakePicture(photo, true);
    const int stride = (kWidth * bits / 8 + 3) & ~3;
    const BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(54 + stride * kHeight), 0, 0, 54};
    const BITMAPINFOHEADER info{sizeof info, kWidth, kHeight, 1, static_cast<WORD>(bits), BI_RGB, 0, 0, 0, 0, 0};
    std::string bytes = std::string(reinterpret_cast<const char*>(&file), sizeof file) +
                        std::string(reinterpret_cast<const char*>(&info), sizeof info);
    for (int y = 0; y < kHeight; ++y) {
        for (int i = 0; i < kWidth * bits / 8; ++i)
            bytes += static_cast<char>(p[static_cast<size_t>(y * kWidth + i / (bits / 8)) * 4 + i % (bits / 8)]);
        bytes.append(static_cast<size_t>(stride - kWidth * bits / 8), '\0');
    }
    return bytes;
}

// Reads an image file with the system's imaging component; empty on failure.
Pixels DecodeIndependently(const std::string& path) {
    const CoInit com;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    Pixels p(kWidth * kHeight * 4);
    const bool read =
        SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                     factory.putVoid())) &&
        SUCCEEDED(factory->CreateDecoderFromFilename(Utf8ToWide(path).c_str(), nullptr, GENERIC_READ,
                                                     WICDecodeMetadataCacheOnLoad, decoder.put())) &&
        SUCCEEDED(decoder->GetFrame(0, frame.put())) && SUCCEEDED(factory->CreateFormatConverter(converter.put())) &&
        SUCCEEDED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                        WICBitmapPaletteTypeCustom)) &&
        SUCCEEDED(converter->CopyPixels(nullptr, kWidth * 4, static_cast<UINT>(p.size()), p.data()));
    return read ? p : Pixels{};
}

std::string ReadBytes(const std::string& path) {
    std::ifstream file(std::filesystem::path(Utf8ToWide(path)), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

TEST(CodecRoundTrip, EveryFormatComesBackAndDamagedCopiesFailCleanly) {
    const Codecs codecs;
    ASSERT_TRUE(codecs.ToDIB && codecs.DIBtoBMP && codecs.DIBtoJPG && codecs.DIBtoPNG && codecs.DIBtoGIF &&
                codecs.DeleteDIB && codecs.mLoadPNG && codecs.mGetPNGData && codecs.mEndPNG);
    const TempFolder folder;
    ASSERT_TRUE(folder.ok());
    // Files nothing may decode (true) and damaged ones that either fail cleanly or give a picture of
    // the right size that can be written out again (false): a missing file, a folder, no name, text.
    std::vector<std::pair<std::string, bool>> corpus = {
        {folder / "missing.png", true}, {folder.path(), true}, {std::string(), true}};
    const auto add = [&](const std::string& bytes, const char* format, bool fails) {
        corpus.emplace_back(folder / ("bad" + std::to_string(corpus.size()) + "." + format), fails);
        ASSERT_TRUE(WriteBytes(corpus.back().first, bytes));
    };
    add("not an image at all", "png", true);
    std::uint32_t seed = 12345;

    constexpr int kNoCom = -1;
    // Source picture and bits of its bitmap file; format and signature written; largest and mean
    // difference per channel; the calling thread's apartment, which the libraries must leave as it was.
    const std::tuple<bool, int, const char*, const char*, int, double, int> cases[] = {
        {false, 32, "bmp", "BM", 0, 0, kNoCom},
        {true, 24, "bmp", "BM", 0, 0, COINIT_APARTMENTTHREADED},
        {false, 24, "png", "\x89PNG", 0, 0, kNoCom},
        {true, 32, "png", "\x89PNG", 0, 0, COINIT_APARTMENTTHREADED},
        {false, 32, "png", "\x89PNG", 0, 0, COINIT_MULTITHREADED},
        {false, 32, "gif", "GIF8", 0, 0, kNoCom},  // under 256 colours: exact
        {true, 24, "gif", "GIF8", 16, 3, COINIT_MULTITHREADED},
        {false, 24, "jpg", "\xFF\xD8\xFF", 112, 4, kNoCom},  // wide enough for Wine's fixed quality
        {true, 32, "jpg", "\xFF\xD8\xFF", 8, 1.5, COINIT_APARTMENTTHREADED},
    };
    for (const auto& [photo, bits, format, signature, largest, mean, com] : cases) {
        const std::string name = std::to_string(photo) + std::to_string(bits) + std::to_string(com) + "." + format;
        SCOPED_TRACE(name);
        const Pixels source = MakePicture(photo);
        const std::string bitmap = folder / (name + ".bmp");
        ASSERT_TRUE(WriteBytes(bitmap, BitmapFile(photo, bits)));
        // A name outside ASCII, with a Shift-JIS trail byte that is "\" in ASCII.
        const std::string target = folder / ("表 " + name);
        const std::string kind = format;
        const bool png = kind == "png";
        int converted = 0;
        HRESULT again = E_FAIL;
        Pixels loaded;
        std::thread([&] {
            if (com != kNoCom) static_cast<void>(::CoInitializeEx(nullptr, static_cast<DWORD>(com)));
            // The program's sequence: open the bitmap file, write, free.
            const int dib = codecs.ToDIB(AnsiCodePage().fromUtf8(bitmap).c_str());
            const std::string to = AnsiCodePage().fromUtf8(target);
            converted = dib == 0        ? 0
                        : kind == "bmp" ? codecs.DIBtoBMP(to.c_str(), dib)
                        : kind == "jpg" ? codecs.DIBtoJPG(to.c_str(), dib, 100, 0)
                        : png           ? codecs.DIBtoPNG(to.c_str(), dib, 0)
                                        : codecs.DIBtoGIF(to.c_str(), dib, 0);
            codecs.DeleteDIB(dib);
            if (png) loaded = codecs.Load(to);
            again = ::CoInitializeEx(nullptr, static_cast<DWORD>(com != kNoCom ? com : COINIT_MULTITHREADED));
            if (SUCCEEDED(again)) ::CoUninitialize();
            if (com != kNoCom) ::CoUninitialize();
        }).join();
        ASSERT_EQ(converted, 1);
        EXPECT_EQ(again, com != kNoCom ? S_FALSE : S_OK);
        EXPECT_EQ(loaded, png ? MakePicture(photo, true) : Pixels{});
        EXPECT_TRUE(codecs.Load(bitmap).empty()) << "mpng.dll reads PNG files only";

        const std::string bytes = ReadBytes(target);
        EXPECT_EQ(bytes.rfind(signature, 0), 0u);
        const Pixels written = DecodeIndependently(target);
        ASSERT_EQ(written.size(), source.size());
        std::vector<int> differences(source.size());
        std::transform(source.begin(), source.end(), written.begin(), differences.begin(),
                       [](int a, int b) { return std::abs(a - b); });
        EXPECT_LE(*std::max_element(differences.begin(), differences.end()), largest);
        EXPECT_LE(std::accumulate(differences.begin(), differences.end(), 0.0) / differences.size(), mean);

        if (com != kNoCom) continue;  // one written file of each format is enough to damage
        if (png) {                    // declaring 20000 x 20000, checksum mended: too large to hold
            std::string huge = bytes.substr(0, 16) + std::string("\0\0\x4E\x20\0\0\x4E\x20", 8) + bytes.substr(24);
            std::uint32_t crc = 0xFFFFFFFFU;
            for (const char ch : huge.substr(12, 17))
                for (int k = 0, b = static_cast<unsigned char>(ch); k < 8; ++k, b >>= 1)
                    crc = (crc >> 1) ^ (0xEDB88320U & (0U - ((crc ^ b) & 1U)));
            for (int k = 0; k < 4; ++k) huge[29 + k] = static_cast<char>(~crc >> (24 - 8 * k));
            add(huge, format, true);
        }
        for (const size_t length : {size_t{0}, size_t{1}, size_t{8}, size_t{24}})
            add(bytes.substr(0, length), format, true);
        for (const size_t length : {bytes.size() / 8, bytes.size() / 2, bytes.size() - 1})
            add(bytes.substr(0, length), format, false);
        for (int flip = 0; flip < 24; ++flip) {
            seed = seed * 1103515245U + 12345U;
            std::string copy = bytes;
            const size_t at = (seed >> 8) % (flip < 12 ? std::min<size_t>(copy.size(), 128) : copy.size());
            copy[at] = static_cast<char>(copy[at] ^ (1 << (seed % 8)));
            add(copy, format, false);
        }
    }
    for (const auto& [path, fails] : corpus) {
        SCOPED_TRACE(path);
        const int dib = codecs.ToDIB(path.c_str());
        EXPECT_TRUE(dib == 0 || (!fails && codecs.DIBtoPNG((folder / "again.png").c_str(), dib, 0) == 1));
        codecs.DeleteDIB(dib);
        const size_t loaded = codecs.Load(path).size();
        EXPECT_TRUE(loaded == 0 || (!fails && loaded == kWidth * kHeight * 4)) << loaded;
    }
    EXPECT_EQ(codecs.ToDIB(nullptr), 0);
}

}  // namespace
}  // namespace tessarin::test
