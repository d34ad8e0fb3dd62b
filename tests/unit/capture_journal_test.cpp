// The capture journal's rules over a fake disk: where a journal lives, what is written and let go
// and in which order, which journals are taken over at start, and what a kill at any moment of a
// program's life leaves for the next start.

#include "core/journal/capture_journal.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "support/fake_journal.h"
#include "support/fake_list.h"

namespace tessarin::test {
namespace {

constexpr const char* kRoot = "C:\\T\\journal";
constexpr const char* kFallback = "C:\\Users\\u\\Local\\Tessarin\\journal";
constexpr int64_t kSecond = 1765000000;  // 2025-12-06 05:46:40 UTC

// Every capture of a test has a picture of its own: a colour from its name.
uint32_t ColourOf(const std::string& name) {
    uint32_t colour = 0x102030;
    for (const char c : name) colour = colour * 31 + static_cast<unsigned char>(c);
    return colour & 0xFFFFFF;
}
SharedImage PictureOf(const std::string& name) { return Solid(4, 3, ColourOf(name)); }
std::string NameOfPicture(const SharedImage& picture) {
    return picture && !picture->Empty() ? std::to_string(picture->pixels.front()) : "unreadable";
}
std::string StemOf(const std::string& path) { return StripExtension(FileNameOf(path)); }
// The capture a name stands for: "c" is renamed "c2" in the stories.
std::string CaptureOf(const std::string& name) { return name == "c2" ? "c" : name; }

// One running program's journal over the shared disk.
struct Program {
    Program(FakeDisk& disk, int id, int64_t startedAt = kSecond) : store(disk, id, calls) { clock.time = startedAt; }
    std::vector<std::string> calls;
    FakeJournalStore store;
    FakeBackground background;
    FakeClock clock;
    CaptureJournal journal{{store, background, clock, JournalRoots("C:\\T", "C:\\Users\\u\\Local")}};
    std::map<std::string, JournalKey> keys;  // by the name a capture was taken under
    std::vector<std::string> written;        // what the write follow-ups told, in order
    std::vector<std::string> failed;

