#include "core/run/run_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "core/app/command_line.h"
#include "core/capture/dispatcher.h"
#include "core/settings/key_names.h"
#include "core/settings/settings.h"
#include "support/fake_filesystem.h"
#include "support/fake_run.h"
#include "support/iconv_codepage.h"

namespace tessarin::test {
namespace {

constexpr int kShift = 16;
constexpr int kCtrl = 17;
constexpr int kAlt = 18;
constexpr int kEsc = 27;
constexpr int kSpace = 32;
constexpr int kLeft = 37;
constexpr int kRight = 39;
constexpr int kPrintScreen = 44;
constexpr int kDelete = 46;
constexpr int kC = 67;
constexpr int kD = 68;
constexpr int kS = 83;

const std::string kProgram = "C:\\Tessarin";
const std::string kWindows = "C:\\Windows";
const std::string kStrip = "strip C:\\Tessarin\\data\\ウィンドウ__OK | メモ帳";

class RunTest : public ::testing::Test {
protected:
    RunJournal journal;
    FakeKeyState keys;
    FakeOverlayWindow overlay{journal};
    FakeRunDesktop desktop;
    FakeRunAccessibility accessibility;
    FakeRunHost host{journal};
    Settings settings;
    CommandLineFlags flags;
    KeyNameTable names = BuildKeyNameTable();
    IconvCodePage codePage;
    FakeFileSystem fs;
    PathContext paths{fs, kProgram};
    std::unique_ptr<RunController> run;

    void SetUp() override {
        ResetSettings(settings);
        fs.addFolder(kProgram);
        fs.addFolder(kProgram + "\\data");
        fs.addFolder(kWindows + "\\media");
        desktop.windows[0x20] = {"メモ帳", "Notepad", "", 0};
        desktop.atPoint[{100, 200}] = 0x20;
        accessibility.names[{100, 200}] = "OK";
        keys.cursor = desktop.cursor = Point{100, 200};
        Make();
    }

    void Make() {
        keys.held.clear();
        run = std::make_unique<RunController>(RunContext{host, keys, overlay, desktop, accessibility, settings, flags,
                                                         names, codePage, paths, kWindows, 15, 15});
        run->SampleBaseline();
        run->SetIdleTimer(true);
    }

