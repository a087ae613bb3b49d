#include "db/StagedFile.h"

#include "db/Database.h"

namespace db {

QByteArray stagedFileBefore(Database& store) {
    Query before = store.prepare(QStringLiteral(
        "SELECT righe_preparate FROM lis06c_esecuzioni "
        "WHERE numero < (SELECT max(numero) FROM lis06c_esecuzioni) ORDER BY numero DESC LIMIT 1"));
    return before.firstRow({}, [](const Query& q) { return q.value(0).toString().toLatin1(); }).value_or(QByteArray());
}

void recordStagedFile(Database& store, const QByteArray& sha256) {
    store.exec(QStringLiteral("UPDATE lis06c_esecuzioni SET righe_preparate = ? "
                              "WHERE numero = (SELECT max(numero) FROM lis06c_esecuzioni)"),
               {sha256.isEmpty() ? QVariant() : QVariant(QString::fromLatin1(sha256))});
}

}  // namespace db
