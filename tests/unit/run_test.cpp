// The capture run: its controller driven by scripts, the pace of its looks, the input sampler, the
// range overlay and the pointer panel's texts.

#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "core/capture/dispatcher.h"
#include "core/run/input_sampler.h"
#include "core/run/pointer_panel.h"
#include "core/run/range_overlay.h"
#include "core/run/run_controller.h"
#include "core/run/tick_pace.h"
#include "support/fake_capture.h"
#include "support/fake_filesystem.h"
#include "support/fake_run.h"
#include "support/iconv_codepage.h"

namespace tessarin::test {
namespace {

const std::map<std::string, int> kVk = {{"-", 0},    {"L", 1},      {"Shift", 16}, {"Ctrl", 17},  {"Alt", 18},
                                        {"Esc", 27}, {"Space", 32}, {"Left", 37},  {"Right", 39}, {"PrtSc", 44},
                                        {"Del", 46}, {"A", 65},     {"C", 67},     {"D", 68},     {"S", 83}};
using R = RunController;
const std::map<std::string, void (R::*)()> kClicks = {{"go", &R::cmdGo_Click},   {"stop", &R::cmdStop_Click},
                                                      {"add", &R::cmdAdd_Click}, {"setting", &R::SetSetting},
                                                      {"back", &R::EndSetting},  {"end", &R::RequestEnd}};

// A run controller with its fakes, driven by a script of steps.
struct RunWorld {
    RunJournal journal;
    FakeKeyState keys;
    FakeOverlayWindow overlay{journal};
    FakeDesktop desktop;
    FakeAccessibility accessibility;
    FakeRunHost host{journal};
    FakeShell shell{journal};
    FakeListCommands list{journal, host};
    Settings settings;
    CommandLineFlags flags;
    KeyNameTable names = BuildKeyNameTable();
    IconvCodePage codePage;
    FakeFileSystem fs;
    PathContext paths{fs, "C:\\T"};
    std::string ticks;  // what each "tick" said: '!' it saw something, '.' all was still
    RunController run{RunContext{host, list, keys, overlay, desktop, accessibility, settings, flags, names, codePage,
                                 paths, shell, "C:\\W", 15, 15}};

    RunWorld() {
        ResetSettings(settings);
        settings.captureSound = 0;
        for (const char* file : {"C:\\T\\chimes.wav", "C:\\W\\media\\chimes.wav", "C:\\W\\media\\notify.wav"})
            fs.addFile(file);
        desktop.windows = {{0x20, "Notepad", "Pad"}, {0x110, "TessarinPicList", "", {}, true, false, "", 0x100}};
        desktop.cursor = keys.cursor;
        desktop.underPointer = 0x20;
        desktop.foreground = 0x100;  // the main window
        accessibility.add(keys.cursor, Named("OK"));
        run.SampleBaseline();
        run.SetIdleTimer(true);
    }

