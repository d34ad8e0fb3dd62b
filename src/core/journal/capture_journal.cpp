#include "core/journal/capture_journal.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <optional>
#include <utility>

#include "core/text/text.h"

namespace tessarin {

namespace {

constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr size_t kStampLength = 15;  // "20250314-101502"
constexpr int kCountDigits = 4;
constexpr int kMaxCount = 9999;
// Sessions tried in one root before the next is: each one taken means another program starting
// in the same second.
constexpr int kSessionAttempts = 16;

// The civil date of a day counted from 1970-01-01 (proleptic Gregorian).
void CivilFromDays(int64_t days, int64_t& year, unsigned& month, unsigned& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shifted = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    month = shifted < 10 ? shifted + 3 : shifted - 9;
    year = static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

std::string Stamp(int64_t now) {
    now = std::clamp<int64_t>(now, 0, 253402300799);  // up to 9999-12-31 23:59:59
    int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(now / 86400, year, month, day);
    const int64_t second = now % 86400;
    char text[32];
    std::snprintf(text, sizeof text, "%04lld%02u%02u-%02lld%02lld%02lld", static_cast<long long>(year), month, day,
                  static_cast<long long>(second / 3600), static_cast<long long>(second / 60 % 60),
                  static_cast<long long>(second % 60));
    return text;
}

std::string Join(const std::string& folder, std::string_view name) { return folder + "\\" + std::string(name); }

}  // namespace

std::vector<JournalRoot> JournalRoots(const std::string& programFolder, const std::string& localAppData) {
    std::vector<JournalRoot> roots{{{Join(programFolder, "journal")}}};
    if (!localAppData.empty()) {
        const std::string ours = Join(localAppData, "Tessarin");
        // The program folder may itself be that folder.
        if (AsciiLower(ours) != AsciiLower(programFolder)) roots.push_back({{ours, Join(ours, "journal")}});
    }
    return roots;
}

bool IsSessionName(std::string_view name) {
    if (name.size() != kStampLength + 1 + kCountDigits) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const bool dash = i == 8 || i == kStampLength;
        if (dash ? name[i] != '-' : (name[i] < '0' || name[i] > '9')) return false;
    }
    return true;
}

std::string SessionName(int64_t now, const std::vector<std::string>& existing) {
    std::string latest;
    for (const std::string& name : existing)
        if (IsSessionName(name) && name > latest) latest = name;
    std::string stamp = Stamp(now);
    int count = 1;
    if (!latest.empty() && latest.substr(0, kStampLength) >= stamp) {
        stamp = latest.substr(0, kStampLength);
        count = std::stoi(latest.substr(kStampLength + 1)) + 1;
        if (count > kMaxCount) return {};
    }
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "-%0*d", kCountDigits, count);
    return stamp + suffix;
}

// ---- One capture's file ------------------------------------------------------------------------

// Shared with the writes under way: what the window's thread asked for and what the worker put on
// disk. The lock is held across a rename into place, so a capture let go is either removed after
// the rename or never renamed.
struct CaptureJournal::Slot {
    Slot(std::string path, uint64_t sequence, int64_t capturedAt)
        : path(std::move(path)), sequence(sequence), capturedAt(capturedAt) {}
    const std::string path;  // "" when there is no journal to write into
    const uint64_t sequence;
    const int64_t capturedAt;
    // The window's thread only: versions asked for, and the record of the last.
    uint64_t asked = 0;
    std::string fullPath;
    std::string windowText;
    mutable std::mutex mutex;
    bool forgotten = false;
    bool onDisk = false;
    uint64_t written = 0;  // the version on disk
};

CaptureJournal::Outcome CaptureJournal::WriteVersion(JournalStore& store, Slot& slot, uint64_t version,
                                                     const Image& picture, const Image& thumbnail,
                                                     const JournalRecord& record) {
    {
        const std::lock_guard lock(slot.mutex);
        if (slot.forgotten) return Outcome::Dropped;
    }
    if (slot.path.empty()) return Outcome::Failed;
    const std::optional<std::string> encoded = store.encodePicture(picture);
    if (!encoded) return Outcome::Failed;
    // Written whole under a name of its own first: a kill meanwhile leaves the old file as it was.
    const std::string temporary = slot.path + std::string(kTemporarySuffix);
    if (!store.write(temporary, JournalFileBytes(record, thumbnail, *encoded))) return Outcome::Failed;
    const std::lock_guard lock(slot.mutex);
    if (slot.forgotten) {
        (void)store.remove(temporary);
        return Outcome::Dropped;
    }
    if (!store.rename(temporary, slot.path, true)) {
        (void)store.remove(temporary);
        return Outcome::Failed;
    }
    slot.onDisk = true;
    slot.written = version;
    return Outcome::Written;
}

