#pragma once
// The lines of one goods-receipt document (`ordinif`), the new cost passed
// back to the chain's catalogue, and each line's stock movement.
#include "db/Database.h"
#include "documents/SupplierDocument.h"

struct Run;
class StockMovements;

class CreDet {
public:
    CreDet(const Run& run, StockMovements& stock);

    // Writes the staged lines of `document` under the header written for it.
    void write(const SupplierDocument& document, const ReceivedHeader& header);

private:
    const Run& run_;
    StockMovements& stock_;
    db::Query lines_;
    db::Query chainCost_;
    db::Query byCode_;
    db::Query byArticle_;
    db::Query ean_;
    db::Query priceList_;
    db::Query insert_;
};
