// The settings record: conf.txt read and written, key names, and the settings dialog's rules.

#include "core/settings/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>

#include "core/settings/key_names.h"
#include "core/settings/settings_form.h"
#include "core/text/text.h"
#include "support/fake_filesystem.h"
#include "support/iconv_codepage.h"

namespace tessarin::test {
namespace {

constexpr ScreenSize kScreen{1920, 1080};
const std::string kProgram = "C:\\prog";
const std::string kConf = "C:\\prog\\conf.txt";

// The exact file a fresh record gives on a 1920 x 1080 screen.
const std::string kDefaultFile =
    "form left = 960\r\nform top = 594\r\nform right = 1824\r\nform bottom = 972\r\nno mouse = 1\r\n"
    "no tooltip = 1\r\ncopy to clipboard = 0\r\ncapture sound = 1\r\nchime = chimes.wav\r\n"
    "sound start = notify.wav\r\nsound stop = chord.wav\r\nsave file format = 1\r\nsave folder path = data\r\n"
    "load files = 1\r\nauto start = 0\r\nimg download = 1\r\nauto listing = 1\r\nspace = 0\r\nno confirm = 0\r\n"
    "minimize = 0\r\nhotkey copy = C\r\nhotkey rect = Shift\r\npos = 0\r\nclass name = \r\nhosei = 0\r\n"
    "hosei left = 0\r\nhosei top = 0\r\nhosei width = 0\r\nhosei height = 0\r\nsize = 0\r\nsize width = 16\r\n"
    "size height = 16\r\nthumbnail width = 120\r\nthumbnail height = 90\r\nthumbnail static = 0\r\nshift = 0\r\n"
    "shiftx = 0\r\nshifty = 0\r\n";

// A settings text with the lines of some keys replaced.
std::string With(std::string text, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        const std::regex old("^" + line.substr(0, line.find(" = ") + 3) + "[^\r]*", std::regex::multiline);
        text = std::regex_replace(text, old, line);
    }
    return text;
}

// The program folder C:\prog with its save folder "data", "my shots" and D:\shots.
struct SettingsTest : ::testing::Test {
    FakeFileSystem fs;
    IconvCodePage codePage;
    PathContext ctx{fs, kProgram};
    Settings settings;

    SettingsTest() {
        for (const char* f : {"C:\\", "C:\\prog", "C:\\prog\\data", "C:\\prog\\my shots", "D:\\shots"}) fs.addFolder(f);
        ResetSettings(settings);
    }
    SettingsForm Open() { return SettingsForm(settings, ctx, codePage); }
};

TEST_F(SettingsTest, ReaderRules) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"Form Left=100", {"form left = 100"}},
        // A second "=" or none drops the line, and so does a key spelt otherwise.
        {"save folder path = a=b\r\npos 3\r\nno  mouse = 0\r\nsize  width = 3\r\n\tpos = 1\r\ncolour = 5\r\n\r\n", {}},
        {"pos = 2\rsize = 1\nhosei = 1\r", {"pos = 2"}},  // CR ends a line, a lone LF does not
        {"chime = a.wav\nb\r\npos = 3\n\r\n", {"chime = a.wav\nb", "pos = 3"}},
        {"pos = 1\r\npos = 3\r\nform top = 7\r\nForm Top = 8", {"pos = 3", "form top = 8"}},
        {"CLASS NAME =  Note  Pad  \r\nhotkey copy =", {"class name = Note  Pad", "hotkey copy = "}},
        {"pos = 3.5\r\nhosei = 2.5\r\nsize width = abc\r\nthumbnail width = 12px",
         {"pos = 4", "hosei = 2", "size width = 0", "thumbnail width = 12"}},
        {"hosei left = 99999999999\r\nhosei top = -99999999999\r\nsize width = 1e300",
         {"hosei left = 2147483647", "hosei top = -2147483648", "size width = 2147483647"}},
        {nullptr, {}},  // "conf.txt" is a folder: it exists but cannot be read
        // The save folder must be an existing folder; it is kept as written.
        {"save folder path = missing", {"save folder path = "}},
        {"save folder path = conf.txt", {"save folder path = "}},
        {"save folder path = \"my shots\\\"", {"save folder path = \"my shots\\\""}},
        {"save folder path = ..\\PROG\\data", {"save folder path = ..\\PROG\\data"}}};
    for (const auto& [text, expected] : cases) {
        text ? fs.addFile(kConf, codePage.fromUtf8(text)) : fs.addFolder(kConf);
        Settings s;
        const WindowPlacement placement = LoadSettings(s, kScreen, ctx, codePage);
        EXPECT_EQ(FormatSettingsText(s, placement), With(kDefaultFile, expected)) << (text ? text : "unreadable");
    }
    Settings s;
    s.hosei = s.shift = s.shiftX = s.shiftY = s.pos = 3;
    ResetSettings(s);
    EXPECT_EQ(std::vector({s.hosei, s.shift, s.shiftX, s.shiftY, s.pos}), std::vector({3, 3, 3, 3, 0}));
}

