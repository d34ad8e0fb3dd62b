// A long session: N captures (10,000 unless given) of a small window, every tenth saved with
// Ctrl+S and the whole list deleted after every fiftieth, then the program's GDI and USER objects,
// handles and private memory against where they stood after the first captures, and whether it
// still answers. Prints figures; passes or fails nothing.

#include <windows.h>
// These build on windows.h.
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench_support.h"

using namespace tessarin;
using namespace tessarin::bench;

namespace {

constexpr WORD kMnuAllDel = 408;

struct Usage {
    DWORD gdi = 0;
    DWORD user = 0;
    int windows = 0;
    DWORD handles = 0;
    double privateMb = 0;
    std::string host;  // under Wine: the process as the host system sees it
};

Usage Measure(const Started& program, const std::string& folderMark) {
    Usage usage;
    usage.host = HostUsage(folderMark);
    usage.gdi = GetGuiResources(program.process.get(), GR_GDIOBJECTS);
    usage.user = GetGuiResources(program.process.get(), GR_USEROBJECTS);
    usage.windows = CountWindows(program.pid);
    GetProcessHandleCount(program.process.get(), &usage.handles);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(program.process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory))
        usage.privateMb = static_cast<double>(memory.PrivateUsage) / (1024.0 * 1024.0);
    return usage;
}

void Print(const char* when, int captures, const Usage& u) {
    std::printf("soak, %s (%d captures): GDI %lu, USER %lu (windows %d), handles %lu, private memory %.1f MB%s%s\n",
                when, captures, u.gdi, u.user, u.windows, u.handles, u.privateMb, u.host.empty() ? "" : "; ",
                u.host.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(100, std::atoi(argv[1])) : 10000;
    // A program folder of its own, whose save folder fills and empties during the session.
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::string mark = "tessarin_soak_" + std::to_string(GetCurrentProcessId());
    const std::wstring folder = std::wstring(temp) + Utf8ToWide(mark);
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const wchar_t* file : {L"Tessarin.exe", L"imgctl.dll", L"mpng.dll"})
        CopyFileW((Utf8ToWide(ProgramFolder() + "\\..\\bin\\") + file).c_str(), (folder + L"\\" + file).c_str(), FALSE);
    {
        const UniqueHandle file(
            CreateFileW((folder + L"\\conf.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        const char settings[] = "no tooltip = 0\r\nno confirm = 1\r\n";
        DWORD written = 0;
        WriteFile(file.get(), settings, sizeof settings - 1, &written, nullptr);
    }  // closed before the program reads it

    // The captured window: small, so that ten thousand unsaved captures fit in memory.
    const UniqueWindow target(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Static", L"soak",
                                              WS_POPUP | WS_VISIBLE | SS_GRAYRECT, 60, 60, 64, 48, nullptr, nullptr,
                                              nullptr, nullptr));
    const Started program = Start(L"-auto", folder);
    if (!program.process || !WaitFor(Padded("Go"), std::chrono::seconds(30))) {
        std::puts("bench_soak: the run did not start");
        return 1;
    }
    HWND main = FindProcessWindow(program.pid, L"frmTessarin");
    const std::string done = Padded(Cp932(L"キャプチャー完了"));
    const std::string saved = Padded(Cp932(L"保存完了！"));
    const std::string deleted = Padded(Cp932(L"削除完了"));
    Usage first;
    const auto start = Clock::now();
    int made = 0;
    // The pointer rests over the window for the whole session: Wine takes Ctrl as released when
    // one of its windows handles a pointer move while the key is injected.
    if (!test::PointerRests(main, 90, 80)) std::puts("bench_soak: the run never saw the pointer");
    for (int i = 1; i <= count; ++i) {
        if (!CtrlKey('C', done, std::chrono::seconds(10))) {
            std::printf("bench_soak: capture %d did not complete (status \"%s\")\n", i, StatusField().c_str());
            break;
        }
        ++made;
        ClearStatus(main);
        if (i % 10 == 0) {
            if (!CtrlKey('S', saved, std::chrono::seconds(10)))
                std::printf("bench_soak: save %d: \"%s\"\n", i, StatusField().c_str());
            ClearStatus(main);
        }
        if (i % 50 == 0) {
            // 全て削除 from the strip's menu ("no confirm" = 1): every entry and its file.
            PostMessageW(main, WM_COMMAND, MAKEWPARAM(kMnuAllDel, 0), 0);
            if (!WaitFor(deleted, std::chrono::seconds(10)))
                std::printf("bench_soak: delete %d: \"%s\"\n", i, StatusField().c_str());
            ClearStatus(main);
        }
        if (i == 100) first = Measure(program, mark);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    Print("after the first", 100, first);
    Print("at the end", made, Measure(program, mark));
    DWORD_PTR result = 0;
    const auto asked = Clock::now();
    const bool answers = SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &result) != 0;
    std::printf("soak, %d of %d captures in %.0f s; the program %s (%.0f ms)\n", made, count, seconds,
                answers ? "still answers" : "DOES NOT ANSWER",
                std::chrono::duration<double, std::milli>(Clock::now() - asked).count());
    CloseProgram(program);
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(folder), ignored);
    return 0;
}
