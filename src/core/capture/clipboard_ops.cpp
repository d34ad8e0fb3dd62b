#include "core/capture/clipboard_ops.h"

#include "core/capture/dispatcher.h"

namespace tessarin {

// Another program may hold the clipboard for a moment; the program stays responsive while
// it waits for it.
std::string RetryClearClipboard(const ClipboardRetry& retry) {
    for (int attempt = 1; attempt <= kClearClipboardAttempts; ++attempt) {
        if (retry.attempt()) return "";
        if (attempt < kClearClipboardAttempts) {
            retry.processMessages();
            retry.sleepMs(kClipboardRetryMs);
        }
    }
    return std::string(kCaptureError);
}

// The picture is set right after a successful emptying, so the clipboard is normally ours
// already; the long retry covers a viewer that grabs it in between.
std::string RetrySetClipboard(const ClipboardRetry& retry) {
    for (int attempt = 0; attempt < kCopyPictureAttempts; ++attempt) {
        if (retry.attempt()) return "";
        if (attempt + 1 < kCopyPictureAttempts) retry.sleepMs(kClipboardRetryMs);
    }
    return std::string(kCaptureError);
}

std::string ClearClipboard(Clipboard& clipboard, CaptureUi& ui) {
    return RetryClearClipboard({[&clipboard] { return clipboard.empty(); }, [&ui] { ui.processPendingMessages(); },
                                [&ui](int ms) { ui.sleepMs(ms); }});
}

std::string CopyPictureToClipboard(Clipboard& clipboard, CaptureUi& ui, const Image& image) {
    return RetrySetClipboard({[&clipboard, &image] { return clipboard.setImage(image); },
                              [&ui] { ui.processPendingMessages(); }, [&ui](int ms) { ui.sleepMs(ms); }});
}

}  // namespace tessarin
