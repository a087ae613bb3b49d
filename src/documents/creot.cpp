#include "documents/creot.h"

#include "common/Dates.h"
#include "common/Numbers.h"
#include "run/Run.h"

Creot::Creot(const Run& run)
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

std::optional<ReceivedHeader> Creot::write(const SupplierDocument& document, QString& message) {
    const RunConfig& config = run_.config;
    const QString code = document.type == QLatin1String("F") ? QStringLiteral("FATTACQIMM")
                                                             : QStringLiteral("DDTACQ");
    ReceivedHeader header;
    header.storeDocType = common::padCut(code, 12);
    const QDate today = run_.clock.today();
    header.year = document.year != 0 ? document.year : today.year();

    // A type missing from tipodoc has no series: the series of the document
    // before must not number this one.
    const bool typeFound = type_.first({QStringLiteral("A"), code});
    const QString seriesCode = typeFound ? common::padCut(type_.text("numeratore"), 2) : QString();
    type_.finish();

    if (!typeFound || !series_.first({RunConfig::userCode, seriesCode, header.year})) {
        series_.finish();
        message = QStringLiteral("Attenzione Numerazione Controffature Fornitori %1 "
                                 "non esiste,controllare tabella numerazione")
                      .arg(code);
        return std::nullopt;
    }
    header.number = static_cast<qint32>(series_.whole("ultnum") + 1);
    const qint64 seriesRow = series_.whole("rowid");
    series_.finish();
    advance_.exec({header.number, seriesRow});

    // The number is consumed from here on, even when a header already holds it.
    const bool taken = existing_.first({header.year, header.number, header.storeDocType});
    existing_.finish();
    if (taken) return std::nullopt;

    run_.view.setText(Box::elaboraw, QStringLiteral("CARICO DOCUMENTO NR. %1").arg(document.number));
    insert_.exec({header.year, header.number, common::dateValue(today), config.supplierName, config.codfor_affil,
                  RunConfig::userCode, document.number, common::dateValue(document.date), document.date.year(),
                  common::dateValue(today), header.storeDocType});

    db::LogRow log;
    log.tipoelaborazione = QStringLiteral("A");
    log.tipoagg = QStringLiteral("F");
    log.desart = config.supplierName;
    log.codafon = header.storeDocType;
    log.numpro = document.number;
    log.datain = document.date;
    log.datafi = document.date;
    run_.log.append(log);
    return header;
}
