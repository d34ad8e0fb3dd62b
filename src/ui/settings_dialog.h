#pragma once
// frmSetting: the settings dialog. It shows the settings form of the core and reports every
// edit to it; the form decides what shows, what may be typed and what Ok stores.

#include <windows.h>

#include <array>
#include <vector>

#include "core/ports/capture.h"
#include "core/ports/codepage.h"
#include "core/settings/settings_form.h"
#include "win32/handles.h"
#include "win32/messages.h"

namespace tessarin {

class frmSetting {
public:
    static constexpr wchar_t kClassName[] = L"frmSetting";
    // Control identifiers: a base plus the index of the check, box or target.
    static constexpr int kChkBase = 1100;
    static constexpr int kTxtBase = 1200;
    static constexpr int kOptPosBase = 1300;
    static constexpr int kCmbSaveFileFormat = 1400;
    static constexpr int kCmbHotKeyCopy = 1401;
    static constexpr int kCmbHotKeyRect = 1402;
    static constexpr int kCmdClass = 1500;
    static constexpr int kCmdSaveFolder = 1501;
    static constexpr int kCmdOk = IDOK;
    static constexpr int kCmdCancel = IDCANCEL;

    // Shows the dialog modally over the owner; true when it was closed with Ok (the record
    // then holds the dialog's values). The shift values are stored as they are edited.
    [[nodiscard]] static bool ShowModal(HWND owner, Settings& settings, const PathContext& paths,
                                        const NarrowCodePage& codePage, const Desktop& desktop);

    frmSetting(const frmSetting&) = delete;
    frmSetting& operator=(const frmSetting&) = delete;
    ~frmSetting();

private:
    frmSetting(HWND owner, Settings& settings, const PathContext& paths, const NarrowCodePage& codePage,
               const Desktop& desktop);

    template <typename T>
    friend LRESULT CALLBACK OwnedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK FilterKeys(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR field,
                                       DWORD_PTR self);

    [[nodiscard]] bool Load();
    void CreateControls();
    void Form_Load();
    void Render();
    [[nodiscard]] int Px(int logical) const;
    void SetDpi(UINT dpi, const RECT& suggested);
    void Unload();

    void OptPos_Click(int index);
    void Check_Click(FormCheck check);
    void Text_Change(FormText field);
    void Text_LostFocus(FormText field);
    void cmbSaveFileFormat_Click();
    void cmbHotKey_Click(FormKey key);
    void cmdSaveFolder_Click();
    void cmdClass_Click();
    enum class CloseButton { Ok, Cancel };
    void cmdClose_Click(CloseButton button);
    void ShowFormMessage(const FormMessage& message);

    HWND owner_;
    const Desktop& desktop_;
    SettingsForm form_;
    HWND hwnd_ = nullptr;
    std::array<HWND, kTargetKindCount> optPos_{};
    std::array<HWND, kFormCheckCount> checks_{};
    std::array<HWND, kFormTextCount> texts_{};
    HWND cmbSaveFileFormat_ = nullptr;
    HWND cmbHotKeyCopy_ = nullptr;
    HWND cmbHotKeyRect_ = nullptr;
    HWND cmdOk_ = nullptr;
    HWND cmdCancel_ = nullptr;
    [[nodiscard]] HWND HotKeyBox(FormKey key) const { return key == FormKey::Copy ? cmbHotKeyCopy_ : cmbHotKeyRect_; }
    // The controls that show with each part of the look, beyond the check or box itself.
    std::vector<std::pair<int, HWND>> parts_;
    std::vector<UniqueWindow> tips_;
    // Every control with its place in 96-dpi pixels, to place it again on another monitor.
    std::vector<std::pair<HWND, RECT>> placed_;
    UINT dpi_ = 96;
    GdiObject<HFONT> font_;
    ModalOwner modal_;
    bool validating_ = false;  // a size message is up: the focus moves it causes are not checked again
    bool accepted_ = false;
};

}  // namespace tessarin
