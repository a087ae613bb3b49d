// A supplier document that comes again after it was received: unchanged, it
// is skipped without a word; with other lines (a file cut during its copy,
// then sent whole; a corrected quantity or cost) it is not received a second
// time but reported as revised, in a message, in the processing log and in
// the run's summary.
#include "DocumentFixture.h"

namespace {

class RevisedDocument : public DocumentFixture {
protected:
    void SetUp() override {
        DocumentFixture::SetUp();
        addArticle(7, 123, 8001234567890, 1.5, 10, 15);
        addArticle(8, 124, 8001234567891, 2.0, 10, 20);
    }
    qint64 revised() { return root.run().summary.documentsRevised; }
};

// The document as first received: two lines.
QList<Ble> firstLines() {
    Ble a;
    Ble b;
    b.chainCode = 124;
    b.ean = 8001234567891;
    b.quantity = 5;
    b.cost = 2.0;
    return {a, b};
}

QList<QByteArray> file(const QList<Ble>& lines) {
    QList<QByteArray> out;
    for (const Ble& l : lines) out << l.line();
    return out;
}

struct Again {
    const char* name;
    void (*change)(QList<Ble>&);
    bool revised;
};

const Again kAgain[] = {
    {"same_lines", [](QList<Ble>&) {}, false},
    {"same_lines_in_another_order", [](QList<Ble>& l) { std::swap(l[0], l[1]); }, false},
    {"one_line_more", [](QList<Ble>& l) { l.append(l[0]); }, true},
    {"one_line_fewer", [](QList<Ble>& l) { l.removeLast(); }, true},
    {"another_quantity", [](QList<Ble>& l) { l[1].quantity = 6; }, true},
    {"another_cost", [](QList<Ble>& l) { l[0].cost = 1.55; }, true},
    {"another_article", [](QList<Ble>& l) { l[0].chainCode = 125; }, true},
};

class ComesAgain : public RevisedDocument, public ::testing::WithParamInterface<Again> {};

TEST_P(ComesAgain, ReceivedOnceAndReportedOnlyWhenItsLinesDiffer) {
    const Again& c = GetParam();
    runWith(file(firstLines()));
    ASSERT_EQ(count("testaof"), 1);
    const double stock = value("SELECT sum(qgia) FROM listi01").toDouble();
    root.view.messages.clear();

    QList<Ble> again = firstLines();
    c.change(again);
    runWith(file(again));

    // Never received twice, never a stock movement more.
    EXPECT_EQ(count("testaof"), 1);
    EXPECT_EQ(count("ordinif"), 2);
    EXPECT_DOUBLE_EQ(value("SELECT sum(qgia) FROM listi01").toDouble(), stock);
    EXPECT_EQ(revised(), c.revised ? 1 : 0);
    EXPECT_EQ(count("variatidivulgazioni", "tipoelaborazione = 'A' AND tipoagg = 'R' AND numpro = 1001 "
                                           "AND datain = '2026-12-01'"),
              c.revised ? 1 : 0);
    if (c.revised) {
        ASSERT_EQ(root.view.messages.size(), 1);
        EXPECT_TRUE(root.view.messages[0].contains(
            QStringLiteral("documento nr. 1001 del 01/12/2026: caricato con 2 righe, ora %1 righe").arg(again.size())))
            << root.view.messages[0].toStdString();
    } else {
        EXPECT_EQ(root.view.messages, QStringList());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ComesAgain, ::testing::ValuesIn(kAgain),
                         [](const ::testing::TestParamInfo<Again>& info) { return std::string(info.param.name); });

TEST_F(RevisedDocument, SameNumberOnAnotherDateIsAnotherDocument) {
    runWith(file(firstLines()));
    QList<Ble> later = firstLines();
    for (Ble& l : later) l.date = QDate(2026, 12, 5);
    runWith(file(later));
    EXPECT_EQ(count("testaof"), 2);
    EXPECT_EQ(revised(), 0);
    EXPECT_EQ(count("lis06c_documenti_ricevuti", "numfa = 1001"), 2);
}

TEST_F(RevisedDocument, ReceivedBeforeItsLinesWereRecorded) {
    // A store that received the document with an earlier version of the
    // program has no digest: the lines that come now become the reference.
    runWith(file(firstLines()));
    root.exec(root.store(), QStringLiteral("DELETE FROM lis06c_documenti_ricevuti"));
    QList<Ble> more = firstLines();
    more.append(more[0]);
    runWith(file(more));
    EXPECT_EQ(revised(), 0);
    EXPECT_EQ(value("SELECT righe FROM lis06c_documenti_ricevuti").toInt(), 3);
    runWith(file(firstLines()));
    EXPECT_EQ(revised(), 1);
    EXPECT_EQ(count("testaof"), 1);
}

}  // namespace
