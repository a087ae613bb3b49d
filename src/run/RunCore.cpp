#include "run/RunCore.h"

#include "db/ProcessingLog.h"
#include "run/Form_Load.h"
#include "run/Run.h"
#include "run/RunHistory.h"
#include "run/RunSequence.h"
#include "run/TrialView.h"
#include "safekeep/Backup.h"
#include "safekeep/Fingerprint.h"
#include "safekeep/Snapshot.h"
#include "safekeep/TrialRoot.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

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

RunCore::RunCore(Paths paths, RunOptions options, RunView& view, const Clock& clock, db::WriteCounter* counter)
    : root_(paths),
      paths_(std::move(paths)),
      options_(std::move(options)),
      trialView_(options_.trial ? std::make_unique<TrialView>(view, paths_, root_) : nullptr),
      view_(trialView_ ? *trialView_ : view),
      clock_(clock),
      counter_(counter),
      lock_(root_),
      chainFile_(root_.chainFile(), options_.settleSeconds) {}

RunCore::~RunCore() { close(); }

// Runs `body`; an error shows its message and becomes the exit status.
template <class Body> int RunCore::guarded(Body body) {
    try {
        return body();
    } catch (const db::Error& e) {
        view_.message(e.message(), QStringLiteral("lis06c"));
        return exitStatusFor(e);
    } catch (const RunError& e) {
        view_.message(e.message(), QStringLiteral("lis06c"));
        return ExitOtherError;
    } catch (const std::exception& e) {
        view_.message(QString::fromUtf8(e.what()), QStringLiteral("lis06c"));
        return ExitOtherError;
    }
}

void RunCore::setWaiting(const QString& text) {
    if (text == waiting_) return;
    waiting_ = text;
    view_.setText(Box::variazioni, text);
}

int RunCore::locked() {
    setWaiting(lock_.heldBy());
    return ExitLocked;
}

int RunCore::load() {
    const int result = guarded([this] {
        if (!lock_.acquire()) return locked();
        setWaiting(QString());
        return open();
    });
    if (result != Ready) lock_.release();
    return result;
}

int RunCore::open() {
    if (options_.trial) {
        // A trial copies the root while it holds it, so it never starts from
        // the middle of another run, and works on its copy only: start-up,
        // the run history, the staging and the run itself all write there.
        closeDatabases();
        trialIsFresh_ = chainFile_.check() == SettledFile::State::Settled;
        trial_ = std::make_unique<safekeep::TrialRoot>(root_);
        paths_ = trial_->paths();
    }
    dbs_ = openDatabases(paths_, counter_);
    config_ = Form_Load(paths_, options_, *dbs_.store, view_);
    if (!config_) return int(ExitNoSupplierCode);
    log_ = std::make_unique<db::ProcessingLog>(*dbs_.store);
    return Ready;
}

int RunCore::waitForChainFile() {
    QElapsedTimer waited;
    waited.start();
    while (chainFile_.check() == SettledFile::State::Changing) {
        if (waited.elapsed() >= chainFile_.waitLimitSeconds() * 1000) {
            view_.message(QStringLiteral("Il file %1 è ancora in scrittura: la sua dimensione o la sua data sono "
                                         "cambiate negli ultimi %2 secondi, dopo %3 secondi di attesa. Il file non "
                                         "è stato letto; riprovare quando la copia è terminata.")
                              .arg(QDir::toNativeSeparators(chainFile_.path()))
                              .arg(chainFile_.settleSeconds())
                              .arg(chainFile_.waitLimitSeconds()),
                          QStringLiteral("lis06c"));
            return ExitMissingFile;
        }
        QThread::msleep(chainFile_.pollMs());
    }
    return Ready;
}

int RunCore::runOnce() {
    if (!config_) return int(ExitOtherError);
    const int result = [this] {
        const int ready = guarded([this] {
            if (!lock_.acquire()) return locked();
            if (chainFile_.check() == SettledFile::State::Changing) {
                setWaiting(QStringLiteral("In attesa che il file %1 sia completo: è ancora in scrittura.")
                               .arg(QDir::toNativeSeparators(chainFile_.path())));
                return int(RetryLater);
            }
            setWaiting(QString());
            // The copy a trial works on is made once the file has settled, as
            // late as possible: the window may have waited hours for the file.
            if (options_.trial && !trialIsFresh_) return open();
            trialIsFresh_ = false;
            return int(Ready);
        });
        return ready == Ready ? recordedRun() : ready;
    }();
    lock_.release();
    return result;
}

int RunCore::recordedRun() {
    QElapsedTimer elapsed;
    elapsed.start();
    // The run is in the history from its start, so that one cut short is known as such.
    const int begun = guarded([this] {
        runNumber_ = RunHistory(*dbs_.store).begin(now(), options_.logFile);
        return Ready;
    });
    if (begun != Ready) return begun;

    // Before it writes anything the run keeps what it may change, for
    // --undo-last-run. Without the chain's file the run writes nothing, and
    // the window, which waits for the file, would copy the store at every tick.
    // A trial changes nothing that would need taking back.
    const bool backedUp = !options_.trial && QFileInfo(paths_.chainFile()).isFile();
    if (backedUp) {
        const int kept = guarded([this] {
            safekeep::Backups(paths_)
                .begin(safekeep::connectionOf(dbs_.store->handle()), safekeep::connectionOf(dbs_.chain->handle()),
                       now())
                .commit(int(runNumber_), options_.backupsKept);
            return Ready;
        });
        // No run without its backup: it could not be taken back.
        if (kept != Ready) {
            guarded([this] {
                RunHistory(*dbs_.store).forget(runNumber_);
                return Ready;
            });
            return kept;
        }
    }

    summary_ = RunSummary{};
    bool reachedEnd = false;
    const int status = guarded([this, &reachedEnd] {
        const Run run{*config_, *dbs_.store, *dbs_.chain, view_, clock_, *log_, summary_};
        if (runSequence(run) == RunEnd::RetryLater) return RetryLater;
        // A report that could not be written leaves the run short of its end:
        // the next run keeps the log, so its report lists these changes too.
        if (summary_.reportFailed) return int(ExitOtherError);
        reachedEnd = true;
        return summary_.incomplete() ? int(ExitIncomplete) : int(ExitFinished);
    });

    const int recorded = guarded([&] {
        RunHistory history(*dbs_.store);
        if (status == RetryLater) history.forget(runNumber_);
        else history.end(runNumber_, now(), elapsed.nsecsElapsed() / 1e9, status, reachedEnd, summary_);
        // What the databases hold now: the undo compares it with what they
        // hold when it is asked for, to see what other programs wrote since.
        if (backedUp && status != RetryLater)
            safekeep::Backups(paths_).recordEnd(
                int(runNumber_),
                safekeep::fingerprint(safekeep::connectionOf(dbs_.store->handle()), QStringLiteral("Quarn (negozio)"),
                                      RunHistory::tables()),
                safekeep::fingerprint(safekeep::connectionOf(dbs_.chain->handle()), QStringLiteral("Nelv (catena)")));
        return Ready;
    });
    // A run whose end could not be recorded is not reported as a success.
    if (recorded != Ready && (status == ExitFinished || status == RetryLater)) return recorded;
    return status;
}

QDateTime RunCore::now() const { return QDateTime(clock_.today(), clock_.now()); }

void RunCore::close() {
    closeDatabases();
    lock_.release();
}

void RunCore::closeDatabases() {
    log_.reset();
    config_.reset();
    dbs_.chain.reset();
    dbs_.store.reset();
    trial_.reset();
    paths_ = root_;
}
