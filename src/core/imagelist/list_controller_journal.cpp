// The list and the capture journal: every unsaved capture, and one waiting to be added, is kept on
// disk until the user saves it or lets it go; its pixels leave memory once it is written; and the
// captures a program that has gone left unsaved come back at start.

#include <new>
#include <optional>
#include <utility>

#include "core/imagelist/list_controller.h"
#include "core/imagelist/strip_thumbnail.h"

namespace tessarin {

std::string RestoredStatus(int32_t restored, int32_t damaged) {
    const std::string back = std::to_string(restored);
    const std::string lost = std::to_string(damaged);
    if (restored > 0 && damaged > 0) return back + "件を復元、" + lost + "件は破損";
    if (restored > 0) return back + "件の未保存画像を復元";
    if (damaged > 0) return lost + "件の一時保存ファイルが破損";
    return {};
}

JournalKey ImageListController::Keep(const SharedImage& image, const Image& thumbnail, const std::string& fullPath,
                                     const std::string& winText) {
    if (ctx_.journal == nullptr) return 0;
    return ctx_.journal->Keep(image, thumbnail, fullPath, winText,
                              [this](JournalKey key, bool written) { JournalWritten(key, written); });
}

// On the window's thread, once the worker has written it: the file holds the pixels now. The
// captures written last are the list's last, so the search starts at the end.
void ImageListController::JournalWritten(JournalKey key, bool written) {
    if (!written) {
        ReportJournalFailure();
        return;
    }
    for (int32_t position = list_.CountEntries(); position >= 1; --position) {
        ImageEntry* entry = list_.Entry(position);
        if (entry->journal != key) continue;
        if (!entry->saved) entry->held.reset();
        return;
    }
}

// Only the first failure is told: the user knows from then on, and every capture still joins the
// list with its pixels in memory. It is shown, not published: a program polling the record for
// "キャプチャー完了" must still find it. A failure found while a capture is being added (no journal
// could be opened) waits for the capture's own status, which would write over it.
void ImageListController::ReportJournalFailure() {
    if (capturing_) {
        failureUntold_ = true;
        return;
    }
    if (ctx_.journal != nullptr && ctx_.journal->TakeFailureReport()) ctx_.view.showStatus(kJournalFailedStatus);
}

void ImageListController::CaptureReported() {
    capturing_ = false;
    if (std::exchange(failureUntold_, false)) ReportJournalFailure();
}

void ImageListController::LetGo(JournalKey& key) {
    if (key != 0 && ctx_.journal != nullptr) ctx_.journal->Forget(key);
    key = 0;
}

void ImageListController::ForgetWaiting() { LetGo(waitingJournal_); }

void ImageListController::ForgetUnsaved() {
    for (int32_t position = 1; position <= list_.CountEntries(); ++position) {
        ImageEntry* entry = list_.Entry(position);
        if (!entry->saved) LetGo(entry->journal);
    }
    ForgetWaiting();
}

void ImageListController::RestoreCaptures() {
    if (ctx_.journal == nullptr) return;
    // The journals are read away from the window; its messages run meanwhile.
    Restoration restored = ctx_.journal->Open();
    const int32_t first = list_.CountEntries() + 1;
    for (RestoredCapture& capture : restored.captures) {
        std::optional<Image> thumbnail;
        try {
            // Kept at the scale of the strip it was taken for: fitted to this one's panels.
            if (!capture.thumbnail.Empty()) {
                thumbnail = MakeStripThumbnail(capture.thumbnail, ctx_.layout);
            } else if (const SharedImage picture = ctx_.journal->Read(capture.key)) {
                thumbnail = MakeStripThumbnail(*picture, ctx_.layout);
            }
        } catch (const std::bad_alloc&) {
            // Listed without one: its picture still shows when it is chosen.
        }
        (void)list_.AddEntry(capture.record.fullPath, capture.record.windowText, false);
        ImageEntry* entry = list_.Entry(list_.CountEntries());
        entry->journal = capture.key;
        if (thumbnail) entry->thumbnail = std::move(*thumbnail);
    }
    if (!restored.captures.empty()) {
        ctx_.view.stripChangedFrom(first);
        ShowEntry(list_.CountEntries());
        ctx_.view.stripScrollToEnd();
    }
    const std::string status = RestoredStatus(static_cast<int32_t>(restored.captures.size()), restored.damaged);
    if (!status.empty()) ctx_.view.setStatus(status);
}

}  // namespace tessarin
