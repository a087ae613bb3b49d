// libFuzzer target: the chain's file from arbitrary bytes, and every field of
// every record kind decoded the ways the stages decode it. Besides crashes and
// sanitizer reports it checks that the decodings agree with one another.
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

    qsizetype total = 0;
    int n = 0;
    for (const common::ChainLine l : file) {
        total += l.bytes().size();
        if (++n > 200) break;  // enough lines to reach every state, few enough to stay fast
        for (const rec::Field& f : kFields) {
            const QByteArrayView raw = l.raw(f);
            if (raw.size() > f.len) broken("field longer than its width", l.number(), f);
            const QString text = l.text(f);
            if (text.size() != raw.size()) broken("decoded text of another length", l.number(), f);
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
    return 0;
}
