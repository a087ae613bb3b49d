#include "documents/creot.h"

#include "common/Dates.h"
#include "common/Numbers.h"
#include "shell/Run.h"

Creot::Creot(Run& run)
    : run_(run),
      type_(run.store.prepare(QStringLiteral(
          "SELECT numeratore FROM tipodoc WHERE posi = ? AND rtrim(coddoc) = ? ORDER BY rowid LIMIT 1"))),
      series_(run.store.prepare(QStringLiteral(
          "SELECT rowid, ultnum FROM numeri WHERE codutente = ? AND rtrim(tipo) = rtrim(?) AND anno = ? "
          "ORDER BY rowid LIMIT 1"))),
      advance_(run.store.prepare(QStringLiteral("UPDATE numeri SET ultnum = ? WHERE rowid = ?"))),
      existing_(run.store.prepare(QStringLiteral(
          "SELECT 1 FROM testaof WHERE anno = ? AND numero = ? AND rtrim(tipodoc) = rtrim(?) LIMIT 1"))),
      insert_(run.store.prepare(QStringLiteral(
          "INSERT INTO testaof (anno, numero, dataor, dscfornitore, codfor, codutente, numfa, datafa, "
          "annofa, dataco, tipodoc) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"))) {}

bool Creot::write(QString* message) {
    RunContext& ctx = run_.ctx;
    if (ctx.codfor_affil == 0) return false;

    const QString code = ctx.docType == QLatin1String("F") ? QStringLiteral("FATTACQIMM")
                                                           : QStringLiteral("DDTACQ");
    ctx.storeDocType = common::padCut(code, 12);
    const QDate today = run_.clock.today();
    if (ctx.docYear == 0) ctx.docYear = today.year();

    // A type missing from tipodoc has no series: the series of the document
    // before must not number this one.
    const bool typeFound = type_.first({QStringLiteral("A"), code});
    ctx.seriesCode = typeFound ? common::padCut(type_.text("numeratore"), 2) : QString();
    type_.finish();

    if (!typeFound || !series_.first({ctx.userCode, ctx.seriesCode, ctx.docYear})) {
        series_.finish();
        const QString text = QStringLiteral("Attenzione Numerazione Controffature Fornitori %1 "
                                            "non esiste,controllare tabella numerazione")
                                 .arg(code);
        if (message)
            *message = text;
        else
            run_.view.message(text);
        return false;
    }
    ctx.newDocNumber = static_cast<qint32>(series_.whole("ultnum") + 1);
    const qint64 seriesRow = series_.whole("rowid");
    series_.finish();
    advance_.exec({ctx.newDocNumber, seriesRow});

    // The number is consumed from here on, even when a header already holds it.
    const bool taken = existing_.first({ctx.docYear, ctx.newDocNumber, ctx.storeDocType});
    existing_.finish();
    if (taken) return false;

    run_.view.setText("elaboraw", QStringLiteral("CARICO DOCUMENTO NR. %1").arg(ctx.docNumber));
    insert_.exec({ctx.docYear, ctx.newDocNumber, common::dateValue(today), ctx.supplierName,
                  ctx.codfor_affil, ctx.userCode, ctx.docNumber, common::dateValue(ctx.docDate),
                  ctx.docDate.year(), common::dateValue(today), ctx.storeDocType});

    db::LogRow& log = ctx.log;
    log.tipoelaborazione = QStringLiteral("A");
    log.tipoagg = QStringLiteral("F");
    log.desart = ctx.supplierName;
    log.codafon = ctx.storeDocType;
    log.numpro = ctx.docNumber;
    log.datain = ctx.docDate;
    log.datafi = ctx.docDate;
    Agg_Rec_divulga(run_);
    return true;
}

bool creot(Run& run) { return Creot(run).write(); }
