#include <gtest/gtest.h>

#include <tuple>

#include "core/run/input_sampler.h"
#include "support/fake_run.h"

namespace tessarin::test {

// The keys held, the keys whose "pressed since the last query" bit is set, and what is reported.
using KeySample = std::tuple<std::set<int>, std::set<int>, std::string, int32_t>;

TEST(InputSampler, ReportsOneChangePerSample) {
    // Each case: the keys held at the baseline, then the samples.
    const std::vector<std::pair<std::set<int>, std::vector<KeySample>>> cases = {
        {{}, {{{}, {}, "MV", 0}, {{65}, {}, "KEY_DOWN", 65}, {{65}, {}, "MV", 0}, {{}, {}, "KEY_UP", 65}}},
        {{}, {{{17, 67}, {}, "KEY_DOWN", 67}, {{17}, {}, "KEY_UP", 67}}},  // Ctrl+C in one pass reports C
        {{}, {{{1}, {}, "LEFT_DOWN", 1}, {{2}, {}, "RIGHT_DOWN", 2}, {{4}, {}, "MIDDLE_DOWN", 4}}},
        {{1, 2, 4}, {{{2, 4}, {}, "LEFT_UP", 1}, {{4}, {}, "RIGHT_UP", 2}, {{}, {}, "MIDDLE_UP", 4}}},
        {{16, 65}, {{{16, 65}, {}, "MV", 0}, {{16}, {}, "KEY_UP", 65}}},  // held at the baseline: no press
        // The toggle key gives only the pressed bit, and that bit beats any change.
        {{}, {{{244}, {}, "KEY_DOWN", 244}, {{}, {243}, "KEY_DOWN", 243}, {{65}, {244}, "KEY_DOWN", 244}}},
        {{}, {{{5}, {}, "MV", 0}, {{5, 16, 160}, {}, "KEY_DOWN", 16}}},  // unnamed keys are never reported
    };
    const KeyNameTable names = BuildKeyNameTable();
    for (const auto& [baseline, samples] : cases) {
        FakeKeyState keys;
        SamplerState state{77, {}};
        KeyStateTable table;
        keys.held = baseline;
        EXPECT_EQ(SampleInput(state, table, names, keys, true), "");
        EXPECT_EQ(state.keyCode, 77) << "a baseline leaves the key code alone";
        for (const auto& [held, taps, event, code] : samples) {
            keys.held = held;
            keys.taps = taps;
            const std::string word = SampleInput(state, table, names, keys, false);
            EXPECT_EQ(word + " " + std::to_string(state.keyCode), event + " " + std::to_string(code));
        }
    }
}

}  // namespace tessarin::test
