#include "core/app/main_layout.h"

#include <algorithm>

namespace tessarin {

namespace {

// Design sizes in 96-dpi pixels.
constexpr int32_t kMargin = 4;
constexpr int32_t kGap = 2;
constexpr int32_t kTopRowHeight = 34;
constexpr int32_t kButtonWidth = 56;
constexpr int32_t kButtonHeight = 26;
constexpr int32_t kPosWidth = 96;
constexpr int32_t kTextRowHeight = 24;
constexpr int32_t kWinTextWidth = 180;
constexpr int32_t kCheckBoxExtra = 24;  // the box and its gap beside the caption
constexpr int32_t kBottomHeight = 30;
constexpr int32_t kBottomButtonWidth = 64;
constexpr int32_t kHelpWidth = 48;
constexpr int32_t kFolderButtonExtra = 16;
constexpr int32_t kPanelHeight = 44;
constexpr int32_t kPanelCaptionWidth = 36;
constexpr int32_t kPanelValueWidth = 72;
constexpr int32_t kPanelPairStep = 112;
constexpr int32_t kPanelEventWidth = 110;
constexpr int32_t kPanelRowWidth = 90;
// The strip: panels 8 pixels down, 45 high; its scroll bar comes below.
constexpr int32_t kStripPanelsHeight = 57;
constexpr int32_t kMinSizeTwips = 3000;
constexpr int32_t kMaxWidthTwips = 12000;
constexpr int32_t kMaxHeightTwips = 10000;

// A design length at the window's scale, rounded as the window system's MulDiv rounds.
struct Scale {
    int32_t dpi;
    [[nodiscard]] int32_t operator()(int32_t logical) const {
        const int64_t scaled = int64_t{logical} * dpi;
        return static_cast<int32_t>(scaled >= 0 ? (scaled + 48) / 96 : -((-scaled + 48) / 96));
    }
};

// A rectangle from its corner and size; a size below 0 (a window too small) is 0.
Rect Place(int32_t x, int32_t y, int32_t width, int32_t height) {
    return Rect{x, y, x + std::max(width, 0), y + std::max(height, 0)};
}

}  // namespace

std::vector<InfoText> MessageFrame(int index, const Settings& settings) {
    const std::string captureKey = "Ctrl+" + settings.hotkeyCopy;
    switch (index) {
        case 0:
            return {{InfoLabel::Start, "開始"},
                    {InfoLabel::ClickPrompt, "をクリックして下さい"},
                    {InfoLabel::IdleSpace, "/ Space"},
                    {InfoLabel::IdleAddToList, "リストに追加"}};
        case 1:
            return {{InfoLabel::RangeKey, settings.hotkeyRect},
                    {InfoLabel::RangeSetting, "範囲設定"},
                    {InfoLabel::Or, "/"},
                    {InfoLabel::CaptureKey, captureKey},
                    {InfoLabel::Capture, "キャプチャー"}};
        case 2:
            return {{InfoLabel::FixedCaptureKey, captureKey}, {InfoLabel::FixedCapture, "キャプチャー"}};
        case 3: {
            std::vector<InfoText> frame{{InfoLabel::Add, "追加"}, {InfoLabel::AddToList, "リストに追加"}};
            // The Space hints show only while the Space key adds to the list.
            if (settings.space != 0) {
                frame.push_back({InfoLabel::AddSpace, "/ Space"});
                frame.push_back({InfoLabel::SpaceToList, "リストに追加"});
            }
            return frame;
        }
        default:
            return {};
    }
}

// Top to bottom: the run buttons with the message area and the target button; the two text boxes
// with the cursor check box; the preview; the strip; the bottom row of buttons and the status
// line; the pointer panel below everything.
MainLayout LayOutMainWindow(const MainLayoutInput& in) {
    const Scale px{in.dpi > 0 ? in.dpi : 96};
    MainLayout out;
    const int32_t buttonTop = (px(kTopRowHeight) - px(kButtonHeight)) / 2;
    int32_t x = px(kMargin);
    for (Rect* button : {&out.go, &out.stop, &out.add}) {
        *button = Place(x, buttonTop, px(kButtonWidth), px(kButtonHeight));
        x += px(kButtonWidth) + px(kMargin);
    }
    out.pos = Place(in.width - px(kPosWidth) - px(kMargin), buttonTop, px(kPosWidth), px(kButtonHeight));
    for (const int32_t text : in.messageTexts) {
        const int32_t width = text + px(kMargin);
        out.message.push_back(Place(x, px(kMargin), width, px(kTopRowHeight) - px(2 * kMargin)));
        x += width + px(kMargin);
    }

    const int32_t rowTop = px(kTopRowHeight) + px(kGap);
    const int32_t checkWidth = in.noMouseText + px(kCheckBoxExtra);
    out.noMouse = Place(in.width - checkWidth - px(kMargin), rowTop, checkWidth, px(kTextRowHeight));
    out.winText = Place(px(kMargin), rowTop, px(kWinTextWidth), px(kTextRowHeight));
    const int32_t fileLeft = out.winText.right + px(kMargin);
    out.fileName = Place(fileLeft, rowTop, in.width - checkWidth - px(kMargin) - px(3) - fileLeft, px(kTextRowHeight));

    int32_t bottomLimit = in.height;
    if (in.pointerPanel) {
        bottomLimit -= px(kPanelHeight);
        out.pointerPanel = Place(0, bottomLimit, in.width, px(kPanelHeight));
        const int32_t rowHeight = (px(kPanelHeight) - px(kMargin)) / 2;
        for (size_t i = 0; i < out.panelCaptions.size(); ++i) {
            const int32_t left = px(kMargin) + static_cast<int32_t>(i) * px(kPanelPairStep);
            out.panelCaptions[i] = Place(left, px(kGap), px(kPanelCaptionWidth), rowHeight);
            out.panelValues[i] = Place(left + px(kPanelCaptionWidth), px(kGap), px(kPanelValueWidth), rowHeight);
        }
        int32_t left = px(kMargin);
        for (Rect& label : out.panelRow) {
            const int32_t width = &label == &out.panelRow.front() ? px(kPanelEventWidth) : px(kPanelRowWidth);
            label = Place(left, px(kGap) + rowHeight, width, rowHeight);
            left += width + px(kMargin);
        }
    }

    const int32_t bottomTop = bottomLimit - px(kBottomHeight);
    const int32_t buttonHeight = px(kButtonHeight);
    const int32_t y = bottomTop + (px(kBottomHeight) - buttonHeight) / 2;
    const int32_t closeLeft = in.width - px(kBottomButtonWidth) - px(kMargin);
    out.close = Place(closeLeft, y, px(kBottomButtonWidth), buttonHeight);
    const int32_t settingLeft = closeLeft - px(kGap) - px(kBottomButtonWidth);
    out.setting = Place(settingLeft, y, px(kBottomButtonWidth), buttonHeight);
    const int32_t helpLeft = settingLeft - px(kGap) - px(kHelpWidth);
    out.help = Place(helpLeft, y, px(kHelpWidth), buttonHeight);
    const int32_t folderWidth = in.openFolderText + px(kFolderButtonExtra);
    out.openFolder = Place(px(kMargin), y, folderWidth, buttonHeight);
    const int32_t statusLeft = px(kMargin) + folderWidth + px(kMargin);
    out.status = Place(statusLeft, y, helpLeft - statusLeft, buttonHeight);

    // The strip sits on the buttons; the preview fills what is left above it.
    const int32_t stripHeight = px(kStripPanelsHeight) + in.scrollBarHeight;
    const int32_t stripTop = bottomTop - stripHeight;
    out.strip = Place(0, stripTop, in.width, stripHeight);
    const int32_t previewTop = rowTop + px(kTextRowHeight) + px(kGap);
    out.preview = Place(0, previewTop, in.width, stripTop - previewTop);
    return out;
}

SizeLimits MainWindowSizeLimits(int32_t twipsPerPixel) {
    const int32_t tpp = twipsPerPixel > 0 ? twipsPerPixel : 15;
    return {{kMinSizeTwips / tpp, kMinSizeTwips / tpp}, {kMaxWidthTwips / tpp, kMaxHeightTwips / tpp}};
}

}  // namespace tessarin