void CaptureJournal::QueueWrite(JournalKey key, const std::shared_ptr<Slot>& slot, SharedImage picture, Image thumbnail,
                                std::string fullPath, std::string windowText, WriteDone done) {
    const uint64_t version = ++slot->asked;
    slot->fullPath = fullPath;
    slot->windowText = windowText;
    auto outcome = std::make_shared<Outcome>(Outcome::Dropped);
    ctx_.background.run(
        [&store = ctx_.store, slot, version, picture = std::move(picture), thumbnail = std::move(thumbnail),
         record = JournalRecord{slot->sequence, std::move(fullPath), std::move(windowText), slot->capturedAt},
         outcome] { *outcome = WriteVersion(store, *slot, version, *picture, thumbnail, record); },
        [this, key, slot, version, outcome, done = std::move(done)] {
            // Let go meanwhile: nothing is left to tell.
            if (*outcome == Outcome::Dropped || SlotOf(key) != slot || !done) return;
            // An older version on disk while a newer one is on its way is not yet what was asked for.
            if (*outcome == Outcome::Failed) {
                done(key, false);
            } else if (version == slot->asked) {
                done(key, true);
            }
        });
}

JournalKey CaptureJournal::Keep(SharedImage picture, Image thumbnail, std::string fullPath, std::string windowText,
                                WriteDone done) {
    if (closed_ || !picture || picture->Empty()) return 0;
    const uint64_t sequence = nextSequence_++;
    // Without a journal the write fails as one that cannot be made: the capture stays in memory,
    // and its failure is told after whatever the window does now.
    auto slot = std::make_shared<Slot>(own_.empty() ? std::string() : Join(own_, JournalFileName(sequence)), sequence,
                                       ctx_.clock.now());
    const JournalKey key = nextKey_++;
    slots_.emplace(key, slot);
    QueueWrite(key, slot, std::move(picture), std::move(thumbnail), std::move(fullPath), std::move(windowText),
               std::move(done));
    return key;
}

void CaptureJournal::Rewrite(JournalKey key, SharedImage picture, Image thumbnail, std::string fullPath,
                             std::string windowText, WriteDone done) {
    const std::shared_ptr<Slot> slot = SlotOf(key);
    if (!slot || closed_ || !picture || picture->Empty()) return;
    if (fullPath == slot->fullPath && windowText == slot->windowText) return;  // as it is written
    QueueWrite(key, slot, std::move(picture), std::move(thumbnail), std::move(fullPath), std::move(windowText),
               std::move(done));
}

void CaptureJournal::Forget(JournalKey key) {
    const auto it = slots_.find(key);
    if (it == slots_.end()) return;
    const std::shared_ptr<Slot> slot = std::move(it->second);
    slots_.erase(it);
    bool onDisk = false;
    {
        const std::lock_guard lock(slot->mutex);
        slot->forgotten = true;
        onDisk = slot->onDisk;
    }
    // At once rather than behind the writes queued for other captures: a capture the user saved or
    // declined must not come back, whenever the program is killed.
    if (onDisk && !ctx_.store.remove(slot->path)) {
        ctx_.background.run([&store = ctx_.store, path = slot->path] { (void)store.remove(path); }, {});
    }
}

bool CaptureJournal::Settled(JournalKey key) const {
    const std::shared_ptr<Slot> slot = SlotOf(key);
    if (!slot) return false;
    const std::lock_guard lock(slot->mutex);
    return slot->onDisk && slot->written == slot->asked;
}

SharedImage CaptureJournal::Read(JournalKey key) const {
    const std::shared_ptr<Slot> slot = SlotOf(key);
    if (!slot) return nullptr;
    std::optional<std::string> bytes;
    {
        // No newer version is renamed over the file while it is read.
        const std::lock_guard lock(slot->mutex);
        if (!slot->onDisk) return nullptr;
        bytes = ctx_.store.read(slot->path);
    }
    const std::optional<JournalFile> file = bytes ? ParseJournalFile(*bytes) : std::nullopt;
    return file ? ctx_.store.decodePicture(file->picture) : nullptr;
}

std::shared_ptr<CaptureJournal::Slot> CaptureJournal::SlotOf(JournalKey key) const {
    const auto it = slots_.find(key);
    return it == slots_.end() ? nullptr : it->second;
}

// ---- Start and end -----------------------------------------------------------------------------

bool CaptureJournal::MakeRoot(const JournalRoot& root) {
    return std::all_of(root.folders.begin(), root.folders.end(), [this](const std::string& folder) {
        return ctx_.store.makeFolder(folder) != JournalStore::Made::Failed;
    });
}

