#include "documents/stock.h"

#include "common/Dates.h"
#include "common/Numbers.h"
#include "run/Run.h"

using common::Amount;

StockMovements::StockMovements(const Run& run)
    : today_(common::dateValue(run.clock.today())),
      rows_(run.store),
      article_(run.store.prepare(QStringLiteral(
          "SELECT rowid, tipges, qgia, valgia, qacq FROM listi01 WHERE codart = ? LIMIT 1"))),
      // The first row of the chain code, without sorting the code's rows on every line.
      byChainCode_(run.store.prepare(QStringLiteral(
          "SELECT rowid, scarto, traspo, cofart FROM listi01 WHERE rowid = "
          "(SELECT min(rowid) FROM listi01 WHERE trim(codafo) = ?)"))),
      byArticle_(run.store.prepare(
          QStringLiteral("SELECT rowid, scarto, traspo, cofart FROM listi01 WHERE codart = ? LIMIT 1"))),
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

const ReceiptRows::Row* StockMovements::kept(const ReceiptRows::Row* row) const {
    return row && written_.contains(row->rowid) ? nullptr : row;
}

std::optional<Stock> StockMovements::stock(qint32 storeCode) {
    std::optional<Stock> s;
    const ReceiptRows::Row* row = rows_.kept() ? rows_.byCode(storeCode) : nullptr;
    if (rows_.kept() && !row) return s;
    // An article of management type "D" stays out of the stock movements.
    if (kept(row)) {
        if (!row->excluded)
            s = Stock{row->rowid, Amount::fromDouble(row->qgia), Amount::fromDouble(row->valgia),
                      Amount::fromDouble(row->qacq)};
    } else {
        if (article_.first({storeCode}) && article_.text("tipges").trimmed() != QLatin1String("D"))
            s = Stock{article_.whole("rowid"), article_.amount("qgia"), article_.amount("valgia"),
                      article_.amount("qacq")};
        article_.finish();
    }
    if (s) {
        if (const auto held = heldArticles_.find(s->rowid); held != heldArticles_.end()) {
            const HeldArticle& h = held->second;
            s->qgia = Amount::fromDouble(h.qgia);
            s->valgia = Amount::fromDouble(h.valgia);
            s->qacq = Amount::fromDouble(h.qacq);
        }
    }
    return s;
}

std::optional<StockMovements::Costs> StockMovements::costs(const QString& code, qint32 storeCode) {
    std::optional<Costs> c;
    if (code.isEmpty() && storeCode == 0) return c;
    qint64 rowid = 0;
    const ReceiptRows::Row* row = nullptr;
    if (rows_.kept()) {
        row = code.isEmpty() ? rows_.byCode(storeCode) : rows_.byChainCode(code);
        if (!row) return c;
    }
    if (kept(row)) {
        rowid = row->rowid;
        c = Costs{Amount::fromDouble(row->scarto), Amount::fromDouble(row->traspo), Amount::fromDouble(row->cofart)};
    } else {
        db::Query& article = code.isEmpty() ? byArticle_ : byChainCode_;
        if (code.isEmpty() ? article.first({storeCode}) : article.first({code})) {
            rowid = article.whole("rowid");
            c = Costs{article.amount("scarto"), article.amount("traspo"), article.amount("cofart")};
        }
        article.finish();
    }
    // An earlier line may have changed the cost, held until the unit ends.
    if (const auto held = heldArticles_.find(rowid); c && held != heldArticles_.end() && held->second.revalued)
        c->cofart = Amount::fromDouble(held->second.revalued->cofart);
    return c;
}

void StockMovements::writeHeld() {
    for (const auto& [rowid, h] : heldArticles_) {
        if (h.revalued) {
            const HeldArticle::Revalued& r = *h.revalued;
            loadAndRevalue_.exec({h.qgia, h.valgia, h.qacq, h.qultcar, today_, h.desfor, r.cofart, r.cobart,
                                  r.sc1art, r.sc2art, r.sc3art, r.scomag, h.cosmp.has_value(),
                                  h.cosmp.value_or(0), rowid});
        } else {
            load_.exec({h.qgia, h.valgia, h.qacq, h.qultcar, today_, h.desfor, h.cosmp.has_value(),
                        h.cosmp.value_or(0), rowid});
        }
        written_.insert(rowid);  // the row as read when the receipts began is out of date
    }
    heldArticles_.clear();
    for (const auto& [rowid, h] : heldEans_) loadEan_.exec({h.eacq, h.egia, rowid});
    heldEans_.clear();
}

