#include "core/text/paths.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "core/text/linear_regex.h"
#include "core/text/text.h"

namespace tessarin {

namespace {

constexpr char kSeparator = '\\';

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Positions and lengths in these rules count characters. Counting UTF-8 sequences instead of
// bytes keeps every cut on a character boundary, even when the two lengths being compared
// come from texts that differ at their ends (surrounding quotes or blanks).
size_t CharCount(std::string_view text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuationByte(c); }));
}

std::string_view DropLastChars(std::string_view text, size_t count) {
    for (; count > 0 && !text.empty(); --count) {
        size_t end = text.size() - 1;
        while (end > 0 && IsContinuationByte(text[end])) --end;
        text = text.substr(0, end);
    }
    return text;
}

size_t FirstCharSize(std::string_view text) {
    if (text.empty()) return 0;
    size_t size = 1;
    while (size < text.size() && IsContinuationByte(text[size])) ++size;
    return size;
}

// A UNC path, or a drive letter followed by ":\".
bool IsAbsolute(std::string_view path) {
    if (path.starts_with("\\\\")) return true;
    const size_t first = FirstCharSize(path);
    return first > 0 && path.substr(first).starts_with(":\\");
}

// The base of a relative path is always a folder, whether or not it exists yet: the settings
// dialog can hand over a typed folder that is still missing, and gluing a relative path onto
// the last component of such a base ("C:\pics" + "a.jpg" -> "C:\picsa.jpg") would silently name
// a file beside the intended folder. A base that already ends in "\" (a drive root) gets no
// second separator.
std::string AsFolder(std::string_view folder) {
    std::string out(folder);
    if (!out.empty() && out.back() != kSeparator) out += kSeparator;
    return out;
}

bool IsFolder(const FileSystem& fs, const std::string& path) {
    const auto info = fs.stat(path);
    return info.has_value() && info->folder;
}

// Index of the first part where the two lists differ, looking at the parts both have;
// nothing when one list is a prefix of the other.
std::optional<size_t> FirstDifference(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t k = 0; k < common; ++k) {
        if (a[k] != b[k]) return k;
    }
    return std::nullopt;
}

}  // namespace

std::string Unquote(std::string_view text) {
    for (;;) {
        text = TrimChar(text, ' ');
        if (text.size() < 2 || text.front() != '"' || text.back() != '"') return std::string(text);
        text = text.substr(1, text.size() - 2);
    }
}

std::string GetExtension(std::string_view path) {
    const std::string p = Unquote(path);
    const size_t dot = p.rfind('.');
    if (dot == std::string::npos) return {};
    const size_t backslash = p.rfind(kSeparator);
    const size_t slash = p.rfind('/');
    // A dot inside a folder name (C:\a.b\c) or a URL host is no extension.
    if ((backslash != std::string::npos && backslash > dot) || (slash != std::string::npos && slash > dot)) return {};
    return p.substr(dot + 1);
}

std::string StripExtension(std::string_view path) {
    const std::string extension = GetExtension(path);
    if (extension.empty()) return std::string(path);
    return std::string(DropLastChars(path, CharCount(extension) + 1));
}

std::string FileNameOf(std::string_view path) {
    const size_t at = path.rfind(kSeparator);
    return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

std::string ParentFolder(std::string_view path) {
    std::string_view text = TrimChar(path, ' ');
    if (text.starts_with('"') && CharCount(text) >= 2) text = DropLastChars(text.substr(1), 1);
    const size_t at = text.rfind(kSeparator);
    return std::string(at == std::string_view::npos ? text : text.substr(0, at));
}

// Every rewrite works on single ASCII bytes, which never occur inside a UTF-8 sequence, so
// the rest of the text (even invalid bytes of a foreign window title) passes through as is.
std::string& SanitizeFileName(std::string& text) {
    text = ReplaceAll(text, "\r\n", "");
    // Cutting before the last "?" drops the query string of a URL.
    if (const size_t query = text.rfind('?'); query != std::string::npos) text.resize(query);
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '/':
            case ':':
            case '*':
            case '?':
            case '"':
            case '<':
            case '>':
            case '|':
                // The full-width form of an ASCII character lies U+FEE0 above it.
                AppendUtf8(out, static_cast<char32_t>(c) + 0xFEE0);
                break;
            case '\\':
                AppendUtf8(out, U'\uFFE5');
                break;
            case '\t':
                out += ' ';
                break;
            case '\r':
            case '\n':
                break;
            default:
                out += c;
        }
    }
    text = std::move(out);
    return text;
}

