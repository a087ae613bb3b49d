// Applying the marked chain articles to the store: prices, mark-up and margin,
// classification, EAN rows, the supplier price list and the log.
#include "../articles/ChainArticleFixture.h"
#include "TestRoot.h"
#include "catalogue/aggiorno_tutto.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

namespace {

// A store article filed under chain code 1234 of supplier 4321.
void storeArticle(TestRoot& root, qint32 codart = 50, const QString& codafo = QStringLiteral("000001234"),
                  double przpub = 14.0) {
    root.exec(root.store(),
              QStringLiteral("INSERT INTO listi01 (codart, desart, codafo, codfor, przpub, cobart, cofart, marg, "
                             "ricart, colore, prztot) VALUES (?, 'VECCHIA', ?, 4321, ?, 9, 9, 5, 6, 1, 7)"),
              {codart, codafo, przpub});
}

qint64 marked(TestRoot& root) { return root.count(root.chain(), "articolo", "artvariato = 'S'"); }

}  // namespace

TEST(StoreUpdate, WorkedExamplePricesClassificationAndLog) {
    TestRoot root;
    storeTables(root);
    storeArticle(root);
    ChainArticleRow().insert(root);
    ::Run& run = root.run();
    aggiorno_tutto(run);

    db::Query a = root.store().prepare(QStringLiteral("SELECT * FROM listi01 WHERE codart = 50"));
    ASSERT_TRUE(a.first());
    EXPECT_DOUBLE_EQ(a.number("cosiva"), 12.2);
    EXPECT_DOUBLE_EQ(a.number("marg"), 18.67);
    EXPECT_DOUBLE_EQ(a.number("ricart"), 22.95);
    EXPECT_DOUBLE_EQ(a.number("przpub"), 15);
    EXPECT_DOUBLE_EQ(a.number("cobart"), 10);
    EXPECT_DOUBLE_EQ(a.number("cofart"), 10);
    EXPECT_DOUBLE_EQ(a.number("prztot"), 30);  // 15 per 500 g = 30 per kg
    EXPECT_DOUBLE_EQ(a.number("quaco"), 500);
    EXPECT_EQ(a.text("umquaco"), "GR");
    EXPECT_EQ(a.text("ivart"), "22");
    EXPECT_EQ(a.text("desart"), "PASTA DI SEMOLA 500G");
    EXPECT_EQ(a.text("desrep"), "DROGHERIA");
    EXPECT_EQ(a.whole("codrep"), 2);
    EXPECT_EQ(a.text("dessot"), "PASTA SECCA");
    EXPECT_EQ(a.text("desgru"), "PASTA");
    EXPECT_EQ(a.text("codafo"), "000001234");
    EXPECT_EQ(a.text("datagg"), "2026-12-08");
    EXPECT_EQ(a.text("desfor").size(), 45);
    EXPECT_EQ(a.whole("colore"), 1);
    a.finish();

    db::Query e = root.store().prepare(QStringLiteral("SELECT * FROM codean WHERE eanare = '8001234567890'"));
    ASSERT_TRUE(e.first());
    EXPECT_EQ(e.whole("codare"), 50);
    EXPECT_DOUBLE_EQ(e.number("prezzo"), 15);
    EXPECT_EQ(e.text("sta_eti"), "S");  // the price changed: new shelf label
    EXPECT_EQ(e.text("primasecon"), "P");
    EXPECT_EQ(e.text("desfor").size(), 35);
    EXPECT_EQ(e.text("desfor").trimmed(), "NELV DISTRIBUZIONE SPA");
    e.finish();

    db::Query l = root.store().prepare(QStringLiteral("SELECT * FROM listi02"));
    ASSERT_TRUE(l.first());
    EXPECT_EQ(l.whole("codart"), 50);
    EXPECT_EQ(l.text("codlis"), "004321");
    EXPECT_DOUBLE_EQ(l.number("cobart"), 10);
    EXPECT_EQ(l.text("umart"), "PZ");
    l.finish();

    db::Query g = root.store().prepare(QStringLiteral("SELECT * FROM variatidivulgazioni"));
    ASSERT_TRUE(g.first());
    EXPECT_EQ(g.text("tipoelaborazione"), "B");
    EXPECT_EQ(g.text("tipoagg"), "A");
    EXPECT_EQ(g.whole("codart"), 50);
    EXPECT_DOUBLE_EQ(g.number("prezpubn"), 15);
    EXPECT_DOUBLE_EQ(g.number("prezpubv"), 14);
    EXPECT_DOUBLE_EQ(g.number("coston"), 10);
    EXPECT_EQ(g.text("codafon"), "000001234");
    EXPECT_EQ(g.text("ean"), "8001234567890");
    EXPECT_FALSE(g.next());

    EXPECT_EQ(marked(root), 0);
    EXPECT_EQ(root.view.text("cntaw"), "1");
    EXPECT_EQ(root.view.text("cntcw"), "0");
    EXPECT_FALSE(root.view.isVisible("ProgressBar2"));
}

