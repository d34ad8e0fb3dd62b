// Thumbnail files: what is scaled through GDI+ and what is copied unscaled, the sizes and the
// data of the files written, and the scratch bitmap that must never outlive a thumbnail.

#include "win32/thumbnail_files.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "codecs/imgctl/wic_codec.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

// Sets the environment variable "tmp" for one test and puts the old value back.
class TmpVariable {
public:
    explicit TmpVariable(const wchar_t* value) {
        wchar_t buffer[MAX_PATH + 1] = {};
        const DWORD length = ::GetEnvironmentVariableW(L"tmp", buffer, MAX_PATH + 1);
        if (length > 0 && length <= MAX_PATH) old_ = std::wstring(buffer, length);
        Set(value);
    }
    TmpVariable(const TmpVariable&) = delete;
    TmpVariable& operator=(const TmpVariable&) = delete;
    ~TmpVariable() { ::SetEnvironmentVariableW(L"tmp", old_ ? old_->c_str() : nullptr); }
    static void Set(const wchar_t* value) { ::SetEnvironmentVariableW(L"tmp", value); }

private:
    std::optional<std::wstring> old_;
};

// Left half red, right half blue.
Picture Halves(int32_t width, int32_t height) {
    Picture picture(RGB(255, 0, 0));
    EXPECT_TRUE(picture.resize(width, height));
    const RECT right{width / 2, 0, width, height};
    const GdiObject<HBRUSH> blue(::CreateSolidBrush(RGB(0, 0, 255)));
    ::FillRect(picture.dc(), &right, blue.get());
    return picture;
}

// The file read back with the imaging component, apart from the code under test.
struct Decoded {
    std::string signature;  // the first two bytes
    codec::Image image;
    [[nodiscard]] bool Reddish(UINT x, UINT y) const {  // blue, green, red, alpha
        const BYTE* p = &image.bgra[(size_t{y} * image.width + x) * 4];
        return p[2] > 190 && p[0] < 70;
    }
};