TEST_F(SettingsTest, EveryLineSurvivesAReadAndAWriteAndAFailedWriteKeepsTheOldFile) {
    fs.addFolder("C:\\prog\\画像");
    Settings s;
    WindowPlacement placement = LoadSettings(s, kScreen, ctx, codePage);  // no file yet: defaults
    ASSERT_TRUE(SaveSettings(s, placement, fs, kProgram, codePage));
    EXPECT_EQ(*fs.readFile(kConf), kDefaultFile);
    // A distinct value on every line, so a swapped or dropped line shows.
    std::string text;
    int n = 0;
    for (const std::string& line : SplitAll(kDefaultFile, "\r\n")) {
        if (!line.empty()) text += line.substr(0, line.find(" = ") + 3) + std::to_string(++n % 2 ? n : -n) + "\r\n";
    }
    text = With(text,
                {"save folder path = 画像", "class name = メモ帳", "hosei left = -2147483648", "shifty = 2147483647"});
    fs.addFile(kConf, codePage.fromUtf8(text));
    placement = LoadSettings(s, kScreen, ctx, codePage);
    fs.addFile(kConf, kDefaultFile);
    fs.failWrites = true;
    EXPECT_FALSE(SaveSettings(s, placement, fs, kProgram, codePage));
    EXPECT_EQ(*fs.readFile(kConf), kDefaultFile);
    fs.failWrites = false;
    EXPECT_FALSE(SaveSettings(s, placement, fs, "C:\\gone", codePage));
    ASSERT_TRUE(SaveSettings(s, placement, fs, kProgram, codePage));
    EXPECT_EQ(*fs.readFile(kConf), codePage.fromUtf8(text));
    EXPECT_NE(fs.readFile(kConf)->find("\r\nclass name = \x83\x81\x83\x82\x92\xA0\r\n"), std::string::npos);
}

TEST_F(SettingsTest, ImageFormatsAndFullPath) {
    std::string formats;
    for (const int32_t index : {INT32_MIN, 0, 1, 2, 3, 4}) formats += FormatExtension(index) + " ";
    for (const char* e : {"JPG", "Png", "gif", "bmp", "jpeg", "", ".jpg"}) formats += std::to_string(FormatIndex(e));
    EXPECT_EQ(formats, "bmp bmp jpg png gif bmp 1230000");

    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"data\\", "a.jpg", "C:\\prog\\data\\a.jpg"},
        {"data", "", ""},
        {"\"my shots\"", "a b.png", "C:\\prog\\my shots\\a b.png"},
        {"\\\\srv\\share\\", "x.gif", "\\\\srv\\share\\x.gif"}};
    for (const auto& [folder, name, expected] : cases) {
        settings.saveFolderPath = folder;
        EXPECT_EQ(FullPath(name, settings, ctx), expected) << folder << " + " << name;
    }
}

// The names of a run of codes joined by "|"; an unnamed code leaves its place empty.
std::string Names(const KeyNameTable& table, int from, int to) {
    std::string out = table[from];
    for (int code = from + 1; code <= to; ++code) out += "|" + table[code];
    return out;
}

