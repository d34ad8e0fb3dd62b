#pragma once
// The capture run: run-state transitions, one pass of the run and one idle tick, the capture
// and snapshot steps, adding a waiting capture to the list, and the three sounds.
//
// There is no loop of its own: the main window's 10 ms timer calls Tick(), which makes one
// run pass while a run is active and one idle tick otherwise. Starting a run only sets it
// up; the steps after a run (overlay away, "Stop", buttons, idle again or the main window
// closed) are taken by the first pass that finds RunState no longer "Go": at the end of the
// pass that stopped it (Esc, or a stop button pressed while the pass let messages run), or
// at the next tick (stop button pressed between passes). While the settings dialog is open
// (RunState "Setting") no pass is made. A tick that arrives while a pass or idle tick is
// still running (its message processing dispatches timer messages too) does nothing.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "core/app/command_line.h"
#include "core/ports/capture.h"
#include "core/ports/codepage.h"
#include "core/ports/input.h"
#include "core/ports/list_commands.h"
#include "core/ports/overlay.h"
#include "core/ports/run_host.h"
#include "core/ports/shell.h"
#include "core/run/input_sampler.h"
#include "core/run/pointer_panel.h"
#include "core/run/range_overlay.h"
#include "core/settings/key_names.h"
#include "core/settings/settings.h"
#include "core/text/paths.h"

namespace tessarin {

// RunState words.
inline constexpr std::string_view kRunIdle = "";
inline constexpr std::string_view kRunGo = "Go";
inline constexpr std::string_view kRunSetting = "Setting";
inline constexpr std::string_view kRunEnd = "End";

inline constexpr std::string_view kCaptureDoneStatus = "キャプチャー完了";
inline constexpr std::string_view kDownloadedStatusSuffix = " をダウンロード&保存";
// While a window of an administrator's program is in front, the system keeps the keys from us.
inline constexpr std::string_view kPrivilegedForegroundStatus = "管理者ウィンドウではキー無効";

struct RunContext {
    RunHost& host;
    ListCommands& list;
    KeyStateSource& keys;
    OverlayWindow& overlay;
    const Desktop& desktop;
    const Accessibility& accessibility;
    const Settings& settings;  // read at every use: the settings dialog may change it mid-run
    const CommandLineFlags& flags;
    const KeyNameTable& keyNames;
    const NarrowCodePage& codePage;
    const PathContext& paths;
    Shell& shell;  // the sounds
    std::string windowsFolder;
    int32_t twipsPerPixelX = 15;
    int32_t twipsPerPixelY = 15;
};

// The sound file to play for a sound setting: the program folder first, then the media
// folder of Windows; "" when sounds are off (setting "capture sound" and the word sound) or
// no such file exists.
[[nodiscard]] std::string SoundFilePath(std::string_view name, const Settings& settings, const CommandLineFlags& flags,
                                        const PathContext& paths, std::string_view windowsFolder);

class RunController {
public:
    explicit RunController(RunContext context);
    RunController(const RunController&) = delete;
    RunController& operator=(const RunController&) = delete;

    // Start-up: records the keys already held so that they are not reported as presses.
    void SampleBaseline();
    // Timer_MsgLoop's enabled state (start-up enables it; runs switch it off and on).
    void SetIdleTimer(bool enabled) { idleTimerEnabled_ = enabled; }

    // The tick: a run pass during a run, else an idle tick when the idle timer is on. True when
    // it saw anything happen or anything held down, so that the next ones come fast.
    bool Tick();
    void RunPass();
    void IdleTick();

    void cmdGo_Click();
    void cmdStop_Click();
    void cmdAdd_Click();
    void FinishCapture(const SharedImage& image);
    // Around the modal settings dialog.
    void SetSetting();
    void EndSetting();
    // The watched window is gone: the program must end (the caller closes the main window;
    // a running run closes it again when it stops).
    // While the settings dialog is open the end waits for it: the dialog shows "Setting" until it closes.
    void RequestEnd() { (runState_ == kRunSetting ? settingReturn_ : runState_) = kRunEnd; }
    // While the program is closing (its question or its last messages are open) no pass, tick
    // or button of the run acts: a capture must not slip in under the question.
    // Keys pressed meanwhile are no presses once the run goes on (the question was cancelled).
    void SetClosing(bool closing);
    // The screen's scale changed: pointer positions, the panel and the range follow it.
    void SetScale(int32_t twipsPerPixelX, int32_t twipsPerPixelY);

    void PlaySoundSetting(std::string_view name, bool async);
    void PlayCaptureSound();
    void PlayStartSound();
    void PlayStopSound(bool async);

    [[nodiscard]] const std::string& runState() const { return runState_; }
    [[nodiscard]] bool runActive() const { return runActive_; }
    [[nodiscard]] bool idleTimerEnabled() const { return idleTimerEnabled_; }
    // cmdGo's Tag: "esc" after a run was ended by Esc.
    [[nodiscard]] const std::string& escMarker() const { return escMarker_; }
    [[nodiscard]] bool downloadedImage() const { return downloadedImage_; }
    [[nodiscard]] const KeyFlags& keyFlags() const { return keyFlags_; }
    [[nodiscard]] const SamplerState& sampler() const { return sampler_; }
    [[nodiscard]] const RangeOverlay& rangeOverlay() const { return overlay_; }
    [[nodiscard]] Point pointerTwips() const { return pointerTwips_; }
    [[nodiscard]] const PanelTexts& panel() const { return panel_; }

private:
    void PassBody();
    // A sample was taken: whether it saw the pointer move, a key change or a key held.
    void NoteSample(const std::string& event, Point pointerBefore);
    // Each returns true when the capture ended in a marker.
    bool KeyDown(int32_t code, WindowId foreground);
    void KeyUp(int32_t code);
    bool CaptureStep();
    void SnapshotStep();
    void DiscardCapture(const std::string& failureStatus);
    [[nodiscard]] std::string ProposedPath() const;
    void WarnOnce(const std::string& warning);
    void NoteForeground(WindowId foreground);
    void Propose(const std::string& word);
    [[nodiscard]] bool ListKeysActive(WindowId foreground) const;
    [[nodiscard]] bool TypingIntoUs() const;
    void ListStep(int direction, WindowId foreground);
    void DeleteKey(WindowId foreground);
    [[nodiscard]] bool OverMainWindow(Point pointer) const;
    [[nodiscard]] std::string TargetWordOfKind() const;
    void EndRun();

    RunContext ctx_;
    RangeOverlay overlay_;
    KeyStateTable table_;
    SamplerState sampler_;
    KeyFlags keyFlags_;
    PanelTexts panel_;
    Point pointerTwips_;

    std::string runState_;
    std::string settingReturn_;
    std::string escMarker_;
    bool runActive_ = false;  // between a start and the steps after the run
    bool starting_ = false;
    bool busy_ = false;  // inside a pass or an idle tick
    bool idleTimerEnabled_ = false;
    bool closing_ = false;
    bool downloadedImage_ = false;
    bool sawActivity_ = false;  // in the tick being made
    // The foreground window the last pass saw, and whether it is more privileged than us.
    WindowId foreground_ = 0;
    bool foregroundPrivileged_ = false;
    std::set<std::string> warned_;  // what the user was told of captures; once each
};

}  // namespace tessarin