TEST(StoreUpdate, WhatIsLeftAlone) {
    TestRoot root;
    storeTables(root);
    // 1234: placeholder cost 0.001, price changed.
    storeArticle(root, 50);
    ChainArticleRow placeholder;
    placeholder.przart = 0.001;
    placeholder.eans = {};
    placeholder.insert(root);
    // 2000: price 0, only unmarked.
    ChainArticleRow noPrice;
    noPrice.codart = 2000;
    noPrice.przpub = 0.0;
    noPrice.eans = {};
    noPrice.insert(root);
    // 3000: same price and chain code as the store has: not touched.
    storeArticle(root, 51, QStringLiteral("000003000"), 15.0);
    ChainArticleRow same;
    same.codart = 3000;
    same.eans = {QStringLiteral("8000000030000")};
    same.insert(root);
    // 4000: null price, only unmarked.
    ChainArticleRow nullPrice;
    nullPrice.codart = 4000;
    nullPrice.przpub = QVariant();
    nullPrice.eans = {QStringLiteral("8000000040000")};
    nullPrice.insert(root);

    aggiorno_tutto(root.run());
    db::Database& s = root.store();
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT cobart FROM listi01 WHERE codart = 50").toDouble(), 9);
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT cofart FROM listi01 WHERE codart = 50").toDouble(), 9);
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT przpub FROM listi01 WHERE codart = 50").toDouble(), 15);
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT cobart FROM listi02 WHERE codart = 50").toDouble(), 0.001);
    EXPECT_TRUE(root.scalar(s, "SELECT datagg FROM listi01 WHERE codart = 51").isNull());
    EXPECT_EQ(root.count(s, "codean"), 0);
    EXPECT_EQ(root.count(s, "listi01"), 2);  // nothing created for the articles without price
    EXPECT_EQ(root.count(s, "variatidivulgazioni"), 1);
    EXPECT_EQ(root.view.text("cntaw"), "2");
    EXPECT_EQ(root.view.text("cntcw"), "0");
    EXPECT_EQ(marked(root), 0);
}

TEST(StoreUpdate, ExcludedGroupKeepsTheStorePrice) {
    TestRoot root;
    storeTables(root);
    root.exec(root.store(), QStringLiteral("INSERT INTO gruppi (codgru, dscgruppo, codrep, escgruppo) VALUES (6, 'FRESCHI', '2', 1)"));
    storeArticle(root, 50);
    ChainArticleRow fresh;
    fresh.codgru = 6;
    fresh.codsot = 0;
    fresh.insert(root);
    // 3000 of the same group: its EAN is already in the store and its chain code
    // unchanged, so it is not touched.
    storeArticle(root, 51, QStringLiteral("000003000"), 20.0);
    root.exec(root.store(), QStringLiteral("INSERT INTO codean (eanare, codare, prezzo) VALUES ('8000000030000', 51, 20)"));
    ChainArticleRow known = fresh;
    known.codart = 3000;
    known.desart = QStringLiteral("AA PRIMO");
    known.eans = {QStringLiteral("8000000030000")};
    known.insert(root);

    aggiorno_tutto(root.run());
    db::Database& s = root.store();
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT przpub FROM listi01 WHERE codart = 50").toDouble(), 14);
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT marg FROM listi01 WHERE codart = 50").toDouble(), 18.67);
    EXPECT_EQ(root.scalar(s, "SELECT desgru FROM listi01 WHERE codart = 50").toString(), "FRESCHI");
    EXPECT_TRUE(root.scalar(s, "SELECT prezzo FROM codean WHERE codare = 50").isNull());
    EXPECT_TRUE(root.scalar(s, "SELECT sta_eti FROM codean WHERE codare = 50").isNull());
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT prezzo FROM codean WHERE codare = 51").toDouble(), 20);
    EXPECT_TRUE(root.scalar(s, "SELECT datagg FROM listi01 WHERE codart = 51").isNull());
    EXPECT_EQ(root.count(s, "variatidivulgazioni"), 1);
}