// The first root where a session can be made and locked; none when no root can be written.
void CaptureJournal::OpenOwnSession() {
    std::vector<std::string> existing;
    for (const JournalRoot& root : ctx_.roots)
        for (const JournalStore::Listed& listed : ctx_.store.list(root.folders.back()))
            if (listed.folder) existing.push_back(listed.name);
    for (const JournalRoot& root : ctx_.roots) {
        if (!MakeRoot(root)) continue;
        for (int attempt = 0; attempt < kSessionAttempts; ++attempt) {
            const std::string name = SessionName(ctx_.clock.now(), existing);
            if (name.empty()) break;
            existing.push_back(name);
            const std::string folder = Join(root.folders.back(), name);
            const JournalStore::Made made = ctx_.store.makeFolder(folder);
            if (made == JournalStore::Made::Failed) break;
            // A folder made by another program starting at the same moment is locked by it, or by
            // a program that takes it over (and removes it) as a session that has gone.
            if (made == JournalStore::Made::New && ctx_.store.lock(folder)) {
                own_ = folder;
                return;
            }
        }
    }
}

Restoration CaptureJournal::Open() {
    if (opened_ || closed_) return {};
    opened_ = true;
    OpenOwnSession();

    // The sessions of programs that are gone, oldest first, in whichever root they are.
    struct Session {
        std::string name;
        std::string root;
    };
    std::vector<Session> sessions;
    for (const JournalRoot& root : ctx_.roots)
        for (const JournalStore::Listed& listed : ctx_.store.list(root.folders.back()))
            if (listed.folder && IsSessionName(listed.name)) sessions.push_back({listed.name, root.folders.back()});
    std::stable_sort(sessions.begin(), sessions.end(),
                     [](const Session& a, const Session& b) { return a.name < b.name; });
    // Held from here on, whatever comes: the end lets every one of them go.
    std::vector<Session> taken;
    for (const Session& session : sessions) {
        const std::string folder = Join(session.root, session.name);
        if (AsciiLower(folder) != AsciiLower(own_) && ctx_.store.lock(folder)) {
            taken.push_back(session);
            adopted_.push_back(folder);
        }
    }

    // Their files, read away from the window: whole ones come back, the others are set aside.
    struct Found {
        std::string path;
        JournalRecord record;
        Image thumbnail;
    };
    struct Taken {
        std::vector<Found> found;
        int32_t damaged = 0;
    };
    std::vector<Taken> read(taken.size());
    ctx_.background.runAndWait([&store = ctx_.store, &taken, &read] {
        for (size_t i = 0; i < taken.size(); ++i) {
            const std::string folder = Join(taken[i].root, taken[i].name);
            std::vector<std::pair<uint64_t, std::string>> names;
            for (const JournalStore::Listed& listed : store.list(folder)) {
                if (listed.folder) continue;
                if (const auto sequence = SequenceOfJournalFile(listed.name)) {
                    names.emplace_back(*sequence, listed.name);
                } else if (AsciiLower(listed.name).ends_with(kTemporarySuffix)) {
                    (void)store.remove(Join(folder, listed.name));  // a write the program did not finish
                }
            }
            std::sort(names.begin(), names.end());
            for (const auto& [sequence, name] : names) {
                const std::string path = Join(folder, name);
                const std::optional<std::string> bytes = store.read(path);
                if (std::optional<JournalFile> file = bytes ? ParseJournalFile(*bytes) : std::nullopt) {
                    read[i].found.push_back({path, std::move(file->record), std::move(file->thumbnail)});
                    continue;
                }
                // Kept for whoever wants to look, out of the way of every later start.
                const std::string aside = Join(taken[i].root, kDamagedFolder);
                if (store.makeFolder(aside) != JournalStore::Made::Failed)
                    (void)store.rename(path, Join(aside, taken[i].name + "-" + name), false);
                ++read[i].damaged;
            }
        }
    });
    // The session ended while they were read: the program has gone.
    if (closed_) return {};

    Restoration restoration;
    for (size_t i = 0; i < taken.size(); ++i) {
        const std::string folder = Join(taken[i].root, taken[i].name);
        restoration.damaged += read[i].damaged;
        if (read[i].found.empty()) {
            // Nothing of it is left to keep: it goes now.
            ctx_.store.unlock(folder);
            ctx_.store.removeFolder(folder);
            std::erase(adopted_, folder);
            continue;
        }
        for (Found& found : read[i].found) {
            auto slot = std::make_shared<Slot>(std::move(found.path), found.record.sequence, found.record.capturedAt);
            slot->onDisk = true;
            const JournalKey key = nextKey_++;
            slots_.emplace(key, std::move(slot));
            restoration.captures.push_back({key, std::move(found.record), std::move(found.thumbnail)});
        }
    }
    return restoration;
}

void CaptureJournal::Close() {
    if (closed_) return;
    closed_ = true;
    std::vector<std::string> sessions = adopted_;
    if (!own_.empty()) sessions.push_back(own_);
    // A session that still holds captures (the end of the user's session could not save them) is
    // left for the next start; its lock goes with the program.
    for (const std::string& folder : sessions) {
        ctx_.store.unlock(folder);
        ctx_.store.removeFolder(folder);
    }
    for (const JournalRoot& root : ctx_.roots)
        for (auto folder = root.folders.rbegin(); folder != root.folders.rend(); ++folder)
            ctx_.store.removeFolder(*folder);
}

}  // namespace tessarin
