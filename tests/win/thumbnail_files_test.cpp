// Thumbnail files: what is scaled through GDI+ and what is copied unscaled, the sizes and the
// data of the files written, and the scratch bitmap that must never outlive a thumbnail.

#include "win32/thumbnail_files.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

#include "win_test_support.h"

namespace tessarin::test {
namespace {

// Points the environment variable "tmp" elsewhere for one test and puts the old value back.
struct TmpVariable {
    explicit TmpVariable(const std::wstring& value) {
        wchar_t buffer[MAX_PATH + 1] = {};
        const DWORD length = ::GetEnvironmentVariableW(L"tmp", buffer, MAX_PATH + 1);
        if (length > 0 && length <= MAX_PATH) old = std::wstring(buffer, length);
        ::SetEnvironmentVariableW(L"tmp", value.c_str());
    }
    ~TmpVariable() { ::SetEnvironmentVariableW(L"tmp", old ? old->c_str() : nullptr); }
    std::optional<std::wstring> old;
};

// Left half red, right half blue.
Picture Halves(int32_t width, int32_t height) {
    Picture picture(RGB(255, 0, 0));
    EXPECT_TRUE(picture.resize(width, height));
    const RECT right{width / 2, 0, width, height};
    ::FillRect(picture.dc(), &right, GdiObject<HBRUSH>(::CreateSolidBrush(RGB(0, 0, 255))).get());
    return picture;
}

// A file's first two bytes, its size and whether it is red on the left and blue on the right (the
// picture itself, not some other), read with the imaging component apart from the code under test.
using Facts = std::tuple<std::string, UINT, UINT, bool>;
std::optional<Facts> Decode(const std::string& path) {
    const codec::Image image = Decoded(path);
    if (image.bgra.empty()) return std::nullopt;
    const auto red = [&](UINT x) {  // blue, green, red, alpha
        const BYTE* p = &image.bgra[(size_t{image.height / 2} * image.width + x) * 4];
        return p[2] > 190 && p[0] < 70;
    };
    return Facts{ReadBytes(path).substr(0, 2), image.width, image.height,
                 red(image.width / 4) && !red(image.width * 3 / 4)};
}

TEST(ThumbnailFiles, ScaledToJpegOrCopiedUnscaledAndTheScratchFileNeverStays) {
    const TempFolder folder;
    const TmpVariable tmp(folder.wide() + L"\\");  // one separator is enough
    // One scratch file for each running program.
    const std::wstring scratchName = L"in_vorik_tmp_" + std::to_wstring(::GetCurrentProcessId()) + L".bmp";
    const std::wstring scratch = folder.wide() + L"\\" + scratchName;
    const ImgctlLibrary codec(Utf8ToWide(ProgramBinFolder() + "\\imgctl.dll"));
    ASSERT_TRUE(folder.ok() && codec.ok());
    ASSERT_EQ(ScratchBitmapPath(), scratch);

    // Picture size, static box (else fitted into 120 x 90), target, outcome, the box afterwards
    // (the file's size) and the file's first bytes ("": none written).
    const std::tuple<int32_t, int32_t, bool, const char*, ThumbnailOutcome, UINT, UINT, const char*> cases[] = {
        {800, 600, false, "a.jpg", ThumbnailOutcome::Scaled, 120, 90, "\xFF\xD8"},
        {300, 600, false, "b.gif", ThumbnailOutcome::Scaled, 45, 90, "\xFF\xD8"},  // JPEG data under any name
        {1000, 250, false, "c.png", ThumbnailOutcome::Scaled, 120, 30, "\xFF\xD8"},
        {60, 40, false, "d.png", ThumbnailOutcome::Copied, 60, 40, "\x89P"},
        {60, 40, true, "e.jpg", ThumbnailOutcome::Scaled, 120, 90, "\xFF\xD8"},  // static: stretched up
        {60, 40, false, "f.jpeg", ThumbnailOutcome::NotWritten, 60, 40, ""},     // unknown to the codec
        {0, 0, false, "g.jpg", ThumbnailOutcome::ScaleFailed, 120, 90, ""},      // empty picture
        {800, 600, false, "missing\\h.jpg", ThumbnailOutcome::ScaleFailed, 120, 90, ""},
    };
    for (const auto& [w, h, isStatic, name, outcome, width, height, head] : cases) {
        SCOPED_TRACE(name);
        // An older scratch file must neither stop the thumbnail nor survive it.
        ASSERT_TRUE(WriteBytes(WideToUtf8(scratch), "stale"));
        int32_t boxWidth = 120, boxHeight = 90;
        EXPECT_EQ(MakeThumbnail(Halves(w, h), folder / name, boxWidth, boxHeight, isStatic, codec), outcome);
        EXPECT_EQ(std::pair(UINT(boxWidth), UINT(boxHeight)), std::pair(width, height));
        EXPECT_EQ(::GetFileAttributesW(scratch.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(Decode(folder / name), *head ? std::optional(Facts{head, width, height, true}) : std::nullopt);
    }

    // Without a folder to put the scratch bitmap in, nothing is made and nothing is claimed.
    ::SetEnvironmentVariableW(L"tmp", (folder.wide() + L"\\no such folder").c_str());
    for (const auto& [pictureWidth, outcome] :
         {std::pair{800, ThumbnailOutcome::ScaleFailed}, std::pair{60, ThumbnailOutcome::NotWritten}}) {
        int32_t width = 120, height = 90;
        const std::string target = folder / ("no scratch " + std::to_string(pictureWidth) + ".png");
        EXPECT_EQ(MakeThumbnail(Halves(pictureWidth, 40), target, width, height, false, codec), outcome);
        EXPECT_EQ(::GetFileAttributesW(Utf8ToWide(target).c_str()), INVALID_FILE_ATTRIBUTES);
    }
    // Unset, it falls back to the temporary folder.
    ::SetEnvironmentVariableW(L"tmp", nullptr);
    wchar_t temp[MAX_PATH + 1] = {};
    EXPECT_EQ(ScratchBitmapPath(), std::wstring(temp, ::GetTempPathW(MAX_PATH + 1, temp)) + scratchName);

    // ScaleToJpeg on its own: true only when the thumbnail file was written.
    const std::string source = folder / "source.bmp";
    ASSERT_TRUE(Halves(64, 48).WriteBitmapFile(Utf8ToWide(source)) && WriteBytes(folder / "text.bmp", "not a picture"));
    // Source, target, size, quality (clamped to 25..100) and whether the file is made.
    const std::tuple<std::string, const char*, UINT, UINT, int32_t, bool> scaled[] = {
        {source, "s1.png", 40, 300, 0, true},  // JPEG data under any name
        {source, "s2.jpg", 50, 20, 1000, true},
        {folder / "text.bmp", "s3.jpg", 50, 20, 100, false},
        {source, "s4.jpg", 0, 20, 100, false},
    };
    for (const auto& [from, target, width, height, quality, ok] : scaled) {
        SCOPED_TRACE(target);
        EXPECT_EQ(ScaleToJpeg(Utf8ToWide(from), Utf8ToWide(folder / target), width, height, quality), ok);
        EXPECT_EQ(Decode(folder / target), ok ? std::optional(Facts{"\xFF\xD8", width, height, true}) : std::nullopt);
    }
    // The source is released again: it can be deleted at once.
    EXPECT_TRUE(::DeleteFileW(Utf8ToWide(source).c_str()));
}

}  // namespace
}  // namespace tessarin::test
