#pragma once
// One processing run: its context, the two open databases, the view, the
// clock and the processing log. Every stage is a function of a Run&.
#include "common/ChainFile.h"
#include "db/Database.h"
#include "db/ProcessingLog.h"
#include "shell/Clock.h"
#include "shell/RunContext.h"
#include "shell/RunView.h"

#include <optional>
#include <stdexcept>

// An error that ends the run with a clear message (a malformed record that
// cannot be skipped, a number past its range). Database errors are db::Error.
class RunError : public std::runtime_error {
public:
    explicit RunError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

struct RunOptions {
    QString pdfPath;  // the report goes to this PDF instead of the printer
};

class Run {
public:
    Run(RunContext context, db::Database& store, db::Database& chain, RunView& view,
        const Clock& clock, RunOptions options = {});

    RunContext ctx;
    db::Database& store;
    db::Database& chain;
    RunView& view;
    const Clock& clock;
    RunOptions options;
    db::ProcessingLog log;

    // The chain's file, read from disk once per run; nullptr when it is missing.
    const common::ChainFile* chainFile();
    // Forgets the file read, so that the next call reads it again (a run that
    // waits for the file to arrive).
    void forgetChainFile() { chainFile_.reset(); }

private:
    std::optional<common::ChainFile> chainFile_;
};

// Appends the row under construction to the processing log, with the run's
// current EAN, then resets its prices, costs and description.
void Agg_Rec_divulga(Run& run);
