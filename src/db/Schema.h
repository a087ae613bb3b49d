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
};

enum class Which { Store, Chain };

const std::vector<Table>& tables(Which which);

// Creates every missing table, field and index; never drops or alters what
// exists. A unique index the rows already there do not allow becomes a plain one.
void createMissing(Database& db, Which which);

// The program's own tables (named lis06c_…) belong to no other program of
// the store: start-up creates them, their fields and indexes where missing,
// instead of reporting them missing. Writes nothing when all is there.
bool isOwnTable(const Table& table);
void createOwnTables(Database& db, Which which);

// Creates the lookup indexes the run relies on where a store's database lacks
// them (a database kept by another program). A unique index that the data
// does not allow is created as a plain one.
void createMissingIndexes(Database& db, Which which);

// Every table and field of the store's own programs that the database lacks,
// as "archivio negozio (path): tabella listi01, manca il campo marg". Empty
// when all is there. The program's own tables are not counted.
QStringList missing(Database& db, Which which);

}  // namespace db
