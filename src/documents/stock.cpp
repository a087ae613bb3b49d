#include "documents/stock.h"

#include "common/Dates.h"
#include "common/Numbers.h"
#include "run/Run.h"

using common::Amount;

StockMovements::StockMovements(const Run& run)
    : today_(common::dateValue(run.clock.today())),
      article_(run.store.prepare(QStringLiteral(
          "SELECT rowid, tipges, qgia, valgia, qacq FROM listi01 WHERE codart = ? LIMIT 1"))),
      load_(run.store.prepare(QStringLiteral(
          "UPDATE listi01 SET qgia = ?, valgia = ?, qacq = ?, qultcar = ?, dultcar = ?, desfor = ?, "
          "cosmp = CASE WHEN ? THEN ? ELSE cosmp END WHERE rowid = ?"))),
      revalue_(run.store.prepare(QStringLiteral(
          "UPDATE listi01 SET valgia = ?, cofart = ?, cobart = ?, sc1art = ?, sc2art = ?, sc3art = ?, "
          "scomag = ?, cosmp = CASE WHEN ? THEN ? ELSE cosmp END WHERE rowid = ?"))),
      loadAndRevalue_(run.store.prepare(QStringLiteral(
          "UPDATE listi01 SET qgia = ?, valgia = ?, qacq = ?, qultcar = ?, dultcar = ?, desfor = ?, "
          "cofart = ?, cobart = ?, sc1art = ?, sc2art = ?, sc3art = ?, scomag = ?, "
          "cosmp = CASE WHEN ? THEN ? ELSE cosmp END WHERE rowid = ?"))),
      ean_(run.store.prepare(QStringLiteral("SELECT rowid, eacq, egia FROM codean WHERE eanare = ? LIMIT 1"))),
      loadEan_(run.store.prepare(
          QStringLiteral("UPDATE codean SET eacq = ?, egia = ?, flagean = ' ' WHERE rowid = ?"))) {}

// An article's stock as listi01 keeps it.
struct StockMovements::Stock {
    qint64 rowid = 0;
    Amount qgia, valgia, qacq;
};

// The stock after a movement, and its average cost when there is one to keep
// (without one, the article keeps the average cost it had).
struct StockMovements::Valued {
    Amount qgia, valgia, qacq;
    bool average = false;
    Amount cosmp;
};

namespace {

using Stock = StockMovements::Stock;
using Valued = StockMovements::Valued;

// The stock value is never negative, and the average cost is value /
// quantity whenever both are positive.
Valued averaged(Amount qgia, Amount valgia, Amount qacq) {
    const bool average = qgia > Amount() && valgia > Amount();
    const Amount cosmp = average ? Amount::divide(valgia, qgia, Amount::kDecimals) : Amount();
    if (valgia < Amount()) valgia = Amount();
    return {qgia, valgia, qacq, average, cosmp};
}

Valued loaded(const Stock& s, const StockMovement& m) {
    Amount qgia = s.qgia + m.quantity;
    Amount valgia;
    if (s.qgia <= Amount()) {
        // No stock, or a negative one: the stock is valued afresh at the new cost.
        valgia = Amount::multiply(qgia, m.newCost, 2);
    } else {
        valgia = s.valgia + Amount::multiply(m.newCost, m.quantity, 2);
    }
    return averaged(qgia, valgia, s.qacq + m.quantity);
}

Valued revalued(const Stock& s, const StockMovement& m) {
    // The quantity revalued is the line's, not the stock's: the load is already in.
    const Amount revaluation = Amount::multiply(m.newCost - m.oldCost, m.quantity, Amount::kDecimals);
    return averaged(s.qgia, s.valgia + revaluation, s.qacq);
}

// An amount as the database gives it back once written (a REAL).
Amount stored(Amount a) { return Amount::fromDouble(a.toDouble()); }

}  // namespace

std::optional<Stock> StockMovements::stock(qint32 storeCode) {
    std::optional<Stock> s;
    // An article of management type "D" stays out of the stock movements.
    if (article_.first({storeCode}) && article_.text("tipges").trimmed() != QLatin1String("D"))
        s = Stock{article_.whole("rowid"), article_.amount("qgia"), article_.amount("valgia"), article_.amount("qacq")};
    article_.finish();
    return s;
}

void StockMovements::writeLoad(qint64 rowid, const Valued& v, const StockMovement& m) {
    load_.exec({v.qgia.toDouble(), v.valgia.toDouble(), v.qacq.toDouble(), m.quantity.toDouble(),
                today_, m.supplierName.left(35), v.average, v.cosmp.toDouble(),
                rowid});
}

void StockMovements::loadEan(const StockMovement& m) {
    if (ean_.first({m.ean})) {
        const qint64 eanRow = ean_.whole("rowid");
        const Amount eacq = ean_.amount("eacq") + m.quantity;
        const Amount egia = ean_.amount("egia") + m.quantity;
        ean_.finish();
        loadEan_.exec({eacq.toDouble(), egia.toDouble(), eanRow});
    }
}

void StockMovements::carico_magazzino(const StockMovement& m) {
    if (m.storeCode == 0) return;
    const std::optional<Stock> s = stock(m.storeCode);
    if (!s) return;
    writeLoad(s->rowid, loaded(*s, m), m);
    loadEan(m);
}

void StockMovements::aggiorno_costo(const StockMovement& m) {
    if (m.storeCode == 0) return;
    const std::optional<Stock> s = stock(m.storeCode);
    if (!s) return;
    const Valued v = revalued(*s, m);
    revalue_.exec({v.valgia.toDouble(), m.newCost.toDouble(), m.lineCost.toDouble(), m.discount1.toDouble(),
                   m.discount2.toDouble(), m.discount3.toDouble(), m.discountFlag, v.average, v.cosmp.toDouble(),
                   s->rowid});
}

void StockMovements::receive(const StockMovement& m) {
    if (m.storeCode == 0) return;
    const std::optional<Stock> s = stock(m.storeCode);
    if (!s) return;
    const Valued load = loaded(*s, m);
    if (m.newCost == m.oldCost) {
        writeLoad(s->rowid, load, m);
    } else {
        // The revaluation starts from the stock as the load leaves it in the
        // database: the same values, in one write instead of a write, a read
        // and a write.
        const Valued v = revalued({s->rowid, stored(load.qgia), stored(load.valgia), stored(load.qacq)}, m);
        const Valued& kept = v.average ? v : load;
        loadAndRevalue_.exec({load.qgia.toDouble(), v.valgia.toDouble(), load.qacq.toDouble(),
                              m.quantity.toDouble(), today_, m.supplierName.left(35),
                              m.newCost.toDouble(), m.lineCost.toDouble(), m.discount1.toDouble(),
                              m.discount2.toDouble(), m.discount3.toDouble(), m.discountFlag,
                              v.average || load.average, kept.cosmp.toDouble(), s->rowid});
    }
    loadEan(m);
}
