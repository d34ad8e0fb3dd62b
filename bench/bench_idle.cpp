// Starts the build's Tessarin.exe and returns once its start-up has run to its end, leaving it
// running: scripts/bench then measures what the idle program costs.

#include <cstdio>

#include "bench_support.h"

int main() {
    using namespace tessarin;
    const bench::Started started = bench::Start(L"");
    if (!started.process) {
        std::puts("bench_idle: Tessarin.exe could not be started");
        return 1;
    }
    const auto deadline = bench::Clock::now() + std::chrono::seconds(60);
    while (!bench::StartedUp(FindProcessWindow(started.pid, L"frmTessarin"))) {
        if (bench::Clock::now() > deadline || WaitForSingleObject(started.process.get(), 20) != WAIT_TIMEOUT) {
            std::puts("bench_idle: Tessarin.exe did not finish its start-up");
            return 1;
        }
    }
    return 0;
}
