#pragma once
// The store's record of the last run (the program's own table
// lis06c_elaborazione, one row): when it started and, once it reached its
// end, when it ended. A run that was killed or failed part-way leaves no end,
// so the next run knows that the processing log still holds rows of changes
// whose report was never printed.
#include <QByteArray>
#include <QDateTime>

namespace db {

class Database;

// A run started and never reached its end. False when no run is recorded.
bool lastRunUnfinished(Database& store);

// Records the start of a run (and no end yet). Call inside the transaction
// that decides what the log keeps. The staged document lines stay recorded
// only after an unfinished run, whose work the new run carries on.
void recordRunStarted(Database& store, const QDateTime& at, bool afterUnfinishedRun);

// Records that the run started last reached its end.
void recordRunEnded(Database& store, const QDateTime& at);

// The digest of the chain's file whose document lines are staged in
// `variati` by this run or the unfinished one it carries on; empty when none.
QByteArray stagedFile(Database& store);
// Records it (empty: nothing staged), in the transaction that stages them.
void recordStagedFile(Database& store, const QByteArray& sha256);

}  // namespace db
