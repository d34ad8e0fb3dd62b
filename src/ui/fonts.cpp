#include "ui/fonts.h"

#include <initializer_list>

namespace tessarin {

namespace {

bool FaceInstalled(HDC dc, const wchar_t* face) {
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    wcsncpy_s(query.lfFaceName, face, _TRUNCATE);
    bool found = false;
    EnumFontFamiliesExW(
        dc, &query,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM param) -> int {
            *reinterpret_cast<bool*>(param) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

const wchar_t* FirstInstalledFace(HDC dc, std::initializer_list<const wchar_t*> faces) {
    for (const wchar_t* face : faces) {
        if (FaceInstalled(dc, face)) return face;
    }
    return nullptr;
}

// Whether an underscore drawn in the font leaves any ink.
bool UnderscoreShows(HDC screen, HFONT font) {
    constexpr int kSide = 64;
    const MemoryDc dc(CreateCompatibleDC(screen));
    const GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen, kSide, kSide));
    if (!dc || !bitmap) return true;
    const SelectGuard selectedBitmap(dc.get(), bitmap.get());
    const SelectGuard selectedFont(dc.get(), font);
    PatBlt(dc.get(), 0, 0, kSide, kSide, WHITENESS);
    SetBkMode(dc.get(), TRANSPARENT);
    SetTextColor(dc.get(), RGB(0, 0, 0));
    TextOutW(dc.get(), 0, 0, L"_", 1);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            if (GetPixel(dc.get(), x, y) != RGB(255, 255, 255)) return true;
    return false;
}

// At most this many pixels taller than asked for.
constexpr int kUnderscoreGrowth = 3;

}  // namespace

// The system's own UI face on Windows, one of the installed Japanese families elsewhere:
// Wine substitutes nothing for a missing face, and a face without the glyphs shows boxes.
std::wstring JapaneseFaceName(HDC dc) {
    const wchar_t* face = FirstInstalledFace(
        dc, {L"MS UI Gothic", L"Yu Gothic UI", L"Meiryo UI", L"IPAPGothic", L"IPAGothic", L"Noto Sans CJK JP"});
    return face != nullptr ? face : L"MS Shell Dlg 2";
}

// Readable Japanese matters more than aligned columns (the tab stops align them anyway),
// so without a fixed-pitch Japanese face the proportional one is taken.
std::wstring JapaneseFixedFaceName(HDC dc) {
    const wchar_t* face =
        FirstInstalledFace(dc, {L"MS Gothic", L"IPAGothic", L"Noto Sans Mono CJK JP", L"VL Gothic", L"TakaoGothic"});
    return face != nullptr ? face : JapaneseFaceName(dc);
}

GdiObject<HFONT> DialogFont(HWND window, int points, bool fixedPitch, UINT dpi) {
    const WindowDc dc(window);
    if (dpi == 0) dpi = GetDpiForWindow(window);
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(points, static_cast<int>(dpi == 0 ? 96 : dpi), 72);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    if (fixedPitch) lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    const std::wstring face = fixedPitch ? JapaneseFixedFaceName(dc.get()) : JapaneseFaceName(dc.get());
    wcsncpy_s(lf.lfFaceName, face.c_str(), _TRUNCATE);
    GdiObject<HFONT> font(CreateFontIndirectW(&lf));
    // Some faces put the underscore below their own cell at small sizes, and the rasteriser then
    // drops it (IPA Gothic at 12 pixels under Wine): "RegEdit_RegEdit" would read "RegEdit
    // RegEdit" in a class or file name. Such a font is made a pixel taller until it shows one.
    for (int grown = 0; font && grown < kUnderscoreGrowth && !UnderscoreShows(dc.get(), font.get()); ++grown) {
        --lf.lfHeight;
        font = GdiObject<HFONT>(CreateFontIndirectW(&lf));
    }
    return font;
}

}  // namespace tessarin
