// The conversions from Access values that are more than a copy of bytes.
#include "mdbimport/AccessValues.h"

#include <gtest/gtest.h>
#include <mdbtools.h>

using namespace mdbimport;

TEST(AccessValues, DatesBecomeIsoTextWithTheTimeOnlyWhenThereIsOne) {
    const struct {
        double serial;
        const char* text;
    } cases[] = {
        {0, "1899-12-30"},
        {1, "1899-12-31"},
        {0.5, "1899-12-30 12:00:00"},
        {44532, "2021-12-02"},
        {36526 + 1.0 / 86400, "2000-01-01 00:00:01"},
        {44532.75, "2021-12-02 18:00:00"},
        // Before 1899 the day counts back and the time still forward.
        {-1, "1899-12-29"},
        {-1.25, "1899-12-29 06:00:00"},
        // The ends of Access's calendar.
        {-657434, "0100-01-01"},
        {2958465 + 86399.0 / 86400, "9999-12-31 23:59:59"},
        // 23:59:59.9 rounds to the next midnight.
        {1.999999, "1900-01-01"},
    };
    for (const auto& c : cases) EXPECT_EQ(accessDateText(c.serial), QLatin1String(c.text)) << c.serial;
}

TEST(AccessValues, CurrencyIsTheNearestDoubleToItsFourDecimals) {
    const struct {
        qint64 tenThousandths;
        double value;
    } cases[] = {
        {183800, 18.38}, {-1, -0.0001}, {0, 0}, {1234567890123, 123456789.0123}, {33, 0.0033}, {-99999999, -9999.9999},
    };
    for (const auto& c : cases) EXPECT_EQ(currencyValue(c.tenThousandths), c.value) << c.tenThousandths;
}

TEST(AccessValues, SinglesKeepTheirShortestDecimalForm) {
    const struct {
        float single;
        double value;
    } cases[] = {
        {0.1f, 0.1}, {1.5f, 1.5}, {3.14159f, 3.14159}, {1e-7f, 1e-7}, {-2.25f, -2.25}, {3.4028235e38f, 3.4028235e38},
    };
    for (const auto& c : cases) EXPECT_EQ(singleValue(c.single), c.value) << c.single;
}

TEST(AccessValues, EachAccessTypeHasItsColumnType) {
    const struct {
        int type;
        const char* sqlite;
    } cases[] = {
        {MDB_BOOL, "INTEGER"}, {MDB_BYTE, "INTEGER"}, {MDB_INT, "INTEGER"},  {MDB_LONGINT, "INTEGER"},
        {MDB_MONEY, "REAL"},   {MDB_FLOAT, "REAL"},   {MDB_DOUBLE, "REAL"},  {MDB_DATETIME, "TEXT"},
        {MDB_TEXT, "TEXT"},    {MDB_MEMO, "TEXT"},    {MDB_BINARY, "BLOB"},  {MDB_OLE, "BLOB"},
        {MDB_NUMERIC, "NUMERIC"}, {MDB_REPID, "TEXT"}, {0x11, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(sqliteType(c.type), QLatin1String(c.sqlite)) << c.type;
}
