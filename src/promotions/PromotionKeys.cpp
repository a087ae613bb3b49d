#include "promotions/PromotionKeys.h"

#include <algorithm>

namespace promotions {

namespace {

bool wholeNumber(const QVariant& v) { return v.typeId() == QMetaType::LongLong; }

bool asciiText(const QVariant& v) {
    if (v.typeId() != QMetaType::QString) return false;
    const QString s = v.toString();
    return std::all_of(s.cbegin(), s.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

// A bound text meets the stored texts as they are only in a column of TEXT
// affinity or of none, compared byte by byte (no COLLATE in the table's
// definition); otherwise SQLite may turn it into a number first.
bool comparesAsText(db::Database& db, const QString& table, const QString& column) {
    db::Query declared = db.prepare(QStringLiteral("SELECT type FROM pragma_table_info(?) WHERE lower(name) = ?"));
    const std::optional<QString> type =
        declared.firstRow({table, column}, [](const db::Query& q) { return q.value(0).toString().toUpper(); });
    if (!type || type->contains(QLatin1String("INT"))) return false;
    const bool text = type->contains(QLatin1String("CHAR")) || type->contains(QLatin1String("CLOB")) ||
                      type->contains(QLatin1String("TEXT"));
    const bool none = type->isEmpty() || type->contains(QLatin1String("BLOB"));
    if (!text && !none) return false;
    db::Query definition =
        db.prepare(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND lower(name) = ?"));
    const std::optional<QString> sql =
        definition.firstRow({table}, [](const db::Query& q) { return q.value(0).toString(); });
    return sql && !sql->contains(QLatin1String("COLLATE"), Qt::CaseInsensitive);
}

// Tables of more rows than this are not held in memory: their lookups go
// through the statements, so the memory a run takes stays bounded however
// large the store (a store-size workload has about 50,000 barcodes).
constexpr qint64 kRowsKept = 60000;

// The rows of `table` (a name of ours, never a value read), or -1 past kRowsKept.
qint64 rowsToKeep(db::Database& db, const char* table) {
    db::Query count = db.prepare(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table)));
    const qint64 n = count.firstRow({}, [](const db::Query& q) { return q.value(0).toLongLong(); }).value_or(0);
    return n > kRowsKept ? -1 : n;
}

QString fromUtf8(const std::string& text, bool null) { return null ? QString() : QString::fromStdString(text); }

}  // namespace

ChainBarcodes::ChainBarcodes(db::Database& chain)
    : byArticle_(chain.prepare(QStringLiteral("SELECT eanare FROM codean WHERE codare = ? ORDER BY rowid"))) {
    const qint64 rows = rowsToKeep(chain, "codean");
    irregular_ = rows < 0;
    if (!irregular_) rows_.reserve(static_cast<size_t>(rows));
    db::Query all = chain.prepare(QStringLiteral("SELECT codare, eanare FROM codean ORDER BY rowid"));
    all.exec();
    while (!irregular_ && all.next()) {
        const QVariant codare = all.value(0);
        const QVariant ean = all.value(1);
        // A Null code is never equal to an article's.
        if (wholeNumber(codare))
            rows_.push_back({codare.toLongLong(), ean.toString().toStdString(), ean.isNull()});
        else
            irregular_ = !codare.isNull();
    }
    all.finish();
    if (irregular_) {
        rows_ = {};
        return;
    }
    // Stable: the rows of an article keep their order.
    std::stable_sort(rows_.begin(), rows_.end(), [](const Row& a, const Row& b) { return a.codare < b.codare; });
    rows_.shrink_to_fit();
}

QStringList ChainBarcodes::of(qint32 chainCode) {
    QStringList eans;
    if (irregular_) {
        // The stage asks for the same article twice in a row.
        if (last_ && last_->first == chainCode) return last_->second;
        byArticle_.exec({chainCode});
        while (byArticle_.next()) eans << byArticle_.value(0).toString();
        byArticle_.finish();
        last_.emplace(chainCode, eans);
        return eans;
    }
    auto it = std::lower_bound(rows_.begin(), rows_.end(), qint64(chainCode),
                               [](const Row& r, qint64 c) { return r.codare < c; });
    for (; it != rows_.end() && it->codare == chainCode; ++it) eans << fromUtf8(it->ean, it->null);
    return eans;
}

StoreBarcodes::StoreBarcodes(db::Database& store)
    : articleOf_(store.prepare(QStringLiteral("SELECT codare FROM codean WHERE eanare = ? LIMIT 1"))),
      firstOf_(store.prepare(
          QStringLiteral("SELECT eanare, desart FROM codean WHERE codare = ? ORDER BY rowid LIMIT 1"))) {
    const qint64 rows = rowsToKeep(store, "codean");
    articlesIrregular_ = rows < 0;
    eansIrregular_ = rows < 0 || !comparesAsText(store, QStringLiteral("codean"), QStringLiteral("eanare"));
    if (!eansIrregular_) byEan_.reserve(static_cast<size_t>(rows));
    if (!articlesIrregular_) byArticle_.reserve(static_cast<size_t>(rows));
    db::Query all = store.prepare(QStringLiteral("SELECT eanare, codare, desart FROM codean ORDER BY rowid"));
    all.exec();
    while (all.next() && !(eansIrregular_ && articlesIrregular_)) {
        const QVariant ean = all.value(0);
        const QVariant codare = all.value(1);
        if (!eansIrregular_ && !ean.isNull()) {
            if (asciiText(ean))
                byEan_.push_back({ean.toString().toStdString(), static_cast<qint32>(codare.toLongLong())});
            else
                eansIrregular_ = true;
        }
        if (!articlesIrregular_ && !codare.isNull()) {
            if (wholeNumber(codare)) {
                const QVariant description = all.value(2);
                byArticle_.push_back({codare.toLongLong(), ean.toString().toStdString(),
                                      description.toString().toStdString(), ean.isNull(), description.isNull()});
            } else {
                articlesIrregular_ = true;
            }
        }
    }
    all.finish();
    // Stable sorts, then the first row of each key: the rows keep their order.
    if (eansIrregular_) {
        byEan_ = {};
    } else {
        std::stable_sort(byEan_.begin(), byEan_.end(), [](const ByEan& a, const ByEan& b) { return a.ean < b.ean; });
        byEan_.erase(std::unique(byEan_.begin(), byEan_.end(),
                                 [](const ByEan& a, const ByEan& b) { return a.ean == b.ean; }),
                     byEan_.end());
        byEan_.shrink_to_fit();
    }
    if (articlesIrregular_) {
        byArticle_ = {};
    } else {
        std::stable_sort(byArticle_.begin(), byArticle_.end(),
                         [](const ByArticle& a, const ByArticle& b) { return a.codare < b.codare; });
        byArticle_.erase(std::unique(byArticle_.begin(), byArticle_.end(),
                                     [](const ByArticle& a, const ByArticle& b) { return a.codare == b.codare; }),
                         byArticle_.end());
        byArticle_.shrink_to_fit();
    }
}

std::optional<qint32> StoreBarcodes::articleOf(const QString& ean) {
    if (eansIrregular_) {
        if (lastEan_ && lastEan_->first == ean) return lastEan_->second;
        const std::optional<qint32> article = articleOf_.firstRow(
            {ean}, [](const db::Query& q) { return static_cast<qint32>(q.value(0).toLongLong()); });
        lastEan_.emplace(ean, article);
        return article;
    }
    const std::string key = ean.toStdString();
    const auto it = std::lower_bound(byEan_.begin(), byEan_.end(), key,
                                     [](const ByEan& r, const std::string& k) { return r.ean < k; });
    if (it == byEan_.end() || it->ean != key) return std::nullopt;
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
    const auto it = std::lower_bound(byArticle_.begin(), byArticle_.end(), qint64(storeCode),
                                     [](const ByArticle& r, qint64 c) { return r.codare < c; });
    if (it == byArticle_.end() || it->codare != storeCode) return std::nullopt;
    return StoreBarcode{fromUtf8(it->ean, it->eanNull), fromUtf8(it->description, it->descriptionNull)};
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
    const qint64 rows = rowsToKeep(store, "listi01");
    irregular_ = rows < 0;
    if (!irregular_) rows_.reserve(static_cast<size_t>(rows));
    db::Query all = store.prepare(
        QStringLiteral("SELECT %1 FROM listi01 ORDER BY rowid").arg(QLatin1String(kListingColumns)));
    all.exec();
    while (!irregular_ && all.next()) {
        const QVariant codart = all.value(0);
        if (!wholeNumber(codart)) {
            irregular_ = !codart.isNull();  // a Null code is never equal to an article's
            continue;
        }
        Kept k{};
        k.codart = codart.toLongLong();
        for (int i = 0; i < kTexts; ++i) {
            const QVariant v = all.value(kTextColumns[i]);
            const QByteArray utf8 = v.toString().toUtf8();
            k.text[i] = v.isNull() ? nullptr : keep(utf8);
            k.length[i] = static_cast<quint32>(utf8.size());
        }
        for (int i = 0; i < kNumbers; ++i) {
            const QVariant v = all.value(kNumberColumns[i]);
            if (v.isNull()) k.numberNull |= quint8(1u << i);
            k.number[i] = v.toDouble();
        }
        rows_.push_back(k);
    }
    all.finish();
    if (irregular_) {
        rows_ = {};
        chunks_.clear();
        return;
    }
    std::stable_sort(rows_.begin(), rows_.end(), [](const Kept& a, const Kept& b) { return a.codart < b.codart; });
    rows_.erase(std::unique(rows_.begin(), rows_.end(),
                            [](const Kept& a, const Kept& b) { return a.codart == b.codart; }),
                rows_.end());
    rows_.shrink_to_fit();
}

const char* StoreListings::keep(const QByteArray& text) {
    const size_t n = static_cast<size_t>(text.size());
    if (chunks_.empty() || chunkUsed_ + n > chunkSize_) {
        chunkSize_ = std::max<size_t>(n, 1 << 20);
        chunks_.push_back(std::make_unique<char[]>(chunkSize_));
        chunkUsed_ = 0;
    }
    char* at = chunks_.back().get() + chunkUsed_;
    std::copy(text.cbegin(), text.cend(), at);
    chunkUsed_ += n;
    return at;
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
    if (irregular_) {
        if (last_ && last_->first == codart) return last_->second;
        const std::optional<Row> row = byCode_.firstRow({codart}, fromQuery);
        last_.emplace(codart, row);
        return row;
    }
    const auto it = std::lower_bound(rows_.begin(), rows_.end(), qint64(codart),
                                     [](const Kept& k, qint64 c) { return k.codart < c; });
    if (it == rows_.end() || it->codart != codart) return std::nullopt;
    Row r;
    r.codart = codart;
    std::optional<QString>* texts[kTexts] = {&r.desart, &r.desgru, &r.dessot, &r.desfor, &r.umart, &r.ivart};
    std::optional<double>* numbers[kNumbers] = {&r.cofart, &r.cosmp, &r.imbart, &r.przart, &r.przpub};
    for (int i = 0; i < kTexts; ++i)
        if (it->text[i]) *texts[i] = QString::fromUtf8(it->text[i], it->length[i]);
    for (int i = 0; i < kNumbers; ++i)
        if (!(it->numberNull & (1u << i))) *numbers[i] = it->number[i];
    return r;
}

}  // namespace promotions
