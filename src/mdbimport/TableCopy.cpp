#include "mdbimport/TableCopy.h"

namespace mdbimport {

namespace {

QString keyList(const AccessTable& table, const AccessIndex& index, bool withOrder) {
    QStringList keys;
    for (size_t k = 0; k < index.columns.size(); ++k) {
        const int column = index.columns[k];
        if (column < 0 || column >= int(table.columns().size()))
            throw ImportError(QStringLiteral("Tabella %1: l'indice %2 nomina un campo che non c'è")
                                  .arg(table.name(), index.name));
        QString key = quotedName(table.columns()[column].name);
        if (withOrder && index.descending[k]) key += QStringLiteral(" DESC");
        keys << key;
    }
    return keys.join(QStringLiteral(", "));
}

void createTable(const AccessTable& from, db::Database& to) {
    QStringList parts;
    for (const AccessColumn& c : from.columns()) parts << quotedName(c.name) + QLatin1Char(' ') + c.sqliteType;
    for (const AccessIndex& index : from.indexes())
        if (index.primaryKey) parts << QStringLiteral("PRIMARY KEY (%1)").arg(keyList(from, index, false));
    to.exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(quotedName(from.name()), parts.join(QStringLiteral(", "))));
}

// Index names are the table's own in Access and the database's in SQLite:
// "Table.Index" keeps them apart and clear of the names lis06c gives its own.
void createIndexes(const AccessTable& from, db::Database& to) {
    for (const AccessIndex& index : from.indexes()) {
        if (index.primaryKey) continue;
        to.exec(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                    .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(),
                         quotedName(from.name() + QLatin1Char('.') + index.name), quotedName(from.name()),
                         keyList(from, index, true)));
    }
}

}  // namespace

QString quotedName(const QString& name) {
    QString inner = name;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

TableCount copyTable(AccessTable& from, db::Database& to) {
    createTable(from, to);

    const int width = int(from.columns().size());
    QStringList names;
    for (const AccessColumn& c : from.columns()) names << quotedName(c.name);
    const QString marks = QStringList(width, QStringLiteral("?")).join(QStringLiteral(", "));
    db::Query insert = to.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                      .arg(quotedName(from.name()), names.join(QStringLiteral(", ")), marks));

    TableCount count;
    count.declared = from.declaredRows();
    QVariantList row(width);  // one row at a time, whatever the table's size
    while (from.next()) {
        for (int i = 0; i < width; ++i) row[i] = from.value(i);
        insert.execList(row);
        ++count.read;
    }

    db::Query rows = to.prepare(QStringLiteral("SELECT count(*) FROM %1").arg(quotedName(from.name())));
    rows.first();
    count.written = rows.value(0).toLongLong();
    rows.finish();

    createIndexes(from, to);
    return count;
}

}  // namespace mdbimport
