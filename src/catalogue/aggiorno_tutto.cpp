#include "catalogue/aggiorno_tutto.h"

#include "articles/ArticleRules.h"
#include "articles/KnownArticles.h"
#include "articles/ReadOnceKeys.h"
#include "articles/creo_art_nuovo.h"
#include "common/Dates.h"
#include "common/Numbers.h"
#include "db/ReadOnce.h"
#include "run/Run.h"

#include <QHash>
#include <algorithm>
#include <vector>

using articles::ChainArticle;
using common::Amount;

namespace {

// Marked articles read at a time.
constexpr int kRead = 1000;
// Marks cleared by one statement.
constexpr int kUnmarks = 100;

struct Group {
    bool found = false;
    bool excluded = false;
    QVariant description;  // dscgruppo
};

struct Subgroup {
    bool found = false;
    QVariant group;        // codgru
    QVariant description;  // dscsotto
};

// The statements of the stage, prepared once.
struct Statements {
    explicit Statements(const Run& run)
        : lookups(run.store),
          known(run.store),
          chainBarcodes(run.chain),
          storeEans(run.store),
          priceLists(run.store, run.config.priceListCode()),
          group(run.store.prepare(QStringLiteral(
              "SELECT escgruppo, dscgruppo FROM gruppi WHERE codgru = ? ORDER BY rowid LIMIT 1"))),
          subgroup(run.store.prepare(QStringLiteral(
              "SELECT codgru, dscsotto FROM sottogruppi WHERE codsot = ? ORDER BY rowid LIMIT 1"))),
          byChainCode(run.store.prepare(QStringLiteral(
              "SELECT codart FROM listi01 WHERE trim(codafo) = ? AND codfor = ? ORDER BY rowid LIMIT 1"))),
          article(run.store.prepare(QStringLiteral(
              "SELECT rowid, codafo, przpub, cobart, cofart, marg, ricart, colore, codrep, desrep, quaco, "
              "umquaco, prztot FROM listi01 WHERE codart = ? LIMIT 1"))),
          editArticle(run.store.prepare(QStringLiteral(
              "UPDATE listi01 SET cobart = ?, cofart = ?, cosiva = ?, przpub = ?, marg = ?, ricart = ?, "
              "imbart = ?, colore = ?, desart = ?, descas = ?, desrep = ?, codrep = ?, dessot = ?, codsot = ?, "
              "desgru = ?, codgru = ?, quaco = ?, umquaco = ?, prztot = ?, ivart = ?, codafo = ?, datagg = ?, "
              "codfor = ?, desfor = ? WHERE rowid = ?"))),
          addEan(run.store.prepare(QStringLiteral(
              "INSERT INTO codean (eanare, codare, desart, desfor, codafo, aggi, pezzix, prezzo, prezzox, neti, "
              "primasecon, flagean, sta_eti, dataagg) VALUES (?, ?, ?, ?, ?, 'A', 1, ?, ?, 1, 'P', 'S', ?, ?)"))),
          editEan(run.store.prepare(QStringLiteral(
              "UPDATE codean SET codare = ?, desfor = ?, desart = ?, codafo = ?, prezzo = ?, prezzox = pezzix * ?, "
              "primasecon = 'P', flagean = 'S', sta_eti = CASE WHEN ? THEN 'S' ELSE sta_eti END, dataagg = ? "
              "WHERE rowid = ?"))),
          rankEans(run.store.prepare(QStringLiteral(
              "UPDATE codean SET pezzix = CASE WHEN pezzix IS NULL OR pezzix = 0 THEN 1 ELSE pezzix END, "
              "flagean = 'S', primasecon = CASE WHEN rowid = (SELECT rowid FROM codean WHERE codare = ? "
              "ORDER BY dataagg DESC, rowid DESC LIMIT 1) THEN 'P' ELSE 'S' END WHERE codare = ?"))),
          addPriceList(run.store.prepare(QStringLiteral(
              "INSERT INTO listi02 (codart, codlis, desart, cobart, cofart, codafo, ivart, umart, desfor, "
              "dsclistino, codfor, datval) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"))),
          editPriceList(run.store.prepare(QStringLiteral(
              "UPDATE listi02 SET desart = ?, cobart = ?, cofart = ?, codafo = ?, ivart = ?, umart = ?, "
              "desfor = ?, dsclistino = ?, codfor = ?, datval = ? WHERE rowid = ?"))) {}

