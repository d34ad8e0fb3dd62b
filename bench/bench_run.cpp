// The latency from an injected Ctrl+C to "キャプチャー完了" in the status record (median of
// 20). Prints figures; passes or fails nothing. (The idle program's CPU time is measured from
// outside, by scripts/bench: Wine reports no times for other processes.)

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"

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
    SetCursorPos(400, 300);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::vector<double> latencies;
    for (int i = 0; i < 20; ++i) {
        Key(VK_CONTROL, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        const auto start = Clock::now();
        Key('C', true);
        if (!WaitFor(done, std::chrono::seconds(10))) break;
        latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        Key('C', false);
        Key(VK_CONTROL, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        Key(VK_F9, true);  // clears the status line for the next round
        WaitFor(Padded(""), std::chrono::seconds(10));
        Key(VK_F9, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
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