    // "Ctrl+C": a run pass with exactly these keys held ("-": none); "~Esc": an idle tick; "hold=Shift": a key
    // held from now on, with no pass;
    // ">Del,stop": steps taken while the next step lets messages run; "." clears the journal.
    RunJournal Run(std::string_view script) {
        for (const std::string& s : SplitAll(script, " ")) {
            if (s == ".") journal.clear();
            if (s[0] == '>') host.onMessages = [this, s] { (void)Run(ReplaceAll(s.substr(1), ",", " ")); };
            if (kClicks.count(s) != 0) (run.*kClicks.at(s))();
            if (s == "tick") ticks.push_back(run.Tick() ? '!' : '.');
            if (s == "manual") settings.autoListing = 0;
            if (s == "nolisting") flags.nolisting = 1;
            if (s == "space") settings.space = 1;
            if (s == "sound") settings.captureSound = 1;
            if (s == "word") flags.sound = 1;  // the command word turns sounds on
            if (s == "silent") settings.chime = "none.wav";
            if (s == "minimize") settings.minimize = 1;
            if (s == "copy=D") settings.hotkeyCopy = "D";
            if (s.starts_with("pos=")) settings.pos = std::stoi(s.substr(4));
            if (s.starts_with("caption=")) host.caption = s.substr(8);
            if (s == "away") desktop.foreground = 0x999;
            if (s == "move") keys.cursor = Point{110, 230};
            if (s == "own") desktop.underPointer = 0x110;  // the strip, a child of the main window
            if (s == "closing" || s == "closed") run.SetClosing(s == "closing");
            if (s == "cancel" || s == "error") host.outcome.result = s == "cancel" ? kCaptureCancel : kCaptureError;
            if (s == "named") host.outcome.result = "Button_OK";
            if (s == "download") host.outcome = CaptureOutcome{"cat.jpg", true};
            if (s == "nothing") host.outcome = CaptureOutcome{std::string(kCaptureError), false, "took nothing"};
            if (s == "pale") host.outcome.warning = "pale";
            if (s == "admin")
                desktop.windows.push_back(
                    {0x777, "TaskManagerWindow", "", {}, true, true, "", 0, {}, {}, false, false, true}),
                    desktop.foreground = 0x777;
            if (s.starts_with("hold=")) keys.held = {kVk.at(s.substr(5))};
            if (s.starts_with("tap=")) keys.taps = {kVk.at(s.substr(4))};  // pressed and let go since the last look
            if (s == "state") journal.push_back("state " + run.runState());
            if (s == "where") journal.push_back(PairText(overlay.placed.width, overlay.placed.height));
            if (s == "typing") host.typing = true;
            if (s == "fore") journal.push_back("fore " + host.panel.foreground);
            if (s == "panel")
                journal.push_back(host.panel.state + " " + host.panel.event + " " + host.panel.key + host.panel.mouse);
            if (s[0] != '~' && s[0] != '-' && (s[0] < 'A' || s[0] > 'Z')) continue;
            keys.held.clear();
            for (const std::string& k : SplitAll(s.substr(s[0] == '~' ? 1 : 0), "+")) keys.held.insert(kVk.at(k));
            s[0] == '~' ? run.IdleTick() : run.RunPass();
        }
        return journal;
    }
};

TEST(RunController, Scripts) {
    const std::string strip = "strip C:\\T\\data\\ウィンドウ__OK Pad";
    const std::string done = "status キャプチャー完了";
    const std::string ends = "overlay unload|status Stop|go on|add off";
    const std::string window = "status |capture window|unlisted|";
    const std::string waits = "add on|frame 3|" + done;
    const std::vector<std::pair<std::string, std::string>> cases = {
        // Start and end of a run; a second start, even from inside the first, is refused.
        {"minimize >go go go stop tick ~Del", "frame 1|go off|minimise|status Go|frame 0|" + ends + "|delete"},
        {"go . end tick ~Del", ends + "|unload"},
        {"go . >Del,stop -", "frame 0|" + ends},  // no pass inside a pass; a stop then ends the run with it
        // No pass while the settings dialog is open; an end requested meanwhile (the watched window went) waits
        // for the dialog, so the main window is not closed under it, and is carried out when it closes.
        {"go . setting Del - end state back Del", "state Setting|" + ends + "|unload"},
        {"setting end state back state", "state Setting|state End"},
        {"setting ~Del ~- ~Ctrl+S ~- ~Right ~- back ~Del", "delete"},  // nor an idle key
        // The sounds: the program folder first, then the media folder, else nothing.
        {"sound named go . Ctrl+C",
         window + "strip C:\\T\\data\\Button_OK Pad|add off|frame 1|" + done + "|sound C:\\T\\chimes.wav"},
        {"word silent manual go Ctrl+C",
         "frame 1|go off|status Go|sound C:\\W\\media\\notify.wav async|" + window + waits},
        // Key-down rows of a run pass; a range key released without its press fixes nothing.
        {"go . Shift move Shift - where", "status |overlay topmost|overlay show|frame 2| 150 - 450"},
        {"go . C - Ctrl+C", "status |" + window + strip + "|add off|frame 1|" + done},
        // Ctrl pressed and let go between two looks, with C: the capture goes with the Ctrl the same look saw.
        {"go . tap=Ctrl C", window + strip + "|add off|frame 1|" + done},
        {"go . Ctrl+S - S - Del - Left - Right - Shift+A Shift -",
         "status |save|status |status |delete|status |step -1|status |step 1|status "},
        // Esc ends a run; in idle the first Esc after that only clears the mark, and none starts a run while the
        // settings dialog is open.
        {"go . Esc ~- setting ~Esc back ~- ~Esc ~Del ~- ~Esc",
         "status |restore|" + ends + "|delete|frame 1|go off|status Go"},
        // Key-up rows, the left button, the fixed range and a capture that ends in a marker.
        {"manual go Ctrl+C - . Space - space Space -", "status |status |" + strip + "|add off|frame 1"},
        {"manual go PrtSc - . Alt+PrtSc Alt", "status |capture snapshot_alt|unlisted|" + waits},
        // A snapshot is kept whatever MyCapture reports.
        {"error go . PrtSc -", "status |capture snapshot|unlisted|" + strip + "|add off|frame 1|" + done},
        {"go Shift Shift+L - . L", "overlay hide|status "},
        {"go Shift Shift+L - own . L", "overlay hide"},  // a press on our own strip keeps its status
        // Nothing of the run acts while the closing question is open; afterwards it goes on.
        {"go closing . Ctrl+C - ~Esc ~Del add go", ""},
        {"go closing Ctrl+C - closed . Ctrl+C", window + strip + "|add off|frame 1|" + done},
        {"go closing Ctrl+C closed . Ctrl+C", ""},  // keys held under the question are no presses after it
        {"manual go Shift - . Ctrl+C", "status |capture rect|unlisted|add on|frame 3|overlay hide|" + done},
        {"manual go Shift - stop tick go . Ctrl+C", window + waits},  // no fixed range outlives its run
        // After a marker only the position labels change; no status, no sound.
        {"go Shift - A cancel move Ctrl+C Ctrl+C . panel", "2 KEY_DOWN 41 110 - 230"},
        {"sound go Shift - error . Ctrl+C", "status |capture rect|cleared|add off|overlay hide"},
        // A capture that took nothing says so instead of "キャプチャー完了", the desktop's too.
        {"nothing sound go . Ctrl+C", "status |capture window|status took nothing|cleared|add off"},
        {"nothing sound go . PrtSc -", "status |capture snapshot|status took nothing|cleared|add off"},
        // What the user should know of a capture is told once a session.
        {"pale go . Ctrl+C - pale Ctrl+C",
         window + strip + "|add off|frame 1|" + done + "|warn pale|" + window + strip + "|add off|frame 1|" + done},
        // An administrator's window in front keeps the keys from us: the status line says so once,
        // the pointer panel while it stays in front.
        {"go . admin - - fore", "status 管理者ウィンドウではキー無効|fore 777 管理者"},
        {"go . - fore", "fore 100"},
        // Listing after a capture; the capture key and the target kind as the settings say now.
        {"manual nolisting download go . Ctrl+C",  // a downloaded image is listed at once
         window + "strip C:\\T\\data\\cat.jpg Pad saved|add off|frame 1|status cat.jpg をダウンロード&保存|" + done},
        {"manual go Ctrl+C - . >add add", strip + "|add off|frame 1"},  // a click while adding adds nothing
        {"manual go Ctrl+C - Shift . add -", "overlay show|frame 2"},   // a new range discards the waiting capture
        {"manual go . copy=D Ctrl+C - Ctrl+D", "status |" + window + waits},
        {"manual pos=3 go . Ctrl+C", "status |capture tooltips|unlisted|" + waits},
        {"manual pos=9 caption=パーツ部位 go . Ctrl+C", "status |capture parts|unlisted|" + waits},
        {"nolisting pos=9 caption= go . Ctrl+C", window + waits},
        // Keys typed into our text boxes edit the text: no delete, no step, no add; elsewhere they act.
        {"typing ~Left ~- ~Right ~Del ~-", "no delete"},
        {"typing go Del - Left - Right - . space manual Ctrl+C - Space -", window + waits + "|status "},
        // In another program's box they are that program's; only Space adds, as ever.
        {"typing away go . space manual Ctrl+C - Space -", window + waits + "|status |" + strip + "|add off|frame 1"},
        // Idle keys; the arrows act only while the main window is in front.
        {"~Left ~- ~Right ~Del ~Ctrl+S ~S ~- ~S ~- ~Ctrl+C ~- ~Space away ~Left ~Right", "step -1|step 1|delete|save"},
    };
    for (const auto& [script, expected] : cases) {
        RunWorld world;
        EXPECT_EQ(world.Run(script), expected.empty() ? RunJournal{} : SplitAll(expected, "|")) << script;
    }
}

// The run looks rarely only while nothing happens and nothing is held: a key held through the
// slow looks would otherwise be let go unseen.
TEST(RunController, TicksTellWhetherTheyMetAnything) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"tick tick", ".."},                      // idle, all still
        {"hold=Shift tick tick", "!!"},           // a key held down (idle ticks sample too)
        {"tick move tick tick", ".!."},           // the pointer moved once
        {"go tick tick stop tick tick", "..!."},  // the end of a run is something
        {"go hold=Ctrl tick", "!"},               // held during a run
        {"setting tick hold=Shift back", "."},    // nothing is sampled behind the dialog
    };
    for (const auto& [script, expected] : cases) {
        RunWorld w;
        (void)w.Run(script);
        EXPECT_EQ(w.ticks, expected) << script;
    }
}

