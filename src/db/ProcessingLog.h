#pragma once
// The processing log `variatidivulgazioni` of the store database: one row per
// change the run makes, read back by the printed report.
#include <QDate>
#include <QString>
#include <QVariant>
#include <memory>

namespace db {

class Database;
class Query;

// The log row under construction. The stages fill it and append it; after
// each row the prices, costs and description are reset while codes, EAN,
// kinds, number and dates carry over to the next row.
struct LogRow {
    qint32 codart = 0;
    float costov = 0;
    float coston = 0;
    QString codafov;
    QString codafon;
    QString ivart;
    QString desart;
    qint32 numpro = 0;
    QDate datain;  // the zero date until a document or promotion stage sets it
    QDate datafi;
    float prezpubn = 0;
    float prezpubv = 0;
    QString tipoelaborazione;
    QString tipoagg;

    void resetAfterWrite() {
        costov = coston = 0;
        prezpubn = prezpubv = 0;
        desart.clear();
    }
};

// Fields that only the promotion stage writes on its own rows.
struct LogExtras {
    QVariant desrep;
    QVariant umart;
    QVariant despro;  // when set, `despro` carries it instead of repeating the description
};

class ProcessingLog {
public:
    explicit ProcessingLog(Database& store);
    ~ProcessingLog();

    // Appends the row with `ean` (the run's current EAN) as its EAN; `despro`
    // repeats the description.
    void append(const LogRow& row, const QString& ean, const LogExtras& extras = {});

private:
    std::unique_ptr<Query> insert_;
};

}  // namespace db
