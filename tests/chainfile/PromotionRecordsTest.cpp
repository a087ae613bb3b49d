// Promotion headers and lines read from their lines, with the "G" values.
#include "RecordTable.h"
#include "chainfile/PromotionRecords.h"

using namespace chainfile;
using namespace chainfile_test;
namespace ofd = rec::ofd;
namespace oft = rec::oft;

namespace {

RecordBuilder header() {
    return RecordBuilder("OFT")
        .num(oft::number, 4)
        .set(oft::description, "  SPESA FACILE")
        .date(oft::start, QDate(2026, 12, 1))
        .date(oft::end, QDate(2026, 12, 31));
}

RecordBuilder offer() {
    return RecordBuilder("OFD")
        .num(ofd::number, 4)
        .num(ofd::offerKind, 1)
        .num(ofd::chainCode, 1234)
        .num(ofd::value, 1490);
}

TEST(PromotionRecords, Headers) {
    checkTable<PromotionHeader>(
        {
            {"every field", header(),
             {{"number", "4"}, {"description", "SPESA FACILE"}, {"start", "2026-12-01"}, {"end", "2026-12-31"}}},
            {"number not numeric", header().set(oft::number, "12A45"), {}, "numero promozione \"12A45\""},
            {"no start date", header().set(oft::start, "20261340"), {}, "data inizio \"20261340\""},
            {"no end date", header().set(oft::end, "2026123X"), {}, "data fine \"2026123X\""},
            {"neither: the start is named", header().set(oft::start, "X").set(oft::end, "Y"), {},
             "data inizio \"X       \""},
            {"cut inside the end date: no cut mark", header().cut(100), {}, "data fine \"202\""},
            {"another record", RecordBuilder("OFD"), {}, "-"},
        },
        readPromotionHeader, [](const PromotionHeader& h) {
            return Fields{{"number", QString::number(h.number)}, {"description", h.description},
                          {"start", h.start.toString(Qt::ISODate)}, {"end", h.end.toString(Qt::ISODate)}};
        });
}

TEST(PromotionRecords, LinesAndGValues) {
    const auto g = [](const char* kind) { return RecordBuilder(kind).set(rec::gval::mark, "G"); };
    checkTable<PromotionLine>(
        {
            {"every field", offer(),
             {{"kind", "OFD"}, {"ofd", "yes"}, {"number", "4"}, {"offer", "1"}, {"chain", "1234"},
              {"padded", "000001234"}, {"value", "1.49"}}},
            {"percentage kind", offer().num(ofd::offerKind, 10).num(ofd::value, 15000),
             {{"offer", "10"}, {"value", "15"}}},
            {"kind not numeric is 0", offer().set(ofd::offerKind, "AB"), {{"offer", "0"}}},
            {"blank article", offer().set(ofd::chainCode, ""), {{"chain", "0"}, {"padded", ""}}},
            {"article with decimals: rounded half to even", offer().set(ofd::chainCode, "13.5"),
             {{"chain", "14"}, {"padded", "000000014"}}},
            {"marked: the G value replaces the value", offer().set(rec::gval::mark, "G").num(rec::gval::value, 990),
             {{"marked", "yes"}, {"value", "0.99"}}},
            {"marked, ending before the G value: 0", offer().set(rec::gval::mark, "G").cut(100),
             {{"value", "0"}}},
            {"a G line of another kind", g("XYZ").num(rec::gval::value, 500),
             {{"kind", "XYZ"}, {"ofd", "no"}, {"number", "0"}, {"value", "0.5"}}},
            {"number not numeric", offer().set(ofd::number, "12A45"), {}, "numero promozione \"12A45\""},
            {"value not numeric", offer().set(ofd::value, "1,99"), {{"number", "4"}, {"chain", "1234"}},
             "valore \"1,99        \""},
            {"a G value with blanks before its digits",
             offer().set(rec::gval::mark, "G").raw(rec::gval::value, " 00000990"), {}, "valore G \" 00000990\""},
            {"cut inside the article", offer().cut(58), {}, "codice articolo \"0001\" cut"},
            {"cut inside the value", offer().cut(145), {}, "valore \"0000000\" cut"},
            {"G line cut inside its value", g("XYZ").num(rec::gval::value, 500).cut(110), {}, "valore G \"000\" cut"},
            {"unmarked line of another kind", RecordBuilder("XYZ"), {}, "-"},
            {"a header, even marked", g("OFT"), {}, "-"},
            {"DIE lines, even marked", g("DIE").num(rec::gval::value, 500), {}, "-"},
        },
        readPromotionLine, [](const PromotionLine& p) {
            return Fields{{"kind", p.kind},
                          {"ofd", p.ofd ? "yes" : "no"},
                          {"marked", p.marked ? "yes" : "no"},
                          {"number", QString::number(p.number)},
                          {"offer", QString::number(p.offerKind)},
                          {"chain", QString::number(p.chainCode)},
                          {"padded", p.paddedChainCode},
                          {"value", p.value.toString()}};
        });
}

}  // namespace
