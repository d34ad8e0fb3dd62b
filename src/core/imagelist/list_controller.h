#pragma once
// The image list and every command on it: adding captures, showing and stepping through
// entries, saving, thumbnail files, the four deletes, copying and dragging, dropping onto a
// thumbnail, the closing question and loading the save folder. The windows forward their
// events here and draw what StripModel tells them.
//
// Commands that let messages run (message boxes, dialogs, the status line, the clipboard
// waits, a drag) hold entry ids, never positions: whatever another handler does meanwhile,
// a command acts on the entries it was started for or, when those are gone, on nothing.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/files/load_order.h"
#include "core/files/thumbnail_cache.h"
#include "core/imagelist/image_list.h"
#include "core/imagelist/strip_geometry.h"
#include "core/journal/capture_journal.h"
#include "core/ports/background_work.h"
#include "core/ports/filesystem.h"
#include "core/ports/image_list.h"
#include "core/ports/list_commands.h"
#include "core/ports/thumbnail_decoder.h"
#include "core/settings/settings.h"
#include "core/text/paths.h"

namespace tessarin {

struct ListContext {
    ListView& view;
    ListPrompts& prompts;
    ImageStore& store;
    ImageClipboard& clipboard;
    DragSource& drag;
    const Settings& settings;  // read at every use: the settings dialog may change it
    const PathContext& paths;
    StripLayout layout;
    // Thumbnails of the save folder's files are decoded here; without it, one after another
    // while the folder loads.
    ThumbnailDecoder* decoder = nullptr;
    // Where the thumbnail cache of the save folder is read and written; without it there is none.
    FileSystem* files = nullptr;
    // Where the cache is read and written, away from the window; without it, on the window's thread.
    BackgroundWork* background = nullptr;
    // Where unsaved captures are kept on disk until they are saved or let go; without it, they are
    // in memory only.
    CaptureJournal* journal = nullptr;
};

enum class MouseButton { Left = 1, Right = 2, Middle = 4 };

inline constexpr const char* kDeleteTitle = "削除確認";
inline constexpr const char* kDeleteDoneStatus = "削除完了";
inline constexpr const char* kCopyingStatus = "クリップボードに転送中・・・";
inline constexpr const char* kCopiedSuffix = "をクリップボードに転送！";
inline constexpr const char* kPreviewCopiedStatus = "画像をクリップボードに転送！";
inline constexpr const char* kFileGoneStatus = "画像ファイルが見つかりません！";
inline constexpr const char* kFileUnreadableStatus = "画像ファイルを読み込めません！";
// Once, on the status line only, the first time a capture could not be kept on disk.
inline constexpr const char* kJournalFailedStatus = "一時保存エラー！";
inline constexpr int kHoverPauseMs = 100;

// The position in full-width digits, as the copy status shows it ("１２").
[[nodiscard]] std::string FullWidthNumber(int32_t number);
[[nodiscard]] std::string DeleteSelectedQuestion(int32_t position);
// What start-up says of the captures it brought back and of the files it set aside; "" for none.
[[nodiscard]] std::string RestoredStatus(int32_t restored, int32_t damaged);

class ImageListController final : public ListCommands, public StripModel {
public:
    explicit ImageListController(ListContext context);
    ImageListController(const ImageListController&) = delete;
    ImageListController& operator=(const ImageListController&) = delete;

    // StripModel.
    [[nodiscard]] int32_t Count() const override { return list_.CountEntries(); }
    [[nodiscard]] const Image* Thumbnail(int32_t position) const override;
    [[nodiscard]] bool Saved(int32_t position) const override;
    [[nodiscard]] int32_t Selected() const override { return selected_; }

    [[nodiscard]] const ImageEntry* Entry(int32_t position) const { return list_.Entry(position); }
    [[nodiscard]] const ImageList& List() const { return list_; }
    // Whether the entry keeps its pixels in memory (it has no file of its own, and its copy in the
    // journal is not written yet or could not be).
    [[nodiscard]] bool HoldsPixels(int32_t position) const;

    // ListCommands (the capture run).
    void ShowUnlistedCapture(const SharedImage& image, const std::string& fullPath,
                             const std::string& winText) override;
    void CaptureReported() override;
    void PreviewCleared() override;
    [[nodiscard]] bool CaptureWaiting() const override { return waiting_ != nullptr; }
    void DiscardWaitingCapture() override;
    void AddWaitingCapture(const std::string& fullPath, const std::string& winText, bool saved) override;
    void mnuSave_Click() override;
    void DeleteKey(bool mainWindowInFront, bool ctrlOrShiftHeld) override;
    void ListStep(int direction) override;

    // The strip and the preview.
    void Hover(int32_t position);
    void PressThumbnail(int32_t position, MouseButton button);
    void PressPreview(MouseButton button);
    void DropOnThumbnail(int32_t position, const Image& image);
    // A drag of our own ends where it started when the user only clicked: it is no drop.
    [[nodiscard]] bool AcceptsDrop(int32_t position) const {
        return !dragging_ && !closing_ && Entry(position) != nullptr;
    }

    // The edit menu.
    void mnuSaveNameAs_Click();
    void mnuAllSave_Click();
    void mnuThumnail_Click();
    void mnuThumnailAll_Click();
    void mnuDel_Click(bool mainWindowInFront, bool ctrlOrShiftHeld);
    void mnuLeftDel_Click();
    void mnuRightDel_Click();
    void mnuAllDel_Click();

