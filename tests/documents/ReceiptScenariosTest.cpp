// Supplier documents received from files of every shape a store meets: one
// number in two years, lines of articles the store does not know yet with
// EANs of every kind, articles known only by chain code, an EAN row left
// without article. Each row says what the store must end with: the headers,
// each document's lines, every line on an article, and the stock.
#include "DocumentFixture.h"

#include <vector>

namespace {

const QDate kLastYear(2025, 12, 31);
const QDate kMarch(2026, 3, 2);
const QDate kNovember(2026, 11, 30);

// A "BLE" line: document number and date, chain code, EAN as written in the
// file (13 characters: digits, blanks, zeros or letters), quantity, cost.
struct Line {
    qint32 number;
    QDate date;
    qint64 chainCode;
    const char* ean;
    double quantity;
    double cost = 1.5;  // the cost article 7 has before the run
};

struct Expected {
    qint32 number;
    int year;
    int lines;
};

struct ReceiptCase {
    const char* name;
    std::vector<Line> lines;
    std::vector<Expected> documents;                 // each received document and its lines
    std::vector<std::pair<qint64, double>> stock;    // stock of the store's article of each chain code
    int articlesMade;
    std::vector<std::pair<qint64, double>> value = {};  // its stock value, where the case is about it
};

constexpr const char* kKnown = "8001234567890";   // the EAN of article 7 (chain code 123)
constexpr const char* kOrphan = "8009999999999";  // an EAN row without article

const ReceiptCase kCases[] = {
    {"OneNumberInTwoYearsSideBySide",
     {{8, kLastYear, 123, kKnown, 5}, {8, kMarch, 123, kKnown, 10}},
     {{8, 2025, 1}, {8, 2026, 1}},
     {{123, 15}},
     0},
    {"OneNumberInTwoYearsApart",
     {{8, kLastYear, 123, kKnown, 5}, {9, kMarch, 123, kKnown, 2}, {8, kMarch, 123, kKnown, 3}, {8, kLastYear, 123, kKnown, 1}},
     {{8, 2025, 2}, {9, 2026, 1}, {8, 2026, 1}},
     {{123, 11}},
     0},
    {"NewChainCodeWithThreeEans",
     {{20, kNovember, 321, "8003210000001", 4}, {20, kNovember, 321, "8003210000002", 3},
      {20, kNovember, 321, "8003210000003", 2}},
     {{20, 2026, 3}},
     {{321, 9}},
     1},
    {"NewArticlesWhoseEanLeadsNowhere",
     {{21, kNovember, 331, "             ", 1}, {21, kNovember, 332, "0000000000000", 2},
      {21, kNovember, 333, "80033300000X1", 3}, {21, kNovember, 333, "             ", 4}},
     {{21, 2026, 4}},
     {{331, 1}, {332, 2}, {333, 7}},
     3},
    {"NewArticleInTwoDocumentsOfTwoYears",
     {{30, kLastYear, 341, "8003410000001", 2}, {30, kMarch, 341, "8003410000002", 5}},
     {{30, 2025, 1}, {30, 2026, 1}},
     {{341, 7}},
     1},
    {"KnownArticleThroughItsChainCodeWithANewEan",
     {{22, kNovember, 123, "8001234567899", 6}},
     {{22, 2026, 1}},
     {{123, 6}},
     0},
    {"EanRowWithoutArticleJoinsTheArticleOfItsChainCode",
     {{23, kNovember, 123, kOrphan, 4}},
     {{23, 2026, 1}},
     {{123, 4}},
     0},
    // The first line loads 3 at 2.00 (6.00) and revalues them from 1.50 (+1.50);
    // the second finds 2.00 as the cost the first one left and only loads (+6.00).
    {"KnownArticleAtANewCostInTwoDocuments",
     {{24, kNovember, 123, kKnown, 3, 2.0}, {25, kNovember, 123, kKnown, 3, 2.0}},
     {{24, 2026, 1}, {25, 2026, 1}},
     {{123, 6}},
     0,
     {{123, 13.5}}},
};

class ReceiptScenarios : public DocumentFixture, public ::testing::WithParamInterface<ReceiptCase> {
protected:
    void SetUp() override {
        addArticle(7, 123, 8001234567890, 1.5);
        root.exec(root.store(), "INSERT INTO listi02 (codart, codlis, codafo) VALUES (7, '004321', '000000123')");
        root.exec(root.store(), "INSERT INTO codean (eanare, codare) VALUES (?, 0)", {QString::fromLatin1(kOrphan)});
    }
};

TEST_P(ReceiptScenarios, EachDocumentGetsExactlyItsLinesOnTheirArticlesAndStock) {
    const ReceiptCase& c = GetParam();
    QList<QByteArray> file;
    double quantities = 0;
    for (const Line& l : c.lines) {
        Ble b;
        b.number = l.number;
        b.date = l.date;
        b.chainCode = l.chainCode;
        b.quantity = l.quantity;
        b.cost = l.cost;
        QByteArray bytes = b.line();
        bytes.replace(rec::ble::ean.pos - 1, rec::ble::ean.len, l.ean);
        file << bytes;
        quantities += l.quantity;
    }
    const qint64 articlesBefore = count("listi01");
    runWith(file);
    EXPECT_TRUE(root.view.messages.isEmpty()) << root.view.messages.join('\n').toStdString();

    EXPECT_EQ(count("testaof"), static_cast<qint64>(c.documents.size()));
    for (const Expected& d : c.documents) {
        EXPECT_EQ(count("ordinif o JOIN testaof t ON o.bannoc = t.anno AND o.bnumer = t.numero AND "
                        "o.tipodoc = t.tipodoc",
                        QStringLiteral("t.numfa = %1 AND t.annofa = %2").arg(d.number).arg(d.year)),
                  d.lines)
            << "document " << d.number << " of " << d.year;
    }
    EXPECT_EQ(count("ordinif", "articoli = 0"), 0);
    EXPECT_DOUBLE_EQ(value("SELECT sum(quantita) FROM ordinif").toDouble(), quantities);
    EXPECT_EQ(count("listi01") - articlesBefore, c.articlesMade);
    for (const auto& [chainCode, qgia] : c.stock) {
        const QString codafo = QStringLiteral("%1").arg(chainCode, 9, 10, QLatin1Char('0'));
        EXPECT_EQ(count("listi01", QStringLiteral("codafo = '%1'").arg(codafo)), 1) << chainCode;
        EXPECT_DOUBLE_EQ(value("SELECT qgia FROM listi01 WHERE codafo = ?", {codafo}).toDouble(), qgia) << chainCode;
        // Every line of the chain code is on that article.
        EXPECT_EQ(value("SELECT count(DISTINCT articoli) FROM ordinif WHERE codafo = ?", {codafo}).toInt(), 1);
    }
    for (const auto& [chainCode, valgia] : c.value) {
        const QString codafo = QStringLiteral("%1").arg(chainCode, 9, 10, QLatin1Char('0'));
        EXPECT_DOUBLE_EQ(value("SELECT valgia FROM listi01 WHERE codafo = ?", {codafo}).toDouble(), valgia) << chainCode;
    }

    // The EAN row without article joined article 7, and the log says so.
    const bool orphanMet = std::any_of(c.lines.begin(), c.lines.end(),
                                       [](const Line& l) { return QByteArray(l.ean) == kOrphan; });
    EXPECT_EQ(value("SELECT codare FROM codean WHERE eanare = ?", {QString::fromLatin1(kOrphan)}).toInt(),
              orphanMet ? 7 : 0);
    EXPECT_EQ(count("variatidivulgazioni", QStringLiteral("tipoelaborazione = 'B' AND tipoagg = 'A' AND codart = 7 "
                                                          "AND ean = '%1' AND codafon = '000000123'")
                                               .arg(QString::fromLatin1(kOrphan))),
              orphanMet ? 1 : 0);

    // The same file again receives nothing more.
    runWith(file);
    EXPECT_EQ(count("testaof"), static_cast<qint64>(c.documents.size()));
    EXPECT_DOUBLE_EQ(value("SELECT sum(qgia) FROM listi01").toDouble(), quantities);
}

INSTANTIATE_TEST_SUITE_P(Files, ReceiptScenarios, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ReceiptCase>& info) { return info.param.name; });

