#include "common/Amount.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace common {

namespace {

using Wide = __int128;
constexpr qint64 kMax = std::numeric_limits<qint64>::max();

Wide power10(int n) {
    Q_ASSERT(n >= 0 && n <= 2 * Amount::kDecimals);
    Wide p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

[[noreturn]] void outOfRange(const QString& what) {
    throw AmountError(QStringLiteral("Importo fuori dall'intervallo ammesso: %1").arg(what).toStdString());
}

// Whole units of 10^-4 from a wider value; never wrapped. `what` names the
// operation, and is only spelt out when it fails.
template <typename Describe>
qint64 narrow(Wide units, Describe what) {
    if (units > kMax || units < -kMax) outOfRange(what());
    return static_cast<qint64>(units);
}

// n ÷ d rounded to the nearest whole number, halves to the even neighbour.
Wide divideHalfEven(Wide n, Wide d) {
    if (d < 0) {
        n = -n;
        d = -d;
    }
    Wide q = n / d;
    const Wide r = n % d;
    const Wide twice = 2 * (r < 0 ? -r : r);
    if (twice > d || (twice == d && q % 2 != 0)) q += n < 0 ? -1 : 1;
    return q;
}

QString describe(const char* p, qsizetype n) { return QString::fromLatin1(p, n); }
QString describe(const char16_t* p, qsizetype n) { return QString::fromUtf16(p, n); }

// The numeric test of the chain's data (blanks and tabs around, an optional
// sign, digits with at most one point), then the digits read exactly: units of
// 10^-4 are the digits shifted by 4 − scale − decimals written.
template <typename Char>
std::optional<Amount> readDigits(const Char* p, qsizetype n, int scale) {
    qsizetype i = 0;
    while (i < n && (p[i] == ' ' || p[i] == '\t')) ++i;
    while (n > i && (p[n - 1] == ' ' || p[n - 1] == '\t')) --n;
    bool negative = false;
    if (i < n && (p[i] == '+' || p[i] == '-')) negative = p[i++] == '-';
    int digits = 0, decimals = 0;
    bool point = false;
    for (qsizetype k = i; k < n; ++k) {
        if (p[k] >= '0' && p[k] <= '9') {
            ++digits;
            if (point) ++decimals;
        } else if (p[k] == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) return std::nullopt;

    const int shift = Amount::kDecimals - scale - decimals;
    const int kept = shift >= 0 ? digits : digits + shift;  // digits left of the rounding place
    Wide q = 0;
    int index = 0, firstDropped = 0;
    bool restNonZero = false;
    for (qsizetype k = i; k < n; ++k) {
        if (p[k] == '.') continue;
        const int d = p[k] - '0';
        if (index < kept) {
            q = q * 10 + d;
            if (q > kMax) outOfRange(describe(p + i, n - i));
        } else if (index == kept) {
            firstDropped = d;
        } else if (d != 0) {
            restNonZero = true;
        }
        ++index;
    }
    if (firstDropped > 5 || (firstDropped == 5 && (restNonZero || q % 2 != 0))) ++q;
    if (shift > 0) q *= power10(shift);
    return Amount::fromUnits(narrow(negative ? -q : q, [&] { return describe(p + i, n - i); }));
}

}  // namespace

Amount Amount::whole(qint64 value) {
    return fromUnits(narrow(Wide(value) * kScale, [&] { return QString::number(value); }));
}

std::optional<Amount> Amount::fromDigits(QByteArrayView text, Scale scale) {
    return readDigits(text.data(), text.size(), scale);
}

std::optional<Amount> Amount::fromDigits(QStringView text, Scale scale) {
    return readDigits(reinterpret_cast<const char16_t*>(text.utf16()), text.size(), scale);
}

Amount Amount::fromDouble(double value) {
    if (!std::isfinite(value)) throw AmountError("Importo non numerico (NaN o infinito)");
    if (std::fabs(value) >= 1e16) outOfRange(QString::number(value, 'g', 17));
    // Nearly every amount a stage reads back was written from an Amount, so
    // its shortest decimal has at most four places. When the double nearest to
    // units / 10,000 is the value itself, that decimal reads back as the value;
    // below 2^33 the value's round-trip interval (at most 2^-19 wide) holds no
    // other decimal of four places or fewer, so it is the shortest decimal too,
    // and the units are the answer without writing and reading the digits
    // (which took about 3 % of a run's instructions).
    if (std::fabs(value) < 0x1p33) {
        const double units = std::nearbyint(value * double(kScale));
        if (units / double(kScale) == value) return Amount(qint64(units));
    }
    // Below a hundred-thousandth the amount rounds to nothing, and the digits
    // of a tiny double (one another program left, 1e-300) would not even fit.
    if (std::fabs(value) < 1e-5) return Amount();
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return *readDigits(buf, r.ptr - buf, Units);
}

double Amount::toDouble() const {
    // Both ways give the double nearest to the decimal value: within 2^53 the
    // division is exact up to its single correct rounding.
    if (units_ >= -(qint64(1) << 53) && units_ <= (qint64(1) << 53)) return double(units_) / kScale;
    const std::string text = toString().toStdString();
    double d = 0;
    std::from_chars(text.data(), text.data() + text.size(), d);
    return d;
}

QString Amount::toString() const {
    const quint64 magnitude = units_ < 0 ? 0 - quint64(units_) : quint64(units_);
    QString s = QString::number(magnitude / kScale);
    quint64 fraction = magnitude % kScale;
    if (fraction != 0) {
        int width = kDecimals;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --width;
        }
        s += QLatin1Char('.') + QString::number(fraction).rightJustified(width, QLatin1Char('0'));
    }
    return units_ < 0 ? QLatin1Char('-') + s : s;
}

Amount Amount::rounded(int decimals) const {
    const Wide step = power10(kDecimals - decimals);
    return fromUnits(narrow(divideHalfEven(units_, step) * step, [&] { return toString(); }));
}

Amount Amount::multiply(Amount a, Amount b, int decimals) {
    const Wide q = divideHalfEven(Wide(a.units_) * b.units_, power10(2 * kDecimals - decimals));
    return fromUnits(narrow(q * power10(kDecimals - decimals),
                            [&] { return a.toString() + QStringLiteral(" × ") + b.toString(); }));
}

Amount Amount::divide(Amount a, Amount b, int decimals) {
    if (b.units_ == 0) throw AmountError("Divisione per zero");
    const Wide q = divideHalfEven(Wide(a.units_) * power10(decimals), b.units_);
    return fromUnits(narrow(q * power10(kDecimals - decimals),
                            [&] { return a.toString() + QStringLiteral(" ÷ ") + b.toString(); }));
}

Amount Amount::mulDiv(Amount a, Amount b, Amount c, int decimals) {
    if (c.units_ == 0) throw AmountError("Divisione per zero");
    const Wide q = divideHalfEven(Wide(a.units_) * b.units_, Wide(c.units_) * power10(kDecimals - decimals));
    return fromUnits(narrow(q * power10(kDecimals - decimals), [&] {
        return a.toString() + QStringLiteral(" × ") + b.toString() + QStringLiteral(" ÷ ") + c.toString();
    }));
}

Amount Amount::operator-() const {
    return fromUnits(narrow(-Wide(units_), [&] { return toString(); }));
}

Amount operator+(Amount a, Amount b) {
    return Amount::fromUnits(
        narrow(Wide(a.units_) + b.units_, [&] { return a.toString() + QStringLiteral(" + ") + b.toString(); }));
}

Amount operator-(Amount a, Amount b) {
    return Amount::fromUnits(
        narrow(Wide(a.units_) - b.units_, [&] { return a.toString() + QStringLiteral(" - ") + b.toString(); }));
}

Amount percentage(Amount part, Amount base, int decimals) {
    return Amount::mulDiv(part, Amount::whole(100), base, decimals);
}

Amount raisedBy(Amount value, Amount percent, int decimals) {
    return Amount::mulDiv(value, Amount::whole(100) + percent, Amount::whole(100), decimals);
}

Amount toSingle(Amount value) {
    const float f = static_cast<float>(value.toDouble());
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, f, std::chars_format::fixed);
    return *Amount::fromDigits(QByteArrayView(buf, r.ptr - buf), Amount::Units);
}

}  // namespace common
