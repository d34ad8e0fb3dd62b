#include "core/imagelist/list_controller.h"

#include <algorithm>
#include <memory>
#include <new>
#include <span>
#include <utility>

#include "core/app/shell.h"
#include "core/capture/clipboard_ops.h"
#include "core/files/load_order.h"
#include "core/files/save_naming.h"
#include "core/flag_scope.h"
#include "core/imagelist/strip_thumbnail.h"
#include "core/text/text.h"

namespace tessarin {
namespace {

// A name another program takes between its choice and the writing is chosen again, this often.
constexpr int kSaveAttempts = 8;
constexpr const char* kAddListError = "7 メモリが不足しています。\r\nAddList";
constexpr const char* kNoImageText = "イメージがありません！";
constexpr const char* kNoImageTitle = "処理不可";
constexpr const char* kGeneratingText = "生成中・・・・";
constexpr const char* kThumbnailDoneText = "サムネイル生成完了";
constexpr const char* kThumbnailFailedText = "失敗しました。";
constexpr const char* kOverwriteText = "同じ名前のファイルが存在します。上書きしますか？";
constexpr const char* kOverwriteTitle = "上書き確認";
constexpr const char* kSaveAllQuestion = "リストの全ての未保存画像を保存します。よろしいですか？";
constexpr const char* kThumbnailAllQuestion = "全てのサムネイルを生成し、上書き保存します。よろしいですか？";
constexpr const char* kDeleteLeftQuestion = "選択画像を含め左側を全て削除します。よろしいですか？";
constexpr const char* kDeleteRightQuestion = "選択画像を含め右側を全て削除します。よろしいですか？";
constexpr const char* kDeleteAllQuestion = "一覧の画像を全て削除します。よろしいですか？";
constexpr const char* kProgramTitle = "Tessarin";
constexpr int32_t kThumbnailDialogFilter = 2;  // JPEG

}  // namespace

std::string FullWidthNumber(int32_t number) {
    std::string out;
    for (const char c : std::to_string(number)) {
        if (c == '-') {
            out += "－";
        } else {
            AppendUtf8(out, static_cast<char32_t>(U'０' + (c - '0')));
        }
    }
    return out;
}

std::string DeleteSelectedQuestion(int32_t position) {
    return "選択している No = " + std::to_string(position) + " を削除します。よろしいですか？";
}

ImageListController::ImageListController(ListContext context) : ctx_(context) {}

const Image* ImageListController::Thumbnail(int32_t position) const {
    const ImageEntry* entry = list_.Entry(position);
    return entry != nullptr ? &entry->thumbnail : nullptr;
}

bool ImageListController::Saved(int32_t position) const {
    const ImageEntry* entry = list_.Entry(position);
    return entry != nullptr && entry->saved;
}

bool ImageListController::HoldsPixels(int32_t position) const {
    const ImageEntry* entry = list_.Entry(position);
    return entry != nullptr && entry->held != nullptr;
}

// ---- Adding, selecting, showing --------------------------------------------------------------

bool ImageListController::AddImage(const SharedImage& image, const std::string& fullPath, const std::string& winText,
                                   bool saved, JournalKey journal) {
    if (!image || image->Empty()) return false;
    std::optional<Image> thumbnail;
    try {
        thumbnail = MakeStripThumbnail(*image, ctx_.layout);
    } catch (const std::bad_alloc&) {
        ctx_.prompts.message(kAddListError, kProgramTitle);
        return false;
    }
    if (!thumbnail) return false;
    (void)list_.AddEntry(fullPath, winText, saved);
    const int32_t position = list_.CountEntries();
    ImageEntry* entry = list_.Entry(position);
    entry->thumbnail = std::move(*thumbnail);
    // An image that is already in its file is read from there when it is needed again; only one
    // without a file keeps its pixels, so the list's memory grows with its thumbnails.
    if (!saved || !ctx_.store.isFile(fullPath)) entry->held = image;
    if (ctx_.journal != nullptr && !saved) {
        // Kept on disk until it is saved or let go, under the names it was added with; once
        // written, its pixels are read from there.
        entry->journal = journal != 0 ? journal : Keep(image, entry->thumbnail, fullPath, winText);
        ctx_.journal->Rewrite(entry->journal, image, entry->thumbnail, fullPath, winText,
                              [this](JournalKey key, bool written) { JournalWritten(key, written); });
        if (ctx_.journal->Settled(entry->journal)) entry->held.reset();
    } else if (journal != 0) {
        ctx_.journal->Forget(journal);  // a downloaded picture: its file holds it
    }
    ctx_.view.stripChangedFrom(position);
    Select(position);
    ctx_.view.stripScrollToEnd();
    return true;
}

void ImageListController::Select(int32_t position) {
    selected_ = position;
    ctx_.view.selectionChanged(position, list_.SlotOfEntry(position));
}

// The preview shows what the list hands it, and a click on the preview copies exactly that.
void ImageListController::ShowInPreview(SharedImage image) {
    shown_ = std::move(image);
    ctx_.view.showPreview(shown_);
}

// A capture waiting to be added is kept on disk too: a crash before the add loses nothing.
void ImageListController::ShowUnlistedCapture(const SharedImage& image, const std::string& fullPath,
                                              const std::string& winText) {
    ForgetWaiting();
    waiting_ = image;
    capturing_ = true;
    if (ctx_.journal != nullptr && image && !image->Empty()) {
        std::optional<Image> thumbnail;
        try {
            thumbnail = MakeStripThumbnail(*image, ctx_.layout);
        } catch (const std::bad_alloc&) {
            // Kept without one: the start that brings it back makes it from the picture.
        }
        waitingJournal_ = Keep(image, thumbnail.value_or(Image{}), fullPath, winText);
    }
    Select(-1);
    ShowInPreview(image);
}

void ImageListController::PreviewCleared() {
    waiting_.reset();
    ForgetWaiting();
    Select(-1);
    ShowInPreview(nullptr);
}

void ImageListController::DiscardWaitingCapture() {
    waiting_.reset();
    ForgetWaiting();
}

void ImageListController::AddWaitingCapture(const std::string& fullPath, const std::string& winText, bool saved) {
    if (!waiting_ || closing_) return;
    // Taken first: adding lets messages run, and a second click meanwhile must not add the
    // same capture twice.
    const SharedImage image = std::exchange(waiting_, nullptr);
    const JournalKey journal = std::exchange(waitingJournal_, 0);
    // A capture that could not be listed is given up, its copy too.
    if (!AddImage(image, fullPath, winText, saved, journal) && journal != 0) ctx_.journal->Forget(journal);
}

SharedImage ImageListController::ImageOf(EntryId id, bool letMessagesRun) {
    int32_t position = list_.PositionOf(id);
    ImageEntry* entry = list_.Entry(position);
    if (entry == nullptr) return nullptr;
    if (entry->held) return entry->held;
    if (entry->journal != 0 && ctx_.journal != nullptr) {
        // Written to the journal, its pixels left memory: they come back from there.
        if (lastRead_.image && lastRead_.id == id && lastRead_.stamp == FileStamp{}) return lastRead_.image;
        lastRead_ = {};
        SharedImage image = ctx_.journal->Read(entry->journal);
        if (image) lastRead_ = {id, {}, image};
        return image;
    }
    if (ctx_.files == nullptr) return ctx_.store.read(entry->fullPath).image;
    const std::optional<FileStamp> current = StampOf(entry->fullPath);
    if (!current) {
        lastRead_ = {};
        return nullptr;
    }
    const FileStamp stamp = *current;
    if (lastRead_.image && lastRead_.id == id && lastRead_.stamp == stamp) return lastRead_.image;
    // The one image kept is let go before the next is decoded: two near the pixel cap at once
    // may not fit.
    lastRead_ = {};
    SharedImage image;
    if (letMessagesRun && ctx_.background != nullptr) {
        ctx_.background->runAndWait(
            [&image, &store = ctx_.store, path = entry->fullPath] { image = store.read(path).image; });
        // Messages ran: the entry may have moved or gone, and another may have been read.
        position = list_.PositionOf(id);
        entry = list_.Entry(position);
        if (entry == nullptr) return nullptr;
    } else {
        image = ctx_.store.read(entry->fullPath).image;
    }
    if (!image) return nullptr;
    lastRead_ = {id, stamp, image};
    // Another program wrote the file since the strip's thumbnail was made: the strip shows what
    // the file holds now.
    if (entry->stamp != stamp) {
        const bool known = entry->stamp != FileStamp{};
        entry->stamp = stamp;
        if (known) {
            if (std::optional<Image> thumbnail = MakeStripThumbnail(*image, ctx_.layout)) {
                entry->thumbnail = std::move(*thumbnail);
                entry->dropped = false;
                RememberThumbnail(*entry);
                ctx_.view.stripChanged(position);
            }
        }
    }
    return image;
}

void ImageListController::ShowEntry(int32_t position) {
    // A fresh capture waiting to be added keeps the preview.
    if (waiting_ || position == selected_) return;
    const ImageEntry* entry = list_.Entry(position);
    if (entry == nullptr) return;
    // A file that has gone or no longer reads shows as an empty preview, and says so; the entry
    // stays.
    const SharedImage image = ImageOf(entry->id);
    ShowInPreview(image);
    ctx_.view.setTexts(entry->fileName, entry->windowText);
    if (!image) {
        ctx_.view.setStatus(entry->journal != 0 || ctx_.store.isFile(entry->fullPath) ? kFileUnreadableStatus
                                                                                      : kFileGoneStatus);
    }
    Select(position);
    ctx_.view.stripEnsureVisible(position);
}

void ImageListController::Hover(int32_t position) {
    if (hovering_ || closing_) return;
    const FlagScope busy(hovering_);
    ShowEntry(position);
    ctx_.view.processPendingMessages();
    ctx_.view.pause(kHoverPauseMs);
}

void ImageListController::ListStep(int direction) {
    if (selected_ < 1 || closing_) return;
    ctx_.view.parkPointer();
    ShowEntry(selected_ + direction);
}

// ---- Saving --------------------------------------------------------------------------------

// The files the list's saved entries hold, but this one's: their names stay theirs even after
// the file went (removed outside), so a delete of theirs can never meet a newer capture's file.
std::vector<std::string> ImageListController::HeldFiles(EntryId except) const {
    std::vector<std::string> held;
    for (int32_t position = 1; position <= list_.CountEntries(); ++position) {
        const ImageEntry* entry = list_.Entry(position);
        if (entry->saved && entry->id != except) held.push_back(entry->fullPath);
    }
    return held;
}

int32_t ImageListController::SaveEntry(EntryId id) {
    const ImageEntry* entry = list_.Entry(list_.PositionOf(id));
    if (entry == nullptr) return -1;
    const SharedImage image = ImageOf(id);
    const std::vector<std::string> held = HeldFiles(id);
    // Another program saving into the folder may take the name between its choice and the
    // writing: the next name is chosen then, a few times at most.
    SavePlan plan = SaveEntryPlan(entry->fileName, ctx_.settings, ctx_.paths, held);
    ImageStore::WriteOutcome outcome = ImageStore::WriteOutcome::Failed;
    for (int attempt = 0; image && attempt < kSaveAttempts && !plan.target.empty(); ++attempt) {
        outcome = ctx_.store.write(*image, plan);
        if (outcome != ImageStore::WriteOutcome::NameTaken) break;
        plan = SaveEntryPlan(entry->fileName, ctx_.settings, ctx_.paths, held);
    }
    // A folder that cannot be written fails like a failing converter: the entry keeps its
    // pixels and stays unsaved.
    if (outcome != ImageStore::WriteOutcome::Written) {
        if (!quiet_) ctx_.prompts.message(SaveFailedText(plan.target), kSaveErrorTitle);
        ctx_.view.setStatus(kSaveErrorStatus);
        return -1;
    }
    // The message box above may have let a deletion run, but nothing has since: the entry is
    // marked before the status line lets messages run again.
    const int32_t position = list_.PositionOf(id);
    ImageEntry* saved = list_.Entry(position);
    if (saved == nullptr) return -1;
    saved->fullPath = plan.target;
    saved->fileName = FileNameOf(plan.target);
    saved->saved = true;
    saved->held.reset();  // the file holds the image now
    LetGo(saved->journal);
    saved->stamp = saved->ownStamp = StampOf(saved->fullPath).value_or(FileStamp{});
    RememberThumbnail(*saved);
    ctx_.view.setTexts(saved->fileName, saved->windowText);
    ctx_.view.stripChanged(position);
    ctx_.view.setStatus(kSaveDoneStatus);
    return 0;
}

void ImageListController::mnuSave_Click() {
    const ImageEntry* entry = list_.Entry(selected_);
    if (entry == nullptr || entry->saved || closing_) return;
    (void)SaveEntry(entry->id);
}

bool ImageListController::SaveUnsavedEntries() {
    bool all = true;
    std::vector<EntryId> done;
    // Saving lets messages run, and a capture added meanwhile is unsaved too: passes repeat
    // until none is left that has not been tried. Should the session end meanwhile, its own save
    // has taken what is left, and this one stops: its messages would come after the program.
    for (;;) {
        if (sessionEnded_ && !quiet_) return false;
        std::vector<EntryId> pending;
        for (int32_t position = 1; position <= list_.CountEntries(); ++position) {
            const ImageEntry* entry = list_.Entry(position);
            if (!entry->saved && std::find(done.begin(), done.end(), entry->id) == done.end())
                pending.push_back(entry->id);
        }
        if (pending.empty()) return all;
        for (const EntryId id : pending) {
            done.push_back(id);
            const ImageEntry* entry = list_.Entry(list_.PositionOf(id));
            if (entry == nullptr || entry->saved) continue;  // deleted or saved meanwhile
            if (sessionEnded_ && !quiet_) return false;
            if (SaveEntry(id) != 0) all = false;
        }
    }
}

bool ImageListController::SaveForEndOfSession() {
    sessionEnded_ = true;
    const FlagScope quiet(quiet_);
    return SaveUnsavedEntries();
}

void ImageListController::mnuAllSave_Click() {
    if (closing_) return;
    if (ctx_.settings.noConfirm != 1 && !ctx_.prompts.confirm(kSaveAllQuestion, kSaveQuestionTitle)) return;
    (void)SaveUnsavedEntries();
}

void ImageListController::mnuSaveNameAs_Click() {
    const ImageEntry* entry = list_.Entry(selected_);
    if (entry == nullptr || closing_) return;
    const EntryId id = entry->id;
    const std::string chosen = ctx_.prompts.saveDialog(
        ctx_.view.fileName(), SaveAsFilterIndex(entry->fileName, ctx_.settings), ctx_.prompts.desktopFolder());
    if (chosen.empty()) return;
    if (const auto refusal = SaveFolderRefusal(chosen, ctx_.settings, ctx_.paths)) {
        ctx_.prompts.message(*refusal, kSaveFolderRefusalTitle);
        return;
    }
    // The dialog let messages run: the entry may be gone.
    const SharedImage image = ImageOf(id);
    if (!image) return;
    const SavePlan plan = SaveImagePlan(chosen, ctx_.paths.fs);
    // Save as is silent on failure; the copy elsewhere changes neither the entry's path nor its
    // saved flag.
    if (ctx_.store.write(*image, plan) != ImageStore::WriteOutcome::Written) return;
    const int32_t position = list_.PositionOf(id);
    if (const ImageEntry* now = list_.Entry(position)) {
        ctx_.view.setFileName(now->fileName);
        ctx_.view.stripChanged(position);
    }
}

// ---- Closing -------------------------------------------------------------------------------

bool ImageListController::ConfirmClose(bool codecPresent, const std::function<void()>& beforeAsking) {
    const auto count = static_cast<size_t>(list_.CountEntries());
    const auto saved = std::make_unique<bool[]>(count + 1);
    for (size_t i = 0; i < count; ++i) saved[i] = list_.Entry(static_cast<int32_t>(i) + 1)->saved;
    const std::string unsaved = UnsavedListText(std::span<const bool>(saved.get(), count), codecPresent);
    if (!AsksBeforeClosing(unsaved, ctx_.settings)) {
        // Nothing to ask about, or no questions wanted: what is unsaved is let go. Without the
        // codec nothing could be saved, and nobody was asked: the journal keeps it for a start
        // that can save it.
        if (codecPresent) ForgetUnsaved();
        return true;
    }
    if (beforeAsking) beforeAsking();
    if (sessionEnded_) return false;  // the sound let the end of the session in
    switch (ctx_.prompts.yesNoCancel(SaveQuestionText(unsaved), kSaveQuestionTitle)) {
        case ListPrompts::Answer::Cancel:
            return false;
        case ListPrompts::Answer::No:
            ForgetUnsaved();
            return true;
        case ListPrompts::Answer::Yes:
            // When an image could not be saved (its error has been shown) the program stays open
            // rather than lose it.
            if (!SaveUnsavedEntries()) return false;
            ForgetUnsaved();
            return true;
    }
    return false;
}

// ---- Thumbnail files -----------------------------------------------------------------------

void ImageListController::mnuThumnail_Click() {
    if (closing_) return;
    const ImageEntry* entry = list_.Entry(selected_);
    if (entry == nullptr) {
        ctx_.prompts.message(kNoImageText, kNoImageTitle);
        return;
    }
    const EntryId id = entry->id;
    const std::string folder = FullPath("Thumb", ctx_.settings, ctx_.paths);
    if (!ctx_.paths.fs.stat(folder)) (void)ctx_.store.createFolder(folder);
    const std::string chosen =
        ctx_.prompts.saveDialog(folder + "\\Thumb_" + entry->fileName, kThumbnailDialogFilter, "");
    if (chosen.empty()) return;
    if (ctx_.store.isFile(chosen) && !ctx_.prompts.confirm(kOverwriteText, kOverwriteTitle)) return;
    ctx_.view.showStatus(kGeneratingText);
    ctx_.view.processPendingMessages();
    // The entry's own image, whatever the preview shows now.
    const SharedImage image = ImageOf(id);
    int32_t width = ctx_.settings.thumbnailWidth;
    int32_t height = ctx_.settings.thumbnailHeight;
    if (!image || ctx_.store.writeThumbnail(*image, chosen, width, height, ctx_.settings.thumbnailStatic != 0) ==
                      ImageStore::ThumbnailOutcome::ScaleFailed)
        ctx_.prompts.message(kThumbnailFailedText, kProgramTitle);
    ctx_.view.showStatus(kThumbnailDoneText);
    ctx_.store.openFolder(folder);
}

void ImageListController::mnuThumnailAll_Click() {
    if (closing_) return;
    if (list_.CountEntries() < 1) {
        ctx_.prompts.message(kNoImageText, kNoImageTitle);
        return;
    }
    if (ctx_.settings.noConfirm != 1 && !ctx_.prompts.confirm(kThumbnailAllQuestion, kSaveQuestionTitle)) return;
    ctx_.view.showStatus(kGeneratingText);
    ctx_.view.processPendingMessages();
    const std::string folder = FullPath("Thumb", ctx_.settings, ctx_.paths);
    if (!ctx_.paths.fs.stat(folder)) (void)ctx_.store.createFolder(folder);
    for (const EntryId id : IdsOf(1, list_.CountEntries())) {
        const ImageEntry* entry = list_.Entry(list_.PositionOf(id));
        if (entry == nullptr) continue;
        const std::string target =
            folder + "\\Thumb_" + entry->fileName + "." + FormatExtension(ctx_.settings.saveFileFormat);
        const SharedImage image = ImageOf(id);
        if (!image) continue;
        int32_t width = ctx_.settings.thumbnailWidth;
        int32_t height = ctx_.settings.thumbnailHeight;
        if (ctx_.store.writeThumbnail(*image, target, width, height, ctx_.settings.thumbnailStatic != 0) ==
            ImageStore::ThumbnailOutcome::ScaleFailed)
            ctx_.prompts.message(kThumbnailFailedText, kProgramTitle);
    }
    ctx_.view.showStatus(kThumbnailDoneText);
    ctx_.store.openFolder(folder);
}

// ---- Deleting ------------------------------------------------------------------------------

std::vector<EntryId> ImageListController::IdsOf(int32_t first, int32_t last) const {
    std::vector<EntryId> ids;
    for (int32_t position = std::max(first, 1); position <= std::min(last, list_.CountEntries()); ++position)
        ids.push_back(list_.Entry(position)->id);
    return ids;
}

// Every entry of the list goes with its file, but only a file that is really its own: an
// unsaved capture named like a file of the save folder (a loaded image, another capture saved
// under that name) has no file yet, and that file belongs to someone else. Nor is a file its own
// any more once it is not the one the entry wrote or read (its size and write time changed):
// removed outside and written again by another save, it is that save's.
// A delete whose question was open when the session ended removes nothing: the end has just saved
// those captures for the user.
void ImageListController::DeleteEntries(const std::vector<EntryId>& ids) {
    if (sessionEnded_) return;
    int32_t firstRemoved = 0;
    int32_t lastRemoved = 0;
    if (std::find(ids.begin(), ids.end(), lastRead_.id) != ids.end()) lastRead_ = {};
    for (ImageEntry& entry : list_.RemoveIds(ids, firstRemoved, lastRemoved)) {
        if (OwnsFile(entry)) ctx_.store.remove(entry.fullPath);
        LetGo(entry.journal);
    }
    // Each deletion selects the entry that moved into its place, else the new last one; the last
    // deletion decides.
    const int32_t next = SelectionAfterDelete(lastRemoved, list_.CountEntries());
    if (firstRemoved == 0) return;
    // The strip, the preview and the text boxes are brought up to date once, however many
    // entries went. A capture waiting to be added keeps the preview and its names.
    ctx_.view.stripChangedFrom(firstRemoved);
    if (!waiting_) {
        if (const ImageEntry* shown = list_.Entry(next)) {
            ctx_.view.setTexts(shown->fileName, shown->windowText);
            ShowInPreview(ImageOf(shown->id));
        } else {
            ctx_.view.setTexts("", "");
            ShowInPreview(nullptr);
        }
        Select(next);
    }
    ctx_.view.setStatus(kDeleteDoneStatus);
}

bool ImageListController::OwnsFile(const ImageEntry& entry) const {
    if (!entry.saved || entry.fullPath.empty() || !ctx_.store.isFile(entry.fullPath)) return false;
    // An entry whose file was never stamped (a listing that could not tell) keeps the old rule.
    return entry.ownStamp == FileStamp{} || StampOf(entry.fullPath) == entry.ownStamp;
}

void ImageListController::DeleteKey(bool mainWindowInFront, bool ctrlOrShiftHeld) {
    mnuDel_Click(mainWindowInFront, ctrlOrShiftHeld);
}

void ImageListController::mnuDel_Click(bool mainWindowInFront, bool ctrlOrShiftHeld) {
    const ImageEntry* entry = list_.Entry(selected_);
    if (!mainWindowInFront || ctrlOrShiftHeld || selected_ < 1 || entry == nullptr || closing_) return;
    // The question names the entry; that entry is deleted, wherever it is after the answer.
    const EntryId id = entry->id;
    if (ctx_.settings.noConfirm == 0 && !ctx_.prompts.confirm(DeleteSelectedQuestion(selected_), kDeleteTitle)) return;
    DeleteEntries({id});
}

// The entries are counted once, when the command starts; those are the ones asked about.
void ImageListController::mnuLeftDel_Click() {
    if (selected_ < 1 || closing_) return;
    const std::vector<EntryId> ids = IdsOf(1, selected_);
    if (ctx_.settings.noConfirm == 0 && !ctx_.prompts.confirm(kDeleteLeftQuestion, kDeleteTitle)) return;
    DeleteEntries(ids);
}

void ImageListController::mnuRightDel_Click() {
    if (selected_ < 1 || closing_) return;
    const std::vector<EntryId> ids = IdsOf(selected_, list_.CountEntries());
    if (ctx_.settings.noConfirm == 0 && !ctx_.prompts.confirm(kDeleteRightQuestion, kDeleteTitle)) return;
    DeleteEntries(ids);
}

void ImageListController::mnuAllDel_Click() {
    if (closing_) return;
    const std::vector<EntryId> ids = IdsOf(1, list_.CountEntries());
    if (ctx_.settings.noConfirm == 0 && !ctx_.prompts.confirm(kDeleteAllQuestion, kDeleteTitle)) return;
    DeleteEntries(ids);
}

// ---- Clipboard, drag and drop ----------------------------------------------------------------

std::string ImageListController::ClearClipboard() {
    return RetryClearClipboard({[this] { return ctx_.clipboard.empty(); },
                                [this] { ctx_.view.processPendingMessages(); },
                                [this](int ms) { ctx_.view.sleep(ms); }});
}

std::string ImageListController::CopyToClipboard(const Image& image) {
    return RetrySetClipboard({[this, &image] { return ctx_.clipboard.setImage(image); },
                              [this] { ctx_.view.processPendingMessages(); }, [this](int ms) { ctx_.view.sleep(ms); }});
}

// The results of the clipboard steps are not examined: the status says the same either way.
void ImageListController::CopyAndDrag(const SharedImage& image, const std::string& doneStatus) {
    ctx_.view.setStatus(kCopyingStatus);
    (void)ClearClipboard();
    if (image) (void)CopyToClipboard(*image);
    ctx_.view.setStatus(doneStatus);
    if (!image || image->Empty()) return;
    const FlagScope dragging(dragging_);
    ctx_.drag.dragImage(*image);
}

void ImageListController::PressThumbnail(int32_t position, MouseButton button) {
    const ImageEntry* entry = list_.Entry(position);
    if (entry == nullptr || closing_) return;
    if (position != selected_) Select(position);
    if (button == MouseButton::Left) {
        // The full image, not the thumbnail; taken now, before any message can delete the entry.
        CopyAndDrag(ImageOf(entry->id), FullWidthNumber(position) + kCopiedSuffix);
    } else if (button == MouseButton::Right) {
        ctx_.view.showEditMenu();
    }
}

void ImageListController::PressPreview(MouseButton button) {
    if (button != MouseButton::Left || closing_) return;
    CopyAndDrag(shown_, kPreviewCopiedStatus);
}

void ImageListController::DropOnThumbnail(int32_t position, const Image& image) {
    ImageEntry* entry = list_.Entry(position);
    if (entry == nullptr || dragging_ || closing_) return;
    std::optional<Image> thumbnail = MakeStripThumbnail(image, ctx_.layout);
    if (!thumbnail) return;
    // Only what the strip shows changes; the entry's image, record and file stay as they were.
    entry->thumbnail = std::move(*thumbnail);
    entry->dropped = true;
    ctx_.view.stripChanged(position);
}

}  // namespace tessarin
