// Supplier-document lines read from their lines, and the document each line
// belongs to when its own number cannot be read.
#include "RecordTable.h"
#include "chainfile/DocumentLine.h"
#include "chainfile/LineErrors.h"

using namespace chainfile;
using namespace chainfile_test;
namespace ble = rec::ble;

namespace {

RecordBuilder line(qint64 number = 1001) {
    return RecordBuilder("BLE", QDate(2026, 12, 1))
        .num(ble::number, number)
        .set(ble::lineClass, "01")
        .set(ble::lineType, "R")
        .num(ble::chainCode, 1234)
        .set(ble::description, "PASTA")
        .set(ble::umart, "KG")
        .set(ble::vat, "04")
        .num(ble::subfamily, 120)
        .num(ble::ean, 8001234567890)
        .num(ble::packages, 2)
        .num(ble::quantity, 150)
        .num(ble::cost, 123456)
        .num(ble::price, 1990);
}

Fields describe(const DocumentLine& d) {
    return {{"number", QString::number(d.number)},
            {"date", d.date.toString(Qt::ISODate)},
            {"header", d.headerType},
            {"type", d.lineType},
            {"excluded", d.excluded ? "yes" : "no"},
            {"chain", d.chainCode},
            {"umart", d.umart},
            {"subfamily", QString::number(d.subfamily)},
            {"ean", d.ean},
            {"packages", QString::number(d.packages)},
            {"quantity", d.quantity.toString()},
            {"cost", d.cost.toString()},
            {"list", d.listValue.toString()},
            {"price", d.price.toString()}};
}

TEST(DocumentLine, FieldsDefaultsAndProblems) {
    checkTable<DocumentLine>(
        {
            {"every field", line(),
             {{"number", "1001"}, {"date", "2026-12-01"}, {"header", "B"}, {"type", "F"}, {"excluded", "no"},
              {"chain", "000001234"}, {"umart", "KG"}, {"subfamily", "120"}, {"ean", "8001234567890"},
              {"packages", "2"}, {"quantity", "1.5"}, {"cost", "1.2346"}, {"list", "1990"}, {"price", "1.99"}}},
            {"invoice header, delivery-note line", line().set(ble::headerType, "R").set(ble::lineType, "X"),
             {{"header", "F"}, {"type", "B"}}},
            {"excluded", line().set(ble::exclusion, "IE"), {{"excluded", "yes"}}},
            {"blank unit", line().set(ble::umart, ""), {{"umart", "PZ"}}},
            {"chain code not numeric", line().set(ble::chainCode, "12A4567"), {{"chain", ""}}},
            {"chain code with decimals: cut off", line().set(ble::chainCode, "13.5"), {{"chain", "000000013"}}},
            {"subfamily not numeric", line().set(ble::subfamily, "12A"), {{"subfamily", "0"}}},
            {"EAN not numeric", line().set(ble::ean, "80012345X7890"), {{"ean", "             "}}},
            {"short EAN", line().set(ble::ean, "12345"), {{"ean", "0000000012345"}}},
            {"negative EAN keeps its sign", line().set(ble::ean, "-5"), {{"ean", "-0000000000005"}}},
            {"packages rounded half to even", line().set(ble::packages, "2.5"), {{"packages", "2"}}},
            {"quantity in hundredths", line().num(ble::quantity, 1234), {{"quantity", "12.34"}}},
            {"cost: a half at the fifth decimal goes to even (up)", line().num(ble::cost, 123455),
             {{"cost", "1.2346"}}},
            {"cost: a half at the fifth decimal goes to even (down)", line().num(ble::cost, 123465),
             {{"cost", "1.2346"}}},
            {"negative cost", line().set(ble::cost, "-15"), {{"cost", "-0.0002"}}},
            {"price of dashes and commas", line().set(ble::price, "----,-----"), {{"list", "0"}, {"price", "0"}}},
            {"a comma in the price reads as a zero", line().set(ble::price, "12,50"),
             {{"list", "12050"}, {"price", "12.05"}}},
            {"price in single precision", line().num(ble::price, 1234567891),
             {{"list", "1234567891"}, {"price", "1234567.9"}}},
            {"price not numeric: 0, no problem", line().set(ble::price, "ABC"), {{"list", "0"}, {"price", "0"}}},
            {"number not numeric", line().set(ble::number, "10O5"), {{"number", "0"}},
             "numero documento \"10O5   \""},
            {"number cut short: no cut mark", line().cut(60), {}, "numero documento \"0001\"; colli \"\"; "
                                                               "quantità \"\"; costo unitario \"\""},
            {"no calendar date", RecordBuilder("BLE").num(ble::number, 1).raw(rec::dateYmd, "20260231")
                                     .num(ble::packages, 1).num(ble::quantity, 1).num(ble::cost, 1),
             {}, "data documento \"20260231\""},
            {"packages, quantity and cost unreadable",
             line().set(ble::packages, "0000A").set(ble::quantity, "00003A000").set(ble::cost, ""), {},
             "colli \"0000A\"; quantità \"00003A000\"; costo unitario \"              \""},
            {"only the first amount cut short", line().cut(175), {}, "quantità \"00000\" cut"},
            {"cost cut short", line().cut(185), {}, "costo unitario \"000000\" cut"},
            {"price cut short", line().cut(200), {}, "prezzo di vendita \"0000001\" cut"},
            {"number and an amount", line().set(ble::number, "X").set(ble::quantity, "X"), {},
             "numero documento \"X      \"; quantità \"X        \""},
            {"another record", RecordBuilder("BLF"), {}, "-"},
        },
        readDocumentLine, describe);
}

common::ChainLine at(int number, const QByteArray& bytes) { return common::ChainLine(number, bytes); }

// One walk: the document of each line, as the walk meets them.
QList<qint32> walk(const QList<QByteArray>& lines, LineErrors& errors) {
    DocumentGrouping grouping(errors);
    QList<qint32> documents;
    for (int i = 0; i < lines.size(); ++i) documents << grouping.place(*readDocumentLine(at(i + 1, lines[i])));
    return documents;
}

TEST(DocumentGrouping, AnUnreadableNumberHoldsTheDocumentsBeforeAndAfter) {
    const QByteArray unreadable = line().set(ble::number, "10O5").line();
    LineErrors errors;
    EXPECT_EQ(walk({line(5), unreadable, line(7), line(9)}, errors), (QList<qint32>{5, 5, 7, 9}));
    EXPECT_TRUE(errors.holds(5));
    EXPECT_TRUE(errors.holds(7));
    EXPECT_FALSE(errors.holds(9));
    EXPECT_TRUE(errors.documentMessage().endsWith("riga 2, documento 5 o 7: campo numero documento \"10O5   \""));

    // Between two lines of one document only that document is named; before
    // the first readable line the document is 0.
    LineErrors within;
    EXPECT_EQ(walk({unreadable, line(5), unreadable, line(5)}, within), (QList<qint32>{0, 5, 5, 5}));
    EXPECT_TRUE(within.documentMessage().endsWith("riga 1, documento 0 o 5: campo numero documento \"10O5   \"\n"
                                                  "riga 3, documento 5: campo numero documento \"10O5   \""));
}

TEST(DocumentGrouping, TwoWalksReportALineOnceAndEachStartsAfresh) {
    // The document list and the staging both walk the file. A last line whose
    // number is unreadable waits for no number of the next walk.
    const QList<QByteArray> lines = {line(1), line(2), line().set(ble::number, "X")};
    LineErrors errors;
    walk(lines, errors);
    walk(lines, errors);
    EXPECT_TRUE(errors.holds(2));
    EXPECT_FALSE(errors.holds(1));
    EXPECT_EQ(errors.tally(LineErrors::Stage::Documents), 1);
    EXPECT_TRUE(errors.documentMessage().endsWith("\nriga 3, documento 2: campo numero documento \"X      \""));
}

}  // namespace