    // The store's classification and units do not change during the stage:
    // each code is looked up once.
    Group groupOf(qint64 code) {
        return db::readOnce(groups, code, [&] {
            const auto read = [](const db::Query& q) {
                return Group{true, !q.isNull("escgruppo") && q.whole("escgruppo") == 1, q.value("dscgruppo")};
            };
            return group.firstRow({code}, read).value_or(Group{});
        });
    }
    Subgroup subgroupOf(qint64 code) {
        return db::readOnce(subgroups, code, [&] {
            const auto read = [](const db::Query& q) {
                return Subgroup{true, q.value("codgru"), q.value("dscsotto")};
            };
            return subgroup.firstRow({code}, read).value_or(Subgroup{});
        });
    }

    articles::StoreLookups lookups;
    articles::KnownArticles known;
    articles::ChainBarcodes chainBarcodes;
    articles::StoreEans storeEans;
    articles::PriceListRows priceLists;
    db::Query group, subgroup, byChainCode, article, editArticle, addEan, editEan,
        rankEans, addPriceList, editPriceList;
    QHash<qint64, Group> groups;
    QHash<qint64, Subgroup> subgroups;
};

// The marks of the applied articles, cleared kUnmarks at a time: one statement
// instead of one per article. All are cleared before the batch is committed
// and before the next marked articles are read, which must not see them again.
class Unmarks {
public:
    explicit Unmarks(db::Database& chain) : unmark_(chain.prepare(sql())) { rowids_.reserve(kUnmarks); }

    void add(qint64 rowid) {
        rowids_.push_back(rowid);
        if (rowids_.size() == kUnmarks) flush();
    }

    void flush() {
        if (rowids_.isEmpty()) return;
        // A short list repeats its last article, which changes nothing.
        while (rowids_.size() < kUnmarks) rowids_.push_back(rowids_.constLast());
        unmark_.execList(rowids_);
        rowids_.clear();
    }

private:
    static QString sql() {
        QString text = QStringLiteral("UPDATE articolo SET artvariato = '' WHERE rowid IN (?");
        for (int i = 1; i < kUnmarks; ++i) text += QStringLiteral(", ?");
        return text + QLatin1Char(')');
    }
    db::Query unmark_;
    QVariantList rowids_;
};

// The chain supplier's price-list rows brought up to date, written in the
// table's order a few thousand at a time and before each commit, instead of
// one at a time all over the table: on a store's catalogue that spares more
// than a quarter of the pages the stage writes. Nothing in the stage reads
// them back from the table (their keys were read once at its start), every
// field is set from values, and a row met twice keeps the values written last.
class PriceListEdits {
public:
    struct Edit {
        qint64 rowid;
        QString desart;
        double cost;
        QString codafo;
        QVariant ivart, umart;
    };

    PriceListEdits(db::Query& edit, const RunConfig& config, const QVariant& today)
        : edit_(edit), config_(config), today_(today) {
        held_.reserve(kHeld);
    }

    void add(Edit e) {
        held_.push_back(std::move(e));
        if (held_.size() == kHeld) flush();
    }

    void flush() {
        std::stable_sort(held_.begin(), held_.end(), [](const Edit& x, const Edit& y) { return x.rowid < y.rowid; });
        for (size_t i = 0; i < held_.size(); ++i) {
            if (i + 1 < held_.size() && held_[i + 1].rowid == held_[i].rowid) continue;  // written again later
            const Edit& e = held_[i];
            edit_.exec({e.desart, e.cost, e.cost, e.codafo, e.ivart, e.umart, config_.supplierName,
                        config_.supplierName, config_.codfor_affil, today_, e.rowid});
        }
        held_.clear();
    }

private:
    static constexpr size_t kHeld = 10000;  // about 3 MB
    db::Query& edit_;
    const RunConfig& config_;
    const QVariant today_;
    std::vector<Edit> held_;
};

// The marked chain articles in the stage's order, a batch at a time: held all
// at once they would take tens of megabytes. The marks of the articles applied
// are cleared before each batch read, so it begins where the one before ended.
class MarkedArticles {
public:
    MarkedArticles(db::Database& chain, Unmarks& applied)
        : applied_(applied),
          // The mark as a constant, not a parameter: only then can SQLite
          // answer both from the index of the marked articles.
          count_(chain.prepare(QStringLiteral("SELECT count(*) FROM articolo WHERE artvariato = 'S'"))),
          read_(chain.prepare(QStringLiteral("SELECT ") + ChainArticle::columns() +
                               QStringLiteral(" FROM articolo WHERE artvariato = 'S' ORDER BY desart, codart LIMIT ?"))) {
        if (count_.first()) total_ = count_.value(0).toLongLong();
        count_.finish();
    }

