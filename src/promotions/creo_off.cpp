#include "promotions/creo_off.h"

#include "common/Dates.h"
#include "common/Numbers.h"
#include "db/ReadOnce.h"
#include "run/Run.h"

#include <QHash>
#include <QSet>
#include <limits>
#include <optional>
#include <vector>

using common::Amount;
using common::toSingle;

namespace {

const QString kGiaPresente = QStringLiteral("**** GIA PRESENTE ******");

// A promotion staged by the promotion import.
struct StagedHeader {
    qint32 anno = 0;
    qint32 numero = 0;
    QVariant dataInz;
    QVariant dataFin;
    QString dsccliente;
};

// The listing values an offer line takes from the store's article.
struct Listing {
    Amount cobart;
    Amount cofart;
    Amount przpub;
    Amount marg = Amount::whole(30);
    qint64 codrep = 0;
};

// The threshold, gift and discount of an offer code.
struct Offer {
    QVariant soglia, omaggio, sconto;
    QString descrizione;
};

class OfferDocuments {
public:
    OfferDocuments(const Run& run, qint32 year);
    bool prepareNumbering();
    void writeAll();

private:
    bool writeDocument(const StagedHeader& h);
    // Tells the user why no (further) offer document is made.
    void stop(const QString& message);
    qint32 drawNumber();
    QString numberingMessage() const;
    Listing listing(qint32 article);
    std::optional<Offer> offer(qint32 code);
    void showLine();

    // The store's listing does not change while the documents are written:
    // it is read whole, in the table's order, at the first offer line, rather
    // than article by article all over the table. Where it cannot be kept
    // (too many articles, codes SQLite could match otherwise), an article
    // offered by several promotions is still read only once, in a cache
    // bounded so that a far larger store cannot make it grow without end.
    static constexpr qsizetype kListingsKept = 200000;
    struct KeptListing {
        qint64 key;  // codart
        Listing listing;
    };
    void keepListings();

    const Run& run_;
    const qint32 year_;
    QVariant todayValue_;  // as the documents store it, made once
    QString numerator_;
    qint32 lastNumber_ = 0;

    db::Query docType_, series_, advance_;
    db::Query headers_, byPromotion_, byNumber_, insertHeader_;
    db::Query lastLine_, eansOfDocument_, stagedLines_;
    db::Query listing_, offer_, insertLine_;
    QHash<qint32, std::optional<Offer>> offers_;
    std::optional<std::vector<KeptListing>> kept_;  // read at the first line; empty when not kept
    QHash<qint32, Listing> listings_;

