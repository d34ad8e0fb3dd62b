#pragma once
// Seeds a fuzzer writes into the empty corpus folder it is given, before libFuzzer reads it:
// inputs that pass what mutations rarely pass by chance (a checksum, a signature, an address's
// shape), so that the first runs already reach the code behind them. Written from the target
// itself rather than committed as binaries; a folder that holds files is left as it is, and a
// run on single files (a crash replayed) writes nothing.

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace tessarin::test {

inline void WriteSeeds(int argc, char** argv, const std::vector<std::string>& seeds) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-') continue;
        const std::filesystem::path folder(argv[i]);
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error) || !std::filesystem::is_empty(folder, error)) return;
        for (size_t n = 0; n < seeds.size(); ++n) {
            std::ofstream(folder / ("seed_" + std::to_string(n)), std::ios::binary) << seeds[n];
        }
        return;
    }
}

}  // namespace tessarin::test
