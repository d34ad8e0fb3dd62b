#pragma once
// The command words other programs start Tessarin with.

#include <cstdint>
#include <string_view>

namespace tessarin {

// Flags are only ever set by the words, never cleared.
struct CommandLineFlags {
    bool debug = false;
    int32_t autoRun = 0;  // "auto" / "a"
    int32_t minimize = 0;
    int32_t novisible = 0;
    int32_t nomouse = 0;
    int32_t clipboard = 0;
    int32_t sound = 0;
    int32_t nolisting = 0;
    uint32_t hwnd = 0;  // watched window, 0 = none
    int32_t loadfiles = 0;
};

// Applies the option words of a command line (UTF-8) to the flags.
void ParseCommandLine(std::string_view commandLine, CommandLineFlags& flags);

// The arguments of a whole process command line: what follows the program name (quoted
// or not) and the blanks after it.
[[nodiscard]] std::string_view ArgumentsOf(std::string_view processCommandLine);

// The window handle of a "hwnd" word: decimal or "&H" hexadecimal; a value that is no
// 32-bit handle (a fraction, out of range) gives 0.
[[nodiscard]] uint32_t WindowHandleOfWord(std::string_view word);

}  // namespace tessarin
