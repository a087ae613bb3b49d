#include "articles/ReadOnceKeys.h"

#include "articles/ArticleRules.h"
#include "db/ReadOnce.h"

#include <algorithm>

namespace articles {

namespace {

// A code asked for as a whole number (the stages hold codes read as 64 bits or kept as 32).
bool wholeCode(const QVariant& v) { return db::wholeNumber(v) || v.typeId() == QMetaType::Int; }

// Thirteen digits as a number (every such text has its own); nothing for any other text.
std::optional<quint64> thirteenDigits(QStringView text) {
    if (text.size() != 13) return std::nullopt;
    quint64 n = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        n = n * 10 + static_cast<quint64>(c.unicode() - '0');
    }
    return n;
}

bool ascii(QStringView text) {
    char16_t seen = 0;
    for (const QChar c : text) seen |= c.unicode();
    return seen < 0x80;
}

}  // namespace

ChainBarcodes::ChainBarcodes(db::Database& chain)
    : byArticle_(chain.prepare(QStringLiteral("SELECT eanare FROM codean WHERE codare = ? ORDER BY rowid"))) {
    const qint64 rows = db::rowsToKeep(chain, "codean");
    irregular_ = rows < 0;
    if (irregular_) return;
    rows_.reserve(static_cast<size_t>(rows));
    db::Query all = chain.prepare(QStringLiteral("SELECT codare, eanare FROM codean ORDER BY rowid"));
    all.exec();
    while (!irregular_ && all.next()) {
        const QVariant codare = all.value(0);
        if (codare.isNull()) continue;  // never equal to a code
        const qint64 code = codare.toLongLong();
        if (db::wholeNumber(codare) && code == static_cast<qint32>(code))
            rows_.push_back({static_cast<qint32>(code), db::keepText(texts_, all, 1)});
        else
            irregular_ = true;
    }
    all.finish();
    if (irregular_ || texts_.full()) {
        irregular_ = true;
        rows_ = {};
        texts_ = {};
        return;
    }
    // Stable: the rows of an article keep their order.
    std::stable_sort(rows_.begin(), rows_.end(), [](const Row& a, const Row& b) { return a.codare < b.codare; });
    rows_.shrink_to_fit();
}

QStringList ChainBarcodes::of(const QVariant& codare) {
    QStringList eans;
    if (codare.isNull()) return eans;
    if (irregular_ || !wholeCode(codare)) {
        if (last_ && last_->first == codare && last_->first.typeId() == codare.typeId()) return last_->second;
        byArticle_.exec({codare});
        while (byArticle_.next()) eans << byArticle_.value(0).toString();
        byArticle_.finish();
        last_.emplace(codare, eans);
        return eans;
    }
    for (auto [it, end] = rowsOf(codare.toLongLong()); it != end; ++it) eans << texts_.text(it->ean);
    return eans;
}

std::pair<ChainBarcodes::RowIt, ChainBarcodes::RowIt> ChainBarcodes::rowsOf(qint64 code) const {
    // Compared as 64 bits: a code past 32 bits is no kept article's.
    const auto first = std::lower_bound(rows_.begin(), rows_.end(), code,
                                        [](const Row& r, qint64 c) { return r.codare < c; });
    const auto end = std::upper_bound(first, rows_.end(), code, [](qint64 c, const Row& r) { return c < r.codare; });
    return {first, end};
}

std::vector<QString> ChainBarcodes::eanTexts(const QVariant& codare) {
    std::vector<QString> out;
    if (codare.isNull()) return out;
    if (irregular_ || !wholeCode(codare)) {
        for (const QString& ean : of(codare)) out.push_back(eanText(ean));
        return out;
    }
    // Straight from the rows kept, as `of` finds them: once per chain article of the store update.
    for (auto [it, end] = rowsOf(codare.toLongLong()); it != end; ++it) out.push_back(eanText(texts_.text(it->ean)));
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

StoreEans::StoreEans(db::Database& store)
    : byEan_(store.prepare(QStringLiteral("SELECT rowid FROM codean WHERE eanare = ? LIMIT 1"))) {
    irregular_ = !db::comparedAsText(store, QStringLiteral("codean"), QStringLiteral("eanare"));
    if (irregular_) return;
    // Only texts can equal a bound text here: Null, numbers and bytes never do.
    db::Query all =
        store.prepare(QStringLiteral("SELECT eanare, rowid FROM codean WHERE typeof(eanare) = 'text'"));
    all.exec();
    while (all.next()) {
        const QString ean = all.value(0).toString();
        const qint64 rowid = all.value(1).toLongLong();
        if (const auto n = thirteenDigits(ean)) {
            numbered_.push_back({*n, rowid});
        } else if (!ascii(ean) || !others_.try_emplace(ean.toStdString(), rowid).second) {
            irregular_ = true;
            break;
        }
    }
    all.finish();
    std::sort(numbered_.begin(), numbered_.end(),
              [](const Numbered& a, const Numbered& b) { return a.ean < b.ean; });
    const auto twice = std::adjacent_find(numbered_.begin(), numbered_.end(),
                                          [](const Numbered& a, const Numbered& b) { return a.ean == b.ean; });
    if (twice != numbered_.end()) irregular_ = true;
    if (irregular_) {
        numbered_ = {};
        others_ = {};
    }
}

std::optional<qint64> StoreEans::find(const QString& ean) {
    if (!irregular_) {
        if (const auto n = thirteenDigits(ean)) {
            const auto it = std::lower_bound(numbered_.begin(), numbered_.end(), *n,
                                             [](const Numbered& e, quint64 key) { return e.ean < key; });
            if (it != numbered_.end() && it->ean == *n) return it->rowid;
            if (const auto added = numberedAdded_.find(*n); added != numberedAdded_.end()) return added->second;
            return std::nullopt;
        }
        if (ascii(ean)) {
            if (const auto it = others_.find(ean.toStdString()); it != others_.end()) return it->second;
            return std::nullopt;
        }
    }
    std::optional<qint64> rowid;
    if (byEan_.first({ean})) rowid = byEan_.value(0).toLongLong();
    byEan_.finish();
    return rowid;
}

void StoreEans::added(const QString& ean, qint64 rowid) {
    if (irregular_) return;
    // Added only when none was found, so the EAN was not there before.
    if (const auto n = thirteenDigits(ean))
        numberedAdded_.try_emplace(*n, rowid);
    else
        others_.try_emplace(ean.toStdString(), rowid);
}

QString sqlTrim(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' ')) ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' ')) --end;
    return text.mid(begin, end - begin);
}

}  // namespace articles
