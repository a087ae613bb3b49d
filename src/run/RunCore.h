#pragma once
// The run as both front ends drive it: open the two databases, load the
// configuration, run the sequence; every error becomes its message and an
// exit status in one place. Headless mode loads and runs once; the window
// loads when it is created and runs at its timer's tick.
#include "db/Database.h"
#include "run/Clock.h"
#include "run/RunConfig.h"
#include "run/RunSummary.h"
#include "run/RunView.h"
#include "run/Startup.h"

#include <memory>
#include <optional>

namespace db {
class ProcessingLog;
}

// Exit statuses of the program.
enum ExitStatus {
    ExitFinished = 0,
    ExitOtherError = 1,
    ExitNoSupplierCode = 2,
    ExitMissingFile = 3,    // a database or the chain's file is missing
    ExitMissingSchema = 4,  // a table or field is missing
    ExitIncomplete = 5,     // the run reached its end, but something was held back, refused or not done
};

// The exit status that stands for a database error.
int exitStatusFor(const db::Error& error);

class RunCore {
public:
    // What load() and runOnce() give besides an exit status.
    static constexpr int Ready = -1;       // loaded; the run may start
    static constexpr int RetryLater = -2;  // the chain's file is missing; try again later

    // `counter` counts the run's writes (the crash tests); may be null.
    RunCore(Paths paths, RunOptions options, RunView& view, const Clock& clock,
            db::WriteCounter* counter = nullptr);
    ~RunCore();

    // Opens the databases and reads the configuration: Ready, or an exit status.
    int load();
    // One run of the whole sequence: ExitFinished, ExitIncomplete, RetryLater,
    // or the exit status of an error.
    int runOnce();
    // What the last run did, and its number in the run history.
    const RunSummary& summary() const { return summary_; }
    qint64 runNumber() const { return runNumber_; }
    // Closes the databases (on the thread that opened them).
    void close();

private:
    template <class Body> int guarded(Body body);
    QDateTime now() const;

    Paths paths_;
    RunOptions options_;
    RunView& view_;
    const Clock& clock_;
    db::WriteCounter* counter_;
    Databases dbs_;
    std::optional<RunConfig> config_;
    std::unique_ptr<db::ProcessingLog> log_;
    RunSummary summary_;
    qint64 runNumber_ = 0;
};
