#pragma once
// The store's goods-receipt header for one supplier document: the store
// document type, the number drawn from its series, the `testaof` row and the
// log row "A"/"F".
#include "db/Database.h"
#include "documents/SupplierDocument.h"

#include <QString>
#include <optional>

struct Run;

class Creot {
public:
    explicit Creot(const Run& run);

    // The header written, under which the lines may follow; nullopt when none
    // was. A missing numbering series puts its message in `message`, to be
    // shown once the document's transaction has ended.
    std::optional<ReceivedHeader> write(const SupplierDocument& document, QString& message);

private:
    const Run& run_;
    db::Query type_;
    db::Query series_;
    db::Query advance_;
    db::Query existing_;
    db::Query insert_;
};
