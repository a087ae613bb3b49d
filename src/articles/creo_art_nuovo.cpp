#include "articles/creo_art_nuovo.h"

#include "common/Dates.h"
#include "common/Numbers.h"
#include "run/Run.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

using namespace articles;
using common::Amount;

struct CreoArtNuovo::Impl {
    Impl(const Run& r, StoreLookups& storeLookups, ChainBarcodes& eans, StoreEans& storeEanRows,
         PriceListRows& priceLists)
        : run(r),
          chainBarcodes(eans),
          storeEans(storeEanRows),
          priceList(priceLists),
          lookups(storeLookups),
          addPriceList(r.store.prepare(QStringLiteral(
              "INSERT INTO listi02 (codart, desart, codlis, cobart, cofart, codafo, ivart, umart, desfor, "
              "dsclistino, codfor, datval) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"))),
          article(r.store.prepare(QStringLiteral("SELECT 1 FROM listi01 WHERE codart = ? LIMIT 1"))),
          addArticle(r.store.prepare(QStringLiteral(
              "INSERT INTO listi01 (codart, desart, umart, imbart, ivart, codafo, desfor, codfor, desgru, "
              "dessot, codgru, codsot, cosiva, datreg, datagg, przart, quaco, umquaco, prztot, tipart, annoco, "
              "qinv, qacq, qres, qven, qgia, cosmp, scopro, przpro, scosal, valgia, q1, sq1, q2, sq2, scomi, "
              "codrep, desrep, descas, fl1art, fl2art, cobart, cofart, przpub, ricart, colore, marg) VALUES "
              "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1, ?, "
              "0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "
              "?, ?, ?, 0, ' ', ?, ?, ?, ?, ?, ?)"))),
          addEan(r.store.prepare(QStringLiteral(
              "INSERT INTO codean (eanare, codare, desart, desfor, codafo, aggi, pezzix, prezzo, prezzox, neti, "
              "colare, primasecon, flagean, dataagg) VALUES (?, ?, ?, ?, ?, 'A', 1, ?, ?, 1, ?, 'P', 'S', ?)"))),
          editEan(r.store.prepare(QStringLiteral(
              "UPDATE codean SET codafo = ?, prezzo = ?, prezzox = pezzix * ?, dataagg = ?, primasecon = 'P', "
              "flagean = 'S' WHERE rowid = ?"))),
          codlis(r.config.priceListCode()) {}

    qint32 create(const NewArticle& input);

    // The next free article code. The highest code is read once and raised by
    // each article created here (nothing else in the stage adds articles); it
    // is read again while it is not a whole number, as max() then answers
    // otherwise. `fresh`: the code is above every code in the table.
    qint32 nextCode(bool& fresh) {
        if (next) {
            fresh = true;
            return *next;
        }
        const qint32 code = lookups.nextArticleCode();
        fresh = lookups.lastCodeWhole();
        if (fresh) next = code;
        return code;
    }
    void articleAdded(qint32 code) {
        if (!next || code < *next) return;
        if (code == std::numeric_limits<qint32>::max()) next.reset();  // the statement says what follows
        else next = code + 1;
    }

    const Run& run;
    ChainBarcodes& chainBarcodes;
    StoreEans& storeEans;
    PriceListRows& priceList;
    StoreLookups& lookups;
    db::Query addPriceList, article, addArticle, addEan, editEan;
    QString codlis;
    std::optional<qint32> next;
    bool headerEnsured = false;  // nothing in the stage removes the price-list header once it is there
};

