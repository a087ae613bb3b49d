#include "documents/stock.h"

#include "common/Dates.h"
#include "common/Numbers.h"
#include "run/Run.h"

using common::Amount;

StockMovements::StockMovements(const Run& run)
    : run_(run),
      article_(run.store.prepare(QStringLiteral(
          "SELECT rowid, tipges, qgia, valgia, qacq FROM listi01 WHERE codart = ? LIMIT 1"))),
      load_(run.store.prepare(QStringLiteral(
          "UPDATE listi01 SET qgia = ?, valgia = ?, qacq = ?, qultcar = ?, dultcar = ?, desfor = ?, "
          "cosmp = CASE WHEN ? THEN ? ELSE cosmp END WHERE rowid = ?"))),
      revalue_(run.store.prepare(QStringLiteral(
          "UPDATE listi01 SET valgia = ?, cofart = ?, cobart = ?, sc1art = ?, sc2art = ?, sc3art = ?, "
          "scomag = ?, cosmp = CASE WHEN ? THEN ? ELSE cosmp END WHERE rowid = ?"))),
      ean_(run.store.prepare(QStringLiteral("SELECT rowid, eacq, egia FROM codean WHERE eanare = ? LIMIT 1"))),
      loadEan_(run.store.prepare(
          QStringLiteral("UPDATE codean SET eacq = ?, egia = ?, flagean = ' ' WHERE rowid = ?"))) {}

namespace {

// An article of management type "D" stays out of the stock movements.
bool excluded(const db::Query& article) {
    return article.text("tipges").trimmed() == QLatin1String("D");
}

}  // namespace

void StockMovements::carico_magazzino(const StockMovement& m) {
    if (m.storeCode == 0) return;
    if (!article_.first({m.storeCode}) || excluded(article_)) return;

    const Amount loadValue = Amount::multiply(m.newCost, m.quantity, 2);
    Amount qgia = article_.amount("qgia");
    Amount valgia = article_.amount("valgia");
    if (qgia <= Amount()) {
        // No stock, or a negative one: the stock is valued afresh at the new cost.
        qgia = qgia + m.quantity;
        valgia = Amount::multiply(qgia, m.newCost, 2);
    } else {
        qgia = qgia + m.quantity;
        valgia = valgia + loadValue;
    }
    const Amount qacq = article_.amount("qacq") + m.quantity;
    const bool average = qgia > Amount() && valgia > Amount();
    const Amount cosmp = average ? Amount::divide(valgia, qgia, Amount::kDecimals) : Amount();
    if (valgia < Amount()) valgia = Amount();
    const qint64 rowid = article_.whole("rowid");
    article_.finish();
    load_.exec({qgia.toDouble(), valgia.toDouble(), qacq.toDouble(), m.quantity.toDouble(),
                common::dateValue(run_.clock.today()), m.supplierName.left(35), average, cosmp.toDouble(), rowid});

    if (ean_.first({m.ean})) {
        const qint64 eanRow = ean_.whole("rowid");
        const Amount eacq = ean_.amount("eacq") + m.quantity;
        const Amount egia = ean_.amount("egia") + m.quantity;
        ean_.finish();
        loadEan_.exec({eacq.toDouble(), egia.toDouble(), eanRow});
    }
}

void StockMovements::aggiorno_costo(const StockMovement& m) {
    if (m.storeCode == 0) return;
    if (!article_.first({m.storeCode}) || excluded(article_)) return;

    // The quantity revalued is the line's, not the stock's: the load is already in.
    const Amount revaluation = Amount::multiply(m.newCost - m.oldCost, m.quantity, Amount::kDecimals);
    const Amount qgia = article_.amount("qgia");
    Amount valgia = article_.amount("valgia") + revaluation;
    const bool average = qgia > Amount() && valgia > Amount();
    const Amount cosmp = average ? Amount::divide(valgia, qgia, Amount::kDecimals) : Amount();
    if (valgia < Amount()) valgia = Amount();
    const qint64 rowid = article_.whole("rowid");
    article_.finish();
    revalue_.exec({valgia.toDouble(), m.newCost.toDouble(), m.lineCost.toDouble(), m.discount1.toDouble(),
                   m.discount2.toDouble(), m.discount3.toDouble(), m.discountFlag, average, cosmp.toDouble(), rowid});
}