    CaptureJournal::WriteDone Told() {
        return [this](JournalKey key, bool ok) {
            for (const auto& [name, kept] : keys)
                if (kept == key) (ok ? written : failed).push_back(name);
        };
    }
    JournalKey Capture(const std::string& name) {
        return keys[name] = journal.Keep(PictureOf(name), *Solid(2, 1, ColourOf(name)), "C:\\T\\data\\" + name + ".jpg",
                                         "win " + name, Told());
    }
    void Rename(const std::string& name, const std::string& newName) {
        journal.Rewrite(keys.at(name), PictureOf(name), *Solid(2, 1, ColourOf(name)),
                        "C:\\T\\data\\" + newName + ".jpg", "win " + name, Told());
    }
    void Forget(const std::string& name) { journal.Forget(keys.at(name)); }
    void Settle() { background.RunAll(); }
    // Starts: the names the restored captures were taken under, in their order, and their keys.
    std::vector<std::string> Start() {
        const Restoration restored = journal.Open();
        damaged = restored.damaged;
        std::vector<std::string> names;
        for (const RestoredCapture& capture : restored.captures) {
            names.push_back(StemOf(capture.record.fullPath));
            keys[names.back()] = capture.key;
            // The thumbnail and the picture come back as they were kept.
            EXPECT_EQ(capture.thumbnail.pixels, Solid(2, 1, ColourOf(CaptureOf(names.back())))->pixels) << names.back();
            EXPECT_EQ(capture.record.windowText, "win " + CaptureOf(names.back()));
        }
        return names;
    }
    int32_t damaged = 0;
};

TEST(JournalPlaces, SessionsAreNamedInTheOrderTheyBeganWhateverTheClockSays) {
    const std::tuple<int64_t, std::vector<std::string>, std::string> cases[] = {
        {kSecond, {}, "20251206-054640-0001"},
        {0, {}, "19700101-000000-0001"},
        {-5, {}, "19700101-000000-0001"},
        {951782400, {}, "20000229-000000-0001"},  // a leap day
        {951868799, {}, "20000229-235959-0001"},
        {kSecond, {"20240101-000000-0003", "damaged", "x"}, "20251206-054640-0001"},
        // Another program began in the same second, or the clock was set back since: after it.
        {kSecond, {"20251206-054640-0001"}, "20251206-054640-0002"},
        {kSecond - 86400 * 400, {"20251206-054640-0007", "20251206-054640-0003"}, "20251206-054640-0008"},
        {kSecond, {"20251206-054640-9999"}, ""},
    };
    for (const auto& [now, existing, expected] : cases) EXPECT_EQ(SessionName(now, existing), expected) << now;
    for (const char* name : {"20251206-054640-0001", "00000000-000000-0000"}) EXPECT_TRUE(IsSessionName(name)) << name;
    for (const char* name :
         {"20251206_054640-0001", "2025120-054640-00001", "20251206-054640-001", "damaged", "2025120a-054640-0001", ""})
        EXPECT_FALSE(IsSessionName(name)) << name;

    const auto folders = [](const std::vector<JournalRoot>& roots) {
        std::vector<std::vector<std::string>> all;
        for (const JournalRoot& root : roots) all.push_back(root.folders);
        return all;
    };
    using Folders = std::vector<std::vector<std::string>>;
    EXPECT_EQ(folders(JournalRoots("C:\\T", "C:\\L")),
              (Folders{{"C:\\T\\journal"}, {"C:\\L\\Tessarin", "C:\\L\\Tessarin\\journal"}}));
    EXPECT_EQ(folders(JournalRoots("C:\\T", "")), (Folders{{"C:\\T\\journal"}}));
    EXPECT_EQ(folders(JournalRoots("C:\\L\\TESSARIN", "C:\\L")), (Folders{{"C:\\L\\TESSARIN\\journal"}}));
}

TEST(CaptureJournal, WritesEachCaptureWholeAwayFromTheWindowAndLetsItGoAtOnce) {
    FakeDisk disk;
    Program p(disk, 1);
    EXPECT_TRUE(p.Start().empty());
    const std::string session = std::string(kRoot) + "\\20251206-054640-0001";
    EXPECT_EQ(p.calls, (std::vector<std::string>{"mkdir C:\\T\\journal", "mkdir " + session, "lock " + session}));
    const std::string first = session + "\\00000000000000000001.tjr";

    // Nothing is written on the window's thread; on the worker, a name of its own first.
    p.calls.clear();
    p.Capture("a");
    EXPECT_TRUE(p.calls.empty());
    EXPECT_FALSE(p.journal.Settled(p.keys["a"]));
    EXPECT_EQ(p.journal.Read(p.keys["a"]), nullptr);
    p.Settle();
    EXPECT_EQ(p.calls, (std::vector<std::string>{"write " + first + ".tmp", "rename " + first + ".tmp > " + first}));
    EXPECT_EQ(p.written, std::vector<std::string>{"a"});
    EXPECT_TRUE(p.journal.Settled(p.keys["a"]));
    EXPECT_EQ(NameOfPicture(p.journal.Read(p.keys["a"])), NameOfPicture(PictureOf("a")));

    // Let go before the worker came to it: never written. Let go when written: removed there
    // and then, before anything queued runs.
    p.calls.clear();
    p.Capture("b");
    p.Forget("b");
    p.Forget("a");
    EXPECT_EQ(p.calls, std::vector<std::string>{"remove " + first});
    EXPECT_EQ(p.journal.Read(p.keys["a"]), nullptr);
    p.Settle();
    EXPECT_EQ(p.calls, std::vector<std::string>{"remove " + first});
    EXPECT_EQ(p.written, std::vector<std::string>{"a"});

    // A record changed before its first write was done: both are written in order, and only the
    // last one counts as what was asked for.
    p.calls.clear();
    p.Capture("c");
    p.Rename("c", "c2");
    EXPECT_FALSE(p.journal.Settled(p.keys["c"]));
    p.Settle();
    const std::string third = session + "\\00000000000000000003.tjr";
    EXPECT_EQ(p.calls, (std::vector<std::string>{"write " + third + ".tmp", "rename " + third + ".tmp > " + third,
                                                 "write " + third + ".tmp", "rename " + third + ".tmp > " + third}));
    EXPECT_EQ(p.written, (std::vector<std::string>{"a", "c"}));
    EXPECT_TRUE(p.journal.Settled(p.keys["c"]));
    EXPECT_EQ(StemOf(ParseJournalFile(disk.now.files.at(third))->record.fullPath), "c2");
    p.calls.clear();
    p.Rename("c", "c2");  // as it is written
    p.Settle();
    EXPECT_TRUE(p.calls.empty());

    // A capture let go while its file is written: the write finds it let go and leaves nothing.
    p.Capture("d");
    p.store.whileWriting = [&] { p.Forget("d"); };
    p.Settle();
    EXPECT_EQ(disk.FilesBelow(session), (std::vector<std::string>{third, session + "\\lock"}));
    EXPECT_EQ(p.written, (std::vector<std::string>{"a", "c"}));

    // The end keeps what was not let go (the session's end could not save it), unlocked.
    p.journal.Close();
    EXPECT_EQ(disk.locks.size(), 0u);
    Program next(disk, 2, kSecond + 60);
    EXPECT_EQ(next.Start(), std::vector<std::string>{"c2"});
}

TEST(CaptureJournal, FallsBackWhereTheProgramFolderCannotBeWrittenAndTellsOnceWhenNothingCan) {
    struct Case {
        const char* what;
        std::set<std::string> readOnly;
        bool full = false;
        bool failEncode = false;
        const char* root;  // where the capture is kept
        bool written;
        bool journalFolder = false;  // made before
    };
    const Case cases[] = {
        {"writable", {}, false, false, kRoot, true},
        {"program folder read-only", {"C:\\T"}, false, false, kFallback, true},
        {"journal folder read-only", {"C:\\T\\journal"}, false, false, kFallback, true, true},
        {"nothing writable", {"C:\\T", "C:\\Users\\u\\Local"}, false, false, kRoot, false},
        {"disk full", {}, true, false, kRoot, false},
        {"picture cannot be encoded", {}, false, true, kRoot, false},
    };
    for (const Case& c : cases) {
        FakeDisk disk;
        if (c.journalFolder) disk.now.folders.insert("C:\\T\\journal");
        disk.readOnly = c.readOnly;
        disk.full = c.full;
        Program p(disk, 1);
        p.store.failEncode = c.failEncode;
        (void)p.Start();
        const JournalKey key = p.Capture("a");
        EXPECT_TRUE(p.failed.empty()) << c.what << ": told after the window's step, never during it";
        p.Settle();
        EXPECT_EQ(p.journal.Settled(key), c.written) << c.what;
        // The capture stays in memory; a capture that could not be kept is told, and the report
        // comes once.
        EXPECT_EQ(p.failed, c.written ? std::vector<std::string>{} : std::vector<std::string>{"a"}) << c.what;
        EXPECT_TRUE(p.journal.TakeFailureReport()) << c.what;
        EXPECT_FALSE(p.journal.TakeFailureReport()) << c.what;
        // Nothing half-written is left under a name of the journal.
        size_t files = 0;
        for (const auto& [path, bytes] : disk.now.files) {
            EXPECT_TRUE(!path.ends_with(".tjr") || ParseJournalFile(bytes)) << c.what << " " << path;
            files += path.ends_with(".tjr") || path.ends_with(".tmp");
        }
        EXPECT_EQ(files, c.written ? 1u : 0u) << c.what;
        if (c.written) {
            EXPECT_EQ(ParentFolder(ParentFolder(disk.FilesBelow(c.root).front())), c.root) << c.what;
        }
    }
}

TEST(CaptureJournal, TakesOverOnlyTheJournalsOfProgramsThatAreGoneOldestFirst) {
    FakeDisk disk;
    Program first(disk, 1, kSecond);
    (void)first.Start();
    first.Capture("a");
    first.Capture("b");
    first.Settle();
    Program running(disk, 2, kSecond + 10);
    (void)running.Start();
    running.Capture("c");
    running.Settle();
    // A third one kept its journal in the fallback, the program folder being read-only then.
    disk.readOnly = {"C:\\T\\journal"};
    Program third(disk, 3, kSecond + 20);
    (void)third.Start();
    disk.readOnly.clear();
    third.Capture("d");
    third.Settle();
    // A damaged file, and a write that never finished, in the first one's journal.
    const std::string firstSession = std::string(kRoot) + "\\20251206-054640-0001";
    disk.now.files[firstSession + "\\00000000000000000007.tjr"] = "not a journal file";
    disk.now.files[firstSession + "\\00000000000000000008.tjr.tmp"] = "half";
    disk.Kill(1);
    disk.Kill(3);

    Program next(disk, 4, kSecond + 30);
    EXPECT_EQ(next.Start(), (std::vector<std::string>{"a", "b", "d"}));
    EXPECT_EQ(next.damaged, 1);
    EXPECT_TRUE(std::count(next.calls.begin(), next.calls.end(),
                           "lock " + std::string(kRoot) + "\\20251206-054650-0001 refused"));
    EXPECT_TRUE(
        disk.now.files.contains(std::string(kRoot) + "\\damaged\\20251206-054640-0001-00000000000000000007.tjr"));
    EXPECT_FALSE(disk.now.files.contains(firstSession + "\\00000000000000000008.tjr.tmp"));
    for (const char* name : {"a", "b", "d"})
        EXPECT_EQ(NameOfPicture(next.journal.Read(next.keys[name])), NameOfPicture(PictureOf(name))) << name;
    // A program started meanwhile finds them all taken.
    Program meanwhile(disk, 5, kSecond + 40);
    EXPECT_TRUE(meanwhile.Start().empty());
    EXPECT_EQ(meanwhile.damaged, 0);
    meanwhile.journal.Close();

    // Captures taken over are let go where they are, and later captures come after them.
    next.Forget("a");
    next.Capture("e");
    next.Settle();
    next.journal.Close();
    running.journal.Close();
    Program after(disk, 6, kSecond + 50);
    EXPECT_EQ(after.Start(), (std::vector<std::string>{"b", "c", "d", "e"}));
    for (const char* name : {"b", "c", "d", "e"}) after.Forget(name);
    after.journal.Close();
    // A normal end leaves no journal: only what was set aside stays, for whoever wants to look.
    std::vector<std::string> left;
    for (const auto& [path, bytes] : disk.now.files) left.push_back(path);
    EXPECT_EQ(left, std::vector<std::string>{std::string(kRoot) +
                                             "\\damaged\\20251206-054640-0001-00000000000000000007.tjr"});
    EXPECT_FALSE(disk.now.folders.contains("C:\\Users\\u\\Local\\Tessarin"));
    EXPECT_TRUE(disk.locks.empty());
}

TEST(CaptureJournal, TheEndOfTheSessionWhileJournalsAreReadTakesNothing) {
    FakeDisk disk;
    Program gone(disk, 1);
    (void)gone.Start();
    gone.Capture("a");
    gone.Settle();
    disk.Kill(1);
    Program p(disk, 2, kSecond + 5);
    p.background.meanwhile = [&] { p.journal.Close(); };
    EXPECT_TRUE(p.Start().empty());
    EXPECT_EQ(p.Capture("b"), 0u);
    EXPECT_TRUE(disk.locks.empty());
    Program next(disk, 3, kSecond + 10);
    EXPECT_EQ(next.Start(), std::vector<std::string>{"a"});
}

// A story of one program's life; after each step, what it has not let go.
struct Step {
    const char* what;
    std::function<void(Program&)> act;
    std::vector<std::string> unsaved;
};

// Runs the story from a disk, and starts a new program over every moment of it, as a kill there
// would leave the disk: it brings back whole captures only, in their order, nothing let go by a
// step once the step is done, and everything that was on disk and not let go around it.
void KillAtEveryMoment(const FakeDisk::State& start, const std::vector<std::string>& order,
                       const std::vector<Step>& story) {
    const auto restart = [&](const FakeDisk::State& state, const std::string& when) {
        FakeDisk disk(state);
        Program next(disk, 99, kSecond + 3600);
        const std::vector<std::string> names = next.Start();
        EXPECT_EQ(next.damaged, 0) << when;
        std::vector<std::string> captures;
        for (const std::string& name : names) {
            // Renamed, it is still the capture it was.
            captures.push_back(CaptureOf(name));
            EXPECT_EQ(NameOfPicture(next.journal.Read(next.keys[name])), NameOfPicture(PictureOf(captures.back())))
                << when;
        }
        return captures;
    };
    FakeDisk disk(start);
    Program p(disk, 1);
    std::vector<std::string> onDisk = restart(disk.now, "at the start");
    std::vector<std::string> before = onDisk;
    for (const Step& step : story) {
        const size_t from = disk.history.size();
        step.act(p);
        std::vector<FakeDisk::State> moments(disk.history.begin() + static_cast<std::ptrdiff_t>(from),
                                             disk.history.end());
        moments.push_back(disk.now);
        for (size_t m = 0; m < moments.size(); ++m) {
            const std::string when = std::string(step.what) + ", moment " + std::to_string(m);
            const std::vector<std::string> restored = restart(moments[m], when);
            std::vector<size_t> places;
            // Once the step is done, what it let go is gone for good.
            const bool done = m + 1 == moments.size();
            for (const std::string& name : restored) {
                const bool known = (!done && std::count(before.begin(), before.end(), name)) ||
                                   std::count(step.unsaved.begin(), step.unsaved.end(), name);
                EXPECT_TRUE(known) << when << ": " << name << " came back";
                places.push_back(static_cast<size_t>(std::find(order.begin(), order.end(), name) - order.begin()));
            }
            EXPECT_TRUE(std::is_sorted(places.begin(), places.end())) << when;
            EXPECT_EQ(std::set<size_t>(places.begin(), places.end()).size(), places.size()) << when;
            for (const std::string& name : onDisk) {
                const bool kept = std::count(before.begin(), before.end(), name) &&
                                  std::count(step.unsaved.begin(), step.unsaved.end(), name);
                EXPECT_TRUE(!kept || std::count(restored.begin(), restored.end(), name))
                    << when << ": " << name << " lost";
            }
        }
        before = step.unsaved;
        onDisk = restart(disk.now, std::string(step.what) + ", after");
    }
}

TEST(CaptureJournal, AKillAtAnyMomentLeavesEveryCaptureWholeOrNotThere) {
    const std::vector<std::string> order{"a", "b", "c", "d", "e"};
    // One program from its start to a close where the user answers No.
    KillAtEveryMoment(FakeDisk().now, order,
                      {
                          {"start", [](Program& p) { (void)p.Start(); }, {}},
                          {"capture a", [](Program& p) { p.Capture("a"); }, {"a"}},
                          {"capture b", [](Program& p) { p.Capture("b"); }, {"a", "b"}},
                          {"written", [](Program& p) { p.Settle(); }, {"a", "b"}},
                          {"capture c", [](Program& p) { p.Capture("c"); }, {"a", "b", "c"}},
                          {"c renamed", [](Program& p) { p.Rename("c", "c2"); }, {"a", "b", "c"}},
                          {"b saved", [](Program& p) { p.Forget("b"); }, {"a", "c"}},
                          {"written", [](Program& p) { p.Settle(); }, {"a", "c"}},
                          {"capture d", [](Program& p) { p.Capture("d"); }, {"a", "c", "d"}},
                          {"a deleted", [](Program& p) { p.Forget("a"); }, {"c", "d"}},
                          {"written", [](Program& p) { p.Settle(); }, {"c", "d"}},
                          {"No at the question", [](Program& p) { p.Forget("c"), p.Forget("d"); }, {}},
                          {"closed", [](Program& p) { p.journal.Close(); }, {}},
                      });

    // A program that takes over another's journal, captures more and saves them all.
    FakeDisk earlier;
    {
        Program gone(earlier, 7, kSecond - 3600);
        (void)gone.Start();
        for (const char* name : {"a", "b", "c"}) gone.Capture(name);
        gone.Settle();
    }
    KillAtEveryMoment(earlier.now, order,
                      {
                          {"start", [](Program& p) { (void)p.Start(); }, {"a", "b", "c"}},
                          {"capture d", [](Program& p) { p.Capture("d"); }, {"a", "b", "c", "d"}},
                          {"a saved", [](Program& p) { p.Forget("a"); }, {"b", "c", "d"}},
                          {"written", [](Program& p) { p.Settle(); }, {"b", "c", "d"}},
                          {"capture e", [](Program& p) { p.Capture("e"); }, {"b", "c", "d", "e"}},
                          {"c deleted", [](Program& p) { p.Forget("c"); }, {"b", "d", "e"}},
                          {"Save all", [](Program& p) { p.Forget("b"), p.Forget("d"), p.Forget("e"); }, {}},
                          {"written", [](Program& p) { p.Settle(); }, {}},
                          {"closed", [](Program& p) { p.journal.Close(); }, {}},
                      });
}

}  // namespace
}  // namespace tessarin::test
