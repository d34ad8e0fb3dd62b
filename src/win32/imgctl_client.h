#pragma once

#include <windows.h>

#include <string>

namespace tessarin {

struct ImgctlVersionResult {
    bool ok = false;
    int version = 0;
    unsigned long errorNumber = 0;  // GetLastError: 126 library not found, 127 export missing
    std::wstring description;       // the system's text for errorNumber
};

// Loads the codec library at that path, calls its ImgctlVersion and unloads it again.
[[nodiscard]] ImgctlVersionResult QueryImgctlVersion(const std::wstring& dllPath);

}  // namespace tessarin
