// The save folder at start-up: listed at once from the directory and the thumbnail cache, the
// rest decoded away from the window, and the cache written for the next start.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "core/files/thumbnail_cache.h"
#include "core/imagelist/list_controller.h"
#include "core/imagelist/strip_thumbnail.h"
#include "support/fake_list.h"

namespace tessarin::test {
namespace {

TEST(ThumbnailCache, RoundTripsAndRefusesWhatIsNotWhole) {
    ThumbnailCache cache(47, 33);
    Image striped = *Solid(47, 2, 0x123456);
    striped.pixels[1] = 0xABCDEF;
    cache.Put("a.jpg", {100, 7}, striped);
    cache.Put("名前.png", {5, 1ULL << 40}, *Solid(1, 33, 0xFF0000));
    cache.Put("too wide.bmp", {1, 1}, *Solid(48, 1, 0));  // not a thumbnail of this strip
    cache.Put("empty.bmp", {1, 1}, Image{});
    EXPECT_EQ(cache.size(), 2U);
    const std::string bytes = cache.Serialize();

    ThumbnailCache read(47, 33);
    ASSERT_TRUE(read.Parse(bytes));
    EXPECT_FALSE(read.dirty());
    ASSERT_NE(read.Find("a.jpg", {100, 7}), nullptr);
    EXPECT_EQ(read.Find("a.jpg", {100, 7})->pixels, striped.pixels);
    EXPECT_NE(read.Find("名前.png", {5, 1ULL << 40}), nullptr);
    EXPECT_EQ(read.Find("a.jpg", {100, 8}), nullptr) << "written again since";
    EXPECT_EQ(read.Find("a.jpg", {101, 7}), nullptr);
    EXPECT_EQ(read.Find("A.JPG", {100, 7}), nullptr);

    // Anything but the whole file, for this strip, is no cache.
    std::vector<std::string> broken = {"", bytes.substr(0, bytes.size() - 1), bytes + "x", "GIF89a" + bytes};
    for (size_t at : {size_t{0}, size_t{9}, size_t{20}, bytes.size() / 2, bytes.size() - 1}) {
        std::string flipped = bytes;
        flipped[at] = static_cast<char>(flipped[at] ^ 0x10);
        broken.push_back(flipped);
    }
    for (const std::string& damaged : broken) {
        ThumbnailCache again(47, 33);
        EXPECT_FALSE(again.Parse(damaged)) << damaged.size();
        EXPECT_EQ(again.size(), 0U);
    }
    ThumbnailCache otherScale(70, 49);
    EXPECT_FALSE(otherScale.Parse(bytes));

    read.KeepOnly({"a.jpg", "gone.jpg"});
    EXPECT_TRUE(read.dirty());
    EXPECT_EQ(read.size(), 1U);
}

struct FolderWorld : ListFakes {
    FakeDecoder decoder;
    FakeBackground* background = nullptr;  // none: the cache is read and written at once
    std::unique_ptr<ImageListController> list;

