#include "documents/elaborap.h"

#include "common/ChainFile.h"
#include "common/Dates.h"
#include "common/Numbers.h"
#include "documents/BleProblems.h"
#include "run/Run.h"

#include <optional>
#include <utility>

ListedDocument elaborap(const Run& run, const common::ChainFile& file, BleProblems& problems) {
    const qint16 user = RunConfig::userCode;
    ListedDocument current;
    db::Transaction tx(run.store);
    run.store.exec(QStringLiteral("DELETE FROM fatcasa"));

    db::Query listed = run.store.prepare(QStringLiteral(
        "SELECT 1 FROM fatcasa WHERE codutente = ? AND anno = ? AND numero = ? LIMIT 1"));
    db::Query add = run.store.prepare(QStringLiteral(
        "INSERT INTO fatcasa (codutente, anno, numero, dataor, tipo) VALUES (?, ?, ?, ?, ?)"));

    std::optional<std::pair<qint32, int>> previous;  // number and year of the document met last
    qint32 carried = 0;  // the number of the last readable line
    for (const common::ChainLine line : file) {
        if (!line.is(rec::kind, "BLE")) continue;

        bool numberOk = false;
        const qint32 number = static_cast<qint32>(
            common::wholeValue(line.text(rec::ble::number), &numberOk));
        numberOk = numberOk && !line.cutShort(rec::ble::number);
        const QDate date = common::dateFromParts(line.text(rec::day), line.text(rec::month),
                                                 line.text(rec::year));
        if (!numberOk || !date.isValid()) {
            // The line is left out, the listing goes on; its document is held back.
            const qint32 document = numberOk ? number : carried;
            if (!numberOk)
                problems.numberUnreadable(line.number(), document, line.text(rec::ble::number));
            else
                problems.numberRead(number);
            if (!date.isValid())
                problems.add(line.number(), document, QStringLiteral("data documento"), line.text(rec::dateYmd));
            if (numberOk) carried = number;
            continue;
        }
        carried = number;
        problems.numberRead(number);
        current.year = date.year();

        // Consecutive lines of one document give one row.
        if (previous && previous->first == number && previous->second == date.year()) continue;
        previous = std::make_pair(number, date.year());
        current.number = number;

        if (!listed.first({user, current.year, number})) {
            const QString type = line.is(rec::ble::headerType, "R") ? QStringLiteral("F") : QStringLiteral("B");
            add.exec({user, current.year, number, common::dateValue(date), type});
        }
        listed.finish();
    }
    tx.commit();
    return current;
}
