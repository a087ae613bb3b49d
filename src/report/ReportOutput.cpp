#include "report/ReportOutput.h"

#include "report/PainterPrinter.h"
#include "report/stampa.h"
#include "run/Run.h"
#include "run/RunConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QSaveFile>

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
// file cannot be written. Until the report is whole the target keeps what it held.
bool printToPdf(const Run& run, const QString& path, const QString& dataDati) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    QString why;
    if (!file.open(QIODevice::WriteOnly)) {
        why = file.errorString();
    } else {
        try {
            report::stampa(run, *report::PainterPrinter::forPdf(file, path, reportTitle), dataDati);
            if (!file.commit()) why = file.errorString();
        } catch (const report::PrintError& e) {
            why = e.message();
        }
    }
    if (why.isEmpty()) return true;
    run.view.message(QStringLiteral("Impossibile scrivere il rapporto dei dati elaborati nel file\n%1\n(%2)")
                         .arg(QDir::toNativeSeparators(path), why));
    run.summary.reportFailed = true;
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
