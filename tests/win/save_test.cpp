// Saving through our codec library: the picture as a bitmap file, then converted by the
// extension of the target, as the image list saves its entries.

#include <gtest/gtest.h>

#include "win/win_test_support.h"
#include "win32/imgctl_client.h"
#include "win32/picture.h"

namespace tessarin::test {
namespace {

std::string Head(const std::string& path, size_t n) {
    std::string bytes(n, '\0');
    const UniqueHandle file(
        ::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    DWORD read = 0;
    if (!file || !::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(n), &read, nullptr)) return {};
    bytes.resize(read);
    return bytes;
}

TEST(SaveByExtension, TheBitmapFileBecomesTheFormatOfTheTargetsExtension) {
    TempFolder folder;
    Picture pic(RGB(255, 255, 255));
    ASSERT_TRUE(pic.resize(40, 30));
    const RECT left{0, 0, 20, 30};
    const GdiObject<HBRUSH> red(::CreateSolidBrush(RGB(255, 0, 0)));
    ::FillRect(pic.dc(), &left, red.get());
    const std::string bitmap = folder / "capture.bmp";
    ASSERT_TRUE(pic.WriteBitmapFile(Utf8ToWide(bitmap)));
    // Bottom-up rows: the first pixel is the bottom-left one, red, stored blue-green-red.
    const std::string bmp = Head(bitmap, 57);
    ASSERT_EQ(bmp.size(), 57u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(bmp.substr(54, 3), std::string("\x00\x00\xFF", 3));

    const ImgctlLibrary library(Utf8ToWide(ProgramBinFolder() + "\\imgctl.dll"));
    ASSERT_TRUE(library.ok());
    const struct {
        const char* name;
        bool saved;
        std::string signature;
    } cases[] = {
        {"a.jpg", true, "\xFF\xD8"},    {"b.PNG", true, "\x89PNG"}, {"c.gif", true, "GIF8"},
        {"d.bmp", true, "BM"},          {"e.jpeg", false, ""},      {"f", false, ""},
        {"画像.png", true, "\x89PNG"},   // a name in code page 932
        {"사진.jpg", true, "\xFF\xD8"},  // and one it cannot spell
    };
    for (const auto& c : cases) {
        const std::string target = folder / c.name;
        EXPECT_EQ(library.SaveByExtension(target, bitmap), c.saved) << c.name;
        EXPECT_EQ(Head(target, c.signature.size()), c.signature) << c.name;
    }
    EXPECT_FALSE(library.SaveByExtension(folder / "g.png", folder / "missing.bmp"));
    EXPECT_FALSE(ImgctlLibrary(L"Z:\\no\\such\\imgctl.dll").SaveByExtension(folder / "h.png", bitmap));
    EXPECT_FALSE(Picture().WriteBitmapFile(Utf8ToWide(folder / "empty.bmp")));
}

}  // namespace
}  // namespace tessarin::test
