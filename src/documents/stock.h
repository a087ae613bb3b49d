#pragma once
// Stock movements of the goods-receipt lines: the load of a line into the
// article's stock (carico_magazzino) and the revaluation at a changed purchase
// cost (aggiorno_costo). Both keep the invariant: the stock value is never
// negative, and the average cost is value / quantity whenever both are positive.
#include "common/Amount.h"
#include "db/Database.h"

#include <QString>
#include <QVariant>
#include <optional>

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
    // changed, with the article read once and written once.
    void receive(const StockMovement& m);

    struct Stock;
    struct Valued;

private:
    std::optional<Stock> stock(qint32 storeCode);
    void writeLoad(qint64 rowid, const Valued& v, const StockMovement& m);
    void loadEan(const StockMovement& m);

    const QVariant today_;  // the day of the last load, as the articles keep it: the run's day
    db::Query article_;
    db::Query load_;
    db::Query revalue_;
    db::Query loadAndRevalue_;
    db::Query ean_;
    db::Query loadEan_;
};
