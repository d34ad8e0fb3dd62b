#pragma once

#include <windows.h>

#include <string>

#include "win32/handles.h"

namespace tessarin {

struct ImgctlVersionResult {
    bool ok = false;
    int version = 0;
    unsigned long errorNumber = 0;  // GetLastError: 126 library not found, 127 export missing
    std::wstring description;       // the system's text for errorNumber
};

// Loads the codec library at that path, calls its ImgctlVersion and unloads it again.
[[nodiscard]] ImgctlVersionResult QueryImgctlVersion(const std::wstring& dllPath);

// The converters of imgctl.dll, loaded by name from the given path for as long as this
// object lives. Paths reach the library in the ANSI code page, as its contract says.
class ImgctlLibrary {
public:
    explicit ImgctlLibrary(const std::wstring& dllPath);
    [[nodiscard]] bool ok() const { return toDib_ != nullptr; }
    // Converts a bitmap file to the format named by the target's extension (bmp, jpg, png,
    // gif, any case); any other extension, a missing library or a failing call gives false.
    [[nodiscard]] bool SaveByExtension(const std::string& target, const std::string& bitmapFile) const;

private:
    using ToDibFn = int(WINAPI*)(const char*);
    using WriterFn = int(WINAPI*)(const char*, int, int, int);
    using DeleteDibFn = void(WINAPI*)(int);
    ModuleHandle library_;
    ToDibFn toDib_ = nullptr;
    DeleteDibFn deleteDib_ = nullptr;
    FARPROC toBmp_ = nullptr;
    FARPROC toJpg_ = nullptr;
    FARPROC toPng_ = nullptr;
    FARPROC toGif_ = nullptr;
};

}  // namespace tessarin
