#include "report/ReportOutput.h"

#include "common/Dates.h"
#include "report/PainterPrinter.h"
#include "run/Run.h"
#include "run/RunConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QSaveFile>

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
    report::stampa(job.store, job.rows, printer, common::ddmmyyyy(job.day), job.dataDati, job.options.trial);
}

// Writes the report into a PDF file; false (after telling the user) when the
// file cannot be written. Until the report is whole the target keeps what it held.
bool printToPdf(const ReportJob& job, const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    QString why;
    if (!file.open(QIODevice::WriteOnly)) {
        why = file.errorString();
    } else {
        try {
            stampa(job, *report::PainterPrinter::forPdf(file, path, reportTitle));
            if (!file.commit()) why = file.errorString();
        } catch (const report::PrintError& e) {
            why = e.message();
        }
    }
    if (why.isEmpty()) return true;
    job.view.message(QStringLiteral("Impossibile scrivere il rapporto dei dati elaborati nel file\n%1\n(%2)")
                         .arg(QDir::toNativeSeparators(path), why));
    return false;
}

// The folder as the file system resolves it (links followed), or the cleaned
// absolute path of one that does not exist yet.
QString resolvedFolder(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

bool within(const QString& path, const QString& folder) {
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity cs = Qt::CaseSensitive;
#endif
    return path.compare(folder, cs) == 0 || path.startsWith(folder + QLatin1Char('/'), cs);
}

}  // namespace

QString refusedReportTarget(const Paths& paths, const QString& pdfPath) {
    const QFileInfo target(pdfPath);
    const QString shown = QDir::toNativeSeparators(target.absoluteFilePath());
    // The target itself resolved: a link to a database counts as the database.
    const QString resolved = target.exists() ? target.canonicalFilePath()
                                             : resolvedFolder(target.absolutePath()) + QLatin1Char('/') +
                                                   target.fileName();
    for (const QString& folder : {paths.chainFolder(), paths.storeFolder()}) {
        if (within(resolved, resolvedFolder(folder)))
            return QStringLiteral("Il rapporto non può essere scritto in %1: la cartella %2 contiene gli archivi e "
                                  "il file della catena. Indicare un file PDF in un'altra cartella.")
                .arg(shown, QDir::toNativeSeparators(folder));
    }
    if (target.exists() && !target.isFile())
        return QStringLiteral("Il rapporto non può essere scritto in %1: non è un file.").arg(shown);
    if (target.exists() && target.size() > 0) {
        QFile existing(target.absoluteFilePath());
        if (!existing.open(QIODevice::ReadOnly) || !existing.read(5).startsWith("%PDF-"))
            return QStringLiteral("Il rapporto non può essere scritto in %1: il file esiste e non è un PDF, "
                                  "non viene sovrascritto.")
                .arg(shown);
    }
    return {};
}

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
    // A trial's folder goes when the trial ends, and the root must not change:
    // a trial's report that no printer took goes to the temporary folder.
    const QString fallback = run.config.options.trial ? QDir::tempPath() : run.config.paths.chainFolder();
    const ReportJob job{run.store,         report::LogRows{}, run.clock.today(), dataDati, run.config.options,
                        run.view,          run.clock,         fallback};
    const ReportPlace place = printReport(job);
    run.summary.report = place.pdf;
    run.summary.printer = place.printer;
    if (!place.pdf.isEmpty() || !place.printer.isEmpty()) run.summary.reportDay = job.day;
    // Written nowhere: the run's data are in, its report is not.
    else run.summary.reportFailed = true;
}
