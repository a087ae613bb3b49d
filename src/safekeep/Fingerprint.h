#pragma once
// What a database holds, table by table, in a few numbers: the row count and a
// checksum of the rows' contents. Taken when a run ends and again when the
// run is to be undone, it tells whether another program (the tills moving
// stock, say) wrote the database in between, and which tables: a changed
// price or stock quantity changes the checksum even when no row was added.
//
// The checksum is the sum of one 64-bit hash per row, over every field's type
// and value: the same rows in any order and under any rowid give the same sum,
// so a VACUUM by another program is not taken for a change.
//
// Earlier versions hashed a byte at a time (`RowHash::Bytes`) and wrote no
// name of the hash beside it: the undo of a run they made hashes as they did.
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

struct sqlite3;

namespace safekeep {

struct TableState {
    QString table;
    qint64 rows = 0;
    quint64 checksum = 0;
    friend bool operator==(const TableState&, const TableState&) = default;
};

enum class RowHash {
    Bytes,  // a multiply per byte: what earlier versions wrote
    Words,  // a multiply per eight bytes
};

struct Fingerprint {
    QList<TableState> tables;  // by name
    RowHash hash = RowHash::Words;

    const TableState* find(const QString& table) const;

    QJsonObject toJson() const;
    static Fingerprint fromJson(const QJsonObject& json);
};

// Every table of the database on `connection` except `skip` (the tables that
// are meant to change, such as the run history), read in one transaction.
// Throws db::Error naming `label`.
Fingerprint fingerprint(sqlite3* connection, const QString& label, const QStringList& skip = {},
                        RowHash hash = RowHash::Words);

// The tables whose rows differ between `then` and `now`, one line each, in
// the store's words: "listi01: 30000 righe, ora 30012", "codean: 45000 righe,
// ora 45000 con contenuto diverso". Empty when nothing changed.
QStringList changes(const Fingerprint& then, const Fingerprint& now);

}  // namespace safekeep
