#include "documents/elaborap.h"

#include "chainfile/DocumentLine.h"
#include "chainfile/LineErrors.h"
#include "common/ChainFile.h"
#include "common/Dates.h"
#include "run/Run.h"

#include <optional>
#include <utility>

ListedDocument elaborap(const Run& run, const common::ChainFile& file, chainfile::LineErrors& errors) {
    const qint16 user = RunConfig::userCode;
    ListedDocument current;
    db::Transaction tx(run.store);
    run.store.exec(QStringLiteral("DELETE FROM fatcasa"));

    db::Query listed = run.store.prepare(QStringLiteral(
        "SELECT 1 FROM fatcasa WHERE codutente = ? AND anno = ? AND numero = ? LIMIT 1"));
    db::Query add = run.store.prepare(QStringLiteral(
        "INSERT INTO fatcasa (codutente, anno, numero, dataor, tipo) VALUES (?, ?, ?, ?, ?)"));

    std::optional<std::pair<qint32, int>> previous;  // number and year of the document met last
    chainfile::DocumentGrouping grouping(errors);
    for (const common::ChainLine line : file) {
        const std::optional<chainfile::DocumentLine> d = chainfile::readDocumentLine(line);
        if (!d) continue;

        // A line whose number or date cannot be read is left out and the
        // listing goes on; its document is held back.
        const qint32 document = grouping.place(*d);
        if (!d->dateRead()) errors.add(d->line, document, *d->problem(rec::dateYmd));
        if (!d->numberRead() || !d->dateRead()) continue;
        current.year = d->date.year();

        // Consecutive lines of one document give one row.
        if (previous && previous->first == d->number && previous->second == d->date.year()) continue;
        previous = std::make_pair(d->number, d->date.year());
        current.number = d->number;

        if (!listed.first({user, current.year, d->number}))
            add.exec({user, current.year, d->number, common::dateValue(d->date), d->headerType});
        listed.finish();
    }
    tx.commit();
    return current;
}
