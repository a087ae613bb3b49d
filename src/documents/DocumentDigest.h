#pragma once
// What a supplier document's lines say, reduced to a count and a digest, so
// that a document the chain sends again can be told unchanged (skipped without
// a word, as always) from revised: more lines, fewer, other quantities or
// costs. The lines are read as the chain's file gave them and the staging
// holds them in `variati`; only what the file says counts, never what the
// staging added from the store (the store's article, margins, offers) nor the
// line's place in the file, which moves with the documents before it.
#include "db/Database.h"

#include <QString>
#include <optional>

struct SupplierDocument;

struct LinesDigest {
    qint64 lines = 0;
    QString digest;  // SHA-256 of the lines' texts, in hex
    bool operator==(const LinesDigest&) const = default;
};

class DocumentDigests {
public:
    DocumentDigests(db::Database& store, qint32 supplier);

    // The digest of the document's staged lines.
    LinesDigest staged(const SupplierDocument& document);
    // The digest recorded when the document was received, if any.
    std::optional<LinesDigest> received(const SupplierDocument& document);
    // Records the digest of the document being received (inside its unit of work).
    void record(const SupplierDocument& document, const LinesDigest& digest);

private:
    qint32 supplier_;
    db::Query lines_, received_, record_;
};
