// Arbitrary command lines: never a crash, and the words only ever set flags.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/app/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    tessarin::CommandLineFlags flags;
    tessarin::ParseCommandLine(tessarin::ArgumentsOf(line), flags);
    tessarin::ParseCommandLine(line, flags);
    const bool onlyZeroOrOne = (flags.autoRun | flags.minimize | flags.novisible | flags.nomouse | flags.clipboard |
                                flags.sound | flags.nolisting | flags.loadfiles) <= 1;
    if (!onlyZeroOrOne) __builtin_trap();
    return 0;
}
