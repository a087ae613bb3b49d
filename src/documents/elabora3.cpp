#include "documents/elabora3.h"

#include "chainfile/DocumentLine.h"
#include "chainfile/LineErrors.h"
#include "common/ChainFile.h"
#include "common/Dates.h"
#include "common/Numbers.h"
#include "db/ReadOnce.h"
#include "db/StagedFile.h"
#include "documents/DocumentDigest.h"
#include "documents/cre_det.h"
#include "documents/creot.h"
#include "documents/stock.h"
#include "run/Run.h"

#include <QHash>
#include <QList>
#include <optional>
#include <vector>

namespace {

using chainfile::LineErrors;

// Classification rows looked up by code, each read once per stage.
struct Subfamily {
    QVariant codgru;
    QString description;
};
struct Group {
    QVariant codrep;
    QString description;
};

class Stager {
public:
    Stager(const Run& run, qint32 currentDocument)
        : run_(run),
          currentDocument_(currentDocument),
          ean_(run.store.prepare(QStringLiteral("SELECT rowid, codare FROM codean WHERE eanare = ? LIMIT 1"))),
          attachEan_(run.store.prepare(QStringLiteral("UPDATE codean SET codare = ? WHERE rowid = ?"))),
          priceList_(run.store.prepare(QStringLiteral(
              "SELECT codart FROM listi02 WHERE trim(codafo) = ? AND codlis = ? ORDER BY rowid LIMIT 1"))),
          article_(run.store.prepare(QStringLiteral(
              "SELECT marg, cofart, codgru, codrep, codsot, przpub, przsal FROM listi01 WHERE codart = ? "
              "LIMIT 1"))),
          subfamily_(run.store.prepare(
              QStringLiteral("SELECT codgru, dscsotto FROM sottogruppi WHERE codsot = ? ORDER BY rowid LIMIT 1"))),
          addSubfamily_(run.store.prepare(
              QStringLiteral("INSERT INTO sottogruppi (codsot, dscsotto, codgru) VALUES (?, ?, ?)"))),
          group_(run.store.prepare(
              QStringLiteral("SELECT codrep, dscgruppo FROM gruppi WHERE codgru = ? ORDER BY rowid LIMIT 1"))),
          department_(run.store.prepare(
              QStringLiteral("SELECT descrizione FROM reparti WHERE reparto = ? ORDER BY rowid LIMIT 1"))),
          insert_(run.store.prepare(QStringLiteral(
              "INSERT INTO variati (codart, desart, codafo, umart, ea1art, przart, coston, imbart, ivart, "
              "ea2art, fl1art, fl2art, fl3art, desfor, desgru, dessot, codsot, codrep, codgru, desrep, "
              "colli, \"quantità\", tipges, tipart, przvec, perc, rica, prezpub, prezpubv, Offerta, "
              "prezoff, codfor, przlis, unita2, quaco, numero, bns, datafa) "
              "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
              "?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"))) {}

    // The line's document date goes with it (`datafa`): a document is its number and its date.
    void stage(const chainfile::DocumentLine& b, int accepted);
    // After the last line: its boxes are shown whether or not they were due.
    void finish() { showLine(); }

private:
    // The last staged line as its boxes show it; made into texts only when due.
    struct LineBoxes {
        int accepted = 0;
        QString ean, description, vat, chainCode, group, subfamily;
        common::Amount cost, price;
    };
    void showLine();

    std::optional<Subfamily> subfamily(qint32 code);
    std::optional<Group> group(qint32 code);
    std::optional<QString> department(qint32 code);
    void attachEan(qint64 eanRow, qint32 storeCode, const chainfile::DocumentLine& b);