// A run stopped anywhere in the documents leaves none of them, and the next run
// ends as a run that was never stopped: the articles made from the lines are
// made, and the lines staged, once more, alike.
TEST(DocumentsStopped, AtAnyLineTheNextRunEndsWithTheSameLinesAndStock) {
    QList<QByteArray> file;
    const Line lines[] = {{40, kNovember, 351, "8003510000001", 4}, {40, kNovember, 123, kKnown, 2},
                          {41, kNovember, 351, "8003510000002", 3}, {41, kNovember, 352, "             ", 5}};
    for (const Line& l : lines) {
        Ble b;
        b.number = l.number;
        b.date = l.date;
        b.chainCode = l.chainCode;
        b.quantity = l.quantity;
        b.cost = 1.25 * l.quantity;
        QByteArray bytes = b.line();
        bytes.replace(rec::ble::ean.pos - 1, rec::ble::ean.len, l.ean);
        file << bytes;
    }
    // The lines with their articles and cost changes, and every article's stock.
    const auto outcome = [](DocumentStore& s) {
        return s.value("SELECT group_concat(x, ';') FROM (SELECT o.bnumer || '/' || o.bns || ':' || o.articoli || "
                       "'=' || o.quantita || '@' || o.ricart AS x FROM ordinif o ORDER BY 1)")
                   .toString() +
               QLatin1Char('|') +
               s.value("SELECT group_concat(x, ';') FROM (SELECT codart || ':' || qgia || ':' || valgia || ':' || "
                       "cosmp AS x FROM listi01 ORDER BY codart)")
                   .toString();
    };
    DocumentStore clean;
    clean.addArticle(7, 123, 8001234567890, 1.5, 10, 15);
    clean.runWith(file);
    const QString expected = outcome(clean);
    ASSERT_EQ(clean.count("ordinif"), 4);

    for (int stopAt = 1; stopAt <= 4; ++stopAt) {
        SCOPED_TRACE(stopAt);
        DocumentStore s;
        s.addArticle(7, 123, 8001234567890, 1.5, 10, 15);
        s.root.exec(s.root.store(), QStringLiteral("CREATE TRIGGER stop AFTER INSERT ON ordinif WHEN "
                                                   "(SELECT count(*) FROM ordinif) = %1 "
                                                   "BEGIN SELECT RAISE(ABORT, 'interrupted'); END")
                                        .arg(stopAt));
        EXPECT_THROW(s.runWith(file), db::Error);
        EXPECT_EQ(s.count("ordinif"), 0);
        EXPECT_EQ(s.count("listi01"), 1);
        s.root.exec(s.root.store(), "DROP TRIGGER stop");
        s.runWith(file);
        EXPECT_EQ(outcome(s), expected);
    }
}

}  // namespace
