#pragma once
// An in-memory Windows file system for the native tests: paths are compared without
// regard to case, as on Windows.

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
    std::map<std::string, std::pair<FileInfo, std::string>> entries;  // key: lower-case full path
    std::map<std::string, std::string> spelling;                      // key -> the path as it was added, for listing
    bool failWrites = false;

    void addFolder(const std::string& path) {
        entries[AsciiLower(path)] = {FileInfo{true, false, false}, {}};
        spelling[AsciiLower(path)] = path;
    }
    void addFile(const std::string& path, std::string content = {}, bool hidden = false, bool system = false) {
        entries[AsciiLower(path)] = {FileInfo{false, hidden, system}, std::move(content)};
        spelling[AsciiLower(path)] = path;
    }
    void remove(const std::string& path) {
        entries.erase(AsciiLower(path));
        spelling.erase(AsciiLower(path));
    }

    std::optional<FileInfo> stat(const std::string& path) const override {
        std::string key = AsciiLower(path);
        while (key.size() > 3 && key.back() == '\\') key.pop_back();
        const auto it = entries.find(key);
        return it == entries.end() ? std::nullopt : std::optional(it->second.first);
    }

    // The two masks the code asks for: "folder\*" and "folder\name.*" (which also matches "name").
    std::vector<std::string> list(const std::string& pattern) const override {
        const std::string mask = AsciiLower(pattern), folder = mask.substr(0, mask.rfind('\\') + 1);
        const std::string stem = mask.substr(folder.size(), mask.size() - folder.size() - 1);
        std::vector<std::string> names;
        for (const auto& [key, entry] : entries) {
            const std::string name = key.substr(std::min(key.size(), folder.size()));
            const bool inFolder = key.starts_with(folder) && !name.empty() && name.find('\\') == std::string::npos;
            if (!inFolder || !(stem.empty() || name + '.' == stem || name.starts_with(stem))) continue;
            const auto original = spelling.find(key);
            names.push_back(original == spelling.end() ? name : original->second.substr(folder.size()));
        }
        return names;
    }

    // A file's size is its content's; its write time is what `modified` says (0 unless set).
    std::map<std::string, uint64_t> modified;  // key: lower-case full path
    std::vector<ListedFile> listFiles(const std::string& pattern) const override {
        std::vector<ListedFile> files;
        const std::string folder = pattern.substr(0, pattern.rfind('\\') + 1);
        // A pattern without wildcards names one file.
        const bool exact = pattern.find_first_of("*?") == std::string::npos;
        const auto one = entries.find(AsciiLower(pattern));
        const std::vector<std::string> names =
            !exact                 ? list(pattern)
            : one == entries.end() ? std::vector<std::string>{}
                                   : std::vector<std::string>{spelling.at(one->first).substr(folder.size())};
        for (const std::string& name : names) {
            const std::string key = AsciiLower(folder + name);
            const auto& [info, content] = entries.at(key);
            const auto time = modified.find(key);
            files.push_back({name, info, {content.size(), time == modified.end() ? 0 : time->second}});
        }
        return files;
    }

    std::string canonicalise(const std::string& path) const override {
        std::vector<std::string> parts;
        for (const std::string& part : SplitAll(path, "\\")) {
            if (part == ".." && parts.size() > 1) parts.pop_back();
            if (part != ".." && part != ".") parts.push_back(part);
        }
        std::string out;
        for (size_t i = 0; i < parts.size(); ++i) out += (i ? "\\" : "") + parts[i];
        return out;
    }

    std::string currentFolder() const override { return "C:\\"; }

    std::optional<std::string> readFile(const std::string& path) const override {
        const auto info = stat(path);
        return info && !info->folder ? std::optional(entries.at(AsciiLower(path)).second) : std::nullopt;
    }

    bool replaceFile(const std::string& path, const std::string& bytes) override {
        const auto parent = stat(path.substr(0, path.rfind('\\')));
        const auto old = stat(path);
        if (failWrites || !parent || !parent->folder || (old && old->folder)) return false;
        addFile(path, bytes);
        return true;
    }

    bool createFolder(const std::string& path) override {
        if (failWrites || stat(path)) return false;
        addFolder(path);
        return true;
    }
};

}  // namespace tessarin::test
