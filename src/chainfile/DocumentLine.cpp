#include "chainfile/DocumentLine.h"

#include "chainfile/LineErrors.h"
#include "common/Dates.h"
#include "common/Numbers.h"

using common::Amount;
using common::ChainLine;

namespace chainfile {

namespace {

const QString kBlankEan(13, QLatin1Char(' '));

QString fOrB(const ChainLine& line, const rec::Field& f) {
    return line.is(f, "R") ? QStringLiteral("F") : QStringLiteral("B");
}

Amount amountOrZero(QByteArrayView text, Amount::Scale scale) {
    return Amount::fromDigits(text, scale).value_or(Amount());
}

// A line that ends inside one of its amounts would be read as a smaller
// amount: the first one cut short is reported (the fields after it are
// missing too). Otherwise each amount that cannot be read is.
void checkAmounts(const ChainLine& line, DocumentLine& d) {
    namespace ble = rec::ble;
    static const NamedField amounts[] = {{ble::packages, "colli"},
                                         {ble::quantity, "quantità"},
                                         {ble::cost, "costo unitario"},
                                         {ble::price, "prezzo di vendita"}};
    if (reportFirstCut(line, amounts, d)) return;
    bool packagesOk = false;
    d.packages = static_cast<qint32>(common::wholeValue(line.text(ble::packages), &packagesOk));
    if (!packagesOk) d.problems << problemAt(line, ble::packages, "colli");
    if (!line.numeric(ble::quantity)) d.problems << problemAt(line, ble::quantity, "quantità");
    if (!line.numeric(ble::cost)) d.problems << problemAt(line, ble::cost, "costo unitario");
}

}  // namespace

QList<FieldProblem> DocumentLine::amountProblems() const {
    QList<FieldProblem> out;
    for (const FieldProblem& p : problems)
        if (p.field != &rec::ble::number && p.field != &rec::dateYmd) out << p;
    return out;
}

std::optional<DocumentLine> readDocumentLine(const ChainLine& line) {
    namespace ble = rec::ble;
    if (!line.is(rec::kind, "BLE")) return std::nullopt;
    DocumentLine d = recordOf<DocumentLine>(line, QStringLiteral("BLE"));

    // The number: a whole number that fits 32 bits, present in whole. A cut
    // number is reported without the cut mark, as is the date.
    bool numberOk = false;
    const qint64 number = common::wholeValue(line.text(ble::number), &numberOk);
    if (numberOk && !line.cutShort(ble::number))
        d.number = static_cast<qint32>(number);
    else
        d.problems << problemAt(line, ble::number, "numero documento");
    d.date = common::dateFromParts(line.text(rec::day), line.text(rec::month), line.text(rec::year));
    if (!d.date.isValid()) d.problems << problemAt(line, rec::dateYmd, "data documento");
    d.headerType = fOrB(line, ble::headerType);

    d.excluded = line.is(ble::exclusion, "IE");
    checkAmounts(line, d);
    d.lineClass = line.text(ble::lineClass);
    d.lineType = fOrB(line, ble::lineType);
    d.chainCode = line.numeric(ble::chainCode)
                      ? common::zeroPad(static_cast<qint64>(line.value(ble::chainCode)), 9)
                      : QString();
    d.description = line.text(ble::description);
    d.umart = line.text(ble::umart);
    if (d.umart.trimmed().isEmpty()) d.umart = QStringLiteral("PZ");
    d.unita2 = line.text(ble::unita2);
    d.quaco = line.text(ble::quaco);
    d.imbart = line.text(ble::imbart);
    d.vat = line.text(ble::vat);
    d.subfamily = line.numeric(ble::subfamily) ? static_cast<qint32>(line.value(ble::subfamily)) : 0;
    d.ean = line.numeric(ble::ean) ? common::zeroPad(static_cast<qint64>(line.value(ble::ean)), 13) : kBlankEan;
    d.quantity = amountOrZero(line.raw(ble::quantity), Amount::Hundredths);
    d.cost = amountOrZero(line.raw(ble::cost), Amount::HundredThousandths);

    // The selling price: dashes and commas stand for zeros.
    QByteArray price = line.raw(ble::price).toByteArray();
    if (!line.numeric(ble::price)) price.replace('-', '0').replace(',', '0');
    d.listValue = amountOrZero(price, Amount::Units);
    d.price = common::toSingle(amountOrZero(price, Amount::Thousandths));
    return d;
}

qint32 DocumentGrouping::place(const DocumentLine& line) {
    if (line.numberRead()) {
        carried_ = line.number;
        for (const int l : std::as_const(awaitingNext_)) errors_.alsoBelongsTo(l, line.number);
        awaitingNext_.clear();
        return line.number;
    }
    // Both walks report the same line; only the first waits for the next number.
    const bool known = errors_.knows(line.line);
    errors_.add(line.line, carried_, *line.problem(rec::ble::number));
    if (!known) awaitingNext_ << line.line;
    return carried_;
}

}  // namespace chainfile
