#include "articles/KnownArticles.h"

#include "db/ReadOnce.h"

namespace articles {

KnownArticles::KnownArticles(db::Database& store) {
    const qint64 count = db::rowsToKeep(store, "listi01");
    if (count < 0) return;  // too many to hold: every article is read from the table
    db::Query all = store.prepare(QStringLiteral("SELECT codart, codafo, przpub FROM listi01 WHERE codart IS NOT NULL"));
    rows_ = db::keepByWholeKey<Row>(all, [&](const db::Query& q) -> std::optional<Row> {
        Row row{q.whole(0), common::Amount::fromDouble(q.number(2)), db::keepText(texts_, q, 1)};
        if (texts_.full()) return std::nullopt;
        return row;
    });
    if (rows_.empty()) texts_ = {};
    texts_.settle();
}

std::optional<KnownArticles::Known> KnownArticles::find(qint64 codart) const {
    const Row* row = db::keptRow(rows_, codart);
    if (!row || changed_.contains(codart)) return std::nullopt;
    return Known{texts_.text(row->codafo), row->przpub};
}

}  // namespace articles
