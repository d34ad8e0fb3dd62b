#include "core/run/pointer_panel.h"

#include <string>

#include "core/app/shell.h"
#include "core/capture/dispatcher.h"
#include "core/capture/window_queries.h"
#include "core/run/target_kind.h"
#include "core/text/paths.h"
#include "core/text/text.h"

namespace tessarin {

namespace {

constexpr size_t kPairField = 4;
constexpr size_t kKindChars = 30;
constexpr size_t kPartChars = 20;
// GetParent chains are short; the bound only keeps a broken chain from hanging a pass.
constexpr int kMaxParentSteps = 256;

std::string RightAligned(int64_t value) {
    std::string text = std::to_string(value);
    if (text.size() < kPairField) text.insert(0, kPairField - text.size(), ' ');
    return text;
}

// Cut by characters, never inside one.
std::string FirstChars(std::string_view text, size_t count) {
    std::u32string chars = DecodeUtf8(text);
    if (chars.size() <= count) return std::string(text);
    chars.resize(count);
    return EncodeUtf8(chars);
}

std::string HexOf(int64_t value) { return HexText(static_cast<uint64_t>(value)); }

}  // namespace

std::string PairText(int64_t a, int64_t b) { return RightAligned(a) + " -" + RightAligned(b); }

void UpdatePanelTexts(PanelTexts& texts, const PanelSample& sample) {
    if (!sample.event.empty() && sample.event != "MV" && !sample.captureMarker) {
        texts.state = std::to_string(sample.rangeMode);
        texts.event = std::string(sample.event);
        texts.key = HexOf(sample.keyCode);
    }
    texts.mouse = PairText(sample.pointer.x, sample.pointer.y);
    texts.point = HexText(sample.pointWindow);
    texts.rect = HexText(sample.overlayWindow);
    texts.foreground = HexText(sample.foregroundWindow) + (sample.foregroundPrivileged ? " 管理者" : "");
    texts.pic = PairText(sample.pictureWidth, sample.pictureHeight);
}

// The range's inside is transparent, so the point in its middle falls through to the
// window below the range: that window names a "rect" capture.
CaptureNameProposal ProposeCaptureName(std::string_view word, std::string_view kindCaption, std::string_view className,
                                       Point rangeCentre, const Desktop& desktop, const Accessibility& accessibility) {
    const Point pointer = desktop.cursorPos();
    const WindowId h = desktop.windowFromPoint(word == "rect" ? rangeCentre : pointer);
    WindowId top = h;
    for (int step = 0; top != 0 && step < kMaxParentSteps; ++step) {
        const WindowId up = desktop.parent(top);
        if (up == 0 || up == top) break;
        top = up;
    }

    CaptureNameProposal proposal;
    proposal.winText = h != 0 ? desktop.windowText(top) : "Desktop";

    std::string part;
    if (kindCaption == TargetCaption(2)) {
        part = std::string(className);
    } else if (kindCaption == TargetCaption(3)) {
        part = desktop.controlText(FindTooltipWindow(desktop));
    } else {
        part = AccessibleNameAt(accessibility, pointer);
    }
    std::string first = kindCaption.empty() ? proposal.winText : std::string(kindCaption);
    std::string name = FirstChars(first, kKindChars) + "__" + FirstChars(part, kPartChars);
    proposal.fileName = SanitizeFileName(name);
    return proposal;
}

}  // namespace tessarin
