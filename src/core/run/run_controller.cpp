#include "core/run/run_controller.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/capture/dispatcher.h"
#include "core/run/target_kind.h"

namespace tessarin {

namespace {

constexpr int32_t kVkSpace = 32;
constexpr int32_t kVkEscape = 27;
constexpr int32_t kVkLeft = 37;
constexpr int32_t kVkRight = 39;
constexpr int32_t kVkSnapshot = 44;
constexpr int32_t kVkDelete = 46;
constexpr int32_t kVkS = 83;

constexpr std::string_view kEscMark = "esc";

int32_t Twips(int32_t pixels, int32_t twipsPerPixel) {
    const int64_t twips = static_cast<int64_t>(pixels) * twipsPerPixel;
    return static_cast<int32_t>(std::clamp<int64_t>(twips, INT32_MIN, INT32_MAX));
}

bool IsMarker(std::string_view result) { return result == kCaptureError || result == kCaptureCancel; }

}  // namespace

std::string SoundFilePath(std::string_view name, const Settings& settings, const CommandLineFlags& flags,
                          const PathContext& paths, std::string_view windowsFolder) {
    if (settings.captureSound != 1 && flags.sound != 1) return {};
    std::string path = paths.programFolder + "\\" + std::string(name);
    if (!FileExists(path, paths)) path = std::string(windowsFolder) + "\\media\\" + std::string(name);
    return FileExists(path, paths) ? path : std::string();
}

RunController::RunController(RunContext context)
    : ctx_(std::move(context)),
      overlay_(ctx_.overlay, ctx_.desktop.osPlatformId() >= 2, ctx_.twipsPerPixelX, ctx_.twipsPerPixelY) {}

void RunController::SampleBaseline() { (void)SampleInput(sampler_, table_, ctx_.keyNames, ctx_.keys, true); }

void RunController::SetClosing(bool closing) {
    if (closing_ && !closing) SampleBaseline();
    closing_ = closing;
}

void RunController::SetScale(int32_t twipsPerPixelX, int32_t twipsPerPixelY) {
    ctx_.twipsPerPixelX = twipsPerPixelX;
    ctx_.twipsPerPixelY = twipsPerPixelY;
    overlay_.SetScale(twipsPerPixelX, twipsPerPixelY);
}

bool RunController::Tick() {
    sawActivity_ = false;
    const bool wasActive = runActive_;
    const std::string stateBefore = runState_;
    if (runActive_) {
        RunPass();
    } else {
        IdleTick();
    }
    return sawActivity_ || runActive_ != wasActive || runState_ != stateBefore;
}

void RunController::NoteSample(const std::string& event, Point pointerBefore) {
    const bool held = std::any_of(table_.current.begin() + 1, table_.current.end(), [](int32_t s) { return s == 1; });
    sawActivity_ = sawActivity_ || (event != "MV" && !event.empty()) || sampler_.pointer != pointerBefore || held ||
                   overlay_.mode() == kRangeDrawing;
}

// Starting only sets the run up; the passes come from the ticks.
void RunController::cmdGo_Click() {
    if (runState_ != kRunIdle || runActive_ || starting_ || closing_) return;
    // The messages processed below may click the start button a second time.
    starting_ = true;
    // No pass may run between the steps of the start, even from the ticks those messages bring.
    const bool wasBusy = std::exchange(busy_, true);
    idleTimerEnabled_ = false;
    ctx_.host.processPendingMessages();
    ctx_.host.ShowMessageFrame(1, false);
    runState_ = kRunGo;
    runActive_ = true;
    ctx_.host.setGoEnabled(false);
    if (ctx_.settings.minimize == 1) ctx_.host.minimise();
    overlay_.Load();
    ctx_.host.SetStatus(std::string(kRunGo));
    PlayStartSound();
    busy_ = wasBusy;
    starting_ = false;
}

void RunController::cmdStop_Click() {
    runState_ = kRunIdle;
    ctx_.host.ShowMessageFrame(0, false);
}

void RunController::RunPass() {
    if (busy_ || !runActive_ || runState_ == kRunSetting || closing_) return;
    if (runState_ == kRunGo) {
        busy_ = true;
        PassBody();
        busy_ = false;
    }
    if (runActive_ && runState_ != kRunGo && runState_ != kRunSetting) EndRun();
}

void RunController::PassBody() {
    const Point pointerBefore = sampler_.pointer;
    const std::string event = SampleInput(sampler_, table_, ctx_.keyNames, ctx_.keys, false);
    NoteSample(event, pointerBefore);
    pointerTwips_ =
        Point{Twips(sampler_.pointer.x, ctx_.twipsPerPixelX), Twips(sampler_.pointer.y, ctx_.twipsPerPixelY)};
    keyFlags_ = KeyFlagsOfSample(table_);
    const WindowId foreground = ctx_.desktop.foregroundWindow();
    NoteForeground(foreground);

    bool marker = false;
    if (event == "MV") {
        if (overlay_.mode() == kRangeDrawing) overlay_.Move(pointerTwips_);
    } else if (event == "LEFT_DOWN") {
        overlay_.Init();
        // A press on the program's own window belongs to its handlers (a thumbnail copied to
        // the clipboard reports that on the status line): the pass does not blank what they show.
        if (!OverMainWindow(sampler_.pointer)) ctx_.host.SetStatus("");
    } else if (event == "KEY_DOWN") {
        ctx_.host.SetStatus("");
        marker = KeyDown(sampler_.keyCode, foreground);
    } else if (event == "KEY_UP") {
        KeyUp(sampler_.keyCode);
    }

    PanelSample sample;
    sample.event = event;
    sample.keyCode = sampler_.keyCode;
    sample.rangeMode = overlay_.mode();
    sample.captureMarker = marker;
    sample.pointer =
        Point{PixelsOfTwips(pointerTwips_.x, ctx_.twipsPerPixelX), PixelsOfTwips(pointerTwips_.y, ctx_.twipsPerPixelY)};
    sample.pointWindow = ctx_.desktop.windowFromPoint(sample.pointer);
    sample.overlayWindow = overlay_.windowId();
    sample.foregroundWindow = ctx_.desktop.foregroundWindow();
    sample.foregroundPrivileged = sample.foregroundWindow == foreground_ && foregroundPrivileged_;
    sample.pictureWidth = ctx_.host.pictureWidth();
    sample.pictureHeight = ctx_.host.pictureHeight();
    UpdatePanelTexts(panel_, sample);
    ctx_.host.showPanel(panel_);
    ctx_.host.processPendingMessages();
}

// Keys typed while an administrator's window is in front never reach us, so Ctrl+C there does
// nothing: the status line says why, once each time such a window comes to the front. Asked only
// when the front window changes, as the question goes to another process.
void RunController::NoteForeground(WindowId foreground) {
    if (foreground == foreground_) return;
    foreground_ = foreground;
    const bool privileged = foreground != 0 && ctx_.desktop.morePrivileged(foreground);
    if (privileged) ctx_.host.SetStatus(std::string(kPrivilegedForegroundStatus));
    foregroundPrivileged_ = privileged;
}

// The capture keys are looked up at every event, so a key changed in the settings dialog
// applies from the next event on.
bool RunController::KeyDown(int32_t code, WindowId foreground) {
    const int32_t rangeKey = KeyCodeOfName(ctx_.settings.hotkeyRect, ctx_.codePage);
    const int32_t captureKey = KeyCodeOfName(ctx_.settings.hotkeyCopy, ctx_.codePage);
    const bool ctrl = keyFlags_.ctrl == 1;
    if (code == rangeKey) {
        overlay_.Init();
        overlay_.Start(pointerTwips_);
        // A new range discards a capture that waits to be added, and the button goes with it.
        if (ctx_.list.CaptureWaiting()) {
            ctx_.list.DiscardWaitingCapture();
            ctx_.host.setAddEnabled(false);
        }
    } else if (code == captureKey) {
        if (ctrl) return CaptureStep();
    } else if (code == kVkS && ctrl) {
        ctx_.list.mnuSave_Click();
    } else if (code == kVkEscape) {
        if (ctx_.host.isMinimised()) ctx_.host.restore();
        escMarker_ = kEscMark;
        runState_ = kRunIdle;
    } else if (code == kVkDelete) {
        DeleteKey(foreground);
    } else if (code == kVkLeft || code == kVkRight) {
        ListStep(code == kVkLeft ? -1 : 1, foreground);
    }
    return false;
}

void RunController::KeyUp(int32_t code) {
    if (code == KeyCodeOfName(ctx_.settings.hotkeyRect, ctx_.codePage)) {
        overlay_.End();
        if (overlay_.mode() == kRangeFixed) ctx_.host.ShowMessageFrame(2, false);
    } else if (code == kVkSpace) {
        if (ctx_.settings.space == 1 && !TypingIntoUs()) cmdAdd_Click();
    } else if (code == kVkSnapshot) {
        SnapshotStep();
    }
}

// An index outside the five kinds only comes from a hand-edited settings file. The button
// then keeps the caption it had, so the capture takes the kind the user sees there, and the
// window kind when the button names none.
std::string RunController::TargetWordOfKind() const {
    std::string word = TargetWord(ctx_.settings.pos);
    if (!word.empty()) return word;
    const std::string caption = ctx_.host.targetCaption();
    for (int32_t index = 0; index < kTargetKindCount; ++index) {
        if (!caption.empty() && caption == TargetCaption(index)) return TargetWord(index);
    }
    return TargetWord(0);
}

bool RunController::OverMainWindow(Point pointer) const {
    const WindowId main = ctx_.host.mainWindow();
    WindowId window = ctx_.desktop.windowFromPoint(pointer);
    // Child windows lead up to their top-level window; the depth bound guards against a loop.
    for (int depth = 0; depth < 64 && window != 0; ++depth) {
        if (window == main) return true;
        window = ctx_.desktop.parent(window);
    }
    return false;
}

void RunController::Propose(const std::string& word) {
    downloadedImage_ = false;
    const CaptureNameProposal proposal = ProposeCaptureName(word, ctx_.host.targetCaption(), ctx_.settings.className,
                                                            overlay_.CentrePixels(), ctx_.desktop, ctx_.accessibility);
    ctx_.host.setWinText(proposal.winText);
    ctx_.host.setFileName(proposal.fileName);
}

bool RunController::CaptureStep() {
    const std::string word = overlay_.mode() == kRangeFixed ? std::string("rect") : TargetWordOfKind();
    Propose(word);
    const CaptureOutcome outcome = ctx_.host.MyCapture(word);
    downloadedImage_ = outcome.downloadedImage;
    if (IsMarker(outcome.result)) {
        // MyCapture has shown any message; the run goes on without sound.
        DiscardCapture(outcome.failureStatus);
        return true;
    }
    if (!outcome.result.empty()) ctx_.host.setFileName(outcome.result);
    FinishCapture(outcome.image);
    WarnOnce(outcome.warning);
    return false;
}

// The desktop grab is kept whatever else MyCapture reports: its other failures come after the
// picture was taken (the clipboard copy), and their message has been shown. Only a grab that
// took nothing (a foreground window on no monitor) is not passed off as a capture.
void RunController::SnapshotStep() {
    const std::string word = keyFlags_.alt == 1 ? "snapshot_alt" : "snapshot";
    Propose(word);
    const CaptureOutcome outcome = ctx_.host.MyCapture(word);
    if (!outcome.failureStatus.empty()) {
        DiscardCapture(outcome.failureStatus);
        return;
    }
    downloadedImage_ = outcome.downloadedImage;
    FinishCapture(outcome.image);
    WarnOnce(outcome.warning);
}

// Said once a session: the user knows from then on.
void RunController::WarnOnce(const std::string& warning) {
    if (!warning.empty() && warned_.insert(warning).second) ctx_.host.warn(warning);
}

// The preview was emptied at the capture's start, so nothing stale is left there or waits. A
// capture that took nothing says why on the status line.
void RunController::DiscardCapture(const std::string& failureStatus) {
    if (!failureStatus.empty()) ctx_.host.SetStatus(failureStatus);
    ctx_.list.PreviewCleared();
    ctx_.host.setAddEnabled(false);
    overlay_.Init();
}

void RunController::FinishCapture(const SharedImage& image) {
    ctx_.list.ShowUnlistedCapture(image, ProposedPath(), ctx_.host.winText());
    const bool waitForAdd = !downloadedImage_ && (ctx_.settings.autoListing != 1 || ctx_.flags.nolisting == 1);
    if (waitForAdd) {
        ctx_.host.setAddEnabled(true);
        ctx_.host.ShowMessageFrame(3, false);
    } else {
        cmdAdd_Click();
    }
    // A downloaded image is added as saved (its file is in the save folder); nothing else is
    // marked, so an add that failed never marks another capture saved.
    if (downloadedImage_) ctx_.host.SetStatus(ctx_.host.fileName() + std::string(kDownloadedStatusSuffix));
    overlay_.Init();
    ctx_.host.SetStatus(std::string(kCaptureDoneStatus));
    ctx_.list.CaptureReported();
    PlayCaptureSound();
}

// Where the capture would be saved under the name the file-name box shows now.
std::string RunController::ProposedPath() const { return FullPath(ctx_.host.fileName(), ctx_.settings, ctx_.paths); }

void RunController::cmdAdd_Click() {
    if (!ctx_.list.CaptureWaiting() || closing_) return;
    ctx_.list.AddWaitingCapture(ProposedPath(), ctx_.host.winText(), downloadedImage_);
    overlay_.Init();
    ctx_.host.setAddEnabled(false);
    ctx_.host.ShowMessageFrame(1, false);
}

// The list keys act on the list only while our window is in front, and not while its keyboard
// is in one of its text boxes: there Delete, the arrows and Space edit the text typed (a Delete
// meant for a letter of a file name must never delete the capture and its file).
bool RunController::ListKeysActive(WindowId foreground) const {
    return foreground != 0 && foreground == ctx_.host.mainWindow() && !ctx_.host.typingInTextBox();
}

bool RunController::TypingIntoUs() const {
    const WindowId foreground = ctx_.desktop.foregroundWindow();
    return foreground != 0 && foreground == ctx_.host.mainWindow() && ctx_.host.typingInTextBox();
}

void RunController::ListStep(int direction, WindowId foreground) {
    if (ListKeysActive(foreground)) ctx_.list.ListStep(direction);
}

void RunController::DeleteKey(WindowId foreground) {
    ctx_.list.DeleteKey(ListKeysActive(foreground), keyFlags_.ctrl == 1 || keyFlags_.shift == 1);
}

void RunController::IdleTick() {
    // Nothing acts behind the modal settings dialog.
    if (busy_ || runActive_ || !idleTimerEnabled_ || closing_ || runState_ == kRunSetting) return;
    busy_ = true;
    const Point pointerBefore = sampler_.pointer;
    const std::string event = SampleInput(sampler_, table_, ctx_.keyNames, ctx_.keys, false);
    NoteSample(event, pointerBefore);
    IdleKeyFlagsOfSample(keyFlags_, table_);
    if (event == "KEY_DOWN") {
        // Asked only for a key: the idle program asks the system nothing it does not need.
        const WindowId foreground = ctx_.desktop.foregroundWindow();
        switch (sampler_.keyCode) {
            case kVkEscape:
                // Esc toggles: the first press after a run ended by Esc only clears the mark.
                if (runState_ == kRunIdle) {
                    if (escMarker_ != kEscMark) cmdGo_Click();
                    escMarker_.clear();
                }
                break;
            case kVkLeft:
            case kVkRight:
                ListStep(sampler_.keyCode == kVkLeft ? -1 : 1, foreground);
                break;
            case kVkDelete:
                DeleteKey(foreground);
                break;
            case kVkS:
                if (keyFlags_.ctrl == 1) ctx_.list.mnuSave_Click();
                break;
            default:
                break;
        }
    }
    busy_ = false;
}

void RunController::SetSetting() {
    if (runState_ == kRunSetting) return;
    settingReturn_ = runState_;
    runState_ = kRunSetting;
}

// An "End" requested while the dialog was open stays: the program must still end.
void RunController::EndSetting() {
    if (runState_ == kRunSetting) runState_ = settingReturn_;
}

// Nothing of the run may be touched after the main window is closed: that may end the program.
void RunController::EndRun() {
    runActive_ = false;
    overlay_.Unload();
    ctx_.host.SetStatus("Stop");
    ctx_.host.setGoEnabled(true);
    ctx_.host.setAddEnabled(false);
    if (runState_ == kRunEnd) {
        ctx_.host.unloadMainWindow();
        return;
    }
    idleTimerEnabled_ = true;
}

void RunController::PlaySoundSetting(std::string_view name, bool async) {
    const std::string path = SoundFilePath(name, ctx_.settings, ctx_.flags, ctx_.paths, ctx_.windowsFolder);
    if (path.empty()) return;
    ctx_.shell.playSound(path, async);
    ctx_.host.processPendingMessages();
}

// Synchronous: the next pass starts only after the sound has ended.
void RunController::PlayCaptureSound() { PlaySoundSetting(ctx_.settings.chime, false); }

void RunController::PlayStartSound() { PlaySoundSetting(ctx_.settings.soundStart, true); }

void RunController::PlayStopSound(bool async) { PlaySoundSetting(ctx_.settings.soundStop, async); }

}  // namespace tessarin
