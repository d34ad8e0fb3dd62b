#include "win32/wide.h"

#include <windows.h>

#include <climits>

namespace tessarin {

// The conversion calls count in int; texts beyond that are not ours to convert, and an
// unchecked cast would turn their length negative.
std::wstring MultiByteToWide(unsigned codePage, std::string_view bytes) {
    if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) return {};
    const int length = static_cast<int>(bytes.size());
    const int needed = ::MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<size_t>(needed), L'\0');
    const int written = ::MultiByteToWideChar(codePage, 0, bytes.data(), length, wide.data(), needed);
    wide.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return wide;
}

std::string WideToMultiByte(unsigned codePage, unsigned long flags, std::wstring_view wide) {
    if (wide.empty() || wide.size() > static_cast<size_t>(INT_MAX)) return {};
    const int length = static_cast<int>(wide.size());
    const int needed = ::WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string bytes(static_cast<size_t>(needed), '\0');
    const int written =
        ::WideCharToMultiByte(codePage, flags, wide.data(), length, bytes.data(), needed, nullptr, nullptr);
    bytes.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return bytes;
}

std::wstring Utf8ToWide(std::string_view utf8) { return MultiByteToWide(CP_UTF8, utf8); }

std::string WideToUtf8(std::wstring_view wide) { return WideToMultiByte(CP_UTF8, 0, wide); }

}  // namespace tessarin
