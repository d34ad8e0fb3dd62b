// The main window as the image list sees it: the strip, the preview and the text boxes it
// shows, and the questions and dialogs it asks.

#include <windows.h>

#include "core/files/save_naming.h"
#include "ui/main_window.h"
#include "ui/splash.h"
#include "win32/shell.h"
#include "win32/wide.h"

namespace tessarin {
namespace {

// Long enough to read two lines; the notice closes by itself.
constexpr int kWarningShownMs = 8000;

}  // namespace

// A window that has gone (the session ended under a command) asks nothing more; its questions
// count as cancelled.
int frmTessarin::MessageBoxUtf8(const std::string& text, const std::string& title, UINT flags) const {
    if (hwnd_ == nullptr) return IDCANCEL;
    return MessageBoxW(hwnd_, Utf8ToWide(text).c_str(), Utf8ToWide(title).c_str(), flags);
}

// ---- What the list shows -------------------------------------------------------------------

void frmTessarin::stripChangedFrom(int32_t position) {
    if (strip_) strip_->ChangedFrom(position);
}

void frmTessarin::stripChanged(int32_t position) {
    if (strip_) strip_->ChangedAt(position);
}

void frmTessarin::stripScrollToEnd() {
    if (strip_) strip_->ScrollToEnd();
}

void frmTessarin::stripEnsureVisible(int32_t position) {
    if (strip_) strip_->EnsureVisible(position);
}

void frmTessarin::selectionChanged(int32_t position, int32_t slot) {
    if (strip_) strip_->SelectionChanged();
    SetWindowTextW(lblRsv_, Utf8ToWide(std::to_string(position) + "," + std::to_string(slot)).c_str());
}

void frmTessarin::showPreview(const SharedImage& image) {
    if (preview_) preview_->Show(image);
}

void frmTessarin::setTexts(const std::string& fileName, const std::string& winText) {
    setFileName(fileName);
    setWinText(winText);
}

void frmTessarin::showStatus(const std::string& text) {
    SetWindowTextW(lblStatus_, Utf8ToWide(text).c_str());
    ProcessPendingMessages();
}

// The pointer leaves the thumbnails, so that hovering does not take the selection back.
void frmTessarin::parkPointer() {
    POINT cursor{};
    GetCursorPos(&cursor);
    RECT bottom{};
    GetWindowRect(cmdClose_, &bottom);
    SetCursorPos(cursor.x, bottom.top);
}

void frmTessarin::pause(int milliseconds) { ProcessMessagesFor(static_cast<DWORD>(milliseconds)); }

void frmTessarin::showEditMenu() {
    if (!mnuEdit_) return;
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(hwnd_);
    TrackPopupMenu(mnuEdit_.get(), TPM_RIGHTBUTTON, menuPoint_.x, menuPoint_.y, 0, hwnd_, nullptr);
}

// ---- What the list asks --------------------------------------------------------------------

void frmTessarin::message(const std::string& text, const std::string& title) { MessageBoxUtf8(text, title, MB_OK); }

bool frmTessarin::confirm(const std::string& text, const std::string& title) {
    return MessageBoxUtf8(text, title, MB_OKCANCEL) == IDOK;
}

ListPrompts::Answer frmTessarin::yesNoCancel(const std::string& text, const std::string& title) {
    switch (MessageBoxUtf8(text, title, MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES:
            return Answer::Yes;
        case IDNO:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

std::string frmTessarin::desktopFolder() const { return services_.shell.desktopFolder(); }

void frmTessarin::notice(const std::string& text) { frmSplash::ShowNotice(hwnd_, text, 0, false); }

void frmTessarin::warn(const std::string& text) { frmSplash::ShowNotice(hwnd_, text, kWarningShownMs, false); }

// Opened in the folder asked for, else the program folder; the type the user picks decides the
// extension.
std::string frmTessarin::saveDialog(const std::string& defaultName, int32_t filterIndex,
                                    const std::string& initialFolder) {
    if (hwnd_ == nullptr) return {};
    const CurrentFolderGuard restore(services_.fs.currentFolder());
    const std::string filters = DefaultSaveFilter();
    std::string base;
    std::string folder =
        initialFolder.empty() ? std::string() : Unquote(AbsolutePath(initialFolder, base, services_.paths));
    if (folder.empty()) folder = services_.paths.programFolder;
    const auto chosen =
        ChooseSaveFile(hwnd_, "名前を付けて保存", filters, DialogFilterIndex(filterIndex), defaultName, folder);
    return chosen ? WithFilterExtension(chosen->path, filters, chosen->filterIndex) : std::string();
}

}  // namespace tessarin
