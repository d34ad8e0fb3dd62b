#include "core/run/target_kind.h"

#include <array>

namespace tessarin {

namespace {

struct TargetKind {
    const char* word;
    const char* caption;
};

constexpr std::array<TargetKind, kTargetKindCount> kTargetKinds{{
    {"window", "ウィンドウ"},
    {"parts", "パーツ部位"},
    {"class", "クラス指定"},
    {"tooltips", "ツールチップ"},
    {"popuplink", "ポップリンク"},
}};

bool InRange(int32_t index) { return index >= 0 && index < kTargetKindCount; }

}  // namespace

std::string TargetWord(int32_t index) { return InRange(index) ? kTargetKinds[index].word : ""; }

std::string TargetCaption(int32_t index) { return InRange(index) ? kTargetKinds[index].caption : ""; }

// An index read from a hand-edited file may be anything; it still cycles back into range.
int32_t NextTargetIndex(int32_t index) { return index >= 0 && index < kTargetKindCount - 1 ? index + 1 : 0; }

}  // namespace tessarin