    const Run& run_;
    const qint32 currentDocument_;  // the log rows' document number
    qint32 lineSeq_ = 0;  // the staged lines' sequence number (bns)
    db::Query ean_, attachEan_, priceList_, article_, subfamily_, addSubfamily_, group_, department_, insert_;
    QHash<qint32, std::optional<Subfamily>> subfamilies_;
    QHash<qint32, std::optional<Group>> groups_;
    QHash<qint32, std::optional<QString>> departments_;
    Refresh refresh_;
    std::optional<LineBoxes> shown_;  // the line the boxes are still to show
};

void Stager::showLine() {
    if (!shown_) return;
    RunView& view = run_.view;
    view.setText(Box::cntfw, common::displayNumber(shown_->accepted));
    view.setText(Box::d2w, shown_->ean);
    view.setText(Box::d3w, shown_->description);
    view.setText(Box::d4w, common::displayNumber(shown_->cost));
    view.setText(Box::d5w, shown_->vat);
    view.setText(Box::d1w, shown_->chainCode);
    view.setText(Box::d6w, common::displayNumber(shown_->price));
    view.setText(Box::d7w, shown_->group);
    view.setText(Box::d8w, shown_->subfamily);
    shown_.reset();
}

std::optional<Subfamily> Stager::subfamily(qint32 code) {
    return db::readOnce(subfamilies_, code, [&] {
        return subfamily_.firstRow({code}, [](const db::Query& q) {
            return Subfamily{q.value("codgru"), q.text("dscsotto")};
        });
    });
}

std::optional<Group> Stager::group(qint32 code) {
    return db::readOnce(groups_, code, [&] {
        return group_.firstRow({code}, [](const db::Query& q) {
            return Group{q.value("codrep"), q.text("dscgruppo")};
        });
    });
}

std::optional<QString> Stager::department(qint32 code) {
    return db::readOnce(departments_, code, [&] {
        return department_.firstRow({code}, [](const db::Query& q) { return q.text("descrizione"); });
    });
}

// An EAN row without article, for a chain code the store files under one:
// the EAN joins that article instead of a second article being made for it.
void Stager::attachEan(qint64 eanRow, qint32 storeCode, const chainfile::DocumentLine& b) {
    attachEan_.exec({storeCode, eanRow});
    ++run_.summary.eansWritten;
    db::LogRow log;
    log.tipoelaborazione = QStringLiteral("B");
    log.tipoagg = QStringLiteral("A");
    log.numpro = currentDocument_;
    log.codart = storeCode;
    log.ean = b.ean;
    log.codafon = b.chainCode;
    log.desart = b.description;
    log.ivart = common::zeroPad(common::wholeValue(b.vat), 2);
    log.prezpubn = b.price;
    log.coston = b.cost;
    run_.log.append(log);
}

void Stager::stage(const chainfile::DocumentLine& b, int accepted) {
    const RunConfig& config = run_.config;

    QString status;
    qint32 storeCode = 0;

    // The store's article: by EAN, then by chain code in the supplier's price list.
    // An EAN of blanks is no EAN and finds nothing.
    bool eanFound = false;
    qint64 eanRow = 0;
    if (!b.ean.trimmed().isEmpty() && ean_.first({b.ean})) {
        eanFound = true;
        eanRow = ean_.whole("rowid");
        storeCode = static_cast<qint32>(ean_.whole("codare"));
    }
    ean_.finish();
    if (storeCode == 0) {
        if (priceList_.first({b.chainCode.trimmed(), config.priceListCode()}))
            storeCode = static_cast<qint32>(priceList_.whole("codart"));
        priceList_.finish();
        if (eanFound && storeCode != 0) attachEan(eanRow, storeCode, b);
    }

    using common::Amount;
    Amount margin = Amount::whole(30), previousCost, publicPrice, offerPrice;
    qint32 groupCode = 0, departmentCode = 0, subfamilyCode = b.subfamily;
    if (!eanFound) {
        status = QStringLiteral("NUOVO***");
    } else if (article_.first({storeCode})) {
        if (!article_.isNull("marg")) margin = article_.amount("marg");
        previousCost = article_.amount("cofart");
        if (!article_.isNull("codgru")) groupCode = static_cast<qint32>(article_.whole("codgru"));
        if (!article_.isNull("codrep")) departmentCode = static_cast<qint32>(article_.whole("codrep"));
        if (!article_.isNull("codsot")) subfamilyCode = static_cast<qint32>(article_.whole("codsot"));
        publicPrice = article_.amount("przpub");
        if (article_.amount("przsal") > Amount()) {
            status = QStringLiteral("IN OFFERTA");
            offerPrice = article_.amount("przsal");
        }
    }
    article_.finish();

    // The cost change in per cent, on the costs to the ten-thousandth.
    const Amount cost = b.cost;
    Amount change;
    if (previousCost.isZero())
        change = Amount::whole(100);
    else if (previousCost != cost)
        change = common::percentage(cost - previousCost, previousCost, 2);

    // Subfamily, group and department; a subfamily the store lacks gets the generic row.
    QString subfamilyText, groupText, departmentText;
    if (const auto sub = subfamily(subfamilyCode)) {
        if (groupCode == 0 && !sub->codgru.isNull()) groupCode = sub->codgru.toInt();
        subfamilyText = sub->description;
    } else {
        addSubfamily_.exec({subfamilyCode, QStringLiteral("SOTTOFAMIGLIA GENERICA"), 999});
        subfamilies_.insert(subfamilyCode, Subfamily{999, QStringLiteral("SOTTOFAMIGLIA GENERICA")});
        groupCode = 999;
    }
    if (const auto grp = group(groupCode)) {
        if (departmentCode == 0 && !grp->codrep.isNull())
            departmentCode = static_cast<qint32>(common::numericValue(grp->codrep.toString()));
        groupText = grp->description;
    }
    if (const auto dep = department(departmentCode)) departmentText = *dep;

    shown_ = LineBoxes{accepted, b.ean, b.description, b.vat, b.chainCode, groupText, subfamilyText, b.cost, b.price};
    if (refresh_.due()) showLine();
    if (subfamilyText.trimmed().isEmpty()) subfamilyText = QStringLiteral(".");
    if (groupText.trimmed().isEmpty()) groupText = QStringLiteral(".");

    ++lineSeq_;
    insert_.execList({storeCode, b.description, b.chainCode, b.umart, b.ean, cost.toDouble(), cost.toDouble(),
                      b.imbart, b.vat, b.lineClass, 0, 0, QStringLiteral("Si"), config.supplierName.left(35),
                      groupText.left(20), subfamilyText.left(20), subfamilyCode, departmentCode, groupCode,
                      departmentText.left(20), b.packages, b.quantity.toDouble(), b.lineType, QStringLiteral("S"),
                      previousCost.toDouble(), change.toDouble(), margin.toDouble(), b.price.toDouble(),
                      publicPrice.toDouble(), status, offerPrice.toDouble(), config.codfor_affil,
                      b.listValue.toDouble(), b.unita2, b.quaco, b.number, lineSeq_,
                      b.date.isValid() ? common::dateValue(b.date) : QVariant()});
}

// Stages every readable "BLE" line of the file in `variati`; with no stager,
// only reads them, for their problems. A line whose number, packages,
// quantity or cost cannot be read is left out and recorded in `errors`, which
// holds its document back.
void stageLines(const Run& run, const common::ChainFile& file, LineErrors& errors, Stager* stager) {
    Progress progress(run.view, Bar::ProgressBar1, file.lineCount());
    int accepted = 0;
    chainfile::DocumentGrouping grouping(errors);
    for (const common::ChainLine line : file) {
        progress.step();
        const std::optional<chainfile::DocumentLine> d = chainfile::readDocumentLine(line);
        if (!d) continue;
        // An excluded line still tells which document the lines around it
        // belong to, as it does for the document list.
        const qint32 document = grouping.place(*d);
        if (d->excluded) continue;
        const QList<chainfile::FieldProblem> problems = d->amountProblems();
        for (const chainfile::FieldProblem& p : problems) errors.add(d->line, document, p);
        if (!d->numberRead() || !problems.isEmpty()) continue;
        ++accepted;
        if (stager) stager->stage(*d, accepted);
    }
}

}  // namespace