    qint64 total() const { return total_; }

    // The next marked article into `a`; false when every one has been applied.
    bool next(ChainArticle& a) {
        if (at_ == batch_.size()) readBatch();
        if (at_ == batch_.size()) return false;
        a = std::move(batch_[at_++]);
        return true;
    }

private:
    void readBatch() {
        applied_.flush();
        batch_.clear();
        at_ = 0;
        read_.exec({kRead});
        while (read_.next()) batch_.push_back(ChainArticle::read(read_));
        taken_ += static_cast<qint64>(batch_.size());
        // An article left marked would come back in every batch.
        if (taken_ > total_)
            throw db::Error(db::ErrorKind::Other,
                            QStringLiteral("Errore del programma: un articolo variato della catena è rimasto "
                                           "segnato dopo essere stato applicato. L'aggiornamento degli articoli si "
                                           "ferma qui: quelli già salvati restano, gli altri restano segnati per la "
                                           "prossima elaborazione. Segnalare il problema all'assistenza."));
    }

    Unmarks& applied_;
    db::Query count_, read_;
    qint64 total_ = 0, taken_ = 0;
    std::vector<ChainArticle> batch_;
    size_t at_ = 0;
};

// The boxes the stage fills article by article, made into text only when the
// view can show them, and once more when the stage ends, however it ends: they
// end as they would if set for every article.
class Boxes {
public:
    explicit Boxes(RunView& view) : view_(view) {}
    ~Boxes() { show(); }
    Boxes(const Boxes&) = delete;
    Boxes& operator=(const Boxes&) = delete;

    int found = 0, created = 0;

    // The article being applied, with the store code known so far.
    void detail(const QString& desart, Amount cost, qint32 vat, Amount price, qint32 code) {
        desart_ = desart;
        cost_ = cost;
        vat_ = vat;
        price_ = price;
        code_ = code;
        pending_ = true;
    }
    // Shows the article now: creo_art_nuovo shows the new code over it.
    void showDetail() {
        if (!pending_) return;
        pending_ = false;
        view_.setText(Box::c3w, desart_);
        view_.setText(Box::c4w, common::displayNumber(cost_));
        view_.setText(Box::c5w, QString::number(vat_));
        view_.setText(Box::c6w, common::displayNumber(price_));
        view_.setText(Box::codartw, common::displayNumber(code_));
    }
    // After each article.
    void step() {
        if (refresh_.due()) show();
    }

private:
    void show() {
        view_.setText(Box::cntaw, common::displayNumber(found));
        view_.setText(Box::cntcw, common::displayNumber(created));
        showDetail();
    }

    RunView& view_;
    Refresh refresh_;
    bool pending_ = false;
    QString desart_;
    Amount cost_, price_;
    qint32 vat_ = 0, code_ = 0;
};

QVariant orOld(const std::optional<Amount>& value, const QVariant& old) {
    return value ? QVariant(value->toDouble()) : old;
}

// The cost the chain gives an article it has not costed yet.
const Amount kPlaceholderCost = Amount::fromUnits(10);  // 0.001

}  // namespace

