#pragma once
// One processing run: its configuration, the two open databases, the view, the
// clock, and the two records a run keeps of what it did: the processing log
// and the summary's counts. Every stage is a function of a const Run& and of
// what the stages before it hand over; a Run holds no working values.
#include "db/Database.h"
#include "db/ProcessingLog.h"
#include "run/Clock.h"
#include "run/RunConfig.h"
#include "run/RunSummary.h"
#include "run/RunView.h"

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

struct Run {
    const RunConfig& config;
    db::Database& store;
    db::Database& chain;
    RunView& view;
    const Clock& clock;
    db::ProcessingLog& log;
    RunSummary& summary;
};
