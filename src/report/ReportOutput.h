#pragma once
#include "report/stampa.h"

#include <QDate>
#include <QString>

struct Run;
struct RunOptions;
class RunView;
class Clock;

// Where a report went: a PDF file or a printer.
struct ReportPlace {
    QString pdf;
    QString printer;
};

// What to print and where: the log rows, the day in the page header, the date
// of the data, and the run's choices of PDF, PDF folder and printer.
struct ReportJob {
    db::Database& store;
    report::LogRows rows;
    QDate day;
    QString dataDati;
    const RunOptions& options;
    RunView& view;         // told when the report cannot go where it was meant to
    const Clock& clock;    // names the PDFs made in a folder
    QString fallbackFolder;  // where the report goes when no printer can take it
};

// Prints the report: to the given PDF, else to a new PDF in the PDF folder,
// else to the chosen or the default printer, else (no printer) to a PDF in the
// fallback folder whose path the view is told. Empty when it could not be
// written anywhere (the view has been told).
ReportPlace printReport(const ReportJob& job);

// The processing log of the current run, printed today; where it went is
// recorded in the run's summary. `dataDati` is the date of the data the
// catalogue import read.
void printReport(const Run& run, const QString& dataDati);
