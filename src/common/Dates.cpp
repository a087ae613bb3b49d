#include "common/Dates.h"

#include "common/Numbers.h"

namespace common {

QDate zeroDate() { return QDate(1899, 12, 30); }

qint64 daySerial(const QDate& date) { return zeroDate().daysTo(date); }

QString isoDate(const QDate& date) {
    return (date.isValid() ? date : zeroDate()).toString(Qt::ISODate);
}

QVariant dateValue(const QDate& date) { return isoDate(date); }

QDate dateFromDb(const QVariant& value) {
    if (value.isNull()) return {};
    return QDate::fromString(value.toString().left(10), Qt::ISODate);
}

QString isoTime(const QTime& time) { return time.toString(QStringLiteral("HH:mm:ss")); }

QString ddmmyyyy(const QDate& date) { return date.toString(QStringLiteral("dd/MM/yyyy")); }

QDate dateFromParts(QStringView day, QStringView month, QStringView year) {
    for (QStringView part : {day, month, year}) {
        for (QChar c : part)
            if (!c.isDigit()) return {};
        if (part.isEmpty()) return {};
    }
    return QDate(year.toInt(), month.toInt(), day.toInt());
}

}  // namespace common
