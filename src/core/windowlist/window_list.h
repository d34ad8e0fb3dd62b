#pragma once
// The rules of the visible-window list: its rows, its running caption, when it refreshes
// and stops, and which class name a picked row stands for. Times are GetTickCount
// milliseconds, which wrap around after 49.7 days.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/ports/capture.h"

namespace tessarin {

inline constexpr char kWindowListTitle[] = "可視ウィンドウ一覧";
inline constexpr char kWindowListStoppedCaption[] = "可視ウィンドウ一覧　-　停止";
inline constexpr char kWindowListHeader[] = "Handle\tlocation\tclass name\ttitle";
inline constexpr uint32_t kWindowListFirstTickMs = 10;
inline constexpr uint32_t kWindowListTickMs = 1000;
inline constexpr uint32_t kWindowListStopAfterMs = 10000;
inline constexpr int kWindowListRefreshSeconds = 2;

// 44 horizontal bars (U+2015).
[[nodiscard]] std::string WindowListSeparator();

// Header, separator, then one row per visible top-level window in enumeration order.
[[nodiscard]] std::vector<std::string> WindowListRows(const Desktop& desktop);

// The caption while refreshing, with the seconds left.
[[nodiscard]] std::string WindowListCaption(uint32_t startMs, uint32_t nowMs);

struct WindowListTickResult {
    bool refill = false;
    // Stop the timer; the list stays as last filled.
    bool stop = false;
    // The timer's next interval; 0 leaves it as it is.
    uint32_t nextIntervalMs = 0;
    std::string caption;
};

[[nodiscard]] WindowListTickResult WindowListTick(uint32_t startMs, uint32_t nowMs);

// The class-name column of a row: the third tab-separated field, "" when there is none.
[[nodiscard]] std::string ClassNameOfRow(std::string_view rowText);

}  // namespace tessarin
