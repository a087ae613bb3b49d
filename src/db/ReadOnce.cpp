#include "db/ReadOnce.h"

namespace db {

bool comparedAsText(Database& db, const QString& table, const QString& field) {
    Query declared =
        db.prepare(QStringLiteral("SELECT upper(type) FROM pragma_table_info(?) WHERE lower(name) = lower(?)"));
    if (!declared.first({table, field})) return false;
    const QString type = declared.value(0).toString();
    declared.finish();
    const auto has = [&](const char* word) { return type.contains(QLatin1String(word)); };
    const bool textOrNone = !has("INT") && (has("CHAR") || has("CLOB") || has("TEXT") || has("BLOB") ||
                                            type.trimmed().isEmpty());
    Query created = db.prepare(
        QStringLiteral("SELECT upper(sql) FROM sqlite_master WHERE type = 'table' AND lower(name) = lower(?)"));
    const bool collation = !created.first({table}) || created.value(0).toString().contains(QLatin1String("COLLATE"));
    created.finish();
    return textOrNone && !collation;
}

common::KeptTexts::Ref keepText(common::KeptTexts& texts, const Query& q, int column, bool shared) {
    if (const std::optional<std::string_view> ascii = q.asciiText(column)) return texts.keepAscii(*ascii, shared);
    return texts.keep(q.value(column).toString(), shared);
}

qint64 rowsToKeep(Database& db, const char* table) {
    Query count = db.prepare(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table)));
    const qint64 n = count.firstRow({}, [](const Query& q) { return q.value(0).toLongLong(); }).value_or(0);
    return n > kRowsKept ? -1 : n;
}

}  // namespace db
