#include "core/windowlist/window_list.h"

#include <algorithm>

#include "core/capture/window_queries.h"
#include "core/text/text.h"

namespace tessarin {

namespace {

constexpr char kRunningCaptionHead[] = "可視ウィンドウ一覧　-　";
constexpr char kRunningCaptionPeriod[] = " 秒間隔で更新　";
constexpr char kRunningCaptionStop[] = "秒で自動停止　";
constexpr char kHorizontalBar[] = "\u2015";
constexpr int kSeparatorLength = 44;
constexpr size_t kHandleWidth = 8;

// GetTickCount wraps around every 2^32 ms; the unsigned difference stays right across it.
uint32_t ElapsedMs(uint32_t startMs, uint32_t nowMs) { return nowMs - startMs; }

std::string RightAligned(std::string text, size_t width) {
    if (text.size() < width) text.insert(0, width - text.size(), ' ');
    return text;
}

}  // namespace

std::string WindowListSeparator() {
    std::string separator;
    for (int i = 0; i < kSeparatorLength; ++i) separator += kHorizontalBar;
    return separator;
}

std::vector<std::string> WindowListRows(const Desktop& desktop) {
    const std::vector<WindowId> windows = FindVisibleWindows(desktop, "*", "");
    std::vector<std::string> rows;
    rows.reserve(windows.size() + 1);
    rows.emplace_back(kWindowListHeader);
    rows.push_back(WindowListSeparator());
    // Entry 0 of the window list carries no window.
    for (size_t i = 1; i < windows.size(); ++i) {
        const WindowId w = windows[i];
        std::string row = RightAligned(std::to_string(w), kHandleWidth);
        row += '\t';
        row += WindowRectText(desktop.windowRect(w));
        row += '\t';
        row += desktop.className(w);
        row += '\t';
        row += desktop.windowText(w);
        rows.push_back(std::move(row));
    }
    return rows;
}

// A late tick after the stop time would count below zero; a countdown ends at 0.
std::string WindowListCaption(uint32_t startMs, uint32_t nowMs) {
    const double elapsed = ElapsedMs(startMs, nowMs);
    const int32_t secondsLeft = std::max(0, RoundHalfEven((kWindowListStopAfterMs - elapsed) / 1000.0));
    std::string caption = kRunningCaptionHead;
    caption += std::to_string(kWindowListRefreshSeconds);
    caption += kRunningCaptionPeriod;
    caption += std::to_string(kWindowListStopAfterMs / 1000);
    caption += kRunningCaptionStop;
    caption += std::to_string(secondsLeft);
    return caption;
}

// The list is filled on the ticks whose elapsed whole seconds (rounded) are even, which
// with a 1000 ms timer is every second tick; the first refill at or after the stop time
// is the last one.
WindowListTickResult WindowListTick(uint32_t startMs, uint32_t nowMs) {
    const uint32_t elapsed = ElapsedMs(startMs, nowMs);
    WindowListTickResult result;
    result.caption = WindowListCaption(startMs, nowMs);
    result.refill = RoundHalfEven(elapsed / 1000.0) % 2 == 0;
    if (!result.refill) return result;
    if (elapsed < kWindowListStopAfterMs) {
        result.nextIntervalMs = kWindowListTickMs;
    } else {
        result.stop = true;
        result.caption = kWindowListStoppedCaption;
    }
    return result;
}

std::string ClassNameOfRow(std::string_view rowText) {
    // Fields past the third are dropped, so tabs inside a title do not move the class.
    for (int field = 0; field < 2; ++field) {
        const size_t tab = rowText.find('\t');
        if (tab == std::string_view::npos) return "";
        rowText.remove_prefix(tab + 1);
    }
    return std::string(rowText.substr(0, rowText.find('\t')));
}

}  // namespace tessarin
