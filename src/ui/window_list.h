#pragma once
// frmList: the visible-window list. It refreshes itself for ten seconds and hands back the
// class name of the row picked with "OK".

#include <windows.h>

#include <cstdint>
#include <string>

#include "core/ports/capture.h"
#include "win32/handles.h"
#include "win32/messages.h"

namespace tessarin {

class frmList {
public:
    // Control and menu identifiers; "OK" and "キャンセル" answer Enter and Esc as well.
    static constexpr int kListId = 100;
    static constexpr int kFrBottomId = 101;
    static constexpr int kCmdOkId = IDOK;
    static constexpr int kCmdCancelId = IDCANCEL;
    static constexpr int kMnuCopyId = 200;
    static constexpr wchar_t kClassName[] = L"frmList";

    // Shows the list modally over the owner (which may be null) and returns the picked
    // class name; "" when nothing was picked.
    [[nodiscard]] static std::string ShowModal(HWND owner, const Desktop& desktop);

    frmList(const frmList&) = delete;
    frmList& operator=(const frmList&) = delete;
    ~frmList();

private:
    frmList(HWND owner, const Desktop& desktop) : owner_(owner), desktop_(desktop) {}

    template <typename T>
    friend LRESULT CALLBACK OwnedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    [[nodiscard]] bool Load();
    void CreateControls();
    void Arrange();
    [[nodiscard]] int Px(int logical) const;
    void MakeFonts();
    void SetFonts();
    void FillList();
    [[nodiscard]] std::wstring RowText(int index) const;
    void Unload();

    void Timer1_Timer();
    void List_Click();
    void List_MouseDown(LPARAM screenPoint);
    enum class CloseButton { Ok, Cancel };
    void cmdClose_Click(CloseButton button);
    void mnuCopy_Click();

    HWND owner_;
    const Desktop& desktop_;
    HWND hwnd_ = nullptr;
    HWND list_ = nullptr;
    HWND frBottom_ = nullptr;
    HWND cmdOk_ = nullptr;
    HWND cmdCancel_ = nullptr;
    HWND focus_ = nullptr;  // the control that had the focus when the form was deactivated
    GdiObject<HFONT> listFont_;
    UINT dpi_ = 96;
    GdiObject<HFONT> buttonFont_;
    ModalOwner modal_;
    uint32_t startMs_ = 0;    // Timer1's start time (GetTickCount)
    int selectedIndex_ = -1;  // the remembered selection; -1 for none
    std::string result_;
};

}  // namespace tessarin
