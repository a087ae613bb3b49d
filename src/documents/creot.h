#pragma once
// The store's goods-receipt header for one supplier document: the store
// document type, the number drawn from its series, the `testaof` row and the
// log row "A"/"F".
#include "db/Database.h"

#include <QString>

class Run;

class Creot {
public:
    explicit Creot(Run& run);

    // True when the header was written; then the lines may follow under the
    // drawn number. A missing numbering series puts its message in `message`
    // (shown at once when `message` is null).
    bool write(QString* message = nullptr);

private:
    Run& run_;
    db::Query type_;
    db::Query series_;
    db::Query advance_;
    db::Query existing_;
    db::Query insert_;
};

// One header, with its own prepared statements.
bool creot(Run& run);