TEST(StoreUpdate, EanRowsEndWithOneFirstEan) {
    TestRoot root;
    storeTables(root);
    storeArticle(root, 50);
    db::Database& s = root.store();
    root.exec(s, QStringLiteral("INSERT INTO codean (eanare, codare, pezzix, primasecon, dataagg) VALUES ('8000000000001', 50, 2, 'P', '2026-01-01')"));
    root.exec(s, QStringLiteral("INSERT INTO codean (eanare, codare, pezzix, primasecon, dataagg) VALUES ('8000000000002', 50, 0, 'P', '2025-01-01')"));
    root.exec(s, QStringLiteral("INSERT INTO codean (eanare, codare, pezzix, primasecon, dataagg) VALUES ('8000000000004', 77, 1, 'P', '2025-01-01')"));
    ChainArticleRow a;
    a.eans = {QStringLiteral("8000000000003"), QStringLiteral("0000000000000"), QStringLiteral("8000000000001"),
              QStringLiteral("8000000000004")};
    a.insert(root);
    aggiorno_tutto(root.run());

    EXPECT_EQ(root.count(s, "codean", "codare = 50"), 4);  // 0004 taken over from article 77
    EXPECT_EQ(root.count(s, "codean", "codare = 50 AND primasecon = 'P'"), 1);
    EXPECT_EQ(root.count(s, "codean", "codare = 50 AND flagean = 'S'"), 4);
    EXPECT_EQ(root.count(s, "codean", "eanare = '0000000000000'"), 0);
    EXPECT_EQ(root.scalar(s, "SELECT pezzix FROM codean WHERE eanare = '8000000000002'").toInt(), 1);
    EXPECT_EQ(root.scalar(s, "SELECT primasecon FROM codean WHERE eanare = '8000000000002'").toString(), "S");
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT prezzox FROM codean WHERE eanare = '8000000000001'").toDouble(), 30);
    EXPECT_EQ(root.scalar(s, "SELECT ean FROM variatidivulgazioni").toString(), "8000000000004");
}

TEST(StoreUpdate, SwitchOffAndArticleKnownOnlyByPriceList) {
    TestRoot root;
    storeTables(root);
    root.exec(root.store(), QStringLiteral("INSERT INTO automa (codice, art1) VALUES (2, '1')"));
    storeArticle(root, 50);
    ChainArticleRow a;
    a.insert(root);
    // 5555: only a price-list row points at store article 60.
    root.exec(root.store(), QStringLiteral("INSERT INTO listi02 (codart, codlis, codafo, cobart) VALUES (60, '004321', ' 000005555 ', 1)"));
    ChainArticleRow b;
    b.codart = 5555;
    b.eans = {QStringLiteral("8000000055550")};
    b.insert(root);
    aggiorno_tutto(root.run());

    db::Database& s = root.store();
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT przpub FROM listi01 WHERE codart = 50").toDouble(), 14);  // art1 set
    EXPECT_EQ(root.scalar(s, "SELECT desart FROM listi01 WHERE codart = 50").toString(), "VECCHIA");
    EXPECT_EQ(root.scalar(s, "SELECT codare FROM codean WHERE eanare = '8001234567890'").toInt(), 50);
    EXPECT_EQ(root.count(s, "listi02", "codart = 50 AND cobart = 10"), 1);
    EXPECT_EQ(root.scalar(s, "SELECT codare FROM codean WHERE eanare = '8000000055550'").toInt(), 60);
    EXPECT_EQ(root.count(s, "listi02", "codart = 60"), 1);
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT cobart FROM listi02 WHERE codart = 60").toDouble(), 10);
    EXPECT_EQ(root.count(s, "listi01"), 1);  // no article created for 60
    EXPECT_EQ(root.count(s, "variatidivulgazioni", "tipoagg = 'A'"), 2);
    EXPECT_EQ(root.scalar(s, "SELECT prezpubv FROM variatidivulgazioni WHERE codart = 60").toDouble(), 0);
    EXPECT_EQ(root.view.text("cntaw"), "2");
}

