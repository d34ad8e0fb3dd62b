#pragma once
// The capture journal's ports for the native tests: one disk shared by the programs of a test,
// each program's store noting its calls in order, and a clock the test sets. The disk keeps what
// it held after every change (a write also half-way), so a test can start a program over any
// moment of another one's life, as a kill there would leave it.

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/journal/capture_journal.h"
#include "core/ports/clock.h"
#include "core/ports/journal_store.h"
#include "core/text/byte_fields.h"
#include "core/text/paths.h"

namespace tessarin::test {

struct FakeDisk {
    struct State {
        std::map<std::string, std::string> files;
        std::set<std::string> folders;
    };
    State now;
    std::map<std::string, int> locks;  // folder → the running program holding its lock
    std::set<std::string> readOnly;    // folders where nothing can be made or written
    bool full = false;                 // every write fails
    std::vector<State> history;        // after every change

    explicit FakeDisk(std::vector<std::string> folders = {"C:", "C:\\T", "C:\\Users", "C:\\Users\\u",
                                                          "C:\\Users\\u\\Local"}) {
        now.folders.insert(folders.begin(), folders.end());
    }
    explicit FakeDisk(const State& state) : now(state) {}  // what a program left when it was killed
    void Changed() { history.push_back(now); }
    // A program ends without a word: its locks go with it, its files stay.
    void Kill(int program) {
        std::erase_if(locks, [&](const auto& lock) { return lock.second == program; });
    }
    [[nodiscard]] bool Writable(const std::string& folder) const {
        return now.folders.contains(folder) && !readOnly.contains(folder);
    }
    // Files below a folder, at any depth.
    [[nodiscard]] std::vector<std::string> FilesBelow(const std::string& folder) const {
        std::vector<std::string> found;
        for (const auto& [path, bytes] : now.files)
            if (path.starts_with(folder + "\\")) found.push_back(path);
        return found;
    }
};

struct FakeJournalStore : JournalStore {
    FakeJournalStore(FakeDisk& disk, int program, std::vector<std::string>& calls)
        : disk(disk), program(program), calls(calls) {}
    FakeDisk& disk;
    const int program;
    std::vector<std::string>& calls;
    bool failEncode = false;
    std::string prefix;                  // before every note, where the notes share a journal with other fakes
    std::function<void()> whileWriting;  // what the window's thread does while a file is written

    bool lock(const std::string& folder) override {
        const auto holder = disk.locks.find(folder);
        const bool taken = disk.Writable(folder) && (holder == disk.locks.end() || holder->second == program);
        Note("lock " + folder + (taken ? "" : " refused"));
        if (!taken) return false;
        disk.locks[folder] = program;
        if (!disk.now.files.contains(folder + "\\lock")) disk.now.files[folder + "\\lock"] = "", disk.Changed();
        return true;
    }
    void unlock(const std::string& folder) override {
        Note("unlock " + folder);
        if (disk.locks.erase(folder) != 0 && disk.now.files.erase(folder + "\\lock") != 0) disk.Changed();
    }
    Made makeFolder(const std::string& path) override {
        if (disk.now.folders.contains(path)) return Made::Existed;
        if (!disk.Writable(ParentFolder(path))) return Note("mkdir " + path + " failed"), Made::Failed;
        disk.now.folders.insert(path);
        disk.Changed();
        return Note("mkdir " + path), Made::New;
    }
    void removeFolder(const std::string& path) override {
        const bool empty = std::none_of(disk.now.folders.begin(), disk.now.folders.end(),
                                        [&](const std::string& f) { return f.starts_with(path + "\\"); }) &&
                           disk.FilesBelow(path).empty();
        if (empty && disk.now.folders.erase(path) != 0) Note("rmdir " + path), disk.Changed();
    }
    std::vector<Listed> list(const std::string& folder) const override {
        std::vector<Listed> listed;
        const auto child = [&](const std::string& path) {
            return path.starts_with(folder + "\\") && path.find('\\', folder.size() + 1) == std::string::npos;
        };
        for (const std::string& f : disk.now.folders)
            if (child(f)) listed.push_back({FileNameOf(f), true});
        for (const auto& [path, bytes] : disk.now.files)
            if (child(path)) listed.push_back({FileNameOf(path), false});
        return listed;
    }
    std::optional<std::string> read(const std::string& path) const override {
        const auto it = disk.now.files.find(path);
        return it == disk.now.files.end() ? std::nullopt : std::optional(it->second);
    }
    // Half of the file is there for a moment, as a kill during the write would leave it.
    bool write(const std::string& path, std::string_view bytes) override {
        if (disk.full || !disk.Writable(ParentFolder(path))) return Note("write " + path + " failed"), false;
        disk.now.files[path] = std::string(bytes.substr(0, bytes.size() / 2));
        disk.Changed();
        disk.now.files[path] = std::string(bytes);
        disk.Changed();
        Note("write " + path);
        if (whileWriting) std::exchange(whileWriting, nullptr)();
        return true;
    }
    bool rename(const std::string& from, const std::string& to, bool replace) override {
        const auto it = disk.now.files.find(from);
        if (it == disk.now.files.end() || (!replace && disk.now.files.contains(to)) || !disk.Writable(ParentFolder(to)))
            return Note("rename " + from + " failed"), false;
        std::string bytes = std::move(it->second);
        disk.now.files.erase(it);
        disk.now.files[to] = std::move(bytes);
        disk.Changed();
        return Note("rename " + from + " > " + to), true;
    }
    bool remove(const std::string& path) override {
        // A lock file its program holds cannot go.
        if (path.ends_with("\\lock") && disk.locks.contains(ParentFolder(path))) return false;
        if (disk.now.files.erase(path) == 0) return true;
        disk.Changed();
        return Note("remove " + path), true;
    }
    // Lossless: the size and the pixels as they are.
    std::optional<std::string> encodePicture(const Image& image) const override {
        if (failEncode) return std::nullopt;
        std::string out = "PIC";
        PutNumber(out, static_cast<uint64_t>(image.width), 4);
        PutNumber(out, static_cast<uint64_t>(image.height), 4);
        for (const uint32_t pixel : image.pixels) PutNumber(out, pixel, 4);
        return out;
    }
    SharedImage decodePicture(std::string_view bytes) const override {
        ByteReader in(bytes);
        std::string_view magic;
        uint64_t width = 0;
        uint64_t height = 0;
        if (!in.Take(3, magic) || magic != "PIC" || !in.Number(width, 4) || !in.Number(height, 4) ||
            in.remaining() != width * height * 4)
            return nullptr;
        auto image = std::make_shared<Image>();
        image->width = static_cast<int32_t>(width);
        image->height = static_cast<int32_t>(height);
        for (uint64_t i = 0; i < width * height; ++i) {
            uint64_t pixel = 0;
            (void)in.Number(pixel, 4);
            image->pixels.push_back(static_cast<uint32_t>(pixel));
        }
        return image;
    }
    void Note(const std::string& line) const { calls.push_back(prefix + line); }
};

struct FakeClock : Clock {
    int64_t time = 1765000000;  // 2025-12-06 05:46:40 UTC
    int64_t now() const override { return time; }
};

}  // namespace tessarin::test
