#include "ui/settings_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "ui/fonts.h"
#include "ui/window_list.h"
#include "win32/shell.h"
#include "win32/wide.h"

namespace tessarin {

namespace {

enum class Kind { Group, Label, Option, Check, Edit, Combo, Button, DefaultButton };

// Which part of the look a control shows with.
enum Part : int { kAlways, kClassFrame, kHoseiGroup, kHoseiFields, kSizeGroup, kSizeFields, kShiftFields };

struct Item {
    Kind kind;
    int id;  // 0: no events
    const wchar_t* caption;
    int x, y, width, height;  // 96-dpi pixels
    Part part = kAlways;
    const wchar_t* tip = nullptr;
};

constexpr int Chk(FormCheck c) { return frmSetting::kChkBase + static_cast<int>(c); }
constexpr int Txt(FormText t) { return frmSetting::kTxtBase + static_cast<int>(t); }
constexpr int Opt(int i) { return frmSetting::kOptPosBase + i; }

constexpr int kClientWidth = 440;
constexpr int kClientHeight = 690;
constexpr int kFontPoints = 9;

// The form, top to bottom: five groups, then Ok and Cancel. Creation order is the tab order.
// The class frame and the fixed-size frame share their place: only one shows at a time.
constexpr Item kItems[] = {
    {Kind::Group, 0, L"キャプチャー", 8, 8, 424, 270},
    {Kind::Group, 0, L"対象の選択 （範囲指定以外）", 16, 26, 408, 66},
    {Kind::Option, Opt(0), L"ウィンドウ", 24, 44, 120, 18},
    {Kind::Option, Opt(1), L"パーツ部位", 148, 44, 120, 18},
    {Kind::Option, Opt(2), L"クラス指定", 272, 44, 120, 18},
    {Kind::Option, Opt(3), L"ツールチップ", 24, 66, 120, 18},
    {Kind::Option, Opt(4), L"ポップアップリンク（IE限定）", 148, 66, 240, 18},
    {Kind::Group, 0, L"クラス名", 16, 98, 408, 50, kClassFrame},
    {Kind::Edit, Txt(FormText::ClassName), L"", 24, 118, 260, 22, kClassFrame,
     L"クラス名に含まれる（一意に特定できる）文字列を入力 - 大/小文字区別無し"},
    {Kind::Button, frmSetting::kCmdClass, L"可視ウィンドウ一覧", 290, 117, 126, 24, kClassFrame},
    {Kind::Group, 0, L"", 16, 150, 408, 78, kHoseiGroup},
    {Kind::Check, Chk(FormCheck::Hosei), L"範囲補正", 24, 164, 120, 18, kHoseiGroup,
     L"取得域が大き過ぎたり、小さ過ぎる場合に使用してください。"},
    {Kind::Label, 0, L"&Left：左位置（ピクセル）", 24, 188, 150, 18, kHoseiFields},
    {Kind::Edit, Txt(FormText::HoseiLeft), L"", 176, 185, 40, 20, kHoseiFields},
    {Kind::Label, 0, L"&Top：上位置（ピクセル）", 226, 188, 150, 18, kHoseiFields},
    {Kind::Edit, Txt(FormText::HoseiTop), L"", 378, 185, 40, 20, kHoseiFields},
    {Kind::Label, 0, L"&Width：幅（ピクセル）", 24, 208, 150, 18, kHoseiFields},
    {Kind::Edit, Txt(FormText::HoseiWidth), L"", 176, 205, 40, 20, kHoseiFields},
    {Kind::Label, 0, L"&Height：高さ（ピクセル）", 226, 208, 150, 18, kHoseiFields},
    {Kind::Edit, Txt(FormText::HoseiHeight), L"", 378, 205, 40, 20, kHoseiFields},
    {Kind::Group, 0, L"", 16, 98, 408, 50, kSizeGroup},
    {Kind::Check, Chk(FormCheck::Size), L"サイズ指定", 24, 118, 110, 18, kSizeGroup},
    {Kind::Label, 0, L"幅", 140, 120, 30, 18, kSizeFields},
    {Kind::Edit, Txt(FormText::SizeWidth), L"", 172, 117, 50, 20, kSizeFields},
    {Kind::Label, 0, L"高さ", 232, 120, 36, 18, kSizeFields},
    {Kind::Edit, Txt(FormText::SizeHeight), L"", 270, 117, 50, 20, kSizeFields},
    {Kind::Check, Chk(FormCheck::CaptureSound), L"サウンド（開始/キャプチャー/停止）", 24, 234, 224, 18},
    {Kind::Check, Chk(FormCheck::CopyToClipboard), L"クリップボードにもコピーする", 252, 234, 176, 18, kAlways,
     L"オンの時は通常のCtrl+Cでの文字コピーが不可になるので注意"},
    {Kind::Check, Chk(FormCheck::NoMouse), L"マウスカーソルは撮らない", 24, 254, 224, 18},

    {Kind::Group, 0, L"保存", 8, 284, 424, 150},
    {Kind::Label, 0, L"保存形式", 24, 306, 62, 18},
    {Kind::Combo, frmSetting::kCmbSaveFileFormat, L"", 90, 302, 80, 120},
    {Kind::Label, 0, L"保存先", 24, 334, 62, 18},
    {Kind::Edit, Txt(FormText::SaveFolder), L"", 90, 330, 300, 22, kAlways,
     L"保存先フォルダ名　空白時はプログラムと同じフォルダ"},
    {Kind::Button, frmSetting::kCmdSaveFolder, L"...", 394, 329, 30, 24},
    {Kind::Group, 0, L"保存サムネイルサイズ", 16, 358, 408, 48},
    {Kind::Label, 0, L"幅", 24, 378, 24, 18},
    {Kind::Edit, Txt(FormText::ThumbnailWidth), L"", 50, 375, 50, 22},
    {Kind::Label, 0, L"高さ", 108, 378, 30, 18},
    {Kind::Edit, Txt(FormText::ThumbnailHeight), L"", 140, 375, 50, 22},
    {Kind::Check, Chk(FormCheck::ThumbnailStatic), L"サイズを固定", 200, 377, 120, 18, kAlways,
     L"オンの時：上記のサイズに変形　オフのとき：幅高の長い方に合わせます。"},
    {Kind::Check, Chk(FormCheck::LoadFiles), L"起動時に画像ファイルを読込む", 24, 410, 300, 18},

    {Kind::Group, 0, L"キー", 8, 440, 424, 54},
    {Kind::Label, 0, L"キャプチャーキー", 24, 462, 100, 18},
    {Kind::Combo, frmSetting::kCmbHotKeyCopy, L"", 128, 458, 70, 160},
    {Kind::Label, 0, L"矩形範囲設定キー", 214, 462, 110, 18},
    {Kind::Combo, frmSetting::kCmbHotKeyRect, L"", 328, 458, 80, 100},

    {Kind::Group, 0, L"IE", 8, 500, 424, 44},
    {Kind::Check, Chk(FormCheck::Download), L"IMGタグのファイルをダウンロード（IE）", 24, 518, 380, 18},

    {Kind::Group, 0, L"その他", 8, 550, 424, 94},
    {Kind::Check, Chk(FormCheck::Shift), L"目標位置をシフト", 24, 570, 140, 18},
    {Kind::Label, 0, L"&X軸（右）方向", 168, 572, 84, 18, kShiftFields},
    {Kind::Edit, Txt(FormText::ShiftX), L"", 254, 569, 40, 20, kShiftFields},
    {Kind::Label, 0, L"&Y軸（下）方向", 300, 572, 84, 18, kShiftFields},
    {Kind::Edit, Txt(FormText::ShiftY), L"", 386, 569, 38, 20, kShiftFields},
    {Kind::Check, Chk(FormCheck::Minimize), L"開始時最小化", 24, 596, 120, 18},
    {Kind::Check, Chk(FormCheck::Space), L"Spaceで追加", 150, 596, 110, 18},
    {Kind::Check, Chk(FormCheck::AutoListing), L"自動リスト追加", 270, 596, 150, 18},
    {Kind::Check, Chk(FormCheck::NoConfirm), L"確認メッセージ非表示", 24, 618, 160, 18},
    {Kind::Check, Chk(FormCheck::AutoStart), L"自動開始", 190, 618, 120, 18},

    {Kind::DefaultButton, frmSetting::kCmdOk, L"&Ok", 264, 654, 80, 26},
    {Kind::Button, frmSetting::kCmdCancel, L"&Cancel", 350, 654, 80, 26},
};

constexpr const wchar_t* kFormats[] = {L"bmp", L"jpg", L"png", L"gif"};

bool IsThumbnail(FormText t) { return t == FormText::ThumbnailWidth || t == FormText::ThumbnailHeight; }
bool IsShift(FormText t) { return t == FormText::ShiftX || t == FormText::ShiftY; }

void SetCheck(HWND control, bool on) { SendMessageW(control, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }

// Only a changed text is put back: setting it moves the caret to the start.
void SetText(HWND control, const std::string& text) {
    const std::wstring wide = Utf8ToWide(text);
    if (WindowText(control) != wide) SetWindowTextW(control, wide.c_str());
}

}  // namespace

bool frmSetting::ShowModal(HWND owner, Settings& settings, const PathContext& paths, const NarrowCodePage& codePage,
                           const Desktop& desktop) {
    try {
        frmSetting form(owner, settings, paths, codePage, desktop);
        if (!form.Load()) return false;
        RunModalLoop(form.hwnd_);
        form.Unload();
        return form.accepted_;
    } catch (...) {
        ReportWindowError("the settings dialog failed");
        return false;
    }
}

frmSetting::frmSetting(HWND owner, Settings& settings, const PathContext& paths, const NarrowCodePage& codePage,
                       const Desktop& desktop)
    : owner_(owner), desktop_(desktop), form_(settings, paths, codePage) {}

frmSetting::~frmSetting() { Unload(); }

int frmSetting::Px(int logical) const { return MulDiv(logical, static_cast<int>(dpi_), 96); }

bool frmSetting::Load() {
    if (!RegisterWindowClass(kClassName, OwnedWindowProc<frmSetting>, GetSysColorBrush(COLOR_BTNFACE))) return false;
    if (CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST | WS_EX_CONTROLPARENT, kClassName,
                        Utf8ToWide(kSettingsTitle).c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0, owner_,
                        nullptr, GetModuleHandleW(nullptr), this) == nullptr) {
        return false;
    }
    if (const UINT dpi = GetDpiForWindow(hwnd_); dpi != 0) dpi_ = dpi;
    CreateControls();
    Form_Load();

