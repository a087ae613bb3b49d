#include "documents/cre_det.h"

#include "common/Dates.h"
#include "common/Numbers.h"
#include "documents/stock.h"
#include "run/Run.h"

using common::Amount;

CreDet::CreDet(const Run& run, StockMovements& stock)
    : run_(run),
      stock_(stock),
      // A document is its number and its date: the same number may come back
      // in another year, anywhere in the file.
      lines_(run.store.prepare(QStringLiteral(
          "SELECT codart, codafo, ea1art, ea2art, umart, imbart, przart, \"quantità\", colli, desart, "
          "ivart, perc, desgru FROM variati WHERE numero = ? AND tipges = ? AND datafa BETWEEN ? AND ? "
          "ORDER BY bns"))),
      chainCost_(run.chain.prepare(QStringLiteral("UPDATE articolo SET przart = ? WHERE codart = ?"))),
      ean_(run.store.prepare(QStringLiteral("SELECT codare FROM codean WHERE eanare = ? LIMIT 1"))),
      priceList_(run.store.prepare(QStringLiteral(
          "SELECT codart FROM listi02 WHERE trim(codafo) = ? AND codlis = ? ORDER BY rowid LIMIT 1"))),
      insert_(run.store.prepare(QStringLiteral(
          "INSERT INTO ordinif (bns, bannoc, bnumer, articoli, bdator, unitam, imballo, costob, "
          "sc1ord, sc2ord, sc3ord, scarto, traspo, dscfornitore, bflag2, costof, conai, quantita, "
          "quanci, Colli, Collic, descrizione, iva, codutente, codafo, ricart, bflag1, tipmov, bflag3, "
          "desgru, eanrig, totrig, tipodoc) "
          "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
          "?, ?, ?, ?)"))) {}

namespace {

struct Line {
    qint32 codart;
    QString codafo;
    QString ean;
    QString lineClass;
    QVariant umart, imbart, desart, desgru;
    QVariant przart;  // the cost; Null moves no stock
    Amount quantity;
    qint32 colli;
    QString ivart;
    QVariant perc;
};

bool blankEan(const QString& ean) { return ean.trimmed().isEmpty(); }

}  // namespace

void CreDet::write(const SupplierDocument& document, const ReceivedHeader& header) {
    const RunConfig& config = run_.config;

    // The staged lines of the document, read before anything is written.
    std::vector<Line> lines;
    lines_.exec({document.number, document.type, common::dateValue(QDate(document.year, 1, 1)),
                 common::dateValue(QDate(document.year, 12, 31))});
    while (lines_.next()) {
        lines.push_back({static_cast<qint32>(lines_.whole("codart")), lines_.text("codafo"),
                         lines_.text("ea1art"), lines_.text("ea2art"), lines_.value("umart"),
                         lines_.value("imbart"), lines_.value("desart"), lines_.value("desgru"),
                         lines_.value("przart"), lines_.amount("quantità"),
                         static_cast<qint32>(lines_.whole("colli")), lines_.text("ivart"),
                         lines_.value("perc")});
    }
    lines_.finish();

    const QVariant documentDate = common::dateValue(document.date);  // the same on every line
    Progress progress(run_.view, Bar::ProgressBar1, static_cast<qint64>(lines.size()));
    qint32 lineSeq = 0;
    for (const Line& l : lines) {
        progress.step();
        // Lines of class 2 get no document line and take no sequence number.
        if (common::numericValue(l.lineClass) == 2) continue;
        ++lineSeq;

        qint32 storeCode = l.codart;
        const QString code = l.codafo.trimmed();
        const qint64 chainArticle = common::isNumeric(code) ? common::wholeValue(code) : 0;
        const Amount cost = Amount::fromDouble(l.przart.toDouble());

        // The new cost goes back to the chain's catalogue.
        chainCosts_.insert_or_assign(chainArticle, l.przart);

        // Waste, transport and old cost from the store's article with this chain
        // code; a line without chain code reads them from its own article.
        Amount waste, transport, oldCost;
        if (const std::optional<StockMovements::Costs> c = stock_.costs(code, storeCode)) {
            waste = c->scarto;
            transport = c->traspo;
            oldCost = c->cofart.rounded(3);
        }

        // A line staged before its article was made finds it by EAN, else by
        // chain code through the supplier's price list, as the staging does: the
        // article made for a chain code carries the EAN of one of its lines only.
        if (storeCode == 0 && !blankEan(l.ean)) {
            if (ean_.first({l.ean})) storeCode = static_cast<qint32>(ean_.whole("codare"));
            ean_.finish();
        }
        if (storeCode == 0 && !code.isEmpty()) {
            if (priceList_.first({code, config.priceListCode()}))
                storeCode = static_cast<qint32>(priceList_.whole("codart"));
            priceList_.finish();
        }

        // The line total with waste, then transport, each rounded once to the cent.
        const Amount quantity = l.quantity.rounded(3);
        Amount total = Amount::multiply(quantity, cost, 2);
        total = common::raisedBy(total, waste, 2);
        total = common::raisedBy(total, transport, 2);
        const QString vat = common::zeroPad(common::wholeValue(l.ivart), 2);

        // The stock moves with the line, in the same unit of work.
        if (!quantity.isZero() && !l.przart.isNull()) {
            StockMovement m;
            m.storeCode = storeCode;
            m.ean = l.ean;
            m.quantity = quantity;
            m.newCost = cost;
            m.oldCost = oldCost;
            m.lineCost = cost;
            m.discountFlag = QStringLiteral(" ");
            m.supplierName = config.supplierName;
            stock_.receive(m);
            ++run_.summary.stockLines;
        }

        insert_.execList({lineSeq, header.year, header.number, storeCode, documentDate,
                          l.umart, l.imbart, l.przart, 0, 0, 0, waste.toDouble(), transport.toDouble(),
                          config.supplierName.left(35), QStringLiteral(" "), l.przart, 0, quantity.toDouble(),
                          quantity.toDouble(), l.colli, l.colli, l.desart, vat, RunConfig::userCode, l.codafo, l.perc,
                          QStringLiteral("E"), QStringLiteral("AR"), QStringLiteral("1"), l.desgru, l.ean,
                          total.toDouble(), header.storeDocType});
    }
}

void CreDet::writeChainCosts() {
    for (const auto& [codart, przart] : chainCosts_) chainCost_.exec({przart, codart});
    chainCosts_.clear();
}
