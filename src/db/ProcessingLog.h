#pragma once
// The processing log `variatidivulgazioni` of the store database: one row per
// change the run makes, read back by the printed report. Each stage builds
// its rows whole and appends them; nothing carries over from one row to the
// next unless the stage that writes them says so.
#include "common/Amount.h"

#include <QDate>
#include <QString>
#include <QVariant>
#include <memory>

namespace db {

class Database;
class Query;

// The prices and costs are kept in single precision: the log stores each
// through common::toSingle.
struct LogRow {
    qint32 codart = 0;
    common::Amount costov;
    common::Amount coston;
    QString codafov;
    QString codafon;
    QString ean = QString(13, QLatin1Char(' '));  // blanks: no EAN
    QString ivart;
    QString desart;
    qint32 numpro = 0;
    QDate datain;  // the zero date unless the row belongs to a document or promotion
    QDate datafi;
    common::Amount prezpubn;
    common::Amount prezpubv;
    QString tipoelaborazione;
    QString tipoagg;
    // Only the promotion stage fills these on its own rows: the department,
    // the unit, and `despro` when it differs from the description.
    QVariant desrep;
    QVariant umart;
    QVariant despro;
};

class ProcessingLog {
public:
    explicit ProcessingLog(Database& store);
    ~ProcessingLog();

    // `despro` repeats the description unless the row sets its own.
    void append(const LogRow& row);

private:
    std::unique_ptr<Query> insert_;
};

}  // namespace db