    RECT frame{0, 0, Px(kClientWidth), Px(kClientHeight)};
    AdjustWindowRectExForDpi(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_DLGMODALFRAME, dpi_);
    PlaceOnOwnersMonitor(hwnd_, owner_, frame.right - frame.left, frame.bottom - frame.top);
    modal_.Disable(owner_);
    ShowWindow(hwnd_, SW_SHOW);
    SetFocus(cmdOk_);
    return true;
}

void frmSetting::CreateControls() {
    font_ = DialogFont(hwnd_, kFontPoints, false, dpi_);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    bool firstOption = true;
    for (const Item& item : kItems) {
        const wchar_t* cls = WC_BUTTONW;
        DWORD style = WS_CHILD | WS_VISIBLE;
        DWORD exStyle = 0;
        switch (item.kind) {
            case Kind::Group:
                style |= BS_GROUPBOX;
                break;
            case Kind::Label:
                cls = WC_STATICW;
                break;
            case Kind::Option:
                // Not automatic: the form chooses, the buttons only show it.
                style |= BS_RADIOBUTTON | WS_TABSTOP | (firstOption ? WS_GROUP : 0);
                firstOption = false;
                break;
            case Kind::Check:
                style |= BS_CHECKBOX | WS_TABSTOP | WS_GROUP;
                break;
            case Kind::Edit:
                cls = WC_EDITW;
                style |= WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL;
                exStyle = WS_EX_CLIENTEDGE;
                break;
            case Kind::Combo:
                cls = WC_COMBOBOXW;
                style |= WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST;
                break;
            case Kind::Button:
                style |= WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON;
                break;
            case Kind::DefaultButton:
                style |= WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON;
                break;
        }
        const HWND control =
            CreateWindowExW(exStyle, cls, item.caption, style, Px(item.x), Px(item.y), Px(item.width), Px(item.height),
                            hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), instance, nullptr);
        if (control == nullptr) continue;
        placed_.emplace_back(control, RECT{item.x, item.y, item.x + item.width, item.y + item.height});
        if (font_) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        if (item.tip != nullptr) tips_.push_back(CreateWindowTip(control, item.tip));
        if (item.part != kAlways) parts_.emplace_back(item.part, control);
        const int id = item.id;
        if (id >= kOptPosBase && id < kOptPosBase + kTargetKindCount)
            optPos_[static_cast<size_t>(id - kOptPosBase)] = control;
        if (id >= kChkBase && id < kChkBase + kFormCheckCount) checks_[static_cast<size_t>(id - kChkBase)] = control;
        if (id >= kTxtBase && id < kTxtBase + kFormTextCount) {
            texts_[static_cast<size_t>(id - kTxtBase)] = control;
            SetWindowSubclass(control, FilterKeys, static_cast<UINT_PTR>(id - kTxtBase),
                              reinterpret_cast<DWORD_PTR>(this));
        }
        if (id == kCmbSaveFileFormat) cmbSaveFileFormat_ = control;
        if (id == kCmbHotKeyCopy) cmbHotKeyCopy_ = control;
        if (id == kCmbHotKeyRect) cmbHotKeyRect_ = control;
        if (id == kCmdOk) cmdOk_ = control;
        if (id == kCmdCancel) cmdCancel_ = control;
    }
}

