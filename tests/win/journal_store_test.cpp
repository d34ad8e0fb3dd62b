// The capture journal's files on the real file system: locks that keep another program out, files
// written whole and renamed, pictures that come back pixel for pixel, and the journal over them with
// its background worker.

#include "win32/journal_store.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/journal/capture_journal.h"
#include "win32/background_work.h"
#include "win32/filesystem.h"
#include "win32/wide.h"
#include "win_test_support.h"

namespace tessarin::test {
namespace {

bool Exists(const std::string& path) {
    return ::GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> Names(const std::vector<JournalStore::Listed>& listed) {
    std::vector<std::string> names;
    for (const auto& entry : listed) names.push_back(entry.name + (entry.folder ? "\\" : ""));
    std::ranges::sort(names);
    return names;
}

TEST(WinJournalStore, ALockKeepsEveryOtherOpenerOutUntilItIsLetGo) {
    TempFolder folder;
    WinFileSystem fs;
    WinJournalStore mine(fs);
    WinJournalStore other(fs);
    const std::string session = folder / "20251206-054640-0001";
    EXPECT_EQ(mine.makeFolder(session), JournalStore::Made::New);
    EXPECT_EQ(mine.makeFolder(session), JournalStore::Made::Existed);
    EXPECT_EQ(mine.makeFolder(folder / "missing\\deeper"), JournalStore::Made::Failed);
    ASSERT_TRUE(WriteBytes(folder / "a file", "x"));
    EXPECT_EQ(mine.makeFolder(folder / "a file"), JournalStore::Made::Failed);

    ASSERT_TRUE(mine.lock(session));
    EXPECT_FALSE(other.lock(session));
    // Held, neither the lock file nor its folder can go.
    EXPECT_FALSE(other.remove(session + "\\lock"));
    other.removeFolder(session);
    EXPECT_TRUE(Exists(session + "\\lock"));
    mine.unlock(session);
    EXPECT_FALSE(Exists(session + "\\lock"));
    // A lock file left by a program that has gone is no lock.
    ASSERT_TRUE(WriteBytes(session + "\\lock", ""));
    ASSERT_TRUE(other.lock(session));
    EXPECT_FALSE(mine.lock(session));
    other.unlock(session);
    other.removeFolder(session);
    EXPECT_FALSE(Exists(session));
    EXPECT_FALSE(mine.lock(folder / "missing"));
}

TEST(WinJournalStore, FilesAreWrittenWholeRenamedIntoPlaceAndRemoved) {
    TempFolder folder;
    WinFileSystem fs;
    WinJournalStore store(fs);
    const std::string file = folder / "00000000000000000001.tjr";
    const std::string bytes(3 << 20, 'j');  // several write calls
    ASSERT_TRUE(store.write(file + ".tmp", bytes));
    ASSERT_TRUE(store.rename(file + ".tmp", file, false));
    EXPECT_EQ(store.read(file), bytes);
    ASSERT_TRUE(store.write(file + ".tmp", "newer"));
    EXPECT_FALSE(store.rename(file + ".tmp", file, false)) << "an existing file is replaced only when asked";
    EXPECT_TRUE(store.rename(file + ".tmp", file, true));
    EXPECT_EQ(store.read(file), "newer");
    EXPECT_FALSE(store.write(folder / "missing\\x.tmp", "x"));
    EXPECT_EQ(store.makeFolder(folder / "damaged"), JournalStore::Made::New);
    EXPECT_EQ(Names(store.list(folder.path())), (std::vector<std::string>{"00000000000000000001.tjr", "damaged\\"}));
    EXPECT_TRUE(store.list(folder / "missing").empty());
    store.removeFolder(folder.path());
    EXPECT_TRUE(Exists(file)) << "a folder that holds files stays";
    EXPECT_TRUE(store.remove(file));
    EXPECT_TRUE(store.remove(file)) << "a file that is not there is gone";
    EXPECT_FALSE(store.read(file));
}

TEST(WinJournalStore, PicturesComeBackPixelForPixel) {
    WinFileSystem fs;
    const WinJournalStore store(fs);
    std::mt19937 random(21);
    const auto picture = [&](int32_t width, int32_t height, bool noisy) {
        Image image{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * static_cast<size_t>(height))};
        for (size_t i = 0; i < image.pixels.size(); ++i)
            image.pixels[i] = noisy ? random() & 0xFFFFFF : static_cast<uint32_t>(i * 0x010203) & 0xFFFFFF;
        return image;
    };
    for (const Image& image : {picture(1, 1, true), picture(3, 2, false), picture(301, 17, true),
                               picture(1920, 1080, false), picture(640, 480, true)}) {
        const auto encoded = store.encodePicture(image);
        ASSERT_TRUE(encoded) << image.width;
        EXPECT_TRUE(encoded->starts_with("\x89PNG")) << image.width;
        const SharedImage decoded = store.decodePicture(*encoded);
        ASSERT_NE(decoded, nullptr) << image.width;
        EXPECT_EQ(std::tie(decoded->width, decoded->height), std::tie(image.width, image.height));
        EXPECT_TRUE(decoded->pixels == image.pixels) << image.width << " x " << image.height;
        EXPECT_EQ(store.decodePicture(std::string_view(*encoded).substr(0, encoded->size() / 2)), nullptr);
    }
    EXPECT_FALSE(store.encodePicture(Image{}));
    EXPECT_EQ(store.decodePicture("not a picture"), nullptr);
    EXPECT_EQ(store.decodePicture(""), nullptr);
}

// The journal over the real store and worker: a capture written away from this thread comes back
// from its file, a second journal opened meanwhile leaves the first one's alone, and what the first
// kept is taken over once it has gone.
TEST(WinJournalStore, TheJournalKeepsCapturesInFilesAndTakesOverThoseOfAProgramThatHasGone) {
    TempFolder folder;
    WinFileSystem fs;
    SystemClock clock;
    const auto picture = std::make_shared<Image>(Image{64, 48, std::vector<uint32_t>(64 * 48, 0x3366CC)});
    const std::vector<JournalRoot> roots = JournalRoots(folder.path(), folder / "local");
    ASSERT_EQ(WinJournalStore(fs).makeFolder(folder / "local"), JournalStore::Made::New);

    WinJournalStore store(fs);
    WinBackgroundWork background;
    CaptureJournal journal({store, background, clock, roots});
    EXPECT_TRUE(journal.Open().captures.empty());
    std::atomic<int> told{0};
    const auto done = [&](JournalKey, bool written) { told += written ? 1 : 100; };
    const JournalKey kept = journal.Keep(picture, Image{2, 1, {1, 2}}, "C:\\d\\a.jpg", "win a", done);
    const JournalKey letGo = journal.Keep(picture, Image{}, "C:\\d\\b.jpg", "win b", done);
    ASSERT_TRUE(Await([&] { return told >= 2; }));
    EXPECT_EQ(told, 2);
    EXPECT_TRUE(journal.Settled(kept));
    const SharedImage back = journal.Read(kept);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->pixels == picture->pixels);
    journal.Forget(letGo);

    WinJournalStore otherStore(fs);
    WinBackgroundWork otherBackground;
    CaptureJournal other({otherStore, otherBackground, clock, roots});
    EXPECT_TRUE(other.Open().captures.empty());
    (void)otherBackground.finish(5000);
    other.Close();

    (void)background.finish(5000);
    journal.Close();
    WinJournalStore nextStore(fs);
    WinBackgroundWork nextBackground;
    CaptureJournal next({nextStore, nextBackground, clock, roots});
    const Restoration restored = next.Open();
    ASSERT_EQ(restored.captures.size(), 1u);
    EXPECT_EQ(restored.captures[0].record.fullPath, "C:\\d\\a.jpg");
    EXPECT_EQ(restored.captures[0].thumbnail.pixels, (std::vector<uint32_t>{1, 2}));
    const SharedImage again = next.Read(restored.captures[0].key);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->pixels == picture->pixels);
    next.Forget(restored.captures[0].key);
    (void)nextBackground.finish(5000);
    next.Close();
    // A normal end leaves no journal behind.
    EXPECT_FALSE(Exists(folder / "journal"));
    EXPECT_FALSE(Exists(folder / "local\\Tessarin"));
}

}  // namespace
}  // namespace tessarin::test
