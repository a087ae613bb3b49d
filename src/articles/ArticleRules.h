#pragma once
// Rules shared by the stages that update or create store articles: the codes
// the store files chain articles under, the cost with VAT, mark-up and
// margin, the unit factor, the highest article code and the price-list
// header of the chain supplier.
#include "common/Amount.h"
#include "db/Database.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QVariant>
#include <optional>

namespace articles {

// An EAN of all zeros stands for "no EAN" and is never copied to the store.
inline const QString kNoEan = QStringLiteral("0000000000000");

// The chain supplier code as the store's price-list code: "000000", a longer
// number keeps its first 6 characters.
QString supplierCodeText(qint64 codfor);

// The chain article code as the store's supplier article code: "000000000";
// empty when the code is Null or not a number.
QString chainCode(const QVariant& codart);

// The sales unit the store keeps: cartons ("CT") are sold by the piece ("PZ").
// Null stays Null.
QVariant storeUnit(const QVariant& umart);

// The VAT rate of a chain `ivart` (percent); 0 when Null or not a number.
qint32 vatRate(const QVariant& ivart);
// The VAT rate as the store's two-digit VAT code ("04", "22").
QString vatCode(const QVariant& ivart);

// The cost with VAT, cost + cost × VAT / 100. A cost to the ten-thousandth
// raised by a whole rate has up to six decimals (0.652 at 22 % is 0.79544),
// more than an amount holds, so it is kept a hundredfold, cost × (100 + VAT),
// exact. The store keeps it in single precision (`cosiva`).
class CostWithVat {
public:
    CostWithVat() = default;
    CostWithVat(common::Amount cost, const common::Amount& vat);

    // As the store keeps it: the single-precision value nearest to it.
    double stored() const;
    bool isZero() const { return hundredfold_.isZero(); }
    common::Amount hundredfold() const { return hundredfold_; }

private:
    common::Amount hundredfold_;
};

// Margin on the selling price, (price − cost with VAT) / price × 100, exact and
// rounded once to 2 decimals; nullopt when the price is 0.
std::optional<common::Amount> margin(common::Amount price, const CostWithVat& cosiva);
// Mark-up on the cost with VAT, (price − cost with VAT) / cost with VAT × 100,
// exact and rounded once to 2 decimals; nullopt when the cost with VAT is 0.
std::optional<common::Amount> markup(common::Amount price, const CostWithVat& cosiva);
// The price per reference unit, price ÷ (contents ÷ unit factor), rounded to 2
// decimals; nullopt unless the contents are above 0 and the factor is not 0.
std::optional<common::Amount> pricePerUnit(common::Amount price, common::Amount contents, common::Amount factor);
// The price without VAT, price ÷ (1 + VAT / 100), to the ten-thousandth.
common::Amount priceWithoutVat(common::Amount price, const common::Amount& vat);

// In-store EANs (weighed goods, own labels) begin with "2".
inline bool isStoreEan(const QString& ean) { return ean.startsWith(QLatin1Char('2')); }

// Fixed-width text of a chain EAN: blank-padded, cut at 13.
QString eanText(const QVariant& eanare);
QString eanText(const QString& eanare);

// The chain article as the store stages read it from the chain's `articolo`.
// Fields keep Null as Null.
struct ChainArticle {
    qint64 rowid = 0;
    QVariant codart, desart, przart, przpub, ivart, umart, umconf, pezzatura, imbart, codrep, codgru,
        desgru, codsot, dessot, tipart;

    // The columns `read` expects, for a SELECT on `articolo`.
    static QString columns();
    static ChainArticle read(const db::Query& q);

    QString description() const;  // Null as empty text
    common::Amount price() const { return common::Amount::fromDouble(przpub.toDouble()); }
    common::Amount cost() const { return common::Amount::fromDouble(przart.toDouble()); }
    // The chain `tipart` 2 marks an article sold by weight or measure.
    bool typeTwo() const;
};

// Lookups on the store database, prepared once per stage. The run never
// changes the store's units and departments, so each is read once and kept:
// a stage and the article creation it drives share one of these.
class StoreLookups {
public:
    explicit StoreLookups(db::Database& store);

    // The highest article code of `listi01` plus 1 (1 when it is empty), read
    // through the primary index. Throws RunError when it would pass 2147483647.
    qint32 nextArticleCode();
    // Whether the highest code nextArticleCode() last read was a whole number
    // (or there was none): a code above it then names no article.
    bool lastCodeWhole() const { return lastCodeWhole_; }

    // The numeric value of `fatxmul` of the unit; 0 when the unit is missing.
    common::Amount unitFactor(const QString& coduni);
    // `descrizione` of the department; nullopt when it is missing.
    std::optional<QVariant> department(qint64 reparto);

    // Adds the price-list header of the chain supplier when `fistini` lacks it.
    void ensurePriceListHeader(const QString& codlis, const QString& supplierName, const QDate& today);

private:
    db::Query maxCode_, unit_, department_, header_, addHeader_;
    bool lastCodeWhole_ = false;
    QHash<QString, common::Amount> units_;
    QHash<qint64, std::optional<QVariant>> departments_;
};

}  // namespace articles
