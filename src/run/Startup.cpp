#include "run/Startup.h"

#include "db/Schema.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QUuid>

namespace {

void checkSchema(db::Database& database, db::Which which) {
    const QStringList missing = db::missing(database, which);
    if (!missing.isEmpty()) {
        throw db::Error(db::ErrorKind::Schema,
                        QStringLiteral("Struttura dell'archivio incompleta, nessun dato è stato modificato:\n") +
                            missing.join(QLatin1Char('\n')));
    }
}

// A new, empty SQLite file (the only place where lis06c creates a database).
void createEmptyDatabase(const QString& path) {
    const QString name = QStringLiteral("lis06c-init-%1").arg(QUuid::createUuid().toString());
    {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        d.setDatabaseName(path);
        if (!d.open())
            throw db::Error(db::ErrorKind::Other, QStringLiteral("Impossibile creare %1").arg(path));
        d.exec(QStringLiteral("PRAGMA user_version = 1"));
        d.close();
    }
    QSqlDatabase::removeDatabase(name);
}

}  // namespace

Databases openDatabases(const Paths& paths, db::WriteCounter* counter) {
    if (!QFileInfo(paths.root).isDir()) {
        throw db::Error(db::ErrorKind::Missing,
                        QStringLiteral("La cartella radice %1 non esiste").arg(paths.root));
    }
    Databases d;
    d.store = db::Database::open(paths.storeDb(), QStringLiteral("Quarn (negozio)"), counter);
    d.chain = db::Database::open(paths.chainDb(), QStringLiteral("Nelv (catena)"), counter);
    // The run history is lis06c's own: made here where missing, not asked of the store.
    db::createOwnTables(*d.store, db::Which::Store);
    checkSchema(*d.store, db::Which::Store);
    checkSchema(*d.chain, db::Which::Chain);
    db::addStartColumns(*d.store, db::Which::Store);
    db::createMissingIndexes(*d.store, db::Which::Store);
    db::createMissingIndexes(*d.chain, db::Which::Chain);
    return d;
}

QStringList initRoot(const Paths& paths) {
    QStringList done;
    QDir root(paths.root);
    if (!root.exists() && !QDir().mkpath(paths.root))
        throw db::Error(db::ErrorKind::Other, QStringLiteral("Impossibile creare %1").arg(paths.root));
    for (const char* sub : {"nelv", "quarn"}) {
        if (!root.exists(QLatin1String(sub))) {
            root.mkpath(QLatin1String(sub));
            done << QStringLiteral("creata la cartella %1").arg(root.filePath(QLatin1String(sub)));
        }
    }
    const std::pair<QString, db::Which> dbs[] = {{paths.storeDb(), db::Which::Store},
                                                  {paths.chainDb(), db::Which::Chain}};
    for (const auto& [path, which] : dbs) {
        if (!QFileInfo::exists(path)) {
            createEmptyDatabase(path);
            done << QStringLiteral("creato l'archivio %1").arg(path);
        }
        auto database = db::Database::open(path, QFileInfo(path).dir().dirName());
        done << db::createMissing(*database, which);
        done << QStringLiteral("struttura verificata: %1").arg(path);
    }
    return done;
}
