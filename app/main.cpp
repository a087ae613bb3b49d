// lis06c: carries the chain's file into the store database in one unattended run.
#include "Display.h"
#include "Italian.h"
#include "mdbimport/ImportMdb.h"
#include "shell/Headless.h"
#include "report/ReportOutput.h"
#include "shell/MainWindow.h"
#include "run/Startup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace {

QString defaultRoot() {
#ifdef Q_OS_WIN
    return QStringLiteral("C:/");
#else
    const QString env = qEnvironmentVariable("LIS06C_ROOT");
    return env.isEmpty() ? QDir::currentPath() : env;
#endif
}

void say(const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
}

}  // namespace

int main(int argc, char** argv) {
    bool headless = false;
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "--headless") == 0 || qstrcmp(argv[i], "--init") == 0 ||
            qstrcmp(argv[i], "--version") == 0 || qstrcmp(argv[i], "--help") == 0 ||
            qstrcmp(argv[i], "--import-mdb") == 0)
            headless = true;
    // Started by cron or over ssh there is no display: run as --headless would.
    const bool noDisplay = !headless && !displayAvailable(QProcessEnvironment::systemEnvironment());
    if (noDisplay) {
        say(QStringLiteral("nessun display: eseguo senza finestra"));
        headless = true;
    }
    // A headless run needs no display, but the report still draws with fonts.
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lis06c"));
    QApplication::setApplicationVersion(QStringLiteral(LIS06C_VERSION));
    loadItalian(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Importa il file Divulgazioni della catena (nelv/acq_var.txt) negli archivi del negozio.\n\n"
                       "Stato di uscita:\n"
                       "  0  elaborazione terminata\n"
                       "  1  altro errore (anche un rapporto che non è stato possibile scrivere)\n"
                       "  2  codice fornitore della catena non inserito\n"
                       "  3  archivio o file della catena mancante, o file ancora in scrittura\n"
                       "  4  tabella o campo mancante negli archivi\n"
                       "  5  terminata, ma qualcosa è stato rifiutato, trattenuto o è un documento rivisto\n"
                       "  6  un'altra elaborazione è in corso sulla stessa cartella"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption rootOpt(QStringLiteral("root"),
                                     QStringLiteral("Cartella che fa da unità C: (contiene nelv e quarn)."),
                                     QStringLiteral("DIR"));
    const QCommandLineOption headlessOpt(QStringLiteral("headless"),
                                         QStringLiteral("Senza finestra: avanzamento e messaggi su stderr."));
    const QCommandLineOption printOpt(QStringLiteral("print"),
                                      QStringLiteral("Risposta alla domanda di stampa finale (yes|no, predefinito no)."),
                                      QStringLiteral("yes|no"), QStringLiteral("no"));
    const QCommandLineOption pdfOpt(QStringLiteral("pdf"),
                                    QStringLiteral("Il rapporto va in questo file PDF invece che alla stampante."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption initOpt(QStringLiteral("init"),
                                     QStringLiteral("Crea cartelle, archivi, tabelle, campi e indici mancanti, ed esce."));
    const QCommandLineOption settleOpt(
        QStringLiteral("settle"),
        QStringLiteral("Secondi in cui il file della catena deve restare invariato prima di leggerlo "
                       "(predefinito 5, o LIS06C_SETTLE_SECONDS)."),
        QStringLiteral("SECONDI"));
    const QCommandLineOption importOpt(QStringLiteral("import-mdb"),
                                       QStringLiteral("Crea l'archivio SQLite da un file Access (.mdb/.accdb) ed esce."),
                                       QStringLiteral("FILE"));
    const QCommandLineOption intoOpt(QStringLiteral("into"),
                                     QStringLiteral("Con --import-mdb: store (quarn/dati.mdb) o chain (nelv/dati.mdb)."),
                                     QStringLiteral("store|chain"));
    const QCommandLineOption replaceOpt(QStringLiteral("replace"),
                                        QStringLiteral("Con --import-mdb: sposta da parte l'archivio che c'è già."));
    parser.addOptions({rootOpt, headlessOpt, printOpt, pdfOpt, initOpt, settleOpt, importOpt, intoOpt, replaceOpt});
    parser.process(app);

    const QString printAnswer = parser.value(printOpt).toLower();
    if (printAnswer != QLatin1String("yes") && printAnswer != QLatin1String("no")) {
        say(QStringLiteral("--print vuole yes oppure no, non \"%1\"").arg(parser.value(printOpt)));
        return ExitOtherError;
    }

    Paths paths;
    paths.root = QDir::cleanPath(parser.isSet(rootOpt) ? parser.value(rootOpt) : defaultRoot());
    RunOptions runOptions;
    if (parser.isSet(pdfOpt)) runOptions.pdfPath = QFileInfo(parser.value(pdfOpt)).absoluteFilePath();
    if (parser.isSet(settleOpt)) {
        bool ok = false;
        runOptions.settleSeconds = parser.value(settleOpt).toDouble(&ok);
        if (!ok || runOptions.settleSeconds < 0) {
            say(QStringLiteral("--settle vuole un numero di secondi, non \"%1\"").arg(parser.value(settleOpt)));
            return ExitOtherError;
        }
    }
    // A mistyped report target must never cost a database: refused before anything runs.
    if (const QString refused = refusedReportTarget(paths, runOptions.pdfPath);
        !runOptions.pdfPath.isEmpty() && !refused.isEmpty()) {
        say(refused);
        return ExitOtherError;
    }

    if (parser.isSet(importOpt))
        return importMdbCommand(paths.root, parser.value(importOpt), parser.value(intoOpt), parser.isSet(replaceOpt), say);

    if (parser.isSet(initOpt)) {
        try {
            for (const QString& line : initRoot(paths)) say(line);
            return 0;
        } catch (const db::Error& e) {
            say(e.message());
            return exitStatusFor(e);
        }
    }

    if (parser.isSet(headlessOpt) || noDisplay) {
        HeadlessOptions options;
        options.paths = paths;
        options.printAnswer = printAnswer == QLatin1String("yes");
        options.run = runOptions;
        return runHeadless(options);
    }
    return runWindow(paths, runOptions);
}
