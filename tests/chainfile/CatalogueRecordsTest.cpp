// The catalogue records read from their lines: good lines, defaults, each bad
// field and fields cut short, one row each.
#include "RecordTable.h"
#include "chainfile/CatalogueRecords.h"

using namespace chainfile;
using namespace chainfile_test;

namespace {

RecordBuilder tab(const char* kind) {
    return RecordBuilder("TAB").set(rec::tab::table, "0127").set(rec::tab::tableKind, kind).set(
        rec::tab::description, "PASTA");
}

RecordBuilder mda() {
    return RecordBuilder("MDA")
        .num(rec::articleCode, 1234)
        .set(rec::mda::description, "PASTA")
        .set(rec::mda::umart, "KG")
        .set(rec::mda::umconf, "CT")
        .num(rec::mda::pezzatura, 500)
        .num(rec::mda::subgroup, 120)
        .set(rec::mda::tipart, "2")
        .num(rec::mda::vat, 4)
        .num(rec::mda::imbart, 12);
}

QString number(double v) { return QString::number(v); }

Fields describeTab(const TabRecord& r) {
    const char* tables[] = {"subgroup", "group", "department", "other"};
    return {{"table", tables[int(r.table)]}, {"code", number(r.code)}, {"parent", number(r.parentGroup)},
            {"department", r.department}, {"description", r.description.trimmed()}};
}

Fields describeArticle(const ArticleRecord& r) {
    return {{"code", number(r.code)},     {"description", r.description.trimmed()},
            {"umart", r.umart},           {"umconf", r.umconf},
            {"pezzatura", r.pezzatura ? number(*r.pezzatura) : QStringLiteral("none")},
            {"subgroup", number(r.subgroup)}, {"tipart", number(r.tipart)},
            {"vat", r.vat},               {"imbart", number(r.imbart)}};
}

TEST(CatalogueRecords, Tables) {
    using namespace rec::tab;
    checkTable<TabRecord>(
        {
            {"subgroup", tab("01").num(code, 123456).num(parent, 12),
             {{"table", "subgroup"}, {"code", "123456"}, {"parent", "12"}, {"description", "PASTA"}}},
            {"group: the department as written", tab("02").num(code, 12).set(parent, "03"),
             {{"table", "group"}, {"code", "12"}, {"department", "03 "}}},
            {"department: its code as written", tab("03").set(departmentCode, "003"),
             {{"table", "department"}, {"code", "0"}, {"department", "003"}}},
            {"another table kind is read, not used", tab("04"), {{"table", "other"}}},
            {"another table", RecordBuilder("TAB").set(table, "0128"), {}, "-"},
            {"another record", RecordBuilder("TAX").set(table, "0127"), {}, "-"},
            {"subgroup code not numeric", tab("01").set(code, "12A456").num(parent, 12), {},
             "codice sottogruppo \"12A456\""},
            {"subgroup's group not numeric", tab("01").num(code, 1).set(parent, "1X2"), {}, "codice gruppo \"1X2\""},
            {"group code not numeric", tab("02").set(code, "A"), {}, "codice gruppo \"A     \""},
            {"department code not numeric", tab("03").set(departmentCode, "0A3"), {}, "codice reparto \"0A3\""},
            {"cut inside the code", tab("01").num(code, 123456).cut(52), {}, "codice \"12\" cut"},
            {"ends before the table kind", tab("01").num(code, 123456).cut(90), {}, "tipo tabella \"\" cut"},
            {"ends inside the table kind", tab("01").num(code, 123456).cut(93), {}, "tipo tabella \"0\" cut"},
        },
        readTab, describeTab);
}

TEST(CatalogueRecords, ArticleData) {
    using namespace rec::mda;
    checkTable<ArticleRecord>(
        {
            {"every field", mda(),
             {{"code", "1234"}, {"description", "PASTA"}, {"umart", "KG"}, {"umconf", "CT"}, {"pezzatura", "500"},
              {"subgroup", "120"}, {"tipart", "2"}, {"vat", "04"}, {"imbart", "12"}}},
            {"defaults for blanks",
             mda().set(umart, "").set(umconf, "").set(pezzatura, "").set(tipart, "").set(vat, "").set(imbart, ""),
             {{"umart", "PZ"}, {"umconf", "PZ"}, {"pezzatura", "none"}, {"tipart", "1"}, {"vat", "00"},
              {"imbart", "1"}}},
            {"defaults for what is not a number",
             mda().set(pezzatura, "12X4").set(tipart, "X").set(imbart, "ABCD"),
             {{"pezzatura", "none"}, {"tipart", "1"}, {"imbart", "1"}}},
            {"article type 0 is 1", mda().set(tipart, "0"), {{"tipart", "1"}}},
            {"a unit keeps its blanks", mda().set(umart, "K"), {{"umart", "K "}}},
            {"VAT as a number in two digits", mda().set(vat, " 5"), {{"vat", "05"}}},
            {"no VAT past the line's end", mda().cut(150), {{"vat", "00"}, {"imbart", "1"}, {"subgroup", "120"}}},
            {"pieces cut short: 1", mda().cut(265), {{"imbart", "1"}}},
            {"VAT not numeric", mda().set(vat, "A1"), {}, "codice IVA \"A1\""},
            {"VAT cut short", mda().cut(189), {}, "codice IVA \"0\" cut"},
            {"subgroup not numeric", mda().set(subgroup, "12A"), {}, "codice sottogruppo \"12A   \""},
            {"subgroup cut short", mda().cut(102), {}, "codice sottogruppo \"000\" cut"},
            {"code not numeric", mda().set(rec::articleCode, "00012A4"), {}, "codice articolo \"00012A4\""},
            {"code cut short", mda().cut(50), {}, "codice articolo \"0001\" cut"},
            {"code 0: nothing else read", mda().num(rec::articleCode, 0).set(vat, "XX"),
             {{"code", "0"}, {"description", ""}}},
            {"another record", RecordBuilder("MDX"), {}, "-"},
        },
        readArticle, describeArticle);
}

TEST(CatalogueRecords, EanPriceAndCost) {
    const auto mha = [] { return RecordBuilder("MHA").num(rec::articleCode, 1234); };
    checkTable<EanRecord>(
        {
            {"thirteen digits", mha().set(rec::mha::ean, "8001234567890"), {{"ean", "8001234567890"}}},
            {"short: leading zeros", mha().set(rec::mha::ean, "12345"), {{"ean", "0000000012345"}}},
            {"blanks around", mha().raw(rec::mha::ean, "  12345"), {{"ean", "0000000012345"}}},
            {"a blank inside", mha().set(rec::mha::ean, "12 345"), {}, "EAN \"12 345       \""},
            {"a sign is no digit", mha().set(rec::mha::ean, "+12345"), {}, "EAN \"+12345       \""},
            {"blank", mha(), {}, "EAN \"             \""},
            {"cut short", mha().set(rec::mha::ean, "8001234567890").cut(65), {}, "EAN \"800123\" cut"},
            {"bad code", mha().set(rec::articleCode, "ABC"), {}, "codice articolo \"ABC    \""},
        },
        readEan, [](const EanRecord& r) { return Fields{{"ean", r.ean}}; });

    const auto mhe = [] { return RecordBuilder("MHE").num(rec::articleCode, 1234); };
    checkTable<PriceRecord>(
        {
            {"thousandths", mhe().num(rec::mhe::price, 1990), {{"price", "1.99"}}},
            {"single precision", mhe().num(rec::mhe::price, 1234567891), {{"price", "1234567.9"}}},
            {"not numeric", mhe().set(rec::mhe::price, "0000000012A4"), {}, "prezzo di vendita \"0000000012A4\""},
            {"cut short", mhe().num(rec::mhe::price, 1990).cut(60), {}, "prezzo di vendita \"0000000\" cut"},
        },
        readPrice, [](const PriceRecord& r) { return Fields{{"price", r.price.toString()}}; });

    const auto mhn = [] { return RecordBuilder("MHN").num(rec::articleCode, 1234); };
    checkTable<CostRecord>(
        {
            {"thousandths", mhn().num(rec::mhn::cost, 1500), {{"cost", "1.5"}}},
            {"not numeric: 0, no problem", mhn().set(rec::mhn::cost, "ABC"), {{"cost", "0"}}},
        },
        readCost, [](const CostRecord& r) { return Fields{{"cost", r.cost.toString()}}; });
}

TEST(CatalogueRecords, DateOfDataFromAnyLineButABlankOne) {
    EXPECT_EQ(dateOfData(common::ChainLine(1, RecordBuilder("XYZ", QDate(2026, 3, 9)).line())), "09/03/2026");
    EXPECT_EQ(dateOfData(common::ChainLine(1, " \t ")), std::nullopt);
    EXPECT_EQ(dateOfData(common::ChainLine(1, "short")), "//");

    // A whole file's date is its last line's that is not blank, whatever came before.
    const QByteArray d1 = RecordBuilder("MHE", QDate(2026, 3, 9)).line();
    const QByteArray d2 = RecordBuilder("MHA", QDate(2026, 3, 10)).line();
    const struct {
        std::vector<QByteArray> lines;
        QString date;
    } files[] = {
        {{}, ""},
        {{" "}, ""},
        {{d1, d1, d2}, "10/03/2026"},
        {{d1, d2, " \t"}, "10/03/2026"},
        {{d1, d2, d1}, "09/03/2026"},
        {{d2, "short"}, "//"},
    };
    for (const auto& f : files) {
        DataDate date;
        for (const QByteArray& line : f.lines) date.see(common::ChainLine(1, line));
        EXPECT_EQ(date.text(), f.date) << f.lines.size() << " lines";
        EXPECT_FALSE(date.text().isNull());
    }
}

}  // namespace
