#pragma once
// The main window as the program's life asks it to act: start-up's looks, its place on the
// screen, the settings dialog and the end. Texts are UTF-8.

#include <string>
#include <vector>

#include "core/ports/capture.h"
#include "core/settings/settings.h"

namespace tessarin {

class ProgramWindow {
public:
    virtual ~ProgramWindow() = default;

    // The first look: the caption, above the programs being captured, the idle message frame and
    // the window's handle on the pointer panel.
    virtual void ShowStarting(const std::string& caption) = 0;
    // The status line and the record other programs poll; messages run.
    virtual void SetStatus(const std::string& text) = 0;
    // The status line only, for a text that is no status of the program; messages run.
    virtual void showStatus(const std::string& text) = 0;
    // The controls follow the settings; messages run.
    virtual void ApplySettings() = 0;
    virtual void ShowMessageFrame(int index, bool labelsOnly) = 0;
    virtual void setGoEnabled(bool enabled) = 0;

    [[nodiscard]] virtual ScreenSize screenSize() const = 0;
    // The work area of every monitor, in virtual-screen pixels.
    [[nodiscard]] virtual std::vector<Rect> monitorWorkAreas() const = 0;
    virtual void placeWindow(const WindowPlacement& placement) = 0;
    // Where the window is when not minimised, for "conf.txt".
    [[nodiscard]] virtual WindowPlacement restoredPlacement() const = 0;
    // Shown normally or minimised, or kept hidden (minimised, it shows as an icon when restored);
    // with the pointer panel when asked. Messages run.
    virtual void showWindow(bool visible, bool minimised, bool pointerPanel) = 0;
    // Timer_Monitor: the watched window is looked at ten times a second.
    virtual void startWindowWatch() = 0;
    // The end of start-up: the start hint enabled (others watch for it), the focus on the preview
    // when the window shows; messages run.
    virtual void EndStartup() = 0;
    virtual void errorMessage(const std::string& text, const std::string& title) = 0;
    // Save, Save as and Save all are greyed in the strip's menu.
    virtual void disableSaving() = 0;
    // The run's ticks begin.
    virtual void startTicks() = 0;
    // A close that waited for start-up comes back as a close of its own, once start-up has returned.
    virtual void postClose() = 0;
    // The settings dialog, modal: its own message loop runs until it closes.
    virtual void showSettingsDialog() = 0;
    virtual void focusPreview() = 0;
    // Waits that long with messages flowing.
    virtual void pause(int milliseconds) = 0;
    // The window's timers stop and the window goes; the program's message loop ends after it.
    virtual void Unload() = 0;
};

}  // namespace tessarin
