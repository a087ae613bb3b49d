#include "articles/KnownArticles.h"

#include "db/ReadOnce.h"

#include <algorithm>

namespace articles {

KnownArticles::KnownArticles(db::Database& store) {
    const qint64 count = db::rowsToKeep(store, "listi01");
    if (count < 0) return;  // too many to hold: every article is read from the table
    rows_.reserve(static_cast<size_t>(count));
    db::Query all = store.prepare(QStringLiteral("SELECT codart, codafo, przpub FROM listi01 WHERE codart IS NOT NULL"));
    all.exec();
    bool irregular = false;
    while (all.next()) {
        // A code held as anything but a whole number (a text, a fraction)
        // could still equal the number asked for, or be equal to another.
        const QVariant code = all.value(0);
        if (!db::wholeNumber(code)) {
            irregular = true;
            break;
        }
        rows_.push_back({code.toLongLong(), common::Amount::fromDouble(all.value(2).toDouble()),
                         db::keepText(texts_, all, 1)});
        if (texts_.full()) {
            irregular = true;
            break;
        }
    }
    all.finish();
    std::sort(rows_.begin(), rows_.end(), [](const Row& a, const Row& b) { return a.codart < b.codart; });
    // A code held twice: which row the statement finds would depend on the index SQLite chooses.
    if (std::adjacent_find(rows_.begin(), rows_.end(),
                           [](const Row& a, const Row& b) { return a.codart == b.codart; }) != rows_.end())
        irregular = true;
    if (irregular) {
        rows_ = {};
        texts_ = {};
        return;
    }
    texts_.settle();
}

std::optional<KnownArticles::Known> KnownArticles::find(qint64 codart) const {
    const auto it = std::lower_bound(rows_.begin(), rows_.end(), codart,
                                     [](const Row& r, qint64 key) { return r.codart < key; });
    if (it == rows_.end() || it->codart != codart || changed_.contains(codart)) return std::nullopt;
    return Known{texts_.text(it->codafo), it->przpub};
}

}  // namespace articles