std::optional<Decoded> Decode(const std::string& path) {
    Decoded decoded;
    const UniqueHandle file(
        ::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    char head[2] = {};
    DWORD read = 0;
    if (!file || !::ReadFile(file.get(), head, 2, &read, nullptr) || read != 2) return std::nullopt;
    decoded.signature.assign(head, 2);
    const codec::WicSession session;
    if (!session.factory() || !codec::DecodeFile(session.factory(), Utf8ToWide(path), decoded.image)) {
        return std::nullopt;
    }
    return decoded;
}

const std::string kJpeg("\xFF\xD8", 2);
const std::string kPng("\x89P", 2);

TEST(ScratchBitmapPath, FollowsTheTmpVariableAndFallsBackToTheTemporaryFolder) {
    const TmpVariable restore(L"X:\\scratch");
    EXPECT_EQ(ScratchBitmapPath(), L"X:\\scratch\\in_vorik_tmp.bmp");
    TmpVariable::Set(L"X:\\scratch\\");
    EXPECT_EQ(ScratchBitmapPath(), L"X:\\scratch\\in_vorik_tmp.bmp");
    TmpVariable::Set(nullptr);
    wchar_t temp[MAX_PATH + 1] = {};
    EXPECT_EQ(ScratchBitmapPath(), std::wstring(temp, ::GetTempPathW(MAX_PATH + 1, temp)) + L"in_vorik_tmp.bmp");
}

TEST(MakeThumbnail, ScalesToJpegOrCopiesUnscaledAndNeverLeavesTheScratchFile) {
    const TempFolder folder;
    ASSERT_TRUE(folder.ok());
    const TmpVariable tmp(folder.wide().c_str());
    const std::wstring scratch = folder.wide() + L"\\in_vorik_tmp.bmp";
    ASSERT_EQ(ScratchBitmapPath(), scratch);
    const ImgctlLibrary codec(Utf8ToWide(ProgramBinFolder() + "\\imgctl.dll"));
    ASSERT_TRUE(codec.ok());

    const struct {
        int32_t pictureWidth, pictureHeight;
        int32_t boxWidth, boxHeight;
        bool isStatic;
        const char* name;
        ThumbnailOutcome outcome;
        int32_t width, height;  // the file's size and the box afterwards
        const std::string& signature;
    } cases[] = {
        {800, 600, 120, 90, false, "a.jpg", ThumbnailOutcome::Scaled, 120, 90, kJpeg},
        {1000, 250, 120, 90, false, "b.jpg", ThumbnailOutcome::Scaled, 120, 30, kJpeg},
        {300, 600, 120, 90, false, "c.gif", ThumbnailOutcome::Scaled, 45, 90, kJpeg},  // JPEG data under any name
        {800, 600, 120, 90, false, "d.png", ThumbnailOutcome::Scaled, 120, 90, kJpeg},
        {60, 40, 120, 90, false, "e.png", ThumbnailOutcome::Copied, 60, 40, kPng},
        {100, 50, 120, 90, false, "f.jpg", ThumbnailOutcome::Copied, 100, 50, kJpeg},
        {60, 40, 120, 90, true, "g.jpg", ThumbnailOutcome::Scaled, 120, 90, kJpeg},  // static: stretched up
        {1000, 250, 120, 90, true, "h.png", ThumbnailOutcome::Scaled, 120, 90, kJpeg},
        {60, 40, 120, 90, false, "i.jpeg", ThumbnailOutcome::NotWritten, 60, 40, kPng},  // unknown to the codec
        {0, 0, 120, 90, false, "j.jpg", ThumbnailOutcome::ScaleFailed, 120, 90, kPng},   // empty picture
        {800, 600, 0, 90, false, "k.jpg", ThumbnailOutcome::ScaleFailed, 0, 90, kPng},   // empty box
        {800, 600, 120, 90, false, "missing\\l.jpg", ThumbnailOutcome::ScaleFailed, 120, 90, kPng},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // An older scratch file must neither stop the thumbnail nor survive it.
        ASSERT_TRUE(WriteBytes(WideToUtf8(scratch), "stale"));
        const Picture picture = Halves(c.pictureWidth, c.pictureHeight);
        int32_t width = c.boxWidth;
        int32_t height = c.boxHeight;
        const std::string target = folder / c.name;
        EXPECT_EQ(MakeThumbnail(picture, target, width, height, c.isStatic, codec), c.outcome);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_EQ(::GetFileAttributesW(scratch.c_str()), INVALID_FILE_ATTRIBUTES);
        const std::optional<Decoded> written = Decode(target);
        const bool expectFile = c.outcome == ThumbnailOutcome::Scaled || c.outcome == ThumbnailOutcome::Copied;
        ASSERT_EQ(written.has_value(), expectFile);
        if (!written) continue;
        EXPECT_EQ(written->signature, c.signature);
        EXPECT_EQ(written->image.width, static_cast<UINT>(c.width));
        EXPECT_EQ(written->image.height, static_cast<UINT>(c.height));
        // The picture itself, not some other: red on the left, blue on the right.
        EXPECT_TRUE(written->Reddish(written->image.width / 4, written->image.height / 2));
        EXPECT_FALSE(written->Reddish(written->image.width * 3 / 4, written->image.height / 2));
    }

    // Without a folder to put the scratch bitmap in, nothing is made and nothing is claimed.
    TmpVariable::Set((folder.wide() + L"\\no such folder").c_str());
    for (const auto& [pictureWidth, outcome] :
         {std::pair{800, ThumbnailOutcome::ScaleFailed}, std::pair{60, ThumbnailOutcome::NotWritten}}) {
        int32_t width = 120;
        int32_t height = 90;
        const std::string target = folder / ("no scratch " + std::to_string(pictureWidth) + ".png");
        EXPECT_EQ(MakeThumbnail(Halves(pictureWidth, 40), target, width, height, false, codec), outcome);
        EXPECT_EQ(::GetFileAttributesW(Utf8ToWide(target).c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST(ScaleToJpeg, TrueOnlyWhenTheThumbnailFileWasWritten) {
    const TempFolder folder;
    ASSERT_TRUE(folder.ok());
    const std::string source = folder / "source.bmp";
    ASSERT_TRUE(Halves(64, 48).WriteBitmapFile(Utf8ToWide(source)));
    ASSERT_TRUE(WriteBytes(folder / "text.bmp", "not a picture"));
    const struct {
        std::string source;
        const char* target;
        int32_t width, height, quality;
        bool made;
    } cases[] = {
        {source, "a.jpg", 50, 20, 100, true},
        {source, "b.png", 7, 300, 0, true},  // quality below the range: clamped, still made
        {source, "c.jpg", 50, 20, 1000, true},
        {folder / "missing.bmp", "d.jpg", 50, 20, 100, false},
        {folder / "text.bmp", "e.jpg", 50, 20, 100, false},
        {folder.path(), "f.jpg", 50, 20, 100, false},
        {source, "g.jpg", 0, 20, 100, false},
        {source, "h.jpg", 50, -1, 100, false},
        {source, "missing\\i.jpg", 50, 20, 100, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        EXPECT_EQ(ScaleToJpeg(Utf8ToWide(c.source), Utf8ToWide(folder / c.target), c.width, c.height, c.quality),
                  c.made);
        const std::optional<Decoded> written = Decode(folder / c.target);
        ASSERT_EQ(written.has_value(), c.made);
        if (!written) continue;
        EXPECT_EQ(written->signature, kJpeg);
        EXPECT_EQ(written->image.width, static_cast<UINT>(c.width));
        EXPECT_EQ(written->image.height, static_cast<UINT>(c.height));
    }
    // The source is released again: it can be deleted at once.
    EXPECT_TRUE(::DeleteFileW(Utf8ToWide(source).c_str()));
}

}  // namespace
}  // namespace tessarin::test
