#pragma once
// Dates as the store database keeps them: ISO-8601 text, the zero date
// 30 December 1899, whole day numbers counted from it, and the dd/mm/yyyy
// text of the date of the data.
#include <QDate>
#include <QString>
#include <QVariant>

namespace common {

QDate zeroDate();  // 1899-12-30

// Days since the zero date (the day serial the document headers are keyed on).
qint64 daySerial(const QDate& date);

// "YYYY-MM-DD" for the database; the zero date for an invalid date.
QString isoDate(const QDate& date);
QVariant dateValue(const QDate& date);  // isoDate as a bindable value
QDate dateFromDb(const QVariant& value);  // ISO text back; invalid for Null

QString isoTime(const QTime& time);  // "HH:MM:SS"

// dd/mm/yyyy
QString ddmmyyyy(const QDate& date);

// A date from day, month and year texts; invalid when not a calendar date
// (30 February) or when a part is not numeric.
QDate dateFromParts(QStringView day, QStringView month, QStringView year);

}  // namespace common
