#pragma once
// Faces that show Japanese text, chosen among the ones installed on this system.

#include <windows.h>

#include <string>

namespace tessarin {

// A proportional face for captions and labels.
[[nodiscard]] std::wstring JapaneseFaceName(HDC dc);
// A fixed-pitch face for tables; a proportional Japanese face when none is installed.
[[nodiscard]] std::wstring JapaneseFixedFaceName(HDC dc);

}  // namespace tessarin
