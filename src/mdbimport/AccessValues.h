#pragma once
// How the values of an Access file become SQLite values: the column type each
// Access field type gets, and the conversions that are more than a copy of
// the bytes (dates, currency, single-precision numbers).
#include <QString>
#include <QVariant>

namespace mdbimport {

// The SQLite column type for an Access field type (the libmdb MDB_* code);
// empty for a type this import does not know.
QString sqliteType(int accessType);

// An Access date/time (days since 30 December 1899, the fraction is the time of
// day) as lis06c keeps dates: "YYYY-MM-DD", or "YYYY-MM-DD HH:MM:SS" when the
// value has a time of day. Rounded to the second. Before 1899 the whole part
// counts days back and the fraction still counts the time forward.
QString accessDateText(double serial);

// A currency value (a count of ten-thousandths) as the double nearest to its
// exact four-decimal value.
double currencyValue(qint64 tenThousandths);

// A single-precision value as the double of its shortest decimal form, so
// 0.1 in the file is 0.1 in the database, not 0.100000001490116.
double singleValue(float value);

}  // namespace mdbimport
