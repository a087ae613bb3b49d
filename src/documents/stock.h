#pragma once
// Stock movements of the goods-receipt lines: the load of a line into the
// article's stock (carico_magazzino) and the revaluation at a changed purchase
// cost (aggiorno_costo). Both keep the invariant: the stock value is never
// negative, and the average cost is value / quantity whenever both are positive.
#include "common/Amount.h"
#include "db/Database.h"
#include "documents/ReceiptRows.h"

#include <QString>
#include <QVariant>
#include <map>
#include <optional>
#include <unordered_set>

struct Run;

// What one goods-receipt line hands to the stock procedures.
struct StockMovement {
    qint32 storeCode = 0;  // 0: a line without article, nothing moves
    QString ean;           // the line's EAN, 13 characters
    common::Amount quantity;
    common::Amount newCost;
    common::Amount oldCost;
    common::Amount lineCost;
    common::Amount discount1, discount2, discount3;
    QString discountFlag = QStringLiteral(" ");
    QString supplierName;  // the chain supplier name (45 characters)
};

// The stock procedures with their statements prepared once, for a whole stage.
class StockMovements {
public:
    explicit StockMovements(const Run& run);

    void carico_magazzino(const StockMovement& m);
    void aggiorno_costo(const StockMovement& m);
    // A goods-receipt line: the load, then the revaluation when the cost
    // changed, with the article read once. What it writes is held (see
    // writeHeld); the reads of this class (its own, costs()) see it.
    void receive(const StockMovement& m);
    // Writes the stock that receive() holds, article after article in the
    // tables' order. The owner of the unit calls it before the unit is
    // committed; a unit rolled back drops it with the rest.
    void writeHeld();
    // Waste, transport and purchase cost of the store's first article with
    // the chain code `code`, or without a code of the article `storeCode`
    // itself, as the lines received so far leave them.
    struct Costs {
        common::Amount scarto, traspo, cofart;
    };
    std::optional<Costs> costs(const QString& code, qint32 storeCode);

    struct Stock;
    struct Valued;

private:
    // A row's stock as the lines received so far leave it, in the values the
    // statements would write (doubles, as the table keeps them).
    struct HeldArticle {
        double qgia = 0, valgia = 0, qacq = 0, qultcar = 0;
        QString desfor;
        std::optional<double> cosmp;  // set only where an average cost was kept
        struct Revalued {
            double cofart = 0, cobart = 0, sc1art = 0, sc2art = 0, sc3art = 0;
            QString scomag;
        };
        std::optional<Revalued> revalued;  // set once a line changed the cost
    };
    struct HeldEan {
        double eacq = 0, egia = 0;
    };

    std::optional<Stock> stock(qint32 storeCode);
    // The row as read when the receipts began, unless it was written since
    // (then the statements read it).
    const ReceiptRows::Row* kept(const ReceiptRows::Row* row) const;
    void writeLoad(qint64 rowid, const Valued& v, const StockMovement& m);
    // The line's load of its EAN's counters, held or written at once.
    void loadEan(const StockMovement& m, bool hold);

    const QVariant today_;  // the day of the last load, as the articles keep it: the run's day
    ReceiptRows rows_;
    std::unordered_set<qint64> written_;  // rows of listi01 written since rows_ was read
    db::Query article_;
    db::Query byChainCode_;
    db::Query byArticle_;
    db::Query load_;
    db::Query revalue_;
    db::Query loadAndRevalue_;
    db::Query ean_;
    db::Query loadEan_;
    // The receipts reach articles and barcodes all over the store's tables,
    // and a whole catalogue's stock does not fit SQLite's page cache: written
    // line by line, each write dirtied a page that had to go to the disk,
    // come back and go again. Held by rowid and written in order, each page is
    // written about once. Bounded: past kHeld rows they are written and the
    // holding starts again.
    static constexpr size_t kHeld = 20000;
    std::map<qint64, HeldArticle> heldArticles_;
    std::map<qint64, HeldEan> heldEans_;
};
