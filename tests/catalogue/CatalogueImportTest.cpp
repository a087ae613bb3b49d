// Reading the chain's catalogue: classification tables into both databases,
// articles and EAN codes into the chain database, the marks and the stamp.
#include "RecordBuilder.h"
#include "TestRoot.h"
#include "catalogue/for2_lis.h"
#include "chainfile/LineErrors.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

// The catalogue stage on its own, with the run's collection of bad lines.
std::optional<CatalogueRead> readCatalogue(const ::Run& run) {
    chainfile::LineErrors errors;
    return for2_lis(run, errors);
}

QByteArray tab(const char* kind, const QString& code, const QString& description, const QString& parent,
               const QString& table = QStringLiteral("0127")) {
    return RecordBuilder("TAB")
        .set(rec::tab::table, table)
        .set(rec::tab::tableKind, QString::fromLatin1(kind))
        .set(rec::tab::code, code)
        .set(rec::tab::description, description)
        .set(rec::tab::parent, parent);
}

RecordBuilder mda(qint64 code, const QString& description, int subgroup = 10) {
    RecordBuilder b("MDA");
    b.num(rec::articleCode, code)
        .set(rec::mda::description, description)
        .num(rec::mda::subgroup, subgroup)
        .set(rec::mda::vat, QStringLiteral("4"))
        .set(rec::mda::tipart, QStringLiteral("2"))
        .set(rec::mda::imbart, QStringLiteral("0012"))
        .set(rec::mda::pezzatura, QStringLiteral("0500"))
        .set(rec::mda::umart, QStringLiteral("KG"))
        .set(rec::mda::umconf, QStringLiteral("GR"));
    return b;
}

QByteArray mha(qint64 code, const QString& ean) {
    return RecordBuilder("MHA").num(rec::articleCode, code).set(rec::mha::ean, ean);
}

QByteArray mhe(qint64 code, double price) {
    return RecordBuilder("MHE").num(rec::articleCode, code).amount(rec::mhe::price, price);
}

void storeClassification(TestRoot& root) {
    root.exec(root.store(), QStringLiteral("INSERT INTO sottogruppi (codsot, dscsotto, codgru) VALUES (10, 'PASTA SECCA', 5)"));
    root.exec(root.store(), QStringLiteral("INSERT INTO gruppi (codgru, dscgruppo, codrep) VALUES (5, 'PASTA', '2')"));
    root.exec(root.store(), QStringLiteral("INSERT INTO reparti (reparto, descrizione) VALUES (2, 'DROGHERIA')"));
}

}  // namespace