void StockMovements::writeLoad(qint64 rowid, const Valued& v, const StockMovement& m) {
    load_.exec({v.qgia.toDouble(), v.valgia.toDouble(), v.qacq.toDouble(), m.quantity.toDouble(),
                today_, m.supplierName.left(35), v.average, v.cosmp.toDouble(),
                rowid});
}

void StockMovements::loadEan(const StockMovement& m, bool hold) {
    if (!ean_.first({m.ean})) {
        ean_.finish();
        return;
    }
    const qint64 eanRow = ean_.whole("rowid");
    HeldEan counters{ean_.number("eacq"), ean_.number("egia")};
    ean_.finish();
    // An earlier line of this unit may have loaded the same barcode.
    if (const auto held = heldEans_.find(eanRow); held != heldEans_.end()) counters = held->second;
    const Amount eacq = Amount::fromDouble(counters.eacq) + m.quantity;
    const Amount egia = Amount::fromDouble(counters.egia) + m.quantity;
    if (hold) heldEans_[eanRow] = HeldEan{eacq.toDouble(), egia.toDouble()};
    else loadEan_.exec({eacq.toDouble(), egia.toDouble(), eanRow});
}

// The procedures on their own write at once, after what receive() holds.
void StockMovements::carico_magazzino(const StockMovement& m) {
    writeHeld();
    if (m.storeCode == 0) return;
    const std::optional<Stock> s = stock(m.storeCode);
    if (!s) return;
    writeLoad(s->rowid, loaded(*s, m), m);
    written_.insert(s->rowid);
    loadEan(m, false);
}

void StockMovements::aggiorno_costo(const StockMovement& m) {
    writeHeld();
    if (m.storeCode == 0) return;
    const std::optional<Stock> s = stock(m.storeCode);
    if (!s) return;
    const Valued v = revalued(*s, m);
    revalue_.exec({v.valgia.toDouble(), m.newCost.toDouble(), m.lineCost.toDouble(), m.discount1.toDouble(),
                   m.discount2.toDouble(), m.discount3.toDouble(), m.discountFlag, v.average, v.cosmp.toDouble(),
                   s->rowid});
    written_.insert(s->rowid);
}

void StockMovements::receive(const StockMovement& m) {
    if (m.storeCode == 0) return;
    const std::optional<Stock> s = stock(m.storeCode);
    if (!s) return;
    if (heldArticles_.size() >= kHeld || heldEans_.size() >= kHeld) writeHeld();
    const Valued load = loaded(*s, m);
    HeldArticle& h = heldArticles_[s->rowid];
    h.qgia = load.qgia.toDouble();
    h.valgia = load.valgia.toDouble();
    h.qacq = load.qacq.toDouble();
    h.qultcar = m.quantity.toDouble();
    h.desfor = m.supplierName.left(35);
    if (m.newCost == m.oldCost) {
        if (load.average) h.cosmp = load.cosmp.toDouble();
    } else {
        // The revaluation starts from the stock as the load leaves it in the
        // database: the same values, in one write instead of a write, a read
        // and a write.
        const Valued v = revalued({s->rowid, stored(load.qgia), stored(load.valgia), stored(load.qacq)}, m);
        const Valued& kept = v.average ? v : load;
        h.valgia = v.valgia.toDouble();
        if (v.average || load.average) h.cosmp = kept.cosmp.toDouble();
        h.revalued = HeldArticle::Revalued{m.newCost.toDouble(), m.lineCost.toDouble(), m.discount1.toDouble(),
                                           m.discount2.toDouble(), m.discount3.toDouble(), m.discountFlag};
    }
    loadEan(m, true);
}
