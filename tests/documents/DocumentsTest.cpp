#include "DocumentFixture.h"
#include "documents/elaborap.h"

namespace {

using DocumentsTest = DocumentFixture;

TEST_F(DocumentsTest, DeliveryNoteGetsNumberHeaderLinesStockAndLogRow) {
    addArticle(7, 123, 8001234567890, 1.5, 10, 15.00, 10, 5);
    Ble a;
    Ble b;
    b.quantity = 0;  // written, moves no stock
    runWith({a.line(), b.line()});

    EXPECT_EQ(value("SELECT ultnum FROM numeri WHERE tipo = 'DD' AND anno = 2026").toInt(), 42);
    ASSERT_EQ(count("testaof"), 1);
    EXPECT_EQ(value("SELECT numero FROM testaof").toInt(), 42);
    EXPECT_EQ(value("SELECT tipodoc FROM testaof").toString(), "DDTACQ      ");
    EXPECT_EQ(value("SELECT numfa FROM testaof").toInt(), 1001);
    EXPECT_EQ(value("SELECT datafa FROM testaof").toString(), "2026-12-01");
    EXPECT_EQ(value("SELECT dataor FROM testaof").toString(), "2026-12-08");
    EXPECT_EQ(value("SELECT codfor FROM testaof").toInt(), 4321);

    ASSERT_EQ(count("ordinif"), 2);
    // Waste 10 and transport 5 on 3 at 1.5: 4.50, 4.95, 5.20.
    EXPECT_DOUBLE_EQ(value("SELECT totrig FROM ordinif WHERE bns = 1").toDouble(), 5.20);
    EXPECT_EQ(value("SELECT bnumer FROM ordinif WHERE bns = 1").toInt(), 42);
    EXPECT_EQ(value("SELECT articoli FROM ordinif WHERE bns = 1").toInt(), 7);
    EXPECT_EQ(value("SELECT iva FROM ordinif WHERE bns = 1").toString(), "22");
    EXPECT_EQ(value("SELECT tipodoc FROM ordinif WHERE bns = 2").toString(), "DDTACQ      ");
    EXPECT_DOUBLE_EQ(value("SELECT totrig FROM ordinif WHERE bns = 2").toDouble(), 0);

    // One load of 3 at the unchanged cost: no revaluation.
    EXPECT_DOUBLE_EQ(value("SELECT qgia FROM listi01 WHERE codart = 7").toDouble(), 13);
    EXPECT_DOUBLE_EQ(value("SELECT valgia FROM listi01 WHERE codart = 7").toDouble(), 19.50);
    // The new cost goes back to the chain's article.
    EXPECT_DOUBLE_EQ(root.scalar(root.chain(), "SELECT przart FROM articolo WHERE codart = 123").toDouble(), 1.5);

    EXPECT_EQ(count("variatidivulgazioni", "tipoelaborazione = 'A' AND tipoagg = 'F' AND numpro = 1001 "
                                           "AND datain = '2026-12-01' AND codafon = 'DDTACQ      '"),
              1);
    EXPECT_EQ(root.view.text("elaboraw"), "CARICO DOCUMENTO NR. 1001");
    EXPECT_FALSE(root.view.isVisible("ProgressBar1"));
}

TEST_F(DocumentsTest, ClassTwoLinesAndVatCodes) {
    addArticle(7, 123, 8001234567890, 1.5);
    Ble a, b, c, d, e;
    b.lineClass = QStringLiteral(" 2");
    c.lineClass = QStringLiteral("02");
    d.lineClass = QStringLiteral("2 ");
    a.vat = QStringLiteral("4 ");
    e.vat = QStringLiteral(" 4");
    runWith({a.line(), b.line(), c.line(), d.line(), e.line()});

    ASSERT_EQ(count("ordinif"), 2);
    EXPECT_EQ(value("SELECT group_concat(bns) FROM (SELECT bns FROM ordinif ORDER BY bns)").toString(), "1,2");
    EXPECT_EQ(count("ordinif", "iva = '04'"), 2);
    EXPECT_DOUBLE_EQ(value("SELECT qgia FROM listi01 WHERE codart = 7").toDouble(), 6);
}

TEST_F(DocumentsTest, TwoDocumentsLastYearsDateAndReceivingOnce) {
    addArticle(7, 123, 8001234567890, 1.5);
    Ble invoice;
    invoice.number = 2002;
    invoice.type = 'R';
    Ble old;
    old.number = 3003;
    old.date = QDate(2025, 12, 31);
    Ble note;
    const QList<QByteArray> file{note.line(), invoice.line(), old.line()};

    runWith(file);
    ASSERT_EQ(count("testaof"), 3);
    EXPECT_EQ(value("SELECT numero FROM testaof WHERE numfa = 1001").toInt(), 42);
    EXPECT_EQ(value("SELECT tipodoc FROM testaof WHERE numfa = 2002").toString(), "FATTACQIMM  ");
    EXPECT_EQ(value("SELECT numero FROM testaof WHERE numfa = 2002").toInt(), 1);
    // Dated in the previous year: that year's series and header year; today's dates.
    EXPECT_EQ(value("SELECT anno FROM testaof WHERE numfa = 3003").toInt(), 2025);
    EXPECT_EQ(value("SELECT numero FROM testaof WHERE numfa = 3003").toInt(), 8);
    EXPECT_EQ(value("SELECT annofa FROM testaof WHERE numfa = 3003").toInt(), 2025);
    EXPECT_EQ(value("SELECT dataco FROM testaof WHERE numfa = 3003").toString(), "2026-12-08");
    EXPECT_EQ(value("SELECT ultnum FROM numeri WHERE tipo = 'DD' AND anno = 2025").toInt(), 8);
    EXPECT_EQ(count("ordinif", "bannoc = 2025 AND bnumer = 8"), 1);

    // The same file again, twice: nothing more is received, no stock moves again.
    runWith(file);
    runWith(file);
    EXPECT_EQ(count("testaof"), 3);
    EXPECT_EQ(count("ordinif"), 3);
    EXPECT_EQ(value("SELECT ultnum FROM numeri WHERE tipo = 'DD' AND anno = 2026").toInt(), 42);
    EXPECT_DOUBLE_EQ(value("SELECT qgia FROM listi01 WHERE codart = 7").toDouble(), 9);
    EXPECT_EQ(count("variatidivulgazioni", "tipoagg = 'F'"), 3);
}

TEST_F(DocumentsTest, HeaderWithoutLinesAndWithoutSeries) {
    addArticle(7, 123, 8001234567890, 1.5);
    // An invoice header (column 54 "R") whose lines say delivery note.
    QByteArray mixed = Ble{}.line();
    mixed[rec::ble::headerType.pos - 1] = 'R';
    runWith({mixed});
    EXPECT_EQ(count("testaof", "tipodoc = 'FATTACQIMM  '"), 1);
    EXPECT_EQ(count("ordinif"), 0);
    EXPECT_DOUBLE_EQ(value("SELECT qgia FROM listi01 WHERE codart = 7").toDouble(), 0);

    // No series for the delivery notes: the message names the type, nothing is written.
    root.exec(root.store(), "DELETE FROM numeri WHERE tipo = 'DD'");
    Ble note;
    note.number = 1002;
    runWith({note.line()});
    ASSERT_EQ(root.view.messages.size(), 1);
    EXPECT_EQ(root.view.messages.first(),
              "Attenzione Numerazione Controffature Fornitori DDTACQ non esiste,controllare tabella numerazione");
    EXPECT_EQ(count("testaof", "numfa = 1002"), 0);
    EXPECT_EQ(count("ordinif"), 0);
    EXPECT_DOUBLE_EQ(value("SELECT qgia FROM listi01 WHERE codart = 7").toDouble(), 0);

    // A type missing from tipodoc does not borrow the series of the document before.
    root.exec(root.store(), "INSERT INTO numeri (codutente, tipo, anno, ultnum) VALUES (1, 'DD', 2026, 41)");
    root.exec(root.store(), "DELETE FROM tipodoc WHERE coddoc = 'DDTACQ'");
    Ble invoice;
    invoice.number = 2002;
    invoice.type = 'R';
    runWith({invoice.line(), note.line()});
    EXPECT_EQ(count("testaof", "numfa = 2002"), 1);
    EXPECT_EQ(count("testaof", "numfa = 1002"), 0);
    EXPECT_EQ(value("SELECT ultnum FROM numeri WHERE tipo = 'FA' AND anno = 2026").toInt(), 2);
}

TEST_F(DocumentsTest, HeaderAlreadyUnderDrawnNumber) {
    addArticle(7, 123, 8001234567890, 1.5);
    root.exec(root.store(),
              "INSERT INTO testaof (anno, numero, tipodoc, numfa, datafa) VALUES (2026, 42, 'DDTACQ', 77, '2026-01-01')");
    runWith({Ble{}.line()});
    EXPECT_EQ(count("testaof"), 1);
    EXPECT_EQ(count("ordinif"), 0);
    EXPECT_DOUBLE_EQ(value("SELECT qgia FROM listi01 WHERE codart = 7").toDouble(), 0);
    EXPECT_EQ(value("SELECT ultnum FROM numeri WHERE tipo = 'DD' AND anno = 2026").toInt(), 42);

    // The next run draws 43 and receives it.
    runWith({Ble{}.line()});
    EXPECT_EQ(count("ordinif", "bnumer = 43"), 1);
}

TEST_F(DocumentsTest, BadLineHoldsItsDocumentOnlyAndIsNamed) {
    addArticle(7, 123, 8001234567890, 1.5);
    Ble good1, bad, good2, badDate;
    good1.number = 1001;
    bad.number = 1002;
    good2.number = 1003;
    badDate.number = 1004;
    QByteArray badLine = bad.line();
    badLine.replace(rec::ble::quantity.pos - 1, 9, "00003A000");
    QByteArray badDateLine = badDate.line();
    badDateLine.replace(rec::day.pos - 1, 2, "31");
    badDateLine.replace(rec::month.pos - 1, 2, "02");
    runWith({good1.line(), bad.line(), badLine, badDateLine, good2.line()});

    EXPECT_EQ(count("testaof", "numfa = 1001"), 1);
    EXPECT_EQ(count("testaof", "numfa = 1003"), 1);  // listed past the bad date
    EXPECT_EQ(count("testaof", "numfa IN (1002, 1004)"), 0);
    ASSERT_EQ(root.view.messages.size(), 1);
    const QString m = root.view.messages.first();
    EXPECT_TRUE(m.contains("riga 3, documento 1002: campo quantità \"00003A000\"")) << m.toStdString();
    EXPECT_TRUE(m.contains("riga 4, documento 1004: campo data documento \"20260231\"")) << m.toStdString();

    // Corrected, the held document comes whole.
    root.view.messages.clear();
    runWith({good1.line(), bad.line(), bad.line(), good2.line()});
    EXPECT_TRUE(root.view.messages.isEmpty());
    EXPECT_EQ(count("ordinif", "bnumer = 44"), 2);

    // An unreadable number: the line belongs to the document before or after it.
    // Between two lines of one document, only that document is held.
    root.view.messages.clear();
    Ble next, after;
    next.number = 1005;
    after.number = 1006;
    QByteArray noNumber = next.line();
    noNumber.replace(rec::ble::number.pos - 1, 7, "10O5   ");
    runWith({next.line(), noNumber, next.line(), after.line()});
    EXPECT_EQ(count("testaof", "numfa = 1005"), 0);
    EXPECT_EQ(count("testaof", "numfa = 1006"), 1);
    ASSERT_EQ(root.view.messages.size(), 1);
    EXPECT_TRUE(root.view.messages.first().contains("riga 2, documento 1005: campo numero documento \"10O5   \""))
        << root.view.messages.first().toStdString();
}

// Both walks over the file (the document list, then the staging) put a line
// whose number cannot be read in the same documents, and hold back those only.
TEST_F(DocumentsTest, AnUnreadableNumberHoldsOnlyItsNeighbours) {
    addArticle(7, 123, 8001234567890, 1.5);
    const auto line = [](qint32 number, const char* change = nullptr) {
        Ble b;
        b.number = number;
        QByteArray l = b.line();
        if (change && QByteArray(change) == "IE") l.replace(rec::ble::exclusion.pos - 1, 2, "IE");
        if (change && QByteArray(change) == "?") l.replace(rec::ble::number.pos - 1, 7, "10O5   ");
        return l;
    };
    const struct {
        const char* name;
        QList<QByteArray> lines;
        QList<int> received, held;
        const char* named;
    } rows[] = {
        // The staging walk once took the file's first number as the one after the last line.
        {"the last line", {line(2001), line(2002), line(0, "?")}, {2001}, {2002}, "riga 3, documento 2002: "},
        // The staging walk once passed over the excluded line's number.
        {"after an excluded line", {line(3001), line(3002, "IE"), line(0, "?"), line(3003)}, {3001}, {3003},
         "riga 3, documento 3002 o 3003: "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        root.view.messages.clear();
        runWith(row.lines);
        for (const int d : row.received) EXPECT_EQ(count("testaof", QStringLiteral("numfa = %1").arg(d)), 1) << d;
        for (const int d : row.held) EXPECT_EQ(count("testaof", QStringLiteral("numfa = %1").arg(d)), 0) << d;
        ASSERT_EQ(root.view.messages.size(), 1);
        EXPECT_TRUE(root.view.messages.first().contains(QString::fromUtf8(row.named)))
            << root.view.messages.first().toStdString();
    }
}

TEST_F(DocumentsTest, InterruptedDocumentIsReceivedWholeByTheNextRun) {
    addArticle(7, 123, 8001234567890, 1.5, 10, 15.00);
    Ble a, b, c;
    b.quantity = 4;
    c.quantity = 5;
    const QList<QByteArray> file{a.line(), b.line(), c.line()};
    root.exec(root.store(), "CREATE TRIGGER stop AFTER INSERT ON ordinif WHEN new.bns = 2 "
                            "BEGIN SELECT RAISE(ABORT, 'interrupted'); END");
    EXPECT_THROW(runWith(file), db::Error);
    EXPECT_EQ(count("testaof"), 0);
    EXPECT_EQ(count("ordinif"), 0);
    EXPECT_EQ(count("variatidivulgazioni", "tipoagg = 'F'"), 0);
    EXPECT_EQ(value("SELECT ultnum FROM numeri WHERE tipo = 'DD' AND anno = 2026").toInt(), 41);
    EXPECT_DOUBLE_EQ(value("SELECT qgia FROM listi01 WHERE codart = 7").toDouble(), 10);

    root.exec(root.store(), "DROP TRIGGER stop");
    runWith(file);
    EXPECT_EQ(count("testaof"), 1);
    EXPECT_EQ(count("ordinif", "bnumer = 42"), 3);
    EXPECT_DOUBLE_EQ(value("SELECT qgia FROM listi01 WHERE codart = 7").toDouble(), 22);
    EXPECT_DOUBLE_EQ(value("SELECT qacq FROM listi01 WHERE codart = 7").toDouble(), 12);
}

TEST_F(DocumentsTest, DocumentListOneRowPerDocument) {
    Ble a;
    a.number = 1234;
    a.date = QDate(2023, 1, 5);
    Ble b = a;
    b.number = 1235;
    b.type = 'R';
    Ble c = a;
    c.date = QDate(2023, 3, 1);
    root.writeChainFile({a.line(), a.line(), a.line(), b.line(), b.line(), c.line()});
    chainfile::LineErrors errors;
    const ListedDocument last =
        elaborap(root.run(), *common::ChainFile::load(root.paths().chainFile()), errors);
    EXPECT_EQ(last.number, 1234);  // the current document is the one met last
    EXPECT_EQ(last.year, 2023);
    ASSERT_EQ(count("fatcasa"), 2);
    EXPECT_EQ(value("SELECT dataor FROM fatcasa WHERE numero = 1234").toString(), "2023-01-05");
    EXPECT_EQ(value("SELECT anno FROM fatcasa WHERE numero = 1234").toInt(), 2023);
    EXPECT_EQ(value("SELECT tipo FROM fatcasa WHERE numero = 1234").toString(), "B");
    EXPECT_EQ(value("SELECT tipo FROM fatcasa WHERE numero = 1235").toString(), "F");

    // Switched off: the list is rebuilt, nothing is staged or received.
    root.exec(root.store(), "INSERT INTO automa (codice, art3) VALUES (2, '01')");
    root.exec(root.store(), "INSERT INTO variati (numero) VALUES (5)");
    runWith({a.line()});
    EXPECT_EQ(count("fatcasa"), 1);
    EXPECT_EQ(count("variati"), 0);
    EXPECT_EQ(count("testaof"), 0);
}

}  // namespace