    explicit FolderWorld(FakeBackground* work = nullptr) : background(work) { Restart(); }
    // The program started again: a new list over the same folder.
    void Restart() {
        if (background != nullptr) background->RunAll();
        list = std::make_unique<ImageListController>(Context(&decoder, &fs, background));
        decoder.jobs.clear();
        journal.clear();
    }
    void File(const std::string& name, uint32_t colour, uint64_t time = 1) {
        store.Add(Path(name), Solid(64, 48, colour));
        fs.modified[AsciiLower(Path(name))] = time;
    }
    void Load() { list->LoadFiles(ImagesToLoad(settings, paths)); }
    // The decoder's answer for a job: the thumbnail of the file, or the failure.
    void Finish(size_t job) {
        const ThumbnailJob& j = decoder.jobs.at(job);
        const ImageStore::ReadResult read = store.read(j.path);
        DecodedThumbnail result{j.id, j.path, std::nullopt, read.errorNumber, read.description, read.tooLarge};
        if (read.image) result.thumbnail = MakeStripThumbnail(*read.image, StripLayoutFor(15));
        list->ThumbnailDecoded(result);
    }
    void Finish(const std::string& name) {
        const auto job = std::find_if(decoder.jobs.begin(), decoder.jobs.end(),
                                      [&](const ThumbnailJob& j) { return FileNameOf(j.path) == name; });
        ASSERT_NE(job, decoder.jobs.end()) << name;
        Finish(static_cast<size_t>(job - decoder.jobs.begin()));
    }
    std::vector<std::string> JobNames() const {
        std::vector<std::string> names;
        for (const ThumbnailJob& j : decoder.jobs) names.push_back(FileNameOf(j.path));
        return names;
    }
    uint32_t Colour(int32_t position) const {
        const Image* thumb = list->Thumbnail(position);
        return thumb == nullptr || thumb->Empty() ? 0xDEAD : thumb->pixels[0];
    }
};

TEST(FolderLoad, ListsAtOnceFillsInAndStartsFromTheCacheNextTime) {
    FolderWorld w;
    w.File("a.jpg", 0x0A);
    w.File("b.jpg", 0x0B);
    w.File("c.bmp", 0x0C);
    w.File("d.png", 0x0D);
    w.Load();
    // Every file is listed before a single one is decoded; the last is shown.
    EXPECT_EQ(w.list->Count(), 4);
    // The strip shows the end of the list: its panels are decoded first.
    EXPECT_EQ(w.JobNames(), (std::vector<std::string>{"d.png", "c.bmp", "b.jpg", "a.jpg"}));
    EXPECT_EQ(w.Colour(1), 0xDEADU);
    EXPECT_EQ(w.journal.back(), "notice ");
    EXPECT_EQ(std::count(w.journal.begin(), w.journal.end(), "status ロード完了！"), 1);
    EXPECT_EQ(w.store.reads, 1) << "only the preview";

    // Results come in any order; a file deleted meanwhile gets nothing; a deleted entry's result
    // is dropped.
    w.Finish("c.bmp");
    EXPECT_EQ(w.Colour(3), 0x0CU);
    w.list->Hover(2);
    w.list->mnuDel_Click(true, false);
    EXPECT_EQ(w.list->Count(), 3);
    w.Finish("b.jpg");
    w.Finish("a.jpg");
    EXPECT_FALSE(w.fs.stat("C:\\T\\data\\Tessarin.thumbs")) << "written once, when all are in";
    w.Finish("d.png");
    EXPECT_EQ(w.Colour(1), 0x0AU);
    EXPECT_EQ(w.Colour(3), 0x0DU);
    EXPECT_EQ(w.journal.back(), "status ロード完了！");
    ASSERT_TRUE(w.fs.stat("C:\\T\\data\\Tessarin.thumbs"));
    EXPECT_FALSE(w.list->DecodingThumbnails());

    // The next start decodes nothing but what changed; the cache is never listed as an image.
    w.File("c.bmp", 0xCC, 2);
    w.Restart();
    w.Load();
    EXPECT_EQ(w.JobNames(), std::vector<std::string>{"c.bmp"});
    EXPECT_EQ(w.list->Count(), 3);
    EXPECT_EQ(w.Colour(1), 0x0AU);
    EXPECT_EQ(w.Colour(3), 0x0DU);
    // A picture dropped onto a panel is the strip's only: the cache, written again with the new
    // thumbnail, takes back the others the list took from it, not that one.
    w.list->DropOnThumbnail(3, *Solid(20, 20, 0x99));
    ASSERT_EQ(w.Colour(3), 0x99U);
    w.Finish(0);
    EXPECT_EQ(w.Colour(2), 0xCCU);
    w.Restart();
    w.Load();
    EXPECT_EQ(w.JobNames(), std::vector<std::string>{"d.png"});
    EXPECT_EQ(w.Colour(1), 0x0AU);
    EXPECT_EQ(w.Colour(2), 0xCCU);

    // The list is published before the cache is read; an entry deleted while the status line let
    // messages run is passed over there.
    w.Restart();
    w.hooks.pending = {nullptr, [&] { w.list->Hover(1), w.list->mnuDel_Click(true, false); }};
    w.Load();
    EXPECT_EQ(w.list->Count(), 2);
    EXPECT_EQ(w.Colour(1), 0xCCU);
    EXPECT_LT(std::find(w.journal.begin(), w.journal.end(), "status ロード完了！"),
              std::find(w.journal.begin(), w.journal.end(), "notice "));

    // A damaged cache is built again.
    ASSERT_TRUE(w.fs.replaceFile("C:\\T\\data\\Tessarin.thumbs", "garbage"));
    w.Restart();
    w.Load();
    EXPECT_EQ(w.decoder.jobs.size(), 2U);
}

TEST(FolderLoad, UnreadableFilesAreReportedOnceTogetherAndClosingStopsTheDecoding) {
    FolderWorld w;
    for (const char* name : {"a.jpg", "c.jpg", "e.jpg", "g.png"}) w.File(name, 1);
    for (const char* name : {"b.jpg", "d.gif", "f.png", "h.png"})
        w.store.Add(std::string("C:\\T\\data\\") + name, nullptr);
    for (const char* name : {"big.png", "h.png"}) w.store.tooLarge.insert(std::string("c:\\t\\data\\") + name);
    w.store.Add("C:\\T\\data\\big.png", nullptr);
    w.Load();
    EXPECT_EQ(w.view.file, "h.png");
    ASSERT_EQ(w.decoder.jobs.size(), 9U);
    for (size_t i = 0; i < 9; ++i) w.Finish(i);
    std::string names;
    for (int32_t p = 1; p <= w.list->Count(); ++p) names += w.list->Entry(p)->fileName + " ";
    EXPECT_EQ(names, "a.jpg c.jpg e.jpg g.png ");
    EXPECT_EQ(CountPrefix(w.journal, "message "), 1);
    const std::string message = *std::find_if(w.journal.begin(), w.journal.end(),
                                              [](const std::string& line) { return line.starts_with("message "); });
    EXPECT_NE(message.find("b.jpg の読み込みに失敗しました！"), std::string::npos);
    EXPECT_LT(message.find("b.jpg"), message.find("d.gif")) << "named in the list's order";
    EXPECT_EQ(message.find("f.png"), std::string::npos) << "a PNG that does not decode is passed over silently";
    EXPECT_NE(message.find("big.png の読み込みに失敗しました！\r\n7 too large\r\n"), std::string::npos)
        << "one too large to hold is a picture all the same";
    // The last file, shown at start, could not be held: the one now last is shown in its place.
    EXPECT_EQ(w.view.file, "g.png");
    EXPECT_EQ(w.list->Selected(), 4);
    ASSERT_NE(w.view.shown, nullptr);
    EXPECT_EQ(w.view.shown->pixels[0], 1U);

    // Closing while thumbnails are still coming: the decoder stops, late results change nothing,
    // and what was decoded is kept for the next start.
    w.Restart();
    ASSERT_TRUE(w.fs.replaceFile("C:\\T\\data\\Tessarin.thumbs", ""));
    w.File("h.jpg", 0x33, 5);
    w.Load();
    const std::vector<ThumbnailJob> jobs = w.decoder.jobs;
    w.Finish("h.jpg");
    w.list->FinishThumbnails();
    EXPECT_EQ(w.decoder.cancels, 1);
    EXPECT_FALSE(w.list->DecodingThumbnails());
    w.decoder.jobs = jobs;
    w.Finish("c.jpg");
    w.Finish("b.jpg");
    EXPECT_EQ(w.Colour(3), 0xDEADU);
    EXPECT_EQ(w.list->Count(), 10) << "a late failure removes nothing either";
    w.Restart();
    w.Load();
    EXPECT_EQ(w.decoder.jobs.size(), jobs.size() - 1);
}

TEST(FolderLoad, ASavedCaptureIsKnownAtTheNextStart) {
    FolderWorld w;
    w.list->ShowUnlistedCapture(Solid(30, 20, 0x77), "C:\\T\\data\\shot", "win");
    w.list->AddWaitingCapture("C:\\T\\data\\shot", "win", false);
    w.fs.modified["c:\\t\\data\\shot.jpg"] = 9;
    w.list->mnuSave_Click();
    ASSERT_TRUE(w.list->Saved(1));
    w.list->FinishThumbnails();
    w.Restart();
    w.Load();
    EXPECT_TRUE(w.decoder.jobs.empty());
    EXPECT_EQ(w.Colour(1), 0x77U);
}

// The cache lies among the user's pictures: it is hidden, and no listing or name of ours is its.
TEST(FolderLoad, TheCacheIsWrittenHiddenAndNoListingOrSaveOfOursTakesItsName) {
    FolderWorld w;
    const std::string cache = FolderWorld::Path(kThumbnailCacheName);
    w.File("a.jpg", 0x0A);
    w.Load();
    w.Finish(0);
    ASSERT_TRUE(w.fs.stat(cache));
    EXPECT_TRUE(w.fs.stat(cache)->hidden);
    // An intact cache that shows (an older version wrote it) is written again, hidden, though no
    // thumbnail changed; a hidden one is left as it is.
    const std::string bytes = *w.fs.readFile(cache);
    for (const bool shown : {true, false}) {
        SCOPED_TRACE(shown);
        w.fs.addFile(cache, bytes, !shown);
        const int written = w.fs.replaced[AsciiLower(cache)];
        w.Restart();
        w.Load();
        EXPECT_TRUE(w.decoder.jobs.empty());
        EXPECT_EQ(w.list->Count(), 1);
        EXPECT_TRUE(w.fs.stat(cache)->hidden);
        EXPECT_EQ(w.fs.replaced[AsciiLower(cache)] - written, shown ? 1 : 0);
        EXPECT_EQ(w.fs.readFile(cache), bytes);
    }
    // Save and Save all append an image extension to its name; both save dialogs end every name
    // in their filter's; Save as refuses the save folder.
    for (const std::string& name : {std::string(kThumbnailCacheName), cache}) {
        const SavePlan plan = SaveEntryPlan(name, w.settings, w.paths);
        EXPECT_NE(AsciiLower(plan.target), AsciiLower(cache));
        EXPECT_NE(AsciiLower(plan.bitmap), AsciiLower(cache));
    }
    for (int32_t filter = 1; filter <= 4; ++filter)
        EXPECT_NE(AsciiLower(WithFilterExtension(cache, DefaultSaveFilter(), filter)), AsciiLower(cache));
    EXPECT_TRUE(SaveFolderRefusal(cache, w.settings, w.paths));
}

// Another program may write, replace or remove a listed file while the program runs.
TEST(FolderLoad, AShownFileIsDecodedOnceUntilItChangesAndAGoneOneIsReported) {
    FolderWorld w;
    w.File("a.jpg", 0x0A);
    w.File("b.jpg", 0x0B);
    w.Load();
    w.Finish(0);
    w.Finish(1);
    const auto readsFor = [&](const std::function<void()>& act) {
        const int before = w.store.reads;
        w.journal.clear();
        act();
        return w.store.reads - before;
    };
    // Shown, copied and dragged: one decode. Another entry in between is decoded in its turn.
    EXPECT_EQ(readsFor([&] { w.list->Hover(1); }), 1);
    EXPECT_EQ(readsFor([&] { w.list->PressThumbnail(1, MouseButton::Left); }), 0);
    EXPECT_TRUE(Has(w.journal, "drag 64x48"));
    EXPECT_EQ(readsFor([&] { w.list->Hover(2), w.list->Hover(1); }), 2);

    // Replaced: read again, and the strip shows the new picture, also at the next start.
    w.File("a.jpg", 0xAA, 2);
    EXPECT_EQ(readsFor([&] { w.list->PressThumbnail(1, MouseButton::Left); }), 1);
    EXPECT_EQ(w.Colour(1), 0xAAU);
    EXPECT_TRUE(Has(w.journal, "strip 1"));
    w.list->FinishThumbnails();
    w.Restart();
    w.Load();
    EXPECT_TRUE(w.decoder.jobs.empty());
    EXPECT_EQ(w.Colour(1), 0xAAU);

    // Gone, or no longer a picture: an empty preview that says which, no drag, the entry kept.
    struct Case {
        const char* name;
        std::function<void()> change;
        const char* status;
    };
    const Case cases[] = {
        {"removed", [&] { w.store.files.erase("c:\\t\\data\\a.jpg"), w.fs.remove("C:\\T\\data\\a.jpg"); },
         kFileGoneStatus},
        {"unreadable", [&] { w.store.Add("C:\\T\\data\\a.jpg", nullptr); }, kFileUnreadableStatus},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        w.File("a.jpg", 0x0A, 3);
        w.list->Hover(1);
        c.change();
        w.list->Hover(2);
        w.journal.clear();
        w.list->Hover(1);
        EXPECT_EQ(w.view.shown, nullptr);
        EXPECT_TRUE(Has(w.journal, std::string("status ") + c.status));
        w.list->PressThumbnail(1, MouseButton::Left);
        EXPECT_EQ(CountPrefix(w.journal, "drag"), 0U);
        EXPECT_EQ(w.list->Count(), 2);
    }
}

// The cache is read and written away from the window: the list is complete first, the cached
// thumbnails fill in when the read is done, and what the list does meanwhile is kept.
TEST(FolderLoad, TheCacheIsReadAndWrittenAwayFromTheWindow) {
    FakeBackground work;
    FolderWorld w(&work);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) w.File(name, 0x0A);
    w.Load();
    ASSERT_EQ(work.queued.size(), 1U) << "the read";
    EXPECT_TRUE(w.decoder.jobs.empty());
    work.RunAll();
    ASSERT_EQ(w.decoder.jobs.size(), 3U);
    for (size_t i = 0; i < 3; ++i) w.Finish(i);
    EXPECT_FALSE(w.fs.stat("C:\\T\\data\\Tessarin.thumbs")) << "written on the other thread";
    ASSERT_EQ(work.queued.size(), 1U);
    work.RunAll();
    EXPECT_TRUE(w.fs.stat("C:\\T\\data\\Tessarin.thumbs"));

