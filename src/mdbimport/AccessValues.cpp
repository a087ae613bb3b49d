#include "mdbimport/AccessValues.h"

#include "common/Dates.h"

#include <charconv>
#include <cmath>
#include <mdbtools.h>

namespace mdbimport {

QString sqliteType(int accessType) {
    switch (accessType) {
    case MDB_BOOL:      // yes/no as 0/1
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX:   // the key of an attachment or multi-value field
        return QStringLiteral("INTEGER");
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
        return QStringLiteral("REAL");
    case MDB_NUMERIC:   // decimal: kept as a number where SQLite can
        return QStringLiteral("NUMERIC");
    case MDB_DATETIME:  // ISO text, as lis06c writes dates
    case MDB_TEXT:
    case MDB_MEMO:
    case MDB_REPID:     // replication id, as {XXXXXXXX-XXXX-...}
        return QStringLiteral("TEXT");
    case MDB_BINARY:
    case MDB_OLE:
        return QStringLiteral("BLOB");
    default:
        return {};
    }
}

QString accessDateText(double serial) {
    double whole = 0;
    const double fraction = std::modf(serial, &whole);
    qint64 seconds = std::llround(std::fabs(fraction) * 86400.0);
    QDate day = common::zeroDate().addDays(static_cast<qint64>(whole));
    if (seconds >= 86400) {  // 23:59:59.6 and later round up to the next day
        day = day.addDays(1);
        seconds -= 86400;
    }
    const QString date = QString::asprintf("%04d-%02d-%02d", day.year(), day.month(), day.day());
    if (seconds == 0) return date;
    return date + QString::asprintf(" %02d:%02d:%02d", int(seconds / 3600), int(seconds / 60 % 60),
                                    int(seconds % 60));
}

double currencyValue(qint64 tenThousandths) {
    // Below 900 billion both operands are exact and IEEE division rounds once:
    // the nearest double to the four-decimal value.
    return static_cast<double>(tenThousandths) / 10000.0;
}

double singleValue(float value) {
    if (!std::isfinite(value)) return value;
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    double out = value;
    std::from_chars(text, written.ptr, out);
    return out;
}

}  // namespace mdbimport
