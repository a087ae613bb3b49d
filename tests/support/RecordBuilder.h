#pragma once
// Writes lines of the chain's file from named fields, so that tests never
// count columns by hand: RecordBuilder("MDA").num(rec::articleCode, 1234).set(rec::mda::description, "PASTA").
#include "common/ChainRecords.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

class RecordBuilder {
public:
    explicit RecordBuilder(const char* kind, QDate date = QDate(2026, 12, 1), int width = 280);

    // Text left-aligned in the field, blank-padded and cut at its length.
    RecordBuilder& set(const rec::Field& field, const QString& value);
    // Bytes exactly as given (for broken-input tests), from the field's column.
    RecordBuilder& raw(const rec::Field& field, const QByteArray& bytes);
    // A whole number zero-padded to the field's length.
    RecordBuilder& num(const rec::Field& field, qint64 value);
    // An amount in thousandths (or the given scale), zero-padded.
    RecordBuilder& amount(const rec::Field& field, double value, int scale = 1000);
    RecordBuilder& date(const rec::Field& field, QDate value);  // yyyymmdd
    // Cuts the line after `length` bytes (a line cut short).
    RecordBuilder& cut(int length);

    QByteArray line() const { return bytes_; }
    operator QByteArray() const { return bytes_; }

private:
    QByteArray bytes_;
};

// The lines joined with CR LF, as the chain writes them.
QByteArray chainFileBytes(const QList<QByteArray>& lines);