void aggiorno_tutto(const Run& run) {
    const RunConfig& config = run.config;
    RunView& view = run.view;
    const QDate today = run.clock.today();
    const QVariant todayValue = common::dateValue(today);
    const bool saveArticles = config.articlesSaved();
    const QString codlis = config.priceListCode();

    Statements st(run);

    Unmarks unmarks(run.chain);
    MarkedArticles marked(run.chain, unmarks);

    CreoArtNuovo creo_art_nuovo(run, st.lookups, st.chainBarcodes, st.storeEans, st.priceLists);
    view.setText(Box::cntaw, common::displayNumber(0));
    view.setText(Box::cntcw, common::displayNumber(0));
    Boxes boxes(view);
    Progress progress(view, Bar::ProgressBar2, marked.total());

    // An article's mark is cleared in the chain's part of the batch, which is
    // committed only after the store's part holding its update: a crash in
    // between leaves it marked, and applying it again on the next run changes
    // nothing.
    db::Batch batch({&run.store, &run.chain});
    PriceListEdits priceListEdits(st.editPriceList, config, todayValue);

    ChainArticle a;
    while (marked.next(a)) {
        const auto done = [&] {
            unmarks.add(a.rowid);
            batch.step([&] {
                priceListEdits.flush();
                unmarks.flush();
            });
            boxes.step();
        };
        qint32 storeCode = 0;
        progress.step();
        if (!(a.price() > Amount())) {
            done();
            continue;
        }

        const qint64 groupCode = a.codgru.isNull() ? 0 : a.codgru.toLongLong();
        const bool excluded = st.groupOf(groupCode).excluded;

        const QString chainCode = articles::chainCode(a.codart);
        const qint32 vat = articles::vatRate(a.ivart);
        const QString vatCode = common::zeroPad(vat, 2);
        // Cost, cost with VAT and price are kept in single precision.
        const Amount cost = a.przart.isNull() ? Amount() : common::toSingle(a.cost());
        const articles::CostWithVat cosiva(cost, Amount::whole(vat));
        const Amount price = common::toSingle(a.price());
        const QString desart = a.description();

        // The store article: through the chain supplier's price list, else
        // through the article table's chain code and supplier.
        qint64 priceListRow = 0;  // the chain supplier's price-list row, when there is one
        if (config.codfor_affil != 0 && !chainCode.trimmed().isEmpty()) {
            if (const auto row = st.priceLists.find(chainCode)) {
                priceListRow = row->rowid;
                if (!row->articleNull) storeCode = static_cast<qint32>(row->article);
            }
            boxes.detail(desart, cost, vat, price, storeCode);
            if (storeCode == 0) {
                if (st.byChainCode.first({chainCode, config.codfor_affil}) && !st.byChainCode.isNull("codart"))
                    storeCode = static_cast<qint32>(st.byChainCode.whole("codart"));
                st.byChainCode.finish();
            }
        }

        if (storeCode == 0) {
            ++boxes.created;
            boxes.showDetail();
            creo_art_nuovo(NewArticle{a, cosiva});
            ++run.summary.articlesCreated;
            done();
            continue;
        }

        ++boxes.found;

        // The article's own EAN codes in the chain.
        std::vector<QString> eans = st.chainBarcodes.eanTexts(a.codart);
        eans.erase(std::remove(eans.begin(), eans.end(), articles::kNoEan), eans.end());

        // Something new for the store's article: for an article of a group
        // kept out of price changes, an EAN code the store has not got yet;
        // for any other, a new price; for both, another chain code.
        const bool eanMissing = excluded && std::any_of(eans.begin(), eans.end(), [&](const QString& e) {
            return !st.storeEans.find(e);
        });
        const auto priceNew = [&](Amount oldPrice) { return !excluded && price != common::toSingle(oldPrice); };
        const auto nothingNew = [&](const QString& oldCodafo, Amount oldPrice) {
            return !eanMissing && !priceNew(oldPrice) && oldCodafo.trimmed() == chainCode.trimmed();
        };
        // Most found articles are decided from what the stage read at its start.
        if (const auto known = st.known.find(storeCode); known && nothingNew(known->codafo, known->przpub)) {
            done();
            continue;
        }

        QString oldCodafo;
        Amount oldPrice;
        bool priceChanged = false;
        if (st.article.first({storeCode})) {
            const qint64 rowid = st.article.whole("rowid");
            oldCodafo = st.article.text("codafo");
            oldPrice = st.article.amount("przpub");
            QVariant cobart = st.article.value("cobart"), cofart = st.article.value("cofart");
            QVariant przpub = st.article.value("przpub");
            const QVariant oldMarg = st.article.value("marg"), oldRicart = st.article.value("ricart");
            QVariant colore = st.article.value("colore");
            QVariant codrep = st.article.value("codrep"), desrep = st.article.value("desrep");
            QVariant quaco = st.article.value("quaco"), umquaco = st.article.value("umquaco");
            QVariant prztot = st.article.value("prztot");
            st.article.finish();

            if (cost != kPlaceholderCost) cobart = cofart = cost.toDouble();

            if (nothingNew(oldCodafo, oldPrice)) {
                done();
                continue;
            }
            priceChanged = priceNew(oldPrice);

            if (!excluded) przpub = price.toDouble();
            const QVariant marg = orOld(articles::margin(price, cosiva), oldMarg);
            const QVariant ricart = orOld(articles::markup(price, cosiva), oldRicart);
            if (a.typeTwo()) colore = 5;

            if (!a.codrep.isNull() && a.codrep.toLongLong() != 0) {
                if (const auto d = st.lookups.department(a.codrep.toLongLong())) {
                    desrep = *d;
                    codrep = a.codrep;
                }
            }

            const qint64 subgroup = a.codsot.isNull() ? 0 : a.codsot.toLongLong();
            QVariant group = a.codgru.isNull() ? QVariant(0) : a.codgru;
            QString subgroupText, groupText;
            if (subgroup != 0) {
                const Subgroup s = st.subgroupOf(subgroup);
                if (s.found && !s.description.isNull()) {
                    subgroupText = s.description.toString();
                    if (!s.group.isNull()) group = s.group;
                }
            }
            if (group.toLongLong() != 0) {
                const Group g = st.groupOf(group.toLongLong());
                if (g.found && !g.description.isNull()) groupText = g.description.toString();
            }
            if (groupText.isEmpty()) groupText = QStringLiteral(".");

            const Amount contents = Amount::fromDouble(a.pezzatura.toDouble());
            if (contents > Amount()) {
                quaco = a.pezzatura;
                umquaco = a.umconf;
                const Amount factor = st.lookups.unitFactor(a.umconf.toString());
                if (const auto perUnit = articles::pricePerUnit(price, contents, factor))
                    prztot = perUnit->toDouble();
            }

            if (saveArticles) {
                st.editArticle.execList({cobart, cofart, cosiva.stored(), przpub, marg, ricart, a.imbart, colore,
                                         desart, desart.left(30), desrep, codrep, subgroupText, subgroup,
                                         groupText, group, quaco, umquaco, prztot, vatCode, chainCode, todayValue,
                                         config.codfor_affil, config.supplierName, rowid});
                st.known.changed(storeCode);
            }
        } else {
            st.article.finish();
        }

        // The EAN codes: added or brought up to date, then the most recently
        // updated one is the article's first EAN.
        const QString supplier35 = config.supplierName.left(35);
        run.summary.eansWritten += static_cast<qint64>(eans.size());
        for (const QString& e : eans) {
            view.setText(Box::c2w, e);
            if (const auto rowid = st.storeEans.find(e)) {
                st.editEan.exec({storeCode, supplier35, desart.left(35), chainCode, price.toDouble(),
                                 price.toDouble(), priceChanged, todayValue, *rowid});
            } else {
                const QVariant eanPrice = excluded ? QVariant() : QVariant(price.toDouble());
                st.addEan.exec({e, storeCode, desart.left(35), supplier35, chainCode, eanPrice,
                                eanPrice, priceChanged && !excluded ? QVariant(QStringLiteral("S")) : QVariant(),
                                todayValue});
                st.storeEans.added(e, st.addEan.lastInsertId());
            }
        }
        st.rankEans.exec({storeCode, storeCode});

        // The chain supplier's price-list row (found above; nothing in between adds one),
        // brought up to date before the batch is committed.
        if (priceListRow != 0) {
            priceListEdits.add({priceListRow, desart, cost.toDouble(), chainCode, a.ivart, a.umart});
        } else {
            st.addPriceList.exec({storeCode, codlis, desart, cost.toDouble(), cost.toDouble(), chainCode, a.ivart,
                                  a.umart, config.supplierName, config.supplierName, config.codfor_affil, todayValue});
            st.priceLists.added(chainCode, st.addPriceList.lastInsertId(), storeCode);
        }

        db::LogRow log;
        if (!eans.empty()) log.ean = eans.back();
        log.tipoelaborazione = QStringLiteral("B");
        log.tipoagg = QStringLiteral("A");
        log.codart = storeCode;
        log.prezpubn = price;
        log.prezpubv = oldPrice;
        log.coston = cost;
        log.codafov = oldCodafo;
        log.codafon = chainCode;
        log.ivart = vatCode;
        log.desart = desart;
        run.log.append(log);
        ++run.summary.articlesUpdated;
        done();
    }
    priceListEdits.flush();
    unmarks.flush();
    batch.commit();

    view.setProgress(Bar::ProgressBar2, 0);
    view.setVisible(Bar::ProgressBar2, false);
}
