#include "core/imagelist/image_list.h"

#include <algorithm>
#include <unordered_set>

#include "core/text/paths.h"

namespace tessarin {

int32_t ImageList::SlotOfEntry(int32_t position) const {
    const ImageEntry* entry = Entry(position);
    return entry ? entry->slot : -1;
}

int32_t ImageList::PositionOfSlot(int32_t slot) const {
    if (slot < 1 || slot > SlotCount() || slotTable_[static_cast<size_t>(slot)] == 0) return 0;
    const auto it =
        std::find_if(entries_.begin(), entries_.end(), [slot](const ImageEntry& e) { return e.slot == slot; });
    return it == entries_.end() ? 0 : static_cast<int32_t>(it - entries_.begin()) + 1;
}

int32_t ImageList::AddEntry(std::string_view path, std::string_view windowText, bool saved) {
    int32_t slot = 0;
    if (freeSlots_.empty()) {
        slot = static_cast<int32_t>(slotTable_.size());
        slotTable_.push_back(slot);
    } else {
        slot = *freeSlots_.begin();
        freeSlots_.erase(freeSlots_.begin());
        slotTable_[static_cast<size_t>(slot)] = slot;
    }
    ImageEntry entry;
    entry.id = nextId_++;
    entry.slot = slot;
    entry.fileName = FileNameOf(path);
    entry.fullPath = std::string(path);
    entry.windowText = std::string(windowText);
    entry.saved = saved;
    entries_.push_back(std::move(entry));
    return slot;
}

// Entries are only ever appended with a new, larger id and removed, never reordered: the ids
// ascend along the positions, and thousands of thumbnails arriving one by one each find their
// entry without a walk through the list.
int32_t ImageList::PositionOf(EntryId id) const {
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                                     [](const ImageEntry& e, EntryId wanted) { return e.id < wanted; });
    return it == entries_.end() || it->id != id ? 0 : static_cast<int32_t>(it - entries_.begin()) + 1;
}

std::optional<ImageEntry> ImageList::RemoveEntry(int32_t position) {
    if (!Entry(position)) return std::nullopt;
    const auto it = entries_.begin() + (position - 1);
    ImageEntry removed = std::move(*it);
    entries_.erase(it);
    slotTable_[static_cast<size_t>(removed.slot)] = 0;
    freeSlots_.insert(removed.slot);
    return removed;
}

std::vector<ImageEntry> ImageList::RemoveIds(const std::vector<EntryId>& ids, int32_t& firstPosition,
                                             int32_t& lastPosition) {
    const std::unordered_set<EntryId> doomed(ids.begin(), ids.end());
    std::vector<ImageEntry> removed;
    std::vector<ImageEntry> kept;
    kept.reserve(entries_.size());
    firstPosition = 0;
    lastPosition = 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (doomed.count(entries_[i].id) == 0) {
            kept.push_back(std::move(entries_[i]));
            continue;
        }
        const auto position = static_cast<int32_t>(i) + 1;
        if (firstPosition == 0) firstPosition = position;
        // Every removal before it moved it one place to the left.
        lastPosition = position - static_cast<int32_t>(removed.size());
        slotTable_[static_cast<size_t>(entries_[i].slot)] = 0;
        freeSlots_.insert(entries_[i].slot);
        removed.push_back(std::move(entries_[i]));
    }
    entries_ = std::move(kept);
    return removed;
}

const ImageEntry* ImageList::Entry(int32_t position) const {
    if (position < 1 || position > CountEntries()) return nullptr;
    return &entries_[static_cast<size_t>(position - 1)];
}

ImageEntry* ImageList::Entry(int32_t position) {
    return const_cast<ImageEntry*>(static_cast<const ImageList&>(*this).Entry(position));
}

std::string EntryCaption(int32_t position) { return std::to_string(position); }

int32_t SelectionAfterDelete(int32_t removed, int32_t remaining) {
    if (remaining < 1) return 0;
    return std::clamp(removed, 1, remaining);
}

}  // namespace tessarin
