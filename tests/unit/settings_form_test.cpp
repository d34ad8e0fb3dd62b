#include "core/settings/settings_form.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/fake_filesystem.h"
#include "support/iconv_codepage.h"

namespace tessarin::test {
namespace {

const std::string kProgram = "C:\\Prog";

class SettingsFormTest : public ::testing::Test {
protected:
    SettingsFormTest() {
        fs.addFolder("C:\\");
        fs.addFolder(kProgram);
        fs.addFolder(kProgram + "\\data");
        fs.addFolder(kProgram + "\\my shots");
        fs.addFolder("D:\\shots");
        ResetSettings(settings);
    }
    SettingsForm Open() { return SettingsForm(settings, paths, codePage); }

    FakeFileSystem fs;
    PathContext paths{fs, kProgram};
    IconvCodePage codePage;
    Settings settings;
};

TEST_F(SettingsFormTest, OpensWithTheRecord) {
    struct Case {
        std::function<void(Settings&)> edit;
        std::function<bool(const SettingsForm&)> shows;
        const char* what;
    };
    const std::vector<Case> cases = {
        {[](Settings& s) { s.saveFileFormat = 7; }, [](auto& f) { return f.saveFormat() == 3; }, "7 shows gif"},
        {[](Settings& s) { s.saveFileFormat = -3; }, [](auto& f) { return f.saveFormat() == 0; }, "-3 shows bmp"},
        {[](Settings& s) { s.saveFolderPath = "data"; }, [](auto& f) { return f.text(FormText::SaveFolder) == "data"; },
         "a folder that exists shows as written"},
        {[](Settings& s) { s.saveFolderPath = "gone"; }, [](auto& f) { return f.text(FormText::SaveFolder).empty(); },
         "a folder that is gone shows empty"},
        {[](Settings& s) { s.loadFiles = "abc"; }, [](auto& f) { return !f.check(FormCheck::LoadFiles); },
         "a load-files text that is no number shows unchecked"},
        {[](Settings& s) { s.pos = 9; }, [](auto& f) { return f.pos() == -1; }, "a target outside the buttons"},
        {[](Settings& s) { s.hoseiLeft = -5; }, [](auto& f) { return f.text(FormText::HoseiLeft) == "-5"; },
         "numbers in decimal"},
        {[](Settings& s) { s.hotkeyCopy = "H"; },
         [](auto& f) { return f.KeyChoices(FormKey::Copy).back() == "H" && f.key(FormKey::Copy) == "H"; },
         "a key from the file that is not offered is listed too"},
    };
    for (const Case& c : cases) {
        ResetSettings(settings);
        c.edit(settings);
        EXPECT_TRUE(c.shows(Open())) << c.what;
    }
    EXPECT_EQ(Open().KeyChoices(FormKey::Rect), (std::vector<std::string>{"Shift", "Alt"}));
}

TEST_F(SettingsFormTest, GroupsFollowTheChoices) {
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

    form.SetCheck(FormCheck::Hosei, true);
    form.SetCheck(FormCheck::Size, true);
    form.SetCheck(FormCheck::AutoListing, false);
    look.hoseiFields = look.sizeFields = look.spaceEnabled = true;
    EXPECT_EQ(form.Look(), look);
    form.SetCheck(FormCheck::Space, true);
    look.autoListingEnabled = false;
    EXPECT_EQ(form.Look(), look);

    settings.autoListing = settings.space = 1;  // both on, by hand: both checked and both locked
    const FormLook locked = Open().Look();
    EXPECT_FALSE(locked.spaceEnabled || locked.autoListingEnabled);
}

TEST_F(SettingsFormTest, KeyFilters) {
    struct Case {
        FormText box;
        char32_t typed;
        bool accepted;
    };
    const Case cases[] = {
        {FormText::HoseiLeft, U'-', true},       {FormText::HoseiHeight, U'7', true},
        {FormText::ShiftY, U'-', true},          {FormText::ShiftX, U'a', false},
        {FormText::HoseiTop, U'+', false},       {FormText::ThumbnailWidth, U'-', false},
        {FormText::ThumbnailHeight, U'0', true}, {FormText::ThumbnailWidth, U'５', false},
        {FormText::ThumbnailWidth, 8, true},     {FormText::ThumbnailWidth, 0x16, true},  // Backspace, Ctrl+V
        {FormText::SizeWidth, U'x', true},       {FormText::ClassName, U'窓', true},
        {FormText::SaveFolder, U' ', true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SettingsForm::Accepts(c.box, c.typed), c.accepted)
            << static_cast<int>(c.box) << " " << static_cast<uint32_t>(c.typed);
}

TEST_F(SettingsFormTest, ThumbnailSizesMustBePositive) {
    SettingsForm form = Open();
    for (const char* text : {"", "0", "abc", "0.4", "-3"}) {
        form.SetText(FormText::ThumbnailHeight, text);
        const auto message = form.LeaveThumbnail(FormText::ThumbnailHeight);
        ASSERT_TRUE(message) << text;
        EXPECT_EQ(*message,
                  (FormMessage{"サイズは０より大きい値を入力して下さい！", "サイズ不正", FormText::ThumbnailHeight}));
        // Ok runs the same check first: nothing is stored.
        EXPECT_EQ(form.Ok(), message);
        EXPECT_EQ(settings.thumbnailHeight, 90);
    }
    form.SetText(FormText::ThumbnailHeight, "12abc");  // pasted: its leading number
    EXPECT_FALSE(form.LeaveThumbnail(FormText::ThumbnailHeight));
    EXPECT_FALSE(form.Ok());
    EXPECT_EQ(settings.thumbnailHeight, 12);
}

TEST_F(SettingsFormTest, OkRefusesWhatWouldNotComeBack) {
    struct Case {
        int32_t pos;
        std::string className, folder, message;
    };
    const Case cases[] = {
        {2, "", "", "クラス名が未入力です。"},
        {0, "A=B", "", "クラス名に「=」は使えません。"},
        {2, "Ünïcode", "", "クラス名に、このシステムの文字コードで保存できない文字があります。"},
        {0, "", "C:\\nowhere", "保存先フォルダが見つかりません。"},
        {0, "", "nowhere", "保存先フォルダが見つかりません。"},
    };
    for (const Case& c : cases) {
        SettingsForm form = Open();
        form.ChooseTarget(c.pos);
        form.SetText(FormText::ClassName, c.className);
        form.SetText(FormText::SaveFolder, c.folder);
        form.SetCheck(FormCheck::NoMouse, false);
        const auto message = form.Ok();
        ASSERT_TRUE(message) << c.message;
        EXPECT_EQ(message->text, c.message);
        EXPECT_EQ(message->title, "入力不正");
        EXPECT_EQ(message->focus, c.folder.empty() ? FormText::ClassName : FormText::SaveFolder);
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
    EXPECT_EQ(settings.pos, 2);
    EXPECT_EQ(settings.className, "Notepad");
}

TEST_F(SettingsFormTest, TheSaveFolderIsStoredRelativeToTheProgram) {
    struct Case {
        std::string chosen;  // from the folder chooser; "" when typed by hand
        std::string typed;   // what the box holds then
        std::string shown, stored;
    };
    const Case cases[] = {
        {"C:\\Prog\\data", "", "data\\", "data\\"},
        {"C:\\Prog", "", "", ""},
        {"C:\\Prog\\my shots", "", "\"my shots\\\"", "my shots\\"},
        {"D:\\shots", "", "D:\\shots", "D:\\shots"},
        {"", "c:\\prog", "c:\\prog", ""},  // the program folder by hand, in another case
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        SettingsForm form = Open();
        form.SetText(FormText::SaveFolder, c.typed);
        form.FolderChosen(c.chosen);
        EXPECT_EQ(form.text(FormText::SaveFolder), c.shown) << c.chosen;
        EXPECT_FALSE(form.Ok()) << c.chosen;
        EXPECT_EQ(settings.saveFolderPath, c.stored) << c.chosen;
    }
    settings.saveFolderPath = "data";
    EXPECT_EQ(Open().FolderChooserStart(), "C:\\Prog\\data");
    settings.saveFolderPath = "";
    EXPECT_EQ(Open().FolderChooserStart(), "C:\\Prog\\");
}

TEST_F(SettingsFormTest, OkStoresEveryBoxCancelOnlyTheShift) {
    settings.loadFiles = "abc";
    {
        SettingsForm form = Open();
        form.SetCheck(FormCheck::Shift, true);
        form.SetText(FormText::ShiftX, "-12");
        form.SetText(FormText::ShiftY, "99999999999");  // pasted: clamps
        form.LeaveShift();
        form.SetCheck(FormCheck::CaptureSound, false);
        form.SetText(FormText::SizeWidth, "");
        // Cancel: the form goes without Ok.
    }
    EXPECT_EQ(settings.shift, 1);
    EXPECT_EQ(settings.shiftX, -12);
    EXPECT_EQ(settings.shiftY, 2147483647);
    EXPECT_EQ(settings.captureSound, 1);
    EXPECT_EQ(settings.sizeWidth, 16);

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
    EXPECT_EQ(settings.saveFileFormat, 2);
    EXPECT_EQ(settings.hotkeyCopy, "G");
    EXPECT_EQ(settings.hotkeyRect, "Alt");
    EXPECT_EQ(settings.captureSound, 0);
    EXPECT_EQ(settings.hosei, 1);
    EXPECT_EQ(settings.hoseiWidth, -4);
    EXPECT_EQ(settings.sizeWidth, 0);
    EXPECT_EQ(settings.thumbnailWidth, 200);
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
