#pragma once
// The store's record of the last run (the program's own table
// lis06c_elaborazione, one row): when it started and, once it reached its
// end, when it ended. A run that was killed or failed part-way leaves no end,
// so the next run knows that the processing log still holds rows of changes
// whose report was never printed.
#include <QDateTime>

namespace db {

class Database;

// A run started and never reached its end. False when no run is recorded.
bool lastRunUnfinished(Database& store);

// Records the start of a run (and no end yet). Call inside the transaction
// that decides what the log keeps.
void recordRunStarted(Database& store, const QDateTime& at);

// Records that the run started last reached its end.
void recordRunEnded(Database& store, const QDateTime& at);

}  // namespace db
