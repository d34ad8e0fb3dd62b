#pragma once

#include <windows.h>

#include <string>

namespace tessarin {

// The system's description of an error number (GetLastError), without the trailing line
// break; "" when the system has no text for it.
[[nodiscard]] std::wstring FormatErrorMessage(DWORD code);

}  // namespace tessarin
