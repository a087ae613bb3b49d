#include "db/RunState.h"

#include "db/Database.h"

namespace db {

namespace {
QString stamp(const QDateTime& at) { return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }
}  // namespace

bool lastRunUnfinished(Database& store) {
    Query last = store.prepare(QStringLiteral("SELECT fine IS NULL FROM lis06c_elaborazione ORDER BY rowid DESC LIMIT 1"));
    return last.firstRow({}, [](const Query& q) { return q.value(0).toBool(); }).value_or(false);
}

void recordRunStarted(Database& store, const QDateTime& at, bool afterUnfinishedRun) {
    const QVariant staged = afterUnfinishedRun ? QVariant(QString::fromLatin1(stagedFile(store))) : QVariant();
    store.exec(QStringLiteral("DELETE FROM lis06c_elaborazione"));
    store.exec(QStringLiteral("INSERT INTO lis06c_elaborazione (inizio, fine, righe_preparate) VALUES (?, NULL, ?)"),
               {stamp(at), staged.toString().isEmpty() ? QVariant() : staged});
}

void recordRunEnded(Database& store, const QDateTime& at) {
    Transaction tx(store);
    store.exec(QStringLiteral("UPDATE lis06c_elaborazione SET fine = ? WHERE fine IS NULL"), {stamp(at)});
    tx.commit();
}

QByteArray stagedFile(Database& store) {
    Query staged = store.prepare(
        QStringLiteral("SELECT righe_preparate FROM lis06c_elaborazione ORDER BY rowid DESC LIMIT 1"));
    return staged.firstRow({}, [](const Query& q) { return q.value(0).toString().toLatin1(); }).value_or(QByteArray());
}

void recordStagedFile(Database& store, const QByteArray& sha256) {
    store.exec(QStringLiteral("UPDATE lis06c_elaborazione SET righe_preparate = ?"),
               {sha256.isEmpty() ? QVariant() : QVariant(QString::fromLatin1(sha256))});
}

}  // namespace db
