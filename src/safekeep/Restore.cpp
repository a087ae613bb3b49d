#include "safekeep/Restore.h"

#include "common/Sha256.h"
#include "safekeep/Sqlite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace safekeep {

namespace {

const QString kStoreLabel = QStringLiteral("Quarn (negozio)");
const QString kChainLabel = QStringLiteral("Nelv (catena)");

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

QStringList fieldsOf(sqlite3* live, const QString& schema, const QString& table, const QString& label) {
    return sqlite::column(live, QStringLiteral("SELECT name FROM pragma_table_info(?1, ?2) ORDER BY cid"), label,
                          {table, schema});
}

bool hasTable(sqlite3* live, const QString& schema, const QString& table, const QString& label) {
    return !sqlite::column(live,
                           QStringLiteral("SELECT name FROM pragma_table_list WHERE schema = ?1 AND name = ?2"),
                           label, {schema, table})
                .isEmpty();
}

// The copy's rows of `table`, with their rowids, in place of the live ones.
void putTableBack(sqlite3* live, const QString& table, const QString& label) {
    if (!hasTable(live, QStringLiteral("main"), table, label)) {
        // Gone since the backup: made again as the copy describes it.
        const QStringList create = sqlite::column(
            live, QStringLiteral("SELECT sql FROM lis06c_copy.sqlite_master WHERE type = 'table' AND name = ?1"),
            label, {table});
        sqlite::exec(live, create.value(0), label);
    }
    const QStringList liveFields = fieldsOf(live, QStringLiteral("main"), table, label);
    QStringList fields;
    for (const QString& f : fieldsOf(live, QStringLiteral("lis06c_copy"), table, label))
        if (liveFields.contains(f, Qt::CaseInsensitive)) fields << sqlite::quoted(f);
    const bool withoutRowid = !sqlite::column(live,
                                              QStringLiteral("SELECT name FROM pragma_table_list WHERE schema = "
                                                             "'lis06c_copy' AND name = ?1 AND wr = 1"),
                                              label, {table})
                                   .isEmpty();
    if (!withoutRowid) fields.prepend(QStringLiteral("rowid"));
    const QString name = sqlite::quoted(table);
    const QString list = fields.join(QLatin1String(", "));
    sqlite::exec(live, QStringLiteral("DELETE FROM main.%1").arg(name), label);
    sqlite::exec(live, QStringLiteral("INSERT INTO main.%1 (%2) SELECT %2 FROM lis06c_copy.%1").arg(name, list), label);

    // The next key of an AUTOINCREMENT table goes back with its rows.
    if (hasTable(live, QStringLiteral("main"), QStringLiteral("sqlite_sequence"), label) &&
        hasTable(live, QStringLiteral("lis06c_copy"), QStringLiteral("sqlite_sequence"), label)) {
        sqlite::exec(live, QStringLiteral("DELETE FROM main.sqlite_sequence WHERE name = ?1"), label, {table});
        sqlite::exec(live,
                     QStringLiteral("INSERT INTO main.sqlite_sequence (name, seq) SELECT name, seq FROM "
                                    "lis06c_copy.sqlite_sequence WHERE name = ?1"),
                     label, {table});
    }
}

// Every table of the copy at `copyPath` but `kept`, in one transaction.
void putDatabaseBack(sqlite3* live, const QString& copyPath, const QString& label, const QStringList& kept) {
    sqlite::exec(live, QStringLiteral("ATTACH DATABASE ?1 AS lis06c_copy"), label, {copyPath});
    struct Detach {
        sqlite3* live;
        ~Detach() { sqlite3_exec(live, "DETACH DATABASE lis06c_copy", nullptr, nullptr, nullptr); }
    } detach{live};

    const QStringList check = sqlite::column(live, QStringLiteral("PRAGMA lis06c_copy.quick_check"), label);
    if (check != QStringList{QStringLiteral("ok")})
        throw db::Error(db::ErrorKind::Other,
                        QStringLiteral("La copia di sicurezza %1 dell'archivio %2 è danneggiata: nulla è stato "
                                       "ripristinato.\n%3")
                            .arg(native(copyPath), label, check.mid(0, 10).join(QLatin1Char('\n'))));

    sqlite::exec(live, QStringLiteral("BEGIN IMMEDIATE"), label);
    try {
        const QStringList tables = sqlite::column(
            live,
            QStringLiteral("SELECT name FROM lis06c_copy.sqlite_master WHERE type = 'table' AND name NOT LIKE "
                           "'sqlite_%' AND sql NOT LIKE 'CREATE VIRTUAL%' ORDER BY name"),
            label);
        for (const QString& table : tables)
            if (!kept.contains(table, Qt::CaseInsensitive)) putTableBack(live, table, label);
        sqlite::exec(live, QStringLiteral("COMMIT"), label);
    } catch (...) {
        sqlite3_exec(live, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

}  // namespace

QString UndoCheck::refusal() const {
    if (safe()) return {};
    QStringList out;
    if (!runEnded) {
        out << QStringLiteral("L'elaborazione %1 non è arrivata alla fine: non si può sapere che cosa è cambiato "
                              "negli archivi dopo di lei, e annullarla potrebbe cancellare lavoro fatto da altri "
                              "programmi.")
                   .arg(run);
    } else {
        out << QStringLiteral("Dopo la fine dell'elaborazione %1 altri programmi hanno modificato gli archivi: "
                              "annullarla cancellerebbe queste modifiche.")
                   .arg(run);
        for (const QString& c : storeChanges) out << QStringLiteral("archivio %1, tabella %2").arg(kStoreLabel, c);
        for (const QString& c : chainChanges) out << QStringLiteral("archivio %1, tabella %2").arg(kChainLabel, c);
    }
    out << QStringLiteral("Nulla è stato modificato. Per annullare comunque: lis06c --undo-last-run --force");
    return out.join(QLatin1Char('\n'));
}

UndoCheck checkUndo(const BackupInfo& backup, sqlite3* store, sqlite3* chain, const QStringList& keptStoreTables) {
    UndoCheck check;
    check.run = backup.run;
    check.runEnded = backup.storeAtEnd && backup.chainAtEnd;
    if (!check.runEnded) return check;
    // The kept tables may be in the fingerprint taken at the run's end: left out on both sides.
    Fingerprint then = *backup.storeAtEnd;
    then.tables.removeIf([&](const TableState& t) { return keptStoreTables.contains(t.table, Qt::CaseInsensitive); });
    // Hashed as the run's end was, by whichever version made the run.
    check.storeChanges = changes(then, fingerprint(store, kStoreLabel, keptStoreTables, then.hash));
    check.chainChanges = changes(*backup.chainAtEnd, fingerprint(chain, kChainLabel, {}, backup.chainAtEnd->hash));
    return check;
}

PutBack putBack(const BackupInfo& backup, const Paths& root, sqlite3* store, sqlite3* chain,
                const QStringList& keptStoreTables, const QDateTime& when) {
    const Paths copies = backup.copies();
    if (backup.hasChainFile && common::Sha256::hexOfFile(copies.chainFile()) != backup.chainFileSha256)
        throw db::Error(db::ErrorKind::Other,
                        QStringLiteral("La copia di sicurezza del file %1 è danneggiata o manca: nulla è stato "
                                       "ripristinato.")
                            .arg(native(copies.chainFile())));
    putDatabaseBack(store, copies.storeDb(), kStoreLabel, keptStoreTables);
    putDatabaseBack(chain, copies.chainDb(), kChainLabel, {});

    PutBack done;
    if (!backup.hasChainFile) return done;
    const bool present = QFileInfo(root.chainFile()).isFile();
    if (present && common::Sha256::hexOfFile(root.chainFile()) == backup.chainFileSha256) return done;
    if (present) {
        done.newerChainFile = root.chainFolder() + QStringLiteral("/acq_var-%1.txt")
                                                       .arg(when.toString(QStringLiteral("yyyyMMdd-HHmmss")));
        if (!QFile::rename(root.chainFile(), done.newerChainFile))
            throw db::Error(db::ErrorKind::Other,
                            QStringLiteral("Archivi ripristinati, ma il file %1 non si lascia spostare in %2: "
                                           "rimetterci a mano la copia %3.")
                                .arg(native(root.chainFile()), native(done.newerChainFile),
                                     native(copies.chainFile())));
    }
    copyWhole(copies.chainFile(), root.chainFile());
    return done;
}

}  // namespace safekeep
