#include "win32/codepage.h"

#include <windows.h>

#include "win32/wide.h"

namespace tessarin {

// No best-fit mapping: a character the code page lacks becomes its default character
// ('?') instead of a look-alike. Best fit would turn U+00A5 into "\" and so change what a
// stored path means.
std::string AnsiCodePage::fromUtf8(std::string_view utf8) const {
    return WideToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, Utf8ToWide(utf8));
}

std::string AnsiCodePage::toUtf8(std::string_view narrow) const { return WideToUtf8(MultiByteToWide(CP_ACP, narrow)); }

}  // namespace tessarin
