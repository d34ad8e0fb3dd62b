#pragma once
// Fakes of the capture-run ports for the native tests. The host and the overlay write what
// they are asked to do as short texts into one shared journal, so a test sees the order.

#include <functional>
#include <set>

#include "core/ports/input.h"
#include "core/ports/list_commands.h"
#include "core/ports/overlay.h"
#include "core/ports/run_host.h"
#include "core/ports/shell.h"
#include "core/run/pointer_panel.h"
#include "core/text/text.h"

namespace tessarin::test {

using RunJournal = std::vector<std::string>;

// Keys held now and the "pressed since the last query" bit, as GetAsyncKeyState gives them.
struct FakeKeyState : KeyStateSource {
    Point cursor{100, 200};
    std::set<int> held, taps;

    int16_t asyncKeyState(int vk) override { return static_cast<int16_t>((held.count(vk) << 15) | taps.erase(vk)); }
    Point cursorPos() override { return cursor; }
};

// Places the window on whole pixels (15 twips) like the window system does.
struct FakeOverlayWindow : OverlayWindow {
    explicit FakeOverlayWindow(RunJournal& journal) : journal(journal) {}
    RunJournal& journal;
    TwipsBounds placed;
    std::vector<Rect> focusRects;  // every XOR drawing, in order

    void show() override { journal.push_back("overlay show"); }
    void hide() override { journal.push_back("overlay hide"); }
    int32_t tpp = 15;  // the window system snaps to whole pixels of this scale
    [[nodiscard]] int32_t Px(int32_t twips) const { return RoundHalfEven(static_cast<double>(twips) / tpp) * tpp; }
    void setBounds(int32_t l, int32_t t, int32_t w, int32_t h) override { placed = {Px(l), Px(t), Px(w), Px(h)}; }
    TwipsBounds bounds() const override { return placed; }
    void makeTopmost() override { journal.push_back("overlay topmost"); }
    void redraw() override {}
    void unload() override { journal.push_back("overlay unload"); }
    WindowId id() const override { return 0x5A0; }
    void showMainWindow() override {}
    void processPendingMessages() override {}
    void drawFocusRect(Rect pixels) override { focusRects.push_back(pixels); }
};

struct FakeRunHost : RunHost {
    explicit FakeRunHost(RunJournal& journal) : journal(journal) {}
    RunJournal& journal;
    std::string caption = "ウィンドウ";
    std::string file, text;
    CaptureOutcome outcome;  // of the next capture only
    PanelTexts panel;
    // Runs inside the next processPendingMessages, as a click that arrives meanwhile.
    std::function<void()> onMessages;

    void ShowMessageFrame(int index, bool) override { Note("frame " + std::to_string(index)); }
    void SetStatus(const std::string& status) override { Note("status " + status); }
    void warn(const std::string& text) override { Note("warn " + text); }
    void showPanel(const PanelTexts& texts) override { panel = texts; }
    void setGoEnabled(bool enabled) override { Note(enabled ? "go on" : "go off"); }
    void setAddEnabled(bool enabled) override { Note(enabled ? "add on" : "add off"); }
    WindowId mainWindow() const override { return 0x100; }
    bool typing = false;  // the keyboard is in one of our text boxes
    bool typingInTextBox() const override { return typing; }
    bool isMinimised() const override { return true; }
    void minimise() override { Note("minimise"); }
    void restore() override { Note("restore"); }
    void unloadMainWindow() override { Note("unload"); }
    void processPendingMessages() override { onMessages ? std::exchange(onMessages, nullptr)() : void(); }
    std::string targetCaption() const override { return caption; }
    std::string fileName() const override { return file; }
    void setFileName(const std::string& name) override { file = name; }
    std::string winText() const override { return text; }
    void setWinText(const std::string& value) override { text = value; }
    int32_t pictureWidth() const override { return 300; }
    int32_t pictureHeight() const override { return 450; }
    CaptureOutcome MyCapture(std::string_view target) override {
        return Note("capture " + std::string(target)), std::exchange(outcome, {});
    }
    void Note(std::string line) { journal.push_back(std::move(line)); }
};

// The shell: sounds, folders and documents go into the journal; the codec answers as set.
struct FakeShell : Shell {
    explicit FakeShell(RunJournal& journal) : journal(journal) {}
    RunJournal& journal;
    CodecVersion codec{.ok = true, .version = 100, .errorNumber = 0, .description = ""};

    std::string windowsFolder() const override { return "C:\\W"; }
    std::string desktopFolder() const override { return "C:\\Desk"; }
    bool changeCurrentFolder(const std::string& path) override { return Note("cd " + path), true; }
    void openFolder(const std::string& folder) override { Note("explorer " + folder); }
    void openDocument(const std::string& path) override { Note("open " + path); }
    void playSound(const std::string& path, bool async) override { Note("sound " + path + (async ? " async" : "")); }
    CodecVersion imgctlVersion() override { return codec; }
    void endProcess() override { Note("end process"); }
    void Note(std::string line) { journal.push_back(std::move(line)); }
};

// The image list as the run uses it; adding lets messages run through the host.
struct FakeListCommands : ListCommands {
    FakeListCommands(RunJournal& journal, FakeRunHost& host) : journal(journal), host(host) {}
    RunJournal& journal;
    FakeRunHost& host;
    bool waiting = false;

    void ShowUnlistedCapture(const SharedImage&, const std::string&, const std::string&) override {
        waiting = true, Note("unlisted");
    }
    void CaptureReported() override {}
    void PreviewCleared() override { waiting = false, Note("cleared"); }
    bool CaptureWaiting() const override { return waiting; }
    void DiscardWaitingCapture() override { waiting = false, Note("discard"); }
    void AddWaitingCapture(const std::string& fullPath, const std::string& winText, bool saved) override {
        if (!std::exchange(waiting, false)) return;
        Note("strip " + fullPath + " " + winText + (saved ? " saved" : "")), host.processPendingMessages();
    }
    void mnuSave_Click() override { Note("save"); }
    void DeleteKey(bool inFront, bool held) override { Note(inFront && !held ? "delete" : "no delete"); }
    void ListStep(int direction) override { Note("step " + std::to_string(direction)); }
    void Note(std::string line) { journal.push_back(std::move(line)); }
};

}  // namespace tessarin::test
