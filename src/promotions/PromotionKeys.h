#pragma once
// Barcodes and listings the promotion import meets for nearly every article it
// stages: a store-size file names about as many articles as the tables hold,
// so each table is read once at the start instead of row by row (the chain's
// barcodes: articles::ChainBarcodes). Neither table is written while the
// promotions are staged. Each answers exactly as its statement would; where
// the table's values could compare otherwise than plain equal texts or whole
// numbers, or the table passes db::kRowsKept, the lookups go through the
// statement.
#include "articles/ReadOnceKeys.h"
#include "common/KeptTexts.h"
#include "db/Database.h"

#include <QString>
#include <QStringList>
#include <utility>
#include <optional>
#include <vector>

namespace promotions {

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
    using Ref = common::KeptTexts::Ref;
    struct ByEan {
        Ref ean;
        qint32 article;
    };
    struct ByArticle {
        qint32 codare;
        Ref ean, description;
    };
    // By barcode, the first row of each: barcodes of digits (by their handle), then the others (by their bytes).
    std::vector<ByEan> byDigits_, byOtherEan_;
    std::vector<ByArticle> byArticle_;  // by article, the first row of each
    common::KeptTexts texts_;
    bool eansIrregular_ = false;
    bool articlesIrregular_ = false;
    db::Query articleOf_, firstOf_;
    // The last answers of the statements.
    std::optional<std::pair<QString, std::optional<qint32>>> lastEan_;
    std::optional<std::pair<qint32, std::optional<StoreBarcode>>> lastArticle_;
};

// The store's listing of its articles (`listi01`), the fields a promoted
// article takes from it.
class StoreListings {
public:
    explicit StoreListings(db::Database& store);

    // A field that is Null is absent; texts and numbers as the statement reads them.
    struct Row {
        qint32 codart = 0;
        std::optional<QString> desart, desgru, dessot, desfor, umart, ivart;
        std::optional<double> cofart, cosmp, imbart, przart, przpub;
    };
    // What `SELECT codart, desart, desgru, dessot, desfor, cofart, cosmp, imbart,
    // przart, przpub, umart, ivart FROM listi01 WHERE codart = ? LIMIT 1` reads.
    std::optional<Row> of(qint32 codart);

private:
    static constexpr int kTexts = 6, kNumbers = 5;
    struct Kept {
        qint32 codart;
        quint8 numberNull;  // one bit per number
        common::KeptTexts::Ref text[kTexts];
        double number[kNumbers];
    };
    static Row fromQuery(const db::Query& q);

    std::vector<Kept> rows_;  // by article, the first row of each
    common::KeptTexts texts_;
    bool irregular_ = false;
    db::Query byCode_;
    std::optional<std::pair<qint32, std::optional<Row>>> last_;  // the last answer
};

}  // namespace promotions
