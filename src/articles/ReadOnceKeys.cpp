#include "articles/ReadOnceKeys.h"

#include "articles/ArticleRules.h"

#include <algorithm>

namespace articles {

namespace {

bool wholeNumber(const QVariant& v) { return v.typeId() == QMetaType::LongLong; }

}  // namespace

ChainEans::ChainEans(db::Database& chain)
    : byArticle_(chain.prepare(QStringLiteral("SELECT eanare FROM codean WHERE codare = ? ORDER BY rowid"))) {
    db::Query all = chain.prepare(QStringLiteral("SELECT codare, eanare FROM codean ORDER BY rowid"));
    all.exec();
    while (all.next()) {
        const QVariant codare = all.value(0);
        if (codare.isNull()) continue;  // never equal to a code
        if (!wholeNumber(codare)) {
            irregular_ = true;
            eans_.clear();
            all.finish();
            return;
        }
        eans_.push_back({codare.toLongLong(), eanText(all.value(1)).toStdString()});
    }
    // Stable: the rows of an article keep their order.
    std::stable_sort(eans_.begin(), eans_.end(), [](const Ean& a, const Ean& b) { return a.codare < b.codare; });
}

std::vector<QString> ChainEans::of(const QVariant& codart) {
    std::vector<QString> out;
    if (codart.isNull()) return out;
    if (irregular_ || !wholeNumber(codart)) {
        byArticle_.exec({codart});
        while (byArticle_.next()) out.push_back(eanText(byArticle_.value(0)));
        return out;
    }
    const qint64 code = codart.toLongLong();
    auto it = std::lower_bound(eans_.begin(), eans_.end(), code, [](const Ean& e, qint64 c) { return e.codare < c; });
    for (; it != eans_.end() && it->codare == code; ++it) out.push_back(QString::fromStdString(it->text));
    return out;
}

PriceListRows::PriceListRows(db::Database& store, const QString& codlis) {
    db::Query all = store.prepare(
        QStringLiteral("SELECT trim(codafo), rowid, codart FROM listi02 WHERE codlis = ? ORDER BY rowid"));
    all.exec({codlis});
    while (all.next()) {
        const QVariant code = all.value(0);
        if (code.isNull()) continue;  // trim(Null) equals nothing
        const QVariant codart = all.value(2);
        rows_.try_emplace(code.toString().toStdString(), Row{all.value(1).toLongLong(), codart.isNull(),
                                                             codart.toLongLong()});
    }
}

std::optional<PriceListRows::Row> PriceListRows::find(const QString& code) const {
    const auto it = rows_.find(code.toStdString());
    if (it == rows_.end()) return std::nullopt;
    return it->second;
}

void PriceListRows::added(const QString& codafo, qint64 rowid, const QVariant& codart) {
    // Added last, it is the first row of its code only when none was there.
    rows_.try_emplace(sqlTrim(codafo).toStdString(), Row{rowid, codart.isNull(), codart.toLongLong()});
}

QString sqlTrim(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' ')) ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' ')) --end;
    return text.mid(begin, end - begin);
}

}  // namespace articles
