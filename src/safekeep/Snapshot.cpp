#include "safekeep/Snapshot.h"

#include "safekeep/Sqlite.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QThread>
#include <sqlite3.h>

namespace safekeep {

namespace {

db::Error errorOf(const QString& what, int rc, sqlite3* connection) {
    const QString sqlite = QString::fromUtf8(connection ? sqlite3_errmsg(connection) : sqlite3_errstr(rc));
    return db::Error(sqlite::kindOf(rc), QStringLiteral("%1\nSQLite: %2").arg(what, sqlite));
}

bool busy(int rc) { return (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED; }

// Steps `step` to its end, waiting out another program's lock up to the busy timeout.
template <class Step> int stepThroughLocks(Step step) {
    const QDeadlineTimer deadline(db::Database::busyTimeoutMs());
    for (;;) {
        const int rc = step();
        if (!busy(rc) || deadline.hasExpired()) return rc;
        QThread::msleep(20);
    }
}

// A file left by an earlier attempt, with its journal files.
void removeDatabaseFile(const QString& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) QFile::remove(path + QLatin1String(suffix));
}

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

// Copies every page of `from` into `to` as one unit.
int copyPages(sqlite3* to, sqlite3* from) {
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup) return sqlite3_errcode(to);
    const int rc = stepThroughLocks([backup] { return sqlite3_backup_step(backup, -1); });
    const int finished = sqlite3_backup_finish(backup);
    return rc == SQLITE_DONE ? finished : rc;
}

}  // namespace

sqlite3* connectionOf(const QSqlDatabase& db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        if (sqlite3* connection = *static_cast<sqlite3* const*>(handle.constData())) return connection;
    throw db::Error(db::ErrorKind::Other,
                    QStringLiteral("La connessione all'archivio %1 non è una connessione SQLite").arg(db.databaseName()));
}

RawConnection::RawConnection(const QString& path, const QString& label) {
    if (!QFileInfo(path).isFile())
        throw db::Error(db::ErrorKind::Missing, QStringLiteral("Archivio %1 non esiste: %2").arg(label, native(path)));
    // SQLite's companion files left by another program stay as they are: the
    // last connection to close would otherwise fold the log into the
    // database file and delete it.
    const bool logThere = QFileInfo::exists(path + QStringLiteral("-wal"));
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const db::Error error =
            errorOf(QStringLiteral("Impossibile aprire l'archivio %1: %2").arg(label, native(path)), rc, db_);
        sqlite3_close_v2(db_);
        throw error;
    }
    sqlite3_busy_timeout(db_, db::Database::busyTimeoutMs());
    if (logThere) sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
}

RawConnection::~RawConnection() { sqlite3_close_v2(db_); }

void snapshot(sqlite3* source, const QString& target, const QString& label, SnapshotMethod method) {
    const QString what =
        QStringLiteral("Copia dell'archivio %1 in %2 non riuscita").arg(label, native(target));
    removeDatabaseFile(target);
    if (method == SnapshotMethod::VacuumInto) {
        sqlite3_stmt* vacuum = nullptr;
        int rc = sqlite3_prepare_v2(source, "VACUUM INTO ?1", -1, &vacuum, nullptr);
        if (rc == SQLITE_OK) {
            const QByteArray name = target.toUtf8();
            sqlite3_bind_text(vacuum, 1, name.constData(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
            rc = stepThroughLocks([vacuum] {
                const int step = sqlite3_step(vacuum);
                if (step != SQLITE_DONE) sqlite3_reset(vacuum);
                return step;
            });
        }
        sqlite3_finalize(vacuum);
        if (rc != SQLITE_DONE && rc != SQLITE_OK) {
            const db::Error error = errorOf(what, rc, source);
            removeDatabaseFile(target);
            throw error;
        }
        return;
    }

    sqlite3* copy = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(target).constData(), &copy,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) rc = copyPages(copy, source);
    if (rc != SQLITE_OK) {
        const db::Error error = errorOf(what, rc, copy);
        sqlite3_close_v2(copy);
        removeDatabaseFile(target);
        throw error;
    }
    sqlite3_close_v2(copy);
}

void snapshot(const QString& sourcePath, const QString& target, const QString& label, SnapshotMethod method) {
    const RawConnection source(sourcePath, label);
    snapshot(source.handle(), target, label, method);
}

}  // namespace safekeep
