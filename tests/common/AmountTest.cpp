// The fixed-point amount: digit fields read exactly at each scale, products
// and quotients rounded once half to even (values worked out by hand),
// single precision, the database boundary and overflow.
#include "common/Amount.h"
#include "common/Numbers.h"

#include <QRandomGenerator>
#include <charconv>
#include <cmath>
#include <gtest/gtest.h>
#include <iomanip>
#include <limits>
#include <optional>
#include <random>
#include <vector>

using common::Amount;
using common::AmountError;

namespace {

Amount a(const char* text) { return Amount::parse(QString::fromLatin1(text)).value(); }

TEST(Amount, DigitFieldsAtEachScale) {
    const struct {
        const char* text;
        Amount::Scale scale;
        const char* expected;  // "-": not numeric
    } rows[] = {
        {"000000001990", Amount::Thousandths, "1.99"},
        {"000001234", Amount::Hundredths, "12.34"},
        {"00000000123456", Amount::HundredThousandths, "1.2346"},
        {"00000000123455", Amount::HundredThousandths, "1.2346"},  // half: to the even 6
        {"00000000123465", Amount::HundredThousandths, "1.2346"},  // half: stays on the even 6
        {"00000000000005", Amount::HundredThousandths, "0"},
        {"00000000000015", Amount::HundredThousandths, "0.0002"},
        {"-0000000000015", Amount::HundredThousandths, "-0.0002"},
        {"99999999999999", Amount::HundredThousandths, "1000000000"},
        {"0.000050001", Amount::Units, "0.0001"},  // just past the half
        {"0.00005", Amount::Units, "0"},
        {"1.25", Amount::Hundredths, "0.0125"},
        {" -12.5  ", Amount::Units, "-12.5"},
        {"\t+7\t", Amount::Units, "7"},
        {"5.", Amount::Units, "5"},
        {".5", Amount::Thousandths, "0.0005"},
        {"000000000000", Amount::Thousandths, "0"},
        {"", Amount::Units, "-"},
        {"    ", Amount::Units, "-"},
        {"12,50", Amount::Units, "-"},
        {"1 2", Amount::Units, "-"},
        {"1.2.3", Amount::Units, "-"},
        {".", Amount::Units, "-"},
        {"-", Amount::Units, "-"},
        {"1e5", Amount::Units, "-"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        const auto bytes = Amount::fromDigits(QByteArrayView(r.text), r.scale);
        const auto text = Amount::fromDigits(QString::fromLatin1(r.text), r.scale);
        EXPECT_EQ(bytes, text);
        EXPECT_EQ(bytes ? bytes->toString() : QStringLiteral("-"), QLatin1String(r.expected));
    }
}

TEST(Amount, ProductsAndQuotientsRoundOnceHalfToEven) {
    const struct {
        char op;  // '*' a × b, '/' a ÷ b, 'm' a × b ÷ c, 'r' a rounded, '%' a of b in %, '+' a raised by b %
        const char *x, *y, *z;
        int decimals;
        const char* expected;
    } rows[] = {
        {'*', "3", "1.005", "", 2, "3.02"},       // 3.015
        {'*', "-3", "1.005", "", 2, "-3.02"},
        {'*', "3", "1.0049", "", 2, "3.01"},      // 3.0147
        {'*', "0.5", "0.0001", "", 4, "0"},       // 0.00005
        {'*', "1.5", "0.0001", "", 4, "0.0002"},  // 0.00015
        {'*', "-1.5", "0.0001", "", 4, "-0.0002"},
        {'*', "12.34", "0.1", "", 4, "1.234"},
        {'m', "0.025", "100", "4", 2, "0.62"},    // (4.025 − 4) / 4 × 100 = 0.625
        {'m', "-0.025", "100", "4", 2, "-0.62"},
        {'m', "0.035", "100", "4", 2, "0.88"},    // 0.875
        {'m', "1", "1", "3", 4, "0.3333"},
        {'m', "2", "1", "3", 4, "0.6667"},
        {'m', "2", "1", "-3", 4, "-0.6667"},
        {'/', "1", "8", "", 2, "0.12"},           // 0.125
        {'/', "3", "8", "", 2, "0.38"},           // 0.375
        {'/', "-1", "8", "", 2, "-0.12"},
        {'/', "1", "-8", "", 2, "-0.12"},
        {'/', "2.5", "1", "", 0, "2"},
        {'/', "3.5", "1", "", 0, "4"},
        {'/', "10", "3", "", 4, "3.3333"},
        {'r', "2.675", "", "", 2, "2.68"},
        {'r', "2.665", "", "", 2, "2.66"},
        {'r', "-2.675", "", "", 2, "-2.68"},
        {'r', "-2.665", "", "", 2, "-2.66"},
        {'r', "0.0005", "", "", 3, "0"},
        {'r', "0.0015", "", "", 3, "0.002"},
        {'r', "9.9995", "", "", 3, "10"},
        {'%', "0.025", "4", "", 2, "0.62"},       // the cost change from 4.00 to 4.025
        {'%', "-0.025", "4", "", 2, "-0.62"},
        {'%', "0.075", "4", "", 2, "1.88"},       // 1.875
        {'%', "9.99", "10.99", "", 2, "90.9"},    // 90.9008
        {'+', "4.50", "10", "", 2, "4.95"},       // waste 10 %
        {'+', "4.95", "5", "", 2, "5.2"},         // 5.1975
        {'+', "0.01", "50", "", 2, "0.02"},       // 0.015: rounded whole, not 0.01 + 0.00
        {'+', "0.03", "50", "", 2, "0.04"},       // 0.045
        {'+', "-0.03", "50", "", 2, "-0.04"},
        {'+', "10", "22", "", 4, "12.2"},         // cost with VAT
        {'+', "1.0049", "4", "", 4, "1.0451"},    // 1.045096
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.x) + " " + r.op + " " + r.y + " " + r.z);
        Amount got;
        switch (r.op) {
        case '*': got = Amount::multiply(a(r.x), a(r.y), r.decimals); break;
        case '/': got = Amount::divide(a(r.x), a(r.y), r.decimals); break;
        case 'm': got = Amount::mulDiv(a(r.x), a(r.y), a(r.z), r.decimals); break;
        case '%': got = common::percentage(a(r.x), a(r.y), r.decimals); break;
        case '+': got = common::raisedBy(a(r.x), a(r.y), r.decimals); break;
        default: got = a(r.x).rounded(r.decimals);
        }
        EXPECT_EQ(got.toString(), QLatin1String(r.expected));
    }
    EXPECT_EQ(a("1.5") + a("-2.25"), a("-0.75"));
    EXPECT_LT(a("-0.0001"), Amount());
}