qint32 CreoArtNuovo::Impl::create(const NewArticle& input) {
    const ChainArticle& a = input.article;
    const RunConfig& config = run.config;
    const QString& supplierName = config.supplierName;
    const QDate today = run.clock.today();
    const QVariant todayValue = common::dateValue(today);
    const QString desart = a.description();
    const QString vat = vatCode(a.ivart);
    const Amount price = a.price();
    const CostWithVat& cosiva = input.cosiva;

    bool fresh = false;
    qint32 code = nextCode(fresh);
    const QString chain = chainCode(a.codart);

    // The chain supplier's price-list row; one that already names a store
    // article gives the article its code.
    if (const auto listed = priceList.find(chain.trimmed())) {
        if (listed->article != 0) {
            code = static_cast<qint32>(listed->article);
            fresh = false;
        }
    } else {
        addPriceList.exec({code, desart, codlis, a.przart, a.przart, chain, a.ivart, storeUnit(a.umart),
                           supplierName, supplierName, config.codfor_affil, todayValue});
        priceList.added(chain, addPriceList.lastInsertId(), code);
    }

    // The department's description is text: empty when the department is 0 or unknown.
    QString departmentText;
    if (!a.codrep.isNull() && a.codrep.toLongLong() > 0) {
        const qint64 department = a.codrep.toLongLong();
        const auto found = lookups.department(department);
        if (found) departmentText = found->toString();
    }

    if (!headerEnsured) {
        lookups.ensurePriceListHeader(codlis, supplierName, today);
        headerEnsured = true;
    }

    // The chain article's own EAN codes: the article's colour and the EAN rows.
    const std::vector<QString> eans = chainBarcodes.eanTexts(a.codart);

    const QString unit = a.umconf.toString();
    const Amount factor = lookups.unitFactor(unit);
    run.view.setText(Box::codartw, common::displayNumber(code));

    bool exists = false;
    if (!fresh) {
        exists = article.first({code});
        article.finish();
    }
    if (!exists) {
        const Amount rate = Amount::whole(vatRate(a.ivart));
        const auto perUnit = pricePerUnit(price, Amount::fromDouble(a.pezzatura.toDouble()), factor);
        const bool storeEan = std::any_of(eans.begin(), eans.end(),
                                          [](const QString& e) { return e != kNoEan && isStoreEan(e); });
        const int colore = a.typeTwo() || storeEan ? 5 : 1;
        addArticle.execList({code, desart, storeUnit(a.umart), a.imbart, vat, chain, supplierName,
                             config.codfor_affil, a.desgru, a.dessot, a.codgru, a.codsot, cosiva.stored(),
                             todayValue, todayValue, priceWithoutVat(price, rate).toDouble(), a.pezzatura, a.umconf,
                             perUnit ? QVariant(perUnit->toDouble()) : QVariant(), today.year(), a.codrep,
                             departmentText, desart.left(30), a.przart, a.przart, a.przpub,
                             markup(price, cosiva).value_or(Amount()).toDouble(), colore,
                             margin(price, cosiva).value_or(Amount()).toDouble()});
        articleAdded(code);
    }

    // The EAN codes, each recorded in the log: "N" added, "A" found (it keeps
    // its article; only its price, chain code and flags change). A new
    // article has no old values; its cost goes with the first row only, as
    // the log clears the cost after every row.
    Amount cost = a.cost();
    for (const QString& e : eans) {
        if (e == kNoEan) continue;
        db::LogRow log;
        if (const auto rowid = storeEans.find(e)) {
            editEan.exec({chain, price.toDouble(), price.toDouble(), todayValue, *rowid});
            log.tipoagg = QStringLiteral("A");
        } else {
            addEan.exec({e, code, desart.left(35), supplierName.left(35), chain, price.toDouble(), price.toDouble(),
                         isStoreEan(e) ? 5 : 1, todayValue});
            storeEans.added(e, addEan.lastInsertId());
            log.tipoagg = QStringLiteral("N");
        }
        log.tipoelaborazione = QStringLiteral("B");
        log.codart = code;
        log.ean = e;
        log.codafon = chain;
        log.ivart = vat;
        log.desart = desart;
        log.prezpubn = price;
        log.coston = std::exchange(cost, Amount());
        run.log.append(log);
        ++run.summary.eansWritten;
    }
    return code;
}

CreoArtNuovo::CreoArtNuovo(const Run& run, StoreLookups& lookups, ChainBarcodes& chainBarcodes, StoreEans& storeEans,
                           PriceListRows& priceList)
    : d_(std::make_unique<Impl>(run, lookups, chainBarcodes, storeEans, priceList)) {}
CreoArtNuovo::~CreoArtNuovo() = default;

qint32 CreoArtNuovo::operator()(const NewArticle& input) { return d_->create(input); }

qint32 creo_art_nuovo(const Run& run, const NewArticle& input) {
    ChainBarcodes chainBarcodes(run.chain);
    StoreEans storeEans(run.store);
    PriceListRows priceList(run.store, run.config.priceListCode());
    StoreLookups lookups(run.store);
    CreoArtNuovo create(run, lookups, chainBarcodes, storeEans, priceList);
    return create(input);
}
