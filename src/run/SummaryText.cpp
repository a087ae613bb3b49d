#include "run/SummaryText.h"

#include "run/RunCore.h"

#include <QLocale>
#include <cmath>

namespace {

QString n(qint64 value) { return QString::number(value); }

}  // namespace

QStringList describe(const RunSummary& s) {
    QStringList lines{
        QStringLiteral("Articoli: %1 aggiornati, %2 creati; EAN scritti: %3")
            .arg(n(s.articlesUpdated), n(s.articlesCreated), n(s.eansWritten)),
        QStringLiteral("Documenti: %1 ricevuti, %2 trattenuti, %3 rettificati; righe di magazzino: %4")
            .arg(n(s.documentsReceived), n(s.documentsHeldBack), n(s.documentsRevised), n(s.stockLines)),
        QStringLiteral("Promozioni: %1 documenti di offerta, %2 righe").arg(n(s.offersCreated), n(s.offerLines)),
        QStringLiteral("Righe rifiutate: %1").arg(n(s.refusedLines)),
    };
    if (!s.refusedFile.isEmpty()) lines << QStringLiteral("Righe rifiutate per la catena: ") + s.refusedFile;
    for (const QString& stop : s.stops)
        lines << QStringLiteral("Fase fermata: ") + stop.section(QLatin1Char('\n'), 0, 0).trimmed();
    return lines;
}

QString describeInOneLine(const RunSummary& s) {
    return QStringLiteral("Articoli %1 aggiornati, %2 creati · EAN %3 · Documenti %4 ricevuti, %5 trattenuti, "
                          "%6 rettificati · Righe di magazzino %7 · Offerte %8 (%9 righe) · Righe rifiutate %10")
        .arg(n(s.articlesUpdated), n(s.articlesCreated), n(s.eansWritten), n(s.documentsReceived),
             n(s.documentsHeldBack), n(s.documentsRevised), n(s.stockLines), n(s.offersCreated), n(s.offerLines))
        .arg(n(s.refusedLines)) +
           (s.stops.isEmpty() ? QString() : QStringLiteral(" · Fasi fermate %1").arg(s.stops.size()));
}

const std::vector<ExitStatusText>& exitStatusTexts() {
    static const std::vector<ExitStatusText> texts = {
        {ExitFinished, "corsa completata"},
        {ExitOtherError, "errore (un'opzione sbagliata, un archivio bloccato o rovinato, il rapporto non scritto)"},
        {ExitNoSupplierCode, "manca il codice fornitore della catena (vedi --init --supplier)"},
        {ExitMissingFile, "manca un archivio o il file della catena, o il file non ha smesso di cambiare"},
        {ExitMissingSchema, "manca una tabella o un campo (vedi --init)"},
        {ExitIncomplete, "corsa completata, ma qualcosa è stato trattenuto, rifiutato o rettificato, "
                         "o una fase si è fermata: leggere il rapporto"},
        {6, "un'altra corsa sta usando la stessa radice"},
    };
    return texts;
}

QString describeExit(int status) {
    for (const ExitStatusText& t : exitStatusTexts())
        if (t.status == status) return QString::fromUtf8(t.text);
    return QStringLiteral("esito %1").arg(status);
}

QString describeDuration(double seconds) {
    static const QLocale italian(QLocale::Italian, QLocale::Italy);
    if (seconds < 60) return italian.toString(seconds, 'f', 1) + QStringLiteral(" s");
    const qint64 whole = std::llround(seconds);
    return QStringLiteral("%1 min %2 s").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}
