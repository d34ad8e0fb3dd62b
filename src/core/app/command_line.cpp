#include "core/app/command_line.h"

#include <cmath>
#include <string>
#include <vector>

#include "core/text/text.h"

namespace tessarin {

uint32_t WindowHandleOfWord(std::string_view word) {
    const double value = LeadingNumber(word);
    if (value != std::floor(value)) return 0;
    if (value < 0 || value > 4294967295.0) return 0;
    return static_cast<uint32_t>(value);
}

std::string_view ArgumentsOf(std::string_view line) {
    size_t i = 0;
    if (!line.empty() && line[0] == '"') {
        const size_t close = line.find('"', 1);
        i = close == std::string_view::npos ? line.size() : close + 1;
    }
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    return line.substr(i);
}

void ParseCommandLine(std::string_view commandLine, CommandLineFlags& flags) {
    std::string text(1, ' ');
    text.append(TrimChar(commandLine, ' '));
    // An ideographic space before the hyphen separates options as an ASCII blank does.
    text = ReplaceAll(text, "\xE3\x80\x80-", " -");
    const std::vector<std::string> pieces = SplitAll(text, " -");
    for (size_t i = 1; i < pieces.size(); ++i) {
        std::vector<std::string> words = SplitAll(TrimChar(pieces[i], ' '), " ");
        if (words.size() < 11) words.resize(11);
        const std::string word = AsciiLower(words[0]);
        if (word == "debug") {
            flags.debug = true;
        } else if (word == "auto" || word == "a") {
            flags.autoRun = 1;
        } else if (word == "minimize" || word == "min") {
            flags.minimize = 1;
        } else if (word == "novisible") {
            flags.novisible = 1;
        } else if (word == "nomouse") {
            flags.nomouse = 1;
        } else if (word == "clipboard") {
            flags.clipboard = 1;
        } else if (word == "sound") {
            flags.sound = 1;
        } else if (word == "nolisting") {
            flags.nolisting = 1;
        } else if (word == "hwnd") {
            flags.hwnd = WindowHandleOfWord(words[1]);
        } else if (word == "loadfiles") {
            flags.loadfiles = 1;
        }
    }
}

}  // namespace tessarin
