#include "win32/window_queries.h"

#include <windows.h>

#include "win32/wide.h"

namespace tessarin {

std::string WindowClassName(uint32_t handle) {
    // Handles are 32-bit values on 64-bit Windows too; callers pass them as numbers.
    HWND hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
    wchar_t name[128] = {};
    const int length = GetClassNameW(hwnd, name, 128);
    if (length <= 0) return {};
    return WideToUtf8(std::wstring_view(name, static_cast<size_t>(length)));
}

}  // namespace tessarin
