// The second process of the status record tests. Opens the record through the same code as
// the program, then obeys named events from the test until told to quit:
//   status_peer.exe <mapping name> <event prefix> <result file> <text to publish>
// Events (auto-reset, made by the test): <prefix>.read, .publish, .close, .quit; the peer
// answers each, and its own start, with <prefix>.ack after writing the result file.
//   start:   "1" when OpenStatusRecord succeeded, else "0"
//   read:    the 36 bytes it sees in the mapping (opened anew for reading), empty if none
//   publish: "1" / "0" from PublishStatus(text)
//   close:   "1" / "0" from CloseStatusRecord

#include <windows.h>
// These build on windows.h.
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "win32/handles.h"
#include "win32/status_record.h"
#include "win32/wide.h"

namespace {

using tessarin::MappedView;
using tessarin::UniqueHandle;

// Long enough for a slow Wine start of the test's side; short enough that an abandoned
// peer ends by itself.
constexpr DWORD kCommandDeadlineMs = 60000;

enum ExitCode { kDone = 0, kUsage = 2, kNoEvents = 3, kTimedOut = 4, kWriteFailed = 5 };

void Complain(const std::wstring& text) {
    const std::string utf8 = tessarin::WideToUtf8(L"status_peer: " + text + L"\n");
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
}

bool WriteResult(const std::wstring& path, const std::string& bytes) {
    const UniqueHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string ReadMapping(const std::wstring& name) {
    const UniqueHandle mapping(::OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str()));
    if (!mapping) return {};
    const MappedView view(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return {};
    return std::string(static_cast<const char*>(view.get()), 36);
}

int Run(int argc, wchar_t** argv) {
    if (argc != 5) {
        Complain(L"usage: status_peer <mapping name> <event prefix> <result file> <text>");
        return kUsage;
    }
    const std::wstring name = argv[1];
    const std::wstring prefix = argv[2];
    const std::wstring resultFile = argv[3];
    const std::string text = tessarin::WideToUtf8(argv[4]);

    const wchar_t* const commandNames[] = {L".read", L".publish", L".close", L".quit"};
    UniqueHandle commands[4];
    for (int i = 0; i < 4; ++i) {
        commands[i].reset(::OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, (prefix + commandNames[i]).c_str()));
    }
    const UniqueHandle ack(::OpenEventW(EVENT_MODIFY_STATE, FALSE, (prefix + L".ack").c_str()));
    for (const UniqueHandle& h : commands) {
        if (!h) {
            Complain(L"events missing for " + prefix);
            return kNoEvents;
        }
    }
    if (!ack) {
        Complain(L"ack event missing for " + prefix);
        return kNoEvents;
    }

    tessarin::SharedStatusRecord record;
    const bool opened = record.OpenStatusRecord(tessarin::WideToUtf8(name));
    if (!WriteResult(resultFile, opened ? "1" : "0")) return kWriteFailed;
    ::SetEvent(ack.get());

    const HANDLE waitables[4] = {commands[0].get(), commands[1].get(), commands[2].get(), commands[3].get()};
    for (;;) {
        const DWORD which = ::WaitForMultipleObjects(4, waitables, FALSE, kCommandDeadlineMs);
        std::string result;
        switch (which) {
            case WAIT_OBJECT_0:
                result = ReadMapping(name);
                break;
            case WAIT_OBJECT_0 + 1:
                result = record.PublishStatus(text) ? "1" : "0";
                break;
            case WAIT_OBJECT_0 + 2:
                result = record.CloseStatusRecord() ? "1" : "0";
                break;
            case WAIT_OBJECT_0 + 3:
                return kDone;
            default:
                Complain(L"no command from the test in time");
                return kTimedOut;
        }
        if (!WriteResult(resultFile, result)) return kWriteFailed;
        ::SetEvent(ack.get());
    }
}

}  // namespace

int main() {
    // Arguments through the wide command line: the narrow argv would lose Japanese text.
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr) return kUsage;
    const int code = Run(argc, argv);
    ::LocalFree(argv);
    return code;
}
