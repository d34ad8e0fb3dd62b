// The second process of the status record tests:
//   status_peer.exe <mapping name> <exchange file>
// Opens the record through the program's own code, answers "1" (opened) or "0" in the
// exchange file and signals the event "<name>.ack". Then, each time the test has written a
// command there and signalled "<name>.go", it writes its answer and signals again:
//   "r"        the 36 bytes it sees in the mapping through a view of its own ("" if none)
//   "p<text>"  "1" / "0" from PublishStatus(text)
//   "c"        "1" / "0" from CloseStatusRecord
//   "q"        ends it after answering.

#include <windows.h>
// These build on windows.h.
#include <shellapi.h>

#include <string>

#include "../win_test_support.h"
#include "win32/filesystem.h"
#include "win32/status_record.h"

int main() {
    using namespace tessarin;
    // Arguments through the wide command line: the narrow argv would lose Japanese text.
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr) return 2;
    const std::string name = argc == 3 ? WideToUtf8(argv[1]) : "";
    const std::string file = argc == 3 ? WideToUtf8(argv[2]) : "";
    ::LocalFree(argv);
    const UniqueHandle go(::OpenEventW(SYNCHRONIZE, FALSE, Utf8ToWide(name + ".go").c_str()));
    const UniqueHandle ack(::OpenEventW(EVENT_MODIFY_STATE, FALSE, Utf8ToWide(name + ".ack").c_str()));
    if (name.empty() || !go || !ack) return 3;

    WinFileSystem fs;
    SharedStatusRecord record;
    std::string answer = record.OpenStatusRecord(name) ? "1" : "0";
    for (std::string command;;) {
        if (!fs.replaceFile(file, answer) || !::SetEvent(ack.get())) return 4;
        if (command == "q") return 0;
        // Long enough for a slow Wine start of the test's side; an abandoned peer ends by itself.
        if (::WaitForSingleObject(go.get(), 60000) != WAIT_OBJECT_0) return 5;
        command = fs.readFile(file).value_or("");
        const bool done = command.starts_with('p') ? record.PublishStatus(command.substr(1))
                                                   : command == "c" && record.CloseStatusRecord();
        answer = command == "r" ? test::ReadRecordBytes(name) : done ? "1" : "0";
    }
}
