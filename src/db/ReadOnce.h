#pragma once
// Rows a stage looks up again and again (a subgroup, an article's barcodes,
// an offer kind) do not change while the stage runs: each key is read once.
#include "common/KeptTexts.h"
#include "db/Database.h"

#include <QtGlobal>
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace db {

// The value kept in `cache` for `key`; the first time it is made by `read()`.
// Given back as a copy (Qt's containers share their data, so it is cheap): a
// reference into the cache would not outlive the next key it takes in.
// With a `limit`, a cache that has reached it is emptied before it takes the
// next key: its memory stays bounded however large the workload, and a key
// met again afterwards is only read again.
template <class Cache, class Read>
typename Cache::mapped_type readOnce(Cache& cache, const typename Cache::key_type& key, Read&& read,
                                     qsizetype limit = 0) {
    if (auto it = cache.constFind(key); it != cache.constEnd()) return *it;
    if (limit > 0 && cache.size() >= limit) cache.clear();
    return *cache.insert(key, std::forward<Read>(read)());
}

// SQLite compares `field = ?` with a bound text as plain text only when the
// field's declared type gives it text affinity or none, with no collation of
// its own in the table's definition; otherwise it may turn either side into a
// number first, and a table read once could not answer as the statement does.
bool comparedAsText(Database& db, const QString& table, const QString& field);

// Keeps a field of the current row as its text (as value().toString() gives
// it, Null as Null), without making a QString of a plain ASCII text.
common::KeptTexts::Ref keepText(common::KeptTexts& texts, const Query& q, int column, bool shared = false);

// Tables of more rows than this are not read whole into memory: their lookups
// go through the statements, so the memory a run takes stays bounded however
// large the store. A store four times the usual size (about 200,000 barcodes)
// still fits.
constexpr qint64 kRowsKept = 250000;

// The rows of `table` (a name of ours, never a value read), or -1 past kRowsKept.
qint64 rowsToKeep(Database& db, const char* table);

// A value SQLite holds as an integer: the only kind a table of ours keys by
// number and answers for as the statement would.
inline bool wholeNumber(const QVariant& v) { return v.typeId() == QMetaType::LongLong; }

// The rows of `all` (`SELECT key, … FROM table WHERE key IS NOT NULL`, the
// key first), each made by `make` (a Row with a `key`, or nothing to give up),
// sorted by key for a stage's lookups `WHERE key = ? LIMIT 1`. None at all
// when a key is held as anything but a whole number, or twice: SQLite could
// then match a bound number otherwise, or find either row.
template <class Row, class Make>
std::vector<Row> keepByWholeKey(Query& all, Make make) {
    std::vector<Row> rows;
    all.exec();
    while (all.next()) {
        std::optional<Row> row;
        if (wholeNumber(all.value(0))) row = make(all);
        if (!row) {
            all.finish();
            return {};
        }
        rows.push_back(std::move(*row));
    }
    all.finish();
    const auto less = [](const Row& a, const Row& b) { return a.key < b.key; };
    std::sort(rows.begin(), rows.end(), less);
    if (std::adjacent_find(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.key == b.key; }) !=
        rows.end())
        return {};
    return rows;
}

// The row of `key` in rows kept by keepByWholeKey, if there is one.
template <class Row>
const Row* keptRow(const std::vector<Row>& rows, qint64 key) {
    const auto it = std::lower_bound(rows.begin(), rows.end(), key, [](const Row& r, qint64 k) { return r.key < k; });
    return it != rows.end() && it->key == key ? &*it : nullptr;
}

// Rows read in rowid order, sorted by `key` with the rows of one key in their
// order, then the first of each: what `WHERE key = ? ORDER BY rowid LIMIT 1`
// finds.
template <class Rows, class Key>
void keepFirstOfEachKey(Rows& rows, Key key) {
    const auto less = [&](const auto& a, const auto& b) { return key(a) < key(b); };
    if (!std::is_sorted(rows.begin(), rows.end(), less)) std::stable_sort(rows.begin(), rows.end(), less);
    rows.erase(std::unique(rows.begin(), rows.end(), [&](const auto& a, const auto& b) { return key(a) == key(b); }),
               rows.end());
    rows.shrink_to_fit();
}

}  // namespace db
