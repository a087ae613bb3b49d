#pragma once
// The lines of one goods-receipt document (`ordinif`), the new cost passed
// back to the chain's catalogue, and each line's stock movement.
#include "db/Database.h"
#include "documents/SupplierDocument.h"

#include <QVariant>
#include <map>

struct Run;
class StockMovements;

class CreDet {
public:
    CreDet(const Run& run, StockMovements& stock);

    // Writes the staged lines of `document` under the header written for it.
    void write(const SupplierDocument& document, const ReceivedHeader& header);
    // The new costs of the lines written so far into the chain's catalogue,
    // in the order of its articles; before each commit of the chain.
    void writeChainCosts();

private:
    const Run& run_;
    StockMovements& stock_;
    db::Query lines_;
    db::Query chainCost_;
    db::Query ean_;
    db::Query priceList_;
    db::Query insert_;
    // The chain's article codes and their new costs, held until
    // writeChainCosts(): nothing reads them back while the documents are
    // received, and an article met again keeps the cost of its last line.
    std::map<qint64, QVariant> chainCosts_;
};
