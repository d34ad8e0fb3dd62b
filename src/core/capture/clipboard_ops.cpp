#include "core/capture/clipboard_ops.h"

#include "core/capture/dispatcher.h"

namespace tessarin {

// Another program may hold the clipboard for a moment; the program stays responsive while
// it waits for it.
std::string ClearClipboard(Clipboard& clipboard, CaptureUi& ui) {
    for (int attempt = 1; attempt <= kClearClipboardAttempts; ++attempt) {
        if (clipboard.empty()) return "";
        if (attempt < kClearClipboardAttempts) {
            ui.processPendingMessages();
            ui.sleepMs(kClipboardRetryMs);
        }
    }
    return std::string(kCaptureError);
}

// The picture is set right after a successful emptying, so the clipboard is normally ours
// already; the long retry covers a viewer that grabs it in between.
std::string CopyPictureToClipboard(Clipboard& clipboard, CaptureUi& ui) {
    for (int attempt = 0; attempt < kCopyPictureAttempts; ++attempt) {
        if (clipboard.setPicture()) return "";
        if (attempt + 1 < kCopyPictureAttempts) ui.sleepMs(kClipboardRetryMs);
    }
    return std::string(kCaptureError);
}

}  // namespace tessarin
