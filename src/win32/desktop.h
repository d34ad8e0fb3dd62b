#pragma once

#include <windows.h>

#include "core/ports/capture.h"

namespace tessarin {

// Window queries and the system version over user32 and ntdll.
class WinDesktop final : public Desktop {
public:
    [[nodiscard]] Point cursorPos() const override;
    [[nodiscard]] WindowId windowFromPoint(Point p) const override;
    [[nodiscard]] WindowId foregroundWindow() const override;
    [[nodiscard]] std::string className(WindowId w) const override;
    [[nodiscard]] std::string windowText(WindowId w) const override;
    [[nodiscard]] std::string controlText(WindowId w) const override;
    [[nodiscard]] WindowId parent(WindowId w) const override;
    [[nodiscard]] Rect windowRect(WindowId w) const override;
    [[nodiscard]] bool isVisible(WindowId w) const override;
    [[nodiscard]] std::vector<WindowId> topLevelWindows() const override;
    [[nodiscard]] int osPlatformId() const override;
    [[nodiscard]] float osVersionNumber() const override;
    [[nodiscard]] std::vector<Rect> monitors() const override;
    [[nodiscard]] WindowScale windowScale(WindowId w) const override;
    [[nodiscard]] Rect frameBounds(WindowId w) const override;
    [[nodiscard]] bool isCloaked(WindowId w) const override;
    [[nodiscard]] bool excludesCapture(WindowId w) const override;
    [[nodiscard]] bool morePrivileged(WindowId w) const override;
    [[nodiscard]] bool advancedColour(const Rect& area) const override;
};

[[nodiscard]] inline HWND ToHwnd(WindowId id) noexcept { return reinterpret_cast<HWND>(static_cast<uintptr_t>(id)); }
[[nodiscard]] inline WindowId ToWindowId(HWND hwnd) noexcept {
    return static_cast<WindowId>(reinterpret_cast<uintptr_t>(hwnd));
}

// The build number of the system (19041 for Windows 10 2004).
[[nodiscard]] uint32_t OsBuildNumber();

// The cursor that the foreground window's input thread shows (GetCursor answers only for
// the calling thread's input state); null when there is none.
[[nodiscard]] HCURSOR ForegroundCursor();

}  // namespace tessarin
