#pragma once
// Thumbnail files: the picture scaled to a JPEG file through GDI+, or copied unscaled through
// the codec library when it already fits the box.

#include <cstdint>
#include <string>

#include "win32/imgctl_client.h"
#include "win32/picture.h"

namespace tessarin {

// The folder named by the environment variable "tmp" (the system's temporary folder when it
// is unset) followed by "\in_vorik_tmp_<process id>.bmp".
[[nodiscard]] std::wstring ScratchBitmapPath();

// Scales the image file source to exactly width x height and saves it to target as JPEG data,
// whatever the target's extension, with the quality clamped to 25..100. False when the source
// is missing or cannot be loaded, or the thumbnail cannot be made or saved. Never throws.
[[nodiscard]] bool ScaleToJpeg(const std::wstring& source, const std::wstring& target, int32_t width, int32_t height,
                               int32_t quality);

enum class ThumbnailOutcome {
    Scaled,       // JPEG data of width x height written
    Copied,       // the picture written unscaled in the format of the target's extension
    ScaleFailed,  // nothing could be made: the caller shows "失敗しました。"
    NotWritten,   // an unscaled copy wrote nothing (an extension the codec does not know)
};

// Writes the picture to the scratch bitmap, plans the box (width and height become the size of
// the file written), scales or copies, and deletes the scratch file on every path.
[[nodiscard]] ThumbnailOutcome MakeThumbnail(const Picture& picture, const std::string& targetUtf8, int32_t& width,
                                             int32_t& height, bool isStatic, const ImgctlLibrary& codec);

}  // namespace tessarin
