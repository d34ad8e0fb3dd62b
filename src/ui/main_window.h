#pragma once
// frmTessarin: the one long-lived window. Loading it starts the program, closing it ends it.

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "core/app/command_line.h"
#include "core/app/shell.h"
#include "core/settings/key_names.h"
#include "core/settings/settings.h"
#include "win32/codepage.h"
#include "win32/filesystem.h"
#include "win32/handles.h"
#include "win32/status_record.h"

namespace tessarin {

namespace handle_traits {
struct Menu {
    using Handle = HMENU;
    static Handle Empty() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::DestroyMenu(h); }
};
}  // namespace handle_traits
using UniqueMenu = UniqueResource<handle_traits::Menu>;

class frmTessarin {
public:
    struct Host {
        std::string programFolder;
        std::string commandLine;  // the arguments only
    };

    explicit frmTessarin(Host host);
    frmTessarin(const frmTessarin&) = delete;
    frmTessarin& operator=(const frmTessarin&) = delete;
    ~frmTessarin();

    // Creates the window and runs the start-up sequence; false when the window could not
    // be created.
    [[nodiscard]] bool Load();
    [[nodiscard]] HWND hwnd() const { return hwnd_; }

    void SetStatus(const std::string& text);
    void ShowMessageFrame(int index, bool labelsOnly);
    static void ProcessPendingMessages();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    HWND AddControl(const wchar_t* className, const std::wstring& text, DWORD style, int id);
    void AddTip(HWND control, const std::wstring& text);
    void Arrange();
    int Px(int logical) const;

    void ApplySettings();
    void CycleTargetKind(bool advance);
    // The codec library's version as decimal text; "" (after a message) when it cannot be called.
    [[nodiscard]] std::string ImgctlVersionText();
    [[nodiscard]] WindowPlacement RestoredPlacement() const;
    void PlaceWindow(const WindowPlacement& placement);

    // Returns false when closing was cancelled.
    [[nodiscard]] bool QueryUnload();
    void Unload();

    void cmdClose_Click();
    void cmdOpenFolder_Click();
    void cmdPos_Click();
    void lblHelp_Click();
    void chkNoMouse_Click();
    void Timer_Monitor_Timer();

    Host host_;
    WinFileSystem fs_;
    AnsiCodePage codePage_;
    SharedStatusRecord statusRecord_;
    PathContext paths_;

    Settings settings_;
    CommandLineFlags flags_;
    KeyNameTable keyNames_;
    std::string runState_;
    int twipsPerPixelX_ = 15;
    int twipsPerPixelY_ = 15;
    bool closing_ = false;

    HWND hwnd_ = nullptr;
    GdiObject<HFONT> font_;
    UniqueMenu mnuEdit_;
    HWND tips_ = nullptr;

    // Controls, named as on the design.
    HWND cmdGo_ = nullptr;
    HWND cmdStop_ = nullptr;
    HWND cmdAdd_ = nullptr;
    HWND cmdPos_ = nullptr;
    HWND cmdOpenFolder_ = nullptr;
    HWND txtFileName_ = nullptr;
    HWND txtWinText_ = nullptr;
    HWND chkNoMouse_ = nullptr;
    HWND picPanel_ = nullptr;
    HWND lblStatus_ = nullptr;
    HWND lblHelp_ = nullptr;
    HWND cmdSetting_ = nullptr;
    HWND cmdClose_ = nullptr;
    HWND frState_ = nullptr;
    HWND lblhWnd_ = nullptr;
    std::array<HWND, 2> lblInf_Start_{};
    std::array<HWND, 15> lblInf_{};
    // The four message frames: the labels each one shows.
    std::array<std::vector<HWND>, 4> frMsg_;
};

}  // namespace tessarin
