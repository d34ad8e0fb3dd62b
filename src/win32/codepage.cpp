#include "win32/codepage.h"

#include <windows.h>

#include <climits>

#include "win32/wide.h"

namespace tessarin {

// No best-fit mapping: a character the code page lacks becomes its default character
// ('?') instead of a look-alike. Best fit would turn U+00A5 into "\" and so change what a
// stored path means.
std::string AnsiCodePage::fromUtf8(std::string_view utf8) const {
    const std::wstring wide = Utf8ToWide(utf8);
    if (wide.empty() || wide.size() > static_cast<size_t>(INT_MAX)) return {};
    const int length = static_cast<int>(wide.size());
    const DWORD flags = WC_NO_BEST_FIT_CHARS;
    const int needed = ::WideCharToMultiByte(CP_ACP, flags, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string narrow(static_cast<size_t>(needed), '\0');
    const int written =
        ::WideCharToMultiByte(CP_ACP, flags, wide.data(), length, narrow.data(), needed, nullptr, nullptr);
    narrow.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return narrow;
}

std::string AnsiCodePage::toUtf8(std::string_view narrow) const {
    if (narrow.empty() || narrow.size() > static_cast<size_t>(INT_MAX)) return {};
    const int length = static_cast<int>(narrow.size());
    const int needed = ::MultiByteToWideChar(CP_ACP, 0, narrow.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<size_t>(needed), L'\0');
    const int written = ::MultiByteToWideChar(CP_ACP, 0, narrow.data(), length, wide.data(), needed);
    wide.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return WideToUtf8(wide);
}

}  // namespace tessarin
