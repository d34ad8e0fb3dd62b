#include "core/windowlist/window_list.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/text/text.h"
#include "support/fake_capture.h"

namespace tessarin::test {
namespace {

TEST(WindowList, RowsAreHeaderSeparatorThenTheVisibleWindowsInOrder) {
    EXPECT_EQ(DecodeUtf8(WindowListSeparator()), std::u32string(44, U'\u2015'));
    FakeDesktop desktop;
    desktop.windows = {{65568, "Notepad", "memo - 1.txt", {12, 34, 1290, 1010}},
                       {65570, "Hidden", "not listed", {}, false},
                       {123456789, "ThunderRT6FormDC", "可視\tタブ", {-32000, -32000, -31840, -31972}},
                       {7, "", "", {}}};
    EXPECT_EQ(WindowListRows(desktop),
              (std::vector<std::string>{"Handle\tlocation\tclass name\ttitle", WindowListSeparator(),
                                        "   65568\t   12,  34 -  1290,1010\tNotepad\tmemo - 1.txt",
                                        "123456789\t-32000,-32000 - -31840,-31972\tThunderRT6FormDC\t可視\tタブ",
                                        "       7\t    0,   0 -     0,   0\t\t"}));
}

TEST(WindowList, TickRefillsOnEvenRoundedSecondsAndStopsAtTheFirstRefillAfterTenSeconds) {
    // elapsed ms, refill, stop, seconds left (9.5 -> 10, 8.5 -> 8, 7.5 -> 8, 0.5 -> 0; never below 0)
    const std::tuple<uint32_t, bool, bool, const char*> cases[] = {
        {0, true, false, "10"},   {500, true, false, "10"},   {501, false, false, "9"}, {1500, true, false, "8"},
        {2500, true, false, "8"}, {2501, false, false, "7"},  {9500, true, false, "0"}, {10000, true, true, ""},
        {10500, true, true, ""},  {10501, false, false, "0"}, {11600, true, true, ""},
    };
    const std::string countdown = "可視ウィンドウ一覧　-　2 秒間隔で更新　10秒で自動停止　";
    // The same answers wherever the tick counter stands, across its wrap-around too.
    for (const uint32_t start : {5000U, 0xFFFFFFFFU - 500U, 0xFFFFFFFFU - 9999U}) {
        for (const auto& [elapsedMs, refill, stop, left] : cases) {
            const WindowListTickResult tick = WindowListTick(start, start + elapsedMs);
            // A refill that does not stop sets the 1000 ms interval after the first 10 ms tick.
            EXPECT_EQ(std::tuple(tick.refill, tick.stop, tick.nextIntervalMs, tick.caption),
                      std::tuple(refill, stop, refill && !stop ? 1000U : 0U,
                                 stop ? "可視ウィンドウ一覧　-　停止" : countdown + left))
                << start << " + " << elapsedMs;
        }
    }
}

TEST(WindowList, PickedRowGivesItsThirdTabSeparatedField) {
    const std::pair<std::string, std::string> cases[] = {
        {kWindowListHeader, "class name"},
        {WindowListSeparator(), ""},
        {"   65568\t   12,  34 -  1290,1010\tメモ帳\tタイトル\tに\tタブ", "メモ帳"},
        {"   65568\t   12,  34 -  1290,1010\tNotepad", "Notepad"},
        {"   65568\t   12,  34 -  1290,1010", ""},
    };
    for (const auto& [row, className] : cases) EXPECT_EQ(ClassNameOfRow(row), className) << row;
}

}  // namespace
}  // namespace tessarin::test