TEST(TickPace, AWatchThatNoLongerHearsTheInputIsDeaf) {
    // last input, last heard, deaf
    const std::tuple<uint32_t, uint32_t, bool> cases[] = {
        {1000, 1000, false},
        {1250, 1000, false},
        {1251, 1000, true},
        {900, 1000, false},
        // Across the wrap of the tick counter, both ways.
        {100, 0xFFFFFFF0U, false},
        {300, 0xFFFFFFF0U, true},
        {0xFFFFFFF0U, 100, false},
    };
    for (const auto& [input, heard, deaf] : cases) EXPECT_EQ(WatchIsDeaf(input, heard), deaf) << input << " " << heard;
}

TEST(TickPace, FastWhileAnythingHappensRareOnceStillAndFastAgainOnInput) {
    TickPace pace;
    const std::vector<std::tuple<bool, uint64_t, uint32_t>> steps = {
        {true, 5000, TickPace::kBusyMs},   {false, 5010, TickPace::kBusyMs},  {false, 5999, TickPace::kBusyMs},
        {false, 6000, TickPace::kStillMs}, {false, 6500, TickPace::kStillMs}, {true, 7000, TickPace::kBusyMs},
        {false, 100, TickPace::kBusyMs},  // the clock went back: not taken as a long stillness
    };
    for (const auto& [activity, now, interval] : steps) {
        SCOPED_TRACE(now);
        EXPECT_EQ(pace.AfterTick(activity, now), interval);
        EXPECT_EQ(pace.Still(), interval == TickPace::kStillMs);
    }
    (void)pace.AfterTick(false, 2000);
    ASSERT_TRUE(pace.Still());
    EXPECT_EQ(pace.Wake(2100), TickPace::kBusyMs);
    EXPECT_FALSE(pace.Still());
    EXPECT_EQ(pace.AfterTick(false, 3000), TickPace::kBusyMs) << "a second since the wake has not passed";
    EXPECT_EQ(pace.AfterTick(false, 3100), TickPace::kStillMs);
}

