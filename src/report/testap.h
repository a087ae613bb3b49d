#pragma once
// The fixed parts of the printed report: the page header drawn at the top of
// every page (`testap`) and the heading of each section with its boxed column
// captions (`testapp` promotions, `testapf` invoices, `testapA` articles).
#include "report/Printer.h"

#include <QString>

namespace report {

// The drawing state of one report: where the band and the cell being drawn
// are (whole user units, shared by the headers and the report's lines) and
// the page counter, which numbers the pages of the report 1, 2, 3 ...
struct ReportState {
    Printer& printer;
    QString today;     // the printing day, dd/mm/yyyy
    QString dataDati;  // the date of the data, dd/mm/yyyy; may be empty
    bool trial = false;  // a trial's report: every page says that nothing was changed
    int pagina = 0;
    int Y = 0;   // band top
    int Y2 = 0;  // band bottom
    int X1 = 0;  // cell left
    int X2 = 0;  // cell right
};

// A position of the printer as a whole number of user units (halves to even).
int whole(double units);

void testap(ReportState& r);
void testapp(ReportState& r);
void testapf(ReportState& r);
void testapA(ReportState& r);

}  // namespace report
