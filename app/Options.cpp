#include "Options.h"

#include "run/SummaryText.h"
#include "shell/LogFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <algorithm>
#include <limits>

namespace {

// The options in the order --help lists them.
const QCommandLineOption kConfig(QStringLiteral("config"),
                                 QStringLiteral("Legge la configurazione da questo file INI (altrimenti da "
                                                "/etc/lis06c.conf, se c'è)."),
                                 QStringLiteral("FILE"));
const QCommandLineOption kRoot(QStringLiteral("root"),
                               QStringLiteral("Cartella che fa da unità C: (contiene nelv e quarn)."),
                               QStringLiteral("DIR"));
const QCommandLineOption kHeadless(QStringLiteral("headless"),
                                   QStringLiteral("Senza finestra: una riga per evento su stderr, e nel registro "
                                                  "della corsa."));
const QCommandLineOption kPrint(QStringLiteral("print"),
                                QStringLiteral("Risposta alla domanda di stampa finale, senza chiedere (yes|no; "
                                               "senza finestra il predefinito è no)."),
                                QStringLiteral("yes|no"));
const QCommandLineOption kPdf(QStringLiteral("pdf"),
                              QStringLiteral("Il rapporto va in questo file PDF invece che alla stampante."),
                              QStringLiteral("FILE"));
const QCommandLineOption kSettle(QStringLiteral("settle"),
                                 QStringLiteral("Secondi in cui il file della catena deve restare fermo prima di "
                                                "essere letto."),
                                 QStringLiteral("SECONDI"));
const QCommandLineOption kDryRun(QStringLiteral("dry-run"),
                                 QStringLiteral("Prova: la corsa intera su copie degli archivi e del file della "
                                                "catena; mostra cosa farebbe, nulla cambia nella radice."));
const QCommandLineOption kJson(QStringLiteral("json"),
                               QStringLiteral("Senza finestra; l'ultima riga su stdout è l'esito in JSON (con "
                                              "--history: l'elenco delle corse in JSON)."));
const QCommandLineOption kHistory(QStringLiteral("history"),
                                  QStringLiteral("Elenca le corse registrate nell'archivio del negozio, ed esce."));
const QCommandLineOption kReportRun(QStringLiteral("report-run"),
                                    QStringLiteral("Ristampa il rapporto della corsa N com'era (con --pdf: in un "
                                                   "file PDF), ed esce."),
                                    QStringLiteral("N"));
const QCommandLineOption kUndoLastRun(QStringLiteral("undo-last-run"),
                                      QStringLiteral("Rimette i due archivi e il file della catena com'erano prima "
                                                     "dell'ultima corsa (copia in RADICE/backup), ed esce."));
const QCommandLineOption kForce(QStringLiteral("force"),
                                QStringLiteral("Con --undo-last-run: annulla anche se altri programmi hanno "
                                               "modificato gli archivi dopo la corsa (quelle modifiche vanno perse)."));
const QCommandLineOption kInit(QStringLiteral("init"),
                               QStringLiteral("Crea cartelle, archivi, tabelle, campi e indici mancanti, ed esce."));
const QCommandLineOption kSupplier(QStringLiteral("supplier"),
                                   QStringLiteral("Con --init: registra il codice fornitore della catena e le righe "
                                                  "di configurazione che mancano."),
                                   QStringLiteral("CODICE"));
const QCommandLineOption kYear(QStringLiteral("year"),
                               QStringLiteral("Con --init: crea le numerazioni dei documenti per questo anno "
                                              "(senza: l'anno corrente e il precedente)."),
                               QStringLiteral("AAAA"));
const QCommandLineOption kImportMdb(QStringLiteral("import-mdb"),
                                   QStringLiteral("Crea l'archivio SQLite da un file Access (.mdb/.accdb) ed esce."),
                                   QStringLiteral("FILE"));
const QCommandLineOption kInto(QStringLiteral("into"),
                               QStringLiteral("Con --import-mdb: store (quarn/dati.mdb) o chain (nelv/dati.mdb)."),
                               QStringLiteral("store|chain"));
const QCommandLineOption kReplace(QStringLiteral("replace"),
                                  QStringLiteral("Con --import-mdb: sposta da parte l'archivio che c'è già."));

bool wholeNumber(const QString& text, qint64 low, qint64 high, qint64* value) {
    bool ok = false;
    *value = text.trimmed().toLongLong(&ok);
    return ok && *value >= low && *value <= high;
}

QString absolute(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

}  // namespace

const std::vector<ConfigKey>& configKeys() {
    static const std::vector<ConfigKey> keys = {
        {"root", "la cartella che fa da unità C: (come --root)"},
        {"printer", "la stampante del rapporto (vuota: la predefinita)"},
        {"pdf_folder", "cartella in cui scrivere il rapporto in PDF invece di stamparlo"},
        {"log_folder", "cartella dei registri delle corse (predefinita: RADICE/nelv/log)"},
        {"runs_kept", "quanti registri di corsa conservare nella cartella (predefinito: 60)"},
        {"settle_seconds", "secondi di quiete del file della catena prima di leggerlo (come --settle)"},
        {"max_file_mb", "dimensione massima accettata del file della catena, in MB"},
        {"backups_kept", "quante copie di sicurezza delle corse conservare in RADICE/backup (predefinito: 10)"},
    };
    return keys;
}

CommandLine::CommandLine() {
    parser_.setApplicationDescription(
        QStringLiteral("Importa il file Divulgazioni della catena (nelv/acq_var.txt) negli archivi\ndel negozio."));
    parser_.addHelpOption();
    parser_.addVersionOption();
    parser_.addOptions({kConfig, kRoot, kHeadless, kPrint, kPdf, kSettle, kDryRun, kJson, kHistory, kReportRun,
                        kUndoLastRun, kForce, kInit, kSupplier, kYear, kImportMdb, kInto, kReplace});
}

namespace {

// `text` in lines of at most 79 characters, the first after `head`, the
// others indented as far.
QString wrapped(const QString& head, const QString& text) {
    const QString indent(head.size(), QLatin1Char(' '));
    QString out, line = head;
    for (const QString& word : text.split(QLatin1Char(' '))) {
        if (line.size() > indent.size() && line.size() + 1 + word.size() > 79) {
            out += line + QLatin1Char('\n');
            line = indent;
        }
        line += (line.size() > indent.size() ? QStringLiteral(" ") : QString()) + word;
    }
    return out + line + QLatin1Char('\n');
}

}  // namespace

QString CommandLine::helpText() const {
    QString text = parser_.helpText();
    text += QLatin1Char('\n') +
            wrapped(QString(), QStringLiteral("File di configurazione: INI, letto da --config FILE, altrimenti da "
                                              "/etc/lis06c.conf se c'è; la riga di comando prevale. Chiavi:"));
    for (const ConfigKey& k : configKeys())
        text += wrapped(QStringLiteral("  %1 ").arg(QLatin1String(k.key), -16), QString::fromUtf8(k.meaning));
    text += QStringLiteral("\nEsiti (exit status):\n");
    for (const ExitStatusText& s : exitStatusTexts())
        text += wrapped(QStringLiteral("  %1  ").arg(s.status), QString::fromUtf8(s.text));
    return text;
}

bool CommandLine::readConfig(const QString& path, ProgramOptions& o) {
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        error_ = QStringLiteral("Il file di configurazione %1 non si legge (formato INI: chiave=valore)").arg(path);
        return false;
    }
    auto bad = [&](const QString& key, const QString& what) {
        error_ = QStringLiteral("File di configurazione %1: %2 %3, non \"%4\"")
                     .arg(path, key, what, settings.value(key).toString());
        return false;
    };
    for (const QString& key : settings.allKeys()) {
        const auto known = std::find_if(configKeys().begin(), configKeys().end(),
                                        [&](const ConfigKey& k) { return key == QLatin1String(k.key); });
        if (known == configKeys().end()) {
            QStringList names;
            for (const ConfigKey& k : configKeys()) names << QLatin1String(k.key);
            error_ = QStringLiteral("File di configurazione %1: chiave sconosciuta \"%2\" (le chiavi sono: %3)")
                         .arg(path, key, names.join(QStringLiteral(", ")));
            return false;
        }
    }
    // INI reads a value with commas as a list: a printer's name may have them.
    auto text = [&](const char* key) {
        const QVariant v = settings.value(QLatin1String(key));
        return (v.typeId() == QMetaType::QStringList ? v.toStringList().join(QStringLiteral(", ")) : v.toString())
            .trimmed();
    };
    if (!text("root").isEmpty()) o.paths.root = absolute(text("root"));
    o.run.printerName = text("printer");
    if (!text("pdf_folder").isEmpty()) o.run.pdfFolder = absolute(text("pdf_folder"));
    if (!text("log_folder").isEmpty()) o.output.logFolder = absolute(text("log_folder"));
    qint64 n = 0;
    if (settings.contains(QStringLiteral("runs_kept"))) {
        if (!wholeNumber(text("runs_kept"), 1, 100000, &n))
            return bad(QStringLiteral("runs_kept"), QStringLiteral("vuole un numero intero da 1 in su"));
        o.output.runsKept = int(n);
    }
    if (settings.contains(QStringLiteral("settle_seconds"))) {
        if (!wholeNumber(text("settle_seconds"), 0, 86400, &n))
            return bad(QStringLiteral("settle_seconds"), QStringLiteral("vuole un numero intero di secondi"));
        o.run.settleSeconds = int(n);
    }
    if (settings.contains(QStringLiteral("max_file_mb"))) {
        if (!wholeNumber(text("max_file_mb"), 1, 1 << 30, &n))
            return bad(QStringLiteral("max_file_mb"), QStringLiteral("vuole un numero intero di MB da 1 in su"));
        o.run.maxFileBytes = n << 20;
    }
    if (settings.contains(QStringLiteral("backups_kept"))) {
        if (!wholeNumber(text("backups_kept"), 1, 10000, &n))
            return bad(QStringLiteral("backups_kept"), QStringLiteral("vuole un numero intero da 1 in su"));
        o.run.backupsKept = int(n);
    }
    return true;
}

