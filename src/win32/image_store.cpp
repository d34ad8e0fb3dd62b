#include "win32/image_store.h"

#include "core/files/load_order.h"
#include "core/files/save_naming.h"
#include "win32/handles.h"
#include "win32/shell.h"
#include "win32/thumbnail_files.h"
#include "win32/wide.h"

namespace tessarin {
namespace {

// A picture of the image, for the adapters that write files from a device context.
bool PictureOf(const Image& image, Picture& picture) {
    return !image.Empty() && picture.assign(image.width, image.height, image.pixels.data());
}

ImageStore::ReadResult Failed(const LoadFailure& failure) {
    return {nullptr, failure.errorNumber, WideToUtf8(failure.description), failure.tooLarge};
}

}  // namespace

WinImageStore::WinImageStore(const PathContext& paths)
    : paths_(paths),
      codec_(std::make_unique<ImgctlLibrary>(Utf8ToWide(paths.programFolder + "\\imgctl.dll"))),
      png_(std::make_unique<PngLibrary>(Utf8ToWide(paths.programFolder + "\\mpng.dll"))) {}

ImageStore::ReadResult WinImageStore::read(const std::string& path) const {
    const std::wstring wide = Utf8ToWide(path);
    try {
        if (IsPngPath(path)) {
            // mpng.dll only says that it failed: the reason is found first.
            if (UniqueHandle file; const auto failure = OpenPictureFile(nullptr, wide, file)) return Failed(*failure);
            Picture picture;
            if (!png_->LoadPngPicture(wide, picture)) return Failed(BadPicture());
            return {ImageOfPicture(picture), 0, ""};
        }
        auto image = std::make_shared<Image>();
        if (const auto failure = LoadImageFile(wide, *image)) return Failed(*failure);
        return {std::move(image), 0, ""};
    } catch (const std::bad_alloc&) {
        return Failed(OutOfMemory());
    }
}

// Every file is made new, so nothing another program (or an older save) wrote is ever written
// over: the name is taken before the codec writes into it, and only files made here are removed
// again.
ImageStore::WriteOutcome WinImageStore::write(const Image& image, const SavePlan& plan) {
    Picture picture;
    if (!PictureOf(image, picture)) return WriteOutcome::Failed;
    const std::wstring bitmap = Utf8ToWide(plan.bitmap);
    switch (picture.CreateBitmapFile(bitmap)) {
        case Picture::NewFile::Written:
            break;
        case Picture::NewFile::NameTaken:
            return WriteOutcome::NameTaken;
        case Picture::NewFile::Failed:
            return WriteOutcome::Failed;
    }
    if (!plan.NeedsConversion()) return WriteOutcome::Written;
    const std::wstring target = Utf8ToWide(plan.target);
    if (!plan.replaceTarget) {
        const UniqueHandle reserved(
            CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!reserved) {
            const bool taken = GetLastError() == ERROR_FILE_EXISTS;
            DeleteFileW(bitmap.c_str());
            return taken ? WriteOutcome::NameTaken : WriteOutcome::Failed;
        }
    }
    const bool converted = codec_->SaveByExtension(plan.target, plan.bitmap);
    DeleteFileW(bitmap.c_str());
    if (converted) return WriteOutcome::Written;
    if (!plan.replaceTarget) DeleteFileW(target.c_str());
    return WriteOutcome::Failed;
}

bool WinImageStore::isFile(const std::string& path) const {
    const auto info = paths_.fs.stat(path);
    return info.has_value() && !info->folder;
}

void WinImageStore::remove(const std::string& path) { DeleteFileW(Utf8ToWide(path).c_str()); }

bool WinImageStore::createFolder(const std::string& path) {
    return CreateDirectoryW(Utf8ToWide(path).c_str(), nullptr);
}

ImageStore::ThumbnailOutcome WinImageStore::writeThumbnail(const Image& image, const std::string& target,
                                                           int32_t& width, int32_t& height, bool isStatic) {
    const CurrentFolderGuard restore(paths_.fs.currentFolder());
    Picture picture;
    if (!PictureOf(image, picture)) return ThumbnailOutcome::ScaleFailed;
    switch (MakeThumbnail(picture, target, width, height, isStatic, *codec_)) {
        case tessarin::ThumbnailOutcome::Scaled:
            return ThumbnailOutcome::Scaled;
        case tessarin::ThumbnailOutcome::Copied:
            return ThumbnailOutcome::Copied;
        case tessarin::ThumbnailOutcome::NotWritten:
            return ThumbnailOutcome::NotWritten;
        case tessarin::ThumbnailOutcome::ScaleFailed:
            break;
    }
    return ThumbnailOutcome::ScaleFailed;
}

void WinImageStore::openFolder(const std::string& folder) { OpenFolder(folder, paths_); }

bool WinImageStore::canSave() const { return codec_->ok(); }

}  // namespace tessarin
