// Creating the store article of a chain article the store lacks.
#include "ChainArticleFixture.h"
#include "TestRoot.h"
#include "articles/ArticleRules.h"
#include "articles/creo_art_nuovo.h"

#include <gtest/gtest.h>

namespace {

articles::ChainArticle chainArticle(TestRoot& root, qint64 codart) {
    db::Query q = root.chain().prepare(QStringLiteral("SELECT ") + articles::ChainArticle::columns() +
                                       QStringLiteral(" FROM articolo WHERE codart = ?"));
    if (!q.first({codart})) throw std::runtime_error("no chain article");
    return articles::ChainArticle::read(q);
}

// Creates the article as the store update does, with the cost with VAT it
// works out; returns the store code.
qint32 create(TestRoot& root, ::Run& run, const ChainArticleRow& row) {
    row.insert(root);
    const articles::ChainArticle a = chainArticle(root, row.codart);
    return creo_art_nuovo(run, NewArticle{a, articles::CostWithVat(common::toSingle(a.cost()),
                                                                   common::Amount::whole(articles::vatRate(a.ivart)))});
}

}  // namespace

TEST(CreoArtNuovo, NewArticleWithPriceListHeaderAndEans) {
    TestRoot root;
    storeTables(root);
    ::Run& run = root.run();
    ChainArticleRow row;
    row.umart = QStringLiteral("CT");
    row.desart = QStringLiteral("PASTA DELL'ORTO 500G");
    row.eans = {QStringLiteral("8001234567890"), QStringLiteral("0000000000000")};
    create(root, run, row);

    db::Database& s = root.store();
    db::Query a = s.prepare(QStringLiteral("SELECT * FROM listi01"));
    ASSERT_TRUE(a.first());
    EXPECT_EQ(a.whole("codart"), 1);  // the first article of an empty store
    EXPECT_EQ(a.text("desart"), "PASTA DELL'ORTO 500G");
    EXPECT_EQ(a.text("descas"), "PASTA DELL'ORTO 500G");
    EXPECT_EQ(a.text("umart"), "PZ");
    EXPECT_EQ(a.text("ivart"), "22");
    EXPECT_EQ(a.text("codafo"), "000001234");
    EXPECT_EQ(a.whole("codfor"), 4321);
    EXPECT_DOUBLE_EQ(a.number("cosiva"), 12.2);
    EXPECT_DOUBLE_EQ(a.number("przart"), 12.2951);  // 15 / 1.22 to the ten-thousandth
    EXPECT_DOUBLE_EQ(a.number("prztot"), 30);
    EXPECT_DOUBLE_EQ(a.number("marg"), 18.67);
    EXPECT_DOUBLE_EQ(a.number("ricart"), 22.95);
    EXPECT_DOUBLE_EQ(a.number("cobart"), 10);
    EXPECT_DOUBLE_EQ(a.number("przpub"), 15);
    EXPECT_EQ(a.whole("annoco"), 2026);
    EXPECT_EQ(a.whole("tipart"), 1);
    EXPECT_EQ(a.whole("colore"), 1);
    EXPECT_EQ(a.text("fl2art"), " ");
    EXPECT_EQ(a.text("desrep"), "DROGHERIA");
    EXPECT_EQ(a.text("datreg"), "2026-12-08");
    EXPECT_DOUBLE_EQ(a.number("qgia"), 0);
    a.finish();

    db::Query l = s.prepare(QStringLiteral("SELECT * FROM listi02"));
    ASSERT_TRUE(l.first());
    EXPECT_EQ(l.whole("codart"), 1);
    EXPECT_EQ(l.text("codlis"), "004321");
    EXPECT_EQ(l.text("umart"), "PZ");
    EXPECT_EQ(l.text("ivart"), "22");
    EXPECT_EQ(l.text("dsclistino").size(), 45);
    l.finish();
    EXPECT_EQ(root.scalar(s, "SELECT dsclistino FROM fistini WHERE codlis = '004321'").toString(), "NELV DISTRIBUZIONE S");

    db::Query e = s.prepare(QStringLiteral("SELECT * FROM codean"));
    ASSERT_TRUE(e.first());
    EXPECT_EQ(e.text("eanare"), "8001234567890");
    EXPECT_EQ(e.whole("codare"), 1);
    EXPECT_DOUBLE_EQ(e.number("prezzox"), 15);
    EXPECT_EQ(e.whole("colare"), 1);
    EXPECT_EQ(e.text("aggi"), "A");
    EXPECT_EQ(e.text("primasecon"), "P");
    EXPECT_FALSE(e.next());  // the zero EAN is never copied
    e.finish();

    db::Query g = s.prepare(QStringLiteral("SELECT * FROM variatidivulgazioni"));
    ASSERT_TRUE(g.first());
    EXPECT_EQ(g.text("tipoagg"), "N");
    EXPECT_EQ(g.whole("codart"), 1);
    EXPECT_EQ(g.text("ean"), "8001234567890");
    EXPECT_DOUBLE_EQ(g.number("prezpubn"), 15);
    EXPECT_FALSE(g.next());
    g.finish();
    EXPECT_EQ(root.view.text("codartw"), "1");

    // The next one: the highest code plus 1, the header not added again.
    ChainArticleRow next;
    next.codart = 99;
    next.eans = {};
    create(root, run, next);
    EXPECT_EQ(root.scalar(s, "SELECT codart FROM listi01 WHERE codafo = '000000099'").toInt(), 2);
    EXPECT_EQ(root.count(s, "fistini"), 1);
    EXPECT_EQ(root.count(s, "variatidivulgazioni"), 1);  // no EAN, no log row
}

