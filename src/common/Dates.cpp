#include "common/Dates.h"

#include "common/Numbers.h"

namespace common {

QDate zeroDate() { return QDate(1899, 12, 30); }

qint64 daySerial(const QDate& date) { return zeroDate().daysTo(date); }

// Written digit by digit: the run stores a date on most rows it writes, and
// QDate::toString formats through a printf each time. Same text as
// toString(Qt::ISODate), which has none for a year outside 0-9999.
QString isoDate(const QDate& date) {
    int year = 0, month = 0, day = 0;
    (date.isValid() ? date : zeroDate()).getDate(&year, &month, &day);
    if (year < 0 || year > 9999) return QString();
    const auto digit = [](int n) { return QChar(u'0' + n % 10); };
    const QChar text[10] = {digit(year / 1000), digit(year / 100), digit(year / 10), digit(year), u'-',
                            digit(month / 10),  digit(month),      u'-',             digit(day / 10), digit(day)};
    return QString(text, 10);
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
