#pragma once
// An in-memory Windows file system for the native tests: paths compare without regard to case.

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/ports/filesystem.h"
#include "core/text/text.h"

namespace tessarin::test {

class FakeFileSystem : public FileSystem {
public:
    struct Entry {
        std::string path;  // as it was added, for listing
        FileInfo info;
        std::string content;  // a file's size is its content's
    };
    std::map<std::string, Entry> entries;      // key: lower-case full path
    std::map<std::string, uint64_t> modified;  // write times, 0 unless set; key: lower-case full path
    bool failWrites = false;
    std::map<std::string, int> replaced;  // how often each file was written whole; key: lower-case path

    void addFolder(const std::string& path) { entries[AsciiLower(path)] = {path, {.folder = true}, {}}; }
    void addFile(const std::string& path, std::string content = {}, bool hidden = false, bool system = false) {
        entries[AsciiLower(path)] = {path, {false, hidden, system}, std::move(content)};
    }
    void remove(const std::string& path) { entries.erase(AsciiLower(path)); }

    std::optional<FileInfo> stat(const std::string& path) const override {
        std::string key = AsciiLower(path);
        while (key.size() > 3 && key.back() == '\\') key.pop_back();
        const auto it = entries.find(key);
        return it == entries.end() ? std::nullopt : std::optional(it->second.info);
    }
    // The masks the code asks for: "folder\*", "folder\name.*" (which also matches "name") and one file's path.
    std::vector<ListedFile> listFiles(const std::string& pattern) const override {
        const std::string mask = AsciiLower(pattern), folder = mask.substr(0, mask.rfind('\\') + 1);
        const bool exact = mask.find_first_of("*?") == std::string::npos;
        const std::string stem = exact ? "" : mask.substr(folder.size(), mask.size() - folder.size() - 1);
        std::vector<ListedFile> files;
        for (const auto& [key, entry] : entries) {
            const std::string name = key.substr(std::min(key.size(), folder.size()));
            const bool inFolder = key.starts_with(folder) && !name.empty() && name.find('\\') == std::string::npos;
            if (!inFolder || !(exact ? key == mask : stem.empty() || name + '.' == stem || name.starts_with(stem)))
                continue;
            const auto time = modified.find(key);
            files.push_back({entry.path.substr(folder.size()),
                             entry.info,
                             {entry.content.size(), time == modified.end() ? 0 : time->second}});
        }
        return files;
    }
    std::vector<std::string> list(const std::string& pattern) const override {
        std::vector<std::string> names;
        for (const ListedFile& file : listFiles(pattern)) names.push_back(file.name);
        return names;
    }
    std::string canonicalise(const std::string& path) const override {
        std::string out;
        size_t parts = 0;
        for (const std::string& part : SplitAll(path, "\\")) {
            if (part == ".." && parts > 1) out.erase(out.rfind('\\')), --parts;
            if (part != ".." && part != ".") out += (parts++ ? "\\" : "") + part;
        }
        return out;
    }
    std::string currentFolder() const override { return "C:\\"; }
    std::optional<std::string> readFile(const std::string& path) const override {
        const auto info = stat(path);
        return info && !info->folder ? std::optional(entries.at(AsciiLower(path)).content) : std::nullopt;
    }
    bool replaceFile(const std::string& path, const std::string& bytes,
                     FileVisibility visibility = FileVisibility::Shown) override {
        const auto parent = stat(path.substr(0, path.rfind('\\')));
        const auto old = stat(path);
        ++replaced[AsciiLower(path)];
        if (failWrites || !parent || !parent->folder || (old && old->folder)) return false;
        return addFile(path, bytes, visibility == FileVisibility::Hidden), true;
    }
    bool createFolder(const std::string& path) override {
        return !failWrites && !stat(path) && (addFolder(path), true);
    }
};

}  // namespace tessarin::test
