#pragma once
// What the image list asks of the system and of the main window. Texts are UTF-8; positions
// are 1..N as the user sees them.

#include <cstdint>
#include <optional>
#include <string>

#include "core/imagelist/image.h"

namespace tessarin {

struct SavePlan;

// Image files: reading an entry's file, writing a save, removing a deleted entry's file and
// writing thumbnail files.
class ImageStore {
public:
    virtual ~ImageStore() = default;
    struct ReadResult {
        SharedImage image;  // null when the file could not be read
        long errorNumber = 0;
        std::string description;  // why not, for the loader's message
        bool tooLarge = false;    // a picture beyond what the program can hold, never decoded
    };
    // The one call a worker may make: it keeps nothing between calls, and the libraries it
    // reads with are loaded when the store is made.
    [[nodiscard]] virtual ReadResult read(const std::string& path) const = 0;
    // Writes the bitmap file of the plan and, for another format, converts it and removes the
    // bitmap. Files are only ever created new (unless the plan may replace its target): a name
    // another program took since it was chosen is NameTaken, and nothing is written.
    enum class WriteOutcome { Written, NameTaken, Failed };
    [[nodiscard]] virtual WriteOutcome write(const Image& image, const SavePlan& plan) = 0;
    [[nodiscard]] virtual bool isFile(const std::string& path) const = 0;
    virtual void remove(const std::string& path) = 0;
    virtual bool createFolder(const std::string& path) = 0;
    enum class ThumbnailOutcome { Scaled, Copied, ScaleFailed, NotWritten };
    // Width and height become the size of the file written.
    [[nodiscard]] virtual ThumbnailOutcome writeThumbnail(const Image& image, const std::string& target, int32_t& width,
                                                          int32_t& height, bool isStatic) = 0;
    // Explorer on a folder.
    virtual void openFolder(const std::string& folder) = 0;
    // Whether the codec library is there to save with.
    [[nodiscard]] virtual bool canSave() const = 0;
};

// The user's answers.
class ListPrompts {
public:
    virtual ~ListPrompts() = default;
    // A message box with OK only.
    virtual void message(const std::string& text, const std::string& title) = 0;
    // OK and Cancel: true for OK.
    [[nodiscard]] virtual bool confirm(const std::string& text, const std::string& title) = 0;
    enum class Answer { Yes, No, Cancel };
    [[nodiscard]] virtual Answer yesNoCancel(const std::string& text, const std::string& title) = 0;
    // The save dialog; "" when cancelled. The filter index is 1-based, 0 for the first.
    [[nodiscard]] virtual std::string saveDialog(const std::string& defaultName, int32_t filterIndex,
                                                 const std::string& initialFolder) = 0;
    // The folder a save dialog starts in for Save as (the desktop).
    [[nodiscard]] virtual std::string desktopFolder() const = 0;
    // The notice window; "" closes it.
    virtual void notice(const std::string& text) = 0;
};

// What the strip draws: the list as it is now.
class StripModel {
public:
    virtual ~StripModel() = default;
    [[nodiscard]] virtual int32_t Count() const = 0;
    // Null for a position outside 1..Count().
    [[nodiscard]] virtual const Image* Thumbnail(int32_t position) const = 0;
    // A saved entry's caption is blue.
    [[nodiscard]] virtual bool Saved(int32_t position) const = 0;
    // The highlighted position; 0 or -1 for none.
    [[nodiscard]] virtual int32_t Selected() const = 0;
};

// The strip, the preview and the text boxes of the main window. The strip draws what
// StripModel gives it; the list tells it what changed.
class ListView {
public:
    virtual ~ListView() = default;
    // Entries from `position` on are new, gone or renumbered.
    virtual void stripChangedFrom(int32_t position) = 0;
    virtual void stripChanged(int32_t position) = 0;
    virtual void stripScrollToEnd() = 0;
    // One small scroll step towards a panel that sticks out of view.
    virtual void stripEnsureVisible(int32_t position) = 0;
    // The selection moved (the strip repaints the panels around it).
    virtual void selectionChanged(int32_t position, int32_t slot) = 0;
    // The preview shows this image (null: empty), laid out from its top-left corner.
    virtual void showPreview(const SharedImage& image) = 0;
    virtual void setTexts(const std::string& fileName, const std::string& winText) = 0;
    virtual void setFileName(const std::string& fileName) = 0;
    // What the file-name box shows now (the user may have typed a name).
    [[nodiscard]] virtual std::string fileName() const = 0;
    // The status line and the shared record (lets messages run).
    virtual void setStatus(const std::string& text) = 0;
    // The status line only, not published.
    virtual void showStatus(const std::string& text) = 0;
    // The pointer leaves the strip, so hovering does not take the selection back.
    virtual void parkPointer() = 0;
    virtual void processPendingMessages() = 0;
    // Waits with messages flowing.
    virtual void pause(int milliseconds) = 0;
    virtual void sleep(int milliseconds) = 0;
    // The edit menu at the pointer.
    virtual void showEditMenu() = 0;
};

// The system clipboard, one attempt per call; the retries are the list's.
class ImageClipboard {
public:
    virtual ~ImageClipboard() = default;
    [[nodiscard]] virtual bool empty() = 0;
    [[nodiscard]] virtual bool setImage(const Image& image) = 0;
};

// An OLE drag of a bitmap, copy effect only; returns when the drag has ended.
class DragSource {
public:
    virtual ~DragSource() = default;
    virtual void dragImage(const Image& image) = 0;
};

}  // namespace tessarin