TEST_F(SettingsTest, KeyNamesAndCodes) {
    const KeyNameTable table = BuildKeyNameTable();
    EXPECT_EQ(std::count_if(table.begin(), table.end(), [](const std::string& name) { return !name.empty(); }), 124);
    // Extra mouse buttons, side-specific modifiers and the gaps between groups are never watched.
    EXPECT_EQ(Names(table, 0, 14), "| | |Break| ||||Backspace|Tab||||Enter|");
    EXPECT_EQ(Names(table, 15, 33), "|Shift|Ctrl|Alt|Pause|Caps Lock|||||||Esc|変換|無変換|||スペース|PgUp");
    EXPECT_EQ(Names(table, 36, 49), "Home|←|↑|→|↓||||Print Screen|Insert|Delete||0|1");
    EXPECT_EQ(Names(table, 90, 98),
              "Z|左ウィンドウズキー|右ウィンドウズキー|アプリケーションキー|||テンキー0|テンキー1|テンキー2");
    EXPECT_EQ(Names(table, 105, 113), "テンキー9|*|+|,|-|.|/|F1|F2");
    EXPECT_EQ(Names(table, 134, 146), "F23|F24|||||||||Num Lock|Scroll Lock|");
    EXPECT_EQ(Names(table, 159, 167), "||||||||");
    EXPECT_EQ(Names(table, 185, 193), "|:|;|,|-^|.|/|@|");
    EXPECT_EQ(Names(table, 218, 227), "|[|\\|]|^||||\\(バックスラッシュ）|");
    EXPECT_EQ(Names(table, 239, 245), "|Caps Lock||カタカナ|半角／全角|半角／全角|");

    // "c" is not upper-cased (the keypad 3) and "" is no key at all; a double-byte character gives both CP932
    // bytes as one code, half-width katakana a single byte, a character outside the code page its default one.
    const std::pair<const char*, uint16_t> cases[] = {{"C", 67},   {"Shift", 16},      {"SHIFT", 16}, {"Ctrl", 17},
                                                      {"aLT", 18}, {"shiftx", 115},    {"F1", 70},    {"", 0},
                                                      {"c", 99},   {"メモ帳", 0x8381}, {"ｱ", 0xB1},   {"😀", '?'}};
    for (const auto& [name, code] : cases) EXPECT_EQ(KeyCodeOfName(name, codePage), code) << name;
}

TEST_F(SettingsTest, FormOpensWithTheRecord) {
    const std::pair<std::function<void(Settings&)>, std::function<bool(const SettingsForm&)>> cases[] = {
        {[](Settings& s) { s.saveFileFormat = 7; }, [](auto& f) { return f.saveFormat() == 3; }},   // gif
        {[](Settings& s) { s.saveFileFormat = -3; }, [](auto& f) { return f.saveFormat() == 0; }},  // bmp
        {[](Settings& s) { s.saveFolderPath = "data"; },
         [](auto& f) { return f.text(FormText::SaveFolder) == "data"; }},
        {[](Settings& s) { s.saveFolderPath = "gone"; }, [](auto& f) { return f.text(FormText::SaveFolder).empty(); }},
        {[](Settings& s) { s.loadFiles = "abc"; }, [](auto& f) { return !f.check(FormCheck::LoadFiles); }},
        {[](Settings& s) { s.pos = 9; }, [](auto& f) { return f.pos() == -1; }},  // outside the buttons
        {[](Settings& s) { s.hoseiLeft = -5; }, [](auto& f) { return f.text(FormText::HoseiLeft) == "-5"; }},
        // A key from the file that is not offered is listed too.
        {[](Settings& s) { s.hotkeyCopy = "H"; },
         [](auto& f) { return f.KeyChoices(FormKey::Copy).back() == "H" && f.key(FormKey::Copy) == "H"; }},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        ResetSettings(settings);
        cases[i].first(settings);
        EXPECT_TRUE(cases[i].second(Open())) << i;
    }
    EXPECT_EQ(Open().KeyChoices(FormKey::Rect), (std::vector<std::string>{"Shift", "Alt"}));
}

