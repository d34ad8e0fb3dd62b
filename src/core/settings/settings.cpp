#include "core/settings/settings.h"

#include <array>
#include <optional>
#include <string>

#include "core/text/text.h"

namespace tessarin {

namespace {

enum class FieldKind { Number, Text, Edge };

// One line of "conf.txt". The reader, the writer and the reset all walk this one table, so a
// key, its field and its default cannot drift apart.
struct FieldSpec {
    std::string_view key;
    FieldKind kind = FieldKind::Number;
    int32_t Settings::*number = nullptr;
    std::string Settings::*text = nullptr;
    int32_t WindowPlacement::*edge = nullptr;
    int32_t numberDefault = 0;
    std::string_view textDefault;
    // "hosei", "shift", "shiftx" and "shifty" survive a reset: the loading step has always
    // left them alone, and only the zeroed record gives them their start value.
    bool reset = true;
};

constexpr FieldSpec Edge(std::string_view key, int32_t WindowPlacement::*edge) {
    FieldSpec f;
    f.key = key;
    f.kind = FieldKind::Edge;
    f.edge = edge;
    return f;
}

constexpr FieldSpec Number(std::string_view key, int32_t Settings::*number, int32_t value, bool reset = true) {
    FieldSpec f;
    f.key = key;
    f.kind = FieldKind::Number;
    f.number = number;
    f.numberDefault = value;
    f.reset = reset;
    return f;
}

constexpr FieldSpec Text(std::string_view key, std::string Settings::*text, std::string_view value) {
    FieldSpec f;
    f.key = key;
    f.kind = FieldKind::Text;
    f.text = text;
    f.textDefault = value;
    return f;
}

// In the order the lines are written.
constexpr std::array kFields = {
    Edge("form left", &WindowPlacement::left),
    Edge("form top", &WindowPlacement::top),
    Edge("form right", &WindowPlacement::right),
    Edge("form bottom", &WindowPlacement::bottom),
    Number("no mouse", &Settings::noMouse, 1),
    Number("no tooltip", &Settings::noTooltip, 1),
    Number("copy to clipboard", &Settings::copyToClipboard, 0),
    Number("capture sound", &Settings::captureSound, 1),
    Text("chime", &Settings::chime, "chimes.wav"),
    Text("sound start", &Settings::soundStart, "notify.wav"),
    Text("sound stop", &Settings::soundStop, "chord.wav"),
    Number("save file format", &Settings::saveFileFormat, 1),
    Text("save folder path", &Settings::saveFolderPath, "data"),
    Text("load files", &Settings::loadFiles, "1"),
    Number("auto start", &Settings::autoStart, 0),
    Number("img download", &Settings::imgDownload, 1),
    Number("auto listing", &Settings::autoListing, 1),
    Number("space", &Settings::space, 0),
    Number("no confirm", &Settings::noConfirm, 0),
    Number("minimize", &Settings::minimize, 0),
    Text("hotkey copy", &Settings::hotkeyCopy, "C"),
    Text("hotkey rect", &Settings::hotkeyRect, "Shift"),
    Number("pos", &Settings::pos, 0),
    Text("class name", &Settings::className, ""),
    Number("hosei", &Settings::hosei, 0, false),
    Number("hosei left", &Settings::hoseiLeft, 0),
    Number("hosei top", &Settings::hoseiTop, 0),
    Number("hosei width", &Settings::hoseiWidth, 0),
    Number("hosei height", &Settings::hoseiHeight, 0),
    Number("size", &Settings::size, 0),
    Number("size width", &Settings::sizeWidth, 16),
    Number("size height", &Settings::sizeHeight, 16),
    Number("thumbnail width", &Settings::thumbnailWidth, 120),
    Number("thumbnail height", &Settings::thumbnailHeight, 90),
    Number("thumbnail static", &Settings::thumbnailStatic, 0),
    Number("shift", &Settings::shift, 0, false),
    Number("shiftx", &Settings::shiftX, 0, false),
    Number("shifty", &Settings::shiftY, 0, false),
};
static_assert(kFields.size() == kSettingsLineCount);

const FieldSpec* FindField(std::string_view key) {
    for (const FieldSpec& f : kFields) {
        if (f.key == key) return &f;
    }
    return nullptr;
}

void ApplyLine(std::string_view line, Settings& settings, WindowPlacement& placement) {
    const size_t eq = line.find('=');
    // A value that itself holds "=" makes the whole line unreadable, as it always has.
    if (eq == std::string_view::npos || line.find('=', eq + 1) != std::string_view::npos) return;
    const FieldSpec* field = FindField(AsciiLower(TrimChar(line.substr(0, eq))));
    if (field == nullptr) return;
    const std::string_view value = TrimChar(line.substr(eq + 1));
    switch (field->kind) {
        case FieldKind::Edge:
            placement.*(field->edge) = LeadingInt32(value);
            break;
        case FieldKind::Number:
            settings.*(field->number) = LeadingInt32(value);
            break;
        case FieldKind::Text:
            settings.*(field->text) = std::string(value);
            break;
    }
}

std::string ProgramFile(const std::string& programFolder, std::string_view name) {
    std::string path = programFolder;
    if (path.empty() || path.back() != '\\') path += '\\';
    path += name;
    return path;
}

// Windows reads a run of separators inside a path as one; the leading pair of a UNC path
// (or of a "\\?\" path) is the only place where two of them mean something.
std::string FoldDoubledSeparators(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        if (i >= 2 && path[i] == '\\' && out.back() == '\\') continue;
        out += path[i];
    }
    return out;
}

}  // namespace

