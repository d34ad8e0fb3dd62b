#include "core/settings/settings_form.h"

#include <algorithm>
#include <utility>

#include "core/text/text.h"

namespace tessarin {

namespace {

constexpr const char* kInvalidInput = "入力不正";
constexpr const char* kClassNameMissing = "クラス名が未入力です。";
constexpr const char* kClassNameEquals = "クラス名に「=」は使えません。";
constexpr const char* kClassNameChars = "クラス名に、このシステムの文字コードで保存できない文字があります。";
constexpr const char* kInvalidSize = "サイズ不正";
constexpr const char* kSizeNotPositive = "サイズは０より大きい値を入力して下さい！";
constexpr const char* kFolderMissing = "保存先フォルダが見つかりません。";
constexpr const char* kFolderChars = "保存先に、このシステムの文字コードで保存できない文字があります。";
constexpr const char* kFolderEquals = "保存先のフォルダ名に「=」は使えません。";

constexpr std::array<const char*, 7> kCopyKeys = {"A", "B", "C", "D", "E", "F", "G"};
constexpr std::array<const char*, 2> kRectKeys = {"Shift", "Alt"};

constexpr int32_t kTargetClass = 2;
constexpr int32_t kTargetPart = 1;

bool On(int32_t value) { return value == 1; }
int32_t Flag(bool on) { return on ? 1 : 0; }

size_t Index(FormText t) { return static_cast<size_t>(t); }

// The on/off settings behind the check boxes and the numbers behind the number boxes: read
// into the form when it opens and written back at Ok by the same tables. ("load files" is a
// text and "shift" is stored as it is clicked; both are handled apart.)
constexpr std::pair<FormCheck, int32_t Settings::*> kCheckFields[] = {
    {FormCheck::NoMouse, &Settings::noMouse},
    {FormCheck::CopyToClipboard, &Settings::copyToClipboard},
    {FormCheck::CaptureSound, &Settings::captureSound},
    {FormCheck::AutoStart, &Settings::autoStart},
    {FormCheck::Download, &Settings::imgDownload},
    {FormCheck::AutoListing, &Settings::autoListing},
    {FormCheck::Space, &Settings::space},
    {FormCheck::NoConfirm, &Settings::noConfirm},
    {FormCheck::Minimize, &Settings::minimize},
    {FormCheck::Hosei, &Settings::hosei},
    {FormCheck::Size, &Settings::size},
    {FormCheck::ThumbnailStatic, &Settings::thumbnailStatic},
};
constexpr std::pair<FormText, int32_t Settings::*> kNumberFields[] = {
    {FormText::HoseiLeft, &Settings::hoseiLeft},           {FormText::HoseiTop, &Settings::hoseiTop},
    {FormText::HoseiWidth, &Settings::hoseiWidth},         {FormText::HoseiHeight, &Settings::hoseiHeight},
    {FormText::SizeWidth, &Settings::sizeWidth},           {FormText::SizeHeight, &Settings::sizeHeight},
    {FormText::ThumbnailWidth, &Settings::thumbnailWidth}, {FormText::ThumbnailHeight, &Settings::thumbnailHeight},
};

}  // namespace

SettingsForm::SettingsForm(Settings& settings, const PathContext& paths, const NarrowCodePage& codePage)
    : settings_(settings), paths_(paths), codePage_(codePage) {
    const Settings& s = settings_;
    for (const auto& [c, field] : kCheckFields) checks_[static_cast<size_t>(c)] = On(s.*field);
    checks_[static_cast<size_t>(FormCheck::LoadFiles)] = LeadingNumber(s.loadFiles) == 1.0;
    checks_[static_cast<size_t>(FormCheck::Shift)] = On(s.shift);
    loadFilesShown_ = check(FormCheck::LoadFiles);
    saveFormat_ = std::clamp(s.saveFileFormat, 0, kSaveFormatCount - 1);
    // A save folder that is gone shows empty: Ok then stores the program folder.
    std::string base = paths_.programFolder;
    const auto folder = paths_.fs.stat(Unquote(AbsolutePath(s.saveFolderPath, base, paths_)));
    if (folder && folder->folder) texts_[Index(FormText::SaveFolder)] = s.saveFolderPath;
    texts_[Index(FormText::ClassName)] = s.className;
    hotkeyCopy_ = s.hotkeyCopy;
    hotkeyRect_ = s.hotkeyRect;
    for (const auto& [t, field] : kNumberFields) texts_[Index(t)] = std::to_string(s.*field);
    texts_[Index(FormText::ShiftX)] = std::to_string(s.shiftX);
    texts_[Index(FormText::ShiftY)] = std::to_string(s.shiftY);
    // A target outside the buttons chooses none of them.
    pos_ = s.pos >= 0 && s.pos < kTargetKindCount ? s.pos : -1;
}

std::vector<std::string> SettingsForm::KeyChoices(FormKey k) const {
    std::vector<std::string> choices;
    if (k == FormKey::Copy) {
        choices.assign(kCopyKeys.begin(), kCopyKeys.end());
    } else {
        choices.assign(kRectKeys.begin(), kRectKeys.end());
    }
    if (std::find(choices.begin(), choices.end(), key(k)) == choices.end()) choices.push_back(key(k));
    return choices;
}

FormLook SettingsForm::Look() const {
    FormLook look;
    look.classFrame = pos_ == kTargetClass;
    look.hoseiGroup = pos_ == kTargetClass;
    look.sizeGroup = pos_ == kTargetPart;
    look.hoseiFields = check(FormCheck::Hosei);
    look.sizeFields = check(FormCheck::Size);
    look.shiftFields = check(FormCheck::Shift);
    // A record with both on opens with both boxes checked and both disabled.
    look.spaceEnabled = !check(FormCheck::AutoListing);
    look.autoListingEnabled = !check(FormCheck::Space);
    return look;
}

void SettingsForm::ChooseTarget(int32_t index) {
    if (index >= 0 && index < kTargetKindCount) pos_ = index;
}

void SettingsForm::ChooseFormat(int32_t index) {
    if (index >= 0 && index < kSaveFormatCount) saveFormat_ = index;
}

void SettingsForm::SetCheck(FormCheck c, bool on) {
    checks_[static_cast<size_t>(c)] = on;
    if (c == FormCheck::Shift) settings_.shift = Flag(on);
}

void SettingsForm::SetText(FormText t, std::string value) { texts_[Index(t)] = std::move(value); }

void SettingsForm::SetKey(FormKey k, std::string value) {
    (k == FormKey::Copy ? hotkeyCopy_ : hotkeyRect_) = std::move(value);
}

bool SettingsForm::Accepts(FormText t, char32_t typed) {
    if (typed < U' ' || typed == 0x7F) return true;
    const bool digit = typed >= U'0' && typed <= U'9';
    switch (t) {
        case FormText::HoseiLeft:
        case FormText::HoseiTop:
        case FormText::HoseiWidth:
        case FormText::HoseiHeight:
        case FormText::ShiftX:
        case FormText::ShiftY:
            return digit || typed == U'-';
        case FormText::ThumbnailWidth:
        case FormText::ThumbnailHeight:
            return digit;
        default:
            return true;
    }
}

// The size that Ok would store decides, not the text: a pasted "0.4" is no size either.
std::optional<FormMessage> SettingsForm::LeaveThumbnail(FormText t) const {
    if (LeadingInt32(text(t)) > 0) return std::nullopt;
    return FormMessage{kSizeNotPositive, kInvalidSize, t};
}

void SettingsForm::LeaveShift() {
    settings_.shiftX = LeadingInt32(text(FormText::ShiftX));
    settings_.shiftY = LeadingInt32(text(FormText::ShiftY));
}

std::string SettingsForm::FolderChooserStart() const {
    std::string base = paths_.programFolder;
    return Unquote(AbsolutePath(text(FormText::SaveFolder), base, paths_));
}

void SettingsForm::FolderChosen(std::string_view folder) {
    if (!folder.empty()) SetText(FormText::SaveFolder, RelativePath(folder, paths_.programFolder, paths_.fs));
}

// "conf.txt" is written in the narrow code page: a text it cannot hold would come back as
// question marks, a folder that is not there or a class that never matches.
bool SettingsForm::Narrowable(std::string_view text) const {
    return codePage_.toUtf8(codePage_.fromUtf8(text)) == text;
}

std::optional<FormMessage> SettingsForm::Check() const {
    for (const FormText t : {FormText::ThumbnailWidth, FormText::ThumbnailHeight})
        if (auto message = LeaveThumbnail(t)) return message;
    const std::string& className = text(FormText::ClassName);
    if (pos_ == kTargetClass && className.empty()) return FormMessage{kClassNameMissing, kInvalidInput};
    // A line of "conf.txt" is split at its first "=": the name would be cut there at the next start.
    if (className.find('=') != std::string::npos) return FormMessage{kClassNameEquals, kInvalidInput};
    if (!Narrowable(className)) return FormMessage{kClassNameChars, kInvalidInput};
    const std::string& folder = text(FormText::SaveFolder);
    // The same for the folder: cut at its "=", the next start would save into "data" instead,
    // and closing would write "data" over the user's choice.
    if (folder.find('=') != std::string::npos) return FormMessage{kFolderEquals, kInvalidInput, FormText::SaveFolder};
    if (!folder.empty()) {
        const auto info = paths_.fs.stat(FolderChooserStart());
        if (!info || !info->folder) return FormMessage{kFolderMissing, kInvalidInput, FormText::SaveFolder};
        if (!Narrowable(folder)) return FormMessage{kFolderChars, kInvalidInput, FormText::SaveFolder};
    }
    return std::nullopt;
}

std::optional<FormMessage> SettingsForm::Ok() {
    if (auto message = Check()) return message;
    Settings& s = settings_;
    for (const auto& [c, field] : kCheckFields) s.*field = Flag(check(c));
    for (const auto& [t, field] : kNumberFields) s.*field = LeadingInt32(text(t));
    s.saveFileFormat = saveFormat_;
    const std::string& folder = text(FormText::SaveFolder);
    s.saveFolderPath = AsciiLower(folder) == AsciiLower(paths_.programFolder)
                           ? std::string()
                           : RelativePath(folder, paths_.programFolder, paths_.fs);
    // A text that is no number (written by hand) stays as it is unless the box was changed.
    if (check(FormCheck::LoadFiles) != loadFilesShown_) s.loadFiles = check(FormCheck::LoadFiles) ? "1" : "0";
    s.hotkeyCopy = hotkeyCopy_;
    s.hotkeyRect = hotkeyRect_;
    if (pos_ >= 0) s.pos = pos_;
    s.className = text(FormText::ClassName);
    return std::nullopt;
}

}  // namespace tessarin
