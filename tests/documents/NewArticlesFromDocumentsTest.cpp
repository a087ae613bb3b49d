#include "DocumentFixture.h"
#include "articles/creo_art_nuovo_forni.h"

namespace {

class NewArticlesFromDocumentsTest : public DocumentFixture {
protected:
    // A staged line as the document import leaves it.
    void stage(int bns, QVariant codart, const QString& codafo, double prezpub, double cost,
               const QString& ean = QStringLiteral("8001234567890"), const QString& ivart = QStringLiteral("10")) {
        root.exec(root.store(),
                  "INSERT INTO variati (numero, bns, tipges, codart, codafo, desart, umart, unita2, quaco, imbart, "
                  "ea1art, przart, coston, ivart, codgru, desgru, codsot, dessot, codrep, rica, prezpub, tipart) "
                  "VALUES (1001, ?, 'B', ?, ?, 'BISCOTTI FROLLINI CON CIOCCOLATO E NOCCIOLE', 'CT', 'KG', '0500', "
                  "'0012', ?, ?, ?, ?, 5, 'PASTA', 10, 'PASTA SECCA', 2, 30, ?, 'S')",
                  {bns, codart, codafo, ean, cost, cost, ivart, prezpub});
    }
    QVariant article(const char* field, qint32 code) {
        return value(QStringLiteral("SELECT %1 FROM listi01 WHERE codart = ?").arg(QLatin1String(field)), {code});
    }
};

TEST_F(NewArticlesFromDocumentsTest, PricesAreLevelledAndOneArticleIsCreatedPerChainCode) {
    root.exec(root.store(), "INSERT INTO listi01 (codart, desart) VALUES (40, 'ESISTENTE')");
    root.exec(root.store(), "INSERT INTO unitam (coduni, fatxmul) VALUES ('KG', '1000')");
    stage(1, 0, "000000123", 5, 1.0);
    stage(2, 0, "000000123", 7, 2.0);
    stage(3, 0, "000000123", 6, 3.0);
    stage(4, 9, "000000555", 4, 1.0, "8000000000555");
    stage(5, QVariant(), "000000666", 4, 1.0, "8000000000666");
    ::Run& run = root.run();
    creo_art_nuovo_forni(run, 1001);

    EXPECT_EQ(count("variati", "codafo = '000000123' AND prezpub = 7 AND przart = 2 AND coston = 2"), 3);
    EXPECT_EQ(count("listi01"), 2);
    EXPECT_EQ(count("listi01", "codart = 41"), 1);
    EXPECT_EQ(article("desart", 41).toString(), "BISCOTTI FROLLINI CON CIOCCOLATO E NOCCIOLE");
    EXPECT_EQ(article("descas", 41).toString(), "BISCOTTI FROLLINI CON CIOCCOLA");
    EXPECT_EQ(article("umart", 41).toString(), "PZ");
    EXPECT_EQ(article("ivart", 41).toString(), "10");
    EXPECT_EQ(article("codafo", 41).toString(), "000000123");
    EXPECT_EQ(article("codfor", 41).toInt(), 4321);
    EXPECT_DOUBLE_EQ(article("przpub", 41).toDouble(), 7);
    EXPECT_DOUBLE_EQ(article("przart", 41).toDouble(), 6.3636);  // 7 / 1.1 to the ten-thousandth
    EXPECT_DOUBLE_EQ(article("cofart", 41).toDouble(), 2);
    EXPECT_DOUBLE_EQ(article("cosiva", 41).toDouble(), 2.2);
    EXPECT_DOUBLE_EQ(article("marg", 41).toDouble(), 218.18);  // as a markup on the cost with VAT
    EXPECT_DOUBLE_EQ(article("ricart", 41).toDouble(), 30);
    EXPECT_DOUBLE_EQ(article("prztot", 41).toDouble(), 1000 * (7.0 / 500));
    EXPECT_EQ(article("codrep", 41).toInt(), 2);
    EXPECT_EQ(article("colore", 41).toInt(), 1);
    EXPECT_EQ(article("annoco", 41).toInt(), 2026);
    EXPECT_EQ(article("fl2art", 41).toString(), " ");

    EXPECT_EQ(count("listi02", "codart = 41 AND codlis = '004321' AND codafo = '000000123' AND cofart = 2 "
                               "AND datreg = '2026-12-08'"),
              1);
    EXPECT_EQ(count("fistini", "codlis = '004321' AND dsclistino = 'NELV DISTRIBUZIONE S'"), 1);
    EXPECT_EQ(count("codean", "eanare = '8001234567890' AND codare = 41 AND flagean = 'S' AND prezzo = 7"), 1);
    EXPECT_EQ(count("variatidivulgazioni", "tipoelaborazione = 'B' AND tipoagg = 'N' AND codart = 41 "
                                           "AND codafon = '000000123' AND ivart = '10' AND numpro = 1001"),
              1);
    EXPECT_EQ(root.view.text("elaboraw"), "CREO ARTICOLI NUOVI");
    EXPECT_EQ(root.view.text("cntcfw"), "1");
}

TEST_F(NewArticlesFromDocumentsTest, ExistingPriceListRowAndEanMoveToTheNewArticle) {
    root.exec(root.store(), "INSERT INTO listi02 (codart, codlis, codafo, desart) VALUES (12, '004321', '000000123', 'VECCHIO')");
    root.exec(root.store(), "INSERT INTO codean (eanare, codare, pezzix, flagean) VALUES ('8001234567890', 12, 6, 'N')");
    stage(1, 0, "000000123", 2, 1.0);
    ::Run& run = root.run();
    creo_art_nuovo_forni(run, 1001);

    EXPECT_EQ(count("listi02"), 1);
    EXPECT_EQ(count("listi02", "codart = 12 AND desart LIKE 'BISCOTTI%' AND cofart = 1 AND umart = 'PZ'"), 1);
    EXPECT_EQ(count("codean", "codare = 1 AND prezzox = 12 AND flagean = 'S'"), 1);
    EXPECT_EQ(count("variatidivulgazioni", "tipoagg = 'A' AND codart = 1"), 1);
    EXPECT_EQ(root.view.text("cntafw"), "1");
}

TEST_F(NewArticlesFromDocumentsTest, ArticleFromALineWithoutEanGetsNoEanRow) {
    root.exec(root.store(), "INSERT INTO unitam (coduni, fatxmul) VALUES ('KG', '1000')");
    stage(1, 0, "000000123", 2, 0, QString(13, ' '));
    stage(2, 0, "000000124", 2, 1.0, "0000000000000");
    ::Run& run = root.run();
    creo_art_nuovo_forni(run, 1001);

    EXPECT_EQ(count("listi01"), 2);
    EXPECT_EQ(count("codean"), 0);
    EXPECT_TRUE(article("marg", 1).isNull());  // no cost with VAT, no margin
    EXPECT_EQ(count("variatidivulgazioni", "codart = 1 AND tipoagg = 'N'"), 1);
    EXPECT_EQ(count("variatidivulgazioni", "codart = 2"), 0);
}

TEST_F(NewArticlesFromDocumentsTest, LinesWithoutChainCodeKeepTheirOwnPrices) {
    stage(1, 7, "", 3, 1.1, "8000000000001");
    stage(2, 8, "", 5, 2.2, "8000000000002");
    ::Run& run = root.run();
    creo_art_nuovo_forni(run, 1001);
    EXPECT_EQ(count("variati", "prezpub = 3 AND coston = 1.1"), 1);
    EXPECT_EQ(count("variati", "prezpub = 5 AND coston = 2.2"), 1);
    EXPECT_EQ(count("listi01"), 0);
}

TEST_F(NewArticlesFromDocumentsTest, NewArticleReceivesItsDocumentLine) {
    Ble line;
    line.chainCode = 321;
    line.ean = 8003210000001;
    line.cost = 2.5;
    line.quantity = 4;
    runWith({line.line()});

    ASSERT_EQ(count("listi01"), 1);
    EXPECT_EQ(count("ordinif", "articoli = 1"), 1);
    EXPECT_DOUBLE_EQ(article("qgia", 1).toDouble(), 4);
    EXPECT_DOUBLE_EQ(article("valgia", 1).toDouble(), 10);
    EXPECT_DOUBLE_EQ(article("cofart", 1).toDouble(), 2.5);
    EXPECT_DOUBLE_EQ(value("SELECT egia FROM codean WHERE codare = 1").toDouble(), 4);
}

TEST_F(NewArticlesFromDocumentsTest, ArticleCodeAtTheTopOfTheRangeStopsTheRun) {
    root.exec(root.store(), "INSERT INTO listi01 (codart) VALUES (2147483647)");
    stage(1, 0, "000000123", 5, 1.0);
    EXPECT_THROW(creo_art_nuovo_forni(root.run(), 1001), RunError);
    EXPECT_EQ(count("listi01"), 1);
    EXPECT_EQ(count("listi02"), 0);
    EXPECT_EQ(count("codean"), 0);
}

}  // namespace
