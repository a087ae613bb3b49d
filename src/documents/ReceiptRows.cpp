#include "documents/ReceiptRows.h"

#include "db/ReadOnce.h"

#include <algorithm>

ReceiptRows::ReceiptRows(db::Database& store) {
    const qint64 count = db::rowsToKeep(store, "listi01");
    if (count < 0) return;  // too many to hold: the statements answer
    rows_.reserve(static_cast<size_t>(count));
    codes_.reserve(static_cast<size_t>(count));
    chainCodes_.reserve(static_cast<size_t>(count));
    // trim() is SQLite's own, so that a chain code is kept as the statement compares it.
    db::Query all = store.prepare(QStringLiteral(
        "SELECT codart, rowid, trim(codafo), tipges, qgia, valgia, qacq, scarto, traspo, cofart "
        "FROM listi01 ORDER BY rowid"));
    all.exec();
    while (all.next()) {
        const qint64 rowid = all.whole(1);
        const QVariant codart = all.value(0);
        // A code SQLite could match otherwise than by its number.
        if (!codart.isNull() && !db::wholeNumber(codart)) {
            all.finish();
            drop();
            return;
        }
        if (!codart.isNull()) codes_.emplace_back(codart.toLongLong(), rows_.size());
        if (const std::optional<std::string_view> ascii = all.asciiText(2)) {
            chainCodes_.emplace_back(*ascii, rowid);
        } else if (const QVariant codafo = all.value(2); codafo.typeId() == QMetaType::QString && !codafo.isNull()) {
            chainCodes_.emplace_back(codafo.toString().toStdString(), rowid);
        }
        rows_.push_back({rowid, all.value(3).toString().trimmed() == QLatin1String("D"), all.number(4),
                         all.number(5), all.number(6), all.number(7), all.number(8), all.number(9)});
    }
    all.finish();
    std::sort(codes_.begin(), codes_.end());
    // A code held twice: either row could be the one the statement finds.
    if (std::adjacent_find(codes_.begin(), codes_.end(),
                           [](const auto& a, const auto& b) { return a.first == b.first; }) != codes_.end()) {
        drop();
        return;
    }
    // Read in rowid order: the first row of each chain code is the one kept.
    db::keepFirstOfEachKey(chainCodes_, [](const auto& c) -> const std::string& { return c.first; });
    kept_ = true;
}

void ReceiptRows::drop() {
    kept_ = false;
    rows_ = {};
    codes_ = {};
    chainCodes_ = {};
}

const ReceiptRows::Row* ReceiptRows::byCode(qint64 codart) const {
    const auto it = std::lower_bound(codes_.begin(), codes_.end(), codart,
                                     [](const auto& c, qint64 k) { return c.first < k; });
    return it != codes_.end() && it->first == codart ? &rows_[it->second] : nullptr;
}

const ReceiptRows::Row* ReceiptRows::byChainCode(const QString& code) const {
    const std::string key = code.toStdString();
    const auto it = std::lower_bound(chainCodes_.begin(), chainCodes_.end(), key,
                                     [](const auto& c, const std::string& k) { return c.first < k; });
    if (it == chainCodes_.end() || it->first != key) return nullptr;
    const auto row = std::lower_bound(rows_.begin(), rows_.end(), it->second,
                                      [](const Row& r, qint64 rowid) { return r.rowid < rowid; });
    return &*row;  // the rowid came from these rows
}
