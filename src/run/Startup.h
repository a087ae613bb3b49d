#pragma once
// Opening the two databases and checking, before anything is written, that
// every table and field the run uses is there.
#include "db/Database.h"
#include "run/RunConfig.h"

#include <memory>

struct Databases {
    std::unique_ptr<db::Database> store;
    std::unique_ptr<db::Database> chain;
};

// Throws db::Error: Missing, NotDatabase, ReadOnly, Locked, Corrupt (found
// by the integrity check, before anything is written), or Schema with the
// list of what is missing (database, table, field).
Databases openDatabases(const Paths& paths, db::WriteCounter* counter = nullptr);

// `--init`: creates the folders nelv and quarn, the two databases where
// missing, and every missing table, field and index. Returns what it did.
QStringList initRoot(const Paths& paths);
