#include "shell/RunWorker.h"

#include "shell/Form_Load.h"
#include "shell/Headless.h"
#include "shell/RunSequence.h"

RunWorker::RunWorker(Paths paths, RunOptions options, RunView& view)
    : paths_(std::move(paths)), options_(std::move(options)), view_(view),
      counter_(db::WriteCounter::fromEnvironment()) {}

RunWorker::~RunWorker() { shutdown(); }

// Runs `body`; an error shows its message and becomes the exit status.
template <class Body> int RunWorker::guarded(Body body) {
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

void RunWorker::load() {
    const int result = guarded([this] {
        dbs_ = openDatabases(paths_, &counter_);
        RunContext ctx;
        ctx.paths = paths_;
        run_ = std::make_unique<Run>(std::move(ctx), *dbs_.store, *dbs_.chain, view_, clock_, options_);
        return Form_Load(*run_) == LoadOutcome::NoSupplierCode ? int(ExitNoSupplierCode) : Ready;
    });
    emit loaded(result);
}

void RunWorker::runOnce() {
    const int result = guarded([this] {
        if (!run_) return int(ExitOtherError);
        // A run that waited for the file reads it afresh.
        run_->forgetChainFile();
        return runSequence(*run_) == RunEnd::RetryLater ? RetryLater : int(ExitFinished);
    });
    emit ran(result);
}

void RunWorker::shutdown() {
    run_.reset();
    dbs_.chain.reset();
    dbs_.store.reset();
}