    // The boxes of the offer lines, made into texts only when due and after
    // the last line: the last line written, and after it, if the line after
    // was already in the document, that line's barcode.
    struct LineBoxes {
        QString ean;
        QVariant description, vat, chainCode, price, group;
    };
    Refresh refresh_;
    std::optional<LineBoxes> written_;
    std::optional<QString> present_;
};

OfferDocuments::OfferDocuments(const Run& run, qint32 year)
    : run_(run),
      year_(year),
      todayValue_(common::dateValue(run.clock.today())),
      // Document type codes are kept blank-padded to 12; trailing blanks do not count.
      docType_(run.store.prepare(QStringLiteral(
          "SELECT numeratore FROM tipodoc WHERE rtrim(coddoc) = ? ORDER BY rowid LIMIT 1"))),
      series_(run.store.prepare(QStringLiteral(
          "SELECT rowid, ultnum FROM numeri WHERE codutente = ? AND rtrim(tipo) = rtrim(?) AND anno = ? "
          "ORDER BY rowid LIMIT 1"))),
      advance_(run.store.prepare(QStringLiteral("UPDATE numeri SET ultnum = ? WHERE rowid = ?"))),
      headers_(run.store.prepare(QStringLiteral(
          "SELECT Anno, Numero, Data1 AS DataInz, Data2 AS DataFin, dsccliente FROM locte WHERE sel = 'X' "
          "ORDER BY Numero, rowid"))),
      byPromotion_(run.store.prepare(QStringLiteral(
          "SELECT numero FROM offte WHERE codutente = 1 AND anno = ? AND numpronelv = ? ORDER BY rowid LIMIT 1"))),
      byNumber_(run.store.prepare(
          QStringLiteral("SELECT 1 FROM offte WHERE codutente = 1 AND numero = ? AND anno = ? LIMIT 1"))),
      insertHeader_(run.store.prepare(QStringLiteral(
          "INSERT INTO offte (codutente, numero, anno, dataor, dsccliente, cliente, data1, data2, tipo, stato, "
          "numpronelv) VALUES (1, ?, ?, ?, ?, 0, ?, ?, NULL, 'P', ?)"))),
      lastLine_(run.store.prepare(QStringLiteral(
          "SELECT max(bns) AS last FROM offmo WHERE bannoc = ? AND bnumer = ?"))),
      eansOfDocument_(run.store.prepare(
          QStringLiteral("SELECT eanrig FROM offmo WHERE bannoc = ? AND bnumer = ?"))),
      stagedLines_(run.store.prepare(QStringLiteral(
          "SELECT articoli, imballo, quantita, bflag2, iva, costof, unitam, eanrig, colli, codafo, przpro, "
          "commesso, descrizione, taglia, dsccolore, ric, desfor, desgru, tipmov, bflag1, codpro "
          "FROM locmo WHERE bnumer = ? AND bannoc = ? ORDER BY bnumer, bns, rowid"))),
      listing_(run.store.prepare(QStringLiteral(
          "SELECT cobart, cofart, przpub, marg, codrep FROM listi01 WHERE codart = ? LIMIT 1"))),
      offer_(run.store.prepare(QStringLiteral(
          "SELECT soglia, omaggio, sconto, descrizione FROM offtab WHERE codice = ? ORDER BY rowid LIMIT 1"))),
      insertLine_(run.store.prepare(QStringLiteral(
          "INSERT INTO offmo (bnumer, bannoc, bdator, bns, articoli, imballo, przpub, codute, costof, cosmp, "
          "quantita, bflag2, iva, cosoff, unitam, eanrig, colli, codafo, przpro, commesso, descrizione, taglia, "
          "dsccolore, ric, desfor, desgru, tipmov, bflag1, marg, codpro, codrep, soglia, omaggio, scopro, sconto) "
          "VALUES (?, ?, ?, ?, ?, ?, ?, 1, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
          "?, ?, ?, ?)"))) {}

// The document type "OFFERTE" and its numerator for the year; false (after
// its message) when either is missing.
bool OfferDocuments::prepareNumbering() {
    const bool typeFound = docType_.first({QStringLiteral("OFFERTE")});
    if (typeFound) numerator_ = common::padCut(docType_.text("numeratore"), 2);
    docType_.finish();
    if (!typeFound) {
        stop(QStringLiteral("ATTENZIONE !!! Manca il tipo documento OFFERTE e il relativo "
                            "numeratore OP da attivare ..."));
        return false;
    }
    lastNumber_ = 0;
    if (series_.first({RunConfig::userCode, numerator_, year_}))
        lastNumber_ = static_cast<qint32>(series_.whole("ultnum"));
    series_.finish();
    if (lastNumber_ == 0) {
        stop(numberingMessage());
        return false;
    }
    return true;
}

void OfferDocuments::stop(const QString& message) {
    // Without staged promotions nothing is left undone: the message is shown, the run is complete.
    db::Query staged = run_.store.prepare(QStringLiteral("SELECT 1 FROM locte WHERE sel = 'X' LIMIT 1"));
    if (staged.firstRow({}, [](const db::Query&) { return true; })) run_.summary.stops << message;
    run_.view.message(message);
}

QString OfferDocuments::numberingMessage() const {
    return QStringLiteral("ATTENZIONE !!! i dati della promozione non possono essere registrati perchè manca "
                          "l'attivazione del numeratore.Cliccare su Tabelle/Numeratori/Crea Numeratori/OK .Il "
                          "programma deve dare il seguente messaggio: I NUMERATORI PER IL NUOVO ANNO SONO STATI "
                          "CREATI") +
           QString::number(RunConfig::userCode) + numerator_ + QString::number(year_) +
           run_.config.paths.chainDb();
}

void OfferDocuments::writeAll() {
    std::vector<StagedHeader> staged;
    headers_.exec();
    while (headers_.next()) {
        StagedHeader h;
        h.anno = static_cast<qint32>(headers_.whole("Anno"));
        h.numero = static_cast<qint32>(headers_.whole("Numero"));
        h.dataInz = headers_.value("DataInz");
        h.dataFin = headers_.value("DataFin");
        h.dsccliente = headers_.text("dsccliente");
        staged.push_back(h);
    }
    headers_.finish();
    // Whole documents are committed together, a couple of seconds' worth at a
    // time: a commit per document wrote the offer lines' index pages again for
    // each one. A run stopped in between keeps the documents committed before;
    // the next run finds them by promotion number and numbers only the others.
    db::Batch batch(run_.store);
    for (const StagedHeader& h : staged) {
        if (!writeDocument(h)) {
            showLine();
            // Told only now: the store stays locked while its transaction is open.
            batch.commit();
            stop(numberingMessage());
            return;
        }
        batch.step();
    }
    showLine();
    batch.commit();
}

void OfferDocuments::showLine() {
    RunView& view = run_.view;
    if (written_) {
        view.setText(Box::e2w, written_->ean);
        view.setText(Box::e3w, written_->description.toString());
        view.setText(Box::e4w, QStringLiteral("0"));
        view.setText(Box::e5w, written_->vat.toString());
        view.setText(Box::e1w, written_->chainCode.toString());
        view.setText(Box::e6w, common::formatAmount(written_->price.toDouble()));
        view.setText(Box::e7w, written_->group.toString());
        view.setText(Box::e8w, QString());
    }
    if (present_) {
        view.setText(Box::e2w, *present_);
        view.setText(Box::e3w, kGiaPresente);
    }
    written_.reset();
    present_.reset();
}

// The next number of the series, taken inside the document's transaction so
// that it is spent only when the document is stored. Zero when the series row
// has gone since the start of the stage.
qint32 OfferDocuments::drawNumber() {
    if (!series_.first({RunConfig::userCode, numerator_, year_})) {
        series_.finish();
        return 0;
    }
    const qint64 stored = series_.whole("ultnum");
    const qint64 row = series_.whole("rowid");
    series_.finish();
    qint64 next = std::max<qint64>(stored, lastNumber_) + 1;
    // A number that another offer already holds (a series set back by hand) is passed over.
    while (next <= std::numeric_limits<qint32>::max()) {
        const bool taken = byNumber_.first({next, year_});
        byNumber_.finish();
        if (!taken) break;
        ++next;
    }
    if (next > std::numeric_limits<qint32>::max())
        throw RunError(QStringLiteral("Numeratore %1 dell'anno %2 esaurito: ultimo numero %3")
                           .arg(numerator_).arg(year_).arg(stored));
    advance_.exec({next, row});
    return static_cast<qint32>(next);
}

// False when the series row has gone: no further document can be numbered.
bool OfferDocuments::writeDocument(const StagedHeader& h) {
    const QString description = h.dsccliente.left(30) + QStringLiteral(" Nr. ") + QString::number(h.numero);

    // The number, the header, its log row and the lines are stored together or
    // not at all: between two documents is the only place the batch commits.
    qint32 number = 0;
    qint32 lineNo = 0;
    qint64 linesWritten = 0;
    QSet<QString> present;
    const bool exists = byPromotion_.first({year_, h.numero});
    if (exists) number = static_cast<qint32>(byPromotion_.whole("numero"));
    byPromotion_.finish();

    if (!exists) {
        number = drawNumber();
        if (number == 0) return false;  // nothing of this document is written yet
    } else {
        if (lastLine_.first({year_, number})) lineNo = static_cast<qint32>(lastLine_.whole("last"));
        lastLine_.finish();
        eansOfDocument_.exec({year_, number});
        while (eansOfDocument_.next()) present.insert(eansOfDocument_.text("eanrig"));
        eansOfDocument_.finish();
    }

    const bool headerThere = byNumber_.first({number, year_});
    byNumber_.finish();
    if (!headerThere) {
        insertHeader_.exec({number, year_, todayValue_, description.left(45), h.dataInz, h.dataFin,
                            h.numero});
        run_.view.setText(Box::e9w, QString::number(h.numero));
        run_.view.setText(Box::e10w, description);
        db::LogRow log;
        log.tipoelaborazione = QStringLiteral("A");
        log.tipoagg = QStringLiteral("P");
        log.desart = description;
        log.numpro = h.numero;
        log.datain = common::dateFromDb(h.dataInz);
        log.datafi = common::dateFromDb(h.dataFin);
        run_.log.append(log);
    }

    stagedLines_.exec({h.numero, h.anno});
    while (stagedLines_.next()) {
        // By position, in the order of the statement's columns.
        const db::Query& s = stagedLines_;
        enum { articoli, imballo, quantita, bflag2, iva, costof, unitam, eanrig, colli, codafo, przpro, commesso,
               descrizione, taglia, dsccolore, ric, desfor, desgru, tipmov, bflag1, codpro };
        if (s.value(przpro).toDouble() == 0) continue;
        const QString ean = s.value(eanrig).toString();
        if (present.contains(ean)) {
            present_ = ean;
            if (refresh_.due()) showLine();
            continue;
        }
        const qint32 article = s.value(articoli).toInt();
        const Listing l = listing(article);
        ++lineNo;
        written_ = LineBoxes{ean, s.value(descrizione), s.value(iva), s.value(codafo), s.value(przpro),
                             s.value(desgru)};
        present_.reset();
        if (refresh_.due()) showLine();

        const QVariant code = s.value(codpro);
        const std::optional<Offer> o = code.isNull() ? std::nullopt : offer(code.toInt());
        insertLine_.execList({number, year_, todayValue_, lineNo, article,
                              s.value(imballo), toSingle(l.przpub).toDouble(), l.cofart.toDouble(),
                              l.cobart.toDouble(), s.value(quantita),
                              s.value(bflag2), s.value(iva), s.value(costof), s.value(unitam), ean,
                              s.value(colli), s.value(codafo), s.value(przpro), s.value(commesso),
                              s.value(descrizione), o ? QVariant(o->descrizione.left(25)) : s.value(taglia),
                              s.value(dsccolore), s.value(ric), s.value(desfor), s.value(desgru),
                              s.value(tipmov), s.value(bflag1), l.marg.toDouble(), code, l.codrep,
                              o ? o->soglia : QVariant(), o ? o->omaggio : QVariant(),
                              o ? o->sconto : QVariant(), o ? o->sconto : QVariant()});
        present.insert(ean);
        ++linesWritten;
    }
    stagedLines_.finish();
    if (!headerThere) ++run_.summary.offersCreated;
    run_.summary.offerLines += linesWritten;
    if (number > lastNumber_) lastNumber_ = number;
    return true;
}

namespace {

Listing listingOf(const db::Query& q, int first) {
    Listing l;
    l.cobart = Amount::fromDouble(q.value(first).toDouble());
    l.cofart = Amount::fromDouble(q.value(first + 1).toDouble());
    l.przpub = Amount::fromDouble(q.value(first + 2).toDouble());
    l.marg = Amount::fromDouble(q.value(first + 3).toDouble());
    l.codrep = q.value(first + 4).toLongLong();
    return l;
}

}  // namespace

void OfferDocuments::keepListings() {
    kept_.emplace();
    if (db::rowsToKeep(run_.store, "listi01") < 0) return;
    db::Query all = run_.store.prepare(QStringLiteral(
        "SELECT codart, cobart, cofart, przpub, marg, codrep FROM listi01 WHERE codart IS NOT NULL"));
    *kept_ = db::keepByWholeKey<KeptListing>(all, [](const db::Query& q) {
        return std::optional<KeptListing>(KeptListing{q.value(0).toLongLong(), listingOf(q, 1)});
    });
}

Listing OfferDocuments::listing(qint32 article) {
    if (!kept_) keepListings();
    if (!kept_->empty()) {
        const KeptListing* row = db::keptRow(*kept_, article);
        return row ? row->listing : Listing{};
    }
    return db::readOnce(
        listings_, article,
        [&] {
            const Listing l = listing_.first({article}) ? listingOf(listing_, 0) : Listing{};
            listing_.finish();
            return l;
        },
        kListingsKept);
}

std::optional<Offer> OfferDocuments::offer(qint32 code) {
    return db::readOnce(offers_, code, [&] {
        return offer_.firstRow({code}, [](const db::Query& q) {
            return Offer{q.value("soglia"), q.value("omaggio"), q.value("sconto"), q.text("descrizione")};
        });
    });
}

}  // namespace

void creo_off(const Run& run, qint32 year) {
    if (!run.config.promotionsOn()) return;
    OfferDocuments documents(run, year);
    if (!documents.prepareNumbering()) return;
    documents.writeAll();
}
