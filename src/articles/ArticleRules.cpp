#include "articles/ArticleRules.h"

#include "common/Dates.h"
#include "common/Numbers.h"
#include "db/ReadOnce.h"
#include "run/Run.h"

#include <limits>

namespace articles {

QString supplierCodeText(qint64 codfor) { return common::zeroPad(codfor, 6).left(6); }

QString chainCode(const QVariant& codart) {
    if (codart.isNull()) return QString();
    // A whole number the text route would carry exactly through a double: the same digits.
    constexpr qint64 kExact = qint64(1) << 53;
    if (codart.typeId() == QMetaType::LongLong) {
        const qint64 n = codart.toLongLong();
        if (n >= -kExact && n <= kExact) return common::zeroPad(n, 9);
    }
    const QString text = codart.toString();
    if (!common::isNumeric(text)) return QString();
    return common::zeroPad(static_cast<qint64>(common::roundHalfEven(common::numericValue(text), 0)), 9);
}

QVariant storeUnit(const QVariant& umart) {
    if (!umart.isNull() && umart.toString() == QLatin1String("CT")) return QStringLiteral("PZ");
    return umart;
}

qint32 vatRate(const QVariant& ivart) {
    if (ivart.isNull()) return 0;
    return static_cast<qint32>(common::wholeValue(ivart.toString()));
}

QString vatCode(const QVariant& ivart) { return common::zeroPad(vatRate(ivart), 2); }

using common::Amount;

namespace {
const Amount kHundred = Amount::whole(100);
}

CostWithVat::CostWithVat(Amount cost, const Amount& vat)
    : hundredfold_(Amount::multiply(cost, kHundred + vat, Amount::kDecimals)) {}

double CostWithVat::stored() const { return common::toSingle(hundredfold_.toDouble() / 100); }

// Both sides a hundredfold: (100 × price − 100 × cost with VAT) over either.
std::optional<Amount> margin(Amount price, const CostWithVat& cosiva) {
    if (price.isZero()) return std::nullopt;
    const Amount price100 = Amount::multiply(price, kHundred, Amount::kDecimals);
    return common::percentage(price100 - cosiva.hundredfold(), price100, 2);
}

std::optional<Amount> markup(Amount price, const CostWithVat& cosiva) {
    if (cosiva.isZero()) return std::nullopt;
    const Amount price100 = Amount::multiply(price, kHundred, Amount::kDecimals);
    return common::percentage(price100 - cosiva.hundredfold(), cosiva.hundredfold(), 2);
}

std::optional<Amount> pricePerUnit(Amount price, Amount contents, Amount factor) {
    if (contents <= Amount() || factor.isZero()) return std::nullopt;
    return Amount::mulDiv(price, factor, contents, 2);
}

Amount priceWithoutVat(Amount price, const Amount& vat) {
    return Amount::mulDiv(price, kHundred, kHundred + vat, Amount::kDecimals);
}

QString eanText(const QVariant& eanare) { return eanText(eanare.toString()); }
QString eanText(const QString& eanare) { return common::padCut(eanare, 13); }

QString ChainArticle::columns() {
    return QStringLiteral("rowid AS rid, codart, desart, przart, Przpub, ivart, umart, umconf, pezzatura, "
                          "imbart, codrep, codgru, desgru, codsot, dessot, tipart");
}

ChainArticle ChainArticle::read(const db::Query& q) {
    ChainArticle a;
    a.rowid = q.whole("rid");
    a.codart = q.value("codart");
    a.desart = q.value("desart");
    a.przart = q.value("przart");
    a.przpub = q.value("Przpub");
    a.ivart = q.value("ivart");
    a.umart = q.value("umart");
    a.umconf = q.value("umconf");
    a.pezzatura = q.value("pezzatura");
    a.imbart = q.value("imbart");
    a.codrep = q.value("codrep");
    a.codgru = q.value("codgru");
    a.desgru = q.value("desgru");
    a.codsot = q.value("codsot");
    a.dessot = q.value("dessot");
    a.tipart = q.value("tipart");
    return a;
}

QString ChainArticle::description() const {
    return desart.isNull() ? QStringLiteral("") : desart.toString();
}

bool ChainArticle::typeTwo() const {
    return !tipart.isNull() && common::numericValue(tipart.toString()) == 2;
}

StoreLookups::StoreLookups(db::Database& store)
    : maxCode_(store.prepare(QStringLiteral("SELECT max(codart) AS last FROM listi01"))),
      unit_(store.prepare(QStringLiteral("SELECT fatxmul FROM unitam WHERE coduni = ? ORDER BY rowid LIMIT 1"))),
      department_(store.prepare(
          QStringLiteral("SELECT descrizione FROM reparti WHERE reparto = ? ORDER BY rowid LIMIT 1"))),
      header_(store.prepare(QStringLiteral("SELECT 1 FROM fistini WHERE codlis = ? LIMIT 1"))),
      addHeader_(store.prepare(QStringLiteral("INSERT INTO fistini (dsclistino, codlis, datval) VALUES (?, ?, ?)"))) {}

qint32 StoreLookups::nextArticleCode() {
    qint64 last = 0;
    lastCodeWhole_ = true;
    if (maxCode_.first() && !maxCode_.isNull("last")) {
        const QVariant highest = maxCode_.value("last");
        last = highest.toLongLong();
        lastCodeWhole_ = highest.typeId() == QMetaType::LongLong;
    }
    maxCode_.finish();
    if (last >= std::numeric_limits<qint32>::max()) {
        throw RunError(QStringLiteral("Impossibile creare un nuovo articolo: il codice articolo più alto "
                                      "in archivio (%1) è già il massimo ammesso (2147483647).")
                           .arg(last));
    }
    return last < 0 ? 1 : static_cast<qint32>(last + 1);
}

Amount StoreLookups::unitFactor(const QString& coduni) {
    return db::readOnce(units_, coduni, [&] {
        Amount factor;
        if (unit_.first({coduni})) factor = Amount::parse(unit_.text("fatxmul")).value_or(Amount());
        unit_.finish();
        return factor;
    });
}

std::optional<QVariant> StoreLookups::department(qint64 reparto) {
    return db::readOnce(departments_, reparto, [&] {
        std::optional<QVariant> out;
        if (department_.first({reparto})) out = department_.value("descrizione");
        department_.finish();
        return out;
    });
}

void StoreLookups::ensurePriceListHeader(const QString& codlis, const QString& supplierName, const QDate& today) {
    const bool found = header_.first({codlis});
    header_.finish();
    if (!found) addHeader_.exec({supplierName.left(20), codlis, common::dateValue(today)});
}

}  // namespace articles