TEST(CatalogueImport, ClassificationTablesAddOnlyWhatIsMissing) {
    TestRoot root;
    root.exec(root.chain(), QStringLiteral("INSERT INTO gruppi (codice, descrizione, reparto) VALUES (7, 'OLD', '001')"));
    root.exec(root.store(), QStringLiteral("INSERT INTO sottogruppi (codsot, dscsotto, codgru) VALUES (71, 'OLD', 1)"));
    root.writeChainFile({
        tab("01", QStringLiteral("000071"), QStringLiteral("BISCOTTI"), QStringLiteral("007")),
        tab("02", QStringLiteral("000007"), QStringLiteral("DOLCIARIO"), QStringLiteral("003")),
        tab("03", QStringLiteral("003"), QStringLiteral("DROGHERIA"), QString()),
        tab("01", QStringLiteral("000072"), QStringLiteral("ALTRA TABELLA"), QStringLiteral("007"), QStringLiteral("0128")),
        tab("01", QStringLiteral("0000AB"), QStringLiteral("NON NUMERICO"), QStringLiteral("007")),
        tab("03", QStringLiteral("X03"), QStringLiteral("NON NUMERICO"), QString()),
        tab("02", QStringLiteral("000008"), QStringLiteral("L'ORTO"), QStringLiteral("003")),
        tab("01", QStringLiteral("000071"), QStringLiteral("DOPPIONE"), QStringLiteral("009")),
    });
    ::Run& run = root.run();
    ASSERT_TRUE(readCatalogue(run));
    db::Database& c = root.chain();
    db::Database& s = root.store();

    // Subgroup 71: new in the chain, kept as it was in the store; the repeat changes nothing.
    EXPECT_EQ(root.scalar(c, "SELECT descrizione FROM sottogruppi WHERE codsot = 71").toString().trimmed(), "BISCOTTI");
    EXPECT_EQ(root.scalar(c, "SELECT codgru FROM sottogruppi WHERE codsot = 71").toInt(), 7);
    EXPECT_EQ(root.count(c, "sottogruppi"), 1);
    EXPECT_EQ(root.scalar(s, "SELECT dscsotto FROM sottogruppi WHERE codsot = 71").toString(), "OLD");
    // Group 7: kept in the chain, new in the store with its department as text.
    EXPECT_EQ(root.scalar(c, "SELECT descrizione FROM gruppi WHERE codice = 7").toString(), "OLD");
    EXPECT_EQ(root.scalar(s, "SELECT dscgruppo FROM gruppi WHERE codgru = 7").toString().trimmed(), "DOLCIARIO");
    EXPECT_EQ(root.scalar(s, "SELECT codrep FROM gruppi WHERE codgru = 7").toString(), "003");
    EXPECT_EQ(root.scalar(s, "SELECT dscgruppo FROM gruppi WHERE codgru = 8").toString().trimmed(), "L'ORTO");
    // Departments: chain only, code as written.
    EXPECT_EQ(root.scalar(c, "SELECT descrizione FROM reparti WHERE codrep = '003'").toString().trimmed(), "DROGHERIA");
    EXPECT_EQ(root.count(c, "reparti"), 1);
    EXPECT_EQ(root.count(s, "reparti"), 0);
    // Table 0128 is skipped without a word; non-numeric codes are skipped and listed.
    EXPECT_EQ(root.count(s, "sottogruppi"), 1);
    ASSERT_EQ(root.view.messages.size(), 1);
    EXPECT_TRUE(root.view.messages[0].contains("2 righe")) << root.view.messages[0].toStdString();
    EXPECT_TRUE(root.view.messages[0].contains("riga 5, record TAB, campo codice sottogruppo (colonne 51-56): \"0000AB\""));
    EXPECT_TRUE(root.view.messages[0].contains("riga 6, record TAB, campo codice reparto (colonne 51-53): \"X03\""));
    EXPECT_TRUE(root.view.isVisible("ProgressBar2"));
    EXPECT_EQ(root.view.progress.value("ProgressBar2"), 20000);  // every line read
}

