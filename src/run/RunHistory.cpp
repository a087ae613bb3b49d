#include "run/RunHistory.h"

#include "db/Database.h"
#include "db/Schema.h"

#include <cmath>

namespace {

const QString kDateTime = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// The processing log's fields, as one list for the copy into its history.
QString logFields() {
    QStringList names;
    for (const db::Table& t : db::tables(db::Which::Store)) {
        if (qstrcmp(t.name, "variatidivulgazioni") != 0) continue;
        for (const db::Column& c : t.columns) names << QString::fromUtf8(c.name);
    }
    return names.join(QStringLiteral(", "));
}

QVariant orNull(const QString& text) { return text.isEmpty() ? QVariant() : QVariant(text); }

RunRecord readRecord(const db::Query& q) {
    RunRecord r;
    r.number = q.whole("numero");
    r.start = QDateTime::fromString(q.text("inizio"), kDateTime);
    if (!q.isNull("fine")) r.end = QDateTime::fromString(q.text("fine"), kDateTime);
    r.seconds = q.number("secondi");
    if (!q.isNull("esito")) r.status = static_cast<int>(q.whole("esito"));
    r.reachedEnd = q.whole("completa") == 1;
    r.logFile = q.text("registro");
    RunSummary& s = r.summary;
    s.dataDati = q.text("data_dati");
    s.fileBytes = q.isNull("file_byte") ? -1 : q.whole("file_byte");
    s.fileSha256 = q.text("file_sha256").toLatin1();
    s.articlesUpdated = q.whole("articoli_aggiornati");
    s.articlesCreated = q.whole("articoli_creati");
    s.eansWritten = q.whole("ean_scritti");
    s.documentsReceived = q.whole("documenti_ricevuti");
    s.documentsHeldBack = q.whole("documenti_trattenuti");
    s.documentsRevised = q.whole("documenti_rettificati");
    s.stockLines = q.whole("righe_magazzino");
    s.offersCreated = q.whole("offerte_create");
    s.offerLines = q.whole("righe_offerte");
    s.refusedLines = q.whole("righe_rifiutate");
    if (!q.isNull("fermate")) s.stops = q.text("fermate").split(QLatin1Char('\x1e'));
    s.report = q.text("rapporto");
    s.printer = q.text("stampante");
    s.reportDay = QDate::fromString(q.text("giorno_rapporto"), Qt::ISODate);
    if (!q.isNull("annullata")) r.undone = QDateTime::fromString(q.text("annullata"), kDateTime);
    return r;
}

}  // namespace

QString RunHistory::stamp(const QDateTime& when) { return when.toString(kDateTime); }

bool RunHistory::lastRunReachedItsEnd() {
    db::Query last = store_.prepare(
        QStringLiteral("SELECT completa FROM lis06c_esecuzioni ORDER BY numero DESC LIMIT 1"));
    const auto completa = last.firstRow({}, [](const db::Query& q) { return q.whole("completa"); });
    return !completa || *completa == 1;
}

void RunHistory::keepLog(qint64 number) {
    const QString fields = logFields();
    store_.exec(QStringLiteral("DELETE FROM lis06c_storico_variatidivulgazioni WHERE esecuzione = ?"), {number});
    store_.exec(QStringLiteral("INSERT INTO lis06c_storico_variatidivulgazioni (esecuzione, %1) "
                               "SELECT ?, %1 FROM variatidivulgazioni ORDER BY rowid")
                    .arg(fields),
                {number});
}

qint64 RunHistory::begin(const QDateTime& start, const QString& logFile) {
    db::Transaction tx(store_);
    db::Query last = store_.prepare(
        QStringLiteral("SELECT numero, fine FROM lis06c_esecuzioni ORDER BY numero DESC LIMIT 1"));
    struct Last {
        qint64 number;
        bool ended;
    };
    const auto previous =
        last.firstRow({}, [](const db::Query& q) { return Last{q.whole("numero"), !q.isNull("fine")}; });
    // A run killed part-way: what it logged is its history, and stays in the
    // processing log for this run to append to.
    if (previous && !previous->ended) keepLog(previous->number);
    const qint64 number = previous ? previous->number + 1 : 1;
    store_.exec(QStringLiteral("INSERT INTO lis06c_esecuzioni (numero, inizio, completa, registro) VALUES (?, ?, 0, ?)"),
                {number, stamp(start), orNull(logFile)});
    tx.commit();
    return number;
}

void RunHistory::end(qint64 number, const QDateTime& end, double seconds, int status, bool reachedEnd,
                     const RunSummary& s) {
    db::Transaction tx(store_);
    store_.prepare(QStringLiteral(
                       "UPDATE lis06c_esecuzioni SET fine = ?, secondi = ?, esito = ?, completa = ?, data_dati = ?, file_byte = ?, "
                       "file_sha256 = ?, articoli_aggiornati = ?, articoli_creati = ?, ean_scritti = ?, "
                       "documenti_ricevuti = ?, documenti_trattenuti = ?, documenti_rettificati = ?, "
                       "righe_magazzino = ?, offerte_create = ?, righe_offerte = ?, righe_rifiutate = ?, "
                       "fermate = ?, rapporto = ?, stampante = ?, giorno_rapporto = ? WHERE numero = ?"))
        .exec({stamp(end), std::round(seconds * 1000) / 1000, status, reachedEnd ? 1 : 0, orNull(s.dataDati),
               s.fileBytes < 0 ? QVariant() : QVariant(s.fileBytes), orNull(QString::fromLatin1(s.fileSha256)),
               s.articlesUpdated, s.articlesCreated, s.eansWritten, s.documentsReceived, s.documentsHeldBack,
               s.documentsRevised, s.stockLines, s.offersCreated, s.offerLines, s.refusedLines,
               s.stops.isEmpty() ? QVariant() : QVariant(s.stops.join(QLatin1Char('\x1e'))), orNull(s.report),
               orNull(s.printer), s.reportDay.isValid() ? QVariant(s.reportDay.toString(Qt::ISODate)) : QVariant(),
               number});
    keepLog(number);
    tx.commit();
}

void RunHistory::forget(qint64 number) {
    db::Transaction tx(store_);
    store_.exec(QStringLiteral("DELETE FROM lis06c_storico_variatidivulgazioni WHERE esecuzione = ?"), {number});
    store_.exec(QStringLiteral("DELETE FROM lis06c_esecuzioni WHERE numero = ?"), {number});
    tx.commit();
}

void RunHistory::markUndone(qint64 number, const QDateTime& when) {
    store_.exec(QStringLiteral("UPDATE lis06c_esecuzioni SET annullata = ? WHERE numero = ?"), {stamp(when), number});
}

QStringList RunHistory::tables() {
    return {QStringLiteral("lis06c_esecuzioni"), QStringLiteral("lis06c_storico_variatidivulgazioni")};
}

std::vector<RunRecord> RunHistory::list() {
    std::vector<RunRecord> out;
    db::Query q = store_.prepare(QStringLiteral("SELECT * FROM lis06c_esecuzioni ORDER BY numero"));
    q.exec();
    while (q.next()) out.push_back(readRecord(q));
    return out;
}

std::optional<RunRecord> RunHistory::find(qint64 number) {
    db::Query q = store_.prepare(QStringLiteral("SELECT * FROM lis06c_esecuzioni WHERE numero = ?"));
    return q.firstRow({number}, readRecord);
}
