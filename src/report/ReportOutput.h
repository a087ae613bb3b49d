#pragma once
#include <QString>

struct Run;

// Prints the processing log: to the PDF of the run's options when one is
// given, else to the default printer, else (no printer) to a PDF in the
// chain folder whose path the view is told. `dataDati` is the date of the
// data the catalogue import read.
void printReport(const Run& run, const QString& dataDati);
