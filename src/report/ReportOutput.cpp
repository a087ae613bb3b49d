#include "report/ReportOutput.h"

#include "report/PainterPrinter.h"
#include "report/stampa.h"
#include "run/Run.h"

#include <QDir>
#include <QPrinterInfo>

namespace {

const QString reportTitle = QStringLiteral("ELABORAZIONI DIVULGAZIONI NELV");

// A PDF in the chain folder, named after the day and time of printing so that
// an earlier report is never overwritten.
QString fallbackPdf(const Run& run) {
    return run.config.paths.chainFolder() + QStringLiteral("/report-%1-%2.pdf")
                                             .arg(run.clock.today().toString(QStringLiteral("yyyyMMdd")),
                                                  run.clock.now().toString(QStringLiteral("HHmmss")));
}

// Writes the report into a PDF file; false (after telling the user) when the
// file cannot be written.
bool printToPdf(const Run& run, const QString& path, const QString& dataDati) {
    try {
        auto printer = report::PainterPrinter::forPdf(path, reportTitle);
        report::stampa(run, *printer, dataDati);
        return true;
    } catch (const report::PrintError&) {
        run.view.message(QStringLiteral("Impossibile scrivere il rapporto dei dati elaborati nel file\n%1")
                             .arg(QDir::toNativeSeparators(path)));
        return false;
    }
}

}  // namespace

void printReport(const Run& run, const QString& dataDati) {
    const QString& pdfPath = run.config.options.pdfPath;
    if (!pdfPath.isEmpty()) {
        printToPdf(run, pdfPath, dataDati);
        return;
    }

    const QPrinterInfo printerInfo = QPrinterInfo::defaultPrinter();
    QString why;
    if (printerInfo.isNull()) {
        why = QStringLiteral("Nessuna stampante disponibile.");
    } else {
        try {
            auto printer = report::PainterPrinter::forPrinter(printerInfo, reportTitle);
            report::stampa(run, *printer, dataDati);
            return;
        } catch (const report::PrintError&) {
            why = QStringLiteral("Stampa non riuscita sulla stampante %1.").arg(printerInfo.printerName());
        }
    }

    const QString path = fallbackPdf(run);
    if (printToPdf(run, path, dataDati))
        run.view.message(why + QStringLiteral("\nIl rapporto dei dati elaborati è stato scritto nel file\n%1")
                                   .arg(QDir::toNativeSeparators(path)));
}
