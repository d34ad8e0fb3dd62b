#include "win32/window_queries.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "win32/wide.h"

namespace tessarin {
namespace {

// Handles are 32-bit values on 64-bit Windows too; callers pass them as numbers.
HWND ToHwnd(uint32_t handle) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(handle)); }

// Text in a fixed buffer, cut at the first NUL whatever length the call reported.
std::string TextUpToNul(const wchar_t* buffer, int length, size_t capacity) {
    if (length <= 0) return {};
    const size_t bounded = std::min(static_cast<size_t>(length), capacity - 1);
    return WideToUtf8(std::wstring_view(buffer, wcsnlen(buffer, bounded)));
}

}  // namespace

std::string WindowClassName(uint32_t handle) {
    wchar_t name[128] = {};
    return TextUpToNul(name, GetClassNameW(ToHwnd(handle), name, 128), 128);
}

std::string WindowText(uint32_t handle) {
    wchar_t text[128] = {};
    return TextUpToNul(text, GetWindowTextW(ToHwnd(handle), text, 128), 128);
}

std::string ControlText(uint32_t handle) {
    if (handle == 0) return {};
    constexpr size_t kCapacity = 4096;
    std::vector<wchar_t> text(kCapacity, L'\0');
    // A window of another process may hang: the message must not block the capture for ever.
    DWORD_PTR copied = 0;
    if (SendMessageTimeoutW(ToHwnd(handle), WM_GETTEXT, kCapacity, reinterpret_cast<LPARAM>(text.data()),
                            SMTO_ABORTIFHUNG, 2000, &copied) == 0) {
        return {};
    }
    return TextUpToNul(text.data(), static_cast<int>(std::min<DWORD_PTR>(copied, kCapacity)), kCapacity);
}

}  // namespace tessarin
