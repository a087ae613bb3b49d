#include "promotions/ElaboraPromozioni.h"

#include "chainfile/LineErrors.h"
#include "chainfile/PromotionRecords.h"
#include "common/ChainFile.h"
#include "common/Dates.h"
#include "common/Numbers.h"
#include "db/ReadOnce.h"
#include "promotions/PromotionKeys.h"
#include "run/Run.h"

#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <optional>

using chainfile::LineErrors;
using common::Amount;
using common::padCut;
using common::toSingle;

namespace {

const QString kBlankEan(13, QLatin1Char(' '));
const QString kNotInChain = QStringLiteral("*** CODICE ARTICOLO NON TROVATO SU * NELV * ");
const QString kNotInStore = QStringLiteral("EAN NON SU * QUARN *");
const QString kNoListing = QStringLiteral("????? Articolo non trovato");

using ListingRow = promotions::StoreListings::Row;

// What the stage knows of the article of the current promotion line.
struct Article {
    qint32 chainCode = 0;
    QString paddedChainCode;  // nine digits, or empty
    qint32 storeCode = 0;
    QString ean = kBlankEan;
    QString description;
    QString group;
    QString subgroup = QStringLiteral(".");
    QString supplier;
    Amount cost;
    Amount cosmp;
    double imbart = 0;
    Amount przart;
    Amount price;  // the store's selling price, in single precision
    QString unit;
    QString vat = QStringLiteral("00");
    bool byChainCode = false;  // found through the chain code, not a barcode

    // The store listing of the article: a Null field leaves the value already held untouched.
    void take(const ListingRow& r) {
        storeCode = r.codart;
        if (r.desart) description = *r.desart;
        if (r.desgru) group = r.desgru->left(20);
        if (r.dessot) subgroup = r.dessot->left(20);
        if (r.desfor) supplier = padCut(*r.desfor, 45);
        if (r.cofart) cost = Amount::fromDouble(*r.cofart);
        if (r.cosmp) cosmp = Amount::fromDouble(*r.cosmp);
        if (r.imbart) imbart = *r.imbart;
        if (r.przart) przart = Amount::fromDouble(*r.przart);
        if (r.przpub) price = toSingle(Amount::fromDouble(*r.przpub));
        if (r.umart) unit = *r.umart;
        if (r.ivart) vat = padCut(*r.ivart, 2);
    }
};

// What the boxes show of a line, kept as values: made into text only when
// the view can show them (formatting every line's amounts took a tenth of
// the stage) and once more when the stage ends, so they end as they would if
// set for every line.
struct LineBoxes {
    int processed = 0;
    int notFound = 0;
    QString ean, description, vat, chainCode, group, subgroup;
    Amount cost, price;
};

// A staged promotion header: its description and validity.
struct StagedHeader {
    QString description;
    QDate start;
    QDate end;
};

class PromotionImport {
public:
    // `year`: the year the promotions are staged and filed under.
    PromotionImport(const Run& run, qint32 year);

    void emptyStaging();
    // Stages the file's promotions; the records it cannot read go into `errors`.
    void read(const common::ChainFile& file, LineErrors& errors);

private:
    void advanceProgress();
    void stageHeader(const chainfile::PromotionHeader& header);
    void takeHeaderOf(qint32 number);
    std::optional<StagedHeader> stagedHeader(qint32 number, qint32 year);
    void takeOffer(const chainfile::PromotionLine& offer);
    void processLine(const common::Amount& value);
    void classifyOffer();
    void stageLines();
    void logUnmatched(const QVariant& desrep);
    void show();
    void showHeld();

    // Lookups read once: none of these tables changes while the stage runs,
    // except offtab, whose cache follows the rows the stage adds.
    QStringList chainBarcodes(qint32 chainCode) { return chainBarcodes_->of(chainCode); }
    std::optional<qint32> storeArticleByEan(const QString& ean) { return storeBarcodes_->articleOf(ean); }
    std::optional<promotions::StoreBarcode> firstStoreBarcode(qint32 storeCode) {
        return storeBarcodes_->firstOf(storeCode);
    }
    std::optional<ListingRow> listing(qint32 storeCode) { return listings_->of(storeCode); }
    QString chainDescription(qint32 chainCode);