TEST(CreoArtNuovo, MarkupMarginAndPricePerUnitEdges) {
    TestRoot root;
    storeTables(root);
    ::Run& run = root.run();
    ChainArticleRow freeCost;  // cost 0: cost with VAT 0
    freeCost.codart = 1;
    freeCost.przart = 0.0;
    freeCost.eans = {};
    create(root, run, freeCost);
    ChainArticleRow noPrice;  // price 0, no piece size
    noPrice.codart = 2;
    noPrice.przpub = 0.0;
    noPrice.pezzatura = 0.0;
    noPrice.eans = {};
    create(root, run, noPrice);
    ChainArticleRow unknownUnit;
    unknownUnit.codart = 3;
    unknownUnit.umconf = QStringLiteral("XX");
    unknownUnit.eans = {};
    create(root, run, unknownUnit);

    db::Database& s = root.store();
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT ricart FROM listi01 WHERE codart = 1").toDouble(), 0);
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT marg FROM listi01 WHERE codart = 1").toDouble(), 100);
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT marg FROM listi01 WHERE codart = 2").toDouble(), 0);
    EXPECT_DOUBLE_EQ(root.scalar(s, "SELECT ricart FROM listi01 WHERE codart = 2").toDouble(), -100);
    EXPECT_TRUE(root.scalar(s, "SELECT prztot FROM listi01 WHERE codart = 2").isNull());
    EXPECT_TRUE(root.scalar(s, "SELECT prztot FROM listi01 WHERE codart = 3").isNull());
}

TEST(CreoArtNuovo, EansAlreadyInTheStoreAndStoreEans) {
    TestRoot root;
    storeTables(root);
    db::Database& s = root.store();
    root.exec(s, QStringLiteral("INSERT INTO codean (eanare, codare, desart, pezzix, codafo) VALUES ('8001234567890', 77, 'ALTRO', 3, 'X')"));
    ::Run& run = root.run();
    ChainArticleRow row;
    row.eans = {QStringLiteral("8001234567890"), QStringLiteral("2123456000000")};
    create(root, run, row);

    db::Query e = s.prepare(QStringLiteral("SELECT * FROM codean WHERE eanare = '8001234567890'"));
    ASSERT_TRUE(e.first());
    EXPECT_EQ(e.whole("codare"), 77);  // it keeps its article
    EXPECT_EQ(e.text("desart"), "ALTRO");
    EXPECT_EQ(e.text("codafo"), "000001234");
    EXPECT_DOUBLE_EQ(e.number("prezzo"), 15);
    EXPECT_DOUBLE_EQ(e.number("prezzox"), 45);
    EXPECT_EQ(e.text("flagean"), "S");
    e.finish();
    EXPECT_EQ(root.scalar(s, "SELECT colare FROM codean WHERE eanare = '2123456000000'").toInt(), 5);
    EXPECT_EQ(root.scalar(s, "SELECT colore FROM listi01 WHERE codart = 1").toInt(), 5);
    EXPECT_EQ(root.scalar(s, "SELECT group_concat(tipoagg, '') FROM variatidivulgazioni").toString(), "AN");
    // The new article's cost goes with its first row; the log clears it after each row.
    EXPECT_EQ(root.scalar(s, "SELECT group_concat(coston || '/' || prezpubn, ' ') FROM variatidivulgazioni")
                  .toString(),
              "10.0/15.0 0.0/15.0");
    EXPECT_EQ(root.scalar(s, "SELECT ean FROM variatidivulgazioni ORDER BY rowid DESC").toString(), "2123456000000");

    // Article type 2 alone also gives colour 5; other EANs do not.
    ChainArticleRow weighed;
    weighed.codart = 2;
    weighed.tipart = 2;
    weighed.eans = {QStringLiteral("8000000000002")};
    create(root, run, weighed);
    ChainArticleRow plain;
    plain.codart = 3;
    plain.eans = {QStringLiteral("8000000000003")};
    create(root, run, plain);
    EXPECT_EQ(root.scalar(s, "SELECT colore FROM listi01 WHERE codart = 2").toInt(), 5);
    EXPECT_EQ(root.scalar(s, "SELECT colore FROM listi01 WHERE codart = 3").toInt(), 1);
}

