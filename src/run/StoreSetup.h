#pragma once
// Setting up a new store (`--init --supplier CODE [--year YYYY]`): after what
// `--init` creates, the configuration rows a store needs to run, each only
// where it is missing; an existing row is never changed.
#include "run/RunConfig.h"

#include <QStringList>
#include <optional>

namespace db {
class Database;
}

struct StoreSetup {
    std::optional<qint32> supplier;  // the chain supplier code for `utenti`
    std::optional<int> year;         // the numbering rows' year; without it, this year's and last year's
};

// The rows, where missing: with a supplier, `utenti` row 1 with the chain
// supplier code and `automa` row 2 with every stage on; always, the document
// types FATTACQIMM, DDTACQ and OFFERTE in `tipodoc` and their numbering rows
// in `numeri` for the year (this year and last year when none is given). Returns what it did and what it left alone.
QStringList setUpStore(db::Database& store, const StoreSetup& setup, int currentYear);