TEST(CatalogueImport, ArticlesEansAndPricesIntoTheChain) {
    TestRoot root;
    storeClassification(root);
    db::Database& c = root.chain();
    // Article 20 exists with a price; EAN 8000000000019 belongs to article 99.
    root.exec(c, QStringLiteral("INSERT INTO articolo (codart, desart, przart, Przpub, pezzatura) VALUES (20, 'OLD', 3.5, 9.9, 250)"));
    root.exec(c, QStringLiteral("INSERT INTO codean (codare, eanare) VALUES (99, '8000000000019')"));
    root.writeChainFile({
        mda(10, QStringLiteral("PASTA DELL'ORTO 500G")),
        RecordBuilder("MDA").num(rec::articleCode, 20).set(rec::mda::description, QStringLiteral("SALE"))
            .num(rec::mda::subgroup, 777).set(rec::mda::imbart, QStringLiteral("AB")),
        mha(10, QStringLiteral("8000000000019")),
        mha(10, QStringLiteral("12345")),
        mha(10, QStringLiteral("8000000000019")),
        mhe(30, 2.49),
        mhe(10, 1.99),
        RecordBuilder("MHN").num(rec::articleCode, 10).amount(rec::mhn::cost, 1.25),
    });
    ::Run& run = root.run();
    ASSERT_TRUE(readCatalogue(run));

    db::Query a = c.prepare(QStringLiteral("SELECT * FROM articolo WHERE codart = ?"));
    ASSERT_TRUE(a.first({10}));
    EXPECT_EQ(a.text("desart").trimmed(), "PASTA DELL'ORTO 500G");  // the quote stored as it is
    EXPECT_DOUBLE_EQ(a.number("przart"), 0.001);
    EXPECT_DOUBLE_EQ(a.number("Przpub"), 1.99);  // the later MHE line
    EXPECT_EQ(a.text("ivart"), "04");
    EXPECT_EQ(a.whole("tipart"), 2);
    EXPECT_DOUBLE_EQ(a.number("imbart"), 12);
    EXPECT_DOUBLE_EQ(a.number("pezzatura"), 500);
    EXPECT_EQ(a.text("umart"), "KG");
    EXPECT_EQ(a.text("umconf"), "GR");
    EXPECT_EQ(a.whole("codsot"), 10);
    EXPECT_EQ(a.whole("codgru"), 5);
    EXPECT_EQ(a.whole("codrep"), 2);
    EXPECT_EQ(a.text("dessot"), "PASTA SECCA");
    EXPECT_EQ(a.text("desgru"), "PASTA");
    EXPECT_EQ(a.text("desrep"), "DROGHERIA");
    EXPECT_EQ(a.text("ea1art"), ".");
    EXPECT_EQ(a.text("tipges"), "M");
    EXPECT_EQ(a.text("artvariato"), "S");
    EXPECT_EQ(a.text("datagg"), "2026-12-08");
    EXPECT_EQ(a.text("ora"), "10:30:00");

    // Existing article: descriptive fields overwritten, price back to 0 until an MHE,
    // piece size kept when not given, unknown subgroup gives "." and 0, defaults for blanks.
    ASSERT_TRUE(a.first({20}));
    EXPECT_DOUBLE_EQ(a.number("Przpub"), 0);
    EXPECT_DOUBLE_EQ(a.number("przart"), 3.5);
    EXPECT_DOUBLE_EQ(a.number("pezzatura"), 250);
    EXPECT_EQ(a.text("dessot"), ".");
    EXPECT_EQ(a.whole("codgru"), 0);
    EXPECT_EQ(a.text("desgru"), ".");
    EXPECT_EQ(a.text("umart"), "PZ");
    EXPECT_EQ(a.text("umconf"), "PZ");
    EXPECT_EQ(a.whole("tipart"), 1);
    EXPECT_DOUBLE_EQ(a.number("imbart"), 1);
    EXPECT_EQ(a.text("ivart"), "00");

    // MHE for an unknown article: a bare, unmarked row.
    ASSERT_TRUE(a.first({30}));
    EXPECT_DOUBLE_EQ(a.number("przart"), 0.001);
    EXPECT_DOUBLE_EQ(a.number("Przpub"), 2.49);
    EXPECT_TRUE(a.isNull("artvariato"));
    EXPECT_TRUE(a.isNull("desart"));
    a.finish();

    // The EAN moved to article 10; the short one padded.
    EXPECT_EQ(root.scalar(c, "SELECT codare FROM codean WHERE eanare = '8000000000019'").toInt(), 10);
    EXPECT_EQ(root.scalar(c, "SELECT codare FROM codean WHERE eanare = '0000000012345'").toInt(), 10);
    EXPECT_EQ(root.count(c, "codean"), 2);
    EXPECT_EQ(root.count(c, "articolo", "artvariato = 'S'"), 2);

    // The window shows the last values read.
    EXPECT_EQ(root.view.text("cntw"), "8");
    EXPECT_EQ(root.view.text("c4w"), "1,25");
    EXPECT_EQ(root.view.text("c6w"), "1,99");
    EXPECT_EQ(root.view.text("c2w"), "8000000000019");
    EXPECT_TRUE(root.view.messages.isEmpty());
}

