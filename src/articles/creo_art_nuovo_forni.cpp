#include "articles/creo_art_nuovo_forni.h"

#include "articles/ArticleRules.h"
#include "common/Dates.h"
#include "common/Numbers.h"
#include "run/Run.h"

#include <utility>
#include <vector>

using common::Amount;

namespace {

const QString kNoEan = QStringLiteral("0000000000000");

struct Level {
    qint64 rowid;
    QString codafo;
    Amount prezpub;
    QVariant przart;  // the cost, Null kept
};

// A staged line, as the article creation reads it.
struct Staged {
    qint64 skippedBefore = 0;  // lines that already have their article, read just before this one
    QVariant codart;
    QString codafo, desart, ivart, umart, unita2, quaco, imbart, desgru, dessot, ea1art;
    QVariant tipart, codgru, codsot, codrep, rica, coston;
    Amount prezpub;
};

QString unitOf(const QString& umart) { return umart == QLatin1String("CT") ? QStringLiteral("PZ") : umart; }

QVariant numberOrNull(const QString& text) {
    return common::isNumeric(text) ? QVariant(common::numericValue(text)) : QVariant();
}

}  // namespace

void creo_art_nuovo_forni(const Run& run, qint32 currentDocument) {
    const RunConfig& config = run.config;
    const QString& supplierName = config.supplierName;
    RunView& view = run.view;
    db::Database& store = run.store;
    const QDate today = run.clock.today();

    view.setText(Box::elaboraw, QStringLiteral("CREO ARTICOLI NUOVI"));
    const QString priceListCode = config.priceListCode();

    articles::StoreLookups lookups(store);

    // First pass: the lines of one chain code take the price and cost of the
    // first, dearest one. Lines without chain code are different articles and
    // keep their own.
    std::vector<Level> levels;
    {
        db::Query read = store.prepare(QStringLiteral(
            "SELECT rowid, codafo, prezpub, przart FROM variati ORDER BY codafo, prezpub DESC"));
        read.exec();
        while (read.next())
            levels.push_back({read.whole("rowid"), read.text("codafo"), read.amount("prezpub"),
                              read.value("przart")});
    }
    if (levels.empty()) return;

    {
        Progress progress(view, Bar::ProgressBar1, static_cast<qint64>(levels.size()));
        db::Query level = store.prepare(
            QStringLiteral("UPDATE variati SET przart = ?, coston = ?, prezpub = ? WHERE rowid = ?"));
        db::Transaction tx(store);
        QString previous;
        Amount groupPrice;
        QVariant groupCost;
        for (const Level& l : levels) {
            progress.step();
            if (l.codafo != previous || l.codafo.isEmpty()) {
                previous = l.codafo;
                groupPrice = l.prezpub;
                groupCost = l.przart;
            } else {
                level.exec({groupCost, groupCost, groupPrice.toDouble(), l.rowid});
            }
        }
        tx.commit();
    }

    // Second pass: one article per chain code the store does not know.
    // Only the lines without article are kept (on a large delivery nearly
    // all have one): the others are counted, for the progress bar.
    std::vector<Staged> lines;
    qint64 linesRead = 0, skippedAfterLast = 0;
    {
        db::Query read = store.prepare(QStringLiteral(
            "SELECT codart, codafo, desart, prezpub, coston, ivart, umart, unita2, quaco, imbart, codrep, "
            "codgru, desgru, codsot, dessot, rica, tipart, ea1art FROM variati ORDER BY codafo, prezpub DESC"));
        read.exec();
        while (read.next()) {
            ++linesRead;
            Staged s;
            s.codart = read.value("codart");
            if (s.codart.isNull() || s.codart.toLongLong() != 0) {
                ++skippedAfterLast;
                continue;
            }
            s.skippedBefore = std::exchange(skippedAfterLast, 0);
            s.codafo = read.text("codafo");
            s.desart = read.text("desart");
            s.ivart = read.text("ivart");
            s.umart = read.text("umart");
            s.unita2 = read.text("unita2");
            s.quaco = read.text("quaco");
            s.imbart = read.text("imbart");
            s.desgru = read.text("desgru");
            s.dessot = read.text("dessot");
            s.ea1art = read.text("ea1art");
            s.tipart = read.value("tipart");
            s.codgru = read.value("codgru");
            s.codsot = read.value("codsot");
            s.codrep = read.value("codrep");
            s.rica = read.value("rica");
            s.coston = read.value("coston");
            s.prezpub = read.amount("prezpub");
            lines.push_back(std::move(s));
        }
    }

    db::Query priceList = store.prepare(QStringLiteral(
        "SELECT rowid FROM listi02 WHERE trim(codafo) = ? AND codlis = ? ORDER BY rowid LIMIT 1"));
    // A store article already filed under the chain code in the supplier's
    // price list: the staging found none, so it was created by a run that
    // stopped after this stage and whose staged lines this run carries on.
    db::Query created = store.prepare(QStringLiteral(
        "SELECT 1 FROM listi02 JOIN listi01 ON listi01.codart = listi02.codart "
        "WHERE trim(listi02.codafo) = ? AND listi02.codlis = ? LIMIT 1"));
    db::Query addPriceList = store.prepare(QStringLiteral(
        "INSERT INTO listi02 (codart, codlis, codfor, desfor, dsclistino, desart, cobart, cofart, codafo, "
        "ivart, umart, datreg, datval) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    // A row that names no article takes the new one: the document lines of
    // the chain code find their article through it.
    db::Query editPriceList = store.prepare(QStringLiteral(
        "UPDATE listi02 SET desart = ?, cobart = ?, cofart = ?, codafo = ?, ivart = ?, umart = ?, "
        "datreg = ?, datval = ?, codart = CASE WHEN ifnull(codart, 0) = 0 THEN ? ELSE codart END "
        "WHERE rowid = ?"));
    db::Query addArticle = store.prepare(QStringLiteral(
        "INSERT INTO listi01 (codart, annoco, qinv, qacq, qres, qven, qgia, cosmp, scopro, przpro, scosal, "
        "datreg, valgia, q1, sq1, q2, sq2, scomi, desart, umart, imbart, ivart, codafo, desfor, codfor, "
        "desgru, dessot, codgru, codsot, datagg, przart, quaco, umquaco, prztot, tipart, codrep, desrep, "
        "descas, fl1art, fl2art, cobart, cofart, cosiva, przpub, ricart, colore, marg) VALUES "
        "(?, ?, 0, 0, 0, 0, 0, 0, 0, 0, 0, ?, 0, 0, 0, 0, 0, 0, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
        "?, 1, ?, ?, ?, 0, ' ', ?, ?, ?, ?, ?, ?, ?)"));
    db::Query ean = store.prepare(
        QStringLiteral("SELECT rowid, pezzix FROM codean WHERE eanare = ? ORDER BY rowid LIMIT 1"));
    db::Query addEan = store.prepare(QStringLiteral(
        "INSERT INTO codean (eanare, codare, desart, desfor, codafo, aggi, pezzix, prezzo, prezzox, neti, "
        "flagean) VALUES (?, ?, ?, ?, ?, 'A', 1, ?, ?, 1, 'S')"));
    db::Query moveEan = store.prepare(QStringLiteral(
        "UPDATE codean SET codare = ?, desart = ?, codafo = ?, prezzo = ?, prezzox = ?, "
        "flagean = CASE WHEN ? THEN 'S' ELSE flagean END WHERE rowid = ?"));

    // Each article is a unit of its own; a crash loses at most the last batch,
    // whose lines the next run finds still without article.
    db::Batch batch(store);
    int eansAdded = 0, eansUpdated = 0;
    QString previous;
    Progress progress(view, Bar::ProgressBar1, linesRead);
    const auto steps = [&](qint64 n) {
        for (qint64 k = 0; k < n; ++k) progress.step();
    };
    for (const Staged& s : lines) {
        steps(s.skippedBefore + 1);
        if (s.codafo == previous) continue;

        previous = s.codafo;
        const QString chainCode = common::isNumeric(s.codafo) ? s.codafo : QString();
        if (!chainCode.trimmed().isEmpty()) {
            const bool already = created.first({chainCode.trimmed(), priceListCode});
            created.finish();
            if (already) continue;
        }

        // Codes of the new article.
        const qint32 newCode = lookups.nextArticleCode();
        const QString lineEan = common::isNumeric(s.ea1art) ? s.ea1art : QString(13, QLatin1Char(' '));

        const Amount vat = Amount::parse(s.ivart).value_or(Amount());
        const QString vatCode = common::zeroPad(common::wholeValue(s.ivart), 2);
        const QString umart = unitOf(s.umart);

        // The supplier's price-list row: added, or brought up to date.
        if (priceList.first({chainCode.trimmed(), priceListCode})) {
            const qint64 rowid = priceList.whole("rowid");
            priceList.finish();
            editPriceList.exec({s.desart, s.coston, s.coston, chainCode, s.ivart, umart,
                                common::dateValue(today), common::dateValue(today), newCode, rowid});
        } else {
            priceList.finish();
            addPriceList.exec({newCode, priceListCode, config.codfor_affil, supplierName, supplierName,
                               s.desart, s.coston, s.coston, chainCode, s.ivart, umart,
                               common::dateValue(today), common::dateValue(today)});
        }

        // Department, price-list header, unit factor.
        const qint32 departmentCode = s.codrep.isNull() ? 0 : s.codrep.toInt();
        QString departmentText;
        if (departmentCode > 0) departmentText = lookups.department(departmentCode).value_or(QVariant()).toString();
        lookups.ensurePriceListHeader(priceListCode, supplierName, today);
        const Amount unitFactor = lookups.unitFactor(s.unita2);

        // Cost with VAT, in single precision.
        const Amount cost = Amount::fromDouble(s.coston.toDouble());
        const articles::CostWithVat cosiva = s.coston.isNull() ? articles::CostWithVat() : articles::CostWithVat(cost, vat);

        // A new article has no old values.
        db::LogRow log;
        log.ean = lineEan;
        bool changed = false;

        // The store article.
        const Amount contents = Amount::parse(s.quaco).value_or(Amount());
        const Amount prztot =
            contents.isZero() ? s.prezpub : Amount::mulDiv(unitFactor, s.prezpub, contents, Amount::kDecimals);
        // The margin is worked out as a mark-up on the cost with VAT.
        const std::optional<Amount> marg = articles::markup(s.prezpub, cosiva);
        const int colore = !s.tipart.isNull() && common::numericValue(s.tipart.toString()) == 2 ? 5 : 1;
        addArticle.execList({newCode, today.year(), common::dateValue(today), s.desart, umart,
                             numberOrNull(s.imbart), vatCode, chainCode, supplierName, config.codfor_affil,
                             s.desgru, s.dessot, s.codgru, s.codsot, common::dateValue(today),
                             articles::priceWithoutVat(s.prezpub, vat).toDouble(), numberOrNull(s.quaco), s.unita2,
                             prztot.toDouble(), departmentCode > 0 ? QVariant(departmentCode) : QVariant(),
                             departmentText, s.desart.left(30), s.coston, s.coston, cosiva.stored(),
                             s.prezpub.toDouble(), s.rica, colore, marg ? QVariant(marg->toDouble()) : QVariant()});
        ++run.summary.articlesCreated;

        // The EAN row. An EAN of blanks is no EAN: no row is written for it, so
        // that later lines without EAN are not matched to this article.
        if (lineEan.trimmed().isEmpty()) {
            log.tipoagg = QStringLiteral("N");
            ++eansAdded;
            changed = true;
        } else if (lineEan != kNoEan) {
            if (ean.first({lineEan})) {
                const qint64 rowid = ean.whole("rowid");
                const Amount pezzix = ean.amount("pezzix");
                ean.finish();
                const bool differs = !s.prezpub.isZero() || cost != log.costov ||
                                     chainCode.trimmed() != s.codafo.trimmed();
                moveEan.exec({newCode, s.desart.left(35), chainCode, s.prezpub.toDouble(),
                              Amount::multiply(pezzix, s.prezpub, Amount::kDecimals).toDouble(), differs, rowid});
                ++run.summary.eansWritten;
                if (differs) {
                    ++eansUpdated;
                    changed = true;
                }
                log.tipoagg = QStringLiteral("A");
            } else {
                ean.finish();
                addEan.exec({lineEan, newCode, s.desart.left(35), supplierName.left(35), chainCode,
                             s.prezpub.toDouble(), s.prezpub.toDouble()});
                ++run.summary.eansWritten;
                log.tipoagg = QStringLiteral("N");
                ++eansAdded;
                changed = true;
            }
        }

        if (changed) {
            view.setText(Box::cntafw, common::displayNumber(eansUpdated));
            view.setText(Box::cntcfw, common::displayNumber(eansAdded));
            view.setText(Box::d2w, lineEan);
            view.setText(Box::d3w, s.desart);
            view.setText(Box::d4w, common::displayNumber(s.prezpub));
            view.setText(Box::d1w, chainCode);
            view.setText(Box::d5w, QString());
            view.setText(Box::d6w, QString());

            log.tipoelaborazione = QStringLiteral("B");
            log.numpro = currentDocument;
            log.codart = newCode;
            log.codafon = chainCode;
            log.desart = s.desart;
            log.prezpubn = s.prezpub;
            log.coston = cost;
            log.ivart = vatCode;
            // The log keeps prices and costs in single precision; they are compared to the cent.
            const auto cents = [](Amount a) { return common::toSingle(a).rounded(2); };
            if (cents(log.costov) != cents(log.coston) || cents(log.prezpubv) != cents(log.prezpubn) ||
                log.codafon.trimmed() != log.codafov.trimmed())
                run.log.append(log);
        }
        batch.step();
    }
    steps(skippedAfterLast);
    batch.commit();
}
