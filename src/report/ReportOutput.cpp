#include "report/ReportOutput.h"

#include "common/Dates.h"
#include "report/PainterPrinter.h"
#include "run/Run.h"

#include <QDir>
#include <QPrinterInfo>

namespace {

const QString reportTitle = QStringLiteral("ELABORAZIONI DIVULGAZIONI NELV");

// A PDF in `folder`, named after the day and time of printing so that an
// earlier report is never overwritten.
QString pdfIn(const QString& folder, const Clock& clock) {
    return folder + QStringLiteral("/report-%1-%2.pdf")
                        .arg(clock.today().toString(QStringLiteral("yyyyMMdd")),
                             clock.now().toString(QStringLiteral("HHmmss")));
}

void stampa(const ReportJob& job, report::Printer& printer) {
    report::stampa(job.store, job.rows, printer, common::ddmmyyyy(job.day), job.dataDati);
}

// Writes the report into a PDF file; false (after telling the user) when the
// file cannot be written.
bool printToPdf(const ReportJob& job, const QString& path) {
    try {
        auto printer = report::PainterPrinter::forPdf(path, reportTitle);
        stampa(job, *printer);
        return true;
    } catch (const report::PrintError&) {
        job.view.message(QStringLiteral("Impossibile scrivere il rapporto dei dati elaborati nel file\n%1")
                             .arg(QDir::toNativeSeparators(path)));
        return false;
    }
}

}  // namespace

ReportPlace printReport(const ReportJob& job) {
    const RunOptions& options = job.options;
    if (!options.pdfPath.isEmpty()) {
        if (printToPdf(job, options.pdfPath)) return {options.pdfPath, {}};
        return {};
    }
    if (!options.pdfFolder.isEmpty()) {
        QDir().mkpath(options.pdfFolder);
        const QString path = pdfIn(options.pdfFolder, job.clock);
        if (printToPdf(job, path)) return {path, {}};
        return {};
    }

    const QPrinterInfo printerInfo = options.printerName.isEmpty() ? QPrinterInfo::defaultPrinter()
                                                                   : QPrinterInfo::printerInfo(options.printerName);
    QString why;
    if (printerInfo.isNull()) {
        why = options.printerName.isEmpty()
                  ? QStringLiteral("Nessuna stampante disponibile.")
                  : QStringLiteral("La stampante %1 non è disponibile.").arg(options.printerName);
    } else {
        try {
            auto printer = report::PainterPrinter::forPrinter(printerInfo, reportTitle);
            stampa(job, *printer);
            return {{}, printerInfo.printerName()};
        } catch (const report::PrintError&) {
            why = QStringLiteral("Stampa non riuscita sulla stampante %1.").arg(printerInfo.printerName());
        }
    }

    const QString path = pdfIn(job.fallbackFolder, job.clock);
    if (!printToPdf(job, path)) return {};
    job.view.message(why + QStringLiteral("\nIl rapporto dei dati elaborati è stato scritto nel file\n%1")
                               .arg(QDir::toNativeSeparators(path)));
    return {path, {}};
}

void printReport(const Run& run, const QString& dataDati) {
    const ReportJob job{run.store,   report::LogRows{}, run.clock.today(), dataDati,
                        run.config.options, run.view, run.clock, run.config.paths.chainFolder()};
    const ReportPlace place = printReport(job);
    run.summary.report = place.pdf;
    run.summary.printer = place.printer;
    if (!place.pdf.isEmpty() || !place.printer.isEmpty()) run.summary.reportDay = job.day;
}
