// Start-up and shutdown rules of the main window, the command words and the status field.

#include <gtest/gtest.h>

#include <tuple>

#include "core/app/command_line.h"
#include "core/app/main_layout.h"
#include "core/app/placement.h"
#include "core/app/program_life.h"
#include "core/app/shell.h"
#include "core/app/status_record.h"
#include "core/run/target_kind.h"
#include "support/fake_capture.h"
#include "support/fake_filesystem.h"
#include "support/fake_journal.h"
#include "support/fake_list.h"
#include "support/fake_run.h"
#include "support/iconv_codepage.h"

namespace tessarin::test {
namespace {

// The flags the line sets, in declaration order, and the watched window.
std::string SetFlags(std::string_view line) {
    CommandLineFlags f;
    ParseCommandLine(line, f);
    const auto word = [](bool set, const char* name) { return set ? std::string(name) + " " : std::string(); };
    return word(f.debug, "debug") + word(f.autoRun, "auto") + word(f.minimize, "min") + word(f.novisible, "novisible") +
           word(f.nomouse, "nomouse") + word(f.clipboard, "clipboard") + word(f.sound, "sound") +
           word(f.nolisting, "nolisting") + word(f.loadfiles, "loadfiles") +
           word(f.hwnd, std::to_string(f.hwnd).c_str());
}

TEST(CommandLine, WordsSetTheirFlags) {
    const std::pair<const char*, const char*> cases[] = {
        {"auto", ""},       // no hyphen: ignored
        {"-auto-min", ""},  // one word "auto-min"
        {"  -A -minimize extra words  ", "auto min "},
        {"-debug -novisible -nomouse -clipboard -sound -nolisting -loadfiles",
         "debug novisible nomouse clipboard sound nolisting loadfiles "},
        {"-auto\xE3\x80\x80-min", "auto min "},  // an ideographic space separates like a blank
        {"\"C:\\a b\\x.exe\" -unknown -\t -", ""},
        // The watched window is the leading number of the next word, if that is a 32-bit handle.
        {"-HWND &h1f", "31 "},
        {"-hwnd 4294967295", "4294967295 "},
        {"-hwnd 4294967297", ""},  // not wrapped round to 1
        {"-hwnd 1.5", ""},
        {"-hwnd  77", ""}};  // two blanks: the next word is empty
    for (const auto& [line, expected] : cases) EXPECT_EQ(SetFlags(line), expected) << line;
    EXPECT_EQ(ArgumentsOf("\"C:\\Program Files\\T\\Tessarin.exe\"  -min -a"), "-min -a");
    EXPECT_EQ(ArgumentsOf("\"C:\\unterminated -auto"), "");
}

TEST(Startup, TheCommandLineDecidesWindowStateLoadingAndTheRun) {
    // Only a start without command words loads the save folder and counts the Thumb files.
    const std::tuple<const char*, int32_t, const char*, StartupPlan> cases[] = {
        {"", 0, " 1", {.loadImages = true, .reportThumbs = true}},
        {"", 0, "yes", {.reportThumbs = true}},  // no number: nothing loaded
        {"", 1, "1", {.loadImages = true, .reportThumbs = true, .startRun = true}},
        {"-a", 0, "1", {.startRun = true}},
        {"-minimize -novisible", 0, "1", {.show = false, .minimise = true}},
        {"-hwnd 12", 0, "1", {.watchWindow = true}}};
    const auto tie = [](const StartupPlan& p) {
        return std::tuple(p.show, p.minimise, p.loadImages, p.reportThumbs, p.watchWindow, p.startRun);
    };
    for (const auto& [line, autoStart, loadFiles, expected] : cases) {
        Settings settings;
        std::tie(settings.autoStart, settings.loadFiles) = std::tuple(autoStart, loadFiles);
        CommandLineFlags flags;
        EXPECT_EQ(tie(PlanStartup(line, settings, flags)), tie(expected)) << line << " / " << loadFiles;
    }

    FakeFileSystem fs;
    fs.addFolder("C:\\prog\\pics\\Thumb\\sub.jpg");
    for (const char* name : {"a.jpg", "b.JPG", "c.jpeg", "d.png", "e.jpg.bak", "jpg"})
        fs.addFile(std::string("C:\\prog\\pics\\Thumb\\") + name);
    Settings settings;
    settings.saveFolderPath = "\"pics\"";
    EXPECT_EQ(CountThumbFiles(settings, {fs, "C:\\prog"}), 2);
    EXPECT_EQ(ThumbCountText(2), "2個の画像がThumbフォルダにあります。");
    EXPECT_EQ(ThumbCountText(0), "");
}

TEST(Shell, UnsavedEntriesNoticeAndTargetButton) {
    const std::array<bool, 5> twoAndFive{true, false, true, true, false};
    const std::string list = UnsavedListText(twoAndFive, true);
    EXPECT_EQ(SaveQuestionText(list), "下記の未保存の画像があります。全て保存しますか？\r\n\r\nNo = 2 , 5 , ");
    Settings settings;
    EXPECT_TRUE(AsksBeforeClosing(list, settings));
    // Nothing to save with, nothing unsaved, or no questions wanted: it closes at once.
    EXPECT_EQ(UnsavedListText(twoAndFive, false), "");
    EXPECT_EQ(UnsavedListText(std::array{true, true}, true), "");
    settings.noConfirm = 1;
    EXPECT_FALSE(AsksBeforeClosing(list, settings));

    const Notice notice = ParseNoticeText(NoticeText("読込中\r\n2/3", 1500));
    EXPECT_EQ(std::tie(notice.message, notice.milliseconds), std::tuple("読込中\r\n2/3", 1500));
    EXPECT_EQ(ParseNoticeText("only a message").milliseconds, 0);
    // Every CR LF adds 500 twips, a blank line too; a lone CR or LF does not.
    EXPECT_EQ(NoticeHeightTwips(100, "a\r\n\r\nb\nc\rd"), 100 + 1500 + 200);
    EXPECT_EQ(TwipsPerPixel(0), 15);

    // A target index from a hand-edited file cycles back into the table.
    EXPECT_EQ(TargetCaption(5), "");
    const std::pair<int32_t, int32_t> cycle[] = {{0, 1}, {3, 4}, {4, 0}, {9, 0}, {-3, 0}};
    for (const auto& [index, next] : cycle) EXPECT_EQ(NextTargetIndex(index), next) << index;
}

TEST(StatusRecord, TheFieldIsThirtyTwoNarrowBytesPaddedWithBlanks) {
    const IconvCodePage cp932;
    std::string many, sixteen;
    for (int i = 0; i < 16; ++i) many += "完", sixteen += "\x8A\xAE";
    const std::pair<std::string, std::string> cases[] = {
        {"", std::string(32, ' ')},
        {std::string(40, 'x'), std::string(32, 'x')},
        {"キャプチャー完了", "\x83\x4C\x83\x83\x83\x76\x83\x60\x83\x83\x81\x5B\x8A\xAE\x97\xB9" + std::string(16, ' ')},
        // A double-byte character that would straddle byte 32 gives way to a blank.
        {std::string(31, 'a') + "完", std::string(31, 'a') + " "},
        {std::string(30, 'a') + "完", std::string(30, 'a') + "\x8A\xAE"},
        {many + "完", sixteen}};
    for (const auto& [text, expected] : cases) {
        const auto field = FormStatusRecord(text, cp932).status;
        EXPECT_EQ(std::string(field.begin(), field.end()), expected) << text;
    }
}

// ---- The main window's screen ----------------------------------------------------------------

std::string Texts(const std::vector<InfoText>& frame) {
    std::string texts;
    for (const InfoText& label : frame) texts += label.text + "|";
    return texts;
}

TEST(MainWindow, EachMessageFrameShowsItsLabelsWithTheKeysOfTheSettings) {
    Settings settings;
    ResetSettings(settings);
    settings.hotkeyCopy = "D";
    settings.hotkeyRect = "Alt";
    const std::pair<int, const char*> cases[] = {{0, "開始|をクリックして下さい|/ Space|リストに追加|"},
                                                 {1, "Alt|範囲設定|/|Ctrl+D|キャプチャー|"},
                                                 {2, "Ctrl+D|キャプチャー|"},
                                                 {3, "追加|リストに追加|"},
                                                 {4, ""},
                                                 {-1, ""}};
    for (const auto& [index, texts] : cases) EXPECT_EQ(Texts(MessageFrame(index, settings)), texts) << index;
    // The Space hints show only while Space adds to the list.
    settings.space = 1;
    EXPECT_EQ(Texts(MessageFrame(3, settings)), "追加|リストに追加|/ Space|リストに追加|");
}

// 600 x 400 at 96 dpi: the run buttons, then the message labels; the text boxes; the preview down to
// the strip, which sits on the bottom row; the pointer panel below everything. At 144 dpi lengths
// grow by half, rounded as the window system rounds; a window too small gets no negative sizes.
TEST(MainWindow, TheLayoutPlacesEveryControlFromTheClientSizeAndScale) {
    const MainLayoutInput plain{600, 400, 96, false, 17, 150, 80, {30, 40}};
    MainLayoutInput panel = plain;
    panel.pointerPanel = true;
    MainLayoutInput scaled = plain;
    scaled.dpi = 144;
    const MainLayoutInput tiny{40, 30, 96, false, 17, 150, 80, {}};
    const auto rectOf = [](const MainLayoutInput& in, Rect MainLayout::*member) {
        return LayOutMainWindow(in).*member;
    };
    const std::tuple<const char*, MainLayoutInput, Rect MainLayout::*, Rect> cases[] = {
        {"go", plain, &MainLayout::go, {4, 4, 60, 30}},
        {"add", plain, &MainLayout::add, {124, 4, 180, 30}},
        {"pos", plain, &MainLayout::pos, {500, 4, 596, 30}},
        {"win text", plain, &MainLayout::winText, {4, 36, 184, 60}},
        {"file name", plain, &MainLayout::fileName, {188, 36, 419, 60}},
        {"no mouse", plain, &MainLayout::noMouse, {422, 36, 596, 60}},
        {"preview", plain, &MainLayout::preview, {0, 62, 600, 296}},
        {"strip", plain, &MainLayout::strip, {0, 296, 600, 370}},
        {"open folder", plain, &MainLayout::openFolder, {4, 372, 100, 398}},
        {"status", plain, &MainLayout::status, {104, 372, 416, 398}},
        {"help", plain, &MainLayout::help, {416, 372, 464, 398}},
        {"setting", plain, &MainLayout::setting, {466, 372, 530, 398}},
        {"close", plain, &MainLayout::close, {532, 372, 596, 398}},
        {"no panel", plain, &MainLayout::pointerPanel, {}},
        {"panel", panel, &MainLayout::pointerPanel, {0, 356, 600, 400}},
        {"strip above the panel", panel, &MainLayout::strip, {0, 252, 600, 326}},
        {"close above the panel", panel, &MainLayout::close, {532, 328, 596, 354}},
        {"go at 144 dpi", scaled, &MainLayout::go, {6, 6, 90, 45}},
        {"strip at 144 dpi", scaled, &MainLayout::strip, {0, 252, 600, 355}},
        {"status when tiny", tiny, &MainLayout::status, {104, 2, 104, 28}},
        {"preview when tiny", tiny, &MainLayout::preview, {0, 62, 40, 62}}};
    for (const auto& [name, input, member, expected] : cases) EXPECT_EQ(rectOf(input, member), expected) << name;

    const MainLayout layout = LayOutMainWindow(plain);
    EXPECT_EQ(layout.message, (std::vector<Rect>{{184, 4, 218, 30}, {222, 4, 266, 30}}));
    const MainLayout withPanel = LayOutMainWindow(panel);
    EXPECT_EQ(withPanel.panelValues[3], (Rect{376, 2, 448, 22}));
    EXPECT_EQ(withPanel.panelRow[5], (Rect{494, 22, 584, 42}));

    // Twips: 3000 at least, 12000 by 10000 at the most.
    EXPECT_EQ(MainWindowSizeLimits(15).smallest, (Point{200, 200}));
    EXPECT_EQ(MainWindowSizeLimits(10).largest, (Point{1200, 1000}));
}

// ---- Where windows open among the monitors ----------------------------------------------------

// The primary with a task bar at its foot, a larger monitor left of it and one above it.
const std::vector<Rect> kMonitors{{0, 0, 1280, 994}, {-1920, 0, 0, 1080}, {0, -1080, 1920, 0}};

TEST(Placement, ARememberedPlaceOffEveryMonitorOpensWholeOnTheNearest) {
    const std::tuple<const char*, Rect, std::vector<Rect>, Rect> cases[] = {
        {"on the primary", {100, 120, 700, 520}, kMonitors, {100, 120, 700, 520}},
        {"on the left monitor", {-1500, 100, -900, 500}, kMonitors, {-1500, 100, -900, 500}},
        {"on the monitor above", {100, -500, 700, -100}, kMonitors, {100, -500, 700, -100}},
        {"across two monitors", {-300, 100, 300, 500}, kMonitors, {-300, 100, 300, 500}},
        {"hanging off the right, its edge in reach", {1200, 100, 1800, 500}, kMonitors, {1200, 100, 1800, 500}},
        {"one pixel left on the right", {1279, 100, 1879, 500}, kMonitors, {680, 100, 1280, 500}},
        {"form left = 5000", {5000, 200, 5600, 600}, {kMonitors[0], kMonitors[1]}, {680, 200, 1280, 600}},
        {"nearer the monitor above", {5000, 200, 5600, 600}, kMonitors, {1320, -400, 1920, 0}},
        {"beyond the left monitor", {-5000, 200, -4400, 600}, kMonitors, {-1920, 200, -1320, 600}},
        {"its top edge under the task bar", {100, 980, 700, 1380}, kMonitors, {100, 594, 700, 994}},
        {"its top edge above the primary alone", {100, -10, 700, 390}, {{0, 0, 1280, 994}}, {100, 0, 700, 400}},
        {"larger than the nearest monitor", {5000, 0, 7000, 2000}, {kMonitors[0]}, {0, 0, 1280, 994}},
        {"no monitors", {5000, 200, 5600, 600}, {}, {5000, 200, 5600, 600}}};
    for (const auto& [name, wanted, monitors, expected] : cases)
        EXPECT_EQ(PlaceOnMonitors(wanted, monitors), expected) << name;
}

// A dialog opens on its owner's monitor (the one it overlaps most, else the nearest), centred and
// whole on the work area; one too tall for it keeps its top edge on it.
TEST(Placement, ADialogOpensWholeOnItsOwnersMonitor) {
    const std::pair<Rect, size_t> owners[] = {{{100, 100, 700, 500}, 0},
                                              {{-700, 100, 100, 500}, 1},  // mostly on the left monitor
                                              {{100, -300, 700, 100}, 2},
                                              {{-9000, 2000, -8000, 2500}, 1}};  // off every monitor
    for (const auto& [owner, monitor] : owners) EXPECT_EQ(MonitorOf(owner, kMonitors), monitor);
    EXPECT_EQ(MonitorOf({0, 0, 10, 10}, {}), std::nullopt);
    EXPECT_EQ(CentredOn(kMonitors[1], 440, 690), (Rect{-1180, 195, -740, 885}));
    EXPECT_EQ(CentredOn({0, 0, 800, 600}, 440, 690), (Rect{180, 0, 620, 690}));
}

// ---- The program's life ----------------------------------------------------------------------

// The main window as the life sees it; the points where the real one lets messages run run the
// next hook, as a click or a session message that arrives meanwhile.
struct FakeProgramWindow : ProgramWindow {
    FakeProgramWindow(Journal& journal, MessageHooks& hooks) : journal(journal), hooks(hooks) {}
    Journal& journal;
    MessageHooks& hooks;
    WindowPlacement placed;

