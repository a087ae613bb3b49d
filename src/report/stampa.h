#pragma once
// The printed report of the processing log: one line per log row, grouped by
// kind of processing, a page header on every page and a heading where each
// section begins. Reads the log only.
#include "report/Printer.h"

struct Run;
namespace db {
class Database;
}

namespace report {

// Which log the report prints: the processing log of the current run, or the
// copy of it that the run history keeps for a past run.
struct LogRows {
    qint64 pastRun = 0;  // 0: the current processing log
};

// Prints the log rows on `printer` and ends its document. `today` is the
// printing day of the page header (dd/mm/yyyy), `dataDati` the date of the
// data; a trial's pages are marked as such.
void stampa(db::Database& store, const LogRows& rows, Printer& printer, const QString& today,
            const QString& dataDati, bool trial = false);

// The current run's processing log, printed today.
void stampa(const Run& run, Printer& printer, const QString& dataDati);

}  // namespace report
