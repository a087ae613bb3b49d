#pragma once
// Putting a run's backup back. Each database is put back in one write
// transaction, table by table with the rows and rowids of the copy, so other
// programs that have it open see either the state after the run or the state
// before it, never a mixture; tables named as kept (the run history, which
// must outlive the undo that it records) keep their rows. The chain's file is
// put back too; a newer file that came since is moved aside, never lost.
#include "run/RunConfig.h"
#include "safekeep/Backup.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

struct sqlite3;

namespace safekeep {

// What the undo of a run would lose.
struct UndoCheck {
    int run = 0;
    bool runEnded = false;     // the run recorded its end: else nothing tells what changed after it
    QStringList storeChanges;  // tables of the store database written since the run ended
    QStringList chainChanges;  // tables of the chain database written since the run ended

    bool safe() const { return runEnded && storeChanges.isEmpty() && chainChanges.isEmpty(); }
    // Why the undo does not go ahead, naming what would be lost and how to
    // go ahead anyway; empty when safe.
    QString refusal() const;
};

// Compares what the databases on `store` and `chain` hold now with what they
// held when the run ended. `keptStoreTables` are left out on both sides.
UndoCheck checkUndo(const BackupInfo& backup, sqlite3* store, sqlite3* chain, const QStringList& keptStoreTables);

struct PutBack {
    QString newerChainFile;  // where a newer chain's file was moved aside; empty when there was none
};

// Checks that the copies are whole, then puts both databases and the chain's
// file back as the backup holds them. Throws db::Error; a database whose
// transaction failed is left as it was.
PutBack putBack(const BackupInfo& backup, const Paths& root, sqlite3* store, sqlite3* chain,
                const QStringList& keptStoreTables, const QDateTime& when);

}  // namespace safekeep