TEST_F(SettingsTest, FormGroupsFollowTheChoices) {
    SettingsForm form = Open();
    FormLook look;  // the defaults: window target, nothing checked, automatic listing on
    look.spaceEnabled = false;
    EXPECT_EQ(form.Look(), look);
    form.ChooseTarget(2);
    look.classFrame = look.hoseiGroup = true;
    EXPECT_EQ(form.Look(), look);
    form.ChooseTarget(1);
    look.classFrame = look.hoseiGroup = false;
    look.sizeGroup = true;
    EXPECT_EQ(form.Look(), look);
    for (const FormCheck check : {FormCheck::Hosei, FormCheck::Size, FormCheck::Shift}) form.SetCheck(check, true);
    form.SetCheck(FormCheck::AutoListing, false);
    look.hoseiFields = look.sizeFields = look.shiftFields = look.spaceEnabled = true;
    EXPECT_EQ(form.Look(), look);
    form.SetCheck(FormCheck::Space, true);
    look.autoListingEnabled = false;
    EXPECT_EQ(form.Look(), look);

    settings.autoListing = settings.space = 1;  // both on, by hand: both checked and both locked
    const FormLook locked = Open().Look();
    EXPECT_FALSE(locked.spaceEnabled || locked.autoListingEnabled);
}

TEST_F(SettingsTest, FormKeyFilters) {
    const std::tuple<FormText, char32_t, bool> cases[] = {
        {FormText::HoseiLeft, U'-', true},       {FormText::HoseiHeight, U'7', true},
        {FormText::ShiftY, U'-', true},          {FormText::ShiftX, U'a', false},
        {FormText::HoseiTop, U'+', false},       {FormText::ThumbnailWidth, U'-', false},
        {FormText::ThumbnailHeight, U'0', true}, {FormText::ThumbnailWidth, U'５', false},
        {FormText::ThumbnailWidth, 8, true},     {FormText::ThumbnailWidth, 0x16, true},  // Backspace, Ctrl+V
        {FormText::SizeWidth, U'x', true},       {FormText::ClassName, U'窓', true},
        {FormText::SaveFolder, U' ', true},
    };
    for (const auto& [box, typed, accepted] : cases)
        EXPECT_EQ(SettingsForm::Accepts(box, typed), accepted) << static_cast<int>(box) << " " << uint32_t{typed};
}

TEST_F(SettingsTest, FormThumbnailSizesMustBePositive) {
    SettingsForm form = Open();
    for (const char* text : {"", "0", "abc", "0.4", "-3"}) {
        form.SetText(FormText::ThumbnailHeight, text);
        const auto message = form.LeaveThumbnail(FormText::ThumbnailHeight);
        ASSERT_TRUE(message) << text;
        EXPECT_EQ(*message,
                  (FormMessage{"サイズは０より大きい値を入力して下さい！", "サイズ不正", FormText::ThumbnailHeight}));
        EXPECT_EQ(form.Ok(), message) << "Ok runs the same check first";
        EXPECT_EQ(settings.thumbnailHeight, 90) << "nothing stored";
    }
    form.SetText(FormText::ThumbnailHeight, "12abc");  // pasted: its leading number
    EXPECT_FALSE(form.LeaveThumbnail(FormText::ThumbnailHeight) || form.Ok());
    EXPECT_EQ(settings.thumbnailHeight, 12);
}

TEST_F(SettingsTest, FormOkRefusesWhatWouldNotComeBack) {
    // target, class name, save folder, message
    const std::tuple<int32_t, std::string, std::string, std::string> cases[] = {
        {2, "", "", "クラス名が未入力です。"},
        {0, "A=B", "", "クラス名に「=」は使えません。"},
        {2, "Ünïcode", "", "クラス名に、このシステムの文字コードで保存できない文字があります。"},
        {0, "", "C:\\nowhere", "保存先フォルダが見つかりません。"},
        {0, "", "nowhere", "保存先フォルダが見つかりません。"},
        // An existing folder whose name holds "=" would be cut there at the next start.
        {0, "", "C:\\a=b", "保存先のフォルダ名に「=」は使えません。"},
    };
    fs.addFolder("C:\\a=b");
    for (const auto& [pos, className, folder, text] : cases) {
        SettingsForm form = Open();
        form.ChooseTarget(pos);
        form.SetText(FormText::ClassName, className);
        form.SetText(FormText::SaveFolder, folder);
        form.SetCheck(FormCheck::NoMouse, false);
        EXPECT_EQ(form.Ok(),
                  (FormMessage{text, "入力不正", folder.empty() ? FormText::ClassName : FormText::SaveFolder}));
        EXPECT_EQ(settings.noMouse, 1) << "nothing stored";
    }
    // A folder the code page cannot write: the name of a folder that does exist.
    fs.addFolder("C:\\Ünïcode");
    SettingsForm form = Open();
    form.SetText(FormText::SaveFolder, "C:\\Ünïcode");
    ASSERT_TRUE(form.Ok());
    EXPECT_EQ(form.Ok()->focus, FormText::SaveFolder);
    // Typing a name makes the class target acceptable.
    form.SetText(FormText::SaveFolder, "");
    form.ChooseTarget(2);
    form.SetText(FormText::ClassName, "Notepad");
    EXPECT_FALSE(form.Ok());
    EXPECT_EQ(std::tie(settings.pos, settings.className), std::tuple(2, "Notepad"));
}

