#include "chainfile/CatalogueRecords.h"

#include "common/Numbers.h"

#include <algorithm>

using common::ChainLine;

namespace chainfile {

namespace {

// A numeric field present in whole: one problem when it is cut short or not a number.
bool wholeNumber(const ChainLine& line, const rec::Field& f, const char* name, LineRecord& r) {
    if (line.cutShort(f)) {
        r.problems << problemAt(line, f, name, true);
        return false;
    }
    if (!line.numeric(f)) {
        r.problems << problemAt(line, f, name);
        return false;
    }
    return true;
}

// An optional numeric field: usable when numeric and present in whole.
bool optionalNumber(const ChainLine& line, const rec::Field& f) { return line.numeric(f) && !line.cutShort(f); }

// A number that must fit a 32-bit whole (a code): problem when cut short,
// not a number, or out of range.
bool code32(const ChainLine& line, const rec::Field& f, const char* name, qint64& value, LineRecord& r) {
    bool ok = false;
    value = common::wholeValue(line.text(f), &ok);
    if (line.cutShort(f)) {
        r.problems << problemAt(line, f, name, true);
        return false;
    }
    if (!ok) {
        r.problems << problemAt(line, f, name);
        return false;
    }
    return true;
}

QString unitOrPz(const QString& unit) { return unit.trimmed().isEmpty() ? QStringLiteral("PZ") : unit; }

bool allDigits(const QString& s) {
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c >= '0' && c <= '9'; });
}

// The record of an article line of `kind`, with its code read; false when
// nothing more is to be read (a bad code, or code 0).
template <typename Record>
std::optional<Record> articleLine(const ChainLine& line, const char* kind, bool* more) {
    *more = false;
    if (!line.is(rec::kind, kind)) return std::nullopt;
    Record r = recordOf<Record>(line, QString::fromLatin1(kind));
    *more = code32(line, rec::articleCode, "codice articolo", r.code, r) && r.code != 0;
    return r;
}

}  // namespace

std::optional<TabRecord> readTab(const ChainLine& line) {
    namespace tab = rec::tab;
    if (!line.is(rec::kind, "TAB") || !line.is(tab::table, "0127")) return std::nullopt;
    TabRecord r = recordOf<TabRecord>(line, QStringLiteral("TAB"));
    if (line.cutShort(tab::code)) {
        r.problems << problemAt(line, tab::code, "codice", true);
        return r;
    }
    // The table kind decides what the code is: a line that ends before it is cut short.
    if (line.width(tab::tableKind) < tab::tableKind.len) {
        r.problems << problemAt(line, tab::tableKind, "tipo tabella", true);
        return r;
    }
    r.description = line.text(tab::description);
    if (line.is(tab::tableKind, "01")) {
        r.table = TabRecord::Table::Subgroup;
        if (!wholeNumber(line, tab::code, "codice sottogruppo", r)) return r;
        if (!wholeNumber(line, tab::parent, "codice gruppo", r)) return r;
        r.code = common::wholeValue(line.text(tab::code));
        r.parentGroup = common::wholeValue(line.text(tab::parent));
    } else if (line.is(tab::tableKind, "02")) {
        r.table = TabRecord::Table::Group;
        if (!wholeNumber(line, tab::code, "codice gruppo", r)) return r;
        r.code = common::wholeValue(line.text(tab::code));
        r.department = line.text(tab::parent);
    } else if (line.is(tab::tableKind, "03")) {
        r.table = TabRecord::Table::Department;
        if (!wholeNumber(line, tab::departmentCode, "codice reparto", r)) return r;
        r.department = line.text(tab::departmentCode);
    }
    return r;
}

std::optional<ArticleRecord> readArticle(const ChainLine& line) {
    namespace mda = rec::mda;
    bool more = false;
    std::optional<ArticleRecord> r = articleLine<ArticleRecord>(line, "MDA", &more);
    if (!more) return r;
    if (!code32(line, mda::subgroup, "codice sottogruppo", r->subgroup, *r)) return r;
    // A VAT code that cannot be read is a problem: filed as "00" the article
    // would be sold without VAT. A blank code (or a line ending before it) is
    // no code: "00".
    const QString vat = line.text(mda::vat);
    if (line.cutShort(mda::vat)) {
        r->problems << problemAt(line, mda::vat, "codice IVA", true);
        return r;
    }
    if (!vat.trimmed().isEmpty() && !line.numeric(mda::vat)) {
        r->problems << problemAt(line, mda::vat, "codice IVA");
        return r;
    }
    r->vat = common::zeroPad(common::wholeValue(vat), 2);
    r->description = line.text(mda::description).left(30);
    r->umart = unitOrPz(line.text(mda::umart));
    r->umconf = unitOrPz(line.text(mda::umconf));
    if (optionalNumber(line, mda::pezzatura)) r->pezzatura = line.value(mda::pezzatura);
    if (optionalNumber(line, mda::tipart)) r->tipart = line.value(mda::tipart);
    if (r->tipart == 0) r->tipart = 1;
    if (optionalNumber(line, mda::imbart)) r->imbart = line.value(mda::imbart);
    return r;
}

std::optional<EanRecord> readEan(const ChainLine& line) {
    bool more = false;
    std::optional<EanRecord> r = articleLine<EanRecord>(line, "MHA", &more);
    if (!more) return r;
    // Digits only, written with or without leading zeros; blanks around are no part of it.
    const QString read = line.text(rec::mha::ean).trimmed();
    if (line.cutShort(rec::mha::ean)) {
        r->problems << problemAt(line, rec::mha::ean, "EAN", true);
    } else if (!allDigits(read)) {
        r->problems << problemAt(line, rec::mha::ean, "EAN");
    } else {
        r->ean = read.rightJustified(13, QLatin1Char('0'));
    }
    return r;
}

std::optional<PriceRecord> readPrice(const ChainLine& line) {
    bool more = false;
    std::optional<PriceRecord> r = articleLine<PriceRecord>(line, "MHE", &more);
    if (!more || !wholeNumber(line, rec::mhe::price, "prezzo di vendita", *r)) return r;
    r->price =
        common::toSingle(*common::Amount::fromDigits(line.raw(rec::mhe::price), common::Amount::Thousandths));
    return r;
}

std::optional<CostRecord> readCost(const ChainLine& line) {
    bool more = false;
    std::optional<CostRecord> r = articleLine<CostRecord>(line, "MHN", &more);
    if (!more) return r;
    r->cost = common::Amount::fromDigits(line.raw(rec::mhn::cost), common::Amount::Thousandths)
                  .value_or(common::Amount());
    return r;
}

std::optional<QString> dateOfData(const ChainLine& line) {
    if (line.bytes().trimmed().isEmpty()) return std::nullopt;
    return line.text(rec::day) + QLatin1Char('/') + line.text(rec::month) + QLatin1Char('/') +
           line.text(rec::year);
}

void DataDate::see(const ChainLine& line) {
    if (line.bytes().trimmed().isEmpty()) return;
    seen_.clear();
    for (const rec::Field& f : {rec::day, rec::month, rec::year}) {
        const QByteArrayView raw = line.raw(f);
        seen_.append(raw.data(), size_t(raw.size())).push_back('\n');
    }
    if (seen_ == raw_) return;
    raw_.swap(seen_);
    text_ = *dateOfData(line);
}

}  // namespace chainfile
