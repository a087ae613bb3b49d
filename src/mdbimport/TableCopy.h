#pragma once
// One Access table into the SQLite database: the table with its fields and
// primary key, every row streamed through one prepared INSERT, then its
// indexes. Runs inside the caller's transaction.
#include "db/Database.h"
#include "mdbimport/AccessFile.h"

namespace mdbimport {

struct TableCount {
    qint64 declared = 0;  // what the Access table's definition says it holds
    qint64 read = 0;      // rows read from the Access file
    qint64 written = 0;   // rows the SQLite table holds afterwards
    bool exact() const { return declared == read && read == written; }
};

// "Name" with inner quotes doubled, for table, field and index names.
QString quotedName(const QString& name);

TableCount copyTable(AccessTable& from, db::Database& to);

}  // namespace mdbimport