WindowPlacement DefaultPlacement(ScreenSize screen) {
    const double w = screen.width;
    const double h = screen.height;
    WindowPlacement p;
    p.left = RoundHalfEven(w * 10 / 20);
    p.right = RoundHalfEven(w * 19 / 20);
    p.top = RoundHalfEven(h * 11 / 20);
    p.bottom = RoundHalfEven(h * 18 / 20);
    return p;
}

void ResetSettings(Settings& settings) {
    for (const FieldSpec& f : kFields) {
        if (!f.reset) continue;
        if (f.kind == FieldKind::Number) settings.*(f.number) = f.numberDefault;
        if (f.kind == FieldKind::Text) settings.*(f.text) = std::string(f.textDefault);
    }
}

// Lines end at CR or at CR LF; a lone LF stays inside its line. This is how the file has
// always been read, so files edited with tools that write LF only keep reading the same way.
void ParseSettingsText(std::string_view text, Settings& settings, WindowPlacement& placement) {
    size_t from = 0;
    for (;;) {
        const size_t cr = text.find('\r', from);
        ApplyLine(text.substr(from, cr == std::string_view::npos ? std::string_view::npos : cr - from), settings,
                  placement);
        if (cr == std::string_view::npos) return;
        from = cr + 1;
        if (from < text.size() && text[from] == '\n') ++from;
    }
}

std::string FormatSettingsText(const Settings& settings, const WindowPlacement& placement) {
    std::string out;
    for (const FieldSpec& f : kFields) {
        out += f.key;
        out += " = ";
        switch (f.kind) {
            case FieldKind::Edge:
                out += std::to_string(placement.*(f.edge));
                break;
            case FieldKind::Number:
                out += std::to_string(settings.*(f.number));
                break;
            case FieldKind::Text:
                out += settings.*(f.text);
                break;
        }
        out += "\r\n";
    }
    return out;
}

WindowPlacement LoadSettings(Settings& settings, ScreenSize screen, const PathContext& ctx,
                             const NarrowCodePage& codePage) {
    WindowPlacement placement = DefaultPlacement(screen);
    ResetSettings(settings);
    // A file that exists but cannot be read is treated like a missing one: defaults.
    if (const std::optional<std::string> bytes = ctx.fs.readFile(ProgramFile(ctx.programFolder, kSettingsFileName))) {
        ParseSettingsText(codePage.toUtf8(*bytes), settings, placement);
    }
    std::string base;
    const std::string folder = Unquote(AbsolutePath(settings.saveFolderPath, base, ctx));
    const std::optional<FileInfo> info = ctx.fs.stat(folder);
    if (!info || !info->folder) settings.saveFolderPath.clear();
    return placement;
}

// The file is replaced as a whole: a write that breaks off (disk full) leaves the previous
// settings in place instead of a truncated file that would silently reset them next time.
bool SaveSettings(const Settings& settings, const WindowPlacement& placement, FileSystem& fs,
                  const std::string& programFolder, const NarrowCodePage& codePage) {
    return fs.replaceFile(ProgramFile(programFolder, kSettingsFileName),
                          codePage.fromUtf8(FormatSettingsText(settings, placement)));
}

std::string FormatExtension(int32_t formatIndex) {
    switch (formatIndex) {
        case 1:
            return "jpg";
        case 2:
            return "png";
        case 3:
            return "gif";
        default:
            return "bmp";
    }
}

int32_t FormatIndex(std::string_view extension) {
    const std::string e = AsciiLower(extension);
    if (e == "jpg") return 1;
    if (e == "png") return 2;
    if (e == "gif") return 3;
    return 0;
}

std::string FullPath(std::string_view name, const Settings& settings, const PathContext& ctx) {
    if (name.empty()) return {};
    std::string joined = Unquote(settings.saveFolderPath);
    joined += '\\';
    joined += name;
    std::string base;
    return FoldDoubledSeparators(Unquote(AbsolutePath(joined, base, ctx)));
}

}  // namespace tessarin
