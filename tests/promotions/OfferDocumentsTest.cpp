#include "PromotionFixture.h"

namespace {

class OfferDocuments : public PromotionFixture {
protected:
    // A staged promotion header and its lines, as the promotion import leaves them.
    void stageHeader(qint32 numero, const QString& description, const QString& sel = QStringLiteral("X")) {
        root.exec(root.store(),
                  QStringLiteral("INSERT INTO locte (codutente, Numero, Anno, dsccliente, Data1, Data2, tipo, sel) "
                                 "VALUES (1, ?, 2026, ?, '2026-12-10', '2026-12-24', 'P', ?)"),
                  {numero, description, sel});
    }
    void stageLine(qint32 numero, int bns, qint32 article, qint64 barcode, double przpro, qint32 codpro,
                   const QString& taglia = QStringLiteral("STAGED")) {
        root.exec(root.store(),
                  QStringLiteral("INSERT INTO locmo (bnumer, bannoc, bns, articoli, eanrig, przpro, codpro, taglia, "
                                 "costof, imballo, quantita, bflag2, iva, unitam, colli, codafo, commesso, "
                                 "descrizione, ric, desfor, desgru, tipmov, bflag1, sel) "
                                 "VALUES (?, 2026, ?, ?, ?, ?, ?, ?, 1.25, 6, 0, '.', '22', 'PZ', 0, '000000001', 0, "
                                 "'ARTICOLO', 25, 'NELV', 'GRUPPO', 'AR', '0', 'X')"),
                  {numero, bns, article, ean(barcode), przpro, codpro, taglia});
    }
    void makeDocuments() { creo_off(root.run(), kYear); }
    void linesTakeListingAndOfferValues();
};

// Once with the store's listing read whole, once with a code the listing
// cannot be kept by (a text): each article is then read from the table.
TEST_F(OfferDocuments, LinesTakeListingAndOfferValues) { linesTakeListingAndOfferValues(); }
TEST_F(OfferDocuments, LinesTakeListingAndOfferValuesFromTheTable) {
    root.exec(root.store(), QStringLiteral("INSERT INTO listi01 (codart) VALUES ('X')"));
    linesTakeListingAndOfferValues();
}

void OfferDocuments::linesTakeListingAndOfferValues() {
    addStoreArticle(500, 1, {8000000000011});
    root.exec(root.store(), QStringLiteral("INSERT INTO offtab (codice, descrizione, sconto, soglia, omaggio) "
                                           "VALUES (1, 'TAGLIO PREZZO CON UNA DESCRIZIONE LUNGA', 0, 2, 1)"));
    stageHeader(20, QStringLiteral("PROMOZIONE DI NATALE SUPER CONVENIENZA XX"));
    stageHeader(21, QStringLiteral("NON SELEZIONATA"), QString());
    stageLine(20, 1, 500, 8000000000011, 1.5, 1);
    stageLine(20, 2, 500, 8000000000012, 0, 1);     // no promotional price: left out
    stageLine(20, 3, 999, 8000000000013, 0.8, 77);  // no listing, offer code unknown
    stageLine(21, 1, 500, 8000000000014, 1.1, 1);
    makeDocuments();

    EXPECT_EQ(count(QStringLiteral("offte")), 1);
    // Cut to 30 before the number is added, the whole cut to 45.
    EXPECT_EQ(scalar(QStringLiteral("SELECT dsccliente FROM offte")).toString(),
              QStringLiteral("PROMOZIONE DI NATALE SUPER CON Nr. 20"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT desart FROM variatidivulgazioni")).toString(),
              QStringLiteral("PROMOZIONE DI NATALE SUPER CON Nr. 20"));

    db::Query m = root.store().prepare(QStringLiteral("SELECT * FROM offmo ORDER BY bns"));
    ASSERT_TRUE(m.first());
    EXPECT_EQ(m.whole("bns"), 1);
    EXPECT_EQ(m.text("eanrig"), "8000000000011");
    EXPECT_DOUBLE_EQ(m.number("przpub"), 2.5);
    EXPECT_DOUBLE_EQ(m.number("marg"), 33);
    EXPECT_DOUBLE_EQ(m.number("soglia"), 2);
    EXPECT_DOUBLE_EQ(m.number("omaggio"), 1);
    EXPECT_DOUBLE_EQ(m.number("sconto"), 0);
    EXPECT_EQ(m.text("taglia"), "TAGLIO PREZZO CON UNA DES");  // 25 characters
    EXPECT_DOUBLE_EQ(m.number("imballo"), 6);
    EXPECT_EQ(m.text("iva"), "22");
    EXPECT_EQ(m.text("codafo"), "000000001");
    EXPECT_EQ(m.text("bdator"), "2026-12-08");
    ASSERT_TRUE(m.next());
    EXPECT_EQ(m.whole("bns"), 2);
    EXPECT_EQ(m.text("eanrig"), "8000000000013");
    EXPECT_DOUBLE_EQ(m.number("przpub"), 0);
    EXPECT_DOUBLE_EQ(m.number("costof"), 0);
    EXPECT_DOUBLE_EQ(m.number("marg"), 30);
    EXPECT_TRUE(m.isNull("soglia"));
    EXPECT_TRUE(m.isNull("omaggio"));
    EXPECT_TRUE(m.isNull("sconto"));
    EXPECT_TRUE(m.isNull("scopro"));
    EXPECT_EQ(m.text("taglia"), "STAGED");
    EXPECT_FALSE(m.next());
    EXPECT_EQ(root.view.text("e6w"), "0,80");
}

TEST_F(OfferDocuments, NumbersFollowTheSeriesAndASecondImportAddsNothing) {
    addChainArticle(1, QStringLiteral("A"), {8000000000011});
    addChainArticle(2, QStringLiteral("B"), {8000000000022, 8000000000023});
    addStoreArticle(501, 1, {8000000000011});
    addStoreArticle(502, 2, {8000000000022, 8000000000023});
    const QList<QByteArray> file = {oft(2, QStringLiteral("SECONDA")), ofd(2, 1, 2, 1.5),
                                    oft(1, QStringLiteral("PRIMA")), ofd(1, 1, 1, 0.9)};
    ASSERT_TRUE(runPromotions(file));
    EXPECT_EQ(scalar(QStringLiteral("SELECT group_concat(numpronelv || '>' || numero, ' ') FROM "
                                    "(SELECT numpronelv, numero FROM offte ORDER BY numero)"))
                  .toString(),
              "1>42 2>43");  // in promotion order
    EXPECT_EQ(scalar(QStringLiteral("SELECT ultnum FROM numeri WHERE anno = 2026")).toInt(), 43);
    EXPECT_EQ(count(QStringLiteral("offmo")), 3);
    EXPECT_EQ(count(QStringLiteral("variatidivulgazioni"), QStringLiteral("tipoagg = 'P'")), 2);

    HistoryView again;
    runPromotionsShowing(again);
    EXPECT_EQ(count(QStringLiteral("offte")), 2);
    EXPECT_EQ(count(QStringLiteral("offmo")), 3);
    EXPECT_EQ(count(QStringLiteral("variatidivulgazioni"), QStringLiteral("tipoagg = 'P'")), 2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT ultnum FROM numeri WHERE anno = 2026")).toInt(), 43);
    // Line boxes are shown a few times a second, not for every line: the last line is shown.
    EXPECT_EQ(again.history.value("e3w").constLast(), QStringLiteral("**** GIA PRESENTE ******"));
    EXPECT_EQ(again.history.value("e2w").constLast(), QStringLiteral("8000000000023"));
    EXPECT_FALSE(again.history.contains("e9w"));
    EXPECT_TRUE(again.messages.isEmpty());
}

TEST_F(OfferDocuments, MissingTypeOrSeriesStopsWithItsMessage) {
    stageHeader(20, QStringLiteral("NATALE"));
    stageLine(20, 1, 500, 8000000000011, 1.5, 1);
    db::Database& s = root.store();
    root.exec(s, QStringLiteral("DELETE FROM tipodoc"));
    makeDocuments();
    EXPECT_EQ(root.view.messages,
              QStringList({"ATTENZIONE !!! Manca il tipo documento OFFERTE e il relativo numeratore OP da attivare ..."}));

    // The type stored without its padding is the same type.
    root.exec(s, QStringLiteral("INSERT INTO tipodoc (coddoc, numeratore) VALUES ('OFFERTE', 'OP')"));
    root.exec(s, QStringLiteral("UPDATE numeri SET ultnum = 0 WHERE anno = 2026"));
    for (int attempt = 0; attempt < 2; ++attempt) {
        root.view.messages.clear();
        makeDocuments();
        ASSERT_EQ(root.view.messages.size(), 1);
        EXPECT_EQ(root.view.messages.first(),
                  QStringLiteral("ATTENZIONE !!! i dati della promozione non possono essere registrati perchè manca "
                                 "l'attivazione del numeratore.Cliccare su Tabelle/Numeratori/Crea Numeratori/OK .Il "
                                 "programma deve dare il seguente messaggio: I NUMERATORI PER IL NUOVO ANNO SONO "
                                 "STATI CREATI1OP2026") +
                      root.paths().chainDb());
        root.exec(s, QStringLiteral("DELETE FROM numeri WHERE anno = 2026"));  // then no row at all
    }
    EXPECT_EQ(count(QStringLiteral("offte")), 0);
    EXPECT_EQ(count(QStringLiteral("offmo")), 0);
}

TEST_F(OfferDocuments, AFailureLeavesNoHalfDocumentAndTheNextRunWritesItWhole) {
    stageHeader(20, QStringLiteral("NATALE"));
    stageLine(20, 1, 500, 8000000000011, 1.5, 1);
    stageLine(20, 2, 500, 8000000000012, 1.6, 1);
    db::Database& s = root.store();
    root.exec(s, QStringLiteral("CREATE TRIGGER offmo_fails BEFORE INSERT ON offmo WHEN NEW.bns = 2 "
                                "BEGIN SELECT RAISE(ABORT, 'disco pieno'); END"));
    EXPECT_THROW(makeDocuments(), db::Error);
    EXPECT_EQ(count(QStringLiteral("offte")), 0);
    EXPECT_EQ(count(QStringLiteral("offmo")), 0);
    EXPECT_EQ(count(QStringLiteral("variatidivulgazioni")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT ultnum FROM numeri WHERE anno = 2026")).toInt(), 41);

    root.exec(s, QStringLiteral("DROP TRIGGER offmo_fails"));
    makeDocuments();
    EXPECT_EQ(scalar(QStringLiteral("SELECT numero FROM offte")).toInt(), 42);
    EXPECT_EQ(count(QStringLiteral("offmo"), QStringLiteral("bnumer = 42")), 2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT ultnum FROM numeri WHERE anno = 2026")).toInt(), 42);
}

TEST_F(OfferDocuments, ExistingDocumentContinuesPastSixteenBitLineNumbers) {
    db::Database& s = root.store();
    root.exec(s, QStringLiteral("INSERT INTO offte (codutente, numero, anno, numpronelv) VALUES (1, 40, 2026, 20)"));
    root.exec(s, QStringLiteral("INSERT INTO offmo (bnumer, bannoc, bns, eanrig) VALUES (40, 2026, 32767, ?)"),
              {ean(8000000000011)});
    stageHeader(20, QStringLiteral("NATALE"));
    stageLine(20, 1, 500, 8000000000011, 1.5, 1);
    stageLine(20, 2, 500, 8000000000012, 1.6, 1);
    makeDocuments();
    EXPECT_EQ(scalar(QStringLiteral("SELECT bns FROM offmo WHERE eanrig = ?"), {ean(8000000000012)}).toInt(), 32768);
    EXPECT_EQ(count(QStringLiteral("offmo")), 2);
    EXPECT_EQ(count(QStringLiteral("offte")), 1);
    EXPECT_EQ(count(QStringLiteral("variatidivulgazioni")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT ultnum FROM numeri WHERE anno = 2026")).toInt(), 41);
}

TEST_F(OfferDocuments, ANumberAlreadyHeldByAnotherOfferIsPassedOver) {
    db::Database& s = root.store();
    root.exec(s, QStringLiteral("INSERT INTO offte (codutente, numero, anno, numpronelv) VALUES (1, 42, 2026, 99)"));
    stageHeader(20, QStringLiteral("NATALE"));
    stageLine(20, 1, 500, 8000000000011, 1.5, 1);
    makeDocuments();
    EXPECT_EQ(scalar(QStringLiteral("SELECT numero FROM offte WHERE numpronelv = 20")).toInt(), 43);
    EXPECT_EQ(count(QStringLiteral("offmo"), QStringLiteral("bnumer = 42")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT ultnum FROM numeri WHERE anno = 2026")).toInt(), 43);
}

}  // namespace
