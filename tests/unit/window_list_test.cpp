#include "core/windowlist/window_list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/text/text.h"

namespace tessarin::test {
namespace {

struct FakeWindow {
    WindowId id = 0;
    bool visible = true;
    std::string className;
    std::string title;
    Rect rect;
};

// Top-level windows in enumeration order; everything else answers neutrally.
class FakeDesktop : public Desktop {
public:
    std::vector<FakeWindow> windows;

    Point cursorPos() const override { return {}; }
    WindowId windowFromPoint(Point) const override { return 0; }
    WindowId foregroundWindow() const override { return 0; }
    std::string className(WindowId w) const override { return Find(w).className; }
    std::string windowText(WindowId w) const override { return Find(w).title; }
    std::string controlText(WindowId w) const override { return Find(w).title; }
    WindowId parent(WindowId) const override { return 0; }
    Rect windowRect(WindowId w) const override { return Find(w).rect; }
    bool isVisible(WindowId w) const override { return Find(w).visible; }
    std::vector<WindowId> topLevelWindows() const override {
        std::vector<WindowId> ids;
        for (const FakeWindow& w : windows) ids.push_back(w.id);
        return ids;
    }
    int osPlatformId() const override { return 2; }
    float osVersionNumber() const override { return 6.1F; }
    int32_t screenWidth() const override { return 1280; }
    int32_t screenHeight() const override { return 1024; }

private:
    const FakeWindow& Find(WindowId id) const {
        static const FakeWindow kNone;
        for (const FakeWindow& w : windows) {
            if (w.id == id) return w;
        }
        return kNone;
    }
};

constexpr char kSeparator[] = "――――――――――――――――――――――――――――――――――――――――――――";

TEST(WindowListRows, HeaderSeparatorThenOneRowPerVisibleWindowInOrder) {
    FakeDesktop desktop;
    desktop.windows = {
        {65568, true, "Notepad", "memo - 1.txt", {12, 34, 1290, 1010}},
        {65570, false, "Hidden", "not listed", {0, 0, 10, 10}},
        {123456789, true, "ThunderRT6FormDC", "可視\tタブ", {-32000, -32000, -31840, -31972}},
        {7, true, "#32770", "", {0, 0, 0, 0}},
        {12345678, true, "", "no class", {100000, 5, 100001, 12345}},
    };
    const std::vector<std::string> expected = {
        "Handle\tlocation\tclass name\ttitle",
        kSeparator,
        "   65568\t   12,  34 -  1290,1010\tNotepad\tmemo - 1.txt",
        // A number wider than its field is not cut.
        "123456789\t-32000,-32000 - -31840,-31972\tThunderRT6FormDC\t可視\tタブ",
        "       7\t    0,   0 -     0,   0\t#32770\t",
        "12345678\t100000,   5 - 100001,12345\t\tno class",
    };
    EXPECT_EQ(WindowListRows(desktop), expected);

    desktop.windows.clear();
    EXPECT_EQ(WindowListRows(desktop), (std::vector<std::string>{expected[0], expected[1]}));
}

TEST(WindowListRows, SeparatorIsFortyFourHorizontalBars) {
    const std::u32string bars = DecodeUtf8(WindowListSeparator());
    EXPECT_EQ(bars, std::u32string(44, U'\u2015'));
    EXPECT_EQ(WindowListSeparator(), kSeparator);
}

TEST(WindowListCaption, CountsTheSecondsLeftRoundedHalfToEven) {
    const struct {
        uint32_t elapsedMs;
        const char* secondsLeft;
    } cases[] = {
        // Halves: 9.5 -> 10, 8.5 -> 8, 7.5 -> 8, 6.5 -> 6, 0.5 -> 0, -0.5 -> 0 (not "-0"); a
        // late tick never counts below 0.
        {0, "10"},   {10, "10"},  {499, "10"}, {500, "10"},  {1500, "8"},  {2500, "8"},  {3500, "6"},
        {7000, "3"}, {9400, "1"}, {9500, "0"}, {10000, "0"}, {10500, "0"}, {11600, "0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WindowListCaption(5000, 5000 + c.elapsedMs),
                  std::string("可視ウィンドウ一覧　-　2 秒間隔で更新　10秒で自動停止　") + c.secondsLeft)
            << c.elapsedMs;
    }
}

TEST(WindowListTick, RefillsOnEvenRoundedSecondsAndStopsAtTheFirstRefillAfterTenSeconds) {
    const std::string stopped = "可視ウィンドウ一覧　-　停止";
    const struct {
        uint32_t elapsedMs;
        bool refill;
        bool stop;
        uint32_t nextIntervalMs;
    } cases[] = {
        {0, true, false, 1000},    {10, true, false, 1000},  {500, true, false, 1000},  {501, false, false, 0},
        {1010, false, false, 0},   {1499, false, false, 0},  {1500, true, false, 1000}, {2010, true, false, 1000},
        {2500, true, false, 1000}, {2501, false, false, 0},  {8010, true, false, 1000}, {9010, false, false, 0},
        {9990, true, false, 1000}, {10000, true, true, 0},   {10010, true, true, 0},    {10500, true, true, 0},
        {10501, false, false, 0},  {11010, false, false, 0}, {11600, true, true, 0},    {60000, true, true, 0},
    };
    // The same answers wherever the tick counter stands, across its wrap-around too.
    for (const uint32_t start : {0U, 5000U, 0xFFFFFFFFU - 500U, 0xFFFFFFFFU - 9999U, 0xFFFFFFFFU}) {
        for (const auto& c : cases) {
            const uint32_t now = start + c.elapsedMs;
            const WindowListTickResult tick = WindowListTick(start, now);
            EXPECT_EQ(tick.refill, c.refill) << start << " " << c.elapsedMs;
            EXPECT_EQ(tick.stop, c.stop) << start << " " << c.elapsedMs;
            EXPECT_EQ(tick.nextIntervalMs, c.nextIntervalMs) << start << " " << c.elapsedMs;
            EXPECT_EQ(tick.caption, c.stop ? stopped : WindowListCaption(start, now)) << start << " " << c.elapsedMs;
        }
    }
}

TEST(WindowListTick, ATimerRunFillsEveryTwoSecondsAndEndsBetweenTenAndTwelveSeconds) {
    const struct {
        uint32_t start;
        uint32_t lateMs;  // how late each 1000 ms tick arrives
        size_t refills;
    } runs[] = {{0, 0, 6}, {0xFFFFF000U, 0, 6}, {1234, 15, 6}, {0xFFFFFFFFU - 2000U, 60, 7}};
    for (const auto& run : runs) {
        uint32_t now = run.start;
        uint32_t interval = kWindowListFirstTickMs;
        std::vector<uint32_t> refills;
        bool stopped = false;
        for (int tick = 0; tick < 100 && !stopped; ++tick) {
            now += interval + (tick > 0 ? run.lateMs : 0);
            const WindowListTickResult result = WindowListTick(run.start, now);
            if (result.refill) refills.push_back((now - run.start) / 1000);
            if (result.nextIntervalMs != 0) interval = result.nextIntervalMs;
            stopped = result.stop;
        }
        ASSERT_TRUE(stopped) << run.start;
        const uint32_t stoppedAfterMs = now - run.start;
        EXPECT_GE(stoppedAfterMs, 10000U) << run.start;
        EXPECT_LE(stoppedAfterMs, 12000U) << run.start;
        EXPECT_EQ(refills.size(), run.refills) << run.start;
        EXPECT_EQ(refills.front(), 0U) << run.start;
    }
}

TEST(ClassNameOfRow, TakesTheThirdTabSeparatedField) {
    const struct {
        std::string row;
        std::string className;
    } cases[] = {
        {"Handle\tlocation\tclass name\ttitle", "class name"},
        {kSeparator, ""},
        {"   65568\t   12,  34 -  1290,1010\tNotepad\tmemo - 1.txt", "Notepad"},
        {"   65568\t   12,  34 -  1290,1010\tメモ帳\tタイトル\tに\tタブ", "メモ帳"},
        {"   65568\t   12,  34 -  1290,1010\tNotepad", "Notepad"},
        {"   65568\t   12,  34 -  1290,1010\t\ttitle", ""},
        {"   65568\t   12,  34 -  1290,1010", ""},
        {"   65568", ""},
        {"", ""},
        {"\t\t\t", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ClassNameOfRow(c.row), c.className) << c.row;
}

}  // namespace
}  // namespace tessarin::test
