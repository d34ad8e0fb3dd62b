// The image list's files through the real store: what a save writes comes back, pixel for
// pixel where the format keeps them, through the reader the list uses for that extension.

#include "win32/image_store.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/files/save_naming.h"
#include "gdi_meter.h"
#include "win/win_test_support.h"
#include "win32/filesystem.h"

namespace tessarin::test {
namespace {

Image Halves(int32_t width, int32_t height) {
    Image image;
    image.width = width;
    image.height = height;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) image.pixels.push_back(x < width / 2 ? 0xFF0000U : 0x0000FFU);
    return image;
}

TEST(WinImageStore, WritesEachFormatReadsItBackAndRemovesIt) {
    TempFolder folder;
    WinFileSystem fs;
    const PathContext paths{fs, ProgramBinFolder()};
    WinImageStore store(paths);
    ASSERT_TRUE(store.canSave());
    const Image image = Halves(40, 30);
    const struct {
        const char* name;
        bool exact;  // lossless
    } cases[] = {{"a.bmp", true}, {"b.png", true}, {"c.gif", true}, {"d.jpg", false}, {"画像.png", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string target = folder / c.name;
        const SavePlan plan{target, GetExtension(target) == "bmp" ? target : folder / "x.bmp"};
        ASSERT_TRUE(store.write(image, plan));
        EXPECT_TRUE(store.isFile(target));
        EXPECT_EQ(store.isFile(plan.bitmap), plan.bitmap == target);  // the bitmap on its way is gone
        const ImageStore::ReadResult read = store.read(target);
        ASSERT_NE(read.image, nullptr) << read.description;
        EXPECT_EQ(std::pair(read.image->width, read.image->height), std::pair(40, 30));
        if (c.exact) {
            EXPECT_EQ(read.image->pixels, image.pixels);
        }
        store.remove(target);
        EXPECT_FALSE(store.isFile(target));
    }
    // A file that is not a picture is a failure with a reason, never an image.
    ASSERT_TRUE(WriteBytes(folder / "bad.jpg", "not a picture"));
    const ImageStore::ReadResult bad = store.read(folder / "bad.jpg");
    EXPECT_EQ(bad.image, nullptr);
    EXPECT_NE(bad.errorNumber, 0);
    EXPECT_EQ(store.read(folder / "bad.png").image, nullptr);
}

TEST(WinImageStore, ReadingAndWritingLeaveNoGdiObjectsBehindAsAProbeThatSeesALeakOf20Shows) {
    TempFolder folder;
    WinFileSystem fs;
    const PathContext paths{fs, ProgramBinFolder()};
    WinImageStore store(paths);
    const Image image = Halves(64, 48);
    const auto round = [&] {
        for (const char* name : {"a.png", "b.jpg"}) {
            const std::string target = folder / name;
            EXPECT_TRUE(store.write(image, SavePlan{target, folder / "x.bmp"}));
            EXPECT_NE(store.read(target).image, nullptr);
        }
    };
    round();  // the first round may fill caches of the system
    const long before = FreeGdiSlots();
    ASSERT_GT(before, 1000) << "an implausible handle table: the probe would prove nothing";
    {
        std::vector<GdiObject<HBITMAP>> leaked;
        for (int i = 0; i < 20; ++i) leaked.emplace_back(::CreateBitmap(2, 2, 1, 1, nullptr));
        ASSERT_EQ(FreeGdiSlots(), before - 20);
    }
    for (int i = 0; i < 20; ++i) round();
    EXPECT_EQ(FreeGdiSlots(), before);
}

}  // namespace
}  // namespace tessarin::test