// The keys held, the keys whose "pressed since the last query" bit is set, and what is reported.
using KeySample = std::tuple<std::set<int>, std::set<int>, std::string, int32_t>;

TEST(InputSampler, ReportsOneChangePerSample) {
    // Each case: the keys held at the baseline, then the samples.
    const std::vector<std::pair<std::set<int>, std::vector<KeySample>>> cases = {
        {{}, {{{}, {}, "MV", 0}, {{65}, {}, "KEY_DOWN", 65}, {{65}, {}, "MV", 0}, {{}, {}, "KEY_UP", 65}}},
        {{}, {{{17, 67}, {}, "KEY_DOWN", 67}, {{17}, {}, "KEY_UP", 67}}},  // Ctrl+C in one pass reports C
        {{}, {{{1}, {}, "LEFT_DOWN", 1}, {{2}, {}, "RIGHT_DOWN", 2}, {{4}, {}, "MIDDLE_DOWN", 4}}},
        {{1, 2, 4}, {{{2, 4}, {}, "LEFT_UP", 1}, {{4}, {}, "RIGHT_UP", 2}, {{}, {}, "MIDDLE_UP", 4}}},
        {{16, 65}, {{{16, 65}, {}, "MV", 0}, {{16}, {}, "KEY_UP", 65}}},  // held at the baseline: no press
        // The toggle key gives only the pressed bit, and that bit beats any change.
        {{}, {{{244}, {}, "KEY_DOWN", 244}, {{}, {243}, "KEY_DOWN", 243}, {{65}, {244}, "KEY_DOWN", 244}}},
        {{}, {{{5}, {}, "MV", 0}, {{5, 16, 160}, {}, "KEY_DOWN", 16}}},  // unnamed keys are never reported
    };
    const KeyNameTable names = BuildKeyNameTable();
    for (const auto& [baseline, samples] : cases) {
        FakeKeyState keys;
        SamplerState state{77, {}};
        KeyStateTable table;
        keys.held = baseline;
        EXPECT_EQ(SampleInput(state, table, names, keys, true), "");
        EXPECT_EQ(state.keyCode, 77) << "a baseline leaves the key code alone";
        for (const auto& [held, taps, event, code] : samples) {
            keys.held = held;
            keys.taps = taps;
            const std::string word = SampleInput(state, table, names, keys, false);
            EXPECT_EQ(word + " " + std::to_string(state.keyCode), event + " " + std::to_string(code));
        }
    }
}