TEST(StoreUpdate, MissingArticlesAreCreatedInDescriptionOrder) {
    TestRoot root;
    storeTables(root);
    ChainArticleRow z;
    z.codart = 1;
    z.desart = QStringLiteral("ZUCCHERO");
    z.eans = {QStringLiteral("8000000000011")};
    z.insert(root);
    ChainArticleRow w;  // no description nor VAT code: handled as empty and 0
    w.codart = 2;
    w.desart = nullValue();
    w.ivart = nullValue();
    w.eans = {QStringLiteral("8000000000022")};
    w.insert(root);
    ChainArticleRow b;
    b.codart = 3;
    b.desart = QStringLiteral("ACQUA");
    b.eans = {};
    b.insert(root);
    aggiorno_tutto(root.run());

    db::Database& s = root.store();
    EXPECT_EQ(root.scalar(s, "SELECT codart FROM listi01 WHERE codafo = '000000002'").toInt(), 1);
    EXPECT_EQ(root.scalar(s, "SELECT codart FROM listi01 WHERE codafo = '000000003'").toInt(), 2);
    EXPECT_EQ(root.scalar(s, "SELECT codart FROM listi01 WHERE codafo = '000000001'").toInt(), 3);
    EXPECT_EQ(root.scalar(s, "SELECT ivart FROM listi01 WHERE codart = 1").toString(), "00");
    EXPECT_EQ(root.count(s, "listi01", "codart = 1 AND desart = ''"), 1);
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT cosiva FROM listi01 WHERE codart = 1").toDouble(), 10);
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT cosiva FROM listi01 WHERE codart = 3").toDouble(), 12.2);
    EXPECT_EQ(root.count(s, "variatidivulgazioni", "tipoagg = 'N'"), 2);
    EXPECT_EQ(root.view.text("cntcw"), "3");
    EXPECT_EQ(root.view.text("cntaw"), "0");
    EXPECT_EQ(marked(root), 0);
}

// The marked articles are read a block at a time; across the blocks they are
// still applied in description order (code breaking ties), each once, so the
// new store codes follow that order whatever the order of the chain's rows.
TEST(StoreUpdate, ManyMissingArticlesAreCreatedInDescriptionOrder) {
    TestRoot root;
    storeTables(root);
    constexpr int kArticles = 2500;
    std::vector<std::pair<QString, qint64>> order;  // description, chain code
    {
        db::Transaction unit(root.chain());
        for (int i = 0; i < kArticles; ++i) {
            ChainArticleRow a;
            a.codart = kArticles - i;  // rows in reverse order of code
            // Descriptions scattered over the codes, each shared by two articles.
            a.desart = QStringLiteral("ARTICOLO %1").arg(i * 7919 % kArticles / 2, 4, 10, QLatin1Char('0'));
            a.eans = {};
            a.insert(root);
            order.emplace_back(a.desart.toString(), a.codart);
        }
        unit.commit();
    }
    std::sort(order.begin(), order.end());
    aggiorno_tutto(root.run());

    db::Database& s = root.store();
    db::Query created = s.prepare(QStringLiteral("SELECT codafo, codart FROM listi01"));
    created.exec();
    std::map<qint64, qint64> codeOf;  // chain code -> store code
    while (created.next()) codeOf[created.text("codafo").toLongLong()] = created.whole("codart");
    ASSERT_EQ(codeOf.size(), size_t(kArticles));
    for (size_t k = 0; k < order.size(); ++k)
        ASSERT_EQ(codeOf[order[k].second], qint64(k) + 1) << order[k].first.toStdString();
    EXPECT_EQ(marked(root), 0);
}

