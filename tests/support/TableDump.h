#pragma once
// A whole drive root as text, to compare one root with another or with a
// reviewed file: one line per row, `store.table|col=value|...`, columns in
// name order and rows sorted, so two roots holding the same data give the same
// lines however the rows were written.
//
// Values: NULL; integers as written; reals by their shortest round-trip text
// (an integral real keeps ".0", so 5.0 is not mistaken for the integer 5);
// texts in double quotes with \" \\ \n \r \t and \xNN escaped, so trailing
// blanks show; blobs as x'hex'. The run's own dates and time, when given,
// become <TODAY>, <TODAY+7>, <NOW> wherever a text holds them (ISO and
// dd/mm/yyyy forms), so a dump does not depend on the day it was taken.
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

struct DumpOptions {
    QStringList storeTables;  // quarn/dati.mdb; empty: every table
    QStringList chainTables;  // nelv/dati.mdb; empty: every table
    QDate today;              // the run's day; no date tokens when invalid
    QTime now;                // the run's time; no time token when invalid
    QList<int> dayOffsets{0, 7};  // the days after `today` the run writes
};

// Both databases of `root` (the folder that holds nelv/ and quarn/). Throws
// std::runtime_error when a database or a named table cannot be read.
QStringList dumpRoot(const QString& root, const DumpOptions& options);

// One database file; every line starts with `label.table`.
QStringList dumpDatabase(const QString& path, const QString& label, const QStringList& tables,
                         const DumpOptions& options);

// A unified diff of two dumps (`diff -u`), empty when they are equal.
QString unifiedDiff(const QStringList& expected, const QStringList& actual);

// The fields that changed, one line per row that is in both dumps with other
// values: `store.listi01 (codafo="001000001"|codart=1001): qgia 168.0 -> 167.0`.
// A row of a table is paired with the row of the same table that shares the
// most fields; rows without a partner are left to the unified diff.
QStringList changedFields(const QStringList& expected, const QStringList& actual);