    void ShowStarting(const std::string& caption) override { Note("starting " + caption); }
    void SetStatus(const std::string& text) override { Note("status " + text), hooks.Run(); }
    void showStatus(const std::string& text) override { Note("show " + text), hooks.Run(); }
    void ApplySettings() override { Note("apply"), hooks.Run(); }
    void ShowMessageFrame(int index, bool) override { Note("frame " + std::to_string(index)); }
    void setGoEnabled(bool enabled) override { Note(enabled ? "go on" : "go off"); }
    ScreenSize screenSize() const override { return {1000, 800}; }
    std::vector<Rect> monitors{{0, 0, 1000, 800}};
    std::vector<Rect> monitorWorkAreas() const override { return monitors; }
    void placeWindow(const WindowPlacement& p) override {
        placed = p;
        Note("place " + std::to_string(p.left) + "," + std::to_string(p.top) + "," + std::to_string(p.right) + "," +
             std::to_string(p.bottom));
    }
    WindowPlacement restoredPlacement() const override { return placed; }
    void showWindow(bool visible, bool minimised, bool panel) override {
        Note(std::string(visible ? "show" : "hide") + (minimised ? " minimised" : "") + (panel ? " panel" : ""));
        hooks.Run();
    }
    void startWindowWatch() override { Note("watch"); }
    void EndStartup() override { Note("started"), hooks.Run(); }
    void errorMessage(const std::string& text, const std::string& title) override {
        Note("error " + text + " / " + title), hooks.Run();
    }
    void disableSaving() override { Note("saving off"); }
    void startTicks() override { Note("ticks"); }
    void postClose() override { Note("post close"); }
    void showSettingsDialog() override { Note("dialog"), hooks.Run(); }
    void focusPreview() override {}
    void pause(int ms) override { Note("pause " + std::to_string(ms)), hooks.Run(); }
    void Unload() override { Note("unload"); }
    void Note(std::string line) { journal.push_back(std::move(line)); }
};

struct FakeStatusRecord : StatusPublisher {
    explicit FakeStatusRecord(Journal& journal) : journal(journal) {}
    Journal& journal;
    bool OpenStatusRecord(const std::string& name) override { return journal.push_back("record " + name), true; }
    bool PublishStatus(std::string_view) override { return true; }
    bool CloseStatusRecord() override { return journal.push_back("record closed"), true; }
};

// The run's request to close the main window reaches the life, as the window forwards it.
struct ForwardingRunHost : FakeRunHost {
    using FakeRunHost::FakeRunHost;
    ProgramLife* life = nullptr;
    void unloadMainWindow() override { life->cmdClose_Click(); }
};

// The life over the real list and run, with their fakes, in the program folder C:\T with the
// codec library. One journal holds what every part was asked to do.
struct LifeWorld : ListFakes {
    FakeKeyState keys;
    FakeOverlayWindow overlay{journal};
    FakeDesktop desktop;
    FakeAccessibility accessibility;
    ForwardingRunHost host{journal};
    FakeShell shell{journal};
    FakeProgramWindow window{journal, hooks};
    FakeStatusRecord status{journal};
    FakeDecoder decoder;
    FakeBackground background;
    CommandLineFlags flags;
    KeyNameTable names = BuildKeyNameTable();
    IconvCodePage codePage;
    // The capture journal's disk, its calls noted among the others.
    FakeDisk disk;
    FakeJournalStore journalStore{disk, 1, journal};
    FakeClock clock;
    CaptureJournal captureJournal{{journalStore, background, clock, JournalRoots("C:\\T", "")}};
    ImageListController list{Context(&decoder, &fs, &background, &captureJournal)};
    RunController run{RunContext{host, list, keys, overlay, desktop, accessibility, settings, flags, names, codePage,
                                 paths, shell, "C:\\W", 15, 15}};
    std::unique_ptr<ProgramLife> life;