// The price-list rows are read once for the stage; a row the stage adds must
// be found by a later article of the same run. A chain whose data repeats an
// article code gives two marked articles with one chain code: the second
// finds the store article and price-list row the first one led to.
TEST(StoreUpdate, PriceListRowAddedEarlierInTheRunIsFound) {
    struct Case {
        const char* name;
        bool inStore;  // the store has the article (by chain code and supplier), without a price-list row
        double second;  // the price of the second chain article with the same code
    };
    for (const Case& c : {Case{"both new", false, 16}, Case{"known only by the article table", true, 16},
                          // Back to the store's price of before the run: new again after the first.
                          Case{"the price before the run", true, 14}}) {
        SCOPED_TRACE(c.name);
        TestRoot root;
        storeTables(root);
        if (c.inStore) storeArticle(root, 50);
        root.exec(root.chain(), QStringLiteral("DROP INDEX IF EXISTS articolo_codart"));
        int n = 0;
        for (const double price : {15.0, c.second}) {  // the second has something new for the store
            ChainArticleRow a;
            a.desart = QStringLiteral("PASTA %1").arg(++n);
            a.przpub = price;
            a.eans = {};
            a.insert(root);
        }
        aggiorno_tutto(root.run());

        db::Database& s = root.store();
        EXPECT_EQ(root.count(s, "listi01"), 1);
        EXPECT_EQ(root.count(s, "listi02", "trim(codafo) = '000001234'"), 1);
        EXPECT_EQ(root.view.text("cntcw"), c.inStore ? "0" : "1");
        EXPECT_EQ(root.view.text("cntaw"), c.inStore ? "2" : "1");
        EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT przpub FROM listi01").toDouble(), c.second);
        EXPECT_EQ(marked(root), 0);
    }
}

// An article that takes another chain code leaves its old one: a later chain
// article of the old code no longer finds it, and gets an article of its own.
TEST(StoreUpdate, AnArticleThatTakesAnotherChainCodeIsNoLongerFoundByTheOld) {
    TestRoot root;
    storeTables(root);
    storeArticle(root, 50, QStringLiteral("000007777"));
    root.exec(root.store(), QStringLiteral("INSERT INTO listi02 (codart, codlis, codafo) "
                                           "VALUES (50, '004321', '000001234')"));
    for (const qint64 code : {1234, 7777}) {  // 1234 first: its price-list row leads to article 50
        ChainArticleRow a;
        a.codart = code;
        a.desart = QStringLiteral("PASTA %1").arg(code);
        a.eans = {};
        a.insert(root);
    }
    aggiorno_tutto(root.run());

    db::Database& s = root.store();
    EXPECT_EQ(root.scalar(s, "SELECT codafo FROM listi01 WHERE codart = 50").toString(), "000001234");
    EXPECT_EQ(root.count(s, "listi01"), 2);
    EXPECT_EQ(root.count(s, "listi01", "codart <> 50 AND trim(codafo) = '000007777'"), 1);
}

// The price-list row of a chain code met twice in a run (a chain that repeats
// an article code) ends with the values of the second.
TEST(StoreUpdate, APriceListRowMetTwiceEndsWithTheLastValues) {
    TestRoot root;
    storeTables(root);
    storeArticle(root, 50);
    root.exec(root.store(), QStringLiteral("INSERT INTO listi02 (codart, codlis, codafo, cobart) "
                                           "VALUES (50, '004321', '000001234', 1)"));
    root.exec(root.chain(), QStringLiteral("DROP INDEX IF EXISTS articolo_codart"));
    for (const double cost : {2.5, 3.5}) {
        ChainArticleRow a;
        a.desart = QStringLiteral("PASTA %1").arg(cost);
        a.przart = cost;
        a.przpub = 14.0 + cost;
        a.eans = {};
        a.insert(root);
    }
    aggiorno_tutto(root.run());

    db::Database& s = root.store();
    EXPECT_EQ(root.count(s, "listi02"), 1);
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT cobart FROM listi02").toDouble(), 3.5);
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT cofart FROM listi02").toDouble(), 3.5);
    EXPECT_EQ(root.count(s, "variatidivulgazioni", "tipoagg = 'A'"), 2);
}

