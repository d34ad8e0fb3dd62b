#pragma once
// The image list as the capture run uses it.

#include <string>

namespace tessarin {

class ListCommands {
public:
    virtual ~ListCommands() = default;
    // A fresh capture is in the preview and waits to be added (no entry is selected), under the
    // name and window text proposed for it.
    virtual void ShowUnlistedCapture(const SharedImage& image, const std::string& fullPath,
                                     const std::string& winText) = 0;
    // The status line has told of the capture shown last: what the list has to tell of it comes
    // after, so that it stays to be read.
    virtual void CaptureReported() = 0;
    // A capture failed or was cancelled after the preview was emptied: nothing waits.
    virtual void PreviewCleared() = 0;
    [[nodiscard]] virtual bool CaptureWaiting() const = 0;
    // A new range: the waiting capture is given up.
    virtual void DiscardWaitingCapture() = 0;
    // Adds the waiting capture (once); nothing when none waits. A saved one (a downloaded file)
    // has its caption blue.
    virtual void AddWaitingCapture(const std::string& fullPath, const std::string& winText, bool saved) = 0;
    // Ctrl+S.
    virtual void mnuSave_Click() = 0;
    // The Delete key: only with the main window in front and neither Ctrl nor Shift held.
    virtual void DeleteKey(bool mainWindowInFront, bool ctrlOrShiftHeld) = 0;
    // Left (-1) or right (+1): the entry beside the selected one.
    virtual void ListStep(int direction) = 0;
};

}  // namespace tessarin
