#include "DocumentFixture.h"

namespace {

using StagingTest = DocumentFixture;

QVariant staged(TestRoot& root, const char* field, int bns) {
    return root.scalar(root.store(), QStringLiteral("SELECT %1 FROM variati WHERE bns = ?").arg(QString::fromUtf8(field)),
                       {bns});
}

TEST_F(StagingTest, LinesAreDecodedAndMatchedToTheStore) {
    addArticle(7, 123, 8001234567890, 1.2);
    root.exec(root.store(), "UPDATE listi01 SET przsal = 1.99, codgru = 5, codsot = 10, przpub = 2.4999 "
                            "WHERE codart = 7");

    Ble known;  // found by EAN, on offer
    known.type = 'R';
    QByteArray knownLine = known.line();
    knownLine.replace(rec::ble::cost.pos - 1, 14, "00000000150004");  // 1.50004 -> 1.5000

    Ble unknown;  // EAN not numeric, unknown subfamily, price of dashes, blank unit
    unknown.chainCode = 456;
    unknown.subfamily = 77;
    QByteArray unknownLine = unknown.line();
    unknownLine.replace(rec::ble::ean.pos - 1, 13, "80012345A7890");
    unknownLine.replace(rec::ble::price.pos - 1, 10, "--,,--,,--");
    unknownLine.replace(rec::ble::umart.pos - 1, 2, "  ");

    Ble excluded;
    QByteArray excludedLine = excluded.line();
    excludedLine.replace(rec::ble::exclusion.pos - 1, 2, "IE");

    Ble again = unknown;  // the generic subfamily is found the second time
    again.chainCode = 789;
    again.ean = 8009999999999;
    runWith({knownLine, excludedLine, unknownLine, RecordBuilder("MDA").line(), again.line()});

    ASSERT_EQ(count("variati"), 3);
    EXPECT_EQ(root.view.text("cntfw"), "3");

    EXPECT_EQ(staged(root, "codart", 1).toInt(), 7);
    EXPECT_EQ(staged(root, "codafo", 1).toString(), "000000123");
    EXPECT_EQ(staged(root, "tipges", 1).toString(), "F");
    EXPECT_DOUBLE_EQ(staged(root, "przart", 1).toDouble(), 1.5);
    EXPECT_DOUBLE_EQ(staged(root, "przvec", 1).toDouble(), 1.2);
    EXPECT_DOUBLE_EQ(staged(root, "perc", 1).toDouble(), 25);
    EXPECT_DOUBLE_EQ(staged(root, "rica", 1).toDouble(), 25);
    EXPECT_EQ(staged(root, "Offerta", 1).toString(), "IN OFFERTA");
    EXPECT_DOUBLE_EQ(staged(root, "prezoff", 1).toDouble(), 1.99);
    EXPECT_DOUBLE_EQ(staged(root, "prezpubv", 1).toDouble(), 2.4999);
    EXPECT_DOUBLE_EQ(staged(root, "prezpub", 1).toDouble(), 2.99);
    EXPECT_DOUBLE_EQ(staged(root, "przlis", 1).toDouble(), 2990);
    EXPECT_DOUBLE_EQ(staged(root, "quantità", 1).toDouble(), 3);
    EXPECT_EQ(staged(root, "codgru", 1).toInt(), 5);
    EXPECT_EQ(staged(root, "codrep", 1).toInt(), 2);
    EXPECT_EQ(staged(root, "desgru", 1).toString(), "PASTA");
    EXPECT_EQ(staged(root, "dessot", 1).toString(), "PASTA SECCA");
    EXPECT_EQ(staged(root, "desrep", 1).toString(), "DROGHERIA");
    EXPECT_EQ(staged(root, "fl3art", 1).toString(), "Si");
    EXPECT_EQ(staged(root, "numero", 1).toInt(), 1001);

    EXPECT_EQ(staged(root, "codart", 2).toInt(), 0);
    EXPECT_EQ(staged(root, "ea1art", 2).toString(), QString(13, ' '));
    EXPECT_EQ(staged(root, "Offerta", 2).toString(), "NUOVO***");
    EXPECT_DOUBLE_EQ(staged(root, "rica", 2).toDouble(), 30);
    EXPECT_DOUBLE_EQ(staged(root, "perc", 2).toDouble(), 100);
    EXPECT_DOUBLE_EQ(staged(root, "przvec", 2).toDouble(), 0);
    EXPECT_DOUBLE_EQ(staged(root, "prezpub", 2).toDouble(), 0);
    EXPECT_DOUBLE_EQ(staged(root, "przlis", 2).toDouble(), 0);
    EXPECT_EQ(staged(root, "umart", 2).toString(), "PZ");
    EXPECT_EQ(staged(root, "codgru", 2).toInt(), 999);
    EXPECT_EQ(staged(root, "desgru", 2).toString(), ".");
    EXPECT_EQ(staged(root, "dessot", 2).toString(), ".");

    EXPECT_EQ(staged(root, "codgru", 3).toInt(), 999);
    EXPECT_EQ(staged(root, "dessot", 3).toString(), "SOTTOFAMIGLIA GENERI");  // cut at 20
    EXPECT_EQ(count("sottogruppi", "codsot = 77 AND codgru = 999 AND dscsotto = 'SOTTOFAMIGLIA GENERICA'"), 1);
}

TEST_F(StagingTest, EqualCostGivesNoChangeAndTheStagingTableHoldsOneRunOnly) {
    addArticle(7, 123, 8001234567890, 1.5);
    runWith({Ble{}.line(), Ble{}.line()});
    EXPECT_DOUBLE_EQ(staged(root, "perc", 1).toDouble(), 0);
    EXPECT_EQ(staged(root, "bns", 2).toInt(), 2);

    runWith({Ble{}.line()});
    EXPECT_EQ(count("variati"), 1);
    runWith({RecordBuilder("MDA").line()});
    EXPECT_EQ(count("variati"), 0);
    EXPECT_EQ(count("fatcasa"), 0);
}

}  // namespace