std::string& CreatableFileName(std::string& name) {
    for (char& c : name) {
        if (c > 0 && c < ' ') c = ' ';
    }
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    return name;
}

// A name counts as taken while any file with the same base name exists, whatever its
// extension: the bitmap and the converted image of one save share the base name. The count goes
// on as long as it takes: stopping at some number would hand out a name that is taken.
std::string UniqueName(std::string_view path, const FileSystem& fs, std::span<const std::string> taken) {
    constexpr int kLastSuffix = 10'000'000;
    if (path.empty()) return {};
    const std::string extension = GetExtension(path);
    std::string dotExtension;
    std::string_view base = path;
    if (!extension.empty()) {
        dotExtension = "." + extension;
        base = DropLastChars(path, CharCount(dotExtension));
    }
    const auto held = [&taken](const std::string& name) {
        const std::string lower = AsciiLower(name);
        return std::ranges::any_of(taken, [&lower](const std::string& path) {
            return !path.empty() && AsciiLower(StripExtension(path)) == lower;
        });
    };
    std::string name(base);
    for (int n = 2; n <= kLastSuffix; ++n) {
        if (!held(name) && fs.list(name + ".*").empty()) return name + dotExtension;
        name = std::string(base) + "_" + std::to_string(n);
    }
    return {};
}

// The name keeps its fixed length whatever the clock says: a year before 1000 is padded with
// zeros, one below 0 reads 0000 and one past 9999 reads 9999; the other fields are held to
// two digits.
std::string TempName(const LocalTime& now) {
    const auto twoDigits = [](int value) { return std::clamp(value, 0, 99); };
    char text[32];
    std::snprintf(text, sizeof text, "tmp_%04d%02d%02d%02d%02d%02d", std::clamp(now.year, 0, 9999),
                  twoDigits(now.month), twoDigits(now.day), twoDigits(now.hour), twoDigits(now.minute),
                  twoDigits(now.second));
    return text;
}

std::string CollapseBlanks(std::string_view text) {
    static constexpr std::string_view kIdeographicSpace = "\u3000";
    std::string out;
    out.reserve(text.size());
    bool inRun = false;
    for (size_t i = 0; i < text.size();) {
        size_t blank = 0;
        if (text[i] == ' ') {
            blank = 1;
        } else if (text.substr(i).starts_with(kIdeographicSpace)) {
            blank = kIdeographicSpace.size();
        }
        if (blank == 0) {
            out += text[i++];
            inRun = false;
            continue;
        }
        if (!inRun) out.append(text.substr(i, blank));
        inRun = true;
        i += blank;
    }
    return out;
}

// A relative path is resolved against the base as a folder, existing or not (see AsFolder).
// An absolute path with ".." components is folded on its own rather than appended to the
// base, which would produce a path like "C:\prog\D:\a\..\b".
std::string AbsolutePath(std::string_view path, std::string& base, const PathContext& ctx) {
    if (base.empty()) base = ctx.programFolder;
    std::string_view q = path;
    const std::string_view trimmed = TrimChar(path, ' ');
    if (trimmed.starts_with('"')) {
        if (trimmed.size() < 2 || !trimmed.ends_with('"')) return std::string(path);
        q = trimmed.substr(1, trimmed.size() - 2);
    }
    const std::string folder = AsFolder(base);
    const bool absolute = IsAbsolute(q);
    if (q.find("..\\") != std::string_view::npos) {
        std::string folded = ctx.fs.canonicalise(absolute ? std::string(q) : folder + std::string(q));
        if (const size_t end = folded.find('\0'); end != std::string::npos) folded.resize(end);
        return folded;
    }
    if (q.starts_with(".\\")) return folder + std::string(q.substr(2));
    // A single leading "\" counts as relative too: the doubled separator it yields is
    // accepted by the file system.
    if (!absolute) return folder + std::string(q);
    return std::string(q);
}

