#pragma once
#include <QString>

struct Paths;
struct Run;

// Why the PDF named on the command line must not be written, or empty when it
// may: a target inside the chain's or the store's folder (a database, the
// chain's file), a folder, or an existing file that is not a PDF. Checked
// before the run starts, so a mistyped target never costs a database.
QString refusedReportTarget(const Paths& paths, const QString& pdfPath);

// Prints the processing log: to the PDF of the run's options when one is
// given, else to the default printer, else (no printer) to a PDF in the
// chain folder whose path the view is told. `dataDati` is the date of the
// data the catalogue import read. The PDF is written beside its target under
// another name and takes the target's name only once it is whole. A report
// that could not be written anywhere is marked in the run's summary.
void printReport(const Run& run, const QString& dataDati);
