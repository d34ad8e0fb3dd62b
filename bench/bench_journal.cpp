// The capture journal: the time to keep one 1920 x 1080 capture on disk (encoding, writing, the
// whole), reading one back; Ctrl+C to "キャプチャー完了" in the status record with the journal and
// without it; and a session of unsaved 1600 x 1000 captures (500 unless given): the program's
// memory, how long hovering a panel takes to show its capture, and the time the next start takes to
// bring them all back after the program was killed. Prints figures; passes or fails nothing.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "core/journal/capture_journal.h"
#include "core/journal/journal_file.h"
#include "win32/background_work.h"
#include "win32/filesystem.h"
#include "win32/journal_store.h"
#include "win32/picture.h"

using namespace tessarin;
using namespace tessarin::bench;

namespace {

using Ms = std::chrono::duration<double, std::milli>;

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// What a screen usually holds: a light background, lines of dark marks like text, coloured panels, a
// gradient and a photograph-like noisy area. PNG compresses it about as well as a desktop.
SharedImage ScreenLike(int32_t width, int32_t height, uint32_t seed) {
    auto image = std::make_shared<Image>();
    image->width = width;
    image->height = height;
    image->pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0xF4F4F4);
    std::mt19937 random(seed);
    const auto at = [&](int32_t x, int32_t y) -> uint32_t& {
        return image->pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    };
    for (int32_t y = 0; y < 40 && y < height; ++y)  // a title bar with a gradient
        for (int32_t x = 0; x < width; ++x) at(x, y) = (0x20 + x * 0x60 / width) << 16 | 0x5080C0;
    for (int32_t line = 60; line + 12 < height * 2 / 3; line += 22)  // text
        for (int32_t x = 40; x < width * 3 / 5; x += 7)
            if (random() % 5 != 0)
                for (int32_t y = line; y < line + 12; ++y)
                    for (int32_t dx = 0; dx < 5; ++dx)
                        if (random() % 3 == 0) at(x + dx, y) = 0x202020;
    for (int32_t y = 60; y < height / 2; ++y)  // a coloured panel
        for (int32_t x = width * 2 / 3; x < width - 40; ++x) at(x, y) = ((x / 64 + y / 64) % 2) ? 0xD04020 : 0x2060D0;
    for (int32_t y = height * 2 / 3; y < height - 20; ++y)  // a photograph
        for (int32_t x = 40; x < width / 2; ++x)
            at(x, y) = ((x * 255 / width + random() % 24) & 0xFF) << 16 |
                       ((y * 255 / height + random() % 24) & 0xFF) << 8 | (random() % 48 + 100);
    return image;
}

// A topmost window of our own that shows a picture, for the program to capture. Placed where the
// program's own window is not: a capture over it would hide that window for a moment, and Wine
// then takes Ctrl as released.
class Shown {
public:
    Shown(const SharedImage& image, POINT at) : image_(image) {
        Current() = image_.get();
        if (!RegisterWindowClass(L"TessarinBenchJournal", Proc, nullptr)) return;
        window_.reset(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"TessarinBenchJournal",
                                      L"bench", WS_POPUP | WS_VISIBLE, at.x, at.y, image->width, image->height, nullptr,
                                      nullptr, nullptr, nullptr));
        UpdateWindow(window_.get());
    }
    Shown(const Shown&) = delete;
    Shown& operator=(const Shown&) = delete;
    ~Shown() { Current() = nullptr; }

private:
    static const Image*& Current() {
        static const Image* image = nullptr;
        return image;
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_PAINT && Current() != nullptr) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            const BITMAPINFO info = TopDownInfo(Current()->width, Current()->height);
            SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(Current()->width), static_cast<DWORD>(Current()->height), 0,
                              0, 0, static_cast<UINT>(Current()->height), Current()->pixels.data(), &info,
                              DIB_RGB_COLORS);
            EndPaint(hwnd, &ps);
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    SharedImage image_;
    UniqueWindow window_;
};

// A program folder of its own, the main window in the top half of the screen.
std::wstring ProgramCopy(const std::string& mark) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring folder = std::wstring(temp) + Utf8ToWide(mark);
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const wchar_t* file : {L"Tessarin.exe", L"imgctl.dll", L"mpng.dll"})
        CopyFileW((Utf8ToWide(ProgramFolder() + "\\..\\bin\\") + file).c_str(), (folder + L"\\" + file).c_str(), FALSE);
    (void)WriteWholeFile(folder + L"\\conf.txt",
                         "no tooltip = 0\r\ncapture sound = 0\r\nform left = 0\r\nform top = 0\r\nform right = 1200\r\n"
                         "form bottom = 480\r\n");
    return folder;
}

// Wine now and then refuses a start for a moment after the previous program ended.
Started StartAgain(const std::wstring& arguments, const std::wstring& folder) {
    Started started;
    (void)test::WaitUntil(
        [&] {
            started = Start(arguments, folder);
            return static_cast<bool>(started.process);
        },
        10000);
    return started;
}

