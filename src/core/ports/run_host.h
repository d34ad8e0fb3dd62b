#pragma once
// The main window as the capture run asks it to act. Texts are UTF-8.

#include <string>
#include <string_view>

#include "core/ports/capture.h"

namespace tessarin {

struct PanelTexts;

struct CaptureOutcome {
    std::string result;            // what MyCapture returned
    bool downloadedImage = false;  // the image is a downloaded file, already saved
    std::string failureStatus{};   // what a capture that took nothing says on the status line
    std::string warning{};         // what the user should know of the picture, or ""
    SharedImage image{};           // the pixels taken
};

class RunHost {
public:
    virtual ~RunHost() = default;

    // Frames and status line.
    virtual void ShowMessageFrame(int index, bool labelsOnly) = 0;
    virtual void SetStatus(const std::string& text) = 0;
    // A notice that closes by itself after a few seconds.
    virtual void warn(const std::string& text) = 0;
    // The pointer panel's labels.
    virtual void showPanel(const PanelTexts& texts) = 0;

    // cmdGo enabled as given, cmdStop always the opposite.
    virtual void setGoEnabled(bool enabled) = 0;
    virtual void setAddEnabled(bool enabled) = 0;

    // The main window.
    [[nodiscard]] virtual WindowId mainWindow() const = 0;
    // The keyboard is in a text box of ours (the file-name box, the window-text box): what is
    // typed there edits its text.
    [[nodiscard]] virtual bool typingInTextBox() const = 0;
    [[nodiscard]] virtual bool isMinimised() const = 0;
    virtual void minimise() = 0;
    virtual void restore() = 0;
    // Closes the main window (the closing question may keep it open). Called last in a
    // pass; the controller touches nothing after it.
    virtual void unloadMainWindow() = 0;
    virtual void processPendingMessages() = 0;

    // What the target button (cmdPos) shows.
    [[nodiscard]] virtual std::string targetCaption() const = 0;
    [[nodiscard]] virtual std::string fileName() const = 0;  // txtFileName
    virtual void setFileName(const std::string& text) = 0;
    [[nodiscard]] virtual std::string winText() const = 0;  // txtWinText
    virtual void setWinText(const std::string& text) = 0;
    // Preview picture size in twips.
    [[nodiscard]] virtual int32_t pictureWidth() const = 0;
    [[nodiscard]] virtual int32_t pictureHeight() const = 0;

    // MyCapture into the preview picture.
    [[nodiscard]] virtual CaptureOutcome MyCapture(std::string_view target) = 0;
};

}  // namespace tessarin
