#pragma once
// Emptying the clipboard and putting the preview picture on it, with the retries that
// absorb another program holding the clipboard.

#include <string>

#include "core/ports/capture.h"

namespace tessarin {

inline constexpr int kClearClipboardAttempts = 20;
inline constexpr int kCopyPictureAttempts = 101;
inline constexpr int kClipboardRetryMs = 100;

// "" or kCaptureError after the last failed attempt.
[[nodiscard]] std::string ClearClipboard(Clipboard& clipboard, CaptureUi& ui);
[[nodiscard]] std::string CopyPictureToClipboard(Clipboard& clipboard, CaptureUi& ui);

}  // namespace tessarin
