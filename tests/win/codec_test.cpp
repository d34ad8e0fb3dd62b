// The codec libraries imgctl.dll and mpng.dll, loaded by name from the program folder and called
// as the program calls them. Written files are read back with the system's imaging component,
// independently of the libraries. Failures to load carry the system's error and its text.

#include <windows.h>
// These build on windows.h.
#include <gtest/gtest.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "codecs/imgctl/wic_codec.h"
#include "win32/error.h"
#include "win32/imgctl_client.h"
#include "win32/picture.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

// Every picture is 97 x 61 (every 24-bit row padded), held as blue, green, red, alpha rows.
constexpr int kWidth = 97, kHeight = 61;
using Pixels = std::vector<BYTE>;

// mpng.dll through its exports.
struct Mpng {
    ModuleHandle module{::LoadLibraryW(Utf8ToWide(ProgramBinFolder() + "\\mpng.dll").c_str())};
    int(WINAPI* mLoadPNG)(const char*, int*, BITMAPINFO*, int*) = Export<decltype(mLoadPNG)>("mLoadPNG");
    int(WINAPI* mGetPNGData)(int, void*) = Export<decltype(mGetPNGData)>("mGetPNGData");
    void(WINAPI* mEndPNG)(int) = Export<decltype(mEndPNG)>("mEndPNG");

    template <typename Fn>
    Fn Export(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module.get(), name)));
    }
    // The number of pixel bytes it gives for a file; 0 when it refuses it (handle and size left 0).
    [[nodiscard]] size_t Load(const std::string& ansiPath) const {
        BYTE info[1064] = {};  // the caller's BITMAPINFO with room for 256 colours
        int handle = -1, size = -1;
        const bool opened = mLoadPNG(ansiPath.c_str(), &handle, reinterpret_cast<BITMAPINFO*>(info), &size) == 1;
        EXPECT_TRUE(opened || (handle | size) == 0) << handle << " " << size;
        if (!opened) return 0;
        Pixels data(static_cast<size_t>(size));
        const int got = mGetPNGData(handle, data.data());
        mEndPNG(handle);
        EXPECT_EQ(mGetPNGData(handle, data.data()), 0);  // released
        return got == 1 ? data.size() : 0;
    }
};

// A window capture (sharp edges, 128 colours) or a photo (smooth shading: thousands of colours).
Pixels MakePicture(bool photo) {
    Pixels p;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            p.insert(p.end(), {BYTE(photo ? (x + y) * 255 / 156 : x % 16 * 17), BYTE(photo ? y * 255 / 60 : y % 8 * 36),
                               BYTE(photo ? x * 255 / 96 : 0), 255});
    return p;
}

// Reads an image file with the system's imaging component; empty on failure.
Pixels DecodeIndependently(const std::string& path) {
    const codec::WicSession wic;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICBitmapSource> converted;
    Pixels p(kWidth * kHeight * 4);
    const bool read =
        wic.factory() != nullptr &&
        SUCCEEDED(wic.factory()->CreateDecoderFromFilename(Utf8ToWide(path).c_str(), nullptr, GENERIC_READ,
                                                           WICDecodeMetadataCacheOnLoad, decoder.put())) &&
        SUCCEEDED(decoder->GetFrame(0, frame.put())) &&
        SUCCEEDED(::WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.get(), converted.put())) &&
        SUCCEEDED(converted->CopyPixels(nullptr, kWidth * 4, static_cast<UINT>(p.size()), p.data()));
    return read ? p : Pixels{};
}