TEST(Amount, SinglePrecisionAndTheDatabaseBoundary) {
    const struct {
        const char* in;
        const char* single;
    } singles[] = {{"1.99", "1.99"}, {"1234567.891", "1234567.9"}, {"16777217", "16777216"},
                   {"-2.675", "-2.675"}, {"0.0001", "0.0001"}, {"0", "0"}};
    for (const auto& s : singles) EXPECT_EQ(common::toSingle(a(s.in)).toString(), QLatin1String(s.single)) << s.in;

    EXPECT_EQ(Amount::fromDouble(2.675).toString(), "2.675");
    EXPECT_EQ(Amount::fromDouble(0.1 + 0.2).toString(), "0.3");
    EXPECT_EQ(Amount::fromDouble(1.00005).toString(), "1");  // the shortest text is a half: to even
    EXPECT_EQ(Amount::fromDouble(-0.0).toString(), "0");
    EXPECT_EQ(a("0.1").toDouble(), 0.1);
    EXPECT_EQ(a("-1234.5678").toDouble(), -1234.5678);
    EXPECT_EQ(a("922337203685477.5807").toDouble(), 922337203685477.5807);
}

// A double read from the database is the decimal of its shortest text: the
// quick way for amounts of at most four places must agree with writing the
// digits out and reading them, for every kind of double a store may hold.
TEST(Amount, ADoubleIsTheDecimalOfItsShortestText) {
    // Nullopt for a double past the range.
    const auto byText = [](double v) -> std::optional<Amount> {
        char buf[400];  // the digits of any double below 1e16
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
        try {
            return Amount::fromDigits(QByteArrayView(buf, r.ptr - buf), Amount::Units);
        } catch (const AmountError&) {
            return std::nullopt;
        }
    };
    const auto fromDouble = [](double v) -> std::optional<Amount> {
        try {
            return Amount::fromDouble(v);
        } catch (const AmountError&) {
            return std::nullopt;
        }
    };
    std::mt19937_64 random(20261209);
    std::vector<double> values = {0.0, -0.0, 0.1 + 0.2, 1.00005, 2.675, 0.00005, 0.00015, 1e-300, 0x1p33,
                                  std::nextafter(0x1p33, 0.0), std::nextafter(0x1p33, 1e16), 9.99e15, -4e-320, 0.000099999};
    for (int i = 0; i < 100000; ++i) {
        const qint64 units = qint64(random() % (qint64(1) << 50)) - (qint64(1) << 49);
        values.push_back(double(units) / 10000);                         // written from an amount
        values.push_back(double(units % 10000000) / 100 * 0.01);         // computed, a little off
        values.push_back(double(float(double(units % 100000000) / 100)));  // kept in single precision
        values.push_back(std::ldexp(double(random() >> 11), -int(random() % 80)));  // anything
    }
    int differ = 0;
    for (const double v : values) {
        if (fromDouble(v) != byText(v) && ++differ <= 5)
            ADD_FAILURE() << std::setprecision(17) << v << ": " << fromDouble(v).value_or(Amount()).toString().toStdString()
                          << " against " << byText(v).value_or(Amount()).toString().toStdString();
    }
    EXPECT_EQ(differ, 0);
}