// The store's EAN rows are read once for the stage as well: an EAN the stage
// adds for one article is found, and brought up to date, for a later article
// of the same run with the same EAN (a chain that repeats an article code).
TEST(StoreUpdate, EanAddedEarlierInTheRunIsFound) {
    struct Case {
        const char* name;
        bool inStore;  // the store has the article: both are updates, else the first is created
    };
    for (const Case& c : {Case{"created, then updated", false}, Case{"updated twice", true}}) {
        SCOPED_TRACE(c.name);
        TestRoot root;
        storeTables(root);
        if (c.inStore) storeArticle(root, 50);
        root.exec(root.chain(), QStringLiteral("DROP INDEX IF EXISTS articolo_codart"));
        root.exec(root.chain(), QStringLiteral("DROP INDEX IF EXISTS codean_eanare"));
        for (const double price : {15.0, 16.0}) {
            ChainArticleRow a;
            a.desart = QStringLiteral("PASTA %1").arg(price);
            a.przpub = price;
            a.eans = {QStringLiteral("8001234567890")};
            a.insert(root);
        }
        aggiorno_tutto(root.run());

        db::Database& s = root.store();
        EXPECT_EQ(root.count(s, "codean"), 1);
        EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT prezzo FROM codean").toDouble(), 16);
        EXPECT_EQ(root.scalar(s, "SELECT codare FROM codean").toInt(), c.inStore ? 50 : 1);
        EXPECT_EQ(marked(root), 0);
    }
}

// The marks of the applied articles are cleared a hundred at a time: whatever
// the number of marked articles, each is applied once and none stays marked.
TEST(StoreUpdate, EveryMarkClearedWhateverTheCount) {
    for (const int count : {1, 99, 100, 1050}) {
        SCOPED_TRACE(count);
        TestRoot root;
        storeTables(root);
        {
            db::Transaction unit(root.chain());
            for (int i = 1; i <= count; ++i) {
                ChainArticleRow a;
                a.codart = i;
                a.przpub = i % 10 == 0 ? 0.0 : 15.0;  // some only unmarked
                a.eans = {};
                a.insert(root);
            }
            unit.commit();
        }
        aggiorno_tutto(root.run());
        EXPECT_EQ(marked(root), 0);
        EXPECT_EQ(root.count(root.store(), "listi01"), count - count / 10);
        EXPECT_EQ(root.view.text("cntcw"), QString::number(count - count / 10));
    }
}

// The boxes end showing the last article applied and the counts, as if set
// for every article: its description, cost, VAT, price and the store code
// known when it was shown (before the article table was asked), or the code
// of a new article as its creation showed it.
TEST(StoreUpdate, BoxesEndWithTheLastArticle) {
    struct Case {
        const char* name;
        const char* lastDescription;  // of the chain article applied last
        qint32 codforAffil;
        std::map<std::string, QString> boxes;
    };
    const std::vector<Case> cases = {
        {"last one found", "ZZ", 4321,
         {{"c3w", "ZZ"}, {"c4w", "10"}, {"c5w", "22"}, {"c6w", "15"}, {"codartw", "0"}, {"cntaw", "1"},
          {"cntcw", "1"}}},
        {"last one created", "AA", 4321,
         {{"c3w", "PASTA DI SEMOLA 500G"}, {"c4w", "10"}, {"c5w", "22"}, {"c6w", "15"}, {"codartw", "51"},
          {"cntaw", "1"}, {"cntcw", "1"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestRoot root(c.codforAffil);
        storeTables(root);
        storeArticle(root, 50, QStringLiteral("000007777"));
        ChainArticleRow known;  // found through the article table
        known.codart = 7777;
        known.desart = QString::fromLatin1(c.lastDescription);
        known.eans = {};
        known.insert(root);
        ChainArticleRow fresh;  // created
        fresh.eans = {};
        fresh.insert(root);
        aggiorno_tutto(root.run());
        for (const auto& [box, text] : c.boxes) EXPECT_EQ(root.view.text(box.c_str()), text) << box;
    }
}
