#include "shell/Headless.h"

#include "shell/ConsoleView.h"
#include "shell/JsonSummary.h"
#include "shell/LogFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <cstdio>

int runHeadless(const HeadlessOptions& options) {
    QElapsedTimer elapsed;
    elapsed.start();
    const Clock systemClock;
    const Clock& clock = options.clock ? *options.clock : systemClock;
    ConsoleView console(clock, options.printAnswer, options.output.progressSeconds);
    if (options.console) console.setConsole(stderr);
    RunView& view = options.view ? *options.view : console;

    RunOptions runOptions = options.run;
    std::unique_ptr<QFile> log;
    const bool trial = options.run.trial;
    console.setTrial(trial);
    // The runs' log folder is under the root unless set elsewhere, and a trial
    // changes nothing there: its output goes to the console only.
    if (!options.output.logFolder.isEmpty() && !trial) {
        QString error;
        log = openRunLog(options.output.logFolder, QDateTime(clock.today(), clock.now()), options.output.runsKept,
                         &error);
        if (log) {
            console.setLogFile(log.get());
            runOptions.logFile = QDir::toNativeSeparators(log->fileName());
        } else {
            // The run itself matters more than its log file: it goes on, and says so.
            console.note(QStringLiteral("Attenzione: ") + error);
        }
    }
    console.note(trial ? QStringLiteral("lis06c %1: %2: corsa su copie di %3, che resta com'è")
                             .arg(QStringLiteral(LIS06C_VERSION), kTrialMark, QDir::toNativeSeparators(options.paths.root))
                       : QStringLiteral("lis06c %1: corsa su %2")
                             .arg(QStringLiteral(LIS06C_VERSION), QDir::toNativeSeparators(options.paths.root)));

    db::WriteCounter counter = db::WriteCounter::fromEnvironment();
    // LIS06C_REPORT_WRITES=1: the crash tests learn how many writes a run makes.
    struct WriteReport {
        const db::WriteCounter& counter;
        ~WriteReport() {
            if (qEnvironmentVariableIntValue("LIS06C_REPORT_WRITES") == 1)
                std::fprintf(stderr, "lis06c: writes %lld\n", static_cast<long long>(counter.writes()));
        }
    } report{counter};

    RunCore core(options.paths, runOptions, view, clock, &counter);
    int status = core.load();
    // Another run holds the root: this one stops at once, having touched nothing.
    if (status == ExitLocked) view.message(core.waiting(), QStringLiteral("lis06c"));
    // Headless does not wait for the chain's file to arrive, only for a copy
    // under way to end.
    if (status == RunCore::Ready) status = core.waitForChainFile();
    bool ran = false;
    if (status == RunCore::Ready) {
        status = core.runOnce();
        ran = status != RunCore::RetryLater && status != ExitLocked;
        if (status == RunCore::RetryLater) status = ExitMissingFile;
    }
    const double seconds = elapsed.nsecsElapsed() / 1e9;
    // A trial's run number is its copy's: no run of the store's history.
    const qint64 runNumber = ran && !trial ? core.runNumber() : 0;
    console.finish(status, ran ? &core.summary() : nullptr, runNumber, seconds);
    if (options.json) {
        const QByteArray json =
            jsonSummary({status, seconds, ran ? &core.summary() : nullptr, runNumber, runOptions.logFile, trial});
        std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    return status;
}