// The pointer rests over our window, whose messages have all run before a key goes down: Wine takes
// Ctrl as released when one of its windows handles a pointer move while the key is held.
void RestPointer(HWND main, int x, int y) {
    if (!test::PointerRests(main, x, y)) std::printf("bench_journal: the run never saw the pointer at %d, %d\n", x, y);
}

size_t JournalFiles(const std::wstring& folder) {
    size_t count = 0;
    const WinFileSystem fs;
    const std::string root = WideToUtf8(folder) + "\\journal";
    for (const std::string& session : fs.list(root + "\\*")) count += fs.list(root + "\\" + session + "\\*.tjr").size();
    return count;
}

// 1. In this process: a capture kept through the journal's own store and its worker.
void KeepingOne() {
    WinFileSystem fs;
    WinJournalStore store(fs);
    const SharedImage picture = ScreenLike(1920, 1080, 1);
    std::vector<double> encode, write, whole, read;
    size_t bytes = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::string folder = WideToUtf8(temp) + "tessarin_bench_journal_" + std::to_string(GetCurrentProcessId());
    (void)store.makeFolder(folder);
    for (int i = 0; i < 10; ++i) {
        const auto start = bench::Clock::now();
        const auto encoded = store.encodePicture(*picture);
        const auto encodedAt = bench::Clock::now();
        if (!encoded) return (void)std::puts("bench_journal: the picture could not be encoded");
        const std::string file = folder + "\\" + JournalFileName(static_cast<uint64_t>(i) + 1);
        const std::string fileBytes = JournalFileBytes({}, Image{}, *encoded);
        if (!store.write(file + ".tmp", fileBytes) || !store.rename(file + ".tmp", file, true))
            return (void)std::puts("bench_journal: the file could not be written");
        const auto end = bench::Clock::now();
        encode.push_back(Ms(encodedAt - start).count());
        write.push_back(Ms(end - encodedAt).count());
        whole.push_back(Ms(end - start).count());
        bytes = fileBytes.size();
        const auto readStart = bench::Clock::now();
        const auto back = store.read(file);
        const auto parsed = back ? ParseJournalFile(*back) : std::nullopt;
        if (!parsed || !store.decodePicture(parsed->picture)) return (void)std::puts("bench_journal: no read back");
        read.push_back(Ms(bench::Clock::now() - readStart).count());
        (void)store.remove(file);
    }
    store.removeFolder(folder);
    std::printf(
        "journal, one 1920 x 1080 capture (median of 10, on the worker): %.1f ms (PNG %.1f ms, file written through "
        "and renamed %.1f ms), %.0f KB; read back and decoded %.1f ms\n",
        Median(whole), Median(encode), Median(write), static_cast<double>(bytes) / 1024, Median(read));
}

// 2. Ctrl+C to the status, with the journal and without it (its folder and the fallback are files).
void Latency(bool journal) {
    const std::wstring folder = ProgramCopy("tessarin_bench_latency_" + std::to_string(journal));
    std::wstring previous(MAX_PATH, L'\0');
    previous.resize(GetEnvironmentVariableW(L"LOCALAPPDATA", previous.data(), MAX_PATH));
    if (!journal) {
        (void)WriteWholeFile(folder + L"\\journal", "off");
        SetEnvironmentVariableW(L"LOCALAPPDATA", (folder + L"\\journal").c_str());
    }
    const Shown shown(ScreenLike(1920, 1080, 2), {0, 500});
    const Started program = StartAgain(L"-auto -novisible", folder);
    SetEnvironmentVariableW(L"LOCALAPPDATA", previous.c_str());
    const std::string done = Padded(Cp932(L"キャプチャー完了"));
    if (!program.process || !WaitFor(Padded("Go"), std::chrono::seconds(30))) {
        std::puts("bench_journal: the run did not start");
        return;
    }
    const HWND main = FindProcessWindow(program.pid, L"frmTessarin");
    RestPointer(main, 600, 700);
    std::vector<double> latencies;
    for (int i = 0; i < 20; ++i) {
        const std::optional<double> ms = CtrlKey('C', done, std::chrono::seconds(10));
        if (!ms) break;
        latencies.push_back(*ms);
        ClearStatus(main);
    }
    // The worker keeps them after the status has come; they are given a moment to reach the disk.
    if (journal) (void)test::WaitUntil([&] { return JournalFiles(folder) >= latencies.size(); }, 10000);
    const size_t kept = JournalFiles(folder);
    CloseProgram(program);
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(folder), ignored);
    std::printf(
        "Ctrl+C to \"capture complete\", 20 captures of 1920 x 1080, journal %s: median %.1f ms (min %.1f, "
        "max %.1f)%s\n",
        journal ? "on " : "off", Median(latencies),
        latencies.empty() ? 0 : *std::min_element(latencies.begin(), latencies.end()),
        latencies.empty() ? 0 : *std::max_element(latencies.begin(), latencies.end()),
        journal ? (", " + std::to_string(kept) + " kept on disk within 10 s of the last").c_str() : "");
}

