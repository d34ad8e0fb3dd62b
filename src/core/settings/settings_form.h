#pragma once
// The settings dialog's state while it is open: the record copied into it, which groups show
// with each choice, what may be typed where, the checks at Ok and the record written back.
// The dialog window only mirrors this state and reports edits to it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ports/codepage.h"
#include "core/run/target_kind.h"
#include "core/settings/settings.h"
#include "core/text/paths.h"

namespace tessarin {

inline constexpr int kSaveFormatCount = 4;

enum class FormCheck {
    NoMouse,
    CopyToClipboard,
    CaptureSound,
    LoadFiles,
    AutoStart,
    Download,
    AutoListing,
    Space,
    NoConfirm,
    Minimize,
    ThumbnailStatic,
    Hosei,
    Size,
    Shift,
};
inline constexpr int kFormCheckCount = static_cast<int>(FormCheck::Shift) + 1;

enum class FormText {
    ClassName,
    SaveFolder,
    ThumbnailWidth,
    ThumbnailHeight,
    HoseiLeft,
    HoseiTop,
    HoseiWidth,
    HoseiHeight,
    SizeWidth,
    SizeHeight,
    ShiftX,
    ShiftY,
};
inline constexpr int kFormTextCount = static_cast<int>(FormText::ShiftY) + 1;

// The two capture-key boxes.
enum class FormKey { Copy, Rect };

// What shows and what can be used, derived from the state.
struct FormLook {
    bool classFrame = false;   // the class name: only for the class target
    bool hoseiGroup = false;   // range correction: only for the class target
    bool sizeGroup = false;    // fixed size: only for the part target
    bool hoseiFields = false;  // the four correction numbers: correction checked
    bool sizeFields = false;   // the two size numbers: fixed size checked
    bool shiftFields = false;  // the two shift numbers: shift checked
    bool spaceEnabled = true;  // Space adds and automatic listing exclude each other
    bool autoListingEnabled = true;
    friend bool operator==(const FormLook&, const FormLook&) = default;
};

// A message box the dialog shows, and the box that gets the focus after it.
struct FormMessage {
    std::string text;
    std::string title;
    FormText focus = FormText::ClassName;
    friend bool operator==(const FormMessage&, const FormMessage&) = default;
};

inline constexpr const char* kSettingsTitle = "設定";
inline constexpr const char* kFolderChooserTitle = "保存フォルダの指定";

class SettingsForm {
public:
    // The record is read when the dialog loads and written at Ok; the shift values are
    // written as they are edited.
    SettingsForm(Settings& settings, const PathContext& paths, const NarrowCodePage& codePage);

    [[nodiscard]] int32_t pos() const { return pos_; }  // -1: no target chosen
    [[nodiscard]] int32_t saveFormat() const { return saveFormat_; }
    [[nodiscard]] bool check(FormCheck c) const { return checks_[static_cast<size_t>(c)]; }
    [[nodiscard]] const std::string& text(FormText t) const { return texts_[static_cast<size_t>(t)]; }
    [[nodiscard]] const std::string& key(FormKey k) const { return k == FormKey::Copy ? hotkeyCopy_ : hotkeyRect_; }
    // The entries of a key box: the offered keys, and a key from the file that is not one of
    // them, so that it shows and survives an Ok.
    [[nodiscard]] std::vector<std::string> KeyChoices(FormKey k) const;
    [[nodiscard]] FormLook Look() const;

    void ChooseTarget(int32_t index);
    void ChooseFormat(int32_t index);
    void SetCheck(FormCheck c, bool on);
    void SetText(FormText t, std::string value);
    void SetKey(FormKey k, std::string value);

    // Whether a typed character may go into a box; editing keys (Backspace, Ctrl+V ...) always may.
    [[nodiscard]] static bool Accepts(FormText t, char32_t typed);
    // The focus leaves a thumbnail size box: a size of 0 or less keeps it there.
    [[nodiscard]] std::optional<FormMessage> LeaveThumbnail(FormText t) const;
    // The focus leaves a shift box: both shift values are stored at once.
    void LeaveShift();

    // Where the folder chooser opens, and what a chosen folder becomes in the box.
    [[nodiscard]] std::string FolderChooserStart() const;
    void FolderChosen(std::string_view folder);

    // Ok: a message when something must be corrected first (nothing is stored then);
    // otherwise the record takes the dialog's values and nothing is returned.
    [[nodiscard]] std::optional<FormMessage> Ok();

private:
    [[nodiscard]] std::optional<FormMessage> Check() const;
    [[nodiscard]] bool Narrowable(std::string_view text) const;

    Settings& settings_;
    const PathContext& paths_;
    const NarrowCodePage& codePage_;
    int32_t pos_ = 0;
    int32_t saveFormat_ = 0;
    std::array<bool, kFormCheckCount> checks_{};
    std::array<std::string, kFormTextCount> texts_;
    std::string hotkeyCopy_;
    std::string hotkeyRect_;
    bool loadFilesShown_ = false;  // "load files" as the box first showed it
};

}  // namespace tessarin
