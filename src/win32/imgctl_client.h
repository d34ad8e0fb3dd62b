#pragma once

#include <windows.h>

#include <array>
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
// object lives. Paths reach the library as UTF-16 through its wide calls, so any name can be
// saved; an older library without them gets them in the ANSI code page.
class ImgctlLibrary {
public:
    explicit ImgctlLibrary(const std::wstring& dllPath);
    [[nodiscard]] bool ok() const { return narrow_[0] != nullptr; }
    // Converts a bitmap file to the format named by the target's extension (bmp, jpg, png,
    // gif, any case); any other extension, a missing library or a failing call gives false.
    [[nodiscard]] bool SaveByExtension(const std::string& target, const std::string& bitmapFile) const;

private:
    using DeleteDibFn = void(WINAPI*)(int);
    ModuleHandle library_;
    DeleteDibFn deleteDib_ = nullptr;
    // The calls in the order ToDIB, DIBtoBMP, DIBtoJPG, DIBtoPNG, DIBtoGIF, then their wide
    // twins; each set all or none.
    std::array<FARPROC, 5> narrow_{};
    std::array<FARPROC, 5> wide_{};
};

}  // namespace tessarin
