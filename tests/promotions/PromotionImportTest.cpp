#include "PromotionFixture.h"

#include "common/Numbers.h"

#include <QLocale>

namespace {

using Promotions = PromotionFixture;

TEST_F(Promotions, ArticleWithThreeChainBarcodesBecomesOneOfferLinePerStoreBarcode) {
    addChainArticle(123, QStringLiteral("FROLLINI NELV 350G"), {8000000000011, 8000000000012, 8000000000013});
    addStoreArticle(500, 123, {8000000000011, 8000000000013});
    ASSERT_TRUE(runPromotions({oft(12, QStringLiteral("NATALE")), ofd(12, 1, 123, 1.99)}));

    db::Database& s = root.store();
    db::Query h = s.prepare(QStringLiteral(
        "SELECT codutente, Anno, dataor, dsccliente, cliente, Data1, Data2, tipo, sel FROM locte WHERE Numero = 12"));
    ASSERT_TRUE(h.first());
    EXPECT_EQ(h.whole("Anno"), 2026);
    EXPECT_EQ(h.text("dataor"), "2026-12-08");
    EXPECT_EQ(h.text("dsccliente"), "NATALE");
    EXPECT_EQ(h.whole("cliente"), 1);
    EXPECT_EQ(h.text("Data1"), "2026-12-10");
    EXPECT_EQ(h.text("Data2"), "2026-12-24");
    EXPECT_EQ(h.text("tipo"), "P");
    EXPECT_EQ(h.text("sel"), "X");

    db::Query l = s.prepare(QStringLiteral("SELECT * FROM locmo ORDER BY bns"));
    l.exec();
    QStringList eans;
    while (l.next()) {
        eans << QString::number(l.whole("bns")) + QLatin1Char(':') + l.text("eanrig");
        EXPECT_EQ(l.whole("bnumer"), 12);
        EXPECT_EQ(l.whole("bannoc"), 2026);
        EXPECT_EQ(l.whole("articoli"), 500);
        EXPECT_DOUBLE_EQ(l.number("przpro"), 1.99);
        EXPECT_EQ(l.whole("codpro"), 1);
        EXPECT_EQ(l.text("taglia"), "TAGLIO PREZZO");
        EXPECT_DOUBLE_EQ(l.number("sconto"), 0);
        EXPECT_DOUBLE_EQ(l.number("marg"), 40);  // (2.50 - 1.50) / 2.50
        EXPECT_DOUBLE_EQ(l.number("imballo"), 12);
        EXPECT_DOUBLE_EQ(l.number("prezzo"), 1.3);
        EXPECT_DOUBLE_EQ(l.number("costof"), 1.5);
        EXPECT_DOUBLE_EQ(l.number("cosmp"), 1.45);
        EXPECT_DOUBLE_EQ(l.number("przpub"), 2.5);
        EXPECT_EQ(l.text("iva"), "10");
        EXPECT_EQ(l.text("unitam"), "PZ");
        EXPECT_EQ(l.text("codafo"), "000000123");
        EXPECT_EQ(l.text("descrizione"), "BISCOTTI FROLLINI");
        EXPECT_EQ(l.text("desfor"), common::padCut(QStringLiteral("NELV DISTRIBUZIONE SPA"), 45));
        EXPECT_EQ(l.text("desgru"), "DOLCIARIO");
        EXPECT_EQ(l.whole("ric"), 25);
        EXPECT_EQ(l.text("tipmov"), "AR");
        EXPECT_EQ(l.text("bflag2"), ".");
        EXPECT_TRUE(l.isNull("codrep"));
    }
    EXPECT_EQ(eans, QStringList({"1:8000000000011", "2:8000000000013"}));
    EXPECT_EQ(root.view.text("cntpw"), "1");
    EXPECT_EQ(root.view.text("CNTcPW"), "1");

    // The offer document of the promotion.
    db::Query d = s.prepare(QStringLiteral("SELECT * FROM offte"));
    ASSERT_TRUE(d.first());
    EXPECT_EQ(d.whole("numero"), 42);
    EXPECT_EQ(d.whole("anno"), 2026);
    EXPECT_EQ(d.text("dsccliente"), "NATALE Nr. 12");
    EXPECT_EQ(d.whole("numpronelv"), 12);
    EXPECT_EQ(d.text("stato"), "P");
    EXPECT_EQ(d.whole("cliente"), 0);
    EXPECT_EQ(d.text("data1"), "2026-12-10");
    EXPECT_EQ(d.text("data2"), "2026-12-24");
    EXPECT_EQ(scalar(QStringLiteral("SELECT ultnum FROM numeri WHERE anno = 2026")).toInt(), 42);
    db::Query m = s.prepare(QStringLiteral("SELECT * FROM offmo ORDER BY bns"));
    m.exec();
    int lines = 0;
    while (m.next()) {
        ++lines;
        EXPECT_EQ(m.whole("bnumer"), 42);
        EXPECT_EQ(m.whole("bns"), lines);
        EXPECT_DOUBLE_EQ(m.number("cosmp"), 1.4);    // the listing's cobart
        EXPECT_DOUBLE_EQ(m.number("costof"), 1.5);   // the listing's cofart
        EXPECT_DOUBLE_EQ(m.number("cosoff"), 1.5);   // the staged cost
        EXPECT_DOUBLE_EQ(m.number("marg"), 33);      // the listing's margin
        EXPECT_EQ(m.whole("codrep"), 4);
        EXPECT_DOUBLE_EQ(m.number("przpro"), 1.99);
        EXPECT_TRUE(m.isNull("soglia"));  // offer code 1 is not in offtab
    }
    EXPECT_EQ(lines, 2);
    db::Query log = s.prepare(QStringLiteral("SELECT * FROM variatidivulgazioni"));
    ASSERT_TRUE(log.first());
    EXPECT_EQ(log.text("tipoelaborazione"), "A");
    EXPECT_EQ(log.text("tipoagg"), "P");
    EXPECT_EQ(log.whole("numpro"), 12);
    EXPECT_EQ(log.text("desart"), "NATALE Nr. 12");
    EXPECT_EQ(log.text("datain"), "2026-12-10");
    EXPECT_EQ(log.text("datafi"), "2026-12-24");
    EXPECT_FALSE(log.next());
    EXPECT_EQ(root.view.text("e9w"), "12");
    EXPECT_EQ(root.view.text("e10w"), "NATALE Nr. 12");
    EXPECT_TRUE(root.view.messages.isEmpty());
}

TEST_F(Promotions, SwitchedOffOrWithoutChainDatabaseStagesNothing) {
    db::Database& s = root.store();
    root.exec(s, QStringLiteral("INSERT INTO locte (codutente, Numero, Anno, sel) VALUES (1, 3, 2026, 'X')"));
    root.exec(s, QStringLiteral("INSERT INTO locmo (bnumer, bannoc, bns, przpro) VALUES (3, 2026, 1, 1)"));

    // Without the chain database the stage leaves everything as it is.
    {
        TestRoot noChain;
        noChain.writeChainFile({oft(12, QStringLiteral("NATALE"))});
        noChain.exec(noChain.store(), QStringLiteral("INSERT INTO locte (codutente, Numero, Anno) VALUES (1, 3, 2026)"));
        const std::optional<common::ChainFile> file = common::ChainFile::load(noChain.paths().chainFile());
        ::Run& r = noChain.run();
        QFile::remove(noChain.paths().chainDb());
        chainfile::LineErrors errors;
        EXPECT_FALSE(ElaboraPromozioni(r, *file, kYear, errors));
        EXPECT_EQ(noChain.count(noChain.store(), QStringLiteral("locte")), 1);
    }

    // Switched off: the staging is emptied and no document is made, not even
    // the checks of the document type run.
    root.exec(s, QStringLiteral("DELETE FROM tipodoc"));
    root.exec(s, QStringLiteral("INSERT INTO automa (codice, art1, art2, art3) VALUES (2, '', '1', '')"));
    addChainArticle(123, QStringLiteral("FROLLINI"), {8000000000011});
    addStoreArticle(500, 123, {8000000000011});
    ASSERT_TRUE(runPromotions({oft(12, QStringLiteral("NATALE")), ofd(12, 1, 123, 1.99)}));
    EXPECT_EQ(count(QStringLiteral("locte")), 0);
    EXPECT_EQ(count(QStringLiteral("locmo")), 0);
    EXPECT_EQ(count(QStringLiteral("offte")), 0);
    EXPECT_TRUE(root.view.messages.isEmpty());
}

TEST_F(Promotions, RepeatedHeaderAndLinesBeforeAnyHeader) {
    addChainArticle(1, QStringLiteral("A"), {8000000000011});
    addChainArticle(2, QStringLiteral("B"), {8000000000022});
    addStoreArticle(501, 1, {8000000000011});
    addStoreArticle(502, 2, {8000000000022});
    ASSERT_TRUE(runPromotions({
        ofd(9, 1, 1, 1.00),  // before any header: staged, but no document follows
        oft(7, QStringLiteral("PRIMA")),
        ofd(7, 1, 1, 1.10),
        oft(7, QStringLiteral("PRIMA BIS")),
        ofd(7, 1, 2, 1.20),
    }));
    EXPECT_EQ(count(QStringLiteral("locte")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT dsccliente FROM locte")).toString(), "PRIMA");
    EXPECT_EQ(scalar(QStringLiteral("SELECT group_concat(bns || '/' || articoli, ' ') FROM "
                                    "(SELECT bns, articoli FROM locmo WHERE bnumer = 7 ORDER BY bns)"))
                  .toString(),
              "1/501 2/502");
    EXPECT_EQ(count(QStringLiteral("locmo"), QStringLiteral("bnumer = 9 AND bns = 1 AND bannoc = 2026")), 1);
    EXPECT_EQ(count(QStringLiteral("offte")), 1);
    EXPECT_EQ(count(QStringLiteral("offmo")), 2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT ultnum FROM numeri WHERE anno = 2026")).toInt(), 42);
}

TEST_F(Promotions, PercentDiscountFindsOrCreatesItsOfferOnce) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));  // a comma-decimal system
    addChainArticle(1, QStringLiteral("A"), {8000000000011});
    addStoreArticle(501, 1, {8000000000011}, 3.2);
    addChainArticle(2, QStringLiteral("B"), {8000000000022});
    addStoreArticle(502, 2, {8000000000022});
    addChainArticle(3, QStringLiteral("C"), {8000000000033});
    addStoreArticle(503, 3, {8000000000033});

    // An empty offer table: offer code 1, the discount is still carried, the
    // price is the regular one.
    ASSERT_TRUE(runPromotions({oft(1, QStringLiteral("SCONTI")), ofd(1, 10, 1, 15)}));
    EXPECT_EQ(count(QStringLiteral("offtab")), 0);
    db::Query l = root.store().prepare(QStringLiteral("SELECT codpro, sconto, scopro, przpro, taglia FROM locmo"));
    ASSERT_TRUE(l.first());
    EXPECT_EQ(l.whole("codpro"), 1);
    EXPECT_DOUBLE_EQ(l.number("sconto"), 15);
    EXPECT_DOUBLE_EQ(l.number("scopro"), 15);
    EXPECT_DOUBLE_EQ(l.number("przpro"), 3.2);
    EXPECT_EQ(l.text("taglia"), "TAGLIO PREZZO");
    l.finish();

    db::Database& s = root.store();
    root.exec(s, QStringLiteral("DELETE FROM offte"));
    root.exec(s, QStringLiteral("DELETE FROM offmo"));
    root.exec(s, QStringLiteral("INSERT INTO offtab (codice, descrizione, sconto, soglia, omaggio) "
                                "VALUES (1, 'TAGLIO PREZZO', 0, 0, 0), (3, 'SCONTO 10%', 10, 5, 1)"));
    const QList<QByteArray> file = {oft(2, QStringLiteral("SCONTI")), ofd(2, 10, 1, 12.5), ofd(2, 10, 2, 10),
                                    ofd(2, 0, 3, 0.99)};
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(runPromotions(file));
        EXPECT_EQ(count(QStringLiteral("offtab")), 3);
        EXPECT_EQ(scalar(QStringLiteral("SELECT descrizione FROM offtab WHERE codice = 4")).toString(),
                  "SCONTO 12,5%");
        EXPECT_DOUBLE_EQ(scalar(QStringLiteral("SELECT sconto FROM offtab WHERE codice = 4")).toDouble(), 12.5);
        EXPECT_EQ(scalar(QStringLiteral("SELECT group_concat(codpro || ' ' || taglia, '|') FROM "
                                        "(SELECT codpro, taglia FROM locmo ORDER BY bns)"))
                      .toString(),
                  "4 SCONTO 12,5%|3 SCONTO 10%|3 SCONTO 10%");  // kind 0 keeps the offer before
    }
    // The offer document takes threshold, gift and discount from offtab.
    db::Query m = s.prepare(QStringLiteral("SELECT sconto, scopro, soglia, omaggio, taglia FROM offmo WHERE bns = 2"));
    ASSERT_TRUE(m.first());
    EXPECT_DOUBLE_EQ(m.number("sconto"), 10);
    EXPECT_DOUBLE_EQ(m.number("scopro"), 10);
    EXPECT_DOUBLE_EQ(m.number("soglia"), 5);
    EXPECT_DOUBLE_EQ(m.number("omaggio"), 1);
    EXPECT_EQ(m.text("taglia"), "SCONTO 10%");
    QLocale::setDefault(before);
}

