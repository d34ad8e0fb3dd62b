// The image list of the main window: entries in the strip, the preview, saving, thumbnail
// files and the images of the save folder loaded at start-up.

#include <windows.h>
// These build on windows.h.
#include <commdlg.h>

#include <algorithm>
#include <new>
#include <utility>

#include "core/app/status_record.h"
#include "core/files/load_order.h"
#include "core/files/thumbnail_box.h"
#include "core/imagelist/strip_geometry.h"
#include "core/text/paths.h"
#include "ui/main_window.h"
#include "ui/splash.h"
#include "win32/shell.h"
#include "win32/thumbnail_files.h"
#include "win32/wide.h"

namespace tessarin {
namespace {

constexpr int kCsidlDesktop = 16;
constexpr const char* kAddListError = "7 メモリが不足しています。\r\nAddList";
constexpr const char* kNoImageText = "イメージがありません！";
constexpr const char* kNoImageTitle = "処理不可";
constexpr const char* kGeneratingText = "生成中・・・・";
constexpr const char* kThumbnailDoneText = "サムネイル生成完了";
constexpr const char* kLoadFailureTitle = "PNGファイル読込失敗";
constexpr DWORD kSaveDialogFlags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
constexpr DWORD kHoverPauseMs = 100;

// Restores the current folder when the scope ends: dialogs and the shell may move it.
class CurrentFolderGuard {
public:
    explicit CurrentFolderGuard(std::string folder) : folder_(std::move(folder)) {}
    CurrentFolderGuard(const CurrentFolderGuard&) = delete;
    CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;
    ~CurrentFolderGuard() { (void)ChangeCurrentFolder(folder_); }

private:
    std::string folder_;
};

}  // namespace

int frmTessarin::MessageBoxUtf8(const std::string& text, const std::string& title, UINT flags) const {
    return MessageBoxW(hwnd_, Utf8ToWide(text).c_str(), Utf8ToWide(title).c_str(), flags);
}

bool frmTessarin::IsFile(const std::string& path) const {
    const auto info = fs_.stat(path);
    return info.has_value() && !info->folder;
}

bool frmTessarin::LoadEntryImage(int32_t position, Picture& into) const {
    const ImageEntry* entry = list_.Entry(position);
    if (entry == nullptr) return false;
    const auto slot = static_cast<size_t>(entry->slot);
    if (slot < held_.size() && !held_[slot].pixels.empty()) {
        const HeldImage& held = held_[slot];
        return into.assign(held.width, held.height, held.pixels.data());
    }
    const std::wstring path = Utf8ToWide(entry->fullPath);
    if (IsPngPath(entry->fullPath)) return png_ && png_->LoadPngPicture(path, into);
    return !LoadPicture(path, into).has_value();
}

// ---- Entries in the strip ------------------------------------------------------------------

void frmTessarin::AddToStrip(const std::string& fullPath, const std::string& winText, bool saved) {
    if (pic_.width() <= 0 || pic_.height() <= 0 || !strip_) return;
    // An image that is already in its file is read from there when it is needed again; only an
    // unsaved one keeps its pixels, so the list's memory grows with its thumbnails.
    HeldImage held;
    if (!saved || !IsFile(fullPath)) {
        try {
            held.width = pic_.width();
            held.height = pic_.height();
            const uint32_t* bits = pic_.bits();
            if (bits != nullptr)
                held.pixels.assign(bits, bits + static_cast<size_t>(held.width) * static_cast<size_t>(held.height));
        } catch (const std::bad_alloc&) {
            MessageBoxUtf8(kAddListError, "Tessarin", MB_OK | MB_ICONERROR);
            return;
        }
    }
    const int32_t slot = list_.AddEntry(fullPath, winText, saved);
    const int32_t position = strip_->Add(pic_, saved);
    if (position != list_.CountEntries()) {
        // The table and the strip stay in step: an entry without its panel could be neither
        // seen nor saved.
        if (position > 0) strip_->Remove(position);
        (void)list_.RemoveEntry(list_.CountEntries());
        MessageBoxUtf8(kAddListError, "Tessarin", MB_OK | MB_ICONERROR);
        return;
    }
    if (held_.size() <= static_cast<size_t>(slot)) held_.resize(static_cast<size_t>(slot) + 1);
    held_[static_cast<size_t>(slot)] = std::move(held);
    SelectPosition(position);
    // While the save folder loads, the preview and the strip's end are laid out once at the end:
    // drawing every full image on its way costs more than reading it.
    if (loading_) return;
    LayOutPreviewBars();
    strip_->ScrollToEnd();
}

void frmTessarin::SelectPosition(int32_t position) {
    if (strip_) strip_->Select(position);
    selected_ = position;
    const int32_t slot = list_.SlotOfEntry(position);
    SetWindowTextW(lblRsv_, Utf8ToWide(std::to_string(position) + "," + std::to_string(slot)).c_str());
}

void frmTessarin::ShowUnlistedCapture() {
    if (strip_) strip_->Select(0);
    selected_ = -1;
    LayOutPreviewBars();
}

void frmTessarin::MarkLastEntryDownloaded() {
    if (strip_) strip_->SetSaved(list_.CountEntries(), true);
}

void frmTessarin::ShowEntry(int32_t slot) {
    // A fresh capture waiting to be added keeps the preview.
    if (IsWindowEnabled(cmdAdd_) || slot < 1 || slot == list_.SlotOfEntry(selected_)) return;
    const int32_t position = list_.PositionOfSlot(slot);
    const ImageEntry* entry = list_.Entry(position);
    if (entry == nullptr) return;
    // A file that has gone since shows as an empty preview; the entry stays.
    if (!LoadEntryImage(position, pic_)) (void)pic_.resize(0, 0);
    setFileName(entry->fileName);
    setWinText(entry->windowText);
    LayOutPreviewBars();
    SelectPosition(position);
    if (strip_) strip_->EnsureVisible(position);
}

void frmTessarin::ListStep(int direction) {
    if (selected_ < 1) return;
    // The pointer leaves the thumbnails, so that hovering does not take the selection back.
    POINT cursor{};
    GetCursorPos(&cursor);
    RECT bottom{};
    GetWindowRect(cmdClose_, &bottom);
    SetCursorPos(cursor.x, bottom.top);
    ShowEntry(list_.SlotOfEntry(selected_ + direction));
}

void frmTessarin::OnStripHover(int32_t position) {
    ShowEntry(list_.SlotOfEntry(position));
    ProcessPendingMessages();
    ProcessMessagesFor(kHoverPauseMs);
}

void frmTessarin::OnStripRightPress(int32_t position, POINT screen) {
    if (list_.Entry(position) == nullptr || !mnuEdit_) return;
    selected_ = position;
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(hwnd_);
    TrackPopupMenu(mnuEdit_.get(), TPM_RIGHTBUTTON, screen.x, screen.y, 0, hwnd_, nullptr);
}

void frmTessarin::DeleteEntry(int32_t position) {
    const ImageEntry* entry = list_.Entry(position);
    if (entry == nullptr || !strip_) return;
    const int32_t slot = entry->slot;
    if (!entry->fullPath.empty() && IsFile(entry->fullPath)) DeleteFileW(Utf8ToWide(entry->fullPath).c_str());
    held_[static_cast<size_t>(slot)] = HeldImage{};
    strip_->Remove(position);
    (void)list_.RemoveEntry(position);
    const int32_t remaining = list_.CountEntries();
    const int32_t next = SelectionAfterDelete(position, remaining);
    if (next == 0) {
        (void)pic_.resize(0, 0);
        setFileName("");
        setWinText("");
    } else {
        const ImageEntry* shown = list_.Entry(std::min(position, remaining));
        setFileName(shown->fileName);
        setWinText(shown->windowText);
        if (!LoadEntryImage(next, pic_)) (void)pic_.resize(0, 0);
    }
    SelectPosition(next);
    LayOutPreviewBars();
    SetStatus("削除完了");
}

void frmTessarin::mnuDel_Click() {
    const bool held = (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0 || (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
    if (GetForegroundWindow() != hwnd_ || selected_ < 1 || held) return;
    if (settings_.noConfirm == 0) {
        const std::string text = "選択している No = " + std::to_string(selected_) + " を削除します。よろしいですか？";
        if (MessageBoxUtf8(text, "削除確認", MB_OKCANCEL) != IDOK) return;
    }
    DeleteEntry(selected_);
}

// ---- The preview ---------------------------------------------------------------------------

void frmTessarin::LayOutPreviewBars() {
    if (IsIconic(hwnd_) || picPanel_ == nullptr) return;
    InvalidateRect(picPanel_, nullptr, FALSE);
    const auto rectIn = [this](HWND control) {
        RECT r{};
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    RECT client{};
    GetClientRect(hwnd_, &client);
    const RECT panel = rectIn(picPanel_);
    const RECT strip = strip_ ? rectIn(strip_->hwnd()) : client;
    const int tx = twipsPerPixelX_;
    const int ty = twipsPerPixelY_;
    const int barWidth = GetSystemMetricsForDpi(SM_CXVSCROLL, GetDpiForWindow(hwnd_));
    const int barHeight = GetSystemMetricsForDpi(SM_CYHSCROLL, GetDpiForWindow(hwnd_));
    // The panel is measured at its full extent, so a picture that fits shows no bars.
    const PreviewInput in{pic_.width() * tx,
                          pic_.height() * ty,
                          panel.left * tx,
                          panel.top * ty,
                          (client.right - panel.left) * tx,
                          (strip.top - panel.top) * ty,
                          client.right * tx,
                          strip.top * ty,
                          panel.top * ty,
                          barWidth * tx,
                          panel.left * tx,
                          barHeight * ty};
    const PreviewLayout out = LayOutPreview(in);
    const auto setBar = [](HWND bar, const ScrollBar& value) {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
        info.nMin = value.minimum;
        info.nMax = value.maximum + value.largeChange - 1;
        info.nPage = static_cast<UINT>(value.largeChange);
        info.nPos = 0;
        SetScrollInfo(bar, SB_CTL, &info, TRUE);
        ShowWindow(bar, value.visible ? SW_SHOW : SW_HIDE);
    };
    SetWindowPos(vs_, nullptr, out.vsLeft / tx, panel.top, barWidth, out.vsHeight / ty, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(hs_, nullptr, panel.left, out.hsTop / ty, out.hsWidth / tx, barHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(picPanel_, nullptr, 0, 0, out.panelWidth / tx, out.panelHeight / ty,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    setBar(vs_, out.vertical);
    setBar(hs_, out.horizontal);
    SetPreviewOffset(0, 0);
}

void frmTessarin::SetPreviewOffset(int x, int y) {
    previewOffset_ = POINT{x, y};
    InvalidateRect(picPanel_, nullptr, FALSE);
}

void frmTessarin::OnPreviewScroll(HWND bar, WORD request) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    if (!GetScrollInfo(bar, SB_CTL, &info)) return;
    const int maximum = info.nMax - static_cast<int>(info.nPage) + 1;
    const int small = std::max(1, (maximum - info.nMin) / 20);
    const int large = std::max(1, (maximum - info.nMin) / 5);
    int value = info.nPos;
    switch (request) {
        case SB_LINEUP:
            value -= small;
            break;
        case SB_LINEDOWN:
            value += small;
            break;
        case SB_PAGEUP:
            value -= large;
            break;
        case SB_PAGEDOWN:
            value += large;
            break;
        case SB_TOP:
            value = info.nMin;
            break;
        case SB_BOTTOM:
            value = maximum;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            value = info.nTrackPos;
            break;
        default:
            return;
    }
    value = std::clamp(value, info.nMin, std::max(info.nMin, maximum));
    SetScrollPos(bar, SB_CTL, value, TRUE);
    // The bars count twips; the picture moves by whole pixels.
    if (bar == vs_) SetPreviewOffset(previewOffset_.x, value / twipsPerPixelY_);
    if (bar == hs_) SetPreviewOffset(value / twipsPerPixelX_, previewOffset_.y);
}

// ---- Saving --------------------------------------------------------------------------------

bool frmTessarin::WritePlan(const Picture& picture, const SavePlan& plan) const {
    if (picture.width() <= 0 || picture.height() <= 0 || !picture.WriteBitmapFile(Utf8ToWide(plan.bitmap)))
        return false;
    if (!plan.NeedsConversion()) return true;
    const bool ok = codec_ && codec_->SaveByExtension(plan.target, plan.bitmap);
    DeleteFileW(Utf8ToWide(plan.bitmap).c_str());
    return ok;
}

int32_t frmTessarin::SaveEntry(int32_t position) {
    ImageEntry* entry = list_.Entry(position);
    if (entry == nullptr) return -1;
    const SavePlan plan = SaveEntryPlan(entry->fileName, settings_, paths_);
    // A folder that cannot be written fails like a failing converter: the entry keeps its
    // pixels and stays unsaved.
    if (!LoadEntryImage(position, picDummy_) || !WritePlan(picDummy_, plan)) {
        MessageBoxUtf8(SaveFailedText(plan.target), kSaveErrorTitle, MB_OK);
        SetStatus(kSaveErrorStatus);
        return -1;
    }
    (void)picDummy_.resize(0, 0);
    entry->fullPath = plan.target;
    entry->fileName = FileNameOf(plan.target);
    setFileName(entry->fileName);
    setWinText(entry->windowText);
    if (strip_) strip_->SetSaved(position, true);
    // The file holds the image now.
    held_[static_cast<size_t>(entry->slot)] = HeldImage{};
    SetStatus(kSaveDoneStatus);
    return 0;
}

void frmTessarin::mnuSave_Click() {
    ImageEntry* entry = list_.Entry(selected_);
    if (entry == nullptr || entry->saved) return;
    const int32_t position = selected_;
    if (SaveEntry(position) == 0) list_.Entry(position)->saved = true;
}

bool frmTessarin::SaveUnsavedEntries() {
    bool all = true;
    for (int32_t position = 1; position <= list_.CountEntries(); ++position) {
        ImageEntry* entry = list_.Entry(position);
        if (entry->saved) continue;
        if (SaveEntry(position) == 0) {
            list_.Entry(position)->saved = true;
        } else {
            all = false;
        }
    }
    return all;
}

void frmTessarin::mnuAllSave_Click() {
    if (settings_.noConfirm != 1 && MessageBoxUtf8("リストの全ての未保存画像を保存します。よろしいですか？",
                                                   kSaveQuestionTitle, MB_OKCANCEL) != IDOK)
        return;
    (void)SaveUnsavedEntries();
}

int32_t frmTessarin::SaveImage(int32_t index, const std::string& picFile) {
    const ImageEntry* entry = list_.Entry(index);
    if (entry == nullptr) return -1;
    const SavePlan plan = SaveImagePlan(picFile, fs_);
    const bool ok = LoadEntryImage(index, picDummy_) && WritePlan(picDummy_, plan);
    (void)picDummy_.resize(0, 0);
    if (!ok) return -1;
    setFileName(entry->fileName);
    if (strip_) strip_->SetSaved(index, true);
    return 0;
}

void frmTessarin::mnuSaveNameAs_Click() {
    const ImageEntry* entry = list_.Entry(selected_);
    if (entry == nullptr) return;
    const int32_t position = selected_;
    const std::string chosen = ShowSaveDialog(fileName(), hwnd_, SaveAsFilterIndex(entry->fileName, settings_), "",
                                              SpecialFolderPath(kCsidlDesktop));
    if (chosen.empty()) return;
    if (const auto refusal = SaveFolderRefusal(chosen, settings_, paths_)) {
        MessageBoxUtf8(*refusal, kSaveFolderRefusalTitle, MB_OK);
        return;
    }
    (void)SaveImage(position, chosen);
}

std::string frmTessarin::ShowSaveDialog(const std::string& defaultName, HWND owner, int32_t filterIndex,
                                        const std::string& filter, const std::string& initialFolder) {
    const CurrentFolderGuard restore(fs_.currentFolder());
    const std::string filters = filter.empty() ? DefaultSaveFilter() : filter;
    // The list ends with two zero characters.
    const std::wstring wideFilters = Utf8ToWide(filters) + std::wstring(2, L'\0');
    std::wstring file = Utf8ToWide(defaultName);
    file.resize(std::max<size_t>(file.size() + 256, MAX_PATH + 1), L'\0');
    std::wstring title(256, L'\0');
    std::string base;
    std::string folder = initialFolder.empty() ? std::string() : Unquote(AbsolutePath(initialFolder, base, paths_));
    if (folder.empty()) folder = host_.programFolder;
    const std::wstring wideFolder = Utf8ToWide(folder);
    const std::wstring caption = L"名前を付けて保存";

    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = wideFilters.c_str();
    request.nFilterIndex = static_cast<DWORD>(DialogFilterIndex(filterIndex));
    request.lpstrFile = file.data();
    request.nMaxFile = static_cast<DWORD>(file.size());
    request.lpstrFileTitle = title.data();
    request.nMaxFileTitle = static_cast<DWORD>(title.size());
    request.lpstrInitialDir = wideFolder.c_str();
    request.lpstrTitle = caption.c_str();
    request.Flags = kSaveDialogFlags;
    if (!GetSaveFileNameW(&request)) return {};
    const std::string chosen = WideToUtf8(std::wstring_view(file.c_str()));
    return WithFilterExtension(chosen, filters, static_cast<int32_t>(request.nFilterIndex));
}

// ---- Thumbnail files -----------------------------------------------------------------------

void frmTessarin::mnuThumnail_Click() {
    const ImageEntry* entry = list_.Entry(selected_);
    if (selected_ < 1 || entry == nullptr) {
        MessageBoxUtf8(kNoImageText, kNoImageTitle, MB_OK);
        return;
    }
    const CurrentFolderGuard restore(fs_.currentFolder());
    int32_t width = settings_.thumbnailWidth;
    int32_t height = settings_.thumbnailHeight;
    const std::string folder = FullPath("Thumb", settings_, paths_);
    if (!fs_.stat(folder)) (void)fs_.createFolder(folder);
    const std::string chosen = ShowSaveDialog(folder + "\\Thumb_" + entry->fileName, hwnd_, 2, "", "");
    if (chosen.empty()) return;
    if (IsFile(chosen) &&
        MessageBoxUtf8("同じ名前のファイルが存在します。上書きしますか？", "上書き確認", MB_OKCANCEL) != IDOK)
        return;
    SetWindowTextW(lblStatus_, Utf8ToWide(kGeneratingText).c_str());
    ProcessPendingMessages();
    // The preview shows the selected entry, unless a fresh capture waits there: then the
    // entry's own image is used, which is what the command names.
    const Picture* source = &pic_;
    if (IsWindowEnabled(cmdAdd_) && LoadEntryImage(selected_, picDummy_)) source = &picDummy_;
    if (codec_ && MakeThumbnail(*source, chosen, width, height, settings_.thumbnailStatic != 0, *codec_) ==
                      ThumbnailOutcome::ScaleFailed)
        MessageBoxUtf8("失敗しました。", "Tessarin", MB_OK);
    (void)picDummy_.resize(0, 0);
    SetWindowTextW(lblStatus_, Utf8ToWide(kThumbnailDoneText).c_str());
    (void)StartProcess(OpenFolderCommand(folder, paths_));
}

void frmTessarin::mnuThumnailAll_Click() {
    const int32_t count = list_.CountEntries();
    if (count < 1) {
        MessageBoxUtf8(kNoImageText, kNoImageTitle, MB_OK);
        return;
    }
    if (settings_.noConfirm != 1 && MessageBoxUtf8("全てのサムネイルを生成し、上書き保存します。よろしいですか？",
                                                   kSaveQuestionTitle, MB_OKCANCEL) != IDOK)
        return;
    const CurrentFolderGuard restore(fs_.currentFolder());
    SetWindowTextW(lblStatus_, Utf8ToWide(kGeneratingText).c_str());
    ProcessPendingMessages();
    const std::string folder = FullPath("Thumb", settings_, paths_);
    if (!fs_.stat(folder)) (void)fs_.createFolder(folder);
    for (int32_t position = 1; position <= count && codec_; ++position) {
        int32_t width = settings_.thumbnailWidth;
        int32_t height = settings_.thumbnailHeight;
        const std::string target =
            folder + "\\Thumb_" + list_.Entry(position)->fileName + "." + FormatExtension(settings_.saveFileFormat);
        if (!LoadEntryImage(position, picDummy_)) continue;
        if (MakeThumbnail(picDummy_, target, width, height, settings_.thumbnailStatic != 0, *codec_) ==
            ThumbnailOutcome::ScaleFailed)
            MessageBoxUtf8("失敗しました。", "Tessarin", MB_OK);
    }
    (void)picDummy_.resize(0, 0);
    SetWindowTextW(lblStatus_, Utf8ToWide(kThumbnailDoneText).c_str());
    (void)StartProcess(OpenFolderCommand(folder, paths_));
}

// ---- Loading the save folder ---------------------------------------------------------------

void frmTessarin::LoadExistingImages() {
    const std::vector<std::string> files = ImagesToLoad(settings_, paths_);
    if (!files.empty() && settings_.noConfirm == 0) frmSplash::ShowNotice(hwnd_, kLoadNoticeText, 0, false);
    (void)ChangeCurrentFolder(host_.programFolder);
    const auto count = static_cast<int32_t>(files.size());
    struct LoadingScope {
        frmTessarin& window;
        explicit LoadingScope(frmTessarin& w) : window(w) { window.loading_ = true; }
        LoadingScope(const LoadingScope&) = delete;
        LoadingScope& operator=(const LoadingScope&) = delete;
        ~LoadingScope() {
            window.loading_ = false;
            window.LayOutPreviewBars();
            if (window.strip_) window.strip_->ScrollToEnd();
        }
    } scope(*this);
    for (int32_t i = 1; i <= count; ++i) {
        const std::string& path = files[static_cast<size_t>(i) - 1];
        SetStatus(LoadProgressText(i, count));
        const std::wstring wide = Utf8ToWide(path);
        if (IsPngPath(path)) {
            // A PNG that cannot be decoded gives an empty picture, which is not added.
            if (!png_ || !png_->LoadPngPicture(wide, pic_)) (void)pic_.resize(0, 0);
        } else if (const auto failure = LoadPicture(wide, pic_)) {
            const std::string text = path + " の読み込みに失敗しました！\r\n" + std::to_string(failure->errorNumber) +
                                     " " + WideToUtf8(failure->description) + "\r\n\r\n" + path;
            MessageBoxUtf8(text, kLoadFailureTitle, MB_OK | MB_SYSTEMMODAL | MB_SETFOREGROUND);
            frmSplash::ShowNotice(hwnd_, "", 0, false);
            return;
        }
        const int32_t before = list_.CountEntries();
        AddToStrip(path, "", true);
        if (list_.CountEntries() > before) setFileName(list_.Entry(list_.CountEntries())->fileName);
    }
    if (count > 0) SetStatus(kLoadDoneStatus);
    frmSplash::ShowNotice(hwnd_, "", 0, false);
}

}  // namespace tessarin
