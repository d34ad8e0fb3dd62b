#pragma once
// The image list: entry records addressed by position (1..N, always contiguous) and the slot
// table that gives each living entry a display number that never changes while it lives.
// Slots are reused lowest first, so slot and position differ after a deletion; nothing may
// assume they are equal.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/imagelist/image.h"
#include "core/journal/journal_file.h"
#include "core/ports/filesystem.h"

namespace tessarin {

// Names an entry for as long as it lives; never reused. Commands that let messages run hold
// an id, not a position: a deletion meanwhile moves positions but never changes an id.
using EntryId = uint64_t;

struct ImageEntry {
    EntryId id = 0;
    int32_t slot = 0;
    std::string fileName;    // the part of fullPath after its last "\"
    std::string fullPath;    // where the image was or will be saved
    std::string windowText;  // text of the captured window
    bool saved = false;      // the image exists on disk under fullPath
    SharedImage held;        // the full image while it has no file of its own
    Image thumbnail;         // what the strip shows
    FileStamp stamp;         // the version of the file the thumbnail shows; unknown when zero
    // The version of the file as this entry wrote or first read it: only that file is the
    // entry's to delete. Unknown when zero.
    FileStamp ownStamp;
    bool dropped = false;  // the strip shows a picture dropped onto it, not the file's
    // Its copy in the capture journal while it is unsaved; the pixels are read from there once it
    // is written. 0 for none.
    JournalKey journal = 0;
};

class ImageList {
public:
    [[nodiscard]] int32_t CountEntries() const { return static_cast<int32_t>(entries_.size()); }
    // -1 for a position outside 1..N.
    [[nodiscard]] int32_t SlotOfEntry(int32_t position) const;
    // 0 when no living entry holds the slot.
    [[nodiscard]] int32_t PositionOfSlot(int32_t slot) const;
    // The highest slot number ever handed out (slots never shrink).
    [[nodiscard]] int32_t SlotCount() const { return static_cast<int32_t>(slotTable_.size()) - 1; }

    // Appends an entry at position N + 1 and returns its slot.
    int32_t AddEntry(std::string_view path, std::string_view windowText, bool saved);
    // The id of the entry added last.
    [[nodiscard]] EntryId LastId() const { return nextId_ - 1; }
    // 0 when no living entry has the id.
    [[nodiscard]] int32_t PositionOf(EntryId id) const;
    // Removes the entry at a position and frees its slot; later entries move up by one.
    // A position outside 1..N changes nothing. The removed record is handed back so that the
    // caller can delete its file.
    std::optional<ImageEntry> RemoveEntry(int32_t position);
    // Removes every living entry whose id is listed, in one pass, and hands them back in
    // position order. `firstPosition` becomes the lowest position among them (0 when none lived)
    // and `lastPosition` the position the last of them would have had, were they removed one
    // after another from the left.
    std::vector<ImageEntry> RemoveIds(const std::vector<EntryId>& ids, int32_t& firstPosition, int32_t& lastPosition);

    // nullptr for a position outside 1..N.
    [[nodiscard]] const ImageEntry* Entry(int32_t position) const;
    [[nodiscard]] ImageEntry* Entry(int32_t position);

private:
    std::vector<ImageEntry> entries_;    // position p at index p - 1
    std::vector<int32_t> slotTable_{0};  // element k holds k while slot k is in use, else 0
    std::set<int32_t> freeSlots_;        // free slots below the top, for lowest-first reuse
    EntryId nextId_ = 1;
};

// The panel caption of an entry: its position as decimal text.
[[nodiscard]] std::string EntryCaption(int32_t position);

// The position selected after the entry at `removed` was deleted and `remaining` entries are
// left: the entry that moved into its place, else the new last one, else 0 (the list is empty
// and the preview and both text boxes are cleared).
[[nodiscard]] int32_t SelectionAfterDelete(int32_t removed, int32_t remaining);

}  // namespace tessarin