// The record as the form took it: the boxes, the lists, then the checks and the look.
void frmSetting::Form_Load() {
    for (const wchar_t* format : kFormats)
        SendMessageW(cmbSaveFileFormat_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(format));
    for (const FormKey key : {FormKey::Copy, FormKey::Rect}) {
        const HWND box = HotKeyBox(key);
        int index = 0;
        for (const std::string& choice : form_.KeyChoices(key)) {
            SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(choice).c_str()));
            if (choice == form_.key(key)) SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
            ++index;
        }
    }
    for (int t = 0; t < kFormTextCount; ++t)
        SetText(texts_[static_cast<size_t>(t)], form_.text(static_cast<FormText>(t)));
    Render();
}

// Everything but the typed texts follows the form: the checks, the target, the format and
// which groups show and can be used.
void frmSetting::Render() {
    for (int c = 0; c < kFormCheckCount; ++c)
        SetCheck(checks_[static_cast<size_t>(c)], form_.check(static_cast<FormCheck>(c)));
    for (int i = 0; i < kTargetKindCount; ++i) SetCheck(optPos_[static_cast<size_t>(i)], form_.pos() == i);
    SendMessageW(cmbSaveFileFormat_, CB_SETCURSEL, static_cast<WPARAM>(form_.saveFormat()), 0);
    const FormLook look = form_.Look();
    const bool shown[] = {true,
                          look.classFrame,
                          look.hoseiGroup,
                          look.hoseiGroup && look.hoseiFields,
                          look.sizeGroup,
                          look.sizeGroup && look.sizeFields,
                          look.shiftFields};
    for (const auto& [part, control] : parts_) ShowWindow(control, shown[part] ? SW_SHOWNA : SW_HIDE);
    EnableWindow(checks_[static_cast<size_t>(FormCheck::Space)], look.spaceEnabled);
    EnableWindow(checks_[static_cast<size_t>(FormCheck::AutoListing)], look.autoListingEnabled);
}

