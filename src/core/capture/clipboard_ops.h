#pragma once
// Emptying the clipboard and putting a picture on it, with the retries that absorb another
// program holding the clipboard.

#include <functional>
#include <string>

#include "core/ports/capture.h"

namespace tessarin {

inline constexpr int kClearClipboardAttempts = 20;
inline constexpr int kCopyPictureAttempts = 101;
inline constexpr int kClipboardRetryMs = 100;

// One attempt each; the waits between attempts.
struct ClipboardRetry {
    std::function<bool()> attempt;
    std::function<void()> processMessages;
    std::function<void(int)> sleepMs;
};
// "" or kCaptureError after the last failed attempt. Emptying lets messages run between its
// attempts; setting does not.
[[nodiscard]] std::string RetryClearClipboard(const ClipboardRetry& retry);
[[nodiscard]] std::string RetrySetClipboard(const ClipboardRetry& retry);

[[nodiscard]] std::string ClearClipboard(Clipboard& clipboard, CaptureUi& ui);
[[nodiscard]] std::string CopyPictureToClipboard(Clipboard& clipboard, CaptureUi& ui, const Image& image);

}  // namespace tessarin