    void Hold(std::initializer_list<int> held) {
        keys.held.clear();
        for (int vk : held) keys.held[vk] = true;
    }
    void Pass(std::initializer_list<int> held) {
        Hold(held);
        run->RunPass();
    }
    void Idle(std::initializer_list<int> held) {
        Hold(held);
        run->IdleTick();
    }
    void StartRun() {
        run->cmdGo_Click();
        journal.clear();
    }
    // Press and release, one pass each.
    void Press(std::initializer_list<int> held) {
        Pass(held);
        Pass({});
    }
    [[nodiscard]] bool Logged(const std::string& line) const {
        return std::find(journal.begin(), journal.end(), line) != journal.end();
    }
};

const RunJournal kEndSteps = {"overlay unload", "status Stop", "go on", "add off"};
const RunJournal kCaptured = {"status ", "capture window",         "unlisted", kStrip, "add off",
                              "frame 1", "status キャプチャー完了"};

RunJournal Plus(RunJournal a, const RunJournal& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(RunTest, StartAndStop) {
    settings.captureSound = 0;
    run->cmdGo_Click();
    EXPECT_EQ(journal, (RunJournal{"frame 1", "go off", "status Go"}));
    EXPECT_EQ(run->runState(), "Go");
    EXPECT_FALSE(run->idleTimerEnabled());
    EXPECT_EQ(overlay.placed.width, 0);

    journal.clear();
    run->cmdGo_Click();
    EXPECT_TRUE(journal.empty()) << "a second start is refused";

    run->cmdStop_Click();
    EXPECT_EQ(journal, (RunJournal{"frame 0"}));
    journal.clear();
    run->Tick();
    EXPECT_EQ(journal, kEndSteps);
    EXPECT_EQ(run->runState(), "");
    EXPECT_FALSE(run->runActive());
    EXPECT_TRUE(run->idleTimerEnabled());
}

TEST_F(RunTest, StartMinimisesAndPlaysWhenTheSettingsSaySo) {
    settings.minimize = 1;
    settings.captureSound = 1;
    fs.addFile(kWindows + "\\media\\notify.wav");
    run->cmdGo_Click();
    EXPECT_EQ(journal,
              (RunJournal{"frame 1", "go off", "minimise", "status Go", "sound C:\\Windows\\media\\notify.wav async"}));
}

TEST_F(RunTest, EndUnloadsTheMainWindow) {
    StartRun();
    run->RequestEnd();
    run->Tick();
    EXPECT_EQ(journal, Plus(kEndSteps, {"unload"}));
    EXPECT_FALSE(run->idleTimerEnabled());
}

TEST_F(RunTest, KeyDownRows) {
    struct Case {
        const char* name;
        std::vector<int> held;
        bool mainInFront;
        RunJournal expected;
    };
    const std::vector<Case> cases = {
        {"range key", {kShift}, false, {"status ", "overlay show", "overlay topmost"}},
        {"capture key with Ctrl", {kCtrl, kC}, false, kCaptured},
        {"capture key alone", {kC}, false, {"status "}},
        {"Ctrl+S", {kCtrl, kS}, false, {"status ", "save"}},
        {"S alone", {kS}, false, {"status "}},
        {"Delete", {kDelete}, false, {"status ", "delete"}},
        {"Left arrow over the main window", {kLeft}, true, {"status ", "step -1"}},
        {"Right arrow over the main window", {kRight}, true, {"status ", "step 1"}},
        {"arrow over another window", {kRight}, false, {"status "}},
        {"an unbound key", {65}, false, {"status "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        journal.clear();
        Make();
        settings.captureSound = 0;
        StartRun();
        desktop.foreground = c.mainInFront ? host.main : 0x999;
        keys.held.clear();
        for (int vk : c.held) keys.held[vk] = true;
        run->RunPass();
        EXPECT_EQ(journal, c.expected);
        EXPECT_EQ(run->runState(), "Go");
    }
}

TEST_F(RunTest, EscEndsTheRunAndRestoresTheWindow) {
    StartRun();
    host.minimised = true;
    Pass({kEsc});
    EXPECT_EQ(journal, Plus({"status ", "restore"}, kEndSteps)) << "the message frame stays";
    EXPECT_EQ(run->escMarker(), "esc");
    EXPECT_EQ(run->runState(), "");
    EXPECT_TRUE(run->idleTimerEnabled());
}

TEST_F(RunTest, EscTogglesBetweenRunAndIdle) {
    settings.captureSound = 0;
    Idle({kEsc});
    EXPECT_TRUE(run->runActive()) << "Esc in idle starts a run";
    Pass({});
    Pass({kEsc});
    EXPECT_FALSE(run->runActive());
    Idle({});
    Idle({kEsc});
    EXPECT_FALSE(run->runActive()) << "the first Esc after a run ended by Esc only clears the mark";
    EXPECT_EQ(run->escMarker(), "");
    Idle({});
    Idle({kEsc});
    EXPECT_TRUE(run->runActive());

    Pass({});
    run->cmdStop_Click();
    run->Tick();
    Idle({});
    run->SetSetting();
    Idle({kEsc});
    EXPECT_FALSE(run->runActive()) << "no run while the settings dialog is open";
    run->EndSetting();
    Idle({});
    Idle({kEsc});
    EXPECT_TRUE(run->runActive());
}

TEST_F(RunTest, IdleKeys) {
    desktop.foreground = host.main;
    Idle({kLeft});
    Idle({kDelete});
    Idle({kS});
    Idle({});
    Idle({kCtrl, kS});
    Idle({kShift});
    Idle({kCtrl, kC});
    EXPECT_EQ(journal, (RunJournal{"step -1", "delete", "save"}));
    run->SetIdleTimer(false);
    Idle({kDelete});
    EXPECT_EQ(journal.size(), 3U) << "no tick while the idle timer is off";
}

TEST_F(RunTest, RangeKeyDrawsAndFixesARange) {
    settings.captureSound = 0;
    StartRun();
    Pass({kShift});
    keys.cursor = Point{110, 230};
    Pass({kShift});
    EXPECT_EQ(overlay.placed, (TwipsBounds{1500, 3000, 150, 450})) << "MV moves the overlay while drawing";
    Pass({kCtrl, kShift});
    Pass({kCtrl});
    EXPECT_EQ(run->rangeOverlay().mode(), kRangeFixed);
    EXPECT_TRUE(Logged("frame 2"));
    EXPECT_EQ(run->panel().state, "2");
    EXPECT_EQ(run->panel().event, "KEY_UP");

    journal.clear();
    Press({kCtrl, kC});
    EXPECT_EQ(journal.at(1), "capture rect");
    EXPECT_EQ(run->rangeOverlay().mode(), kRangeNone) << "a capture clears the range";
}

TEST_F(RunTest, LeftButtonClearsOnlyAFixedRange) {
    StartRun();
    Pass({kShift});
    Pass({kShift, 1});
    EXPECT_EQ(run->rangeOverlay().mode(), kRangeDrawing);
    EXPECT_FALSE(Logged("overlay hide"));
    Pass({1});
    Pass({});
    journal.clear();
    Pass({1});
    EXPECT_EQ(journal, (RunJournal{"overlay hide", "status "}));
    EXPECT_EQ(run->rangeOverlay().mode(), kRangeNone);
}

TEST_F(RunTest, KeyUpRows) {
    settings.captureSound = 0;
    settings.autoListing = 0;
    StartRun();
    Press({kCtrl, kC});
    EXPECT_TRUE(run->capturePending());
    EXPECT_TRUE(Logged("frame 3"));
    EXPECT_TRUE(Logged("add on"));
    EXPECT_FALSE(Logged(kStrip));

    journal.clear();
    settings.space = 0;
    Press({kSpace});
    EXPECT_EQ(journal, (RunJournal{"status "})) << "Space adds only with the setting";
    settings.space = 1;
    Press({kSpace});
    EXPECT_EQ(journal, (RunJournal{"status ", "status ", kStrip, "add off", "frame 1"}));
    EXPECT_FALSE(run->capturePending());

    journal.clear();
    Press({kPrintScreen});
    EXPECT_EQ(journal,
              (RunJournal{"status ", "capture snapshot", "unlisted", "add on", "frame 3", "status キャプチャー完了"}));
    journal.clear();
    Pass({kAlt, kPrintScreen});
    Pass({kAlt});
    EXPECT_TRUE(Logged("capture snapshot_alt"));
}

TEST_F(RunTest, SnapshotIsKeptEvenAfterAnError) {
    settings.captureSound = 0;
    StartRun();
    host.outcomes.push_back({std::string(kCaptureError), false});
    Press({kPrintScreen});
    EXPECT_TRUE(Logged("unlisted"));
    EXPECT_TRUE(Logged("status キャプチャー完了"));
    EXPECT_EQ(host.file, "ウィンドウ__OK") << "the result does not rename a snapshot";
}

TEST_F(RunTest, CaptureMarkersResetTheRangeQuietly) {
    settings.captureSound = 1;
    fs.addFile(kProgram + "\\chimes.wav");
    StartRun();
    for (std::string_view marker : {kCaptureCancel, kCaptureError}) {
        Press({kShift});
        Pass({65});  // a real event for the panel to keep
        const PanelTexts before = run->panel();
        journal.clear();
        host.outcomes.push_back({std::string(marker), false});
        keys.cursor = Point{7, 8};
        Pass({65, kCtrl, kC});
        EXPECT_EQ(journal, (RunJournal{"status ", "capture rect", "overlay hide"}));
        EXPECT_EQ(run->rangeOverlay().mode(), kRangeNone);
        EXPECT_EQ(run->panel().event, before.event);
        EXPECT_EQ(run->panel().key, before.key);
        EXPECT_EQ(run->panel().mouse, "   7 -   8");
        Pass({});
    }
}

TEST_F(RunTest, CaptureNamesAndListing) {
    struct Case {
        const char* name;
        int32_t autoListing;
        int32_t nolisting;
        CaptureOutcome outcome;
        RunJournal expected;
    };
    const std::string downloaded = "strip C:\\Tessarin\\data\\cat.jpg | メモ帳 | saved";
    const std::vector<Case> cases = {
        {"auto listing", 1, 0, {}, kCaptured},
        {"auto listing off",
         0,
         0,
         {},
         {"status ", "capture window", "unlisted", "add on", "frame 3", "status キャプチャー完了"}},
        {"nolisting word",
         1,
         1,
         {},
         {"status ", "capture window", "unlisted", "add on", "frame 3", "status キャプチャー完了"}},
        {"suggested name",
         1,
         0,
         {"Button_OK", false},
         {"status ", "capture window", "unlisted", "strip C:\\Tessarin\\data\\Button_OK | メモ帳", "add off", "frame 1",
          "status キャプチャー完了"}},
        {"downloaded image is listed at once",
         0,
         1,
         {"cat.jpg", true},
         {"status ", "capture window", "unlisted", downloaded, "add off", "frame 1", "blue",
          "status cat.jpg をダウンロード&保存", "status キャプチャー完了"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.captureSound = 0;
        settings.autoListing = c.autoListing;
        flags.nolisting = c.nolisting;
        Make();
        StartRun();
        host.outcomes.push_back(c.outcome);
        Pass({kCtrl, kC});
        EXPECT_EQ(journal, c.expected);
        EXPECT_EQ(host.text, "メモ帳");
        EXPECT_EQ(run->downloadedImage(), c.outcome.downloadedImage);
    }
}

TEST_F(RunTest, WaitingCaptureIsAddedOnceAndDiscardedByARange) {
    settings.captureSound = 0;
    settings.autoListing = 0;
    StartRun();
    Press({kCtrl, kC});
    journal.clear();
    run->cmdAdd_Click();
    run->cmdAdd_Click();
    EXPECT_EQ(journal, (RunJournal{kStrip, "add off", "frame 1"}));

    Press({kCtrl, kC});
    Pass({kShift});
    EXPECT_FALSE(run->capturePending());
    journal.clear();
    run->cmdAdd_Click();
    EXPECT_TRUE(journal.empty());

    Pass({});
    Press({kCtrl, kC});
    run->cmdStop_Click();
    run->Tick();
    EXPECT_EQ(journal.back(), "add off") << "a run ends with the add button off";
}

TEST_F(RunTest, CaptureKeyFollowsTheSettings) {
    settings.captureSound = 0;
    StartRun();
    settings.hotkeyCopy = "D";
    Press({kCtrl, kC});
    EXPECT_FALSE(Logged("capture window"));
    Press({kCtrl, kD});
    EXPECT_TRUE(Logged("capture window"));
}

TEST_F(RunTest, TargetKindOutsideTheTable) {
    settings.captureSound = 0;
    settings.pos = 3;
    StartRun();
    Press({kCtrl, kC});
    EXPECT_TRUE(Logged("capture tooltips"));
    settings.pos = 9;
    for (const auto& [caption, word] : {std::pair{"パーツ部位", "capture parts"}, std::pair{"", "capture window"}}) {
        host.caption = caption;
        journal.clear();
        Press({kCtrl, kC});
        EXPECT_TRUE(Logged(word)) << caption;
    }
}

TEST_F(RunTest, CaptureSoundLookup) {
    struct Case {
        const char* name;
        int32_t setting;
        int32_t flag;
        std::vector<std::string> files;
        std::string expected;
    };
    const std::string inProgram = kProgram + "\\chimes.wav";
    const std::string inMedia = kWindows + "\\media\\chimes.wav";
    const std::vector<Case> cases = {
        {"program folder first", 1, 0, {inProgram, inMedia}, inProgram},
        {"then the media folder", 1, 0, {inMedia}, inMedia},
        {"neither", 1, 0, {}, ""},
        {"sound off", 0, 0, {inProgram}, ""},
        {"the sound word turns it on", 0, 1, {inProgram}, inProgram},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs.remove(inProgram);
        fs.remove(inMedia);
        for (const std::string& f : c.files) fs.addFile(f);
        settings.captureSound = c.setting;
        flags.sound = c.flag;
        EXPECT_EQ(SoundFilePath("chimes.wav", settings, flags, paths, kWindows), c.expected);

        Make();
        StartRun();
        Pass({kCtrl, kC});
        EXPECT_EQ(journal.back(), c.expected.empty() ? "status キャプチャー完了" : "sound " + c.expected + " sync");
    }
}

TEST_F(RunTest, ReentryAndTheSettingsDialog) {
    settings.captureSound = 0;
    StartRun();
    // A tick while a pass lets messages run does nothing; a stop pressed then ends the run
    // at the end of that very pass.
    host.onMessages = [this] {
        Hold({kDelete});
        run->Tick();
        run->cmdStop_Click();
    };
    Pass({});
    EXPECT_FALSE(Logged("delete"));
    EXPECT_FALSE(run->runActive());

    run->cmdGo_Click();
    Pass({});
    run->SetSetting();
    journal.clear();
    Pass({kDelete});
    EXPECT_TRUE(journal.empty()) << "no pass while the modal dialog is open";
    run->EndSetting();
    EXPECT_EQ(run->runState(), "Go");
    Pass({kDelete});
    EXPECT_TRUE(Logged("delete"));

    run->SetSetting();
    run->RequestEnd();
    run->EndSetting();
    EXPECT_EQ(run->runState(), "End") << "an end requested meanwhile is kept";
}

TEST_F(RunTest, PanelShowsEveryPass) {
    StartRun();
    desktop.foreground = 0x77;
    Pass({});
    EXPECT_EQ(host.panels, 1);
    EXPECT_EQ(host.panel.mouse, " 100 - 200");
    EXPECT_EQ(host.panel.point, "20");
    EXPECT_EQ(host.panel.rect, "5A0");
    EXPECT_EQ(host.panel.foreground, "77");
    EXPECT_EQ(host.panel.pic, " 300 - 450");
    EXPECT_EQ(host.panel.event, "");
}

}  // namespace
}  // namespace tessarin::test