TEST(RangeOverlay, DragsInEveryDirection) {
    // Pointer moves in pixels after the range key went down at (100, 200); the range in pixels and its middle.
    const std::vector<std::tuple<std::vector<Point>, Rect, Point>> cases = {
        {{}, {100, 200, 101, 201}, {100, 200}},                        // press and release: 1 x 1
        {{{130, 260}, {110, 230}}, {100, 200, 110, 230}, {105, 215}},  // each move places afresh
        {{{90, 180}}, {90, 179, 100, 200}, {95, 190}},                 // going up: one pixel above the pointer
        {{{110, 180}}, {100, 179, 110, 200}, {105, 190}},
        {{{90, 230}}, {90, 200, 100, 230}, {95, 215}},
    };
    for (const auto& [moves, rect, centre] : cases) {
        RunJournal journal;
        FakeOverlayWindow window(journal);
        RangeOverlay overlay(window, true, 15, 15);
        overlay.Start(Point{1500, 3000});
        EXPECT_EQ(journal, RunJournal{"overlay topmost"}) << "not shown under the pointer";
        for (const Point p : moves) overlay.Move(Point{p.x * 15, p.y * 15});
        overlay.End();
        EXPECT_EQ(overlay.RectanglePixels(), rect);
        EXPECT_EQ(overlay.CentrePixels(), centre);
        overlay.Init();
        EXPECT_EQ(overlay.mode(), kRangeNone);
        EXPECT_EQ(window.placed.width + window.placed.height, 30) << "hidden at one pixel";
        EXPECT_EQ(journal, (RunJournal{"overlay topmost", "overlay show", "overlay hide"}));
    }
}