std::optional<ProgramOptions> CommandLine::parse(const QStringList& arguments, const QProcessEnvironment& environment,
                                                 const QString& defaultConfig) {
    error_.clear();
    if (!parser_.parse(arguments)) {
        error_ = parser_.errorText();
        return std::nullopt;
    }
    if (!parser_.positionalArguments().isEmpty()) {
        error_ = QStringLiteral("Argomento inatteso: %1 (vedi --help)").arg(parser_.positionalArguments().first());
        return std::nullopt;
    }
    ProgramOptions o;
    if (parser_.isSet(QStringLiteral("help")) || parser_.optionNames().contains(QStringLiteral("help-all"))) {
        o.mode = ProgramOptions::Mode::Help;
        return o;
    }
    if (parser_.isSet(QStringLiteral("version"))) {
        o.mode = ProgramOptions::Mode::Version;
        return o;
    }

    // The file first; what the command line says then takes its place.
    if (parser_.isSet(kConfig)) {
        o.configFile = absolute(parser_.value(kConfig));
        if (!QFileInfo(o.configFile).isFile()) {
            error_ = QStringLiteral("Il file di configurazione %1 non esiste").arg(o.configFile);
            return std::nullopt;
        }
    } else if (QFileInfo(defaultConfig).isFile()) {
        o.configFile = defaultConfig;
    }
    if (!o.configFile.isEmpty() && !readConfig(o.configFile, o)) return std::nullopt;

    if (parser_.isSet(kRoot)) o.paths.root = absolute(parser_.value(kRoot));
    if (o.paths.root.isEmpty()) {
        const QString env = environment.value(QStringLiteral("LIS06C_ROOT"));
        o.paths.root = absolute(env.isEmpty() ? QDir::currentPath() : env);
    }
    if (o.output.logFolder.isEmpty()) o.output.logFolder = defaultLogFolder(o.paths.root);

    if (parser_.isSet(kPrint)) {
        const QString answer = parser_.value(kPrint).toLower();
        if (answer != QLatin1String("yes") && answer != QLatin1String("no")) {
            error_ = QStringLiteral("--print vuole yes oppure no, non \"%1\"").arg(parser_.value(kPrint));
            return std::nullopt;
        }
        o.printAnswer = answer == QLatin1String("yes");
    }
    if (parser_.isSet(kPdf)) o.run.pdfPath = absolute(parser_.value(kPdf));
    qint64 n = 0;
    if (parser_.isSet(kSettle)) {
        if (!wholeNumber(parser_.value(kSettle), 0, 86400, &n)) {
            error_ = QStringLiteral("--settle vuole un numero intero di secondi, non \"%1\"").arg(parser_.value(kSettle));
            return std::nullopt;
        }
        o.run.settleSeconds = int(n);
    }
    o.json = parser_.isSet(kJson);
    o.run.trial = parser_.isSet(kDryRun);

    const int commands = int(parser_.isSet(kInit)) + int(parser_.isSet(kHistory)) +
                         int(parser_.isSet(kReportRun)) + int(parser_.isSet(kImportMdb)) +
                         int(parser_.isSet(kUndoLastRun));
    if (commands > 1) {
        error_ = QStringLiteral("--init, --import-mdb, --history, --report-run e --undo-last-run non vanno insieme");
        return std::nullopt;
    }
    if (!parser_.isSet(kUndoLastRun) && parser_.isSet(kForce)) {
        error_ = QStringLiteral("--force va con --undo-last-run");
        return std::nullopt;
    }
    // A trial is a run: with a command it would either be ignored or change the root.
    if (o.run.trial && commands > 0) {
        error_ = QStringLiteral("--dry-run va con una corsa, non con --init, --import-mdb, --history, --report-run "
                                "o --undo-last-run");
        return std::nullopt;
    }
    if (!parser_.isSet(kImportMdb) && (parser_.isSet(kInto) || parser_.isSet(kReplace))) {
        error_ = QStringLiteral("--into e --replace vanno con --import-mdb");
        return std::nullopt;
    }
    if (!parser_.isSet(kInit) && (parser_.isSet(kSupplier) || parser_.isSet(kYear))) {
        error_ = QStringLiteral("--supplier e --year vanno con --init");
        return std::nullopt;
    }
    if (parser_.isSet(kInit)) {
        o.mode = ProgramOptions::Mode::Init;
        if (parser_.isSet(kSupplier)) {
            if (!wholeNumber(parser_.value(kSupplier), 1, std::numeric_limits<qint32>::max(), &n)) {
                error_ = QStringLiteral("--supplier vuole il codice fornitore della catena, un numero intero da 1 "
                                        "a %1, non \"%2\"")
                             .arg(std::numeric_limits<qint32>::max())
                             .arg(parser_.value(kSupplier));
                return std::nullopt;
            }
            o.setup.supplier = qint32(n);
        }
        if (parser_.isSet(kYear)) {
            if (!wholeNumber(parser_.value(kYear), 1901, 9999, &n)) {
                error_ = QStringLiteral("--year vuole un anno di quattro cifre, non \"%1\"").arg(parser_.value(kYear));
                return std::nullopt;
            }
            o.setup.year = int(n);
        }
    } else if (parser_.isSet(kImportMdb)) {
        o.mode = ProgramOptions::Mode::ImportMdb;
        o.importFile = parser_.value(kImportMdb);
        o.importInto = parser_.value(kInto);
        o.importReplace = parser_.isSet(kReplace);
    } else if (parser_.isSet(kUndoLastRun)) {
        o.mode = ProgramOptions::Mode::UndoLastRun;
        o.force = parser_.isSet(kForce);
    } else if (parser_.isSet(kHistory)) {
        o.mode = ProgramOptions::Mode::History;
    } else if (parser_.isSet(kReportRun)) {
        o.mode = ProgramOptions::Mode::ReportRun;
        if (!wholeNumber(parser_.value(kReportRun), 1, std::numeric_limits<qint64>::max(), &n)) {
            error_ = QStringLiteral("--report-run vuole il numero di una corsa (vedi --history), non \"%1\"")
                         .arg(parser_.value(kReportRun));
            return std::nullopt;
        }
        o.reportRun = n;
    } else if (parser_.isSet(kHeadless) || o.json) {
        o.mode = ProgramOptions::Mode::Headless;
    }
    return o;
}

bool wantsNoWindow(int argc, char** argv) {
    static const char* const noWindow[] = {"--headless", "--init", "--version",    "-v",        "--help",
                                           "-h",         "--json", "--report-run", "--history", "--import-mdb",
                                           "--undo-last-run"};
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        for (const char* name : noWindow)
            if (arg == name || arg.startsWith(QByteArray(name) + '=')) return true;
    }
    return false;
}