    LifeWorld() {
        fs.addFile("C:\\T\\imgctl.dll");
        decoder.journal = background.journal = &journal;
        journalStore.prefix = "journal ";
        desktop.windows = {{0x42, "Watched", "watched"}};
    }
    void Start(const std::string& commandLine = "") {
        life = std::make_unique<ProgramLife>(ProgramContext{window, list, run, overlay, &decoder, background,
                                                            &captureJournal, status, shell, desktop, fs, paths,
                                                            codePage, settings, flags, commandLine});
        host.life = life.get();
        life->Load();
    }
    // Unsaved captures named a, b, ... as the run adds them.
    void Capture(const std::string& names) {
        for (const char name : names) {
            list.ShowUnlistedCapture(Solid(8, 6, 0x102030), Path(std::string(1, name)), "");
            list.AddWaitingCapture(Path(std::string(1, name)), "", false);
        }
    }
    [[nodiscard]] int ConfWrites() { return fs.replaced["c:\\t\\conf.txt"]; }
    [[nodiscard]] size_t Saved() const { return CountPrefix(journal, "write "); }
    [[nodiscard]] Journal After(size_t from) const {
        return Journal(journal.begin() + static_cast<long>(from), journal.end());
    }
};

TEST(ProgramLife, StartsUpInItsOrderAndReportsAMissingCodec) {
    // The command words, whether the codec answers, and what start-up asks for, in its order. Every
    // start opens its capture journal (taking over those of programs that have gone) after the
    // loaded files and before a run can capture.
    const std::tuple<const char*, bool, const char*> cases[] = {
        {"", true,
         "starting Tessarin  Ver1.00|record Tessarin|status |place 500,440,950,720|apply|show|cd C:\\T|"
         "journal mkdir C:\\T\\journal|journal mkdir C:\\T\\journal\\20251206-054640-0001|journal lock "
         "C:\\T\\journal\\20251206-054640-0001|started|ticks|go on|frame 0"},
        {"-novisible -min -hwnd 66 -debug", false,
         "starting Tessarin  Ver1.00|record Tessarin|status |place 500,440,950,720|apply|watch|hide minimised panel|"
         "journal mkdir C:\\T\\journal|journal mkdir C:\\T\\journal\\20251206-054640-0001|journal lock "
         "C:\\T\\journal\\20251206-054640-0001|started|error 126 not found / DLLエラー|saving off|ticks|go on|frame 0"},
        {"-a", true,
         "starting Tessarin  Ver1.00|record Tessarin|status |place 500,440,950,720|apply|show|"
         "journal mkdir C:\\T\\journal|journal mkdir C:\\T\\journal\\20251206-054640-0001|journal lock "
         "C:\\T\\journal\\20251206-054640-0001|started|ticks|frame 1|go off|status Go"}};
    for (const auto& [line, codec, expected] : cases) {
        LifeWorld w;
        w.fs.remove("C:\\T\\data");
        w.shell.codec = codec ? CodecVersion{true, 100, 0, ""} : CodecVersion{false, 0, 126, "not found"};
        w.Start(line);
        EXPECT_EQ(w.journal, Lines(expected)) << line;
        EXPECT_EQ(w.life->stage(), ProgramLife::Stage::Running);
        EXPECT_TRUE(w.fs.stat("C:\\T\\data").has_value()) << "the data folder is made";
    }
}

TEST(ProgramLife, AWindowRememberedOnAMonitorThatIsGoneOpensOnTheNearest) {
    LifeWorld w;
    w.fs.addFile("C:\\T\\conf.txt", "form left = 5000\r\nform top = 200\r\nform right = 5600\r\nform bottom = 600\r\n");
    w.window.monitors = {{-1920, 0, 0, 1080}, {0, 0, 1000, 800}};
    w.Start();
    EXPECT_TRUE(Has(w.journal, "place 400,200,1000,600"));
}

TEST(ProgramLife, APlainStartLoadsTheSaveFolderFromTheProgramFolder) {
    LifeWorld w;
    w.store.Add(w.Path("a.jpg"), Solid(4, 3, 1));
    w.fs.addFolder("C:\\T\\data\\Thumb");
    w.fs.addFile("C:\\T\\data\\Thumb\\Thumb_a.jpg");
    w.Start();
    EXPECT_EQ(w.list.Count(), 1);
    // The listing changed folders on its way; the program folder is current again before the list reads.
    const auto at = [&](const std::string& line) { return std::ranges::find(w.journal, line) - w.journal.begin(); };
    EXPECT_LT(at("cd C:\\T"), at("status ロード完了！"));
    EXPECT_LT(at("status ロード完了！"), at("show 1個の画像がThumbフォルダにあります。"));
}

// The closing question's answer decides what is saved, what the capture journal keeps, whether
// "conf.txt" is written and whether the program ends; with nothing to ask, it ends at once.
TEST(ProgramLife, TheClosingQuestionsAnswerDecidesWhatIsSavedAndWhetherTheProgramEnds) {
    using A = ListPrompts::Answer;
    struct Case {
        const char* name;
        A answer;
        bool failSave, noConfirm, noCodec, failConf;
        size_t saved;
        bool asked, ended;
        int confWrites;
        size_t journaled;  // captures the journal keeps for the next start
    };
    const Case cases[] = {{"cancel", A::Cancel, false, false, false, false, 0, true, false, 0, 2},
                          {"no", A::No, false, false, false, false, 0, true, true, 1, 0},
                          {"yes", A::Yes, false, false, false, false, 2, true, true, 1, 0},
                          {"yes, one fails: nothing is lost", A::Yes, true, false, false, false, 1, true, false, 0, 1},
                          {"no questions", A::Yes, false, true, false, false, 0, false, true, 1, 0},
                          // Nobody was asked, and nothing could have been saved: they come back at the next start.
                          {"no codec in either folder", A::Yes, false, false, true, false, 0, false, true, 1, 2},
                          {"conf.txt cannot be written", A::No, false, false, false, true, 0, true, true, 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LifeWorld w;
        w.Start();
        w.Capture("ab");
        w.background.RunAll();
        w.prompts.answer = c.answer;
        if (c.failSave) w.store.failing.insert(AsciiLower(w.Path("b.jpg")));
        w.settings.noConfirm = c.noConfirm ? 1 : 0;
        if (c.noCodec) w.fs.remove("C:\\T\\imgctl.dll");
        w.fs.failWrites = c.failConf;
        const size_t before = w.journal.size();
        w.life->cmdClose_Click();
        const Journal after = w.After(before);
        EXPECT_EQ(CountPrefix(after, "ask "), c.asked ? 1U : 0U);
        EXPECT_EQ(w.Saved(), c.saved);
        EXPECT_EQ(w.ConfWrites(), c.confWrites);
        EXPECT_EQ(w.life->stage() == ProgramLife::Stage::Ended, c.ended);
        EXPECT_EQ(Has(after, "unload"), c.ended);
        if (c.ended) {
            // The journal goes once the background work is done: nothing is left to write into it.
            const auto at = [&](const std::string& line) { return std::ranges::find(after, line) - after.begin(); };
            EXPECT_LT(at("finish decoder"), at("finish background"));
            EXPECT_LT(at("finish background"), at("journal unlock C:\\T\\journal\\20251206-054640-0001"));
            EXPECT_EQ(std::vector(after.end() - 3, after.end()), Lines("overlay unload|record closed|unload"));
        }
        size_t journaled = 0;
        for (const auto& [path, bytes] : w.disk.now.files) journaled += path.ends_with(".tjr");
        EXPECT_EQ(journaled, c.journaled);
        // A normal end leaves no journal behind.
        EXPECT_EQ(w.disk.now.folders.contains("C:\\T\\journal"), c.journaled != 0 || !c.ended);
        // Shown and published, then left up long enough to be read.
        EXPECT_EQ(Has(after, "status 設定値保存エラー") && Has(after, "pause 3000"), c.failConf);
    }
    // A worker that does not stop in time (a decode of a file on a network folder that went) is
    // left behind: the program ends at once after everything else was done. The journal is closed
    // unless its own worker is the one left behind, still writing into it: the process's end lets
    // its locks go.
    for (const bool backgroundStuck : {false, true}) {
        LifeWorld w;
        w.Start();
        (backgroundStuck ? w.background.stuck : w.decoder.stuck) = true;
        const size_t before = w.journal.size();
        w.life->cmdClose_Click();
        const Journal after = w.After(before);
        const std::string session = "C:\\T\\journal\\20251206-054640-0001";
        EXPECT_EQ(after, Lines(std::string("finish decoder|finish background|") +
                               (backgroundStuck ? ""
                                                : "journal unlock " + session + "|journal rmdir " + session +
                                                      "|journal rmdir C:\\T\\journal|") +
                               "overlay unload|record closed|unload|end process"))
            << backgroundStuck;
    }
    // A cancelled question leaves the program as it was: the list takes commands again.
    LifeWorld w;
    w.Start();
    w.Capture("a");
    w.prompts.answer = ListPrompts::Answer::Cancel;
    w.life->cmdClose_Click();
    w.list.mnuSave_Click();
    EXPECT_EQ(w.Saved(), 1U);
}

// A close during start-up or under the settings dialog waits for their end; so does the watched
// window's end under the dialog. A close while the question is open asks nothing more.
TEST(ProgramLife, ACloseWaitsForStartUpAndForTheSettingsDialog) {
    {
        LifeWorld w;
        w.hooks.pending.push_back([&] { w.life->cmdClose_Click(); });  // at the first status
        w.Start();
        EXPECT_EQ(CountPrefix(w.journal, "ask "), 0U);
        EXPECT_EQ(w.journal.back(), "post close");
        EXPECT_EQ(w.life->stage(), ProgramLife::Stage::Running);
    }
    for (const bool watchedWindowGone : {false, true}) {
        SCOPED_TRACE(watchedWindowGone);
        LifeWorld w;
        w.Start("-hwnd 66");
        w.Capture("a");
        w.prompts.answer = ListPrompts::Answer::No;
        w.hooks.pending.push_back([&] {
            if (watchedWindowGone) {
                w.desktop.windows.clear();
                w.life->Timer_Monitor_Timer();
            } else {
                w.life->cmdClose_Click();
            }
            EXPECT_EQ(CountPrefix(w.journal, "ask "), 0U) << "not under the dialog";
        });
        w.life->cmdSetting_Click();
        EXPECT_EQ(CountPrefix(w.journal, "ask "), 1U);
        EXPECT_EQ(w.life->stage(), ProgramLife::Stage::Ended);
    }
    LifeWorld w;
    w.Start();
    w.Capture("a");
    w.prompts.answer = ListPrompts::Answer::Cancel;
    w.hooks.pending.push_back([&] { w.life->cmdClose_Click(); });
    w.life->cmdClose_Click();
    EXPECT_EQ(CountPrefix(w.journal, "ask "), 1U);
}

// The watched window's end stops a run, which then closes the main window; without a run the
// program closes at once. While the window lives nothing happens.
TEST(ProgramLife, TheProgramEndsWithTheWatchedWindowAfterTheRunStops) {
    LifeWorld w;
    w.Start("-a -hwnd 66");
    w.life->Timer_Monitor_Timer();
    EXPECT_EQ(w.run.runState(), kRunGo);
    w.desktop.windows.clear();
    w.life->Timer_Monitor_Timer();
    EXPECT_EQ(w.life->stage(), ProgramLife::Stage::Running) << "the run stops first";
    (void)w.run.Tick();
    EXPECT_EQ(w.life->stage(), ProgramLife::Stage::Ended);
    EXPECT_EQ(w.ConfWrites(), 1);
}

// Whatever the program is doing when the session ends, every unsaved capture is saved without a
// message, "conf.txt" is written once (when it was read) and the program ends once; what was under
// way does nothing more when it returns. An answered "No" stays no.
TEST(ProgramLife, TheEndOfTheSessionSavesQuietlyWhateverIsOpen) {
    struct Case {
        const char* name;
        int skip;  // message points passed before the session ends there
        std::function<void(LifeWorld&)> act;
        size_t saved;
        int confWrites;
        size_t asked;  // closing questions put before the end
    };
    const auto close = [](ListPrompts::Answer answer) {
        return [answer](LifeWorld& w) {
            w.prompts.answer = answer;
            w.life->cmdClose_Click();
        };
    };
    const Case cases[] = {{"idle", -1, {}, 2, 1, 0},
                          {"under the settings dialog", 0, [](LifeWorld& w) { w.life->cmdSetting_Click(); }, 2, 1, 0},
                          {"under the closing question", 0, close(ListPrompts::Answer::Yes), 2, 1, 1},
                          {"part-way through Yes", 1, close(ListPrompts::Answer::Yes), 2, 1, 1},
                          {"part-way through Yes, with a capture that cannot be saved", 1,
                           [&close](LifeWorld& w) {
                               w.store.failing.insert(AsciiLower(w.Path("b.jpg")));
                               close(ListPrompts::Answer::Yes)(w);
                           },
                           1, 1, 1},
                          {"after No, while the error is read", 1, close(ListPrompts::Answer::No), 0, 2, 1},
                          {"under a delete question, answered OK as the window goes", 0,
                           [](LifeWorld& w) { w.list.mnuAllDel_Click(); }, 2, 1, 0},
                          {"under the sound before the closing question", -1,
                           [&close](LifeWorld& w) {
                               w.host.onMessages = [&w] { w.life->EndSession(); };
                               w.settings.captureSound = 1;
                               w.fs.addFile("C:\\T\\chord.wav");
                               close(ListPrompts::Answer::Yes)(w);
                           },
                           2, 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LifeWorld w;
        w.Start();
        w.Capture("ab");
        if (c.skip >= 0) {
            for (int i = 0; i < c.skip; ++i) w.hooks.pending.push_back([] {});
            w.hooks.pending.push_back([&] { w.life->EndSession(); });
        }
        if (std::string_view(c.name).starts_with("after No")) {
            w.fs.failWrites = true;
        }
        if (c.act) {
            c.act(w);
        } else {
            w.life->EndSession();
        }
        w.life->EndSession();  // a second end changes nothing
        EXPECT_EQ(w.Saved(), c.saved);
        EXPECT_EQ(CountPrefix(w.journal, "message "), 0U);
        EXPECT_EQ(CountPrefix(w.journal, "ask "), c.asked);
        EXPECT_EQ(CountPrefix(w.journal, "remove "), 0U) << "what the end saved stays";
        EXPECT_EQ(w.ConfWrites(), c.confWrites);
        EXPECT_EQ(CountPrefix(w.journal, "unload"), 1U);
        EXPECT_EQ(w.journal.back(), "unload") << "nothing acts after the end";
        EXPECT_EQ(w.life->stage(), ProgramLife::Stage::Ended);
        // What the end could not save stays in the journal for the next start; what the user
        // declined does not.
        size_t journaled = 0;
        for (const auto& [path, bytes] : w.disk.now.files) journaled += path.ends_with(".tjr");
        EXPECT_EQ(journaled, std::string_view(c.name).starts_with("after No") ? 0 : 2 - c.saved);
    }
}

// During start-up the session's end leaves the rest of start-up undone, and writes "conf.txt" only
// once the settings were read.
TEST(ProgramLife, TheEndOfTheSessionDuringStartUpWritesOnlySettingsThatWereRead) {
    for (const int skip : {0, 1, 2}) {  // at the first status, under the settings' apply, as the window shows
        SCOPED_TRACE(skip);
        LifeWorld w;
        for (int i = 0; i < skip; ++i) w.hooks.pending.push_back([] {});
        w.hooks.pending.push_back([&] { w.life->EndSession(); });
        w.Start();
        EXPECT_EQ(w.ConfWrites(), skip == 0 ? 0 : 1);
        EXPECT_EQ(w.journal.back(), "unload");
        EXPECT_FALSE(Has(w.journal, "ticks"));
    }
}

}  // namespace
}  // namespace tessarin::test
