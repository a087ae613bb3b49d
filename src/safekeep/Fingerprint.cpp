#include "safekeep/Fingerprint.h"

#include "safekeep/Sqlite.h"

#include <QJsonArray>
#include <sqlite3.h>
#include <algorithm>
#include <cstring>

namespace safekeep {

namespace {

// SQLite passes at most 127 arguments to a function: wider tables are summed
// in groups of fields, each group mixed with its position.
constexpr int kFieldsPerCall = 100;

constexpr quint64 kFnvOffset = 0xcbf29ce484222325ULL;
constexpr quint64 kFnvPrime = 0x100000001b3ULL;

quint64 fnv(quint64 h, const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) h = (h ^ bytes[i]) * kFnvPrime;
    return h;
}

quint64 wordStep(quint64 h, quint64 word) {
    h = (h ^ word) * 0x9e3779b97f4a7c15ULL;
    return h ^ (h >> 29);
}

// The same walk over eight bytes at a time: the fingerprint at the end of a
// run reads every field of both databases, and hashed a byte at a time the
// fields took two fifths of it. Sizes go in before the bytes, so the zeros
// that fill the last word do not make two values alike.
quint64 words(quint64 h, const unsigned char* bytes, size_t size) {
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 w;
        std::memcpy(&w, bytes + i, 8);
        h = wordStep(h, w);
    }
    if (i == size) return h;
    quint64 w = 0;  // the last bytes, as the memcpy of a whole word would place them
    for (size_t j = size; j > i; --j) w = (w << 8) | bytes[j - 1];
    return wordStep(h, w);
}

// How a row's fields are hashed: a value of a few bytes (a count, a type, a
// number) and a run of bytes (a text, a blob).
struct ByteHash {
    template <class T>
    static quint64 value(quint64 h, T v) { return fnv(h, &v, sizeof v); }
    static quint64 bytes(quint64 h, const void* data, size_t size) { return fnv(h, data, size); }
};
struct WordHash {
    template <class T>
    static quint64 value(quint64 h, T v) {
        quint64 w = 0;
        std::memcpy(&w, &v, sizeof v);
        return wordStep(h, w);
    }
    static quint64 bytes(quint64 h, const void* data, size_t size) {
        return words(h, static_cast<const unsigned char*>(data), size);
    }
};

// Spreads a row's hash over all 64 bits, so that a sum of many rows keeps them apart.
quint64 mix(quint64 z) {
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// rows_checksum(group, field, ...): the sum of the hashes of the rows' fields,
// each field's type, size and value.
template <class Hash>
void checksumStep(sqlite3_context* context, int argc, sqlite3_value** argv) {
    auto* sum = static_cast<quint64*>(sqlite3_aggregate_context(context, sizeof(quint64)));
    if (!sum) return sqlite3_result_error_nomem(context);
    quint64 h = Hash::value(kFnvOffset, argc);
    for (int i = 0; i < argc; ++i) {
        const unsigned char type = static_cast<unsigned char>(sqlite3_value_type(argv[i]));
        h = Hash::value(h, type);
        switch (type) {
        case SQLITE_INTEGER:
            h = Hash::value(h, sqlite3_value_int64(argv[i]));
            break;
        case SQLITE_FLOAT:
            h = Hash::value(h, sqlite3_value_double(argv[i]));
            break;
        case SQLITE_TEXT: {
            const unsigned char* text = sqlite3_value_text(argv[i]);
            const int size = sqlite3_value_bytes(argv[i]);
            h = Hash::value(h, size);
            h = Hash::bytes(h, text, static_cast<size_t>(size));
            break;
        }
        case SQLITE_BLOB: {
            const void* blob = sqlite3_value_blob(argv[i]);
            const int size = sqlite3_value_bytes(argv[i]);
            h = Hash::value(h, size);
            h = Hash::bytes(h, blob, static_cast<size_t>(size));
            break;
        }
        default:
            break;
        }
    }
    *sum += mix(h);
}

void checksumFinal(sqlite3_context* context) {
    auto* sum = static_cast<quint64*>(sqlite3_aggregate_context(context, 0));
    sqlite3_result_int64(context, sum ? static_cast<sqlite3_int64>(*sum) : 0);
}

TableState tableState(sqlite3* connection, const QString& table, const QString& label) {
    const QStringList fields =
        sqlite::column(connection, QStringLiteral("SELECT name FROM pragma_table_info(?1) ORDER BY cid"), label, {table});
    QStringList sums;
    for (qsizetype from = 0; from < fields.size(); from += kFieldsPerCall) {
        QStringList group;
        for (qsizetype i = from; i < std::min<qsizetype>(fields.size(), from + kFieldsPerCall); ++i)
            group << sqlite::quoted(fields[i]);
        sums << QStringLiteral("lis06c_rows_checksum(%1, %2)").arg(from).arg(group.join(QLatin1String(", ")));
    }
    if (sums.isEmpty()) sums << QStringLiteral("0");
    sqlite::Statement s(connection,
                        QStringLiteral("SELECT count(*), %1 FROM %2").arg(sums.join(QLatin1String(", ")), sqlite::quoted(table)),
                        label);
    TableState state{table};
    if (s.next()) {
        state.rows = s.whole(0);
        for (int i = 0; i < sums.size(); ++i) state.checksum += mix(static_cast<quint64>(s.whole(i + 1)) + i);
    }
    return state;
}

}  // namespace