    const Run& run_;
    const qint32 year_;
    db::Query deleteHeaders_, deleteLines_, deleteUnmatchedLog_;
    db::Query findHeader_, insertHeader_;
    db::Query chainArticle_;
    db::Query listingByChainCode_;
    db::Query offerBySconto_, offerByCode_, lastOffer_, insertOffer_;
    db::Query insertLine_;

    // Read at the first promotion line: a file without promotions does not read them.
    std::optional<articles::ChainBarcodes> chainBarcodes_;
    std::optional<promotions::StoreBarcodes> storeBarcodes_;
    std::optional<promotions::StoreListings> listings_;
    QHash<QPair<qint32, qint32>, qint32> lastBns_;  // (promotion, year) → last line number
    QHash<QPair<qint32, qint32>, std::optional<StagedHeader>> headers_;  // (promotion, year)
    QHash<qint64, qint32> offerBySconto_Cache_;  // by the discount's ten-thousandths
    QHash<qint32, std::optional<QString>> offerDescriptions_;

    QVariant todayValue_;  // as the staging stores it, made once
    std::optional<Progress> progress_;
    Refresh refresh_;
    std::optional<LineBoxes> held_;
    int processed_ = 0;
    int notFound_ = 0;

    // The promotion of the last "OFD" record, as its staged header describes it;
    // the values of the promotion before stay when its header is not staged.
    qint32 promoNumber_ = 0;
    QString promoDescription_;
    QDate promoStart_;
    QDate promoEnd_;

    // The last "OFD" record and the offer it carries; a "G" line brings a new
    // value for its article.
    double offerKind_ = 0;
    qint32 chainCode_ = 0;
    QString paddedChainCode_;
    Amount value_;                  // the line's value in units: the price, or the discount percentage
    Amount promoPrice_;             // in single precision
    bool storePriceOffer_ = false;  // kind 10: each line offers its own article's store price
    Amount discount_;
    qint32 offerCode_ = 0;
    QString offerDescription_;
    qint16 markup_ = 0;