void stageDocumentLines(const Run& run, const common::ChainFile& file, LineErrors& errors,
                        qint32 currentDocument) {
    const QByteArray digest = file.sha256().toHex();
    if (run.config.afterUnfinishedRun && !digest.isEmpty() && db::stagedFileBefore(run.store) == digest) {
        // The run that stopped part-way staged these very lines against the
        // store as it was before its documents and new articles: staged again
        // now they would take the costs, articles and subfamilies that run
        // already wrote, and the documents still to receive would differ
        // from one uninterrupted run's.
        db::Transaction tx(run.store);
        db::recordStagedFile(run.store, digest);
        tx.commit();
        stageLines(run, file, errors, nullptr);
        return;
    }
    db::Transaction tx(run.store);
    run.store.exec(QStringLiteral("DELETE FROM variati"));
    Stager stager(run, currentDocument);
    stageLines(run, file, errors, &stager);
    stager.finish();
    db::recordStagedFile(run.store, digest);
    tx.commit();
}

void clearDocumentLines(const Run& run) {
    db::Transaction tx(run.store);
    run.store.exec(QStringLiteral("DELETE FROM variati"));
    db::recordStagedFile(run.store, {});
    tx.commit();
}

namespace {

// A document received before that came again with other lines.
struct Revised {
    SupplierDocument document;
    LinesDigest received;
    LinesDigest now;
};

// The revised document's row in the processing log: the report prints it
// among the documents' title lines.
void logRevised(const Run& run, const SupplierDocument& d) {
    db::LogRow log;
    log.tipoelaborazione = QStringLiteral("A");
    log.tipoagg = QStringLiteral("R");
    log.desart = run.config.supplierName;
    log.numpro = d.number;
    log.datain = d.date;
    log.datafi = d.date;
    run.log.append(log);
}

// One revised document, in the words of the message and of the lines handed back to the chain.
QString revisedLine(const Revised& r) {
    return QStringLiteral("documento nr. %1 del %2: caricato con %3 righe, ora %4 righe")
        .arg(r.document.number)
        .arg(common::ddmmyyyy(r.document.date))
        .arg(r.received.lines)
        .arg(r.now.lines);
}

QString revisedMessage(const QList<Revised>& revised) {
    QStringList lines;
    for (const Revised& r : revised) lines << revisedLine(r);
    return QStringLiteral("Attenzione: documenti già caricati sono arrivati di nuovo con righe diverse (altre "
                          "righe, quantità o costi). NON sono stati caricati di nuovo: controllarli e correggerli "
                          "a mano.\n") +
           lines.join(QLatin1Char('\n'));
}

}  // namespace