void frmSetting::Unload() {
    modal_.Enable();
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void frmSetting::OptPos_Click(int index) {
    form_.ChooseTarget(index);
    Render();
}

void frmSetting::Check_Click(FormCheck check) {
    form_.SetCheck(check, !form_.check(check));
    Render();
}

void frmSetting::Text_Change(FormText field) {
    form_.SetText(field, WideToUtf8(WindowText(texts_[static_cast<size_t>(field)])));
}

// A size box keeps the focus while its size is not positive, unless the focus went to Cancel
// (which must always close) or to another program.
void frmSetting::Text_LostFocus(FormText field) {
    if (IsShift(field)) form_.LeaveShift();
    if (!IsThumbnail(field) || validating_) return;
    const HWND next = GetFocus();
    if (next == nullptr || next == cmdCancel_ || GetAncestor(next, GA_ROOT) != hwnd_) return;
    if (const auto message = form_.LeaveThumbnail(field)) ShowFormMessage(*message);
}

void frmSetting::cmbSaveFileFormat_Click() {
    const LRESULT index = SendMessageW(cmbSaveFileFormat_, CB_GETCURSEL, 0, 0);
    if (index != CB_ERR) form_.ChooseFormat(static_cast<int32_t>(index));
}

void frmSetting::cmbHotKey_Click(FormKey key) {
    const LRESULT index = SendMessageW(HotKeyBox(key), CB_GETCURSEL, 0, 0);
    const std::vector<std::string> choices = form_.KeyChoices(key);
    if (index >= 0 && static_cast<size_t>(index) < choices.size())
        form_.SetKey(key, choices[static_cast<size_t>(index)]);
}

void frmSetting::cmdSaveFolder_Click() {
    const std::string chosen = BrowseForFolder(hwnd_, kFolderChooserTitle, form_.FolderChooserStart());
    if (hwnd_ == nullptr || chosen.empty()) return;
    form_.FolderChosen(chosen);
    SetText(texts_[static_cast<size_t>(FormText::SaveFolder)], form_.text(FormText::SaveFolder));
}

void frmSetting::cmdClass_Click() {
    const std::string name = frmList::ShowModal(hwnd_, desktop_);
    if (hwnd_ == nullptr || name.empty()) return;
    form_.SetText(FormText::ClassName, name);
    SetText(texts_[static_cast<size_t>(FormText::ClassName)], name);
}

void frmSetting::cmdClose_Click(CloseButton button) {
    if (button == CloseButton::Ok) {
        if (const auto message = form_.Ok()) {
            ShowFormMessage(*message);
            return;
        }
        accepted_ = true;
    }
    Unload();
}

void frmSetting::ShowFormMessage(const FormMessage& message) {
    validating_ = true;
    MessageBoxW(hwnd_, Utf8ToWide(message.text).c_str(), Utf8ToWide(message.title).c_str(), MB_OK);
    validating_ = false;
    if (hwnd_ == nullptr) return;
    const HWND box = texts_[static_cast<size_t>(message.focus)];
    SetFocus(box);
    SendMessageW(box, EM_SETSEL, 0, -1);
}

// Characters the form does not accept in a box never reach it.
LRESULT CALLBACK frmSetting::FilterKeys(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR field,
                                        DWORD_PTR) {
    if (message == WM_CHAR && !SettingsForm::Accepts(static_cast<FormText>(field), static_cast<char32_t>(wParam)))
        return 0;
    if (message == WM_NCDESTROY) RemoveWindowSubclass(box, FilterKeys, field);
    return DefSubclassProc(box, message, wParam, lParam);
}

// Moved to a monitor of another scale: the font is made again and every control placed again.
void frmSetting::SetDpi(UINT dpi, const RECT& suggested) {
    if (dpi == 0) return;
    dpi_ = dpi;
    GdiObject<HFONT> font = DialogFont(hwnd_, kFontPoints, false, dpi_);
    for (const auto& [control, place] : placed_) {
        SetWindowPos(control, nullptr, Px(place.left), Px(place.top), Px(place.right - place.left),
                     Px(place.bottom - place.top), SWP_NOZORDER | SWP_NOACTIVATE);
        if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    if (font) font_ = std::move(font);  // no control uses the old one any more
    RECT frame{0, 0, Px(kClientWidth), Px(kClientHeight)};
    AdjustWindowRectExForDpi(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_DLGMODALFRAME, dpi_);
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT frmSetting::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            if (id >= kOptPosBase && id < kOptPosBase + kTargetKindCount && code == BN_CLICKED)
                OptPos_Click(id - kOptPosBase);
            if (id >= kChkBase && id < kChkBase + kFormCheckCount && code == BN_CLICKED)
                Check_Click(static_cast<FormCheck>(id - kChkBase));
            if (id >= kTxtBase && id < kTxtBase + kFormTextCount) {
                if (code == EN_CHANGE) Text_Change(static_cast<FormText>(id - kTxtBase));
                if (code == EN_KILLFOCUS) Text_LostFocus(static_cast<FormText>(id - kTxtBase));
            }
            if (id == kCmbSaveFileFormat && code == CBN_SELCHANGE) cmbSaveFileFormat_Click();
            if (id == kCmbHotKeyCopy && code == CBN_SELCHANGE) cmbHotKey_Click(FormKey::Copy);
            if (id == kCmbHotKeyRect && code == CBN_SELCHANGE) cmbHotKey_Click(FormKey::Rect);
            if (id == kCmdSaveFolder && code == BN_CLICKED) cmdSaveFolder_Click();
            if (id == kCmdClass && code == BN_CLICKED) cmdClass_Click();
            if (id == kCmdOk && code == BN_CLICKED) cmdClose_Click(CloseButton::Ok);
            if (id == kCmdCancel && code == BN_CLICKED) cmdClose_Click(CloseButton::Cancel);
            return 0;
        }
        case DM_GETDEFID:
            return MAKELRESULT(kCmdOk, DC_HASDEFID);
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            // Labels, checks and group frames on the face colour of the form.
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        case WM_CLOSE:
            cmdClose_Click(CloseButton::Cancel);
            return 0;
        case WM_DPICHANGED:
            SetDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

}  // namespace tessarin
