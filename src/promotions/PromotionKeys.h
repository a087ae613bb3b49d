#pragma once
// Barcodes the promotion import meets for nearly every article it stages: a
// store-size file names about as many articles as the tables hold, so each
// table is read once at the start instead of row by row. Neither table is
// written while the promotions are staged. Each answers exactly as its
// statement would; where the table's values could compare otherwise than
// plain equal texts or whole numbers, the lookups go through the statement.
#include "db/Database.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace promotions {

// The chain's barcodes of its articles (the chain's `codean`).
class ChainBarcodes {
public:
    explicit ChainBarcodes(db::Database& chain);
    // What `SELECT eanare FROM codean WHERE codare = ? ORDER BY rowid` gives, as texts.
    QStringList of(qint32 chainCode);

private:
    struct Row {
        qint64 codare;
        std::string ean;  // UTF-8; an EAN is short enough to be kept inside the string
        bool null;
    };
    std::vector<Row> rows_;  // by article, then in the order of the rows
    bool irregular_ = false;
    db::Query byArticle_;
};

// The first barcode the store keeps for one of its articles.
struct StoreBarcode {
    QString ean;
    QString description;
};

// The store's barcodes (the store's `codean`), both ways.
class StoreBarcodes {
public:
    explicit StoreBarcodes(db::Database& store);
    // The article of the barcode: `SELECT codare FROM codean WHERE eanare = ? LIMIT 1`.
    std::optional<qint32> articleOf(const QString& ean);
    // `SELECT eanare, desart FROM codean WHERE codare = ? ORDER BY rowid LIMIT 1`.
    std::optional<StoreBarcode> firstOf(qint32 storeCode);

private:
    struct ByEan {
        std::string ean;
        qint32 article;
    };
    struct ByArticle {
        qint64 codare;
        std::string ean, description;
        bool eanNull, descriptionNull;
    };
    std::vector<ByEan> byEan_;          // by barcode, the first row of each
    std::vector<ByArticle> byArticle_;  // by article, the first row of each
    bool eansIrregular_ = false;
    bool articlesIrregular_ = false;
    db::Query articleOf_, firstOf_;
};

}  // namespace promotions
