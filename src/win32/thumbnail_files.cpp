#include "win32/thumbnail_files.h"

#include <objbase.h>

#include <algorithm>
#include <optional>

#include "core/files/thumbnail_box.h"
#include "win32/gdiplus_flat.h"
#include "win32/handles.h"
#include "win32/image_files.h"
#include "win32/shell.h"
#include "win32/wide.h"

namespace tessarin {
namespace {

namespace gp = gdiplus_flat;

using GdiplusSession = gp::Session;
using GdipImage = gp::Image;

std::optional<GUID> GuidOf(const wchar_t* text) {
    GUID guid{};
    if (FAILED(::CLSIDFromString(text, &guid))) return std::nullopt;
    return guid;
}

}  // namespace

std::wstring ScratchBitmapPath() {
    std::wstring folder = EnvironmentValue(L"tmp");
    if (folder.empty()) {
        wchar_t buffer[MAX_PATH + 1] = {};
        const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
        if (length <= MAX_PATH) folder.assign(buffer, length);
    }
    // GetTempPathW ends in "\", a "tmp" value may; one separator is enough.
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    // One file for each running program: two programs making thumbnails at once would otherwise
    // turn one's picture into the other's thumbnail.
    return folder + L"\\in_vorik_tmp_" + std::to_wstring(::GetCurrentProcessId()) + L".bmp";
}

// A thumbnail that could not be made or saved is a failure, even though the source loaded:
// otherwise the user is told the thumbnail was made while no file was written.
bool ScaleToJpeg(const std::wstring& source, const std::wstring& target, int32_t width, int32_t height,
                 int32_t quality) {
    LONG value = std::clamp(quality, 25, 100);
    // GDI+ holds the whole picture once it has loaded it: the size comes first. (The scratch
    // bitmap is ours, but any program can write a file of that name meanwhile.)
    if (UniqueHandle file; OpenPictureFile(nullptr, source, file)) return false;
    // GDI+ would answer a 0 extent with a thumbnail of its own default size.
    if (width < 1 || height < 1) return false;
    const std::optional<GUID> jpegEncoder = GuidOf(L"{557CF401-1A04-11D3-9A73-0000F81EF32E}");
    const std::optional<GUID> qualityParameter = GuidOf(L"{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}");
    if (!jpegEncoder || !qualityParameter) return false;

    const GdiplusSession session;
    if (!session.ok()) return false;
    gp::GpImage* loaded = nullptr;
    const gp::Status loadStatus = gp::GdipLoadImageFromFile(source.c_str(), &loaded);
    const GdipImage image(loaded);
    if (loadStatus != 0 || !image) return false;
    gp::GpImage* made = nullptr;
    const gp::Status thumbStatus = gp::GdipGetImageThumbnail(image.get(), static_cast<UINT>(width),
                                                             static_cast<UINT>(height), &made, nullptr, nullptr);
    const GdipImage thumbnail(made);
    if (thumbStatus != 0 || !thumbnail) return false;
    const gp::EncoderParameters parameters{1, {{*qualityParameter, 1, gp::kValueTypeLong, &value}}};
    return gp::GdipSaveImageToFile(thumbnail.get(), target.c_str(), &*jpegEncoder, &parameters) == 0;
}

ThumbnailOutcome MakeThumbnail(const Picture& picture, const std::string& targetUtf8, int32_t& width, int32_t& height,
                               bool isStatic, const ImgctlLibrary& codec) {
    const std::wstring scratch = ScratchBitmapPath();
    const std::optional<ThumbnailFile> plan =
        PlanThumbnailFile(picture.width(), picture.height(), width, height, isStatic);
    ThumbnailOutcome outcome = ThumbnailOutcome::ScaleFailed;  // an empty picture or box has nothing to scale
    if (plan) {
        width = plan->width;
        height = plan->height;
        // A scratch file that could not be written is never read: an older one of the same
        // name would turn into the thumbnail of another picture.
        const bool written = picture.WriteBitmapFile(scratch);
        if (plan->scaled) {
            outcome = written && ScaleToJpeg(scratch, Utf8ToWide(targetUtf8), width, height, 100)
                          ? ThumbnailOutcome::Scaled
                          : ThumbnailOutcome::ScaleFailed;
        } else {
            outcome = written && codec.SaveByExtension(targetUtf8, WideToUtf8(scratch)) ? ThumbnailOutcome::Copied
                                                                                        : ThumbnailOutcome::NotWritten;
        }
    }
    ::DeleteFileW(scratch.c_str());
    return outcome;
}

}  // namespace tessarin