TEST(CreoArtNuovo, SupplierCodeAndPriceListRowsAlreadyThere) {
    TestRoot root(1234567);
    storeTables(root);
    db::Database& s = root.store();
    // Chain code 1234 is listed for store article 40, which exists; 555 is listed without article.
    root.exec(s, QStringLiteral("INSERT INTO listi02 (codart, codlis, codafo) VALUES (40, '123456', '000001234')"));
    root.exec(s, QStringLiteral("INSERT INTO listi01 (codart, desart) VALUES (40, 'ESISTENTE')"));
    root.exec(s, QStringLiteral("INSERT INTO listi02 (codart, codlis, codafo) VALUES (0, '123456', '000000555')"));
    ::Run& run = root.run();
    EXPECT_EQ(create(root, run, ChainArticleRow()), 40);
    EXPECT_EQ(root.scalar(s, "SELECT desart FROM listi01 WHERE codart = 40").toString(), "ESISTENTE");
    EXPECT_EQ(root.count(s, "listi01"), 1);
    EXPECT_EQ(root.scalar(s, "SELECT codare FROM codean").toInt(), 40);

    ChainArticleRow unlisted;
    unlisted.codart = 555;
    unlisted.eans = {};
    EXPECT_EQ(create(root, run, unlisted), 41);
    EXPECT_EQ(root.count(s, "listi02"), 2);  // nothing added
    EXPECT_EQ(root.scalar(s, "SELECT codlis FROM fistini").toString(), "123456");
    EXPECT_EQ(root.scalar(s, "SELECT codfor FROM listi01 WHERE codart = 41").toInt(), 1234567);
}

TEST(CreoArtNuovo, ArticleCodeAtTheTopOfTheRangeStopsTheRun) {
    TestRoot root;
    storeTables(root);
    root.exec(root.store(), QStringLiteral("INSERT INTO listi01 (codart) VALUES (2147483647)"));
    ::Run& run = root.run();
    EXPECT_THROW(create(root, run, ChainArticleRow()), RunError);
    EXPECT_EQ(root.count(root.store(), "listi02"), 0);
    EXPECT_EQ(root.count(root.store(), "codean"), 0);
}

// Prepared once for a stage, the creation keeps the highest article code
// itself: an article created under a code its price-list row gives raises it,
// and codes that are not whole numbers send it back to the table each time.
TEST(CreoArtNuovo, CodesOfArticlesCreatedOneAfterAnother) {
    struct Case {
        const char* name;
        QVariant existing;  // an article already in the store
        qint32 listed;      // the store article the first chain article's price-list row names
        std::vector<qint32> codes;
    };
    const std::vector<Case> cases = {
        {"listed above the highest", 50, 70, {70, 71, 72}},
        {"listed below the highest", 50, 40, {40, 51, 52}},
        {"listed at the top of the range", 50, 2147483647, {2147483647}},
        {"a code that is text", QStringLiteral("X"), 0, {1, 1, 1}},
        {"an empty store", QVariant(), 0, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestRoot root;
        storeTables(root);
        db::Database& s = root.store();
        if (c.existing.isValid()) root.exec(s, QStringLiteral("INSERT INTO listi01 (codart) VALUES (?)"), {c.existing});
        if (c.listed != 0)
            root.exec(s, QStringLiteral("INSERT INTO listi02 (codart, codlis, codafo) VALUES (?, '004321', '000000001')"),
                      {c.listed});
        ::Run& run = root.run();
        articles::ChainBarcodes chainBarcodes(root.chain());
        articles::StoreEans storeEans(s);
        articles::PriceListRows priceLists(s, run.config.priceListCode());
        articles::StoreLookups lookups(s);
        CreoArtNuovo creo(run, lookups, chainBarcodes, storeEans, priceLists);
        std::vector<qint32> codes;
        try {
            for (qint64 codart = 1; codart <= 3; ++codart) {
                ChainArticleRow row;
                row.codart = codart;
                row.eans = {};
                row.insert(root);
                const articles::ChainArticle a = chainArticle(root, codart);
                codes.push_back(creo(NewArticle{a, articles::CostWithVat(a.cost(), common::Amount::whole(22))}));
            }
        } catch (const RunError&) {
            // The range is used up: the run stops.
        }
        EXPECT_EQ(codes, c.codes);
    }
}
