#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/files/load_order.h"
#include "core/files/save_naming.h"
#include "core/files/thumbnail_box.h"
#include "support/fake_filesystem.h"

namespace tessarin::test {
namespace {

FakeFileSystem SaveTree() {
    FakeFileSystem fs;
    for (const char* f : {"C:\\", "C:\\prog", "C:\\prog\\data", "C:\\out"}) fs.addFolder(f);
    fs.addFile("C:\\prog\\data\\photo.png");
    fs.addFile("C:\\out\\pic.bmp");
    return fs;
}

Settings SaveSettings(const char* folder = "data") {
    Settings settings;
    settings.saveFolderPath = folder;
    settings.saveFileFormat = 1;  // jpg
    return settings;
}

TEST(SaveNaming, EntryNamesInTheSaveFolder) {
    const FakeFileSystem fs = SaveTree();
    const PathContext ctx{fs, "C:\\prog"};
    struct Case {
        const char* fileName;
        const char* target;
        const char* bitmap;
        bool converts;
    };
    const Case cases[] = {
        // Any extension blocks a base name: photo.png makes photo.jpg take the next name.
        {"photo.jpg", "C:\\prog\\data\\photo_2.jpg", "C:\\prog\\data\\photo_2.bmp", true},
        {"x.jpeg", "C:\\prog\\data\\x.jpeg.jpg", "C:\\prog\\data\\x.jpeg.bmp", true},
        {"noext", "C:\\prog\\data\\noext.jpg", "C:\\prog\\data\\noext.bmp", true},
        {"Shot.PNG", "C:\\prog\\data\\Shot.PNG", "C:\\prog\\data\\Shot.bmp", true},
        {"shot.BMP", "C:\\prog\\data\\shot.BMP", "C:\\prog\\data\\shot.bmp", false},
        {"a:b.gif", "C:\\prog\\data\\a：b.gif", "C:\\prog\\data\\a：b.bmp", true},
    };
    for (const Case& c : cases) {
        const SavePlan plan = SaveEntryPlan(c.fileName, SaveSettings(), ctx);
        EXPECT_EQ(plan.target, c.target) << c.fileName;
        EXPECT_EQ(plan.bitmap, c.bitmap) << c.fileName;
        EXPECT_EQ(plan.NeedsConversion(), c.converts) << c.fileName;
    }
    EXPECT_EQ(SaveFailedText("C:\\d\\a.jpg"), "C:\\d\\a.jpgの作成に失敗！\r\n");

    // Save as writes the chosen path; only the bitmap takes a free name, so a bmp copy beside
    // an existing file goes to _2.
    const SavePlan bmp = SaveImagePlan("C:\\out\\pic.bmp", fs);
    EXPECT_EQ(bmp.bitmap, "C:\\out\\pic_2.bmp");
    EXPECT_FALSE(bmp.NeedsConversion());
    const SavePlan jpg = SaveImagePlan("C:\\out\\new.jpg", fs);
    EXPECT_EQ(jpg.target, "C:\\out\\new.jpg");
    EXPECT_EQ(jpg.bitmap, "C:\\out\\new.bmp");

    const std::pair<const char*, SaveFormat> formats[] = {
        {"a.BMP", SaveFormat::Bmp}, {"a.jpg", SaveFormat::Jpg},          {"a.Png", SaveFormat::Png},
        {"a.gif", SaveFormat::Gif}, {"a.jpeg", SaveFormat::Unsupported}, {"C:\\a.jpg\\b", SaveFormat::Unsupported}};
    for (const auto& [path, format] : formats) EXPECT_EQ(SaveFormatOf(path), format) << path;
}

TEST(SaveNaming, DialogFilterAndExtensionRule) {
    const std::string filter = DefaultSaveFilter();
    static constexpr char kExpected[] =
        "ビットマップ(*.bmp)\0*.bmp\0JPEG(*.jpg)\0*.jpg\0PNG(*.png)\0*.png\0GIF(*.gif)\0*.gif";
    EXPECT_EQ(filter, std::string(kExpected, sizeof kExpected - 1));
    struct Case {
        const char* chosen;
        std::string filter;
        int32_t index;
        const char* result;
    };
    const Case cases[] = {
        {"C:\\d\\photo.JPG", "", 2, "C:\\d\\photo.JPG.jpg"},  // case-sensitive
        {"C:\\d\\photo.png", "", 2, "C:\\d\\photo.png.jpg"},
        {"C:\\d\\photo.jpg", "", 2, "C:\\d\\photo.jpg"},
        {"C:\\d\\photo", "", 0, "C:\\d\\photo.bmp"},  // index 0 is the first filter
        {"C:\\d\\photo.gif", filter, 4, "C:\\d\\photo.gif"},
        {"C:\\d\\photo", std::string("All\0*.*", 7), 1, "C:\\d\\photo"},
        {"C:\\d\\photo", std::string("None\0*", 6), 1, "C:\\d\\photo"},
        {"C:\\d\\photo", "", 5, "C:\\d\\photo"},  // beyond the list
        {"C:\\d\\photo", "", -3, "C:\\d\\photo"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WithFilterExtension(c.chosen, c.filter, c.index), c.result) << c.chosen << " " << c.index;
    }
    const Settings settings = SaveSettings();
    EXPECT_EQ(SaveAsFilterIndex("a.png", settings), 3);
    EXPECT_EQ(SaveAsFilterIndex("a", settings), 2);
    EXPECT_EQ(SaveAsFilterIndex("a.jpeg", settings), 1);
}

TEST(SaveNaming, SaveAsRefusesTheSaveFolderItself) {
    const FakeFileSystem fs = SaveTree();
    const PathContext ctx{fs, "C:\\prog"};
    for (const char* folder : {"data", "data\\", "C:\\PROG\\data"}) {
        const Settings settings = SaveSettings(folder);
        const auto refusal = SaveFolderRefusal("C:\\prog\\DATA\\x.jpg", settings, ctx);
        ASSERT_TRUE(refusal) << folder;
        EXPECT_TRUE(refusal->ends_with(" 以外のフォルダを指定して下さい！")) << *refusal;
        EXPECT_FALSE(SaveFolderRefusal("C:\\prog\\data\\sub\\x.jpg", settings, ctx)) << folder;
        EXPECT_FALSE(SaveFolderRefusal("C:\\prog\\x.jpg", settings, ctx)) << folder;
    }
    EXPECT_EQ(SaveFolderRefusal("C:\\prog\\data\\x.jpg", SaveSettings(), ctx),
              "C:\\prog\\data 以外のフォルダを指定して下さい！");
}

TEST(ThumbnailBox, FilesFitOrStretch) {
    struct Case {
        int32_t width, height;
        bool isStatic;
        std::optional<ThumbnailFile> file;
    };
    const Case cases[] = {
        {800, 600, false, ThumbnailFile{120, 90, true}},
        {1000, 250, false, ThumbnailFile{120, 30, true}},
        {300, 600, false, ThumbnailFile{45, 90, true}},
        {100, 50, false, ThumbnailFile{100, 50, false}},  // box 120 x 60: fits, copied as it is
        {60, 40, false, ThumbnailFile{60, 40, false}},
        {100, 50, true, ThumbnailFile{120, 90, true}},
        {800, 600, true, ThumbnailFile{120, 90, true}},
        {10000, 1, false, ThumbnailFile{120, 1, true}},  // never an empty box
        {0, 50, false, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlanThumbnailFile(c.width, c.height, 120, 90, c.isStatic), c.file) << c.width << "x" << c.height;
    }
    EXPECT_EQ(PlanThumbnailFile(800, 600, 120, 0, false), std::nullopt);
}

TEST(ThumbnailBox, StripPictures) {
    struct Case {
        int32_t width, height;
        std::optional<StripThumbnail> thumb;
    };
    const Case cases[] = {
        {40, 30, StripThumbnail{false, 600, 450, 40, 30}},  // fits the 765 x 675 panel
        {51, 45, StripThumbnail{false, 765, 675, 51, 45}},
        {800, 600, StripThumbnail{true, 690, 495, 44, 33}},
        {1000, 250, StripThumbnail{true, 690, 169, 45, 11}},
        {300, 600, StripThumbnail{true, 382, 495, 16, 33}},  // 16.5 rounds to the even 16
        {20000, 1, StripThumbnail{true, 690, 2, 46, 1}},     // held to the box, not 2667 wide
        {0, 10, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlanStripThumbnail(c.width, c.height, PanelMetrics{}), c.thumb) << c.width << "x" << c.height;
    }
}

TEST(LoadOrder, ImagesOfTheSaveFolderInCharacterOrder) {
    FakeFileSystem fs = SaveTree();
    fs.remove("C:\\prog\\data\\photo.png");
    const PathContext ctx{fs, "C:\\prog"};
    EXPECT_TRUE(ImagesToLoad(SaveSettings(), ctx).empty());

    for (const char* name : {"a.PNG", "b.jpg", "c.txt", "B.bmp", "x.jpe", "x.jpeg", "g.GIF", "noext"})
        fs.addFile(std::string("C:\\prog\\data\\") + name);
    fs.addFile("C:\\prog\\data\\h.jpg", {}, true, false);
    fs.addFolder("C:\\prog\\data\\d.jpg");
    const std::vector<std::string> expected = {"C:\\prog\\data\\B.bmp", "C:\\prog\\data\\a.PNG",
                                               "C:\\prog\\data\\b.jpg", "C:\\prog\\data\\g.GIF",
                                               "C:\\prog\\data\\x.jpeg"};
    EXPECT_EQ(ImagesToLoad(SaveSettings(), ctx), expected);
    EXPECT_EQ(ImagesToLoad(SaveSettings("\"C:\\prog\\data\""), ctx), expected);

    EXPECT_TRUE(IsPngPath("C:\\prog\\data\\a.PNG"));
    EXPECT_FALSE(IsPngPath("C:\\prog\\data.png\\a"));
    EXPECT_EQ(LoadProgressText(2, 5), "ファイル読込中！ 2/5");
}

}  // namespace
}  // namespace tessarin::test
