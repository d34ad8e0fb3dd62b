#pragma once
// MyCapture: from a capture target word and the pointer to pixels in the preview picture.

#include <string>
#include <string_view>

#include "core/app/command_line.h"
#include "core/ports/browser.h"
#include "core/ports/capture.h"
#include "core/settings/settings.h"

namespace tessarin {

// The results of MyCapture that are not names: nothing captured because the range was too
// small, and a failed capture whose message has already been shown.
inline constexpr std::string_view kCaptureCancel = "%%%% cancel %%%%";
inline constexpr std::string_view kCaptureError = "%%%% error tessarin %%%%";
// What the status line says of a capture that took nothing: nothing was under the pointer (a
// part with no size), or what was there lies on no monitor.
inline constexpr std::string_view kNothingCapturedStatus = "キャプチャー失敗：対象なし";
inline constexpr std::string_view kOffScreenStatus = "キャプチャー失敗：画面外";
// What the user is told, once, of a capture that may not look as the screen does.
inline constexpr std::string_view kProtectedWarning =
    "このウィンドウは画面の取り込みを拒んでいるため、キャプチャーでは黒く写ります。";
inline constexpr std::string_view kAdvancedColourWarning =
    "HDR（高度な色）で表示しているモニタでは、キャプチャーが白っぽく写ることがあります。\r\n"
    "正しい色で撮るには、Windows の「設定」→「ディスプレイ」で HDR を一時的にオフにしてください。";

struct CaptureContext {
    Desktop& desktop;
    Accessibility& accessibility;
    Grabber& grabber;
    Clipboard& clipboard;
    CaptureUi& ui;
    Settings& settings;  // "class name" is replaced after a failed class search
    const CommandLineFlags& flags;
    // True only when the last capture is an image file downloaded into the save folder.
    bool downloadedImage = false;
    // The page under the pointer and its images; without it a browser document window is
    // treated as a window with no document.
    BrowserContext* browser = nullptr;
    // The status of a capture that took nothing (it ends with kCaptureError and no message).
    std::string failureStatus{};
    // Said of a capture that may not look as the screen does (kProtectedWarning ...), or "".
    std::string warning{};
    // What the capture took (the cursor painted in), the core's own; null when it took nothing.
    SharedImage image{};
};

// The browser kind word of a window class ("IE", "FIREFOX", "GHROME" ...), "" for none.
[[nodiscard]] std::string BrowserKindOfClass(std::string_view className);
// The accessible name at the point, else its value, else "".
[[nodiscard]] std::string AccessibleNameAt(const Accessibility& accessibility, Point point);
// (left, top, left + width, top + height) of the object; zeros when none was found.
[[nodiscard]] Rect AccessibleRectangle(const AccessibleObjectInfo& object);
// A box of the given size centred on the part (the "size" setting).
[[nodiscard]] Rect FixedSizeBox(const Rect& part, int32_t width, int32_t height);

// Captures into the preview picture. Returns "" (captured, no name suggested), a suggested
// base name, kCaptureCancel or kCaptureError.
[[nodiscard]] std::string MyCapture(CaptureContext& context, std::string_view target);

}  // namespace tessarin