// A range being drawn when the screen's scale changes (96 to 144 dpi and back) keeps its
// corner on the same pixel; the pointer positions arrive in the new scale.
TEST(RangeOverlay, KeepsItsCornerAcrossAScaleChange) {
    for (const bool transparent : {true, false}) {
        RunJournal journal;
        FakeOverlayWindow window{journal};
        RangeOverlay overlay(window, transparent, 15, 15);
        overlay.Start(Point{300 * 15, 300 * 15});
        window.tpp = 10;
        overlay.SetScale(10, 10);
        overlay.Move(Point{400 * 10, 380 * 10});
        overlay.End();
        EXPECT_EQ(overlay.RectanglePixels(), (Rect{300, 300, 400, 380})) << transparent;
    }
}

TEST(RangeOverlay, FocusRectangleErasesWhatItDrew) {
    RunJournal journal;
    FakeOverlayWindow window(journal);
    RangeOverlay overlay(window, false, 2, 2);  // quotients of a half occur: 5 / 2 gives 2, 7 / 2 gives 4
    overlay.Start(Point{9, 7});
    overlay.Move(Point{5, 20});
    overlay.Move(Point{30, 3});
    overlay.End();
    const Rect first{2, 4, 4, 10}, second{4, 2, 15, 4};
    EXPECT_EQ(overlay.RectanglePixels(), second);
    overlay.Init();
    overlay.Start(Point{9, 7});  // fixed without a move: nothing drawn, nothing to erase
    overlay.End();
    overlay.Init();
    overlay.Start(Point{9, 7});
    overlay.Move(Point{5, 20});
    overlay.Unload();  // a run that ends with a range on the screen takes it away
    EXPECT_EQ(window.focusRects, (std::vector<Rect>{first, first, second, second, first, first}));
    EXPECT_EQ(journal, RunJournal{"overlay unload"}) << "the window is never shown";
}

TEST(PointerPanel, PairTextAndProposedNames) {
    EXPECT_EQ(PairText(12, 345) + "|" + PairText(12345, -7), "  12 - 345|12345 -  -7");  // long numbers are not cut
    const std::string longKind = "0123456789012345678901234567890123";                   // 34 characters
    const std::string longPart = "あいうえおかきくけこさしすせそたちつてとなにぬ";       // 23 characters
    // Word, target button caption, accessible name under the pointer, window under the pointer; txtWinText and
    // txtFileName.
    const std::vector<std::tuple<const char*, std::string, std::string, WindowId, std::string>> cases = {
        {"window", "ウィンドウ", "a/b:c", 0x22, "メモ帳 ウィンドウ__a／b：c"},
        {"snapshot", longKind, longPart, 0x22,
         "メモ帳 " + longKind.substr(0, 30) + "__あいうえおかきくけこさしすせそたちつてと"},
        {"window", "", "x", 0x22, "メモ帳 メモ帳__x"},
        {"window", "ウィンドウ", "OK", 0, "Desktop ウィンドウ__OK"},
        {"class", "クラス指定", "OK", 0x22, "メモ帳 クラス指定__Notepad"},
        {"tooltips", "ツールチップ", "OK", 0x22, "メモ帳 ツールチップ__Save the file"},
        {"rect", "ウィンドウ", "OK", 0x22, "Desktop ウィンドウ__OK"},  // looked up under the range, not the pointer
        {"window", "ウィンドウ", "OK", 1, "loop ウィンドウ__OK"},      // a parent loop ends
    };
    FakeDesktop desktop;
    desktop.windows = {{0x20, "Notepad", "メモ帳"},
                       {0x22, "Button", "", {}, true, false, "", 0x20},
                       {0x40, "tooltips_class32", "", {}, true, true, "Save the file"},
                       {1, "A", "loop", {}, true, false, "", 2},
                       {2, "B", "loop", {}, true, false, "", 1}};
    for (const auto& [word, caption, part, under, expected] : cases) {
        desktop.underPointer = under;
        FakeAccessibility accessibility;
        accessibility.add(desktop.cursor, Named(part));
        const CaptureNameProposal p = ProposeCaptureName(word, caption, "Notepad", Point{5, 6}, desktop, accessibility);
        EXPECT_EQ(p.winText + " " + p.fileName, expected);
    }
}

}  // namespace
}  // namespace tessarin::test
