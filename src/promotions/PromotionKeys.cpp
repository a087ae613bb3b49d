#include "promotions/PromotionKeys.h"

#include "db/ReadOnce.h"

#include <algorithm>

namespace promotions {

namespace {

// A 32-bit code is all the stage asks for: a stored code outside 32 bits is never equal to it.
bool fits32(qint64 code) { return code == static_cast<qint32>(code); }

}  // namespace

StoreBarcodes::StoreBarcodes(db::Database& store)
    : articleOf_(store.prepare(QStringLiteral("SELECT codare FROM codean WHERE eanare = ? LIMIT 1"))),
      firstOf_(store.prepare(
          QStringLiteral("SELECT eanare, desart FROM codean WHERE codare = ? ORDER BY rowid LIMIT 1"))) {
    const qint64 rows = db::rowsToKeep(store, "codean");
    articlesIrregular_ = rows < 0;
    eansIrregular_ = rows < 0 || !db::comparedAsText(store, QStringLiteral("codean"), QStringLiteral("eanare"));
    if (eansIrregular_ && articlesIrregular_) return;
    if (!eansIrregular_) byDigits_.reserve(static_cast<size_t>(rows));
    if (!articlesIrregular_) byArticle_.reserve(static_cast<size_t>(rows));
    db::Query all = store.prepare(QStringLiteral("SELECT eanare, codare, desart FROM codean ORDER BY rowid"));
    all.exec();
    while (all.next() && !(eansIrregular_ && articlesIrregular_)) {
        const std::optional<std::string_view> asciiEan = all.asciiText(0);
        const QVariant codare = all.value(1);
        std::optional<Ref> eanKept;  // the barcode kept once for both ways
        const auto keptEan = [&] {
            if (!eanKept) eanKept = asciiEan ? texts_.keepAscii(*asciiEan) : db::keepText(texts_, all, 0);
            return *eanKept;
        };
        if (!eansIrregular_ && (asciiEan || !all.value(0).isNull())) {
            // Only a text of ASCII meets a bound text byte by byte as a key of ours does.
            if (asciiEan) {
                const Ref kept = keptEan();
                (common::KeptTexts::isDigits(kept) ? byDigits_ : byOtherEan_)
                    .push_back({kept, static_cast<qint32>(codare.toLongLong())});
            } else {
                eansIrregular_ = true;
            }
        }
        if (!articlesIrregular_ && !codare.isNull()) {
            if (!db::wholeNumber(codare))
                articlesIrregular_ = true;
            else if (fits32(codare.toLongLong()))
                byArticle_.push_back(
                    {static_cast<qint32>(codare.toLongLong()), keptEan(), db::keepText(texts_, all, 2)});
        }
    }
    all.finish();
    texts_.settle();
    if (texts_.full()) eansIrregular_ = articlesIrregular_ = true;
    if (eansIrregular_) {
        byDigits_ = {};
        byOtherEan_ = {};
    } else {
        db::keepFirstOfEachKey(byDigits_, [](const ByEan& r) { return r.ean; });
        db::keepFirstOfEachKey(byOtherEan_, [this](const ByEan& r) { return texts_.bytes(r.ean); });
    }
    if (articlesIrregular_)
        byArticle_ = {};
    else
        db::keepFirstOfEachKey(byArticle_, [](const ByArticle& r) { return r.codare; });
    if (eansIrregular_ && articlesIrregular_) texts_ = {};
}

std::optional<qint32> StoreBarcodes::articleOf(const QString& ean) {
    if (eansIrregular_) {
        if (lastEan_ && lastEan_->first == ean) return lastEan_->second;
        const std::optional<qint32> article = articleOf_.firstRow(
            {ean}, [](const db::Query& q) { return static_cast<qint32>(q.value(0).toLongLong()); });
        lastEan_.emplace(ean, article);
        return article;
    }
    if (const Ref digits = common::KeptTexts::digits(ean); digits != common::KeptTexts::kNull) {
        const auto it = std::lower_bound(byDigits_.begin(), byDigits_.end(), digits,
                                         [](const ByEan& r, Ref k) { return r.ean < k; });
        if (it == byDigits_.end() || it->ean != digits) return std::nullopt;
        return it->article;
    }
    const QByteArray utf8 = ean.toUtf8();
    const std::string_view key(utf8.constData(), static_cast<size_t>(utf8.size()));
    const auto it = std::lower_bound(byOtherEan_.begin(), byOtherEan_.end(), key,
                                     [this](const ByEan& r, std::string_view k) { return texts_.bytes(r.ean) < k; });
    if (it == byOtherEan_.end() || texts_.bytes(it->ean) != key) return std::nullopt;
    return it->article;
}

std::optional<StoreBarcode> StoreBarcodes::firstOf(qint32 storeCode) {
    if (articlesIrregular_) {
        if (lastArticle_ && lastArticle_->first == storeCode) return lastArticle_->second;
        const std::optional<StoreBarcode> first = firstOf_.firstRow({storeCode}, [](const db::Query& q) {
            return StoreBarcode{q.value(0).toString(), q.value(1).toString()};
        });
        lastArticle_.emplace(storeCode, first);
        return first;
    }
    const auto it = std::lower_bound(byArticle_.begin(), byArticle_.end(), storeCode,
                                     [](const ByArticle& r, qint32 c) { return r.codare < c; });
    if (it == byArticle_.end() || it->codare != storeCode) return std::nullopt;
    return StoreBarcode{texts_.text(it->ean), texts_.text(it->description)};
}

namespace {
const char* const kListingColumns =
    "codart, desart, desgru, dessot, desfor, cofart, cosmp, imbart, przart, przpub, umart, ivart";
// The columns of kListingColumns that are texts and numbers, in their order there.
constexpr int kTextColumns[] = {1, 2, 3, 4, 10, 11};
constexpr int kNumberColumns[] = {5, 6, 7, 8, 9};
}  // namespace

StoreListings::StoreListings(db::Database& store)
    : byCode_(store.prepare(
          QStringLiteral("SELECT %1 FROM listi01 WHERE codart = ? LIMIT 1").arg(QLatin1String(kListingColumns)))) {
    const qint64 rows = db::rowsToKeep(store, "listi01");
    irregular_ = rows < 0;
    if (irregular_) return;
    rows_.reserve(static_cast<size_t>(rows));
    db::Query all = store.prepare(
        QStringLiteral("SELECT %1 FROM listi01 ORDER BY rowid").arg(QLatin1String(kListingColumns)));
    all.exec();
    while (!irregular_ && all.next()) {
        const QVariant codart = all.value(0);
        if (!db::wholeNumber(codart)) {
            irregular_ = !codart.isNull();  // a Null code is never equal to an article's
            continue;
        }
        if (!fits32(codart.toLongLong())) continue;
        Kept k{};
        k.codart = static_cast<qint32>(codart.toLongLong());
        // Past the description, the texts (group, subgroup, supplier, unit, VAT) repeat from article to article.
        for (int i = 0; i < kTexts; ++i) k.text[i] = db::keepText(texts_, all, kTextColumns[i], i > 0);
        for (int i = 0; i < kNumbers; ++i) {
            const QVariant v = all.value(kNumberColumns[i]);
            if (v.isNull()) k.numberNull |= quint8(1u << i);
            k.number[i] = v.toDouble();
        }
        rows_.push_back(k);
    }
    all.finish();
    texts_.settle();
    if (irregular_ || texts_.full()) {
        irregular_ = true;
        rows_ = {};
        texts_ = {};
        return;
    }
    db::keepFirstOfEachKey(rows_, [](const Kept& k) { return k.codart; });
}

StoreListings::Row StoreListings::fromQuery(const db::Query& q) {
    Row r;
    r.codart = static_cast<qint32>(q.value(0).toLongLong());
    std::optional<QString>* texts[kTexts] = {&r.desart, &r.desgru, &r.dessot, &r.desfor, &r.umart, &r.ivart};
    std::optional<double>* numbers[kNumbers] = {&r.cofart, &r.cosmp, &r.imbart, &r.przart, &r.przpub};
    for (int i = 0; i < kTexts; ++i) {
        const QVariant v = q.value(kTextColumns[i]);
        if (!v.isNull()) *texts[i] = v.toString();
    }
    for (int i = 0; i < kNumbers; ++i) {
        const QVariant v = q.value(kNumberColumns[i]);
        if (!v.isNull()) *numbers[i] = v.toDouble();
    }
    return r;
}

std::optional<StoreListings::Row> StoreListings::of(qint32 codart) {
    // A promotion line asks for its article once for the line and again for
    // each of its barcodes: the last answer is kept.
    if (last_ && last_->first == codart) return last_->second;
    std::optional<Row> row;
    if (irregular_) {
        row = byCode_.firstRow({codart}, fromQuery);
    } else if (const auto it = std::lower_bound(rows_.begin(), rows_.end(), codart,
                                                [](const Kept& k, qint32 c) { return k.codart < c; });
               it != rows_.end() && it->codart == codart) {
        Row& r = row.emplace();
        r.codart = codart;
        std::optional<QString>* texts[kTexts] = {&r.desart, &r.desgru, &r.dessot, &r.desfor, &r.umart, &r.ivart};
        std::optional<double>* numbers[kNumbers] = {&r.cofart, &r.cosmp, &r.imbart, &r.przart, &r.przpub};
        for (int i = 0; i < kTexts; ++i)
            if (it->text[i] != common::KeptTexts::kNull) *texts[i] = texts_.text(it->text[i]);
        for (int i = 0; i < kNumbers; ++i)
            if (!(it->numberNull & (1u << i))) *numbers[i] = it->number[i];
    }
    last_.emplace(codart, row);
    return row;
}

}  // namespace promotions
