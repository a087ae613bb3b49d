#pragma once
// The run history in the store database: one row per run in
// `lis06c_esecuzioni` (start, end, outcome, the chain's file, what the run
// did) and, in `lis06c_storico_variatidivulgazioni`, the processing log of
// each run as it stood when the run ended. The processing log itself keeps
// only the rows of the current run, as the store's other programs expect; a
// run that was cut short (killed, or stopped by an error) leaves its rows
// there, and the next run appends to them, so that its report still shows
// the changes already made.
#include "run/RunSummary.h"

#include <QDateTime>
#include <optional>
#include <vector>

namespace db {
class Database;
}

struct RunRecord {
    qint64 number = 0;
    QDateTime start;
    QDateTime end;              // invalid for a run that never ended (killed)
    double seconds = 0;         // how long it took
    std::optional<int> status;  // the exit status; none for a run that never ended
    bool reachedEnd = false;    // every stage ran: the next run starts a new log
    QString logFile;
    RunSummary summary;         // counts, the chain's file, the date of the data, the report
    QDateTime undone;           // when --undo-last-run put back what the run changed; invalid if never
};

class RunHistory {
public:
    explicit RunHistory(db::Database& store) : store_(store) {}

    // True when a new run may empty the processing log: no run is recorded,
    // or the last one went through every stage.
    bool lastRunReachedItsEnd();

    // Records the start of a new run and returns its number. When the run
    // before it never ended, the processing log is first kept as its history.
    qint64 begin(const QDateTime& start, const QString& logFile);
    // Records how run `number` ended, with a copy of the processing log.
    void end(qint64 number, const QDateTime& end, double seconds, int status, bool reachedEnd,
             const RunSummary& summary);
    // Forgets a run that found nothing to do (the chain's file was not there).
    void forget(qint64 number);
    // Records that what run `number` changed was put back as it was before it.
    void markUndone(qint64 number, const QDateTime& when);

    // The history's own tables: they outlive an undo, which they record.
    static QStringList tables();

    std::vector<RunRecord> list();
    std::optional<RunRecord> find(qint64 number);

    // Date and time as the history stores them: "2026-12-08 10:30:00".
    static QString stamp(const QDateTime& when);

private:
    void keepLog(qint64 number);

    db::Database& store_;
};
