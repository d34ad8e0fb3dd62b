#pragma once
// The capture journal: every unsaved capture kept on disk until it is saved or let go, so that a
// crash, a kill or a power cut loses none of them; and at start, the captures of programs that
// ended without letting theirs go, taken over in their order.
//
// Each running program has a folder of its own (a session) below a root ("<program folder>\journal",
// else the user's local application data), holding a lock file it keeps open without sharing for
// as long as it runs. A session whose lock can be taken belongs to a program that is gone, and
// taking its lock is taking it over: only one program can, so nothing is listed twice. Its files
// stay where they are and go as their captures are saved or let go. Sessions are named by their
// start, so older ones sort first and their captures keep their place before later ones.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/imagelist/image.h"
#include "core/journal/journal_file.h"
#include "core/ports/background_work.h"
#include "core/ports/clock.h"
#include "core/ports/journal_store.h"

namespace tessarin {

// A place a journal may live: its folders from the outermost one the program may have to make
// inward; the last is the root that holds the sessions.
struct JournalRoot {
    std::vector<std::string> folders;
};
// "<program folder>\journal" first, then "<local application data>\Tessarin\journal" (none when
// that folder is not known).
[[nodiscard]] std::vector<JournalRoot> JournalRoots(const std::string& programFolder, const std::string& localAppData);

// "20250314-101502-0001": the start of a session in UTC and a count, sorting after every name
// given (the same second, or a clock set back); "" when none is left.
[[nodiscard]] std::string SessionName(int64_t now, const std::vector<std::string>& existing);
[[nodiscard]] bool IsSessionName(std::string_view name);
inline constexpr const char* kDamagedFolder = "damaged";

struct JournalContext {
    JournalStore& store;
    BackgroundWork& background;
    const Clock& clock;
    std::vector<JournalRoot> roots;
};

struct RestoredCapture {
    JournalKey key = 0;
    JournalRecord record;
    Image thumbnail;  // empty when the file has none
};
struct Restoration {
    std::vector<RestoredCapture> captures;  // in the order they were taken
    int32_t damaged = 0;                    // files set aside in the damaged folder
};

class CaptureJournal {
public:
    // Runs on the window's thread once a write has ended, unless the capture was let go meanwhile:
    // true when what was last asked for is on disk.
    using WriteDone = std::function<void(JournalKey key, bool written)>;

    explicit CaptureJournal(JournalContext context) : ctx_(std::move(context)) {}
    CaptureJournal(const CaptureJournal&) = delete;
    CaptureJournal& operator=(const CaptureJournal&) = delete;

    // Start: this program's own session, and every session of a program that is gone taken over,
    // whose captures are read away from the window (its messages run meanwhile).
    [[nodiscard]] Restoration Open();
    // Keeps a capture, written away from the window. Without a journal to keep it in, the write
    // fails as any other. 0 for no picture, or after the end.
    [[nodiscard]] JournalKey Keep(SharedImage picture, Image thumbnail, std::string fullPath, std::string windowText,
                                  WriteDone done);
    // What comes back with it changed (the name typed before it was added): it is written again.
    // Unchanged, nothing is written.
    void Rewrite(JournalKey key, SharedImage picture, Image thumbnail, std::string fullPath, std::string windowText,
                 WriteDone done);
    // Let go (saved, deleted, declined): its file goes now when it is there, and a write still
    // under way never puts it there.
    void Forget(JournalKey key);
    // What was last asked for is on disk: the picture may leave memory.
    [[nodiscard]] bool Settled(JournalKey key) const;
    // The picture read back from its file; null when it cannot be.
    [[nodiscard]] SharedImage Read(JournalKey key) const;
    // True once, for the first capture that could not be kept.
    [[nodiscard]] bool TakeFailureReport() { return !std::exchange(failureReported_, true); }
    // The end, once the background work is done: the locks go, and every folder left empty.
    void Close();

private:
    struct Slot;
    enum class Outcome { Dropped, Written, Failed };
    static Outcome WriteVersion(JournalStore& store, Slot& slot, uint64_t version, const Image& picture,
                                const Image& thumbnail, const JournalRecord& record);
    void QueueWrite(JournalKey key, const std::shared_ptr<Slot>& slot, SharedImage picture, Image thumbnail,
                    std::string fullPath, std::string windowText, WriteDone done);
    void OpenOwnSession();
    [[nodiscard]] bool MakeRoot(const JournalRoot& root);
    [[nodiscard]] std::shared_ptr<Slot> SlotOf(JournalKey key) const;

    JournalContext ctx_;
    std::string own_;                   // this program's session folder; "" when none could be made
    std::vector<std::string> adopted_;  // sessions taken over, locked until the end
    uint64_t nextSequence_ = 1;
    JournalKey nextKey_ = 1;
    std::map<JournalKey, std::shared_ptr<Slot>> slots_;
    bool opened_ = false;
    bool closed_ = false;
    bool failureReported_ = false;
};

}  // namespace tessarin