TEST(CodecLibraries, EveryFormatComesBackAndDamagedCopiesFailCleanly) {
    const ImgctlLibrary imgctl(Utf8ToWide(ProgramBinFolder() + "\\imgctl.dll"));
    const Mpng mpng;
    const TempFolder folder;
    ASSERT_TRUE(folder.ok() && imgctl.ok() && mpng.mLoadPNG && mpng.mGetPNGData && mpng.mEndPNG);
    // Files nothing may decode (true) and damaged ones that either fail cleanly or give a picture of
    // the right size that can be written out again (false): a missing file, a folder, no name, text.
    std::vector<std::pair<std::string, bool>> corpus = {
        {folder / "missing.png", true}, {folder.path(), true}, {std::string(), true}};
    const auto add = [&](const std::string& bytes, const std::string& format, bool fails) {
        corpus.emplace_back(folder / ("bad" + std::to_string(corpus.size()) + "." + format), fails);
        ASSERT_TRUE(WriteBytes(corpus.back().first, bytes));
    };
    add("not an image at all", "png", true);

    // The picture (a photo or not), the format and signature written, and the largest difference
    // allowed in any channel: none but for JPEG (a GIF of under 256 colours is exact).
    const std::tuple<bool, std::string, const char*, int> cases[] = {{false, "bmp", "BM", 0},
                                                                     {true, "png", "\x89PNG", 0},
                                                                     {false, "gif", "GIF8", 0},
                                                                     {true, "jpg", "\xFF\xD8\xFF", 8}};
    for (const auto& [photo, format, signature, largest] : cases) {
        SCOPED_TRACE(format);
        // The program's sequence: the picture as a 24-bit bitmap file, then the format asked for,
        // here under a name with a Shift-JIS trail byte that is "\" in ASCII.
        const Pixels source = MakePicture(photo);
        Picture picture;
        const std::string bitmap = folder / "source.bmp", target = folder / ("表 " + format + "." + format);
        ASSERT_TRUE(picture.assign(kWidth, kHeight, reinterpret_cast<const UINT32*>(source.data())) &&
                    picture.WriteBitmapFile(Utf8ToWide(bitmap)) && imgctl.SaveByExtension(target, bitmap));
        const std::string bytes = ReadBytes(target);
        EXPECT_EQ(bytes.rfind(signature, 0), 0u);
        const Pixels written = DecodeIndependently(target);
        EXPECT_TRUE(std::equal(source.begin(), source.end(), written.begin(), written.end(),
                               [&](int a, int b) { return std::abs(a - b) <= largest; }));

        if (format == "png") {  // declaring 20000 x 20000, checksum mended: too large to hold
            std::string huge = bytes.substr(0, 16) + std::string("\0\0\x4E\x20\0\0\x4E\x20", 8) + bytes.substr(24);
            UINT crc = 0xFFFFFFFFU;
            for (const unsigned char ch : huge.substr(12, 17))
                for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320U & (0U - ((crc ^ (ch >> k)) & 1U)));
            for (int k = 0; k < 4; ++k) huge[29 + k] = static_cast<char>(~crc >> (24 - 8 * k));
            add(huge, "png", true);
        }
        EXPECT_TRUE(format == "png" || mpng.Load(bitmap) == 0) << "mpng.dll reads PNG files only";
        // Cut short, and with single bits flipped in the header and anywhere.
        for (const size_t length : {size_t{0}, size_t{8}, size_t{24}, bytes.size() / 2, bytes.size() - 1})
            add(bytes.substr(0, length), format, length <= 24);
        for (size_t n = 0; n < 12; ++n) {
            std::string copy = bytes;
            copy[(n * 7919 + 13) % std::min<size_t>(copy.size(), n < 6 ? 128 : copy.size())] ^= char(1 << n % 8);
            add(copy, format, false);
        }
    }
    // The bitmap file has its rows bottom-up, as every reader takes them. The extension decides
    // in any case; one the library does not know writes nothing, nor does a missing library.
    const std::string bitmap = folder / "source.bmp", head = ReadBytes(bitmap).substr(0, 26);
    ASSERT_EQ(head.size(), 26u);
    EXPECT_EQ(head.substr(0, 2), "BM");
    EXPECT_EQ(reinterpret_cast<const BITMAPINFOHEADER*>(head.data() + 14)->biHeight, kHeight);
    EXPECT_TRUE(imgctl.SaveByExtension(folder / "upper.PNG", bitmap));
    EXPECT_EQ(ReadBytes(folder / "upper.PNG").rfind("\x89PNG", 0), 0u);
    for (const char* name : {"unknown.jpeg", "none"}) {
        EXPECT_FALSE(imgctl.SaveByExtension(folder / name, bitmap)) << name;
        EXPECT_EQ(ReadBytes(folder / name), "") << name;
    }
    EXPECT_FALSE(ImgctlLibrary(L"Z:\\no\\such\\imgctl.dll").SaveByExtension(folder / "no library.png", bitmap));
    EXPECT_FALSE(Picture().WriteBitmapFile(Utf8ToWide(folder / "empty.bmp")));

    // Called in a single-threaded apartment, as on the program's window thread, the libraries leave
    // it as they found it, failing or not.
    std::thread([&] {
        const CoInit caller(COINIT_APARTMENTTHREADED);
        for (const auto& [path, fails] : corpus) {
            SCOPED_TRACE(path);
            EXPECT_TRUE(!fails || !imgctl.SaveByExtension(folder / "again.png", path));
            const size_t loaded = mpng.Load(path);
            EXPECT_TRUE(loaded == 0 || (!fails && loaded == kWidth * kHeight * 4)) << loaded;
        }
        EXPECT_EQ(CoInit(COINIT_APARTMENTTHREADED).result(), S_FALSE) << "the caller's apartment changed";
    }).join();
}

TEST(ImgctlVersion, OurLibraryAnswersAndFailuresCarryTheSystemErrorAndItsText) {
    const std::pair<std::wstring, unsigned long> cases[] = {
        {Utf8ToWide(ProgramBinFolder() + "\\imgctl.dll"), 0},
        {Utf8ToWide(ProgramBinFolder() + "\\missing\\imgctl.dll"), ERROR_MOD_NOT_FOUND},
        {L"version.dll", ERROR_PROC_NOT_FOUND},  // a system library without the export
    };
    for (const auto& [path, error] : cases) {
        const ImgctlVersionResult result = QueryImgctlVersion(path);
        EXPECT_EQ(std::tuple(result.ok, result.version, result.errorNumber, result.description),
                  std::tuple(error == 0, error == 0 ? 100 : 0, error, error == 0 ? L"" : FormatErrorMessage(error)))
            << WideToUtf8(path);
    }
    // The library is unloaded again after the query.
    EXPECT_EQ(::GetModuleHandleW(L"imgctl.dll"), nullptr);
}

}  // namespace
}  // namespace tessarin::test
