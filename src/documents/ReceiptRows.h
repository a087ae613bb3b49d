#pragma once
// The store's articles as the goods receipts read them, read once when the
// receipts begin: each line reads its article's stock, and the waste,
// transport and cost of the first article of its chain code, from rows all
// over the store's listing. Nothing else writes these fields while the
// receipts run, and what the receipts write themselves is held by the stock
// procedures, which read it first.
#include "db/Database.h"

#include <QString>
#include <QtGlobal>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ReceiptRows {
public:
    explicit ReceiptRows(db::Database& store);

    // The fields of a listi01 row, as the statements read them.
    struct Row {
        qint64 rowid = 0;
        bool excluded = false;  // management type "D": outside the stock movements
        double qgia = 0, valgia = 0, qacq = 0, scarto = 0, traspo = 0, cofart = 0;
    };
    // Whether the table was read: otherwise (too many rows, or codes SQLite
    // could match otherwise than by their number) every lookup is the
    // statement's.
    bool kept() const { return kept_; }
    // `WHERE codart = ? LIMIT 1`; nullptr when there is none.
    const Row* byCode(qint64 codart) const;
    // `WHERE rowid = (SELECT min(rowid) FROM listi01 WHERE trim(codafo) = ?)`.
    const Row* byChainCode(const QString& code) const;

private:
    void drop();

    bool kept_ = false;
    std::vector<Row> rows_;                                   // in rowid order
    std::vector<std::pair<qint64, size_t>> codes_;            // article code, index in rows_
    std::vector<std::pair<std::string, qint64>> chainCodes_;  // trimmed chain code (UTF-8), its first rowid
};
