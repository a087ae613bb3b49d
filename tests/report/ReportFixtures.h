#pragma once
// Rows of the processing log written straight into a test store, as the
// stages leave them; fields left out stay Null.
#include "TestRoot.h"

#include <QStringList>
#include <QVariant>

struct LogEntry {
    QVariant kind = {};  // tipoelaborazione
    QVariant agg = {};   // tipoagg
    QVariant codafon = {};
    QVariant ean = {};
    QVariant desart = {};
    QVariant prezpubn = {};
    QVariant ivart = {};
    QVariant rica = {};
    QVariant prezpubv = {};
    QVariant desrep = {};
    QVariant numpro = {};
    QVariant datain = {};
    QVariant datafi = {};
    QVariant coston = {};
    QVariant costov = {};
    QVariant codart = {};
};

inline void addLog(TestRoot& t, const LogEntry& e) {
    static const QStringList fields = {"tipoelaborazione", "tipoagg", "codafon", "ean", "desart", "prezpubn",
                                       "ivart", "rica", "prezpubv", "desrep", "numpro", "datain", "datafi",
                                       "coston", "costov", "codart"};
    const QVariantList values = {e.kind,   e.agg,    e.codafon, e.ean,    e.desart, e.prezpubn,
                                 e.ivart,  e.rica,   e.prezpubv, e.desrep, e.numpro, e.datain,
                                 e.datafi, e.coston, e.costov,  e.codart};
    QStringList marks;
    for (qsizetype i = 0; i < fields.size(); ++i) marks << QStringLiteral("?");
    t.store()
        .prepare(QStringLiteral("INSERT INTO variatidivulgazioni (%1) VALUES (%2)")
                     .arg(fields.join(','), marks.join(',')))
        .execList(values);
}
