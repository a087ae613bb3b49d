#pragma once
// The run as both front ends drive it: open the two databases, load the
// configuration, run the sequence; every error becomes its message and an
// exit status in one place. Headless mode loads and runs once; the window
// loads when it is created and runs at its timer's tick.
#include "db/Database.h"
#include "run/Clock.h"
#include "run/RunConfig.h"
#include "run/RunSummary.h"
#include "run/RootLock.h"
#include "run/RunView.h"
#include "run/SettledFile.h"
#include "run/Startup.h"

#include <memory>
#include <optional>

namespace db {
class ProcessingLog;
}
namespace safekeep {
class TrialRoot;
}

// Exit statuses of the program.
enum ExitStatus {
    ExitFinished = 0,
    ExitOtherError = 1,
    ExitNoSupplierCode = 2,
    ExitMissingFile = 3,    // a database or the chain's file is missing
    ExitMissingSchema = 4,  // a table or field is missing
    ExitIncomplete = 5,     // the run reached its end, but something was held back, refused or not done
    ExitLocked = 6,         // another run holds the root
};

// The exit status that stands for a database error.
int exitStatusFor(const db::Error& error);

class RunCore {
public:
    // What load() and runOnce() give besides an exit status.
    static constexpr int Ready = -1;       // loaded; the run may start
    static constexpr int RetryLater = -2;  // the chain's file is missing or still being written

    // `counter` counts the run's writes (the crash tests); may be null.
    RunCore(Paths paths, RunOptions options, RunView& view, const Clock& clock,
            db::WriteCounter* counter = nullptr);
    ~RunCore();

    // Takes the root, opens the databases and reads the configuration: Ready,
    // ExitLocked (another run holds the root; nothing was touched), or an exit
    // status. The root stays held until the end of the next runOnce().
    int load();
    // Waits, up to the settle limit, for the chain's file to settle (a run
    // that has no timer to try again on): Ready, or ExitMissingFile after
    // telling the user.
    int waitForChainFile();
    // One run of the whole sequence: ExitFinished, ExitIncomplete, RetryLater
    // (the file is missing or still being written), ExitLocked, or the exit
    // status of an error. The root is let go at its end.
    int runOnce();
    // Why the last load() or runOnce() did not go ahead (ExitLocked, or the
    // file still being written); the window shows it while it waits.
    const QString& waiting() const { return waiting_; }
    // What the last run did, and its number in the run history (of the
    // copies, in a trial).
    const RunSummary& summary() const { return summary_; }
    qint64 runNumber() const { return runNumber_; }
    // Closes the databases (on the thread that opened them).
    void close();

private:
    template <class Body> int guarded(Body body);
    // The root is held by another run: says so in the window's status line.
    int locked();
    // Opens the databases and reads the configuration; in a trial, first
    // copies the root into a new temporary folder and works there.
    int open();
    void closeDatabases();
    // The run itself, recorded in the run history from start to end.
    int recordedRun();
    void setWaiting(const QString& text);
    QDateTime now() const;

    Paths root_;   // the store's root, as given
    Paths paths_;  // where the run works: the root, or in a trial its copy
    RunOptions options_;
    std::unique_ptr<RunView> trialView_;  // in a trial: names the root, not its copy
    RunView& view_;
    const Clock& clock_;
    db::WriteCounter* counter_;
    std::unique_ptr<safekeep::TrialRoot> trial_;  // outlives the databases opened in it
    bool trialIsFresh_ = false;  // the copy was made after the chain's file had settled
    Databases dbs_;
    std::optional<RunConfig> config_;
    std::unique_ptr<db::ProcessingLog> log_;
    RunSummary summary_;
    RootLock lock_;
    SettledFile chainFile_;
    QString waiting_;
    qint64 runNumber_ = 0;
};