TEST_F(SettingsTest, FormStoresTheSaveFolderRelativeToTheProgram) {
    // from the folder chooser ("": typed by hand), what the box holds then, what it shows and what is stored
    const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
        {"C:\\prog\\data", "", "data\\", "data\\"},
        {"C:\\prog", "", "", ""},
        {"C:\\prog\\my shots", "", "\"my shots\\\"", "my shots\\"},
        {"D:\\shots", "", "D:\\shots", "D:\\shots"},
        {"", "c:\\PROG", "c:\\PROG", ""},  // the program folder by hand, in another case
        {"", "", "", ""},
    };
    for (const auto& [chosen, typed, shown, stored] : cases) {
        SettingsForm form = Open();
        form.SetText(FormText::SaveFolder, typed);
        form.FolderChosen(chosen);
        EXPECT_EQ(form.text(FormText::SaveFolder), shown) << chosen;
        EXPECT_FALSE(form.Ok()) << chosen;
        EXPECT_EQ(settings.saveFolderPath, stored) << chosen;
    }
    settings.saveFolderPath = "data";
    EXPECT_EQ(Open().FolderChooserStart(), "C:\\prog\\data");
    settings.saveFolderPath = "";
    EXPECT_EQ(Open().FolderChooserStart(), "C:\\prog\\");
}

TEST_F(SettingsTest, FormOkStoresEveryBoxCancelOnlyTheShift) {
    settings.loadFiles = "abc";
    {
        SettingsForm form = Open();
        form.SetCheck(FormCheck::Shift, true);
        form.SetText(FormText::ShiftX, "-12");
        form.SetText(FormText::ShiftY, "99999999999");  // pasted: clamps
        form.LeaveShift();
        form.SetCheck(FormCheck::CaptureSound, false);
        form.SetText(FormText::SizeWidth, "");
    }  // Cancel: the form goes without Ok.
    EXPECT_EQ(std::tie(settings.shift, settings.shiftX, settings.shiftY, settings.captureSound, settings.sizeWidth),
              std::tuple(1, -12, 2147483647, 1, 16));

    SettingsForm form = Open();
    EXPECT_EQ(form.text(FormText::ShiftX), "-12");
    form.ChooseFormat(2);
    form.SetKey(FormKey::Copy, "G");
    form.SetKey(FormKey::Rect, "Alt");
    form.SetCheck(FormCheck::CaptureSound, false);
    form.SetCheck(FormCheck::Hosei, true);
    form.SetText(FormText::HoseiWidth, "-4");
    form.SetText(FormText::SizeWidth, "abc");  // fixed sizes are not filtered: no digits reads 0
    form.SetText(FormText::ThumbnailWidth, "200");
    ASSERT_FALSE(form.Ok());
    EXPECT_EQ(std::tie(settings.saveFileFormat, settings.hotkeyCopy, settings.hotkeyRect, settings.captureSound,
                       settings.hosei, settings.hoseiWidth, settings.sizeWidth, settings.thumbnailWidth),
              std::tuple(2, "G", "Alt", 0, 1, -4, 0, 200));
    EXPECT_EQ(settings.loadFiles, "abc") << "a text the box could not show stays unless it was changed";

    SettingsForm again = Open();
    again.SetCheck(FormCheck::LoadFiles, true);
    again.SetCheck(FormCheck::LoadFiles, false);
    ASSERT_FALSE(again.Ok());
    EXPECT_EQ(settings.loadFiles, "abc") << "checked and unchecked again is no change";
    SettingsForm changed = Open();
    changed.SetCheck(FormCheck::LoadFiles, true);
    ASSERT_FALSE(changed.Ok());
    EXPECT_EQ(settings.loadFiles, "1");
}

}  // namespace
}  // namespace tessarin::test