// The base is always taken as a folder, existing or not (see AsFolder). A target gets its
// trailing separator only when it is an existing folder, since a missing one may as well name
// a file; but a missing target that is an ancestor of the base can only be a folder. A target
// that shares no leading component with the base cannot be expressed relative to it and is
// returned as it is.
std::string RelativePath(std::string_view target, std::string_view base, const FileSystem& fs) {
    std::string unquoted = Unquote(target);
    std::string t = unquoted;
    std::string b = Unquote(base);
    if (t.substr(0, FirstCharSize(t)) != b.substr(0, FirstCharSize(b)) || t.starts_with("\\\\")) return t;
    b = AsFolder(b);
    if (!t.empty() && t.back() != kSeparator && IsFolder(fs, t)) t += kSeparator;

    std::vector<std::string> targetParts = SplitAll(t, "\\");
    const std::vector<std::string> baseParts = SplitAll(b, "\\");
    std::optional<size_t> k = FirstDifference(targetParts, baseParts);
    if (!k && targetParts.size() < baseParts.size()) {
        targetParts.emplace_back();
        k = FirstDifference(targetParts, baseParts);
    }
    if (!k) return {};
    if (*k == 0) return unquoted;

    std::string result;
    for (size_t i = *k; i + 1 < baseParts.size(); ++i) result += "..\\";
    for (size_t i = *k; i < targetParts.size(); ++i) {
        if (i > *k) result += kSeparator;
        result += targetParts[i];
    }
    if (result.find(' ') != std::string::npos) result = "\"" + result + "\"";
    return result;
}

bool FileExists(std::string_view path, const PathContext& ctx) {
    std::string base = ctx.programFolder;
    const auto info = ctx.fs.stat(Unquote(AbsolutePath(path, base, ctx)));
    return info.has_value() && !info->folder && !info->hidden && !info->system;
}

// Started by its bare name, a program is looked for in the program's own folder and the current
// folder first, where anybody who can write there could put an explorer.exe of their own.
std::string OpenFolderCommand(std::string_view folder, const PathContext& ctx, std::string_view windowsFolder) {
    std::string base;
    std::string command =
        windowsFolder.empty() ? std::string("explorer.exe") : "\"" + std::string(windowsFolder) + "\\explorer.exe\"";
    return command + " " + AbsolutePath(folder, base, ctx);
}

int SelectedOptionIndex(std::span<const bool> options) {
    const auto it = std::find(options.begin(), options.end(), true);
    return it == options.end() ? 0 : static_cast<int>(it - options.begin());
}

// Element 0 stays where it is. Strings compare by unsigned byte, which for UTF-8 is the order
// of the character codes; with a strict order and equal elements being identical, any sort
// gives the same result as the exchange sort this replaces, without its quadratic cost on a
// folder of thousands of images.
void SortAscending(std::vector<std::string>& items) {
    if (items.size() > 2) std::sort(items.begin() + 1, items.end());
}

// Matches are counted over the whole text: only a pattern that matches exactly once yields
// its first group. A pattern outside the matcher's syntax, or an invalid one, yields "" like no
// match at all.
//
// The patterns run on page markup, where a backtracking or polynomial matcher searching from
// every position costs the square of the text (28 KB of unclosed "<span class=x>" took 9.3 s):
// the linear matcher's cost grows with the text only, and its syntax holds every pattern the
// program uses.
std::string RegexFirstSubmatch(std::string_view text, std::string_view pattern) {
    const std::optional<LinearSearch> search = SearchCaseless(text, pattern);
    if (!search || search->matches != 1 || !search->first.group1Matched) return {};
    return std::string(search->first.group1);
}

}  // namespace tessarin
