#pragma once
// What a run reads once, when the window loads, and never changes: where the
// three files are, the chain supplier code and name, the stage switches and
// where the report goes. Everything a stage works out during the run travels
// as arguments and return values, never through here.
#include <QString>

// Where the three files of a run are, under the folder that stands for drive C:.
struct Paths {
    QString root;
    QString storeDb() const { return root + QStringLiteral("/quarn/dati.mdb"); }
    QString chainDb() const { return root + QStringLiteral("/nelv/dati.mdb"); }
    QString chainFolder() const { return root + QStringLiteral("/nelv"); }
    QString storeFolder() const { return root + QStringLiteral("/quarn"); }
    QString chainFile() const { return root + QStringLiteral("/nelv/acq_var.txt"); }
};

// Seconds the chain's file must stay unchanged before a run reads it:
// LIS06C_SETTLE_SECONDS when set (the tests set 0), else 5.
double defaultSettleSeconds();

// The largest chain's file a run reads: 1 GB, or LIS06C_MAX_FILE_MB megabytes.
qint64 defaultMaxFileBytes();

// How many runs' backups stay in RADICE/backup: LIS06C_BACKUPS_KEPT, else 10.
int defaultBackupsKept();

// Choices made on the command line or in the configuration file, before the
// databases are opened.
struct RunOptions {
    QString pdfPath;      // the report goes to this PDF instead of the printer
    QString pdfFolder;    // else to a new PDF in this folder, named by day and time
    QString printerName;  // else to this printer; the default one when empty
    QString logFile;      // the run's own log file, named in the run history
    double settleSeconds = defaultSettleSeconds();  // the chain's file must rest this long before it is read
    qint64 maxFileBytes = defaultMaxFileBytes();  // a larger chain's file is refused
    int backupsKept = defaultBackupsKept();       // runs whose backup is kept, the newest
    // A trial (--dry-run): the run works on copies of both databases and the
    // chain's file in a temporary folder; nothing under the root changes.
    bool trial = false;
};

// What a trial's output, window and report pages say.
inline const QString kTrialMark = QStringLiteral("PROVA — nessuna modifica");

// The numeric value of a stage switch: an empty or non-numeric text counts as 0.
double switchValue(const QString& text);

struct RunConfig {
    Paths paths;
    RunOptions options;

    // The store's own user row, the one whose configuration the run reads.
    static constexpr qint16 userCode = 1;
    // The chain supplier code (`utenti.codfor_affil`); a loaded run never has 0.
    qint32 codfor_affil = 0;
    // The chain supplier's name as the store files it: the first 45 characters
    // of `fornitori.dscfornitore`, blank-padded; blanks when the store lacks it.
    QString supplierName = QString(45, QLatin1Char(' '));
    // Stage switches of `automa`, as text.
    QString art1, art2, art3;
    // The run before this one never reached its end: its log rows are kept,
    // and what it staged from the same file is carried on, not staged again.
    bool afterUnfinishedRun = false;

    // Changes to the store's articles are saved unless `art1` is switched on.
    bool articlesSaved() const { return switchValue(art1) == 0; }
    bool promotionsOn() const { return switchValue(art2) != 1; }
    bool documentsOn() const { return switchValue(art3) != 1; }
    // The chain supplier code as the store's price-list code, "000000".
    QString priceListCode() const;
};
