#pragma once
// Which chain's file the document lines staged in `variati` came from, kept
// with the run that staged them in the run history (lis06c_esecuzioni): a run
// that carries on one that stopped part-way keeps those lines when it reads
// the same file, instead of staging them again against a store the stopped
// run already changed.
#include <QByteArray>

namespace db {

class Database;

// The digest (hexadecimal SHA-256) of the file whose lines the run before the
// current one staged, or carried on; empty when none.
QByteArray stagedFileBefore(Database& store);
// Records it for the current run (empty: nothing staged), in the transaction
// that stages the lines.
void recordStagedFile(Database& store, const QByteArray& sha256);

}  // namespace db
