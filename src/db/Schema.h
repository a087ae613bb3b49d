#pragma once
// The tables, fields and indexes of the two databases that lis06c reads and
// writes. `--init` and the test fixtures create them from here; the start-up
// check verifies them before anything is written.
#include <QString>
#include <QStringList>
#include <vector>

namespace db {

class Database;

struct Column {
    const char* name;
    const char* type;  // SQLite affinity: INTEGER, REAL, TEXT
    // A field the run itself needs in one of its own working tables: start-up
    // adds it where a store's database lacks it, so it is never reported missing.
    bool addedAtStart = false;
};

struct Index {
    const char* name;
    const char* definition;  // what follows "ON table": "(codart)", "(trim(codafo), codlis)"
    bool unique = false;
};

struct Table {
    const char* name;
    std::vector<Column> columns;
    std::vector<Index> indexes;
    // A table of lis06c's own (the run history), which no other store program
    // uses: start-up creates it where missing instead of refusing to run.
    bool own = false;
};

enum class Which { Store, Chain };

const std::vector<Table>& tables(Which which);

// Creates every missing table, field and index; never drops or alters what
// exists. A unique index that the rows do not allow is created as a plain one;
// the notes returned say where.
QStringList createMissing(Database& db, Which which);

// Creates lis06c's own tables, fields and indexes where missing (start-up).
void createOwnTables(Database& db, Which which);

// Creates the lookup indexes the run relies on where a store's database lacks
// them (a database kept by another program), and drops the ones earlier
// versions created that a newer index replaces. A unique index that the data
// does not allow (a key that repeats) is created as a plain one, and stderr
// says so; any other failure is raised.
void createMissingIndexes(Database& db, Which which);

// Adds the fields marked addedAtStart that the database's tables lack.
void addStartColumns(Database& db, Which which);

// Every table and field the program uses that the database lacks (its own
// tables aside, which start-up creates), as
// "archivio store, tabella listi01, campo marg". Empty when all is there.
QStringList missing(Database& db, Which which);

}  // namespace db
