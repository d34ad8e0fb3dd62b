#include "core/imagelist/list_controller.h"

#include <gtest/gtest.h>

#include <functional>
#include <string_view>

#include "support/fake_list.h"

namespace tessarin::test {
namespace {

// The list over its fakes. Captures are named "a", "b", ... and land in C:\T\data.
struct ListWorld : ListFakes {
    // stamped: the list knows the files' sizes and write times, as the program's does.
    explicit ListWorld(bool stamped = false) : list(Context(nullptr, stamped ? &fs : nullptr)) {}
    ImageListController list;

    // A fresh capture of w x h in the preview, not listed yet.
    void Waiting(int32_t w, int32_t h, const std::string& name = "") {
        list.ShowUnlistedCapture(Solid(w, h, 0x102030), Path(name), "win " + name);
    }
    // A fresh capture added under a name.
    void Capture(const std::string& name, int32_t w = 80, int32_t h = 60) {
        Waiting(w, h, name);
        list.AddWaitingCapture(Path(name), "win " + name, false);
    }
    void Load(const std::string& name, int32_t w = 40, int32_t h = 30) {
        store.Add(Path(name), Solid(w, h, 0x405060));
        list.LoadFiles({Path(name)});
    }
    std::string Names() const {
        std::string names;
        for (int32_t p = 1; p <= list.Count(); ++p) names += (p > 1 ? "," : "") + list.Entry(p)->fileName;
        return names;
    }
};

TEST(ListController, AddsOnlyAWaitingNonEmptyCaptureOnceAndSelectsIt) {
    ListWorld w;
    w.list.AddWaitingCapture(w.Path("x"), "", false);  // nothing waits
    w.Waiting(0, 10);
    w.list.AddWaitingCapture(w.Path("empty"), "", false);
    EXPECT_EQ(w.list.Count(), 0);
    EXPECT_FALSE(w.list.CaptureWaiting());

    w.Capture("a");
    w.Capture("b", 2000, 100);
    w.list.AddWaitingCapture(w.Path("again"), "", false);
    EXPECT_EQ(w.Names(), "a,b");
    EXPECT_EQ(w.list.Selected(), 2);
    EXPECT_TRUE(w.list.HoldsPixels(2));
    // The strip keeps a thumbnail no larger than a panel, scaled by area.
    const Image* thumb = w.list.Thumbnail(2);
    ASSERT_NE(thumb, nullptr);
    EXPECT_LE(thumb->width, StripLayoutFor(15).thumbWidth);
    EXPECT_EQ(thumb->pixels.front(), 0x102030U);
    EXPECT_TRUE(Has(w.journal, "end"));
}

TEST(ListController, ShowsEntriesByHoverAndArrowsButNeverOverAWaitingCapture) {
    ListWorld w;
    w.Load("loaded.jpg");
    w.Capture("a");
    w.journal.clear();
    w.list.Hover(2);  // already shown
    EXPECT_FALSE(Has(w.journal, "select 2,2"));
    w.list.Hover(1);
    EXPECT_EQ(w.journal,
              (ListJournal{"pause 100", "preview 40x30", "texts loaded.jpg|", "select 1,1", "ensure 1", "pause 100"}));
    EXPECT_EQ(w.store.reads, 3);  // its thumbnail and the preview at loading, and now: a loaded entry keeps no pixels
    w.journal.clear();
    w.list.ListStep(+1);
    EXPECT_EQ(w.journal, (ListJournal{"park", "preview 80x60", "texts a|win a", "select 2,2", "ensure 2"}));

    w.Waiting(5, 5);
    w.journal.clear();
    w.list.Hover(1);
    w.list.ListStep(-1);
    EXPECT_EQ(w.journal, (ListJournal{"pause 100"}));
    // A capture that failed leaves nothing waiting, so the entries show again.
    w.list.PreviewCleared();
    w.list.Hover(2);
    EXPECT_EQ(w.list.Selected(), 2);

    // A hover does not nest while its pause lets messages run.
    w.journal.clear();
    w.hooks.pending = {[&] { w.list.Hover(1); }, nullptr};
    w.list.Hover(1);
    EXPECT_EQ(CountPrefix(w.journal, "pause"), 1U);
}

TEST(ListController, SaveWritesOnceMarksSavedAndDropsThePixels) {
    ListWorld w;
    w.Capture("a");
    w.list.mnuSave_Click();
    EXPECT_TRUE(w.list.Saved(1));
    EXPECT_FALSE(w.list.HoldsPixels(1));
    EXPECT_EQ(w.list.Entry(1)->fullPath, w.Path("a.jpg"));
    w.journal.clear();
    w.list.mnuSave_Click();  // already saved: not even a status
    EXPECT_TRUE(w.journal.empty());

    // A failing write keeps the entry unsaved with its pixels.
    w.Capture("b");
    w.store.failing.insert(AsciiLower(w.Path("b.jpg")));
    w.journal.clear();
    w.list.mnuSave_Click();
    EXPECT_EQ(w.journal, (ListJournal{"message C:\\T\\data\\b.jpg" + std::string("の作成に失敗！\r\n") + "|保存エラー",
                                      "status 保存エラー！"}));
    EXPECT_FALSE(w.list.Saved(2));
    EXPECT_TRUE(w.list.HoldsPixels(2));
}

// Whatever runs while a save or a save-all lets messages run, each entry is marked by what
// happened to it and nothing is saved twice or skipped.
TEST(ListController, SaveAllSurvivesDeletionsAndAdditionsWhileItRuns) {
    struct Case {
        const char* name;
        int32_t deleteAt;  // the selected entry deleted during the n-th status (0: none)
        bool addDuring;
        const char* expected;  // names and saved flags afterwards
    };
    const Case cases[] = {
        {"nothing happens", 0, false, "a.jpg+,b.jpg+,c.jpg+"},
        {"the first saved entry is deleted under its status", 1, false, "b.jpg+,c.jpg+"},
        {"a capture is added while saving", 0, true, "a.jpg+,b.jpg+,c.jpg+,d.jpg+"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListWorld w;
        w.settings.noConfirm = 1;
        for (const char* name : {"a", "b", "c"}) w.Capture(name);
        w.list.Hover(1);
        w.hooks.pending.clear();
        if (c.deleteAt > 0) {
            for (int i = 1; i < c.deleteAt; ++i) w.hooks.pending.push_back(nullptr);
            w.hooks.pending.push_back([&] { w.list.mnuDel_Click(true, false); });
        }
        if (c.addDuring) w.hooks.pending.push_back([&] { w.Capture("d"); });
        EXPECT_TRUE(w.list.SaveUnsavedEntries());
        std::string state;
        for (int32_t p = 1; p <= w.list.Count(); ++p)
            state += (p > 1 ? "," : "") + w.list.Entry(p)->fileName + (w.list.Saved(p) ? "+" : "-");
        EXPECT_EQ(state, c.expected);
        for (int32_t p = 1; p <= w.list.Count(); ++p) EXPECT_TRUE(w.store.isFile(w.list.Entry(p)->fullPath));
    }
}

TEST(ListController, ClosingQuestionSavesOnYesAndStaysOpenWhenASaveFails) {
    // the answer, whether b's write fails, whether the program closes, whether b is saved
    const std::tuple<ListPrompts::Answer, bool, bool, bool> cases[] = {
        {ListPrompts::Answer::Yes, false, true, true},
        {ListPrompts::Answer::Yes, true, false, false},
        {ListPrompts::Answer::No, false, true, false},
        {ListPrompts::Answer::Cancel, false, false, false}};
    for (const auto& [answer, failB, closes, bSaved] : cases) {
        ListWorld w;
        w.Load("old.png");
        w.Capture("a");
        w.Capture("b");
        w.prompts.answer = answer;
        if (failB) w.store.failing.insert(AsciiLower(w.Path("b.jpg")));
        EXPECT_EQ(w.list.ConfirmClose(true), closes);
        EXPECT_EQ(CountPrefix(w.journal, "ask "), 1U);
        EXPECT_TRUE(
            Has(w.journal, "ask 下記の未保存の画像があります。全て保存しますか？\r\n\r\nNo = 2 , 3 , |保存確認"));
        EXPECT_EQ(w.list.Saved(3), bSaved);
    }
    ListWorld none;
    none.Load("old.png");
    EXPECT_TRUE(none.list.ConfirmClose(true));
    EXPECT_EQ(CountPrefix(none.journal, "ask "), 0U);
}

TEST(ListController, SaveAsWritesACopyAndLeavesTheEntryAsItWas) {
    ListWorld w;
    w.Capture("a");
    w.view.file = "typed";  // the dialog offers what the file-name box shows
    w.prompts.chosen = {"C:\\T\\data\\copy.jpg", "C:\\Else\\copy.png"};
    w.list.mnuSaveNameAs_Click();
    EXPECT_TRUE(Has(w.journal, "message C:\\T\\data 以外のフォルダを指定して下さい！|フォルダ指定不可"));
    w.fs.addFolder("C:\\Else");
    w.list.mnuSaveNameAs_Click();
    EXPECT_TRUE(w.store.isFile("C:\\Else\\copy.png"));
    EXPECT_FALSE(w.list.Saved(1));
    EXPECT_EQ(w.list.Entry(1)->fullPath, w.Path("a"));
    EXPECT_TRUE(Has(w.journal, "dialog typed|2|C:\\Desk"));
}

// Five captures, the third selected; "-" is an empty list. A deletion redraws the strip and the
// preview once for the whole command and reports itself.
TEST(ListController, DeleteCommandsRemoveWhatTheyAskedAbout) {
    const std::string left = "選択画像を含め左側を全て削除します。よろしいですか？",
                      right = "選択画像を含め右側を全て削除します。よろしいですか？",
                      all = "一覧の画像を全て削除します。よろしいですか？",
                      one = "選択している No = 3 を削除します。よろしいですか？";
    using Command = std::function<void(ListWorld&)>;
    const Command leftDel = [](ListWorld& w) { w.list.mnuLeftDel_Click(); };
    const Command allDel = [](ListWorld& w) { w.list.mnuAllDel_Click(); };
    const auto key = [](bool inFront, bool held, int32_t noConfirm = 0) {
        return [=](ListWorld& w) { w.settings.noConfirm = noConfirm, w.list.DeleteKey(inFront, held); };
    };
    const struct {
        const char* name;
        Command command;
        bool ok;               // the answer to the question
        std::string question;  // "": none asked
        const char* remaining;
        int32_t selected;
    } cases[] = {
        {"left", leftDel, true, left, "d,e", 1},
        {"right", [](ListWorld& w) { w.list.mnuRightDel_Click(); }, true, right, "a,b", 2},
        {"all", allDel, true, all, "-", 0},
        {"left cancelled", leftDel, false, left, "a,b,c,d,e", 3},
        {"all cancelled", allDel, false, all, "a,b,c,d,e", 3},
        // The Delete key needs the main window in front and no modifier held.
        {"Delete key", key(true, false), true, one, "a,b,d,e", 3},
        {"Delete key, another window in front", key(false, false), true, "", "a,b,c,d,e", 3},
        {"Delete key with a modifier", key(true, true), true, "", "a,b,c,d,e", 3},
        {"Delete key without questions", key(true, false, 1), true, "", "a,b,d,e", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ListWorld w;
        for (const char* name : {"a", "b", "c", "d", "e"}) w.Capture(name);
        w.list.Hover(3);
        w.journal.clear();
        w.prompts.confirms = {c.ok};
        c.command(w);
        EXPECT_EQ(CountPrefix(w.journal, "confirm "), c.question.empty() ? 0U : 1U);
        EXPECT_TRUE(c.question.empty() || w.journal.front() == "confirm " + c.question + "|削除確認");
        EXPECT_EQ(w.list.Count() == 0 ? "-" : w.Names(), c.remaining);
        EXPECT_EQ(w.list.Selected(), c.selected);
        if (std::string_view(c.remaining) == "a,b,c,d,e") {
            EXPECT_EQ(w.journal.size(), c.question.empty() ? 0U : 1U) << "nothing but the question";
            continue;
        }
        EXPECT_EQ(CountPrefix(w.journal, "preview"), 1U);
        EXPECT_EQ(CountPrefix(w.journal, "strip from"), 1U);
        EXPECT_EQ(w.journal.back(), "status 削除完了");
        EXPECT_EQ(w.view.file, c.selected > 0 ? w.list.Entry(c.selected)->fileName : "");
    }
}

// The question names an entry; another deletion while it is open must not make it delete a
// different one.
TEST(ListController, DeleteAfterTheQuestionTakesTheEntryThatWasAskedAbout) {
    ListWorld w;
    for (const char* name : {"a", "b", "c"}) w.Capture(name);
    w.list.Hover(3);
    w.hooks.pending.push_back([&] {
        w.prompts.confirms = {true, true};
        w.list.mnuLeftDel_Click();  // runs under the open question: a, b and c's question
    });
    w.list.mnuDel_Click(true, false);
    EXPECT_EQ(w.list.Count(), 0);

    ListWorld v;
    for (const char* name : {"a", "b", "c"}) v.Capture(name);
    v.list.Hover(2);
    v.settings.noConfirm = 0;
    v.hooks.pending.push_back([&] {
        v.settings.noConfirm = 1;
        v.list.Hover(1);
        v.list.mnuDel_Click(true, false);  // "a" goes while "b" is asked about
    });
    v.list.mnuDel_Click(true, false);
    EXPECT_EQ(v.Names(), "c");
}

// An entry's file goes with it only when the file is its own.
TEST(ListController, DeletingNeverRemovesAFileOfAnotherEntry) {
    ListWorld w;
    w.settings.noConfirm = 1;
    w.Load("a.jpg");
    w.Capture("a.jpg");  // named like the loaded file, not saved
    w.Capture("b");
    w.list.mnuSave_Click();  // b.jpg
    w.Capture("b.jpg");      // the same name as b's file
    w.list.Hover(2);
    w.list.mnuDel_Click(true, false);
    w.list.Hover(3);
    w.list.mnuDel_Click(true, false);
    EXPECT_TRUE(w.store.isFile(w.Path("a.jpg")));
    EXPECT_TRUE(w.store.isFile(w.Path("b.jpg")));
    w.list.mnuAllDel_Click();
    EXPECT_FALSE(w.store.isFile(w.Path("a.jpg")));
    EXPECT_FALSE(w.store.isFile(w.Path("b.jpg")));
}

// A file removed outside (Explorer) while its entry stays: a new capture of the same name is
// not saved under it, and the old entry's delete takes no file that is not the one it wrote;
// nor does a file another program wrote over it go with it. A name another program takes
// between its choice and the write is passed by.
TEST(ListController, NoSaveOrDeleteTouchesAFileThatIsNotItsOwn) {
    ListWorld w(true);
    w.settings.noConfirm = 1;
    w.Capture("a");
    w.list.mnuSave_Click();  // a.jpg
    w.store.remove(w.Path("a.jpg"));
    w.Capture("a");
    w.list.mnuSave_Click();
    EXPECT_EQ(w.Names(), "a.jpg,a_2.jpg");
    w.Capture("c");
    w.list.mnuSave_Click();  // c.jpg, then written over by another program
    w.fs.modified[AsciiLower(w.Path("c.jpg"))] = 999;
    w.journal.clear();
    for (int i = 0; i < 2; ++i) {
        w.list.Hover(1 + (i == 0 ? 0 : 1));
        w.list.mnuDel_Click(true, false);
    }
    EXPECT_EQ(w.Names(), "a_2.jpg");
    EXPECT_EQ(std::ranges::count_if(w.journal, [](const std::string& l) { return l.starts_with("remove"); }), 0);
    EXPECT_TRUE(w.store.isFile(w.Path("a_2.jpg")) && w.store.isFile(w.Path("c.jpg")));

    w.Capture("d");
    w.store.takenMeanwhile = {AsciiLower(w.Path("d.jpg")), AsciiLower(w.Path("d_2.jpg"))};
    w.journal.clear();
    w.list.mnuSave_Click();
    EXPECT_EQ(w.journal,
              (ListJournal{"taken " + w.Path("d.jpg"), "taken " + w.Path("d_2.jpg"), "write " + w.Path("d_3.jpg"),
                           "texts d_3.jpg|win d", "strip 2", "status 保存完了！"}));
}

TEST(ListController, ADeletionKeepsAWaitingCaptureInThePreview) {
    ListWorld w;
    w.settings.noConfirm = 1;
    w.Capture("a");
    w.Capture("b");
    w.Waiting(9, 9);
    w.view.setTexts("fresh", "win");
    w.list.PressThumbnail(1, MouseButton::Right);
    w.list.mnuLeftDel_Click();
    EXPECT_EQ(w.Names(), "b");
    EXPECT_EQ(Describe(w.view.shown.get()), "9x9");
    EXPECT_EQ(w.view.file, "fresh");
    w.list.AddWaitingCapture(w.Path("fresh"), "win", false);
    EXPECT_EQ(w.Names(), "b,fresh");
    EXPECT_EQ(w.list.Entry(2)->held->width, 9);
}

TEST(ListController, LeftPressCopiesTheFullImageReportsAndDrags) {
    ListWorld w;
    w.Capture("a", 300, 200);
    w.Load("big.jpg", 400, 100);
    w.Capture("c");
    w.journal.clear();
    w.list.PressThumbnail(2, MouseButton::Left);
    EXPECT_EQ(w.journal, (ListJournal{"select 2,2", "status クリップボードに転送中・・・", "clipboard 400x100",
                                      "status ２をクリップボードに転送！", "drag 400x100"}));
    EXPECT_EQ(w.list.Selected(), 2);

    // Another program holds the clipboard: the waits let messages run, and the status is the same.
    w.clipboard.emptyBusy = 100;
    w.clipboard.setBusy = 1000;
    w.journal.clear();
    w.list.PressThumbnail(1, MouseButton::Left);
    EXPECT_EQ(CountPrefix(w.journal, "sleep 100"), 19U + 100U);
    EXPECT_TRUE(Has(w.journal, "status １をクリップボードに転送！"));
    EXPECT_EQ(w.journal.back(), "drag 300x200");

    w.journal.clear();
    w.list.PressThumbnail(3, MouseButton::Middle);
    w.list.PressThumbnail(1, MouseButton::Right);
    w.list.PressPreview(MouseButton::Right);
    EXPECT_EQ(w.journal, (ListJournal{"select 3,3", "select 1,1", "menu"}));

    w.list.ShowUnlistedCapture(Solid(7, 3, 1), w.Path("p"), "");  // the preview copies what it shows
    w.clipboard.emptyBusy = w.clipboard.setBusy = 0;
    w.journal.clear();
    w.list.PressPreview(MouseButton::Left);
    EXPECT_EQ(w.journal, (ListJournal{"status クリップボードに転送中・・・", "clipboard 7x3",
                                      "status 画像をクリップボードに転送！", "drag 7x3"}));

    // The copy keeps its image when the entry is deleted meanwhile.
    w.settings.noConfirm = 1;
    w.hooks.pending = {[&] { w.list.mnuAllDel_Click(); }};
    w.list.PressThumbnail(1, MouseButton::Left);
    EXPECT_EQ(w.list.Count(), 0);
    EXPECT_EQ(w.journal.back(), "drag 300x200");
}

TEST(ListController, DropReplacesOnlyTheThumbnail) {
    ListWorld w;
    w.Capture("a", 30, 20);
    w.Capture("b");
    w.list.DropOnThumbnail(1, *Solid(10, 10, 0xABCDEF));
    w.list.DropOnThumbnail(9, *Solid(10, 10, 0));
    EXPECT_EQ(w.list.Thumbnail(1)->pixels.front(), 0xABCDEFU);
    EXPECT_EQ(Describe(w.list.Thumbnail(1)), "10x10");
    EXPECT_EQ(w.list.Entry(1)->held->width, 30);
    EXPECT_TRUE(Has(w.journal, "strip 1"));
    w.list.PressThumbnail(1, MouseButton::Left);
    EXPECT_TRUE(Has(w.journal, "clipboard 30x20"));

    // A click on a thumbnail is a drag that ends where it started: that is no drop.
    EXPECT_TRUE(w.list.AcceptsDrop(2) && !w.list.AcceptsDrop(3));
    w.drag.during = [&] {
        EXPECT_FALSE(w.list.AcceptsDrop(2));
        w.list.DropOnThumbnail(2, *Solid(5, 5, 0x123456));
    };
    w.list.PressThumbnail(2, MouseButton::Left);
    EXPECT_EQ(w.list.Thumbnail(2)->pixels.front(), 0x102030U);
}

TEST(ListController, ThumbnailFilesUseEachEntrysOwnImage) {
    ListWorld w;
    w.settings.noConfirm = 1;
    w.Capture("a", 300, 200);
    w.Load("b.png", 50, 40);
    w.list.Hover(1);
    w.Waiting(9, 9);  // a fresh capture fills the preview
    w.list.PressThumbnail(1, MouseButton::Right);
    w.prompts.chosen = {"C:\\T\\data\\Thumb\\Thumb_a.jpg"};
    w.journal.clear();
    w.list.mnuThumnail_Click();
    EXPECT_EQ(w.journal, (ListJournal{"mkdir C:\\T\\data\\Thumb", "dialog C:\\T\\data\\Thumb\\Thumb_a|2|",
                                      "show 生成中・・・・", "thumb 300x200 C:\\T\\data\\Thumb\\Thumb_a.jpg 120x90",
                                      "show サムネイル生成完了", "open C:\\T\\data\\Thumb"}));
    w.journal.clear();
    w.list.mnuThumnailAll_Click();
    EXPECT_TRUE(Has(w.journal, "thumb 300x200 C:\\T\\data\\Thumb\\Thumb_a.jpg 120x90"));
    EXPECT_TRUE(Has(w.journal, "thumb 50x40 C:\\T\\data\\Thumb\\Thumb_b.png.jpg 120x90"));
}

TEST(ListController, LoadingListsSavedEntriesAndPassesOverUnreadableFiles) {
    ListWorld w;
    w.store.Add(w.Path("A.bmp"), Solid(10, 10, 1));
    w.store.Add(w.Path("b.png"), nullptr);  // a PNG that does not decode: passed over without a word
    w.store.Add(w.Path("c.jpg"), nullptr);  // reported, and the files after it are still listed
    w.store.Add(w.Path("e.gif"), Solid(20, 10, 1));
    w.list.LoadFiles({w.Path("A.bmp"), w.Path("b.png"), w.Path("c.jpg"), w.Path("e.gif")});
    EXPECT_EQ(w.Names(), "A.bmp,e.gif");
    EXPECT_TRUE(w.list.Saved(1) && w.list.Saved(2));
    EXPECT_FALSE(w.list.HoldsPixels(2));
    EXPECT_EQ(w.list.Selected(), 2);
    EXPECT_EQ(w.journal.front(), "notice 既存の画像データ読込中！");
    EXPECT_EQ(CountPrefix(w.journal, "preview"), 1U);
    EXPECT_EQ(CountPrefix(w.journal, "message"), 1U);
    EXPECT_TRUE(Has(
        w.journal, "message C:\\T\\data\\c.jpg の読み込みに失敗しました！\r\n481 bad picture\r\n|PNGファイル読込失敗"));
    EXPECT_EQ(w.journal.back(), "status ロード完了！");
}

// While the closing question is open nothing may change what it asks about: a deletion, a save,
// a capture added (the run's side is tested with the run). Once it is answered with Cancel,
// everything acts again.
TEST(ListController, NoCommandActsWhileTheProgramIsClosing) {
    ListWorld w;
    w.Capture("a");
    w.Capture("b");
    w.Waiting(9, 9);
    w.list.PressThumbnail(1, MouseButton::Right);
    w.hooks.pending.push_back([&] {
        w.list.AddWaitingCapture(w.Path("slipped in"), "", false);
        w.list.mnuAllDel_Click();
        w.list.mnuDel_Click(true, false);
        w.list.mnuSave_Click();
        w.list.mnuAllSave_Click();
        w.list.Hover(2);
        w.list.PressThumbnail(2, MouseButton::Left);
        w.list.DropOnThumbnail(1, *Solid(5, 5, 1));
    });
    w.prompts.answer = ListPrompts::Answer::Cancel;
    w.list.SetClosing(true);
    EXPECT_FALSE(w.list.ConfirmClose(true));
    EXPECT_EQ(w.Names(), "a,b");
    EXPECT_FALSE(w.list.Saved(1) || w.list.Saved(2));
    EXPECT_EQ(w.list.Selected(), 1);
    EXPECT_FALSE(Has(w.journal, "clipboard 80x60"));
    EXPECT_FALSE(w.list.AcceptsDrop(1));
    w.list.SetClosing(false);
    w.list.AddWaitingCapture(w.Path("c"), "", false);
    EXPECT_EQ(w.Names(), "a,b,c");
}

// The end of the session saves what is unsaved; a save that fails holds nothing up with a box.
TEST(ListController, TheEndOfTheSessionSavesEveryUnsavedEntryWithoutAMessageBox) {
    ListWorld w;
    w.Load("old.png");
    w.Capture("a");
    w.Capture("b");
    w.store.failing.insert(AsciiLower(w.Path("b.jpg")));
    w.journal.clear();
    EXPECT_FALSE(w.list.SaveForEndOfSession());
    EXPECT_TRUE(w.list.Saved(2));
    EXPECT_FALSE(w.list.Saved(3));
    EXPECT_EQ(CountPrefix(w.journal, "message "), 0U);
    EXPECT_TRUE(Has(w.journal, "status 保存エラー！"));
    // Messages shown again afterwards.
    w.list.Hover(3);
    w.list.mnuSave_Click();
    EXPECT_EQ(CountPrefix(w.journal, "message "), 1U);
}

TEST(ListController, FullWidthNumbers) {
    EXPECT_EQ(FullWidthNumber(2) + "," + FullWidthNumber(10) + "," + FullWidthNumber(-1), "２,１０,－１");
}

}  // namespace
}  // namespace tessarin::test
