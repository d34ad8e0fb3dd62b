// The image list and its capture journal: what is kept on disk, when the pixels leave memory, what
// the user's answers let go, and the captures of a program that has gone coming back.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/app/shell.h"
#include "core/imagelist/list_controller.h"
#include "support/fake_journal.h"
#include "support/fake_list.h"

namespace tessarin::test {
namespace {

// The list over its fakes and a journal on a fake disk, its calls noted among the list's.
struct JournalWorld : ListFakes {
    explicit JournalWorld(const std::optional<FakeDisk::State>& left = std::nullopt, int64_t startedAt = 1765000000) {
        if (left) disk.now = *left;
        journalStore.prefix = "journal ";
        clock.time = startedAt;
    }
    FakeDisk disk;
    FakeJournalStore journalStore{disk, 1, journal};
    FakeBackground background;
    FakeClock clock;
    CaptureJournal captureJournal{{journalStore, background, clock, JournalRoots("C:\\T", "")}};
    ImageListController list{Context(nullptr, nullptr, nullptr, &captureJournal)};

    // A capture of its own colour, added and told as the run does it; `meanwhile` runs as its
    // messages do, after it is shown.
    void Capture(const std::string& name, uint32_t colour, const std::function<void()>& meanwhile = {}) {
        list.ShowUnlistedCapture(Solid(40, 30, colour), Path(name), "win " + name);
        if (meanwhile) meanwhile();
        list.AddWaitingCapture(Path(name), "win " + name, false);
        view.setStatus("キャプチャー完了");
        list.CaptureReported();
    }
    // The names of the captures the journal holds, in its order.
    std::vector<std::string> Kept() const {
        std::vector<std::string> names;
        for (const auto& [path, bytes] : disk.now.files)
            if (const auto file = path.ends_with(".tjr") ? ParseJournalFile(bytes) : std::nullopt)
                names.push_back(FileNameOf(file->record.fullPath));
        return names;
    }
    std::string Names() const {
        std::string names;
        for (int32_t p = 1; p <= list.Count(); ++p)
            names += (p > 1 ? "," : "") + list.Entry(p)->fileName + (list.Saved(p) ? "*" : "");
        return names;
    }
    size_t At(const std::string& prefix) const {
        return static_cast<size_t>(
            std::find_if(journal.begin(), journal.end(), [&](const std::string& l) { return l.starts_with(prefix); }) -
            journal.begin());
    }
};

TEST(ListJournal, EveryUnsavedCaptureIsKeptOnDiskAndItsPixelsLeaveMemoryOnceWritten) {
    JournalWorld w;
    w.list.RestoreCaptures();
    w.Capture("a", 0xA0);
    EXPECT_TRUE(w.list.HoldsPixels(1)) << "until it is written";
    EXPECT_TRUE(w.Kept().empty());
    w.background.RunAll();
    EXPECT_EQ(w.Kept(), std::vector<std::string>{"a"});
    EXPECT_FALSE(w.list.HoldsPixels(1));
    // Shown, it is read back from its file.
    w.Capture("b", 0xB0);
    w.background.RunAll();
    w.list.Hover(1);
    ASSERT_NE(w.view.shown, nullptr);
    EXPECT_EQ(w.view.shown->pixels, Solid(40, 30, 0xA0)->pixels);

    // A capture that waits to be added is kept under the names proposed then; added under a name
    // typed meanwhile, it is written again.
    w.list.ShowUnlistedCapture(Solid(40, 30, 0xC0), w.Path("c"), "win c");
    w.background.RunAll();
    EXPECT_EQ(w.Kept(), (std::vector<std::string>{"a", "b", "c"}));
    w.list.AddWaitingCapture(w.Path("typed"), "win c", false);
    EXPECT_TRUE(w.list.HoldsPixels(3)) << "until what it was added as is written";
    w.background.RunAll();
    EXPECT_EQ(w.Kept(), (std::vector<std::string>{"a", "b", "typed"}));
    EXPECT_FALSE(w.list.HoldsPixels(3));

    // Replaced by the next capture, discarded, or cleared before it was added: nothing is left.
    for (const auto giveUp : {+[](JournalWorld& x) { x.list.ShowUnlistedCapture(Solid(2, 2, 1), x.Path("n"), ""); },
                              +[](JournalWorld& x) { x.list.DiscardWaitingCapture(); },
                              +[](JournalWorld& x) { x.list.PreviewCleared(); }}) {
        w.list.ShowUnlistedCapture(Solid(40, 30, 0xD0), w.Path("d"), "win d");
        w.background.RunAll();
        giveUp(w);
        w.list.DiscardWaitingCapture();
        w.background.RunAll();
        EXPECT_EQ(w.Kept(), (std::vector<std::string>{"a", "b", "typed"}));
    }
    // A downloaded picture is saved in its file: nothing of it is kept.
    w.list.ShowUnlistedCapture(Solid(40, 30, 0xE0), w.Path("e.jpg"), "");
    w.list.AddWaitingCapture(w.Path("e.jpg"), "", true);
    w.background.RunAll();
    EXPECT_EQ(w.Kept(), (std::vector<std::string>{"a", "b", "typed"}));
}

TEST(ListJournal, SavingAndDeletingLetTheCopyGoBeforeTheyAreDone) {
    JournalWorld w;
    w.list.RestoreCaptures();
    for (const char* name : {"a", "b", "c", "d"}) w.Capture(name, 0x10);
    w.background.RunAll();
    w.journal.clear();
    w.list.mnuSave_Click();  // d, the one added last
    EXPECT_LT(w.At("journal remove "), w.At("status 保存完了！"));
    EXPECT_EQ(w.Kept(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(w.Names(), "a,b,c,d.jpg*");
    // The saved entry reads its own file from now on.
    w.list.Hover(1);
    w.list.Hover(4);
    EXPECT_EQ(w.store.reads, 1);

    w.list.Hover(2);
    w.list.mnuDel_Click(true, false);
    EXPECT_EQ(w.Kept(), (std::vector<std::string>{"a", "c"}));
    w.list.mnuAllSave_Click();
    EXPECT_TRUE(w.Kept().empty());
    EXPECT_EQ(w.Names(), "a.jpg*,c.jpg*,d.jpg*");
    // Let go before the worker wrote it: it is never written.
    w.Capture("e", 0x10);
    w.list.mnuAllDel_Click();
    w.background.RunAll();
    EXPECT_TRUE(w.Kept().empty());
    EXPECT_EQ(CountPrefix(w.journal, "journal write "), 0U);
}

TEST(ListJournal, AJournalThatCannotBeWrittenIsToldOnceAfterTheCaptureAndNothingIsLost) {
    for (const bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly ? "no folder to write into" : "a full disk");
        JournalWorld w;
        if (readOnly) w.disk.readOnly = {"C:\\T"};
        w.disk.full = !readOnly;
        w.list.RestoreCaptures();
        // Its failure comes back while the capture is added (the worker had nothing to write), or
        // after: either way it is told after the capture's own status, and once.
        w.Capture("a", 0x10, [&] { w.background.RunAll(); });
        w.background.RunAll();
        w.Capture("b", 0x20);
        w.background.RunAll();
        EXPECT_EQ(w.journal[w.At("status ") + 1], std::string("show ") + kJournalFailedStatus);
        EXPECT_EQ(CountPrefix(w.journal, "show "), 1U);
        EXPECT_TRUE(w.list.HoldsPixels(1) && w.list.HoldsPixels(2));
        w.list.mnuAllSave_Click();
        EXPECT_EQ(w.Names(), "a.jpg*,b.jpg*");
        EXPECT_EQ(w.store.files.at(AsciiLower(w.Path("b.jpg")))->pixels, Solid(40, 30, 0x20)->pixels);
    }
}

TEST(ListJournal, CapturesLeftByAProgramThatHasGoneComeBackAfterTheLoadedFilesInTheirOrder) {
    JournalWorld gone;
    gone.list.RestoreCaptures();
    gone.Capture("a", 0xA0);
    gone.Capture("b", 0xB0);
    gone.list.mnuSave_Click();  // b is saved: it does not come back
    gone.Capture("c", 0xC0);
    gone.list.ShowUnlistedCapture(Solid(40, 30, 0xD0), gone.Path("waiting"), "win waiting");
    gone.background.RunAll();
    gone.disk.now.files["C:\\T\\journal\\20251206-054640-0001\\00000000000000000009.tjr"] = "damaged";

    JournalWorld w(gone.disk.now, 1765000100);
    w.store.Add(w.Path("loaded.jpg"), Solid(4, 3, 1));
    w.list.LoadFiles({w.Path("loaded.jpg")});
    w.journal.clear();
    w.list.RestoreCaptures();
    EXPECT_EQ(w.Names(), "loaded.jpg*,a,c,waiting");
    EXPECT_EQ(w.list.Entry(4)->windowText, "win waiting");
    EXPECT_TRUE(Has(w.journal, "status 3件を復元、1件は破損"));
    EXPECT_EQ(w.list.Selected(), 4);
    EXPECT_EQ(w.view.shown->pixels, Solid(40, 30, 0xD0)->pixels);
    for (int32_t p = 2; p <= 4; ++p) {
        EXPECT_FALSE(w.list.HoldsPixels(p)) << p;
        EXPECT_EQ(w.list.Thumbnail(p)->pixels.front(), (std::vector<uint32_t>{0xA0, 0xC0, 0xD0})[p - 2]) << p;
    }
    // Later captures come after them, also at the start after the next.
    w.Capture("e", 0xE0);
    w.background.RunAll();
    EXPECT_EQ(w.Kept(), (std::vector<std::string>{"a", "c", "waiting", "e"}));

    // They are unsaved captures like any other: the closing question names them, and Yes saves
    // them pixel for pixel.
    w.journal.clear();
    ASSERT_TRUE(w.list.ConfirmClose(true));
    EXPECT_TRUE(Has(w.journal, std::string("ask ") + SaveQuestionText("2 , 3 , 4 , 5 , ") + "|" + kSaveQuestionTitle));
    EXPECT_EQ(w.store.files.at(AsciiLower(w.Path("c.jpg")))->pixels, Solid(40, 30, 0xC0)->pixels);
    EXPECT_TRUE(w.Kept().empty());
}

TEST(ListJournal, TheRestoredStatusFitsTheStatusRecord) {
    const std::pair<std::pair<int32_t, int32_t>, const char*> cases[] = {{{0, 0}, ""},
                                                                         {{1, 0}, "1件の未保存画像を復元"},
                                                                         {{12, 3}, "12件を復元、3件は破損"},
                                                                         {{0, 2}, "2件の一時保存ファイルが破損"}};
    for (const auto& [counts, text] : cases) EXPECT_EQ(RestoredStatus(counts.first, counts.second), text);
    // Two bytes a character in code page 932 but for the digits: up to 99,999 of each fits whole.
    const auto narrowBytes = [](const std::string& utf8) {
        size_t bytes = 0;
        for (const char c : utf8) bytes += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
        for (const char c : utf8) bytes += static_cast<unsigned char>(c) >= 0xE0 ? 1 : 0;
        return bytes;
    };
    for (const auto& [restored, damaged] : {std::pair{99999, 99999}, {99999, 0}, {0, 99999}})
        EXPECT_LE(narrowBytes(RestoredStatus(restored, damaged)), 32U) << restored << " " << damaged;
    EXPECT_LE(narrowBytes(kJournalFailedStatus), 32U);
}

}  // namespace
}  // namespace tessarin::test