// A run that stopped part-way staged the file's lines against the store as it
// was before; the next run carries those on (the store has changed since)
// when it reads the same file, and stages again after a finished run or
// when the file is another one. Line problems are found either way.
TEST_F(StagingTest, LinesOfAnUnfinishedRunAreCarriedOnForTheSameFile) {
    struct Case { const char* what; bool afterUnfinished; bool sameFile; double przvec; };
    for (const Case& c : {Case{"after an unfinished run, same file", true, true, 1.2},
                          Case{"after an unfinished run, another file", true, false, 9},
                          Case{"after a finished run, same file", false, true, 9}}) {
        SCOPED_TRACE(c.what);
        root.exec(root.store(), QStringLiteral("DELETE FROM listi01"));
        root.exec(root.store(), QStringLiteral("DELETE FROM codean"));
        root.exec(root.chain(), QStringLiteral("DELETE FROM articolo"));
        root.exec(root.store(), QStringLiteral("DELETE FROM lis06c_esecuzioni"));
        const auto begin = [&](int number) {
            root.exec(root.store(), QStringLiteral("INSERT INTO lis06c_esecuzioni (numero, inizio, completa) "
                                                   "VALUES (?, '2026-12-08 06:30:00', 0)"),
                      {number});
        };
        addArticle(7, 123, 8001234567890, 1.2);
        Ble line;
        QByteArray bad = Ble{.number = 1002}.line();
        bad.replace(rec::ble::quantity.pos - 1, 3, "x!x");
        const auto stage = [&](const QList<QByteArray>& lines, bool afterUnfinished) {
            root.writeChainFile(lines);
            const std::optional<common::ChainFile> file = common::ChainFile::load(root.paths().chainFile());
            const ::Run& run = root.run();
            root.config().afterUnfinishedRun = afterUnfinished;
            chainfile::LineErrors errors;
            stageDocumentLines(run, *file, errors, 0);
            return errors.holds(1002) && !errors.holds(1001);
        };
        begin(1);
        EXPECT_TRUE(stage({line.line(), bad}, false));
        // What the stopped run did after staging: the article's cost moved.
        root.exec(root.store(), QStringLiteral("UPDATE listi01 SET cofart = 9 WHERE codart = 7"));

        Ble more = line;
        more.quantity = 4;
        begin(2);
        EXPECT_TRUE(stage({c.sameFile ? line.line() : more.line(), bad}, c.afterUnfinished));
        EXPECT_EQ(count(QStringLiteral("variati")), 1);
        EXPECT_DOUBLE_EQ(staged(root, "przvec", 1).toDouble(), c.przvec);
    }
}
