#include "shell/Headless.h"

#include "shell/ConsoleView.h"
#include "shell/Form_Load.h"
#include "shell/RunSequence.h"
#include "shell/Startup.h"

#include <cstdio>

int exitStatusFor(const db::Error& error) {
    switch (error.kind()) {
    case db::ErrorKind::Missing:
    case db::ErrorKind::NotDatabase:
        return ExitMissingFile;
    case db::ErrorKind::Schema:
        return ExitMissingSchema;
    default:
        return ExitOtherError;
    }
}

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
    try {
        Databases dbs = openDatabases(options.paths, &counter);
        RunContext ctx;
        ctx.paths = options.paths;
        Run run(std::move(ctx), *dbs.store, *dbs.chain, view, clock, options.run);
        if (Form_Load(run) == LoadOutcome::NoSupplierCode) return ExitNoSupplierCode;
        // Headless does not wait for the chain's file to arrive.
        if (runSequence(run) == RunEnd::RetryLater) return ExitMissingFile;
        return ExitFinished;
    } catch (const db::Error& e) {
        view.message(e.message(), QStringLiteral("lis06c"));
        return exitStatusFor(e);
    } catch (const RunError& e) {
        view.message(e.message(), QStringLiteral("lis06c"));
        return ExitOtherError;
    } catch (const std::exception& e) {
        view.message(QString::fromUtf8(e.what()), QStringLiteral("lis06c"));
        return ExitOtherError;
    }
}