TEST(CatalogueImport, DateOfTheDataAndStamp) {
    TestRoot root;
    QDir(root.paths().chainFolder()).mkpath(".");
    for (const char* name : {"a.zip", "B.ZIP"}) {
        QFile f(root.paths().chainFolder() + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    root.exec(root.chain(), QStringLiteral("INSERT INTO listini (codlis) VALUES ('01')"));
    root.exec(root.chain(), QStringLiteral("INSERT INTO listini (codlis) VALUES ('02')"));
    root.exec(root.chain(), QStringLiteral("INSERT INTO clienti (codcliente) VALUES (0)"));
    root.writeChainFile({
        RecordBuilder("MDA", QDate(2026, 11, 30)).num(rec::articleCode, 5).num(rec::mda::subgroup, 1),
        RecordBuilder("XYZ", QDate(2026, 12, 2)),  // not an article line, still dates the data
    });
    ::Run& run = root.run();
    const std::optional<CatalogueRead> read = readCatalogue(run);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->dataDati, "02/12/2026");
    EXPECT_EQ(root.view.text("datadw"), "02/12/2026");
    EXPECT_EQ(root.scalar(root.chain(), "SELECT dataelaborazione FROM divuelabo").toString(), "02/12/2026");
    EXPECT_EQ(root.scalar(root.chain(), "SELECT oraelaborazione FROM divuelabo").toString(), "10:30:00");
    EXPECT_EQ(root.scalar(root.chain(), "SELECT datafine FROM listini WHERE codlis = '01'").toString(), "2026-12-15");
    EXPECT_TRUE(root.scalar(root.chain(), "SELECT note FROM listini WHERE codlis = '02'").isNull());
    EXPECT_EQ(root.scalar(root.chain(), "SELECT flagagg FROM clienti").toString(), "S");
    EXPECT_TRUE(QDir(root.paths().chainFolder()).entryList({"*.zip", "*.ZIP"}, QDir::Files).isEmpty());
    EXPECT_TRUE(QFile::exists(root.paths().chainFile()));

    // An empty file: nothing read, still stamped with an empty date.
    TestRoot empty;
    empty.writeChainBytes(QByteArray());
    ::Run& r2 = empty.run();
    ASSERT_TRUE(readCatalogue(r2));
    EXPECT_EQ(empty.count(empty.chain(), "divuelabo", "dataelaborazione = ''"), 1);
    EXPECT_EQ(empty.count(empty.chain(), "articolo"), 0);
}

TEST(CatalogueImport, MissingFileOrStoreStopsTheRun) {
    TestRoot root;
    QDir(root.paths().chainFolder()).mkpath(".");
    QFile zip(root.paths().chainFolder() + "/old.zip");
    ASSERT_TRUE(zip.open(QIODevice::WriteOnly));
    zip.close();
    ::Run& run = root.run();
    EXPECT_FALSE(readCatalogue(run));
    ASSERT_EQ(root.view.messages.size(), 1);
    EXPECT_TRUE(root.view.messages[0].startsWith("Attenzione ... File "));
    EXPECT_TRUE(root.view.messages[0].endsWith("acq_var.txt non esiste"));
    EXPECT_EQ(root.count(root.chain(), "divuelabo"), 0);
    EXPECT_FALSE(zip.exists());  // archives go before the file check

    // The file arrives: the next try runs.
    root.writeChainFile({mhe(1, 1)});
    EXPECT_TRUE(readCatalogue(root.run()));

    TestRoot noStore;
    noStore.writeChainFile({mhe(1, 1)});
    ::Run& r2 = noStore.run();
    QFile::remove(noStore.paths().storeDb());
    EXPECT_FALSE(readCatalogue(r2));
    EXPECT_EQ(noStore.view.messages, QStringList{"Archivio Quarn non esiste"});
    EXPECT_EQ(noStore.count(noStore.chain(), "articolo"), 0);
}

TEST(CatalogueImport, UnreadableCodesAreListedOnceAndSkipped) {
    TestRoot root;
    QList<QByteArray> lines;
    lines << RecordBuilder("MDA").set(rec::articleCode, "12A4567").set(rec::mda::description, "X");
    lines << RecordBuilder("MDA").num(rec::articleCode, 8).set(rec::mda::subgroup, "ABC");
    lines << RecordBuilder("MHA").num(rec::articleCode, 8).set(rec::mha::ean, "80012X");
    lines << mhe(0, 3.0);                                           // article 0: skipped, not listed
    lines << mha(0, "8000000000019");
    lines << RecordBuilder("MHN").set(rec::articleCode, "       ");  // blank code
    for (int i = 0; i < 20; ++i) lines << RecordBuilder("MHE").set(rec::articleCode, "ZZZZZZZ");
    lines << mhe(9, 4.5);  // a good line after the bad ones
    root.writeChainFile(lines);
    ::Run& run = root.run();
    ASSERT_TRUE(readCatalogue(run));

    EXPECT_EQ(root.count(root.chain(), "articolo"), 1);
    EXPECT_EQ(root.count(root.chain(), "codean"), 0);
    EXPECT_DOUBLE_EQ(root.scalar(root.chain(), "SELECT Przpub FROM articolo WHERE codart = 9").toDouble(), 4.5);
    ASSERT_EQ(root.view.messages.size(), 1);
    const QString m = root.view.messages[0];
    EXPECT_TRUE(m.contains("24 righe")) << m.toStdString();
    EXPECT_TRUE(m.contains("riga 1, record MDA, campo codice articolo (colonne 47-53): \"12A4567\"")) << m.toStdString();
    EXPECT_TRUE(m.contains("riga 2, record MDA, campo codice sottogruppo (colonne 100-105): \"ABC   \""));
    EXPECT_TRUE(m.contains("riga 3, record MHA, campo EAN"));
    EXPECT_TRUE(m.contains("riga 6, record MHN"));
    EXPECT_FALSE(m.contains("riga 4,"));
    EXPECT_FALSE(m.contains("riga 25,"));  // past the first 20
    EXPECT_TRUE(m.contains("altre 4 righe"));
    EXPECT_EQ(root.count(root.chain(), "divuelabo"), 1);
}

// A numeric field cut short by the line's end reads as a different number: the
// line is held back and listed, like a code that is not a number.
TEST(CatalogueImport, FieldsCutShortOrUnreadableAreListedNotApplied) {
    TestRoot root;
    storeClassification(root);
    QList<QByteArray> lines;
    lines << mhe(7, 123.456).left(rec::mhe::price.pos - 1 + 5);  // 1: price cut
    lines << tab("01", "000077", "SUGHI", "005").left(rec::tab::code.pos - 1 + 3);  // 2: code cut
    lines << tab("01", "00X077", "SUGHI", "005");                                               // 3
    lines << tab("02", "0A0005", "PASTA", "002");                                               // 4
    lines << mda(7, "PESTO").set(rec::mda::vat, "X1");  // 5: VAT
    lines << mda(8, "RAGU").set(rec::mda::vat, "  ");  // blank VAT: "00"
    lines << mha(8, "8000000000019").left(rec::mha::ean.pos - 1 + 6);  // 7: EAN cut
    lines << mda(9, "SALSA").cut(rec::mda::imbart.pos - 1 + 2);  // pieces cut: 1
    root.writeChainFile(lines);
    ::Run& run = root.run();
    ASSERT_TRUE(readCatalogue(run));

    EXPECT_EQ(root.count(root.chain(), "articolo", "codart = 7"), 0);
    EXPECT_EQ(root.count(root.chain(), "sottogruppi"), 0);
    EXPECT_EQ(root.count(root.chain(), "gruppi"), 0);
    EXPECT_EQ(root.count(root.chain(), "codean"), 0);
    EXPECT_EQ(root.scalar(root.chain(), "SELECT ivart FROM articolo WHERE codart = 8").toString(), "00");
    EXPECT_DOUBLE_EQ(root.scalar(root.chain(), "SELECT imbart FROM articolo WHERE codart = 9").toDouble(), 1);
    ASSERT_EQ(root.view.messages.size(), 1);
    const QString m = root.view.messages[0];
    EXPECT_TRUE(m.contains("6 righe")) << m.toStdString();
    EXPECT_TRUE(m.contains("riga 1, record MHE, campo prezzo di vendita (colonne 54-65): \"00000\" (riga troncata)"))
        << m.toStdString();
    EXPECT_TRUE(m.contains("riga 2, record TAB, campo codice (colonne 51-56): \"000\" (riga troncata)"));
    EXPECT_TRUE(m.contains("riga 3, record TAB, campo codice sottogruppo (colonne 51-56): \"00X077\""));
    EXPECT_TRUE(m.contains("riga 4, record TAB, campo codice gruppo (colonne 51-56): \"0A0005\""));
    EXPECT_TRUE(m.contains("riga 5, record MDA, campo codice IVA (colonne 189-190): \"X1\""));
    EXPECT_TRUE(m.contains("riga 7, record MHA, campo EAN (colonne 60-72): \"800000\" (riga troncata)"));
    EXPECT_FALSE(m.contains("riga 6,"));
    EXPECT_FALSE(m.contains("riga 8,"));
}

// Bytes that are not text are named once, in the same end-of-stage message;
// a byte-order mark or LF line ends are not worth a word.
TEST(CatalogueImport, BytesThatAreNotTextAreNamedInTheMessage) {
    TestRoot root;
    const QByteArray good = mhe(9, 4.5);
    QByteArray withNul = mhe(8, 1.0);
    withNul.append(QByteArray("\0\0", 2));
    root.writeChainBytes("\xEF\xBB\xBF" + good + "\n" + withNul + "\r\n" + good + "\x81\x9D\r\n" + withNul + "\r\n");
    ::Run& run = root.run();
    ASSERT_TRUE(readCatalogue(run));
    EXPECT_EQ(root.count(root.chain(), "articolo"), 2);
    ASSERT_EQ(root.view.messages.size(), 1);
    const QString m = root.view.messages[0];
    EXPECT_EQ(m.count("NUL"), 1) << m.toStdString();
    EXPECT_TRUE(m.contains("riga 2: byte NUL")) << m.toStdString();
    EXPECT_TRUE(m.contains("riga 3: byte 0x81 non valido in Windows-1252"));
    EXPECT_FALSE(m.contains("BOM"));
    EXPECT_FALSE(m.contains("LF"));
    EXPECT_FALSE(m.contains("non elaborate"));

    TestRoot clean;
    clean.writeChainBytes("\xEF\xBB\xBF" + good + "\n");
    ASSERT_TRUE(readCatalogue(clean.run()));
    EXPECT_TRUE(clean.view.messages.isEmpty());
}

// An article's description and its price, one after the other in the file,
// end as the two records would leave them on their own, in the rows' order.
TEST(CatalogueImport, DescriptionAndPriceOfAnArticleTogether) {
    const struct {
        const char* name;
        QList<QByteArray> lines;
        const char* rows;  // codart:Przpub:artvariato by rowid
    } cases[] = {
        {"new article, barcode between", {mda(10, "A"), mha(10, "8000000000019"), mhe(10, 1.99)}, "10:1.99:S"},
        {"existing article", {mda(20, "B"), mhe(20, 2.5)}, "20:2.5:S"},
        {"price of another article", {mda(10, "A"), mhe(11, 3)}, "10:0.0:S 11:3.0:"},
        {"described twice", {mda(10, "A"), mda(10, "A2"), mhe(10, 1.5)}, "10:1.5:S"},
        {"described last", {mhe(11, 3), mda(10, "A")}, "11:3.0: 10:0.0:S"},
        {"price before description", {mhe(10, 1.5), mda(10, "A")}, "10:0.0:S"},
        {"cost between", {mda(10, "A"), RecordBuilder("MHN").num(rec::articleCode, 10).amount(rec::mhn::cost, 1),
                          mhe(10, 4)}, "10:4.0:S"},
    };
    for (const auto& c : cases) {
        TestRoot root;
        storeClassification(root);
        root.exec(root.chain(), QStringLiteral("INSERT INTO articolo (codart, desart, Przpub) VALUES (20, 'OLD', 9.9)"));
        root.writeChainFile(c.lines);
        ASSERT_TRUE(readCatalogue(root.run())) << c.name;
        const QString rows =
            root.scalar(root.chain(), "SELECT group_concat(codart || ':' || Przpub || ':' || coalesce(artvariato, ''), "
                                      "' ') FROM (SELECT * FROM articolo WHERE codart <> 20 OR desart <> 'OLD' "
                                      "ORDER BY rowid)")
                .toString();
        EXPECT_EQ(rows, QString::fromLatin1(c.rows)) << c.name;
    }
}
