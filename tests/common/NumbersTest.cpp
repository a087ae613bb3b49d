#include "common/Dates.h"
#include "common/Numbers.h"

#include <gtest/gtest.h>

using namespace common;

TEST(Rounding, HalvesGoToTheEvenNeighbourOnTheDecimalValue) {
    EXPECT_DOUBLE_EQ(roundHalfEven(2.675, 2), 2.68);
    EXPECT_DOUBLE_EQ(roundHalfEven(2.665, 2), 2.66);
    EXPECT_DOUBLE_EQ(roundHalfEven(0.125, 2), 0.12);
    EXPECT_DOUBLE_EQ(roundHalfEven(0.135, 2), 0.14);
    EXPECT_DOUBLE_EQ(roundHalfEven(5.1975, 2), 5.2);
    EXPECT_DOUBLE_EQ(roundHalfEven(-2.675, 2), -2.68);
    EXPECT_DOUBLE_EQ(roundHalfEven(9.995, 2), 10.0);
    EXPECT_DOUBLE_EQ(roundHalfEven(2.5, 0), 2.0);
    EXPECT_DOUBLE_EQ(roundHalfEven(3.5, 0), 4.0);
    EXPECT_DOUBLE_EQ(roundHalfEven(0.00005, 4), 0.0);
    EXPECT_DOUBLE_EQ(roundHalfEven(0.00015, 4), 0.0002);
    EXPECT_DOUBLE_EQ(roundHalfEven(18.666666, 2), 18.67);
    EXPECT_DOUBLE_EQ(roundHalfEven(1.2, 4), 1.2);
}

TEST(Precision, SingleKeepsTheFloatsShortestDecimalAndCurrencyFourPlaces) {
    EXPECT_EQ(toSingle(1.23), 1.23);
    EXPECT_EQ(toSingle(12.2), 12.2);
    EXPECT_EQ(toSingle(1.0 / 3.0), 0.33333334);
    EXPECT_DOUBLE_EQ(toCurrency(1.23456), 1.2346);
    EXPECT_DOUBLE_EQ(toCurrency(1.23445), 1.2344);
}

TEST(NumericText, FollowsTheRulesOfTheChainFields) {
    EXPECT_TRUE(isNumeric(u"0001234"));
    EXPECT_TRUE(isNumeric(u" 12 "));
    EXPECT_TRUE(isNumeric(u"1.5"));
    EXPECT_TRUE(isNumeric(u"-3"));
    EXPECT_FALSE(isNumeric(u""));
    EXPECT_FALSE(isNumeric(u"   "));
    EXPECT_FALSE(isNumeric(u"12A"));
    EXPECT_FALSE(isNumeric(u"1.2.3"));
    EXPECT_FALSE(isNumeric(u"-"));
    EXPECT_EQ(numericValue(u"01"), 1);
    EXPECT_EQ(numericValue(u"abc"), 0);
    EXPECT_EQ(numericValue(u""), 0);
    EXPECT_EQ(numericValue(QByteArrayView("000015000")), 15000);
    struct Whole {
        const char16_t* text;
        qint64 value;
        bool ok;
    };
    // Plain digits (read straight) and everything else (read as a number, rounded halves to even).
    const Whole wholes[] = {
        {u"0", 0, true},           {u"000000123", 123, true},          {u" 42\t", 42, true},
        {u"2147483647", 2147483647, true}, {u"2147483648", 0, false}, {u"8001234567890123456", 0, false},
        {u"-5", -5, true},         {u"+7", 7, true},                   {u"12.5", 12, true},
        {u"13.5", 14, true},       {u"", 0, false},                    {u"   ", 0, false},
        {u"12a", 0, false},        {u"1 2", 0, false},                 {u"99999999999", 0, false},
    };
    for (const Whole& w : wholes) {
        bool ok = !w.ok;
        EXPECT_EQ(wholeValue(w.text, &ok), w.value) << QString::fromUtf16(w.text).toStdString();
        EXPECT_EQ(ok, w.ok) << QString::fromUtf16(w.text).toStdString();
    }
}

TEST(Formats, PatternsOfTheStoreAndTheReport) {
    EXPECT_EQ(zeroPad(4, 2), "04");
    EXPECT_EQ(zeroPad(4321, 6), "004321");
    EXPECT_EQ(zeroPad(1234567, 6), "1234567");
    EXPECT_EQ(zeroPad(12345, 9), "000012345");
    EXPECT_EQ(padCut("1234567", 6), "123456");
    EXPECT_EQ(padCut("AB", 4), "AB  ");
    EXPECT_EQ(formatAmount(1234.5), "1.234,50");
    EXPECT_EQ(formatAmount(0), "0,00");
    EXPECT_EQ(formatAmount(-1234567.125), "-1.234.567,12");
    EXPECT_EQ(formatWhole(42), "42");
    EXPECT_EQ(displayNumber(12.2), "12,2");
}

TEST(DatesOfTheData, ZeroDateSerialsAndCalendarChecks) {
    EXPECT_EQ(isoDate(zeroDate()), "1899-12-30");
    EXPECT_EQ(isoDate(QDate()), "1899-12-30");
    EXPECT_EQ(daySerial(QDate(2023, 1, 5)), 44931);
    EXPECT_EQ(ddmmyyyy(QDate(2023, 1, 5)), "05/01/2023");
    EXPECT_FALSE(dateFromParts(u"30", u"02", u"2023").isValid());
    EXPECT_EQ(dateFromParts(u"05", u"01", u"2023"), QDate(2023, 1, 5));
    EXPECT_FALSE(dateFromParts(u"0A", u"01", u"2023").isValid());
}

TEST(Dates, IsoDateWritesWhatQtWritesAndTheZeroDateForNone) {
    const QDate dates[] = {QDate(2026, 12, 8), QDate(2024, 2, 29), QDate(1899, 12, 30), QDate(1, 1, 1),
                           QDate(999, 10, 5),  QDate(9999, 12, 31), QDate(10000, 1, 1), QDate(-1, 6, 15)};
    for (const QDate& d : dates) EXPECT_EQ(isoDate(d), d.toString(Qt::ISODate)) << d.year();
    EXPECT_EQ(isoDate(QDate()), QStringLiteral("1899-12-30"));
    EXPECT_TRUE(isoDate(QDate(10000, 1, 1)).isNull());
}
