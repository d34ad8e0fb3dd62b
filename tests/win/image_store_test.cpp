// The image list's files through the real store: what a save writes comes back through the
// reader the list uses for that extension, and no GDI object stays behind. (Every format and
// name the codec and the loaders handle is their own tests' matter.)

#include "win32/image_store.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/files/save_naming.h"
#include "gdi_meter.h"
#include "win/win_test_support.h"
#include "win32/filesystem.h"

namespace tessarin::test {
namespace {

TEST(WinImageStore, WritesReadsAndRemovesLeavingNoGdiObjectAsAProbeThatSeesALeakOf20Shows) {
    TempFolder folder;
    WinFileSystem fs;
    const PathContext paths{fs, ProgramBinFolder()};
    WinImageStore store(paths);
    ASSERT_TRUE(folder.ok() && store.canSave());
    Image image{64, 48, {}};  // left half red, right half blue
    for (int32_t i = 0; i < 64 * 48; ++i) image.pixels.push_back(i % 64 < 32 ? 0xFF0000U : 0x0000FFU);
    const auto round = [&] {
        for (const char* name : {"a.bmp", "b.png", "c.jpg"}) {
            SCOPED_TRACE(name);
            const std::string target = folder / name;
            const SavePlan plan{target, GetExtension(target) == "bmp" ? target : folder / "x.bmp"};
            ASSERT_EQ(store.write(image, plan), ImageStore::WriteOutcome::Written);
            EXPECT_TRUE(store.isFile(target));
            EXPECT_EQ(store.isFile(plan.bitmap), plan.bitmap == target);  // the bitmap on its way is gone
            // The name is taken now (as by another program): nothing is written over it, and no
            // bitmap is left behind; a Save as the user confirmed replaces it.
            const std::string before = fs.readFile(target).value_or("");
            Image other = image;
            other.pixels.assign(other.pixels.size(), 0x00FF00U);
            EXPECT_EQ(store.write(other, plan), ImageStore::WriteOutcome::NameTaken);
            EXPECT_EQ(fs.readFile(target).value_or("?"), before);
            EXPECT_EQ(store.isFile(plan.bitmap), plan.bitmap == target);
            SavePlan replacing = plan;
            replacing.replaceTarget = true;
            EXPECT_EQ(store.write(other, replacing),
                      plan.bitmap == target ? ImageStore::WriteOutcome::NameTaken : ImageStore::WriteOutcome::Written);
            EXPECT_EQ(fs.readFile(target).value_or("") != before, plan.bitmap != target);
            ASSERT_EQ(store.write(image, replacing) == ImageStore::WriteOutcome::Written, plan.bitmap != target);
            const ImageStore::ReadResult read = store.read(target);
            ASSERT_NE(read.image, nullptr) << read.description;
            EXPECT_EQ(std::pair(read.image->width, read.image->height), std::pair(64, 48));
            EXPECT_TRUE(GetExtension(target) == "jpg" || read.image->pixels == image.pixels) << "lossless";
            store.remove(target);
            EXPECT_FALSE(store.isFile(target));
        }
        // A file that is not a picture is a failure with a reason, never an image.
        const ImageStore::ReadResult bad = store.read(folder / "bad.jpg");
        EXPECT_TRUE(bad.image == nullptr && bad.errorNumber != 0 && store.read(folder / "bad.png").image == nullptr);
    };
    ASSERT_TRUE(WriteBytes(folder / "bad.jpg", "not a picture") && WriteBytes(folder / "bad.png", "not a picture"));
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
