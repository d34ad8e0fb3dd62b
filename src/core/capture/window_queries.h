#pragma once
// Window queries shared by the capture engine, the pointer panel and the window list.

#include <string>
#include <string_view>
#include <vector>

#include "core/ports/capture.h"

namespace tessarin {

// The visible top-level windows (cloaked ones are not on the screen) whose class name and title contain the given texts
// (ASCII letters compared without regard to case; "" and "*" match everything). Entry 0 is always 0 and carries no
// window; the matches follow from entry 1. When a title text is given, entry 1 holds the match with the shortest title.
[[nodiscard]] std::vector<WindowId> FindVisibleWindows(const Desktop& desktop, std::string_view classText,
                                                       std::string_view titleText);

// Whether the window is on the screen: visible by its style and not cloaked.
[[nodiscard]] bool ShowsOnScreen(const Desktop& desktop, WindowId window);

// What a window shows on the screen: its visible frame where the system has one, else its
// window rectangle (which on Windows 10 and 11 carries invisible resize borders).
[[nodiscard]] Rect WindowBounds(const Desktop& desktop, WindowId window);

// The visible tooltip window, 0 when none is showing.
[[nodiscard]] WindowId FindTooltipWindow(const Desktop& desktop);

// "left,top - right,bottom" with left and right right-aligned in 5 characters, top and
// bottom in 4.
[[nodiscard]] std::string WindowRectText(const Rect& rect);

}  // namespace tessarin
