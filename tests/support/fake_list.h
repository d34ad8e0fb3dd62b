#pragma once
// Fakes of the image list's ports for the native tests. Every call is written as a short text
// into one shared journal, so a test sees the order; hooks run "while messages run", as a
// click that arrives meanwhile.

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/files/save_naming.h"
#include "core/imagelist/list_controller.h"
#include "core/text/text.h"
#include "support/fake_filesystem.h"

namespace tessarin::test {

using ListJournal = std::vector<std::string>;

inline SharedImage Solid(int32_t width, int32_t height, uint32_t colour) {
    auto image = std::make_shared<Image>();
    image->width = width;
    image->height = height;
    image->pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), colour);
    return image;
}

inline std::string Describe(const Image* image) {
    if (image == nullptr || image->Empty()) return "none";
    return std::to_string(image->width) + "x" + std::to_string(image->height);
}

// The next of the queued answers, or the usual one when none is queued.
template <class T>
T Next(std::deque<T>& queued, T usual) {
    if (queued.empty()) return usual;
    T next = std::move(queued.front());
    queued.pop_front();
    return next;
}

// Runs a hook once, at the next point where messages run.
struct MessageHooks {
    std::deque<std::function<void()>> pending;
    void Run() {
        if (const auto hook = Next<std::function<void()>>(pending, nullptr)) hook();
    }
};

struct FakeListView : ListView {
    FakeListView(ListJournal& journal, MessageHooks& hooks) : journal(journal), hooks(hooks) {}
    ListJournal& journal;
    MessageHooks& hooks;
    SharedImage shown;  // what the preview shows
    std::string file;   // the file-name box

    void stripChangedFrom(int32_t position) override { Note("strip from " + std::to_string(position)); }
    void stripChanged(int32_t position) override { Note("strip " + std::to_string(position)); }
    void stripScrollToEnd() override { Note("end"); }
    void stripEnsureVisible(int32_t position) override { Note("ensure " + std::to_string(position)); }
    void selectionChanged(int32_t p, int32_t slot) override { Note("select " + PairOf(p, slot)); }
    void showPreview(const SharedImage& image) override { shown = image, Note("preview " + Describe(image.get())); }
    void setTexts(const std::string& f, const std::string& t) override { file = f, Note("texts " + f + "|" + t); }
    void setFileName(const std::string& f) override { file = f, Note("file " + f); }
    std::string fileName() const override { return file; }
    void setStatus(const std::string& status) override { Note("status " + status), hooks.Run(); }
    void showStatus(const std::string& status) override { Note("show " + status); }
    void parkPointer() override { Note("park"); }
    void processPendingMessages() override { hooks.Run(); }
    void pause(int ms) override { Note("pause " + std::to_string(ms)), hooks.Run(); }
    void sleep(int ms) override { Note("sleep " + std::to_string(ms)); }
    void showEditMenu() override { Note("menu"), hooks.Run(); }
    void Note(std::string line) { journal.push_back(std::move(line)); }
    static std::string PairOf(int32_t a, int32_t b) { return std::to_string(a) + "," + std::to_string(b); }
};

// Answers OK / Yes unless told otherwise; every question lets messages run.
struct FakePrompts : ListPrompts {
    FakePrompts(ListJournal& journal, MessageHooks& hooks) : journal(journal), hooks(hooks) {}
    ListJournal& journal;
    MessageHooks& hooks;
    std::deque<bool> confirms;
    Answer answer = Answer::Yes;
    std::deque<std::string> chosen;  // what the save dialog returns ("" when none is queued)

    void message(const std::string& t, const std::string& title) override { Note("message " + t + "|" + title); }
    bool confirm(const std::string& t, const std::string& title) override {
        return Note("confirm " + t + "|" + title), Next(confirms, true);
    }
    Answer yesNoCancel(const std::string& t, const std::string& title) override {
        return Note("ask " + t + "|" + title), answer;
    }
    std::string saveDialog(const std::string& name, int32_t filter, const std::string& folder) override {
        return Note("dialog " + name + "|" + std::to_string(filter) + "|" + folder), Next<std::string>(chosen, "");
    }
    std::string desktopFolder() const override { return "C:\\Desk"; }
    void notice(const std::string& t) override { Note("notice " + t); }
    void Note(std::string line) { journal.push_back(std::move(line)), hooks.Run(); }
};

// Image files in the fake file system, so that the naming rules see them; their pixels here.
struct FakeImageStore : ImageStore {
    FakeImageStore(ListJournal& journal, FakeFileSystem& fs) : journal(journal), fs(fs) {}
    ListJournal& journal;
    FakeFileSystem& fs;
    std::map<std::string, SharedImage> files;
    std::set<std::string> failing;   // targets whose write fails
    std::set<std::string> tooLarge;  // files whose pictures the program cannot hold
    mutable int reads = 0;

