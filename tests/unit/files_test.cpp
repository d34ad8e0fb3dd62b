#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "core/files/load_order.h"
#include "core/files/save_naming.h"
#include "core/files/thumbnail_box.h"
#include "support/fake_filesystem.h"

namespace tessarin::test {
namespace {

using namespace std::string_literals;

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

TEST(SaveNaming, NamesInAndBesideTheSaveFolder) {
    const FakeFileSystem fs = SaveTree();
    const PathContext ctx{fs, "C:\\prog"};
    // entry file name; target and bitmap in C:\prog\data; whether the bitmap is converted
    const std::tuple<const char*, const char*, const char*, bool> cases[] = {
        // Any extension blocks a base name: photo.png makes photo.jpg take the next name.
        {"photo.jpg", "photo_2.jpg", "photo_2.bmp", true},
        {"x.jpeg", "x.jpeg.jpg", "x.jpeg.bmp", true},
        {"noext", "noext.jpg", "noext.bmp", true},
        {"Shot.PNG", "Shot.PNG", "Shot.bmp", true},
        {"shot.BMP", "shot.BMP", "shot.bmp", false},
        {"a:b.gif", "a：b.gif", "a：b.bmp", true},
        // A window title with a control character (Windows refuses one in a name) or a trailing dot.
        {"tab\x01"
         "bell\x07.",
         "tab bell ..jpg", "tab bell ..bmp", true},
    };
    for (const auto& [fileName, target, bitmap, converts] : cases) {
        const SavePlan plan = SaveEntryPlan(fileName, SaveSettings(), ctx);
        EXPECT_EQ(plan.target, std::string("C:\\prog\\data\\") + target) << fileName;
        EXPECT_EQ(plan.bitmap, std::string("C:\\prog\\data\\") + bitmap) << fileName;
        EXPECT_EQ(plan.NeedsConversion(), converts) << fileName;
    }

    // Save as writes the chosen path; only the bitmap takes a free name, so a bmp copy beside
    // an existing file goes to _2.
    const SavePlan bmp = SaveImagePlan("C:\\out\\pic.bmp", fs);
    EXPECT_TRUE(bmp.bitmap == "C:\\out\\pic_2.bmp" && !bmp.NeedsConversion()) << bmp.bitmap;
    const SavePlan jpg = SaveImagePlan("C:\\out\\new.jpg", fs);
    EXPECT_EQ(jpg.target + " " + jpg.bitmap, "C:\\out\\new.jpg C:\\out\\new.bmp");

    const std::pair<const char*, SaveFormat> formats[] = {
        {"a.BMP", SaveFormat::Bmp}, {"a.jpg", SaveFormat::Jpg},          {"a.Png", SaveFormat::Png},
        {"a.gif", SaveFormat::Gif}, {"a.jpeg", SaveFormat::Unsupported}, {"C:\\a.jpg\\b", SaveFormat::Unsupported}};
    for (const auto& [path, format] : formats) EXPECT_EQ(SaveFormatOf(path), format) << path;

    // Save as must not write directly into the save folder, however the folder is spelt.
    for (const auto& [folder, shown] : {std::pair{"data", "C:\\prog\\data"}, std::pair{"data\\", "C:\\prog\\data\\"},
                                        std::pair{"C:\\PROG\\data", "C:\\PROG\\data"}}) {
        const Settings settings = SaveSettings(folder);
        EXPECT_EQ(SaveFolderRefusal("C:\\prog\\DATA\\x.jpg", settings, ctx).value_or("none"),
                  std::string(shown) + " 以外のフォルダを指定して下さい！");
        EXPECT_FALSE(SaveFolderRefusal("C:\\prog\\data\\sub\\x.jpg", settings, ctx)) << folder;
        EXPECT_FALSE(SaveFolderRefusal("C:\\prog\\x.jpg", settings, ctx)) << folder;
    }
}

TEST(SaveNaming, DialogFilterAndExtensionRule) {
    EXPECT_EQ(DefaultSaveFilter(),
              "ビットマップ(*.bmp)\0*.bmp\0JPEG(*.jpg)\0*.jpg\0PNG(*.png)\0*.png\0GIF(*.gif)\0*.gif"s);
    // The chosen name, filter ("": the default one), filter index (0: the first) and the name saved.
    // A name already ending in the extension (case-sensitive) is kept; a "*" pattern, one without an
    // extension and an index outside the list add nothing.
    const std::tuple<const char*, std::string, int32_t, const char*> cases[] = {
        {"C:\\d\\photo.JPG", "", 2, "C:\\d\\photo.JPG.jpg"},
        {"C:\\d\\photo", "", 0, "C:\\d\\photo.bmp"},
        {"C:\\d\\photo.gif", "", 4, "C:\\d\\photo.gif"},
        {"C:\\d\\photo", "All\0*.*"s, 1, "C:\\d\\photo"},
        {"C:\\d\\photo", "None\0*"s, 1, "C:\\d\\photo"},
        {"C:\\d\\photo", "", 5, "C:\\d\\photo"},
        {"C:\\d\\photo", "", -3, "C:\\d\\photo"}};
    for (const auto& [chosen, filter, index, result] : cases)
        EXPECT_EQ(WithFilterExtension(chosen, filter, index), result) << chosen << " " << index;
    for (const auto& [name, index] : {std::pair{"a.png", 3}, std::pair{"a", 2}, std::pair{"a.jpeg", 1}})
        EXPECT_EQ(SaveAsFilterIndex(name, SaveSettings()), index) << name;
}

TEST(ThumbnailBox, FilesFitOrStretch) {
    // Picture, box 120 x 90 (or 120 x 0), static box, the file. 100 x 50 fits its box of 120 x 60 and
    // is copied as it is; a static box stretches every picture; a box is never empty.
    const std::tuple<int32_t, int32_t, bool, bool, std::optional<ThumbnailFile>> cases[] = {
        {800, 600, true, false, ThumbnailFile{120, 90, true}},
        {1000, 250, true, false, ThumbnailFile{120, 30, true}},
        {300, 600, true, false, ThumbnailFile{45, 90, true}},
        {100, 50, true, false, ThumbnailFile{100, 50, false}},
        {100, 50, true, true, ThumbnailFile{120, 90, true}},
        {1000, 250, true, true, ThumbnailFile{120, 90, true}},
        {10000, 1, true, false, ThumbnailFile{120, 1, true}},
        {0, 50, true, false, std::nullopt},
        {800, 600, false, false, std::nullopt}};
    for (const auto& [width, height, box, isStatic, file] : cases)
        EXPECT_EQ(PlanThumbnailFile(width, height, 120, box ? 90 : 0, isStatic), file) << width << "x" << height;
}

TEST(ThumbnailBox, StripPictures) {
    // Pictures that fit the 765 x 675 twips panel are shown as they are; larger ones are held to the
    // box (20000 x 1 is not 2667 wide) and rounded to even (16.5 to 16).
    const std::tuple<int32_t, int32_t, std::optional<StripThumbnail>> cases[] = {
        {40, 30, StripThumbnail{false, 600, 450, 40, 30}},
        {51, 45, StripThumbnail{false, 765, 675, 51, 45}},
        {800, 600, StripThumbnail{true, 690, 495, 44, 33}},
        {1000, 250, StripThumbnail{true, 690, 169, 45, 11}},
        {300, 600, StripThumbnail{true, 382, 495, 16, 33}},
        {20000, 1, StripThumbnail{true, 690, 2, 46, 1}},
        {0, 10, std::nullopt}};
    for (const auto& [width, height, thumb] : cases)
        EXPECT_EQ(PlanStripThumbnail(width, height, PanelMetrics{}), thumb) << width << "x" << height;
}

TEST(ThumbnailBox, ScalingDownAveragesEachChannelOverItsArea) {
    // 4 x 2: two 2 x 2 blocks, averaged per channel (alpha included) and rounded.
    const std::vector<uint32_t> source = {0x000000FF, 0x00000001, 0xFF00FF00, 0xFF00FF00,
                                          0x00FF0000, 0x00FF0000, 0x01020304, 0x01020304};
    EXPECT_EQ(ScaleDownByArea(source.data(), 4, 2, 2, 1), (std::vector<uint32_t>{0x00800040, 0x80018102}));
    // 3 x 1 into one pixel: uneven cells still cover every source pixel once.
    const std::vector<uint32_t> row = {30, 60, 90};
    EXPECT_EQ(ScaleDownByArea(row.data(), 3, 1, 1, 1), std::vector<uint32_t>{60});
    EXPECT_EQ(ScaleDownByArea(row.data(), 3, 1, 2, 1), (std::vector<uint32_t>{30, 75}));
    for (const auto& [w, h] : {std::pair{4, 1}, std::pair{0, 1}, std::pair{1, 2}, std::pair{-1, 1}})
        EXPECT_TRUE(ScaleDownByArea(row.data(), 3, 1, w, h).empty()) << w << "x" << h;
}

TEST(LoadOrder, ImagesOfTheSaveFolderInCharacterOrder) {
    FakeFileSystem fs = SaveTree();
    const PathContext ctx{fs, "C:\\prog"};
    for (const char* name : {"a.PNG", "b.jpg", "c.txt", "B.bmp", "x.jpe", "x.jpeg", "g.GIF", "noext"})
        fs.addFile(std::string("C:\\prog\\data\\") + name);
    fs.addFile("C:\\prog\\data\\h.jpg", {}, true, false);
    fs.addFolder("C:\\prog\\data\\d.jpg");
    fs.modified["c:\\prog\\data\\b.jpg"] = 77;
    std::vector<FolderImage> expected;
    for (const char* name : {"B.bmp", "a.PNG", "b.jpg", "g.GIF", "photo.png", "x.jpeg"})
        expected.push_back({std::string("C:\\prog\\data\\") + name, {0, 0}});
    expected[2].stamp.modified = 77;
    EXPECT_EQ(ImagesToLoad(SaveSettings(), ctx), expected);
    EXPECT_EQ(ImagesToLoad(SaveSettings("\"C:\\prog\\data\""), ctx), expected);

    EXPECT_TRUE(IsPngPath("C:\\prog\\data\\a.PNG") && !IsPngPath("C:\\prog\\data.png\\a"));
    EXPECT_EQ(LoadProgressText(2, 5), "ファイル読込中！ 2/5");
}

}  // namespace
}  // namespace tessarin::test
