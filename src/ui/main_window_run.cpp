// The main window as the capture run and the capture engine see it: the texts and buttons they
// set, the capture into the preview, and the ticks that drive the run.

#include <windows.h>

#include "core/text/text.h"
#include "ui/main_window.h"
#include "ui/window_list.h"
#include "win32/desktop.h"
#include "win32/messages.h"
#include "win32/wide.h"
#include "win32/window_queries.h"

namespace tessarin {

void frmTessarin::messageBox(const std::string& text, const std::string& title) { MessageBoxUtf8(text, title, MB_OK); }

std::string frmTessarin::pickClassFromWindowList() { return frmList::ShowModal(hwnd_, services_.desktop); }

Rect frmTessarin::rangeRectangle() const { return run_->rangeOverlay().RectanglePixels(); }

void frmTessarin::hideRangeOverlay() {
    if (rect_->hwnd() == nullptr || !IsWindowVisible(rect_->hwnd())) return;
    rect_->hide();
    // The windows of other programs under the outline repaint in their own time; copied at
    // once, the range would still show the outline.
    ProcessMessagesFor(kUncoveredRepaintMs);
}

void frmTessarin::processPendingMessages() { ProcessPendingMessages(); }

void frmTessarin::sleepMs(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

void frmTessarin::showPanel(const PanelTexts& texts) {
    const std::pair<HWND, const std::string*> labels[] = {
        {lblState_, &texts.state},           {lblEvent_, &texts.event}, {lblKey_, &texts.key},
        {lblMouse_, &texts.mouse},           {lblPoint_, &texts.point}, {lblRect_, &texts.rect},
        {lblForeground_, &texts.foreground}, {lblPic_, &texts.pic}};
    for (const auto& [label, text] : labels) {
        const std::wstring wide = Utf8ToWide(*text);
        // Unchanged labels are not touched: this runs every 10 ms.
        if (WindowText(label) != wide) SetWindowTextW(label, wide.c_str());
    }
}

void frmTessarin::setGoEnabled(bool enabled) {
    EnableWindow(cmdGo_, enabled ? TRUE : FALSE);
    EnableWindow(cmdStop_, enabled ? FALSE : TRUE);
}

void frmTessarin::setAddEnabled(bool enabled) { EnableWindow(cmdAdd_, enabled ? TRUE : FALSE); }

WindowId frmTessarin::mainWindow() const { return static_cast<WindowId>(reinterpret_cast<uintptr_t>(hwnd_)); }

// Any edit control of ours: the two text boxes, and whatever box a later window adds.
bool frmTessarin::typingInTextBox() const {
    const HWND focus = GetFocus();
    return focus != nullptr &&
           (focus == txtFileName_ || focus == txtWinText_ ||
            (IsChild(hwnd_, focus) != FALSE && AsciiLower(WindowClassName(ToWindowId(focus))) == "edit"));
}

bool frmTessarin::isMinimised() const { return IsIconic(hwnd_) != FALSE; }

void frmTessarin::minimise() { ShowWindow(hwnd_, SW_MINIMIZE); }

void frmTessarin::restore() { ShowWindow(hwnd_, SW_RESTORE); }

void frmTessarin::unloadMainWindow() { life_->cmdClose_Click(); }

std::string frmTessarin::targetCaption() const { return WideToUtf8(WindowText(cmdPos_)); }

std::string frmTessarin::fileName() const { return WideToUtf8(WindowText(txtFileName_)); }

void frmTessarin::setFileName(const std::string& text) { SetWindowTextW(txtFileName_, Utf8ToWide(text).c_str()); }

std::string frmTessarin::winText() const { return WideToUtf8(WindowText(txtWinText_)); }

void frmTessarin::setWinText(const std::string& text) { SetWindowTextW(txtWinText_, Utf8ToWide(text).c_str()); }

int32_t frmTessarin::pictureWidth() const { return preview_ ? preview_->pictureWidth() * twipsPerPixel_ : 0; }

int32_t frmTessarin::pictureHeight() const { return preview_ ? preview_->pictureHeight() * twipsPerPixel_ : 0; }

CaptureOutcome frmTessarin::MyCapture(std::string_view target) {
    std::string result = tessarin::MyCapture(*capture_, target);
    return CaptureOutcome{std::move(result), capture_->downloadedImage, std::move(capture_->failureStatus),
                          std::move(capture_->warning), std::move(capture_->image)};
}

// ---- The ticks -------------------------------------------------------------------------------

void frmTessarin::PaceTicks(bool activity) {
    // Without the hooks nothing would wake the run: it keeps looking fast. Hooks the system took
    // away without a word are put in place again, and until then the run looks fast.
    bool hooked = services_.wake != nullptr && services_.wake->watching();
    if (hooked && WatchIsDeaf(services_.wake->lastInputMs(), services_.wake->lastHeardMs())) {
        services_.wake->rewatch();
        hooked = false;
    }
    SetTickInterval(pace_.AfterTick(activity || !hooked, GetTickCount64()));
    if (hooked && pace_.Still()) services_.wake->arm();
}

void frmTessarin::WakeTicks() { SetTickInterval(pace_.Wake(GetTickCount64())); }

void frmTessarin::SetTickInterval(uint32_t milliseconds) {
    if (ticksStopped_ || milliseconds == tickMs_) return;
    tickMs_ = milliseconds;
    SetTimer(hwnd_, kTimerTick, milliseconds, nullptr);
}

}  // namespace tessarin