    Article a_;
};

PromotionImport::PromotionImport(const Run& run, qint32 year)
    : run_(run),
      year_(year),
      deleteHeaders_(run.store.prepare(QStringLiteral("DELETE FROM locte"))),
      deleteLines_(run.store.prepare(QStringLiteral("DELETE FROM locmo"))),
      // The log's rows of unmatched promoted articles are rebuilt with the
      // staging: after a run that stopped part-way the log keeps its rows,
      // and these would otherwise be written twice.
      deleteUnmatchedLog_(run.store.prepare(QStringLiteral(
          "DELETE FROM variatidivulgazioni WHERE tipoelaborazione = 'P' AND tipoagg = 'E'"))),
      findHeader_(run.store.prepare(QStringLiteral(
          "SELECT dsccliente, Data1, Data2 FROM locte WHERE codutente = 1 AND numero = ? AND anno = ? "
          "ORDER BY rowid LIMIT 1"))),
      insertHeader_(run.store.prepare(QStringLiteral(
          "INSERT INTO locte (codutente, Numero, Anno, dataor, dsccliente, cliente, Data1, Data2, tipo, sel) "
          "VALUES (1, ?, ?, ?, ?, 1, ?, ?, 'P', 'X')"))),
      chainArticle_(run.chain.prepare(
          QStringLiteral("SELECT desart FROM articolo WHERE codart = ? ORDER BY rowid LIMIT 1"))),
      listingByChainCode_(run.store.prepare(QStringLiteral(
          "SELECT codart FROM listi01 WHERE trim(codafo) = ? AND codfor = ? ORDER BY rowid LIMIT 1"))),
      offerBySconto_(run.store.prepare(
          QStringLiteral("SELECT codice FROM offtab WHERE sconto = ? ORDER BY rowid LIMIT 1"))),
      offerByCode_(run.store.prepare(
          QStringLiteral("SELECT descrizione FROM offtab WHERE codice = ? ORDER BY rowid LIMIT 1"))),
      lastOffer_(run.store.prepare(QStringLiteral("SELECT max(codice) AS last FROM offtab"))),
      insertOffer_(run.store.prepare(QStringLiteral(
          "INSERT INTO offtab (codice, descrizione, sconto, valore, soglia, omaggio, puntif, scoval, "
          "soloclienti, sogliav) VALUES (?, ?, ?, 0, 0, 0, 0, 0, 0, 0)"))),
      insertLine_(run.store.prepare(QStringLiteral(
          "INSERT INTO locmo (bnumer, bannoc, bdator, bns, articoli, imballo, prezzo, codute, costof, cosmp, "
          "quantita, bflag2, iva, przpub, unitam, eanrig, colli, codafo, sconto, scopro, przpro, codpro, marg, "
          "commesso, descrizione, taglia, desfor, desgru, tipmov, bflag1, ric, codrep, dsccolore, sel) "
          "VALUES (?, ?, ?, ?, ?, ?, ?, 1, ?, ?, 0, '.', ?, ?, ?, ?, 0, ?, ?, ?, ?, ?, ?, 0, ?, ?, ?, ?, 'AR', "
          "'0', ?, NULL, NULL, 'X')"))),
      todayValue_(common::dateValue(run.clock.today())) {}

void PromotionImport::emptyStaging() {
    deleteHeaders_.exec();
    deleteLines_.exec();
    deleteUnmatchedLog_.exec();
}

void PromotionImport::advanceProgress() { progress_->step(); }

void PromotionImport::read(const common::ChainFile& file, LineErrors& errors) {
    progress_.emplace(run_.view, Bar::ProgressBar3, file.lineCount());
    const auto showLast = qScopeGuard([this] { showHeld(); });  // however the stage ends

    // Staged rows are rebuilt from the file by every run, so a batch lost to a
    // crash is simply staged again next time.
    db::Batch batch(run_.store);
    for (const common::ChainLine line : file) {
        advanceProgress();
        if (const std::optional<chainfile::PromotionHeader> header = chainfile::readPromotionHeader(line)) {
            if (header->ok())
                stageHeader(*header);
            else
                errors.add(LineErrors::Stage::Promotions, *header);
            batch.step();
            continue;
        }
        const std::optional<chainfile::PromotionLine> offer = chainfile::readPromotionLine(line);
        if (!offer) continue;
        errors.add(LineErrors::Stage::Promotions, *offer);
        // A line that ends inside a field it needs would be read as another
        // number or another article; one without a promotion number belongs
        // to none: both are left out.
        if (offer->cutShort() || !offer->numberRead()) continue;
        if (offer->ofd) takeOffer(*offer);
        // A value that cannot be read would silently carry the price of the
        // line before into this one: the line is not staged.
        if (offer->valueRead()) processLine(offer->value);
        batch.step();
    }
    batch.commit();
    showHeld();  // before the message: the boxes end on the last line
    run_.summary.refusedLines += errors.tally(LineErrors::Stage::Promotions);
    if (errors.any(LineErrors::Stage::Promotions)) run_.view.message(errors.promotionMessage());
}

void PromotionImport::stageHeader(const chainfile::PromotionHeader& header) {
    promoNumber_ = header.number;
    if (stagedHeader(promoNumber_, year_)) return;  // the same promotion again: its lines join the first
    insertHeader_.exec({promoNumber_, year_, todayValue_, header.description,
                        common::dateValue(header.start), common::dateValue(header.end)});
    headers_.insert(qMakePair(promoNumber_, year_), StagedHeader{header.description, header.start, header.end});
}

std::optional<StagedHeader> PromotionImport::stagedHeader(qint32 number, qint32 year) {
    return db::readOnce(headers_, qMakePair(number, year), [&] {
        return findHeader_.firstRow({number, year}, [](const db::Query& q) {
            return StagedHeader{q.text("dsccliente"), common::dateFromDb(q.value("Data1")),
                                common::dateFromDb(q.value("Data2"))};
        });
    });
}

// The description and validity of the line's promotion, when its header is
// staged; otherwise the values of the previous promotion stay.
void PromotionImport::takeHeaderOf(qint32 number) {
    if (const std::optional<StagedHeader> h = stagedHeader(number, year_)) {
        promoDescription_ = h->description;
        promoStart_ = h->start;
        promoEnd_ = h->end;
    }
}

// The "OFD" record's promotion, offer kind and article, for this line and the
// "G" lines after it.
void PromotionImport::takeOffer(const chainfile::PromotionLine& offer) {
    promoNumber_ = offer.number;
    takeHeaderOf(promoNumber_);
    ++processed_;
    offerKind_ = offer.offerKind;
    chainCode_ = offer.chainCode;
    paddedChainCode_ = offer.paddedChainCode;
}

// `value`: the line's value in units (the price, or the discount percentage).
void PromotionImport::processLine(const Amount& value) {
    if (!listings_) {
        chainBarcodes_.emplace(run_.chain);
        storeBarcodes_.emplace(run_.store);
        listings_.emplace(run_.store);
    }
    value_ = value;
    promoPrice_ = toSingle(value);

    a_ = Article();
    a_.chainCode = chainCode_;
    a_.paddedChainCode = paddedChainCode_;

    const QStringList eans = chainBarcodes(a_.chainCode);
    if (eans.isEmpty()) {
        logUnmatched(QVariant());
    } else {
        a_.ean = padCut(eans.first(), 13);
    }

    if (const std::optional<qint32> code = storeArticleByEan(a_.ean)) {
        a_.storeCode = *code;
    } else if (!a_.ean.trimmed().isEmpty()) {
        // The store may know the article by the chain code without this barcode.
        const bool listed = listingByChainCode_.first({a_.paddedChainCode, run_.config.codfor_affil});
        if (listed) {
            a_.storeCode = static_cast<qint32>(listingByChainCode_.whole("codart"));
            a_.byChainCode = true;
        }
        listingByChainCode_.finish();
        if (!listed) logUnmatched(kNotInStore);
    }

    if (const std::optional<ListingRow> row = listing(a_.storeCode)) {
        a_.take(*row);
        markup_ = 25;
    } else if (a_.storeCode != 0) {
        run_.view.setText(Box::variazioni, kNoListing);
    }
    show();

    if (promoNumber_ == 0) return;
    classifyOffer();
    stageLines();
}

void PromotionImport::logUnmatched(const QVariant& desrep) {
    db::LogRow row;
    row.codafon = a_.paddedChainCode;
    row.ean = a_.ean;
    row.desart = desrep.isNull() ? kNotInChain : chainDescription(a_.chainCode);
    row.numpro = promoNumber_;
    row.datain = promoStart_;
    row.datafi = promoEnd_;
    row.tipoelaborazione = QStringLiteral("P");
    row.tipoagg = QStringLiteral("E");
    row.prezpubn = promoPrice_;
    row.desrep = desrep;
    row.umart = QStringLiteral(" ");
    row.despro = promoDescription_;
    run_.log.append(row);
    ++notFound_;
}

void PromotionImport::show() {
    held_ = LineBoxes{processed_, notFound_, a_.ean, a_.description, a_.vat, a_.paddedChainCode,
                      a_.group, a_.subgroup, a_.cost, toSingle(a_.price)};  // the stored price, not the float widened
    if (refresh_.due()) showHeld();
}

void PromotionImport::showHeld() {
    if (!held_) return;
    const LineBoxes& b = *held_;
    RunView& v = run_.view;
    v.setText(Box::cntpw, QString::number(b.processed));
    v.setText(Box::cntAPw, QString::number(b.notFound));
    v.setText(Box::CNTcPW, QString::number(b.processed - b.notFound));
    v.setText(Box::e2w, b.ean);
    v.setText(Box::e3w, b.description);
    v.setText(Box::e4w, common::displayNumber(b.cost));
    v.setText(Box::e5w, b.vat);
    v.setText(Box::e1w, b.chainCode);
    v.setText(Box::e6w, common::displayNumber(b.price));
    v.setText(Box::e7w, b.group);
    v.setText(Box::e8w, b.subgroup);
    held_.reset();
}

// Kind 0 keeps the offer of the line before; any other kind is a price cut,
// and kind 10 a percentage discount on the regular price.
void PromotionImport::classifyOffer() {
    storePriceOffer_ = false;
    if (offerKind_ == 0) return;
    offerCode_ = 1;
    offerDescription_ = QStringLiteral("TAGLIO PREZZO");
    discount_ = Amount();
    if (offerKind_ == 10) {
        discount_ = value_;
        auto known = offerBySconto_Cache_.constFind(discount_.units());
        if (known != offerBySconto_Cache_.cend()) {
            offerCode_ = *known;
        } else if (offerBySconto_.first({discount_.toDouble()})) {
            offerCode_ = static_cast<qint32>(offerBySconto_.whole("codice"));
            offerBySconto_.finish();
            offerBySconto_Cache_.insert(discount_.units(), offerCode_);
        } else {
            offerBySconto_.finish();
            lastOffer_.first();
            const QVariant last = lastOffer_.value("last");
            lastOffer_.finish();
            if (!last.isNull()) {
                offerCode_ = static_cast<qint32>(last.toLongLong() + 1);
                const QString description = QStringLiteral("SCONTO %1%").arg(common::displayNumber(discount_));
                insertOffer_.exec({offerCode_, description, discount_.toDouble()});
                offerBySconto_Cache_.insert(discount_.units(), offerCode_);
                offerDescriptions_.insert(offerCode_, description);
            }
        }
        promoPrice_ = a_.price;
        storePriceOffer_ = true;
    }
    const std::optional<QString> described = db::readOnce(offerDescriptions_, offerCode_, [&] {
        return offerByCode_.firstRow({offerCode_}, [](const db::Query& q) { return q.text("descrizione"); });
    });
    if (described) offerDescription_ = *described;
}

// One staged line for every chain barcode of the article that the store knows.
void PromotionImport::stageLines() {
    if (markup_ == 0) markup_ = 25;
    const std::optional<promotions::StoreBarcode> first = firstStoreBarcode(a_.storeCode);
    if (!first) return;
    a_.description = first->description;
    qint32& bns = lastBns_[qMakePair(promoNumber_, year_)];

    // The chain's barcodes that the store knows; an article that the store
    // knows only by its chain code is offered under its own first barcode.
    QList<QPair<QString, qint32>> lines;
    for (const QString& chainEan : chainBarcodes(a_.chainCode)) {
        const QString ean = padCut(chainEan, 13);
        if (const std::optional<qint32> code = storeArticleByEan(ean)) lines.append({ean, *code});
    }
    if (lines.isEmpty() && a_.byChainCode) lines.append({padCut(first->ean, 13), a_.storeCode});

    for (const auto& [ean, code] : lines) {
        a_.ean = ean;
        a_.storeCode = code;
        const std::optional<ListingRow> row = listing(a_.storeCode);
        if (!row) {
            run_.view.setText(Box::variazioni, kNoListing);
            continue;
        }
        a_.take(*row);
        markup_ = 25;
        ++bns;

        // A percentage discount goes with the regular price of the line's own
        // article: one chain article's barcodes may lead to several.
        const Amount offered = storePriceOffer_ ? a_.price : promoPrice_;
        // The margin on the selling price over the article's cost.
        const Amount marg = a_.price.isZero() ? Amount() : common::percentage(a_.price - a_.cost, a_.price, 2);
        insertLine_.exec({promoNumber_, year_, todayValue_, bns, a_.storeCode, a_.imbart,
                          a_.przart.toDouble(), a_.cost.toDouble(), a_.cosmp.toDouble(), a_.vat, a_.price.toDouble(),
                          a_.unit, a_.ean, a_.paddedChainCode, discount_.toDouble(), discount_.toDouble(),
                          offered.rounded(2).toDouble(), offerCode_, marg.toDouble(), a_.description,
                          offerDescription_.left(25), a_.supplier, a_.group, markup_});
    }
}

QString PromotionImport::chainDescription(qint32 chainCode) {
    const auto description = [](const db::Query& q) { return q.text("desart"); };
    return chainArticle_.firstRow({chainCode}, description).value_or(QString());
}

}  // namespace

bool ElaboraPromozioni(const Run& run, const common::ChainFile& file, qint32 year, LineErrors& errors) {
    if (!QFileInfo::exists(run.config.paths.chainDb())) return false;

    PromotionImport import(run, year);
    {
        db::Transaction tx(run.store);
        import.emptyStaging();
        tx.commit();
    }
    if (!run.config.promotionsOn()) return true;
    import.read(file, errors);
    return true;
}