TEST_F(Promotions, PercentDiscountOffersEachStoreArticleAtItsOwnPrice) {
    // One chain article whose two barcodes the store files under two articles.
    addChainArticle(1, QStringLiteral("A"), {8000000000011, 8000000000028});
    addStoreArticle(501, 1, {8000000000011}, 10.0);
    addStoreArticle(502, 1, {8000000000028}, 8.0);
    ASSERT_TRUE(runPromotions({oft(1, QStringLiteral("SCONTI")), ofd(1, 10, 1, 20), ofd(1, 1, 1, 6.49)}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT group_concat(articoli || '=' || przpro, ' ') FROM "
                                    "(SELECT articoli, przpro FROM locmo ORDER BY bns)"))
                  .toString(),
              "501=10.0 502=8.0 501=6.49 502=6.49");  // a price cut is the same for both
}

TEST_F(Promotions, UnmatchedArticlesAreLoggedAndChainCodeFindsTheStoreArticle) {
    addChainArticle(200, QStringLiteral("PANETTONE NELV 1KG"), {8000000000021});  // store lacks it
    addChainArticle(300, QStringLiteral("PANDORO NELV 1KG"), {8000000000031});
    addStoreArticle(700, 300, {8000000000099});  // known by the chain code, under its own barcode
    ASSERT_TRUE(runPromotions({
        oft(5, QStringLiteral("DOLCI DI NATALE")),
        RecordBuilder("OFD").num(rec::ofd::number, 5).num(rec::ofd::offerKind, 1).amount(rec::ofd::value, 2.5),
        ofd(5, 1, 200, 3.99),
        ofd(5, 1, 300, 4.99),
    }));

    db::Query log = root.store().prepare(QStringLiteral(
        "SELECT * FROM variatidivulgazioni WHERE tipoelaborazione = 'P' ORDER BY rowid"));
    ASSERT_TRUE(log.first());
    EXPECT_EQ(log.text("tipoagg"), "E");
    EXPECT_EQ(log.text("desart"), "*** CODICE ARTICOLO NON TROVATO SU * NELV * ");
    EXPECT_TRUE(log.isNull("desrep"));
    EXPECT_EQ(log.text("codafon"), "");
    EXPECT_EQ(log.text("ean"), QString(13, QLatin1Char(' ')));
    EXPECT_EQ(log.text("despro"), "DOLCI DI NATALE");
    EXPECT_EQ(log.text("umart"), " ");
    EXPECT_EQ(log.whole("numpro"), 5);
    EXPECT_EQ(log.text("datain"), "2026-12-10");
    EXPECT_DOUBLE_EQ(log.number("prezpubn"), 2.5);
    ASSERT_TRUE(log.next());
    EXPECT_EQ(log.text("desart"), "PANETTONE NELV 1KG");
    EXPECT_EQ(log.text("desrep"), "EAN NON SU * QUARN *");
    EXPECT_EQ(log.text("codafon"), "000000200");
    EXPECT_EQ(log.text("ean"), "8000000000021");
    EXPECT_DOUBLE_EQ(log.number("prezpubn"), 3.99);
    EXPECT_FALSE(log.next());
    log.finish();

    EXPECT_EQ(root.view.text("cntpw"), "3");
    EXPECT_EQ(root.view.text("cntAPw"), "2");
    EXPECT_EQ(root.view.text("CNTcPW"), "1");
    db::Query l = root.store().prepare(QStringLiteral("SELECT articoli, eanrig, przpro FROM locmo"));
    ASSERT_TRUE(l.first());
    EXPECT_EQ(l.whole("articoli"), 700);
    EXPECT_EQ(l.text("eanrig"), "8000000000099");
    EXPECT_DOUBLE_EQ(l.number("przpro"), 4.99);
    EXPECT_FALSE(l.next());
}

