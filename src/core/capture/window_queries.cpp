#include "core/capture/window_queries.h"

#include <array>
#include <cstddef>

#include "core/text/text.h"

namespace tessarin {

namespace {

// Class names are ASCII in practice; titles may hold any script, and only their ASCII
// letters fold, which is what a user typing a part of a title expects.
bool ContainsText(std::string_view text, std::string_view wanted) {
    if (wanted.empty() || wanted == "*") return true;
    return AsciiLower(text).find(AsciiLower(wanted)) != std::string::npos;
}

// Titles are compared by what the user sees: characters, not bytes.
std::size_t CharacterCount(std::string_view text) { return DecodeUtf8(text).size(); }

std::string PadLeft(int32_t value, std::size_t width) {
    std::string text = std::to_string(value);
    if (text.size() < width) text.insert(0, width - text.size(), ' ');
    return text;
}

}  // namespace

std::vector<WindowId> FindVisibleWindows(const Desktop& desktop, std::string_view classText,
                                         std::string_view titleText) {
    std::vector<WindowId> found{0};
    std::size_t firstTitleLength = 0;
    for (const WindowId w : desktop.topLevelWindows()) {
        if (w == 0) break;  // the enumeration ends at the first empty handle
        if (!ShowsOnScreen(desktop, w)) continue;
        const std::string className = desktop.className(w);
        const std::string title = desktop.windowText(w);
        if (!ContainsText(className, classText) || !ContainsText(title, titleText)) continue;
        const std::size_t titleLength = CharacterCount(title);
        if (titleText.empty() || found.size() == 1) {
            if (found.size() == 1) firstTitleLength = titleLength;
            found.push_back(w);
        } else if (titleLength < firstTitleLength) {
            // The best guess for "the window titled X" is the one whose title is closest to
            // X, so it goes first; the window it displaces keeps its place in the order.
            found.push_back(found[1]);
            found[1] = w;
            firstTitleLength = titleLength;
        } else {
            found.push_back(w);
        }
    }
    return found;
}

bool ShowsOnScreen(const Desktop& desktop, WindowId window) {
    return desktop.isVisible(window) && !desktop.isCloaked(window);
}

Rect WindowBounds(const Desktop& desktop, WindowId window) {
    const Rect frame = desktop.frameBounds(window);
    return frame.right > frame.left && frame.bottom > frame.top ? frame : desktop.windowRect(window);
}

WindowId FindTooltipWindow(const Desktop& desktop) {
    // The common-control tooltip first, then the balloon of older form runtimes.
    constexpr std::array<std::string_view, 2> kTooltipClasses{"tooltip", "vbbubblert6"};
    for (const std::string_view tooltipClass : kTooltipClasses) {
        const std::vector<WindowId> found = FindVisibleWindows(desktop, tooltipClass, "");
        if (found.size() > 1) return found[1];
    }
    return 0;
}

std::string WindowRectText(const Rect& rect) {
    return PadLeft(rect.left, 5) + "," + PadLeft(rect.top, 4) + " - " + PadLeft(rect.right, 5) + "," +
           PadLeft(rect.bottom, 4);
}

}  // namespace tessarin
