#pragma once
// Money and other decimal quantities of the store: a fixed-point value held as
// a whole number of ten-thousandths. Fields of the chain's file become amounts
// from their digits (a shift of the integer, never a binary division);
// products and quotients are computed exactly and rounded once, halves to the
// even neighbour, to the decimals the rule names. Doubles only appear at the
// database boundary.
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <compare>
#include <cstdint>
#include <optional>
#include <stdexcept>

namespace common {

// A value past the range of an amount (about ±922 thousand billion), a
// division by zero, or a double that is not a number. Never wrapped.
class AmountError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Amount {
public:
    static constexpr int kDecimals = 4;
    static constexpr qint64 kScale = 10000;

    // Where the decimal point stands in a digit field of the chain's file.
    enum Scale { Units = 0, Hundredths = 2, Thousandths = 3, HundredThousandths = 5 };

    constexpr Amount() = default;
    static constexpr Amount fromUnits(qint64 tenThousandths) { return Amount(tenThousandths); }
    static Amount whole(qint64 value);  // AmountError past the range

    // A numeric field (blanks around, an optional sign, digits with at most one
    // point) whose last digit counts `scale` places after the point: "0001990"
    // in thousandths is 1.99. Nullopt when the text is not numeric. Digits past
    // the fourth decimal are rounded half to even.
    static std::optional<Amount> fromDigits(QByteArrayView text, Scale scale);
    static std::optional<Amount> fromDigits(QStringView text, Scale scale);
    // A decimal text ("12.345", "-0.5"), as the database and shortestText give it.
    static std::optional<Amount> parse(QStringView text) { return fromDigits(text, Units); }

    // At the database boundary: the double's shortest decimal, rounded half to
    // even at 4 decimals. AmountError for NaN, infinities and values past the range.
    static Amount fromDouble(double value);
    // The double nearest to the amount.
    double toDouble() const;

    qint64 units() const { return units_; }  // ten-thousandths
    bool isZero() const { return units_ == 0; }

    // Shortest decimal text: "2.675", "12", "-0.5".
    QString toString() const;

    // Rounded half to even to `decimals` places (0 to 4).
    Amount rounded(int decimals) const;

    // a × b, a ÷ b and a × b ÷ c, exact on 128-bit integers and rounded once,
    // half to even, to `decimals` places (0 to 4).
    static Amount multiply(Amount a, Amount b, int decimals);
    static Amount divide(Amount a, Amount b, int decimals);
    static Amount mulDiv(Amount a, Amount b, Amount c, int decimals);

    Amount operator-() const;
    friend Amount operator+(Amount a, Amount b);
    friend Amount operator-(Amount a, Amount b);
    friend constexpr bool operator==(Amount a, Amount b) = default;
    friend constexpr auto operator<=>(Amount a, Amount b) = default;

private:
    constexpr explicit Amount(qint64 units) : units_(units) {}
    qint64 units_ = 0;
};

// part ÷ base × 100, the percentage, and value + value × percent ÷ 100, the
// value raised by a percentage; each exact and rounded once, half to even, to
// `decimals` places. AmountError when the base is 0.
Amount percentage(Amount part, Amount base, int decimals);
Amount raisedBy(Amount value, Amount percent, int decimals);

// The amount passed through single precision where a rule keeps a value as a
// float: amount → float → the float's shortest decimal → amount. Precision is
// lost here on purpose (1234567.891 becomes 1234568).
Amount toSingle(Amount value);

}  // namespace common