    // While the read is under way an entry is deleted and a file changes: the rest come from the
    // cache, the changed one is decoded, and the deleted one is passed over.
    w.File("b.jpg", 0x0B, 2);
    w.Restart();
    w.Load();
    EXPECT_EQ(w.Colour(1), 0xDEADU) << "the read is not done yet";
    w.list->Hover(3);
    w.list->mnuDel_Click(true, false);
    work.RunAll();
    EXPECT_EQ(w.JobNames(), std::vector<std::string>{"b.jpg"});
    EXPECT_EQ(w.Colour(1), 0x0AU);
    EXPECT_EQ(w.list->Count(), 2);

    // Closing before the read is done: it changes nothing any more, and the cache is still whole.
    w.Restart();
    w.Load();
    w.list->FinishThumbnails();
    work.RunAll();
    EXPECT_TRUE(w.decoder.jobs.empty());
    EXPECT_EQ(w.Colour(1), 0xDEADU);
    w.Restart();
    w.Load();
    work.RunAll();
    EXPECT_EQ(w.decoder.jobs.size(), 1U) << "only the file changed since: " << w.JobNames().front();
}

// The last file's picture is decoded while the window answers.
TEST(FolderLoad, AnEntryChosenWhileTheLastPictureIsDecodedKeepsThePreview) {
    FakeBackground work;
    FolderWorld w(&work);
    w.File("a.jpg", 0x0A);
    w.File("b.jpg", 0x0B);
    w.Load();
    ASSERT_NE(w.view.shown, nullptr);
    EXPECT_EQ(w.view.shown->pixels[0], 0x0BU);

    w.Restart();
    work.meanwhile = [&] { w.list->Hover(1); };
    w.Load();
    ASSERT_NE(w.view.shown, nullptr);
    EXPECT_EQ(w.view.shown->pixels[0], 0x0AU);

    // The last entry deleted meanwhile: its picture is shown nowhere, and nothing breaks.
    w.Restart();
    work.meanwhile = [&] { w.list->Hover(2), w.list->mnuDel_Click(true, false); };
    w.Load();
    EXPECT_EQ(w.list->Count(), 1);
    EXPECT_TRUE(w.view.shown == nullptr || w.view.shown->pixels[0] != 0x0BU);
}

}  // namespace
}  // namespace tessarin::test