TEST_F(Promotions, GValueReplacesThePriceAndRepeatsThePreviousLine) {
    addChainArticle(1, QStringLiteral("A"), {8000000000011});
    addStoreArticle(501, 1, {8000000000011});
    ASSERT_TRUE(runPromotions({
        oft(3, QStringLiteral("G")),
        RecordBuilder("OFD")
            .set(rec::gval::mark, QStringLiteral("G"))
            .num(rec::ofd::number, 3)
            .num(rec::ofd::offerKind, 1)
            .num(rec::ofd::chainCode, 1)
            .amount(rec::ofd::value, 9.99)
            .amount(rec::gval::value, 1.49),
        RecordBuilder("XYZ").set(rec::gval::mark, QStringLiteral("G")).amount(rec::gval::value, 0.99),
        RecordBuilder("DIE").set(rec::gval::mark, QStringLiteral("G")).amount(rec::gval::value, 0.5),
    }));
    EXPECT_EQ(scalar(QStringLiteral("SELECT group_concat(bns || '=' || przpro, ' ') FROM "
                                    "(SELECT bns, przpro FROM locmo ORDER BY bns)"))
                  .toString(),
              "1=1.49 2=0.99");
    EXPECT_EQ(root.view.text("cntpw"), "1");  // the repeated value is not a new line
    // The same barcode again in the document is not written twice.
    EXPECT_EQ(count(QStringLiteral("offmo")), 1);
    EXPECT_DOUBLE_EQ(scalar(QStringLiteral("SELECT przpro FROM offmo")).toDouble(), 1.49);
}

