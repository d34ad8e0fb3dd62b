#include "core/run/input_sampler.h"

namespace tessarin {

namespace {

constexpr int kFirstCode = 1;
constexpr int kLastCode = 255;
// The Hankaku/Zenkaku key alternates between these two codes and reports no usable
// down/up transitions, only the "pressed since the last query" bit.
constexpr int kHankaku = 243;
constexpr int kZenkaku = 244;

const char* DownWord(int code) {
    switch (code) {
        case 1:
            return "LEFT_DOWN";
        case 2:
            return "RIGHT_DOWN";
        case 4:
            return "MIDDLE_DOWN";
        default:
            return "KEY_DOWN";
    }
}

const char* UpWord(int code) {
    switch (code) {
        case 1:
            return "LEFT_UP";
        case 2:
            return "RIGHT_UP";
        case 4:
            return "MIDDLE_UP";
        default:
            return "KEY_UP";
    }
}

}  // namespace

// When several keys change within one sample, the highest code wins both the word and the
// code: Ctrl+C pressed at once reports C, and the Ctrl flag tells the rest.
std::string SampleInput(SamplerState& state, KeyStateTable& table, const KeyNameTable& names, KeyStateSource& keys,
                        bool baseline) {
    state.pointer = keys.cursorPos();
    int toggleMark = 0;
    for (int k = kFirstCode; k <= kLastCode; ++k) {
        if (names[k].empty()) continue;
        const int16_t s = keys.asyncKeyState(k);
        table.current[k] = s != 0 ? 1 : -1;
        table.change[k] = table.previous[k] - table.current[k];
        table.previous[k] = table.current[k];
        if ((s & 1) != 0) {
            if (k == kHankaku) toggleMark = -1;
            if (k == kZenkaku) toggleMark = 1;
        }
    }
    if (baseline) return {};

    std::string event;
    int32_t code = 0;
    for (int k = kFirstCode; k <= kLastCode; ++k) {
        const int32_t change = table.change[k];
        if (change == -2) event = DownWord(k);
        if (change == 2) event = UpWord(k);
        if (change != 0) code = k;
    }
    if (toggleMark == -1) {
        event = "KEY_DOWN";
        code = kHankaku;
    } else if (toggleMark == 1) {
        event = "KEY_DOWN";
        code = kZenkaku;
    }
    if (event.empty()) event = "MV";
    state.keyCode = code;
    return event;
}

KeyFlags KeyFlagsOfSample(const KeyStateTable& table) {
    KeyFlags flags;
    IdleKeyFlagsOfSample(flags, table);
    flags.alt = table.current[kVkMenu] == 1 ? 1 : 0;
    return flags;
}

void IdleKeyFlagsOfSample(KeyFlags& flags, const KeyStateTable& table) {
    flags.ctrl = table.current[kVkControl] == 1 ? 1 : 0;
    flags.shift = table.current[kVkShift] == 1 ? 1 : 0;
}

}  // namespace tessarin