const TableState* Fingerprint::find(const QString& table) const {
    for (const TableState& t : tables)
        if (t.table.compare(table, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

QJsonObject Fingerprint::toJson() const {
    QJsonArray list;
    for (const TableState& t : tables)
        list.append(QJsonObject{{QStringLiteral("table"), t.table},
                                {QStringLiteral("rows"), t.rows},
                                {QStringLiteral("checksum"), QString::number(t.checksum, 16)}});
    QJsonObject json{{QStringLiteral("tables"), list}};
    if (hash == RowHash::Words) json.insert(QStringLiteral("hash"), QStringLiteral("words"));
    return json;
}

Fingerprint Fingerprint::fromJson(const QJsonObject& json) {
    Fingerprint f;
    // Without a name, or with one this version does not know, the rows are
    // hashed as earlier versions did: an unknown hash then reads as a change,
    // and the undo asks for --force instead of guessing.
    f.hash = json.value(QStringLiteral("hash")).toString() == QLatin1String("words") ? RowHash::Words : RowHash::Bytes;
    for (const QJsonValue& v : json.value(QStringLiteral("tables")).toArray()) {
        const QJsonObject t = v.toObject();
        f.tables.append({t.value(QStringLiteral("table")).toString(),
                         static_cast<qint64>(t.value(QStringLiteral("rows")).toDouble()),
                         t.value(QStringLiteral("checksum")).toString().toULongLong(nullptr, 16)});
    }
    return f;
}

Fingerprint fingerprint(sqlite3* connection, const QString& label, const QStringList& skip, RowHash hash) {
    const auto step = hash == RowHash::Bytes ? checksumStep<ByteHash> : checksumStep<WordHash>;
    if (sqlite3_create_function_v2(connection, "lis06c_rows_checksum", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   nullptr, step, checksumFinal, nullptr) != SQLITE_OK)
        throw sqlite::error(label, QStringLiteral("lis06c_rows_checksum"), connection);
    // Every table from the same committed state.
    const bool own = sqlite3_get_autocommit(connection) != 0;
    if (own) sqlite::exec(connection, QStringLiteral("BEGIN"), label);
    Fingerprint f;
    f.hash = hash;
    try {
        for (const QString& table : sqlite::column(connection,
                                                   QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                                                  "AND name NOT LIKE 'sqlite_%' ORDER BY name"),
                                                   label)) {
            if (skip.contains(table, Qt::CaseInsensitive)) continue;
            f.tables.append(tableState(connection, table, label));
        }
    } catch (...) {
        if (own) sqlite3_exec(connection, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    if (own) sqlite::exec(connection, QStringLiteral("COMMIT"), label);
    return f;
}

QStringList changes(const Fingerprint& then, const Fingerprint& now) {
    QStringList out;
    for (const TableState& before : then.tables) {
        const TableState* after = now.find(before.table);
        if (!after)
            out << QStringLiteral("%1: %2 righe, ora la tabella non c'è più").arg(before.table).arg(before.rows);
        else if (after->rows != before.rows)
            out << QStringLiteral("%1: %2 righe, ora %3").arg(before.table).arg(before.rows).arg(after->rows);
        else if (after->checksum != before.checksum)
            out << QStringLiteral("%1: %2 righe, ora %3 con contenuto diverso")
                       .arg(before.table)
                       .arg(before.rows)
                       .arg(after->rows);
    }
    for (const TableState& after : now.tables)
        if (!then.find(after.table))
            out << QStringLiteral("%1: tabella nuova, %2 righe").arg(after.table).arg(after.rows);
    return out;
}

}  // namespace safekeep
