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
#include <memory>
#include <utility>
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
    std::optional<std::pair<qint32, QStringList>> last_;  // the last answer of the statement
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
        qint64 codart;
        const char* text[kTexts];  // UTF-8 in chunks_; nullptr for Null
        quint32 length[kTexts];
        double number[kNumbers];
        quint8 numberNull;  // one bit per number
    };
    const char* keep(const QByteArray& text);
    static Row fromQuery(const db::Query& q);

    std::vector<Kept> rows_;  // by article, the first row of each
    // The texts, in chunks that never move once filled.
    std::vector<std::unique_ptr<char[]>> chunks_;
    size_t chunkUsed_ = 0, chunkSize_ = 0;
    bool irregular_ = false;
    db::Query byCode_;
    std::optional<std::pair<qint32, std::optional<Row>>> last_;  // the last answer of the statement
};

}  // namespace promotions