void receiveDocuments(const Run& run, LineErrors& problems) {
    std::vector<SupplierDocument> documents;
    {
        db::Query list = run.store.prepare(
            QStringLiteral("SELECT anno, numero, dataor, tipo FROM fatcasa ORDER BY rowid"));
        list.exec();
        while (list.next()) {
            documents.push_back({static_cast<qint32>(list.whole("anno")), static_cast<qint32>(list.whole("numero")),
                                 common::dateFromDb(list.value("dataor")), list.text("tipo")});
        }
    }

    db::Query received = run.store.prepare(
        QStringLiteral("SELECT 1 FROM testaof WHERE numfa = ? AND datafa = ? LIMIT 1"));
    const auto receivedBefore = [&](const SupplierDocument& d) {
        const bool before = received.first({d.number, common::dateValue(d.date)});
        received.finish();
        return before;
    };
    db::Query staged = run.store.prepare(
        QStringLiteral("SELECT 1 FROM variati WHERE numero = ? AND datafa BETWEEN ? AND ? LIMIT 1"));
    DocumentDigests digests(run.store, run.config.codfor_affil);
    Creot creot(run);
    StockMovements stock(run);
    CreDet cre_det(run, stock);
    QList<Revised> revised;

    // The receipts are one unit of the store (the run holds them in its own,
    // with the staging and the new articles): a crash leaves no document
    // half-written, and each test of a document received before is made under
    // the write lock. Within it a document needs no unit of its own: one per
    // document would have SQLite copy aside, document after document, every
    // page of articles and barcodes it touches, only to drop the copies.
    db::Transaction storeTx(run.store);
    // The chain's new costs are committed a couple of seconds' worth of
    // documents at a time, always before the store's unit: setting them again
    // is harmless, so a crash in between only makes the next run receive the
    // documents whole.
    db::Batch chainBatch(run.chain);
    for (const SupplierDocument& d : documents) {
        // A document with an unreadable line waits for a corrected file.
        if (problems.holds(d.number)) {
            ++run.summary.documentsHeldBack;
            continue;
        }

        if (receivedBefore(d)) {
            // Unchanged, it is skipped without a word; with other lines it is
            // reported, so that the store can act, and never received twice.
            const LinesDigest now = digests.staged(d);
            const std::optional<LinesDigest> then = digests.received(d);
            if (then && *then != now) {
                revised.append({d, *then, now});
                logRevised(run, d);
            } else if (!then) {
                // Received before its lines were recorded: what comes now is
                // all there is to compare later runs with.
                digests.record(d, now);
            }
            continue;
        }
        const bool hasLines = staged.first(
            {d.number, common::dateValue(QDate(d.year, 1, 1)), common::dateValue(QDate(d.year, 12, 31))});
        staged.finish();
        if (!hasLines) continue;

        // Number, header, lines, stock, log row and the digest of the lines go
        // to the store together.
        QString message;
        {
            const LinesDigest lines = digests.staged(d);
            const std::optional<ReceivedHeader> header = creot.write(d, message);
            if (header) {
                cre_det.write(d, *header);
                digests.record(d, lines);
            }
            chainBatch.step([&] { cre_det.writeChainCosts(); });
            if (header) ++run.summary.documentsReceived;
        }
        if (!message.isEmpty()) {
            run.summary.stops << message;
            run.view.message(message);
        }
    }
    cre_det.writeChainCosts();
    chainBatch.commit();
    stock.writeHeld();
    storeTx.commit();
    for (const Revised& r : revised) problems.revised(r.document.number, revisedLine(r));
    run.summary.documentsRevised += revised.size();
    run.summary.refusedLines += problems.tally(LineErrors::Stage::Documents);
    if (problems.any(LineErrors::Stage::Documents)) run.view.message(problems.documentMessage());
    if (!revised.isEmpty()) run.view.message(revisedMessage(revised));
}

void endDocuments(const Run& run) {
    run.view.setProgress(Bar::ProgressBar1, 0);
    run.view.setVisible(Bar::ProgressBar1, false);
}
