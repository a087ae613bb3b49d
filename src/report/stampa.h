#pragma once
// The printed report of the processing log: one line per log row, grouped by
// kind of processing, a page header on every page and a heading where each
// section begins. Reads the log only.
#include "report/Printer.h"

struct Run;

namespace report {

// Prints the store's processing log on `printer` and ends its document.
void stampa(const Run& run, Printer& printer, const QString& dataDati);

}  // namespace report
