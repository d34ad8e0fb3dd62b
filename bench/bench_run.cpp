// The latency from an injected Ctrl+C to "キャプチャー完了" in the status record (median of
// 20). Prints figures; passes or fails nothing. (The idle program's CPU time is measured from
// outside, by scripts/bench: Wine reports no times for other processes.)

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "bench_support.h"

using namespace tessarin;
using namespace tessarin::bench;

int main() {
    // Latency: a run, the pointer over the bare desktop, Ctrl+C twenty times.
    const std::string go = Padded("Go");
    const std::string done = Padded(Cp932(L"キャプチャー完了"));
    const Started run = Start(L"-auto -novisible");
    if (!run.process || !WaitFor(go, std::chrono::seconds(30))) {
        std::puts("bench_run: the run did not start");
        return 1;
    }
    const HWND main = FindProcessWindow(run.pid, L"frmTessarin");
    if (!test::PointerRests(main, 400, 300)) std::puts("bench_run: the run never saw the pointer");
    std::vector<double> latencies;
    for (int i = 0; i < 20; ++i) {
        const std::optional<double> ms = CtrlKey('C', done, std::chrono::seconds(10));
        if (!ms) break;
        latencies.push_back(*ms);
        ClearStatus(main);
    }
    CloseProgram(run);
    if (latencies.size() < 20) {
        std::printf("bench_run: only %zu of 20 captures completed\n", latencies.size());
        return 1;
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("Ctrl+C to \"capture complete\" in the record, 20 captures: median %.1f ms (min %.1f, max %.1f)\n",
                (latencies[9] + latencies[10]) / 2, latencies.front(), latencies.back());
    return 0;
}
