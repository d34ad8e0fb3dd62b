#pragma once
// The pointer panel (the debug block of labels) and the names proposed for a capture.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/ports/capture.h"

namespace tessarin {

// Two numbers, each right-aligned in four characters, joined by " -": (12, 345) gives
// "  12 - 345"; longer numbers are not cut.
[[nodiscard]] std::string PairText(int64_t a, int64_t b);

// The label texts of the panel.
struct PanelTexts {
    std::string state;       // lblState: RangeMode
    std::string event;       // lblEvent: the last real InputEvent
    std::string key;         // lblKey: key code, hexadecimal
    std::string mouse;       // lblMouse: pointer in pixels
    std::string point;       // lblPoint: window under the pointer, hexadecimal
    std::string rect;        // lblRect: the overlay window, hexadecimal
    std::string foreground;  // lblForeground: the foreground window, hexadecimal (" 管理者" after an
                             // administrator's)
    std::string pic;         // lblPic: preview size in twips
    friend bool operator==(const PanelTexts&, const PanelTexts&) = default;
};

// What one run pass saw.
struct PanelSample {
    std::string_view event;
    int32_t keyCode = 0;
    int32_t rangeMode = 0;
    bool captureMarker = false;  // the pass ended in a capture marker
    Point pointer;               // pixels
    WindowId pointWindow = 0;
    WindowId overlayWindow = 0;
    WindowId foregroundWindow = 0;
    bool foregroundPrivileged = false;  // an administrator's window, whose keys we never see
    int32_t pictureWidth = 0;           // twips
    int32_t pictureHeight = 0;
};

// The event labels change only for a real event ("" and "MV" are none) and not after a
// capture marker; the position labels change on every pass.
void UpdatePanelTexts(PanelTexts& texts, const PanelSample& sample);

struct CaptureNameProposal {
    std::string winText;   // for txtWinText
    std::string fileName;  // for txtFileName
};

// What a capture is called before MyCapture may name it: the title of the top-level window
// under the pointer (or under the middle of the range for "rect"), and the target kind's
// caption joined to a part text by "__". kindCaption is what the target button shows;
// className is the setting "class name"; rangeCentre is in pixels.
[[nodiscard]] CaptureNameProposal ProposeCaptureName(std::string_view word, std::string_view kindCaption,
                                                     std::string_view className, Point rangeCentre,
                                                     const Desktop& desktop, const Accessibility& accessibility);

}  // namespace tessarin