    // Start-up: the save folder's files in loading order. They are listed at once, with the
    // thumbnails the cache knows; the others are decoded and fill in as they arrive.
    void LoadFiles(const std::vector<FolderImage>& files);
    void LoadFiles(const std::vector<std::string>& paths);
    // A thumbnail the decoder finished (on the window's thread).
    void ThumbnailDecoded(DecodedThumbnail result);
    [[nodiscard]] bool DecodingThumbnails() const { return !pending_.empty(); }
    // The end: the thumbnail cache is written when it changed, and no more thumbnails are awaited.
    void FinishThumbnails();
    // Start-up, after the loaded files: the captures that programs which have gone left unsaved,
    // in their order, unsaved again.
    void RestoreCaptures();
    // Closing: asks about unsaved entries and saves them on Yes. False keeps the program open
    // (Cancel, or an image that could not be saved). beforeAsking runs only when it asks.
    [[nodiscard]] bool ConfirmClose(bool codecPresent, const std::function<void()>& beforeAsking = {});
    // Saves every unsaved entry, including any added while saving; false when one failed.
    [[nodiscard]] bool SaveUnsavedEntries();
    // The end of the user's session: every unsaved entry into the save folder, with no message
    // box that would hold the session up (a failure only shows on the status line). A save of
    // all that it interrupted stops where it is.
    [[nodiscard]] bool SaveForEndOfSession();
    // While the program is closing (its question or its last messages are open), no command
    // acts: nothing may change what the user is being asked about.
    void SetClosing(bool closing) { closing_ = closing; }
    [[nodiscard]] bool Closing() const { return closing_; }

private:
    // Adds an image as a new entry, with its copy in the journal when it has one; false (after a
    // message) when it could not be.
    bool AddImage(const SharedImage& image, const std::string& fullPath, const std::string& winText, bool saved,
                  JournalKey journal);
    void Select(int32_t position);
    void ShowInPreview(SharedImage image);
    void ShowEntry(int32_t position);
    // The entry's full image: held pixels, else its copy in the journal, else its file; null when
    // none gives one. What was read last is not read again; a file that changed gives the entry a
    // new thumbnail. With letMessagesRun the file is decoded away from the window, whose messages
    // run meanwhile.
    [[nodiscard]] SharedImage ImageOf(EntryId id, bool letMessagesRun = false);
    // 0 success, -1 failure (after its message).
    int32_t SaveEntry(EntryId id);
    [[nodiscard]] std::vector<std::string> HeldFiles(EntryId except) const;
    [[nodiscard]] bool OwnsFile(const ImageEntry& entry) const;
    void DeleteEntries(const std::vector<EntryId>& ids);
    [[nodiscard]] std::vector<EntryId> IdsOf(int32_t first, int32_t last) const;
    void CopyAndDrag(const SharedImage& image, const std::string& doneStatus);
    [[nodiscard]] std::string ClearClipboard();
    [[nodiscard]] std::string CopyToClipboard(const Image& image);

    // The capture journal: a capture kept on disk, a write that ended, a copy let go (saved,
    // deleted, declined), and the first capture that could not be kept told once.
    [[nodiscard]] JournalKey Keep(const SharedImage& image, const Image& thumbnail, const std::string& fullPath,
                                  const std::string& winText);
    void JournalWritten(JournalKey key, bool written);
    void ForgetWaiting();
    void LetGo(JournalKey& key);
    // Closing without saving what is unsaved: the user let it all go.
    void ForgetUnsaved();
    void ReportJournalFailure();

    // The thumbnails of the loaded files: those the cache knows at once, the others to be decoded.
    void QueueThumbnails(const std::vector<FolderImage>& files, const std::vector<EntryId>& ids,
                         const std::vector<std::string>& names);
    void ThumbnailsDone();
    void WriteCache();
    // The cache of a folder (with its trailing "\"), read when it is first needed; the cache of
    // another folder is written first.
    void UseCacheOf(const std::string& folder);
    // The file's version; none when it is not there (or without a file system to ask).
    [[nodiscard]] std::optional<FileStamp> StampOf(const std::string& path) const;
    // The entry's file (when in the save folder) now holds its thumbnail: the cache learns it.
    void RememberThumbnail(const ImageEntry& entry);

    ListContext ctx_;
    ImageList list_;
    // The save folder's thumbnails: the cache, the files still being decoded and those that could
    // not be read.
    std::optional<ThumbnailCache> cache_;
    std::string cacheFolder_;  // the folder the cache belongs to, with its trailing "\"
    // Counts the loads: a cache read away from the window serves only the load that asked for it.
    uint64_t loadGeneration_ = 0;
    std::map<EntryId, FolderImage> pending_;
    int32_t decodeTotal_ = 0;
    int32_t decodeDone_ = 0;
    std::vector<DecodedThumbnail> unreadable_;
    // Thumbnails of files saved since the load, for the cache at the end.
    struct AddedThumbnail {
        std::string folder;
        std::string name;
        FileStamp stamp;
        Image thumbnail;
    };
    std::vector<AddedThumbnail> added_;
    // The file read last, as it was then: showing, copying and dragging one entry decode it once.
    struct ReadFile {
        EntryId id = 0;
        FileStamp stamp;
        SharedImage image;
    };
    ReadFile lastRead_;
    int32_t selected_ = 0;           // -1 while a fresh capture not in the list is shown
    SharedImage waiting_;            // a fresh capture that waits to be added
    JournalKey waitingJournal_ = 0;  // its copy in the journal
    // Between a capture and its status: a journal failure told meanwhile would be written over.
    bool capturing_ = false;
    bool failureUntold_ = false;
    SharedImage shown_;  // what the preview shows
    bool hovering_ = false;
    bool dragging_ = false;
    bool closing_ = false;
    bool quiet_ = false;  // failures of a save show no message box
    bool sessionEnded_ = false;
};

}  // namespace tessarin
