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

// The dialogs' font: a Japanese face of that many points at the window's DPI; fixed-pitch
// for tables.
[[nodiscard]] GdiObject<HFONT> DialogFont(HWND window, int points, bool fixedPitch = false);

}  // namespace tessarin
