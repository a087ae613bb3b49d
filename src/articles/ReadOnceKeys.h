#pragma once
// Keys the store update meets for nearly every chain article, read once at the
// start of the stage instead of looked up article by article. Each answers
// exactly as its statement would, rows the stage adds included.
#include "common/KeptTexts.h"
#include "db/Database.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace articles {

// The chain's barcodes of its articles (the chain's `codean`), read once for
// the store update and for the promotions: neither writes the chain's
// barcodes, so what was read at the start stays true. A chain of more rows
// than db::kRowsKept, or a code that is not a whole number of 32 bits (SQLite
// would compare it otherwise), sends every lookup to the statement, which
// keeps its last answer: the stages ask for the same article twice in a row.
class ChainBarcodes {
public:
    explicit ChainBarcodes(db::Database& chain);
    // What `SELECT eanare FROM codean WHERE codare = ? ORDER BY rowid` reads,
    // each value as its text (a Null barcode is a null text).
    QStringList of(const QVariant& codare);
    // The same barcodes as eanText makes them into the store's EAN field.
    std::vector<QString> eanTexts(const QVariant& codare);

private:
    struct Row {
        qint32 codare;
        common::KeptTexts::Ref ean;
    };
    using RowIt = std::vector<Row>::const_iterator;
    std::pair<RowIt, RowIt> rowsOf(qint64 code) const;  // the article's rows, in their order
    std::vector<Row> rows_;  // by article, then in the order of the rows
    common::KeptTexts texts_;
    bool irregular_ = false;
    db::Query byArticle_;
    std::optional<std::pair<QVariant, QStringList>> last_;  // the last answer of the statement
};

// The chain supplier's price-list rows (`listi02` of one `codlis`) by their
// chain code as trim(codafo) gives it: the first row of each code.
class PriceListRows {
public:
    PriceListRows(db::Database& store, const QString& codlis);

    struct Row {
        qint64 rowid = 0;
        bool articleNull = true;  // codart is Null
        qint64 article = 0;       // codart as a whole number
    };
    // The row `SELECT … WHERE trim(codafo) = code AND codlis = ? ORDER BY rowid LIMIT 1` finds.
    std::optional<Row> find(const QString& code) const;
    // A row the stage has just added with this codafo and codart.
    void added(const QString& codafo, qint64 rowid, const QVariant& codart);

private:
    std::unordered_map<std::string, Row> rows_;
};

// The store's EAN rows (`codean`) by their code: the row
// `SELECT rowid FROM codean WHERE eanare = ? LIMIT 1` finds, rows the stage
// adds included. Thirteen digits (nearly every EAN) are kept as a number in a
// sorted vector, anything else by its text: a few bytes per row instead of a
// hash node. Where SQLite would compare otherwise than by plain text (a field
// declared as a number or with its own collation), or where a code is held
// twice (the first of the two would depend on the index SQLite chooses), every
// lookup goes through the statement.
class StoreEans {
public:
    explicit StoreEans(db::Database& store);
    // The rowid of the row with this EAN, if there is one.
    std::optional<qint64> find(const QString& ean);
    // A row the stage has just added with this EAN.
    void added(const QString& ean, qint64 rowid);

private:
    struct Numbered {
        quint64 ean;
        qint64 rowid;
    };
    std::vector<Numbered> numbered_;                      // read at the start, by EAN
    std::unordered_map<quint64, qint64> numberedAdded_;   // added by the stage
    std::unordered_map<std::string, qint64> others_;      // any other text, read or added
    bool irregular_ = false;
    db::Query byEan_;
};

// SQLite's trim(): spaces off both ends, nothing else.
QString sqlTrim(const QString& text);

}  // namespace articles
