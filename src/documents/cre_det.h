#pragma once
// The lines of one goods-receipt document (`ordinif`), the new cost passed
// back to the chain's catalogue, and each line's stock movement.
#include "db/Database.h"

class Run;
class StockMovements;

class CreDet {
public:
    CreDet(Run& run, StockMovements& stock);

    // Writes the lines of the document in the run's document context; the
    // header must have been written under the drawn number.
    void write();

private:
    Run& run_;
    StockMovements& stock_;
    db::Query lines_;
    db::Query chainCost_;
    db::Query byCode_;
    db::Query byArticle_;
    db::Query ean_;
    db::Query insert_;
};

// One document's lines, with their own prepared statements.
void cre_det(Run& run);
