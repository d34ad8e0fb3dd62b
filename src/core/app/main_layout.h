#pragma once
// The main window's screen: what its message area says, and where each control goes.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ports/capture.h"
#include "core/settings/settings.h"

namespace tessarin {

// The labels of the message area, named by what they say.
enum class InfoLabel : int {
    Start,            // "開始"
    ClickPrompt,      // "をクリックして下さい"
    IdleSpace,        // "/ Space"
    IdleAddToList,    // "リストに追加"
    RangeKey,         // the range key, "Shift"
    RangeSetting,     // "範囲設定"
    Or,               // "/"
    CaptureKey,       // "Ctrl+" and the capture key
    Capture,          // "キャプチャー"
    FixedCaptureKey,  // the same, once a range is fixed
    FixedCapture,     // "キャプチャー"
    Add,              // "追加"
    AddToList,        // "リストに追加"
    AddSpace,         // "/ Space", only while Space adds to the list
    SpaceToList,      // "リストに追加", the same
};
inline constexpr int kInfoLabelCount = 15;

struct InfoText {
    InfoLabel label;
    std::string text;
};

// The four frames of the message area: 0 idle, 1 a run, 2 a range fixed, 3 a capture waiting to be
// added. The labels frame `index` shows, left to right, with their texts; none outside 0 .. 3.
[[nodiscard]] std::vector<InfoText> MessageFrame(int index, const Settings& settings);

// What the layout needs to know beyond the window's size.
struct MainLayoutInput {
    int32_t width = 0;  // the client area, pixels
    int32_t height = 0;
    int32_t dpi = 96;  // the design is for 96
    bool pointerPanel = false;
    int32_t scrollBarHeight = 0;  // the strip's bar at this scale
    // The widths of captions that size their controls.
    int32_t noMouseText = 0;
    int32_t openFolderText = 0;
    std::vector<int32_t> messageTexts;  // the shown frame's labels, in order
};

// Every control's place in the client area (the pointer panel's labels in the panel's).
struct MainLayout {
    Rect go, stop, add, pos;
    std::vector<Rect> message;
    Rect winText, fileName, noMouse;
    Rect preview, strip;
    Rect openFolder, status, help, setting, close;
    Rect pointerPanel;  // empty without it
    // The panel's first row: rect, point, fore, main, each caption with its value; the second:
    // event, key, state, mouse, picture and the selection.
    std::array<Rect, 4> panelCaptions, panelValues;
    std::array<Rect, 6> panelRow;
};
[[nodiscard]] MainLayout LayOutMainWindow(const MainLayoutInput& input);

// The outer size the user may give the window: 3000 twips at least, 12000 by 10000 at the most.
struct SizeLimits {
    Point smallest, largest;
};
[[nodiscard]] SizeLimits MainWindowSizeLimits(int32_t twipsPerPixel);

}  // namespace tessarin
