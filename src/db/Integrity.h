#pragma once
// A damaged database found at start, before the run writes anything, rather
// than part-way through, after the other database has been written.
#include <QString>

namespace db {

class Database;

// Throws Error(Corrupt) naming the database and what SQLite found wrong. The
// check reads every page of the file and verifies each page's structure, the
// order of keys and the free-page list (SQLite's quick check): it is as long
// as the file is large, about 0.1 s for a store-size database.
void requireIntact(Database& db);

}  // namespace db