TEST_F(Promotions, MalformedRecordsAreNamedAndLeftOut) {
    addChainArticle(1, QStringLiteral("A"), {8000000000011});
    addStoreArticle(501, 1, {8000000000011});
    ASSERT_TRUE(runPromotions({
        oft(4, QStringLiteral("BUONA")),
        RecordBuilder("OFD").raw(rec::ofd::number, "12A45").num(rec::ofd::chainCode, 1).amount(rec::ofd::value, 1),
        oft(6, QStringLiteral("DATA ERRATA"), QDate(2026, 12, 1)).replace(85, 8, "20261340"),
        RecordBuilder("OFD").num(rec::ofd::number, 4).num(rec::ofd::offerKind, 1).num(rec::ofd::chainCode, 1)
            .set(rec::ofd::value, QStringLiteral("1,99")),
        ofd(4, 1, 1, 2.49),
    }));
    ASSERT_EQ(root.view.messages.size(), 1);
    const QString m = root.view.messages.first();
    EXPECT_TRUE(m.contains(QStringLiteral("riga 2, record OFD: campo numero promozione \"12A45\""))) << m.toStdString();
    EXPECT_TRUE(m.contains(QStringLiteral("riga 3, record OFT: campo data inizio \"20261340\""))) << m.toStdString();
    EXPECT_TRUE(m.contains(QStringLiteral("riga 4, record OFD: campo valore"))) << m.toStdString();
    EXPECT_EQ(count(QStringLiteral("locte")), 1);
    // Only the good line is staged: the unreadable price is never carried.
    EXPECT_EQ(scalar(QStringLiteral("SELECT group_concat(bns || '=' || przpro) FROM locmo")).toString(), "1=2.49");
}

}  // namespace

TEST_F(Promotions, WindowShowsTheStoredSellingPrice) {
    // 8.09 held in single precision is 8.09000015258789 as a double: the box shows 8,09.
    addChainArticle(123, QStringLiteral("FROLLINI NELV 350G"), {8000000000011});
    addStoreArticle(500, 123, {8000000000011}, 8.09, 5.5);
    root.writeChainFile({oft(12, QStringLiteral("NATALE")), ofd(12, 1, 123, 6.99)});
    HistoryView view;
    runPromotionsShowing(view);
    EXPECT_EQ(view.history.value("e6w").first(), QStringLiteral("8,09"));
    EXPECT_EQ(view.history.value("e4w").first(), QStringLiteral("5,5"));
}
