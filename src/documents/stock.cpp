#include "documents/stock.h"

#include "common/Dates.h"
#include "common/Numbers.h"
#include "run/Run.h"

using common::roundHalfEven;
using common::toCurrency;

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

    const double loadValue = roundHalfEven(m.newCost * m.quantity, 2);
    double qgia = article_.number("qgia");
    double valgia = article_.number("valgia");
    if (qgia <= 0) {
        // No stock, or a negative one: the stock is valued afresh at the new cost.
        qgia += m.quantity;
        valgia = roundHalfEven(qgia * m.newCost, 2);
    } else {
        qgia += m.quantity;
        valgia = toCurrency(valgia + loadValue);
    }
    const double qacq = article_.number("qacq") + m.quantity;
    const bool average = qgia > 0 && valgia > 0;
    const double cosmp = average ? valgia / qgia : 0;
    if (valgia < 0) valgia = 0;
    const qint64 rowid = article_.whole("rowid");
    article_.finish();
    load_.exec({qgia, valgia, qacq, m.quantity, common::dateValue(run_.clock.today()),
                m.supplierName.left(35), average, cosmp, rowid});

    if (ean_.first({m.ean})) {
        const qint64 eanRow = ean_.whole("rowid");
        const double eacq = ean_.number("eacq") + m.quantity;
        const double egia = ean_.number("egia") + m.quantity;
        ean_.finish();
        loadEan_.exec({eacq, egia, eanRow});
    }
}

void StockMovements::aggiorno_costo(const StockMovement& m) {
    if (m.storeCode == 0) return;
    if (!article_.first({m.storeCode}) || excluded(article_)) return;

    // The quantity revalued is the line's, not the stock's: the load is already in.
    const double revaluation = (m.newCost - m.oldCost) * m.quantity;
    const double qgia = article_.number("qgia");
    double valgia = toCurrency(article_.number("valgia") + revaluation);
    const bool average = qgia > 0 && valgia > 0;
    const double cosmp = average ? valgia / qgia : 0;
    if (valgia < 0) valgia = 0;
    const qint64 rowid = article_.whole("rowid");
    article_.finish();
    revalue_.exec({valgia, m.newCost, m.lineCost, m.discount1, m.discount2, m.discount3,
                   m.discountFlag, average, cosmp, rowid});
}
