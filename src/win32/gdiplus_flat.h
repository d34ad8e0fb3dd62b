#pragma once
// The few calls of the GDI+ flat interface the program uses, declared as gdiplus.dll exports
// them (the C++ wrapper headers pull in far more than this needs), with owners for a GDI+
// session and an image. A status of 0 is success.

#include <windows.h>

#include "win32/handles.h"

namespace tessarin::gdiplus_flat {

struct GpImage;
struct StartupInput {
    UINT32 GdiplusVersion;
    void* DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};
struct EncoderParameter {
    GUID Guid;
    ULONG NumberOfValues;
    ULONG Type;
    void* Value;
};
struct EncoderParameters {
    UINT Count;
    EncoderParameter Parameter[1];
};
using Status = int;
constexpr ULONG kValueTypeLong = 4;

extern "C" {
Status WINAPI GdiplusStartup(ULONG_PTR* token, const StartupInput* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
Status WINAPI GdipLoadImageFromFile(const WCHAR* filename, GpImage** image);
Status WINAPI GdipGetImageThumbnail(GpImage* image, UINT width, UINT height, GpImage** thumbnail, void* abort,
                                    void* abortData);
Status WINAPI GdipSaveImageToFile(GpImage* image, const WCHAR* filename, const CLSID* encoder,
                                  const EncoderParameters* parameters);
Status WINAPI GdipGetImageRawFormat(GpImage* image, GUID* format);
Status WINAPI GdipDisposeImage(GpImage* image);
}

// GDI+ started for one operation and shut down when it ends.
class Session {
public:
    Session() {
        const StartupInput input{1, nullptr, FALSE, FALSE};
        status_ = GdiplusStartup(&token_, &input, nullptr);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() {
        if (status_ == 0) GdiplusShutdown(token_);
    }
    [[nodiscard]] bool ok() const noexcept { return status_ == 0; }
    [[nodiscard]] Status status() const noexcept { return status_; }

private:
    ULONG_PTR token_ = 0;
    Status status_ = -1;
};

struct ImageTraits {
    using Handle = GpImage*;
    static Handle Empty() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { GdipDisposeImage(h); }
};
// Declared after the session it belongs to, so it is disposed of before GDI+ shuts down.
using Image = UniqueResource<ImageTraits>;

}  // namespace tessarin::gdiplus_flat
