#include "chainfile/PromotionRecords.h"

#include "common/Dates.h"
#include "common/Numbers.h"

using common::ChainLine;

namespace chainfile {

namespace {

// yyyymmdd; invalid when not a calendar date or cut short.
QDate yyyymmdd(const QString& s) {
    const QStringView v(s);
    return common::dateFromParts(v.mid(6, 2), v.mid(4, 2), v.left(4));
}

}  // namespace

std::optional<PromotionHeader> readPromotionHeader(const ChainLine& line) {
    namespace oft = rec::oft;
    if (!line.is(rec::kind, "OFT")) return std::nullopt;
    PromotionHeader h = recordOf<PromotionHeader>(line, QStringLiteral("OFT"));
    bool ok = false;
    h.number = static_cast<qint32>(common::wholeValue(line.text(oft::number), &ok));
    if (!ok) {
        h.problems << problemAt(line, oft::number, "numero promozione");
        return h;
    }
    h.description = line.text(oft::description).trimmed();
    h.start = yyyymmdd(line.text(oft::start));
    h.end = yyyymmdd(line.text(oft::end));
    if (!h.start.isValid())
        h.problems << problemAt(line, oft::start, "data inizio");
    else if (!h.end.isValid())
        h.problems << problemAt(line, oft::end, "data fine");
    return h;
}

bool PromotionLine::valueRead() const { return !problem(rec::ofd::value) && !problem(rec::gval::value); }

std::optional<PromotionLine> readPromotionLine(const ChainLine& line) {
    namespace ofd = rec::ofd;
    const bool isOfd = line.is(rec::kind, "OFD");
    const bool marked = line.is(rec::gval::mark, "G");
    if (line.is(rec::kind, "OFT") || line.is(rec::kind, "DIE") || (!isOfd && !marked)) return std::nullopt;
    PromotionLine p = recordOf<PromotionLine>(line, isOfd ? QStringLiteral("OFD") : line.text(rec::kind));
    p.ofd = isOfd;
    p.marked = marked;

    // A line that ends inside a field it needs would be read as another number
    // or another article. An "OFD" line is checked on its own fields only,
    // also when it is marked.
    static const NamedField ofdFields[] = {{ofd::number, "numero promozione"},
                                           {ofd::offerKind, "tipo offerta"},
                                           {ofd::chainCode, "codice articolo"},
                                           {ofd::value, "valore"}};
    static const NamedField gFields[] = {{rec::gval::value, "valore G"}};
    const auto fields = isOfd ? std::span<const NamedField>(ofdFields) : std::span<const NamedField>(gFields);
    if (reportFirstCut(line, fields, p)) return p;

    if (isOfd) {
        bool ok = false;
        p.number = static_cast<qint32>(common::wholeValue(line.text(ofd::number), &ok));
        if (!ok) {
            p.number = 0;
            p.problems << problemAt(line, ofd::number, "numero promozione");
            return p;
        }
        p.offerKind = line.value(ofd::offerKind);
        p.articleText = line.text(ofd::chainCode);
        if (!p.articleText.trimmed().isEmpty() && common::isNumeric(p.articleText)) {
            p.chainCode = static_cast<qint32>(common::wholeValue(p.articleText));
            p.paddedChainCode = common::zeroPad(p.chainCode, 9);
        }
    }

    // The "G" value has a "0" put in front: blanks before its digits make it unreadable.
    const QString valueText = marked ? QLatin1Char('0') + line.text(rec::gval::value) : line.text(ofd::value);
    if (common::isNumeric(valueText)) {
        p.value = *common::Amount::fromDigits(valueText, common::Amount::Thousandths);
    } else if (marked) {
        p.problems << problemAt(line, rec::gval::value, "valore G");
    } else {
        p.problems << problemAt(line, ofd::value, "valore");
    }
    return p;
}

}  // namespace chainfile
