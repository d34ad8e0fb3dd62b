// The main window as the program's life sees it: start-up's looks, its place, the settings
// dialog and its end.

#include <windows.h>

#include "core/app/shell.h"
#include "ui/main_window.h"
#include "ui/settings_dialog.h"
#include "win32/wide.h"

namespace tessarin {

namespace {

constexpr UINT kMonitorIntervalMs = 100;

}  // namespace

void frmTessarin::ShowStarting(const std::string& caption) {
    SetWindowTextW(hwnd_, Utf8ToWide(caption).c_str());
    // Topmost, so it stays visible over the programs being captured.
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowMessageFrame(0, false);
    SetWindowTextW(lblhWnd_, Utf8ToWide(HexText(reinterpret_cast<uintptr_t>(hwnd_))).c_str());
}

void frmTessarin::SetStatus(const std::string& text) {
    SetWindowTextW(lblStatus_, Utf8ToWide(text).c_str());
    (void)services_.status.PublishStatus(text);
    // The label repaints at once, even inside long work.
    ProcessPendingMessages();
}

ScreenSize frmTessarin::screenSize() const {
    return ScreenSize{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void frmTessarin::placeWindow(const WindowPlacement& p) {
    SetWindowPos(hwnd_, nullptr, p.left, p.top, p.right - p.left, p.bottom - p.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

WindowPlacement frmTessarin::restoredPlacement() const {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(hwnd_, &wp)) return {};
    const RECT& r = wp.rcNormalPosition;
    return WindowPlacement{r.left, r.top, r.right, r.bottom};
}

void frmTessarin::showWindow(bool visible, bool minimised, bool pointerPanel) {
    if (visible) {
        ShowWindow(hwnd_, minimised ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
    } else if (minimised) {
        // Minimised and hidden: restoring it later shows it as an icon.
        ShowWindow(hwnd_, SW_MINIMIZE);
        ShowWindow(hwnd_, SW_HIDE);
    }
    if (pointerPanel) ShowWindow(frState_, SW_SHOW);
    Arrange();
}

void frmTessarin::startWindowWatch() { SetTimer(hwnd_, kTimerMonitor, kMonitorIntervalMs, nullptr); }

void frmTessarin::EndStartup() {
    EnableWindow(Info(InfoLabel::Start), TRUE);
    EnableWindow(Info(InfoLabel::ClickPrompt), TRUE);
    if (IsWindowVisible(hwnd_)) focusPreview();
    ProcessPendingMessages();
}

void frmTessarin::errorMessage(const std::string& text, const std::string& title) {
    MessageBoxUtf8(text, title, MB_OK | MB_ICONERROR);
}

void frmTessarin::disableSaving() {
    for (const int id : {kMnuSave, kMnuSaveNameAs, kMnuAllSave}) EnableMenuItem(mnuEdit_.get(), id, MF_GRAYED);
}

void frmTessarin::startTicks() { WakeTicks(); }

void frmTessarin::postClose() { PostMessageW(hwnd_, WM_CLOSE, 0, 0); }

void frmTessarin::showSettingsDialog() {
    (void)frmSetting::ShowModal(hwnd_, settings_, services_.paths, services_.codePage, services_.desktop);
}

void frmTessarin::focusPreview() {
    if (preview_) SetFocus(preview_->hwnd());
}

void frmTessarin::Unload() {
    KillTimer(hwnd_, kTimerMonitor);
    ticksStopped_ = true;
    KillTimer(hwnd_, kTimerTick);
    DestroyWindow(hwnd_);
}

}  // namespace tessarin