TEST(Amount, OverflowIsReportedNeverWrapped) {
    EXPECT_EQ(a("922337203685477.5807").units(), std::numeric_limits<qint64>::max());
    EXPECT_THROW(Amount::parse(QStringLiteral("922337203685477.5808")), AmountError);
    EXPECT_THROW(Amount::parse(QStringLiteral("922337203685478")), AmountError);
    EXPECT_THROW(Amount::parse(QStringLiteral("-99999999999999999999999")), AmountError);
    EXPECT_THROW(Amount::whole(std::numeric_limits<qint64>::max()), AmountError);
    const Amount big = a("900000000000000");
    EXPECT_THROW(big + big, AmountError);
    EXPECT_THROW(-big - big, AmountError);
    EXPECT_THROW(Amount::multiply(big, a("10"), 2), AmountError);
    EXPECT_THROW(Amount::divide(big, a("0.5"), 2), AmountError);
    EXPECT_THROW(Amount::divide(a("1"), Amount(), 2), AmountError);
    EXPECT_THROW(Amount::fromDouble(1e300), AmountError);
    EXPECT_THROW(Amount::fromDouble(std::nan("")), AmountError);
    // A product past 64 bits that comes back into range is exact.
    EXPECT_EQ(Amount::mulDiv(big, big, big, 4), big);
}

// The chain's whole-digit fields give the very doubles the double rules gave:
// value ÷ 10^scale rounded to 4 decimals, and through single precision.
TEST(Amount, DigitFieldsGiveTheDoublesOfTheDoubleRules) {
    QRandomGenerator random(20261201);
    const struct {
        Amount::Scale scale;
        double divisor;
        int width;
    } fields[] = {{Amount::Hundredths, 100, 9}, {Amount::Thousandths, 1000, 12},
                  {Amount::HundredThousandths, 100000, 14}};
    for (const auto& f : fields) {
        for (int i = 0; i < 20000; ++i) {
            const int digits = 1 + int(random.bounded(f.width));
            QByteArray text;
            for (int d = 0; d < digits; ++d) text += char('0' + random.bounded(10));
            const double value = common::numericValue(text) / f.divisor;
            const Amount amount = *Amount::fromDigits(text, f.scale);
            ASSERT_EQ(amount.toDouble(), common::toCurrency(value)) << text.constData();
            const double single = common::toCurrency(common::toSingle(common::roundHalfEven(value, 4)));
            ASSERT_EQ(common::toSingle(amount).toDouble(), single) << text.constData();
        }
    }
}

}  // namespace
