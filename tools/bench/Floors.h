#pragma once
// The floors the benchmark sets the run against: what any program doing this
// job would spend at the least on the same data.
#include <QString>
#include <QtGlobal>

namespace bench {

// Processor time of the process (user and system), to tell the program's
// own work from waiting on a machine shared with other programs.
double cpuSeconds();

struct FloorTime {
    double seconds = 0;
    double cpu = 0;  // processor time, user and system
};

// (a) The chain's file read and every field of every known record split off,
// numbers converted and texts decoded as a stage would.
FloorTime floorRead(const QString& chainFile, qint64* fieldsTouched);

// The database floor (b): through the SQLite C API, statements prepared once,
// one transaction, a page cache that holds the database, on a fresh copy of
// the store database (not the one the run wrote): one indexed point lookup per
// line of the chain's file and as many row writes as the run made.
struct SqliteFloor {
    FloorTime time;
    qint64 found = 0;  // lookups that met a row
    double cacheMb = 0;
};
SqliteFloor floorSqlite(const QString& freshStoreDb, qint64 lookups, qint64 writes);

// Copies a database file (and its write-ahead log, if one is left) so that a
// floor can run on the data as it was before the run. Throws std::runtime_error.
void copyDatabase(const QString& from, const QString& to);

}  // namespace bench
