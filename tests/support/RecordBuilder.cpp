#include "RecordBuilder.h"

#include "common/Cp1252.h"
#include "common/Numbers.h"

#include <cmath>

RecordBuilder::RecordBuilder(const char* kind, QDate date, int width) : bytes_(width, ' ') {
    set(rec::kind, QString::fromLatin1(kind));
    this->date(rec::dateYmd, date);
}

RecordBuilder& RecordBuilder::raw(const rec::Field& field, const QByteArray& bytes) {
    const int start = field.pos - 1;
    if (bytes_.size() < start + bytes.size()) bytes_.resize(start + bytes.size(), ' ');
    bytes_.replace(start, bytes.size(), bytes);
    return *this;
}

RecordBuilder& RecordBuilder::set(const rec::Field& field, const QString& value) {
    QByteArray b = common::toCp1252(value).left(field.len);
    b.append(QByteArray(field.len - b.size(), ' '));
    return raw(field, b);
}

RecordBuilder& RecordBuilder::num(const rec::Field& field, qint64 value) {
    return set(field, common::zeroPad(value, field.len).right(field.len));
}

RecordBuilder& RecordBuilder::amount(const rec::Field& field, double value, int scale) {
    return num(field, static_cast<qint64>(std::llround(value * scale)));
}

RecordBuilder& RecordBuilder::date(const rec::Field& field, QDate value) {
    return set(field, value.toString(QStringLiteral("yyyyMMdd")));
}

RecordBuilder& RecordBuilder::cut(int length) {
    bytes_.truncate(length);
    return *this;
}

QByteArray chainFileBytes(const QList<QByteArray>& lines) {
    QByteArray out;
    for (const QByteArray& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}