std::wstring TextOf(HWND window) {
    wchar_t text[64] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &copied);
    return text;
}
void MoveTo(int x, int y) {
    INPUT input{INPUT_MOUSE, {}};
    input.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

// 3. A long session of unsaved captures, hovering them, and the start after a kill.
void Session(int count) {
    const std::string mark = "tessarin_bench_session_" + std::to_string(GetCurrentProcessId());
    const std::wstring folder = ProgramCopy(mark);
    const std::string done = Padded(Cp932(L"キャプチャー完了"));
    Started program = StartAgain(L"-auto", folder);
    if (!program.process || !WaitFor(Padded("Go"), std::chrono::seconds(30))) {
        std::puts("bench_journal: the run did not start");
        return;
    }
    HWND main = FindProcessWindow(program.pid, L"frmTessarin");
    int made = 0;
    const auto start = bench::Clock::now();
    {
        const Shown shown(ScreenLike(1600, 1000, 3), {0, 500});
        RestPointer(main, 300, 700);
        for (int i = 0; i < count && CtrlKey('C', done, std::chrono::seconds(20)); ++i, ++made) ClearStatus(main);
        if (made < count)
            std::printf("bench_journal: capture %d did not complete (status \"%s\", the run saw %s %s)\n", made + 1,
                        StatusField().c_str(), WideToUtf8(test::PanelText(main, test::PanelLabel::Event)).c_str(),
                        WideToUtf8(test::PanelText(main, test::PanelLabel::Key)).c_str());
    }
    const double capturing = std::chrono::duration<double>(bench::Clock::now() - start).count();
    const auto written = bench::Clock::now();
    (void)test::WaitUntil([&] { return JournalFiles(folder) >= static_cast<size_t>(made); }, 5 * 60 * 1000);
    const double settling = std::chrono::duration<double>(bench::Clock::now() - written).count();
    std::printf("journal session: %d of %d unsaved 1600 x 1000 captures in %.0f s, all on disk %.1f s after the last\n",
                made, count, capturing, settling);
    std::printf("journal session, %d unsaved captures: %s\n", made, HostUsage(mark).c_str());
    if (made == 0) {
        CloseProgram(program);
        return;
    }

    // Hovering the panels in view, one after another, until the preview shows each.
    Key(VK_ESCAPE, true);
    Key(VK_ESCAPE, false);
    WaitFor(Padded("Stop"), std::chrono::seconds(10));
    SetForegroundWindow(main);
    HWND strip = FindWindowExW(main, nullptr, L"TessarinPicList", nullptr);
    HWND label = test::PanelWindow(main, test::PanelLabel::Selection);
    RECT area{};
    GetClientRect(strip, &area);
    MapWindowPoints(strip, nullptr, reinterpret_cast<POINT*>(&area), 2);
    std::vector<double> hovers;
    std::wstring last = TextOf(label);
    for (int x = area.right - 30; x > area.left + 30 && hovers.size() < 15; x -= 53) {
        const auto at = bench::Clock::now();
        MoveTo(x, area.top + 30);
        while (TextOf(label) == last && bench::Clock::now() - at < std::chrono::seconds(5)) Sleep(1);
        if (TextOf(label) == last) continue;
        hovers.push_back(Ms(bench::Clock::now() - at).count());
        last = TextOf(label);
    }
    std::printf(
        "journal session, hovering a panel until the preview shows its capture (read from the journal), %zu "
        "panels: median %.1f ms, max %.1f ms\n",
        hovers.size(), Median(hovers), hovers.empty() ? 0 : *std::max_element(hovers.begin(), hovers.end()));

    // Killed as the task manager kills it; the next start brings every capture back.
    TerminateProcess(program.process.get(), 1);
    WaitForSingleObject(program.process.get(), 10000);
    const std::string restored = Padded(Cp932((std::to_wstring(made) + L"件の未保存画像を復元").c_str()));
    const auto restart = bench::Clock::now();
    program = StartAgain(L"", folder);
    const bool back = WaitFor(restored, std::chrono::minutes(5));
    const double untilStatus = Ms(bench::Clock::now() - restart).count();
    HWND again = nullptr;
    while (!StartedUp(again = FindProcessWindow(program.pid, L"frmTessarin")) &&
           bench::Clock::now() - restart < std::chrono::minutes(5))
        Sleep(1);
    const double untilIdle = Ms(bench::Clock::now() - restart).count();
    std::printf("journal session, start after a kill: %s in %.0f ms, start-up done in %.0f ms; %s\n",
                back ? (std::to_string(made) + " captures back").c_str() : "NOT brought back", untilStatus, untilIdle,
                HostUsage(mark).c_str());
    CloseProgram(program);
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(folder), ignored);
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(10, std::atoi(argv[1])) : 500;
    KeepingOne();
    // Twice each way: the machine's other work weighs on a single round.
    for (const bool journal : {false, true, false, true}) Latency(journal);
    Session(count);
    return 0;
}