    ReadResult read(const std::string& path) const override {
        ++reads;
        if (tooLarge.contains(AsciiLower(path))) return ReadResult{nullptr, 7, "too large", true};
        const auto it = files.find(AsciiLower(path));
        return it == files.end() || !it->second ? ReadResult{nullptr, 481, "bad picture"}
                                                : ReadResult{it->second, 0, ""};
    }
    std::set<std::string> takenMeanwhile;  // names another program takes just before the write
    WriteOutcome write(const Image& image, const SavePlan& plan) override {
        if (failing.contains(AsciiLower(plan.target))) return WriteOutcome::Failed;
        if (takenMeanwhile.erase(AsciiLower(plan.target)) != 0) {
            fs.addFile(plan.target);
            return Note("taken " + plan.target), WriteOutcome::NameTaken;
        }
        return Add(plan.target, std::make_shared<Image>(image)), Note("write " + plan.target), WriteOutcome::Written;
    }
    uint64_t clock = 0;  // each file written gets a write time of its own
    void Add(const std::string& path, SharedImage image) {
        files[AsciiLower(path)] = std::move(image);
        fs.addFile(path);
        fs.modified[AsciiLower(path)] = ++clock;
    }
    bool isFile(const std::string& path) const override {
        const auto info = fs.stat(path);
        return info && !info->folder;
    }
    void remove(const std::string& path) override {
        files.erase(AsciiLower(path)), fs.remove(path), Note("remove " + path);
    }
    bool createFolder(const std::string& path) override { return Note("mkdir " + path), true; }
    ThumbnailOutcome writeThumbnail(const Image& image, const std::string& target, int32_t& w, int32_t& h,
                                    bool isStatic) override {
        Note("thumb " + Describe(&image) + " " + target + " " + std::to_string(w) + "x" + std::to_string(h) +
             (isStatic ? " static" : ""));
        return ThumbnailOutcome::Scaled;
    }
    void openFolder(const std::string& folder) override { Note("open " + folder); }
    bool canSave() const override { return true; }
    void Note(std::string line) { journal.push_back(std::move(line)); }
};

// Fails the first `emptyBusy` emptyings and `setBusy` settings, as when another program holds it.
struct FakeImageClipboard : ImageClipboard {
    explicit FakeImageClipboard(ListJournal& journal) : journal(journal) {}
    ListJournal& journal;
    int emptyBusy = 0, setBusy = 0;

    bool empty() override { return emptyBusy-- <= 0; }
    bool setImage(const Image& image) override {
        return setBusy-- <= 0 && (journal.push_back("clipboard " + Describe(&image)), true);
    }
};

struct FakeDrag : DragSource {
    explicit FakeDrag(ListJournal& journal) : journal(journal) {}
    ListJournal& journal;
    std::function<void()> during;  // runs inside the drag's own message loop
    void dragImage(const Image& image) override {
        journal.push_back("drag " + Describe(&image));
        if (during) std::exchange(during, nullptr)();
    }
};

// Jobs are kept; the test hands the results back as the window's thread would.
struct FakeDecoder : ThumbnailDecoder {
    std::vector<ThumbnailJob> jobs;
    int cancels = 0;
    void decode(std::vector<ThumbnailJob> more) override { jobs.insert(jobs.end(), more.begin(), more.end()); }
    void cancel() override { ++cancels, jobs.clear(); }
    ListJournal* journal = nullptr;  // where finishing is noted, when given
    bool stuck = false;              // a worker does not stop in time
    bool finish(uint32_t) override {
        if (journal != nullptr) journal->push_back("finish decoder");
        return !stuck;
    }
};

// Work is kept in order until the test lets the other thread run it; follow-ups then run as the
// window's thread would run them.
struct FakeBackground : BackgroundWork {
    std::vector<std::pair<std::function<void()>, std::function<void()>>> queued;
    void run(std::function<void()> work, std::function<void()> done) override {
        queued.emplace_back(std::move(work), std::move(done));
    }
    std::function<void()> meanwhile;  // what the window's messages do while a piece is awaited
    void runAndWait(const std::function<void()>& work) override {
        RunAll();
        work();
        if (meanwhile) std::exchange(meanwhile, {})();
    }
    ListJournal* journal = nullptr;  // where finishing is noted, when given
    bool stuck = false;              // the thread does not stop in time: what is queued is not done
    bool finish(uint32_t) override {
        if (!stuck) RunAll();
        if (journal != nullptr) journal->push_back("finish background");
        return !stuck;
    }
    void RunAll() {
        while (!queued.empty()) {
            auto [work, done] = std::move(queued.front());
            queued.erase(queued.begin());
            work();
            if (done) done();
        }
    }
};

// Whether the journal holds that line; how many of its lines begin with the prefix.
inline bool Has(const ListJournal& journal, const std::string& line) {
    return std::find(journal.begin(), journal.end(), line) != journal.end();
}
inline size_t CountPrefix(const ListJournal& journal, const std::string& prefix) {
    return static_cast<size_t>(std::count_if(journal.begin(), journal.end(),
                                             [&](const std::string& line) { return line.starts_with(prefix); }));
}

// The list's fakes around one journal, with the program folder C:\T and its empty save folder
// C:\T\data; a test world adds the controller over Context().
struct ListFakes {
    ListJournal journal;
    MessageHooks hooks;
    FakeFileSystem fs;
    FakeListView view{journal, hooks};
    FakePrompts prompts{journal, hooks};
    FakeImageStore store{journal, fs};
    FakeImageClipboard clipboard{journal};
    FakeDrag drag{journal};
    Settings settings;
    PathContext paths{fs, "C:\\T"};

    ListFakes() {
        ResetSettings(settings);
        fs.addFolder("C:\\T");
        fs.addFolder("C:\\T\\data");
    }
    ListContext Context(ThumbnailDecoder* decoder = nullptr, FileSystem* files = nullptr,
                        BackgroundWork* background = nullptr, CaptureJournal* captureJournal = nullptr) {
        return {view,    prompts, store,      clipboard,     drag, settings, paths, StripLayoutFor(15),
                decoder, files,   background, captureJournal};
    }
    static std::string Path(const std::string& name) { return "C:\\T\\data\\" + name; }
};

}  // namespace tessarin::test
