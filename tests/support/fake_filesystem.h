#pragma once
// An in-memory Windows file system for the native tests: paths are compared without
// regard to case, as on Windows.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/ports/filesystem.h"
#include "core/text/text.h"

namespace tessarin::test {

class FakeFileSystem : public FileSystem {
public:
    struct Entry {
        FileInfo info;
        std::string content;
    };
    std::map<std::string, Entry> entries;  // key: lower-case full path
    std::string current = "C:\\";
    bool failWrites = false;
    std::vector<std::string> writes;  // paths written through replaceFile

    void addFolder(const std::string& path) { entries[AsciiLower(path)] = Entry{FileInfo{true, false, false}, {}}; }
    void addFile(const std::string& path, std::string content = {}, bool hidden = false, bool system = false) {
        entries[AsciiLower(path)] = Entry{FileInfo{false, hidden, system}, std::move(content)};
    }
    void remove(const std::string& path) { entries.erase(AsciiLower(path)); }
    [[nodiscard]] const Entry* find(const std::string& path) const {
        auto it = entries.find(AsciiLower(path));
        return it == entries.end() ? nullptr : &it->second;
    }

    std::optional<FileInfo> stat(const std::string& path) const override {
        std::string p = path;
        while (p.size() > 3 && (p.back() == '\\')) p.pop_back();
        if (const Entry* e = find(p)) return e->info;
        return std::nullopt;
    }

    std::vector<std::string> list(const std::string& pattern) const override {
        const auto slash = pattern.rfind('\\');
        const std::string folder = slash == std::string::npos ? std::string() : AsciiLower(pattern.substr(0, slash));
        const std::string mask = AsciiLower(slash == std::string::npos ? pattern : pattern.substr(slash + 1));
        std::vector<std::string> names;
        for (const auto& [key, entry] : entries) {
            const auto s = key.rfind('\\');
            if (s == std::string::npos || key.substr(0, s) != folder) continue;
            const std::string name = key.substr(s + 1);
            if (Match(mask, name)) names.push_back(name);
        }
        return names;
    }

    std::string canonicalise(const std::string& path) const override {
        std::vector<std::string> parts;
        for (const std::string& part : SplitAll(path, "\\")) {
            if (part == ".") continue;
            if (part == "..") {
                if (parts.size() > 1) parts.pop_back();
                continue;
            }
            parts.push_back(part);
        }
        std::string out;
        for (size_t i = 0; i < parts.size(); ++i) out += (i ? "\\" : "") + parts[i];
        return out;
    }

    std::string currentFolder() const override { return current; }

    std::optional<std::string> readFile(const std::string& path) const override {
        const Entry* e = find(path);
        if (e == nullptr || e->info.folder) return std::nullopt;
        return e->content;
    }

    bool replaceFile(const std::string& path, const std::string& bytes) override {
        const auto slash = path.rfind('\\');
        if (failWrites || slash == std::string::npos) return false;
        const Entry* parent = find(path.substr(0, slash));
        if (parent == nullptr || !parent->info.folder) return false;
        const Entry* old = find(path);
        if (old != nullptr && old->info.folder) return false;
        addFile(path, bytes);
        writes.push_back(path);
        return true;
    }

    bool createFolder(const std::string& path) override {
        if (failWrites || find(path) != nullptr) return false;
        addFolder(path);
        return true;
    }

private:
    // Windows wildcard matching, with its quirk that "name.*" also matches "name".
    static bool Match(const std::string& mask, const std::string& name) {
        if (mask.size() >= 2 && mask.compare(mask.size() - 2, 2, ".*") == 0 &&
            Glob(mask.substr(0, mask.size() - 2), name))
            return true;
        return Glob(mask, name);
    }
    static bool Glob(const std::string& mask, const std::string& name) {
        size_t m = 0, n = 0, star = std::string::npos, back = 0;
        while (n < name.size()) {
            if (m < mask.size() && (mask[m] == '?' || mask[m] == name[n])) {
                ++m;
                ++n;
            } else if (m < mask.size() && mask[m] == '*') {
                star = m++;
                back = n;
            } else if (star != std::string::npos) {
                m = star + 1;
                n = ++back;
            } else {
                return false;
            }
        }
        while (m < mask.size() && mask[m] == '*') ++m;
        return m == mask.size();
    }
};

}  // namespace tessarin::test
