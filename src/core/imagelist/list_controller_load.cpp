// Loading the save folder: every file is listed at once, with the thumbnail the cache knows for
// it; the others are decoded away from the window and fill in as they arrive.

#include <algorithm>
#include <memory>
#include <new>

#include "core/imagelist/list_controller.h"
#include "core/imagelist/strip_thumbnail.h"
#include "core/text/text.h"

namespace tessarin {

namespace {

constexpr const char* kLoadFailureTitle = "PNGファイル読込失敗";
// The status line lets messages run: while thousands of files are listed it is told now and then.
constexpr int32_t kProgressEvery = 250;
// A message box names this many unreadable files at most.
constexpr size_t kUnreadableNamed = 10;

// The cache of the folder as its file holds it. One that shows in the user's folder (written by an
// older version, or shown by the user) is written again, hidden.
void ReadCache(const FileSystem& fs, const std::string& path, ThumbnailCache& cache) {
    const std::optional<std::string> bytes = fs.readFile(path);
    if (!bytes || !cache.Parse(*bytes)) return;
    if (const std::optional<FileInfo> info = fs.stat(path); info && !info->hidden) cache.MarkChanged();
}

}  // namespace

void ImageListController::LoadFiles(const std::vector<std::string>& paths) {
    std::vector<FolderImage> files;
    files.reserve(paths.size());
    for (const std::string& path : paths) files.push_back(FolderImage{path, {}});
    LoadFiles(files);
}

void ImageListController::LoadFiles(const std::vector<FolderImage>& files) {
    if (files.empty()) return;
    if (ctx_.settings.noConfirm == 0) ctx_.prompts.notice(kLoadNoticeText);

    const auto count = static_cast<int32_t>(files.size());
    std::vector<std::string> names;
    std::vector<EntryId> ids;
    for (int32_t i = 1; i <= count; ++i) {
        const FolderImage& file = files[static_cast<size_t>(i) - 1];
        if (i % kProgressEvery == 0 || i == count) ctx_.view.setStatus(LoadProgressText(i, count));
        (void)list_.AddEntry(file.path, "", true);
        ImageEntry* entry = list_.Entry(list_.CountEntries());
        names.push_back(entry->fileName);
        entry->stamp = entry->ownStamp = file.stamp;
        ids.push_back(entry->id);
    }
    ctx_.view.stripChangedFrom(1);
    // The status line let messages run: the user may have deleted entries meanwhile.
    if (const ImageEntry* last = list_.Entry(list_.CountEntries())) {
        const EntryId shown = last->id;
        Select(list_.CountEntries());
        ctx_.view.setFileName(last->fileName);
        // A screen-sized picture takes a noticeable time to decode: the window answers meanwhile,
        // and an entry the user chose meanwhile keeps the preview.
        const SharedImage image = ImageOf(shown, true);
        if (image && selected_ != 0 && selected_ == list_.PositionOf(shown)) ShowInPreview(image);
    }
    ctx_.view.stripScrollToEnd();
    ctx_.view.setStatus(kLoadDoneStatus);

    // The list is complete. Reading the cache of thousands of thumbnails takes longer than
    // listing the folder, so it comes now, away from the window where it can: the thumbnails it
    // knows fill in when it is read, the others are decoded.
    const std::string folder = ParentFolder(files.front().path) + "\\";
    const uint64_t load = ++loadGeneration_;
    if (ctx_.background == nullptr || ctx_.files == nullptr ||
        (cache_ && AsciiLower(folder) == AsciiLower(cacheFolder_))) {
        UseCacheOf(folder);
        QueueThumbnails(files, ids, names);
        return;
    }
    WriteCache();
    auto read = std::make_shared<ThumbnailCache>(ctx_.layout.thumbWidth, ctx_.layout.thumbHeight);
    ctx_.background->run([read, fs = ctx_.files, path = folder + kThumbnailCacheName] { ReadCache(*fs, path, *read); },
                         [this, read, load, folder, files, ids = std::move(ids), names = std::move(names)] {
                             // A later load, or the end, came first: the cache is read again where it is needed.
                             if (load != loadGeneration_) return;
                             if (!cache_ || AsciiLower(folder) != AsciiLower(cacheFolder_)) {
                                 WriteCache();
                                 cacheFolder_ = folder;
                                 cache_.emplace(std::move(*read));
                             }
                             QueueThumbnails(files, ids, names);
                         });
}

void ImageListController::QueueThumbnails(const std::vector<FolderImage>& files, const std::vector<EntryId>& ids,
                                          const std::vector<std::string>& names) {
    std::vector<ThumbnailJob> jobs;
    for (size_t i = 0; i < ids.size(); ++i) {
        ImageEntry* entry = list_.Entry(list_.PositionOf(ids[i]));
        if (entry == nullptr) continue;  // deleted while messages ran
        const FolderImage& file = files[i];
        // A file never stamped (no listing behind it) is never taken from the cache.
        std::optional<Image> known =
            file.stamp == FileStamp{} ? std::nullopt : cache_->Take(entry->fileName, file.stamp);
        if (known) {
            entry->thumbnail = std::move(*known);
        } else {
            pending_.emplace(entry->id, file);
            jobs.push_back(ThumbnailJob{entry->id, file.path});
        }
    }
    cache_->KeepOnly(names);
    ctx_.view.stripChangedFrom(1);
    ctx_.prompts.notice("");

    decodeTotal_ = static_cast<int32_t>(jobs.size());
    decodeDone_ = 0;
    unreadable_.clear();
    if (jobs.empty()) {
        ThumbnailsDone();
    } else if (ctx_.decoder != nullptr) {
        // The strip shows the end of the list: its panels come first, then those a user meets
        // scrolling back from there.
        std::reverse(jobs.begin(), jobs.end());
        ctx_.decoder->decode(std::move(jobs));
    } else {
        for (const ThumbnailJob& job : jobs) {
            DecodedThumbnail result{job.id, job.path, std::nullopt, 0, {}};
            ImageStore::ReadResult read = ctx_.store.read(job.path);
            try {
                if (read.image) result.thumbnail = MakeStripThumbnail(*read.image, ctx_.layout);
            } catch (const std::bad_alloc&) {
                read.description = "Out of memory";
            }
            result.errorNumber = read.errorNumber;
            result.description = read.description;
            result.tooLarge = read.tooLarge;
            ThumbnailDecoded(std::move(result));
        }
    }
}

void ImageListController::ThumbnailDecoded(DecodedThumbnail result) {
    const auto waiting = pending_.find(result.id);
    if (waiting == pending_.end()) return;
    const FolderImage file = waiting->second;
    pending_.erase(waiting);
    ++decodeDone_;
    // The entry may have been deleted meanwhile: nothing is left to show then.
    const int32_t position = list_.PositionOf(result.id);
    if (position != 0 && result.thumbnail && !result.thumbnail->Empty()) {
        ImageEntry* entry = list_.Entry(position);
        entry->thumbnail = std::move(*result.thumbnail);
        if (cache_ && file.stamp != FileStamp{}) cache_->Put(entry->fileName, file.stamp, entry->thumbnail);
        ctx_.view.stripChanged(position);
    } else if (position != 0) {
        // A file that cannot be read is not one of the list's images; the files after it are.
        int32_t first = 0;
        int32_t last = 0;
        (void)list_.RemoveIds({result.id}, first, last);
        ctx_.view.stripChangedFrom(position);
        if (selected_ == position && !waiting_) {
            // The file shown (the last, at start) is the one that failed: the entry now last takes
            // its place in the preview and the name boxes, as after a delete.
            selected_ = 0;
            if (list_.CountEntries() > 0) {
                ShowEntry(list_.CountEntries());
            } else {
                ctx_.view.setTexts("", "");
                Select(0);
            }
        } else if (selected_ >= position) {
            Select(selected_ > position ? selected_ - 1 : list_.CountEntries());
        }
        // A PNG that does not decode has always been passed over without a word; one too large to
        // hold is a picture all the same, and the user is told why it is not listed.
        if (!IsPngPath(file.path) || result.tooLarge) unreadable_.push_back(std::move(result));
    }
    if (decodeDone_ == 1 || decodeDone_ % kProgressEvery == 0 || pending_.empty())
        ctx_.view.setStatus(LoadProgressText(decodeDone_, decodeTotal_));
    if (pending_.empty()) ThumbnailsDone();
}

// Every thumbnail is in: the unreadable files are reported once, together, and the cache is
// written for the next start.
void ImageListController::ThumbnailsDone() {
    if (!unreadable_.empty()) {
        // Named in the list's order (ids grow with it), whatever order they were decoded in.
        std::sort(unreadable_.begin(), unreadable_.end(),
                  [](const DecodedThumbnail& a, const DecodedThumbnail& b) { return a.id < b.id; });
        std::string text;
        for (size_t i = 0; i < unreadable_.size() && i < kUnreadableNamed; ++i) {
            const DecodedThumbnail& failed = unreadable_[i];
            text.append(failed.path)
                .append(" の読み込みに失敗しました！\r\n")
                .append(std::to_string(failed.errorNumber))
                .append(" ")
                .append(failed.description)
                .append("\r\n");
        }
        if (unreadable_.size() > kUnreadableNamed)
            text.append("ほか ").append(std::to_string(unreadable_.size() - kUnreadableNamed)).append(" 件\r\n");
        unreadable_.clear();
        ctx_.prompts.message(text, kLoadFailureTitle);
    }
    if (decodeTotal_ > 0) ctx_.view.setStatus(kLoadDoneStatus);
    decodeTotal_ = 0;
    FinishThumbnails();
}

void ImageListController::FinishThumbnails() {
    ++loadGeneration_;
    if (!pending_.empty()) {
        if (ctx_.decoder != nullptr) ctx_.decoder->cancel();
        pending_.clear();
    }
    if (ctx_.files == nullptr) return;
    // Files saved since the load join the cache of their folder.
    for (auto& added : added_) {
        UseCacheOf(added.folder);
        cache_->Put(added.name, added.stamp, added.thumbnail);
    }
    added_.clear();
    WriteCache();
}

// Written whole or not at all; a folder that cannot take it only costs the next start time. The
// entries hold their thumbnails: the cache is not kept beside them.
void ImageListController::WriteCache() {
    if (cache_ && cache_->dirty() && ctx_.files != nullptr) {
        // The thumbnails the list took from the cache go back into it for the writing.
        for (int32_t position = 1; position <= list_.CountEntries(); ++position) {
            const ImageEntry* entry = list_.Entry(position);
            if (!entry->dropped && AsciiLower(ParentFolder(entry->fullPath) + "\\") == AsciiLower(cacheFolder_))
                cache_->Restore(entry->fileName, entry->stamp, entry->thumbnail);
        }
        // Serialising and writing tens of megabytes is done away from the window.
        auto written = std::make_shared<ThumbnailCache>(std::move(*cache_));
        const auto write = [written, fs = ctx_.files, path = cacheFolder_ + kThumbnailCacheName] {
            // Hidden, as the system's own thumbnail databases are: it is no picture of the user's.
            (void)fs->replaceFile(path, written->Serialize(), FileVisibility::Hidden);
        };
        if (ctx_.background != nullptr) {
            ctx_.background->run(write, {});
        } else {
            write();
        }
    }
    cache_.reset();
}

void ImageListController::UseCacheOf(const std::string& folder) {
    if (cache_ && AsciiLower(folder) == AsciiLower(cacheFolder_)) return;
    WriteCache();
    cacheFolder_ = folder;
    cache_.emplace(ctx_.layout.thumbWidth, ctx_.layout.thumbHeight);
    if (ctx_.files == nullptr) return;
    ReadCache(*ctx_.files, cacheFolder_ + kThumbnailCacheName, *cache_);
}

std::optional<FileStamp> ImageListController::StampOf(const std::string& path) const {
    if (ctx_.files == nullptr) return std::nullopt;
    const std::vector<ListedFile> listed = ctx_.files->listFiles(path);
    if (listed.size() != 1 || listed.front().info.folder) return std::nullopt;
    return listed.front().stamp;
}

// Only files of the save folder are cached: that is the folder whose files are listed at start.
void ImageListController::RememberThumbnail(const ImageEntry& entry) {
    const std::string folder = ParentFolder(entry.fullPath) + "\\";
    if (entry.stamp == FileStamp{} || entry.dropped ||
        AsciiLower(folder) != AsciiLower(SaveFolderOf(ctx_.settings, ctx_.paths) + "\\"))
        return;
    added_.push_back({folder, entry.fileName, entry.stamp, entry.thumbnail});
}

}  // namespace tessarin
