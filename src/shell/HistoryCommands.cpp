#include "shell/HistoryCommands.h"

#include "db/Schema.h"
#include "report/ReportOutput.h"
#include "run/RunCore.h"
#include "run/RunHistory.h"
#include "run/SummaryText.h"
#include "shell/ConsoleView.h"
#include "shell/JsonSummary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace {

void print(FILE* to, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), to);
    std::fputc('\n', to);
}

// The store database with its history tables (made where missing, as at start-up).
std::unique_ptr<db::Database> openStore(const Paths& paths) {
    auto store = db::Database::open(paths.storeDb(), QStringLiteral("Quarn (negozio)"));
    db::createOwnTables(*store, db::Which::Store);
    return store;
}

QString outcome(const RunRecord& r) {
    const QString undone = r.undone.isValid() ? QStringLiteral(", annullata") : QString();
    if (!r.status) return QStringLiteral("interrotta") + undone;
    return (r.reachedEnd ? QString::number(*r.status) : QStringLiteral("%1, interrotta").arg(*r.status)) + undone;
}

QString duration(const RunRecord& r) {
    if (!r.end.isValid()) return QStringLiteral("-");
    return describeDuration(r.seconds);
}

template <class Body> int guarded(Body body) {
    try {
        return body();
    } catch (const db::Error& e) {
        print(stderr, e.message());
        return exitStatusFor(e);
    }
}

}  // namespace

int listRuns(const Paths& paths, bool json) {
    return guarded([&] {
        auto store = openStore(paths);
        const std::vector<RunRecord> runs = RunHistory(*store).list();
        if (json) {
            QJsonArray all;
            for (const RunRecord& r : runs) {
                QJsonObject o = QJsonDocument::fromJson(jsonSummary({r.status.value_or(-1), r.seconds,
                                                                     &r.summary, r.number, r.logFile}))
                                    .object();
                if (!r.status) o[QStringLiteral("status")] = QJsonValue();
                o[QStringLiteral("status_text")] = r.status ? describeExit(*r.status) : QStringLiteral("interrotta");
                o[QStringLiteral("start")] = RunHistory::stamp(r.start);
                o[QStringLiteral("end")] = r.end.isValid() ? QJsonValue(RunHistory::stamp(r.end)) : QJsonValue();
                o[QStringLiteral("reached_end")] = r.reachedEnd;
                o[QStringLiteral("undone")] =
                    r.undone.isValid() ? QJsonValue(RunHistory::stamp(r.undone)) : QJsonValue();
                if (!r.end.isValid()) o[QStringLiteral("seconds")] = QJsonValue();
                all.append(o);
            }
            print(stdout, QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact)));
            return int(ExitFinished);
        }
        if (runs.empty()) {
            print(stdout, QStringLiteral("Nessuna corsa registrata in %1").arg(paths.storeDb()));
            return int(ExitFinished);
        }
        const QString row = QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %8  %9");
        auto line = [&row](const QStringList& c) {
            return row.arg(c[0], 5).arg(c[1], -19).arg(c[2], 10).arg(c[3], -12).arg(c[4], -10).arg(c[5], 11)
                .arg(c[6], 14).arg(c[7], 14).arg(c[8], -1);
        };
        print(stdout, line({QStringLiteral("Nr."), QStringLiteral("Inizio"), QStringLiteral("Durata"),
                            QStringLiteral("Esito"), QStringLiteral("Dati del"), QStringLiteral("Articoli a/c"),
                            QStringLiteral("Documenti r/t/r"), QStringLiteral("Offerte/righe"),
                            QStringLiteral("Rifiutate  Rapporto")}));
        for (const RunRecord& r : runs) {
            const RunSummary& s = r.summary;
            QString report = s.report.isEmpty() ? s.printer : s.report;
            print(stdout, line({QString::number(r.number), RunHistory::stamp(r.start), duration(r), outcome(r),
                                s.dataDati.isEmpty() ? QStringLiteral("-") : s.dataDati,
                                QStringLiteral("%1/%2").arg(s.articlesUpdated).arg(s.articlesCreated),
                                QStringLiteral("%1/%2/%3").arg(s.documentsReceived).arg(s.documentsHeldBack).arg(s.documentsRevised),
                                QStringLiteral("%1/%2").arg(s.offersCreated).arg(s.offerLines),
                                QStringLiteral("%1").arg(s.refusedLines, 9) + QStringLiteral("  ") +
                                    (report.isEmpty() ? QStringLiteral("-") : report)}));
        }
        return int(ExitFinished);
    });
}

int reprintRun(const Paths& paths, qint64 number, const RunOptions& options) {
    return guarded([&] {
        auto store = openStore(paths);
        const std::optional<RunRecord> run = RunHistory(*store).find(number);
        if (!run) {
            print(stderr, QStringLiteral("La corsa nr. %1 non è nella storia delle corse di %2 (vedi --history)")
                              .arg(number)
                              .arg(paths.storeDb()));
            return int(ExitOtherError);
        }
        // The page header's day is the day the report was printed; for a run
        // whose report was not printed, the day it would have been: its last day.
        const QDate day = run->summary.reportDay.isValid() ? run->summary.reportDay
                          : run->end.isValid()             ? run->end.date()
                                                           : run->start.date();
        const Clock clock;
        ConsoleView console(clock, false);
        console.setConsole(stderr);
        const ReportPlace place = printReport(ReportJob{*store, report::LogRows{number}, day, run->summary.dataDati,
                                                        options, console, clock, paths.chainFolder()});
        if (place.pdf.isEmpty() && place.printer.isEmpty()) return int(ExitOtherError);
        print(stderr, QStringLiteral("Rapporto della corsa nr. %1 %2")
                          .arg(number)
                          .arg(place.pdf.isEmpty() ? QStringLiteral("stampato su ") + place.printer
                                                   : QStringLiteral("scritto in ") + place.pdf));
        return int(ExitFinished);
    });
}
