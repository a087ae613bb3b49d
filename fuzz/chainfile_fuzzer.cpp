// libFuzzer target: the chain's file from arbitrary bytes, every field of
// every record kind decoded, and every line read by the record readers the
// stages use, their problems collected as a run collects them. Besides
// crashes and sanitizer reports it checks that the decodings agree with one
// another, that no text or message carries a NUL, and that every record's
// problems point at fields of the line.
#include "chainfile/BadBytes.h"
#include "chainfile/CatalogueRecords.h"
#include "chainfile/DocumentLine.h"
#include "chainfile/LineErrors.h"
#include "chainfile/PromotionRecords.h"
#include "common/ChainFile.h"
#include "common/ChainRecords.h"
#include "common/Cp1252.h"
#include "common/Dates.h"
#include "common/Numbers.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cstdio>

namespace {

const rec::Field kFields[] = {
    rec::kind, rec::year, rec::month, rec::day, rec::dateYmd, rec::articleCode,
    rec::tab::table, rec::tab::code, rec::tab::departmentCode, rec::tab::description,
    rec::tab::tableKind, rec::tab::parent,
    rec::mda::description, rec::mda::umart, rec::mda::umconf, rec::mda::pezzatura,
    rec::mda::subgroup, rec::mda::tipart, rec::mda::vat, rec::mda::imbart,
    rec::mha::ean, rec::mhe::price, rec::mhe::unused, rec::mhn::cost,
    rec::ble::lineClass, rec::ble::lineType, rec::ble::headerType, rec::ble::number,
    rec::ble::chainCode, rec::ble::description, rec::ble::umart, rec::ble::unita2,
    rec::ble::quaco, rec::ble::imbart, rec::ble::exclusion, rec::ble::vat,
    rec::ble::subfamily, rec::ble::ean, rec::ble::packages, rec::ble::quantity,
    rec::ble::cost, rec::ble::price,
    rec::oft::number, rec::oft::description, rec::oft::start, rec::oft::end,
    rec::ofd::number, rec::ofd::offerKind, rec::ofd::chainCode, rec::ofd::value,
    rec::gval::mark, rec::gval::value,
};

[[noreturn]] void broken(const char* what, int line, const rec::Field& f) {
    std::fprintf(stderr, "invariant broken: %s (line %d, field %s)\n", what, line, f.name);
    std::abort();
}

[[noreturn]] void broken(const char* what, int line) {
    std::fprintf(stderr, "invariant broken: %s (line %d)\n", what, line);
    std::abort();
}

void checkNoNul(const QString& text, const char* what, int line) {
    if (text.contains(QChar(0))) broken(what, line);
}

// A record of the line: its number, a kind, problems on fields it holds.
void checkRecord(const chainfile::LineRecord& r, const common::ChainLine& l) {
    if (r.line != l.number()) broken("record of another line", l.number());
    if (r.kind.isEmpty()) broken("record without a kind", l.number());
    checkNoNul(r.kind, "NUL in a record kind", l.number());
    for (const chainfile::FieldProblem& p : r.problems) {
        if (!p.field || p.name.isEmpty()) broken("problem without a field", l.number());
        checkNoNul(p.found, "NUL in a problem's text", l.number());
        if (p.cut && l.width(*p.field) >= p.field->len) broken("field reported cut that is whole", l.number(), *p.field);
        if (r.problem(*p.field) == nullptr) broken("problem not found by its field", l.number(), *p.field);
    }
}

// Every reader on the line, the problems into the run's collection as the
// stages put them there.
void readRecords(const common::ChainLine& l, chainfile::LineErrors& errors, chainfile::DocumentGrouping& grouping) {
    using Stage = chainfile::LineErrors::Stage;
    int kinds = 0;
    if (const auto r = chainfile::readTab(l)) {
        ++kinds;
        checkRecord(*r, l);
        if (r->problems.size() > 1) broken("TAB with more than one problem", l.number());
        checkNoNul(r->description, "NUL in a TAB description", l.number());
        checkNoNul(r->department, "NUL in a TAB department", l.number());
        errors.add(Stage::Catalogue, *r);
    }
    if (const auto r = chainfile::readArticle(l)) {
        ++kinds;
        checkRecord(*r, l);
        if (r->ok() && r->code != 0 && (r->vat.size() < 2 || r->tipart == 0)) broken("MDA defaults", l.number());
        checkNoNul(r->description + r->umart + r->umconf + r->vat, "NUL in an MDA text", l.number());
        errors.add(Stage::Catalogue, *r);
    }
    if (const auto r = chainfile::readEan(l)) {
        ++kinds;
        checkRecord(*r, l);
        if (r->ok() && r->code != 0 && r->ean.size() < 13) broken("EAN shorter than 13 digits", l.number());
        errors.add(Stage::Catalogue, *r);
    }
    if (const auto r = chainfile::readPrice(l)) {
        ++kinds;
        checkRecord(*r, l);
        (void)r->price.toDouble();
        errors.add(Stage::Catalogue, *r);
    }
    if (const auto r = chainfile::readCost(l)) {
        ++kinds;
        checkRecord(*r, l);
        if (!r->ok() && r->cost.units() != 0) broken("MHN cost despite a bad code", l.number());
        errors.add(Stage::Catalogue, *r);
    }
    if (const auto d = chainfile::readDocumentLine(l)) {
        ++kinds;
        checkRecord(*d, l);
        const qint32 document = grouping.place(*d);
        if (d->numberRead() && document != d->number) broken("document line placed in another document", l.number());
        if (!d->numberRead() && !errors.holds(document)) broken("document of an unreadable line not held", l.number());
        for (const chainfile::FieldProblem& p : d->amountProblems()) errors.add(d->line, document, p);
        checkNoNul(d->description + d->umart + d->unita2 + d->quaco + d->imbart + d->vat + d->lineClass,
                   "NUL in a BLE text", l.number());
        if (d->ean.size() < 13) broken("BLE EAN shorter than 13", l.number());
        (void)(d->quantity.toDouble() + d->cost.toDouble() + d->listValue.toDouble() + d->price.toDouble());
    }
    if (const auto h = chainfile::readPromotionHeader(l)) {
        ++kinds;
        checkRecord(*h, l);
        checkNoNul(h->description, "NUL in an OFT description", l.number());
        if (h->ok() && (!h->start.isValid() || !h->end.isValid())) broken("OFT accepted without dates", l.number());
        errors.add(Stage::Promotions, *h);
    }
    if (const auto p = chainfile::readPromotionLine(l)) {
        checkRecord(*p, l);
        if (p->ofd && !l.is(rec::kind, "OFD")) broken("OFD record of another kind", l.number());
        if (p->ok() && p->ofd && p->chainCode != 0 && p->paddedChainCode.isEmpty()) broken("OFD article", l.number());
        errors.add(Stage::Promotions, *p);
    }
    if (kinds > 1) broken("a line read as two record kinds", l.number());
    if (const std::optional<QString> note = chainfile::nulNote(l)) {
        if (!l.bytes().contains('\0')) broken("NUL note for a line without NUL", l.number());
        checkNoNul(*note, "NUL in the NUL note", l.number());
    }
    if (const std::optional<QString> date = chainfile::dateOfData(l)) checkNoNul(*date, "NUL in the date", l.number());
}

void checkAmount(double v, int line, const rec::Field& f) {
    if (!std::isfinite(v)) broken("non-finite value of a numeric field", line, f);
    for (int d = 0; d <= 5; ++d) {
        const double r = common::roundHalfEven(v, d);
        if (!std::isfinite(r)) broken("roundHalfEven not finite", line, f);
        if (std::fabs(r - v) > 0.5 * std::pow(10.0, -d) * (1 + 1e-9) + std::fabs(v) * 1e-15)
            broken("roundHalfEven moved the value by more than half a unit", line, f);
        if (common::roundHalfEven(r, d) != r) broken("roundHalfEven not idempotent", line, f);
    }
    (void)common::toSingle(v);
    const double c = common::toCurrency(v);
    if (!std::isfinite(c)) broken("toCurrency not finite", line, f);
    (void)common::formatAmount(v);
    (void)common::formatWhole(v);
    (void)common::displayNumber(v);
}

void checkDate(const common::ChainLine& l, const rec::Field& y, int mOff, int dOff) {
    const QString year = l.text(y.pos, 4);
    const QString month = l.text(y.pos + mOff, 2);
    const QString day = l.text(y.pos + dOff, 2);
    const QDate d = common::dateFromParts(day, month, year);
    if (d.isValid()) {
        if (d.year() != year.toInt() || d.month() != month.toInt() || d.day() != day.toInt())
            broken("dateFromParts gave another date", l.number(), y);
        (void)common::daySerial(d);
        (void)common::isoDate(d);
        (void)common::ddmmyyyy(d);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Raw bytes as a double: the rounding rules on values no file would give.
    if (size >= 8) {
        double v;
        std::memcpy(&v, data, 8);
        if (std::isfinite(v)) {
            for (int d = 0; d <= 4; ++d) (void)common::roundHalfEven(v, d);
            (void)common::toSingle(v);
        }
    }

    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const common::ChainFile file = common::ChainFile::fromBytes(bytes);

    const bool utf8 = file.encoding() == common::ChainFile::Encoding::Utf8;
    chainfile::LineErrors errors;
    chainfile::DocumentGrouping grouping(errors);
    qsizetype total = 0;
    int n = 0;
    for (const common::ChainLine l : file) {
        total += l.bytes().size();
        if (++n > 200) break;  // enough lines to reach every state, few enough to stay fast
        if (!utf8 && l.columns() != l.bytes().size()) broken("columns other than bytes", l.number());
        readRecords(l, errors, grouping);
        for (const rec::Field& f : kFields) {
            const QByteArrayView raw = l.raw(f);
            if (l.width(f) > f.len) broken("field wider than its width", l.number(), f);
            if (!utf8 && raw.size() != l.width(f)) broken("field of another width than its bytes", l.number(), f);
            const QString text = l.text(f);
            checkNoNul(text, "NUL in a field's text", l.number());
            checkNoNul(l.shown(f), "NUL in a field as shown", l.number());
            if (!utf8 && text.size() != raw.size()) broken("decoded text of another length", l.number(), f);
            const bool numeric = l.numeric(f);
            if (numeric != common::isNumeric(QStringView(text))) broken("numeric test differs on bytes and text", l.number(), f);
            const double value = l.value(f);
            if (!numeric && value != 0) broken("non-numeric field with a value", l.number(), f);
            if (value != common::numericValue(QStringView(text))) broken("value differs on bytes and text", l.number(), f);
            bool ok = false;
            const qint64 whole = common::wholeValue(text, &ok);
            if (ok && !numeric) broken("whole value of a non-numeric field", l.number(), f);
            if (ok && std::fabs(static_cast<double>(whole) - value) > 0.5) broken("whole value far from the value", l.number(), f);
            (void)l.isTrimmed(f, "BLE");
            (void)l.is(f, "OFD");
            checkAmount(value, l.number(), f);
            checkAmount(value / 1000.0, l.number(), f);
            checkAmount(value / 100000.0, l.number(), f);
            (void)common::toCp1252(text);
        }
        checkDate(l, rec::year, 4, 6);
        checkDate(l, rec::oft::start, 4, 6);
        checkDate(l, rec::oft::end, 4, 6);
    }
    if (total > bytes.size()) std::abort();
    (void)file.notes();
    using Stage = chainfile::LineErrors::Stage;
    for (const QString& m : {errors.catalogueMessage(), errors.documentMessage(), errors.promotionMessage()})
        checkNoNul(m, "NUL in a message", 0);
    int refused = 0;
    for (const Stage s : {Stage::Catalogue, Stage::Documents, Stage::Promotions}) refused += errors.tally(s);
    if (refused > n) broken("more lines refused than read", n);
    return 0;
}
