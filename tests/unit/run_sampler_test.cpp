#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/run/input_sampler.h"
#include "core/settings/key_names.h"
#include "support/fake_run.h"

namespace tessarin::test {
namespace {

struct Sample {
    std::set<int> held;  // exactly the keys down in this sample
    std::set<int> taps;  // keys whose "pressed since the last query" bit is set
    std::string event;
    int32_t code = 0;
};

struct SamplerCase {
    const char* name;
    std::set<int> heldAtBaseline;
    std::vector<Sample> samples;
};

void Hold(FakeKeyState& keys, const std::set<int>& held, const std::set<int>& taps) {
    keys.held.clear();
    for (int vk : held) keys.held[vk] = true;
    for (int vk : taps) keys.tap(vk);
}

TEST(InputSampler, ReportsOneChangePerSample) {
    const std::vector<SamplerCase> cases = {
        {"nothing changes", {}, {{{}, {}, "MV", 0}, {{}, {}, "MV", 0}}},
        {"the key code goes back to 0 without a change", {}, {{{65}, {}, "KEY_DOWN", 65}, {{65}, {}, "MV", 0}}},
        {"Ctrl and C in one pass report C", {}, {{{17, 67}, {}, "KEY_DOWN", 67}, {{}, {}, "KEY_UP", 67}}},
        {"a held key goes down once and up once",
         {},
         {{{65}, {}, "KEY_DOWN", 65}, {{65}, {}, "MV", 0}, {{65}, {}, "MV", 0}, {{}, {}, "KEY_UP", 65}}},
        {"mouse buttons have words of their own",
         {},
         {{{1}, {}, "LEFT_DOWN", 1},
          {{}, {}, "LEFT_UP", 1},
          {{2}, {}, "RIGHT_DOWN", 2},
          {{}, {}, "RIGHT_UP", 2},
          {{4}, {}, "MIDDLE_DOWN", 4},
          {{}, {}, "MIDDLE_UP", 4}}},
        {"a key beats a mouse button in the same pass", {}, {{{1, 65}, {}, "KEY_DOWN", 65}, {{65}, {}, "LEFT_UP", 1}}},
        {"the highest code wins between a press and a release",
         {},
         {{{16}, {}, "KEY_DOWN", 16}, {{65}, {}, "KEY_DOWN", 65}, {{16}, {}, "KEY_UP", 65}}},
        {"keys held at the baseline are not pressed, but released",
         {16, 65},
         {{{16, 65}, {}, "MV", 0}, {{16}, {}, "KEY_UP", 65}, {{}, {}, "KEY_UP", 16}}},
        {"the toggle key reports a press without a transition",
         {},
         {{{243}, {}, "KEY_DOWN", 243}, {{243}, {243}, "KEY_DOWN", 243}, {{243}, {}, "MV", 0}}},
        {"the toggle mark beats a higher change", {}, {{{244}, {}, "KEY_DOWN", 244}, {{}, {243}, "KEY_DOWN", 243}}},
        {"the other toggle code", {}, {{{65}, {244}, "KEY_DOWN", 244}}},
        {"unnamed keys are never reported",
         {},
         {{{5}, {}, "MV", 0}, {{5, 6, 160, 161, 162, 163, 164, 165}, {}, "MV", 0}, {{16, 160}, {}, "KEY_DOWN", 16}}},
    };
    const KeyNameTable names = BuildKeyNameTable();
    for (const SamplerCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeKeyState keys;
        SamplerState state;
        KeyStateTable table;
        Hold(keys, c.heldAtBaseline, {});
        state.keyCode = 77;
        EXPECT_EQ(SampleInput(state, table, names, keys, true), "");
        EXPECT_EQ(state.keyCode, 77) << "a baseline leaves the key code alone";
        for (size_t i = 0; i < c.samples.size(); ++i) {
            SCOPED_TRACE("sample " + std::to_string(i));
            const Sample& s = c.samples[i];
            Hold(keys, s.held, s.taps);
            keys.cursor = Point{static_cast<int32_t>(i), 7};
            EXPECT_EQ(SampleInput(state, table, names, keys, false), s.event);
            EXPECT_EQ(state.keyCode, s.code);
            EXPECT_EQ(state.pointer, (Point{static_cast<int32_t>(i), 7}));
        }
    }
}

TEST(InputSampler, KeyFlagsOfPassAndIdle) {
    FakeKeyState keys;
    keys.held = {{17, true}, {18, true}};
    const KeyFlags pass = ReadKeyFlags(keys);
    EXPECT_EQ(pass.ctrl, 1);
    EXPECT_EQ(pass.shift, 0);
    EXPECT_EQ(pass.alt, 1);

    KeyFlags idle{0, 1, 1};
    keys.held = {{17, true}};
    ReadIdleKeyFlags(idle, keys);
    EXPECT_EQ(idle.ctrl, 1);
    EXPECT_EQ(idle.shift, 0);
    EXPECT_EQ(idle.alt, 1) << "the idle tick leaves Alt alone";
}

}  // namespace
}  // namespace tessarin::test
