#include "safekeep/Sqlite.h"

#include <sqlite3.h>

namespace safekeep::sqlite {

db::ErrorKind kindOf(int rc) {
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return db::ErrorKind::Locked;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return db::ErrorKind::ReadOnly;
    case SQLITE_FULL:
        return db::ErrorKind::Full;
    case SQLITE_NOTADB:
        return db::ErrorKind::NotDatabase;
    default:
        return db::ErrorKind::Other;
    }
}

db::Error error(const QString& label, const QString& sql, sqlite3* connection) {
    return db::Error(kindOf(sqlite3_extended_errcode(connection)), QStringLiteral("Errore sull'archivio %1\nIstruzione: %2\nSQLite: %3")
                               .arg(label, sql.simplified(), QString::fromUtf8(sqlite3_errmsg(connection))));
}

QString quoted(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

Statement::Statement(sqlite3* connection, const QString& sql, const QString& label, const QStringList& values)
    : connection_(connection), label_(label), sql_(sql) {
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(connection, text.constData(), static_cast<int>(text.size()), &stmt_, nullptr) != SQLITE_OK)
        fail();
    for (int i = 0; i < values.size(); ++i) {
        const QByteArray value = values[i].toUtf8();
        if (sqlite3_bind_text(stmt_, i + 1, value.constData(), static_cast<int>(value.size()), SQLITE_TRANSIENT) !=
            SQLITE_OK)
            fail();
    }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

bool Statement::next() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) fail();
    return false;
}

void Statement::run() {
    while (next()) {
    }
}

qint64 Statement::whole(int column) const { return sqlite3_column_int64(stmt_, column); }

QString Statement::text(int column) const {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column)),
                             sqlite3_column_bytes(stmt_, column));
}

void Statement::fail() const { throw error(label_, sql_, connection_); }

void exec(sqlite3* connection, const QString& sql, const QString& label, const QStringList& values) {
    Statement(connection, sql, label, values).run();
}

QStringList column(sqlite3* connection, const QString& sql, const QString& label, const QStringList& values) {
    QStringList out;
    Statement s(connection, sql, label, values);
    while (s.next()) out << s.text(0);
    return out;
}

}  // namespace safekeep::sqlite
