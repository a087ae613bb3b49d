#pragma once
// Number rules of the chain's data and of the store database: the numeric test
// of a text, its value, half-even rounding on the decimal value, single and
// currency precision, and the fixed formats the store's programs expect.
#include "common/Amount.h"

#include <QString>
#include <QStringView>
#include <cstdint>

namespace common {

// True when the text, without surrounding blanks, is a number: an optional sign,
// digits with at most one decimal point. An empty or blank text is not numeric.
bool isNumeric(QStringView text);
bool isNumeric(QByteArrayView text);

// The numeric value of a text; 0 when it is not numeric (an empty switch in
// `automa` counts as 0, and so does "abc").
double numericValue(QStringView text);
double numericValue(QByteArrayView text);

// Whole value of a numeric text, rounded half to even like a conversion to a
// long integer; 0 when not numeric. `ok` tells whether it fitted in 32 bits.
qint64 wholeValue(QStringView text, bool* ok = nullptr);

// Rounds to `decimals` places, halves to the even neighbour, working on the
// shortest decimal text of the value: 2.675 gives 2.68, 2.665 gives 2.66.
double roundHalfEven(double value, int decimals);

// The value as a single-precision amount, kept as the float's shortest
// decimal (1.23 rather than 1.2300000190734863).
double toSingle(double value);

// Currency precision: 4 decimals, halves to even.
double toCurrency(double value);

// Shortest decimal text of a double ("2.675", "0.1", "12").
QString shortestText(double value);

// Zero-padded whole number, as the patterns "00", "000000", "000000000",
// "0000000000000": a longer number keeps all its digits.
QString zeroPad(qint64 value, int width);

// Blank-padded on the right and cut at `width` (the fixed-width texts).
QString padCut(const QString& text, int width);

// "###,##0.00" with the Italian separators: 1234.5 gives "1.234,50".
QString formatAmount(double value);
QString formatAmount(Amount value);

// "#####0": a whole number, rounded half to even.
QString formatWhole(double value);

// A number as the user sees it in the window: Italian decimal comma, no
// grouping, shortest form ("12,2", "0,001", "15").
QString displayNumber(double value);
QString displayNumber(Amount value);

}  // namespace common
