#pragma once
// Faces that show Japanese text, chosen among the ones installed on this system.

#include <windows.h>

#include <string>

#include "win32/handles.h"

namespace tessarin {

// A proportional face for captions and labels.
[[nodiscard]] std::wstring JapaneseFaceName(HDC dc);
// A fixed-pitch face for tables; a proportional Japanese face when none is installed.
[[nodiscard]] std::wstring JapaneseFixedFaceName(HDC dc);

// The windows' font: a Japanese face of that many points at the window's DPI (or at the one
// given, when the window is moving to another monitor); fixed-pitch for tables.
[[nodiscard]] GdiObject<HFONT> DialogFont(HWND window, int points, bool fixedPitch = false, UINT dpi = 0);

}  // namespace tessarin
