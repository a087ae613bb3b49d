#include "shell/Headless.h"

#include "shell/ConsoleView.h"

#include <cstdio>

int runHeadless(const HeadlessOptions& options) {
    ConsoleView console(options.printAnswer);
    RunView& view = options.view ? *options.view : console;
    const Clock systemClock;
    const Clock& clock = options.clock ? *options.clock : systemClock;
    db::WriteCounter counter = db::WriteCounter::fromEnvironment();
    // LIS06C_REPORT_WRITES=1: the crash tests learn how many writes a run makes.
    struct WriteReport {
        const db::WriteCounter& counter;
        ~WriteReport() {
            if (qEnvironmentVariableIntValue("LIS06C_REPORT_WRITES") == 1)
                std::fprintf(stderr, "lis06c: writes %lld\n", static_cast<long long>(counter.writes()));
        }
    } report{counter};

    RunCore core(options.paths, options.run, view, clock, &counter);
    const int loaded = core.load();
    // Another run holds the root: this one stops at once, having touched nothing.
    if (loaded == ExitLocked) view.message(core.waiting(), QStringLiteral("lis06c"));
    if (loaded != RunCore::Ready) return loaded;
    // Headless does not wait for the chain's file to arrive, only for a copy
    // under way to end.
    if (const int settled = core.waitForChainFile(); settled != RunCore::Ready) return settled;
    const int ran = core.runOnce();
    return ran == RunCore::RetryLater ? int(ExitMissingFile) : ran;
}
