#include "shell/JsonSummary.h"

#include "run/SummaryText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace {
QJsonValue textOrNull(const QString& text) { return text.isEmpty() ? QJsonValue() : QJsonValue(text); }
}  // namespace

QByteArray jsonSummary(const RunOutcome& o) {
    const RunSummary empty;
    const RunSummary& s = o.summary ? *o.summary : empty;
    QJsonObject j{
        {QStringLiteral("status"), o.status},
        {QStringLiteral("status_text"), describeExit(o.status)},
        {QStringLiteral("seconds"), std::round(o.seconds * 1000) / 1000},
        {QStringLiteral("run"), o.runNumber > 0 ? QJsonValue(o.runNumber) : QJsonValue()},
        {QStringLiteral("articles_updated"), s.articlesUpdated},
        {QStringLiteral("articles_created"), s.articlesCreated},
        {QStringLiteral("eans_written"), s.eansWritten},
        {QStringLiteral("documents_received"), s.documentsReceived},
        {QStringLiteral("documents_held_back"), s.documentsHeldBack},
        {QStringLiteral("documents_revised"), s.documentsRevised},
        {QStringLiteral("stock_lines"), s.stockLines},
        {QStringLiteral("offers_created"), s.offersCreated},
        {QStringLiteral("offer_lines"), s.offerLines},
        {QStringLiteral("refused_lines"), s.refusedLines},
        {QStringLiteral("refused_file"), textOrNull(s.refusedFile)},
        {QStringLiteral("stops"), QJsonArray::fromStringList(s.stops)},
        {QStringLiteral("report"), textOrNull(s.report)},
        {QStringLiteral("printer"), textOrNull(s.printer)},
        {QStringLiteral("data_date"), textOrNull(s.dataDati)},
        {QStringLiteral("file_bytes"), s.fileBytes >= 0 ? QJsonValue(s.fileBytes) : QJsonValue()},
        {QStringLiteral("file_sha256"), textOrNull(QString::fromLatin1(s.fileSha256))},
        {QStringLiteral("log"), textOrNull(o.logFile)},
        {QStringLiteral("trial"), o.trial},
    };
    return QJsonDocument(j).toJson(QJsonDocument::Compact);
}
