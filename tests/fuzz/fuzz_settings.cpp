// Arbitrary bytes as "conf.txt": the reader must not crash, and whatever it reads must come
// back unchanged through the writer and the reader again.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "core/settings/settings.h"

namespace {

template <typename Record>
auto Fields(Record& s) {
    return std::tie(s.noMouse, s.noTooltip, s.copyToClipboard, s.captureSound, s.chime, s.soundStart, s.soundStop,
                    s.saveFileFormat, s.saveFolderPath, s.loadFiles, s.autoStart, s.imgDownload, s.autoListing, s.space,
                    s.noConfirm, s.minimize, s.hotkeyCopy, s.hotkeyRect, s.pos, s.className, s.hosei, s.hoseiLeft,
                    s.hoseiTop, s.hoseiWidth, s.hoseiHeight, s.size, s.sizeWidth, s.sizeHeight, s.thumbnailWidth,
                    s.thumbnailHeight, s.thumbnailStatic, s.shift, s.shiftX, s.shiftY);
}

void Scramble(int32_t& field) { field = 7; }
void Scramble(std::string& field) { field = "\x01"; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tessarin;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    Settings first;
    ResetSettings(first);
    WindowPlacement firstPlacement = DefaultPlacement({1920, 1080});
    ParseSettingsText(text, first, firstPlacement);

    const std::string written = FormatSettingsText(first, firstPlacement);
    // Start the second reading from a record that differs everywhere, so a line the writer
    // dropped cannot hide behind an equal default.
    Settings second;
    std::apply([](auto&... field) { (Scramble(field), ...); }, Fields(second));
    WindowPlacement secondPlacement{7, 7, 7, 7};
    ParseSettingsText(written, second, secondPlacement);

    if (Fields(first) != Fields(second) || !(firstPlacement == secondPlacement)) __builtin_trap();
    if (FormatSettingsText(second, secondPlacement) != written) __builtin_trap();
    return 0;
}
