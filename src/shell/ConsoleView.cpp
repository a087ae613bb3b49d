#include "shell/ConsoleView.h"

#include "run/RunConfig.h"
#include "run/SummaryText.h"

#include <QFileDevice>
#include <QIODevice>
#include <QStringList>

ConsoleView::ConsoleView(const Clock& clock, bool printAnswer, int progressSeconds)
    : clock_(clock), printAnswer_(printAnswer), progressMs_(qint64(progressSeconds) * 1000) {
    sinceProgress_.start();
}

void ConsoleView::say(const QString& text) {
    // "10:30:02 Documenti: text"; the lines of a long message are indented under the first.
    QString line = clock_.now().toString(QStringLiteral("HH:mm:ss")) + QLatin1Char(' ');
    if (stage_) line += QLatin1String(nameOf(*stage_)) + QStringLiteral(": ");
    const QStringList parts = text.split(QLatin1Char('\n'));
    QString out = line + parts.first();
    for (qsizetype i = 1; i < parts.size(); ++i) out += QStringLiteral("\n         ") + parts[i];
    out += QLatin1Char('\n');
    if (console_) {
        std::fputs(out.toLocal8Bit().constData(), console_);
        std::fflush(console_);
    }
    if (file_) {
        // Written through at once: the log of a run that is killed keeps every line before the kill.
        file_->write(out.toUtf8());
        if (auto* f = qobject_cast<QFileDevice*>(file_)) f->flush();
    }
}

void ConsoleView::stage(Stage stage) {
    stage_ = stage;
    lastText_.clear();
    lastPercent_ = percent_ = -1;
    sinceProgress_.start();  // a stage shorter than the interval shows no progress at all
    say(QStringLiteral("inizio"));
}

void ConsoleView::setText(Box box, const QString& text) {
    // A stage whose bar does not move (the catalogue's articles) still shows
    // that it goes on: its record counter, as often as progress would be.
    if (box == Box::cntw || box == Box::cntfw || box == Box::cntpw) {
        if (sinceProgress_.elapsed() < progressMs_ || text.isEmpty()) return;
        sinceProgress_.start();
        say(QStringLiteral("%1 record elaborati").arg(text.trimmed()));
        return;
    }
    // The other boxes change record by record; only the status texts are events.
    if (box != Box::elaboraw && box != Box::datadw && box != Box::variazioni) return;
    const QString shown = text.trimmed();
    if (shown.isEmpty() || shown == lastText_) return;
    lastText_ = shown;
    say(box == Box::datadw ? QStringLiteral("data dei dati ") + shown : shown);
}

void ConsoleView::setProgress(Bar, int value) {
    const int percent = value / 200;  // the bars run to 20000
    if (percent == percent_) return;
    percent_ = percent;
    if (percent <= 0 || percent == lastPercent_ || sinceProgress_.elapsed() < progressMs_) return;
    lastPercent_ = percent;
    sinceProgress_.start();
    say(QStringLiteral("%1%").arg(percent));
}

void ConsoleView::setVisible(Bar, bool visible) {
    if (visible) percent_ = -1;
}

void ConsoleView::setCircleRed(Circle circle, bool red) {
    if (!red) return;
    // The circles sit in the panels of the stages they switch off.
    static const char* const what[] = {
        "Articoli: aggiornamento degli articoli disattivato (automa, art1)",
        "Documenti: documenti della catena disattivati (automa, art3)",
        "Promozioni: promozioni disattivate (automa, art2)",
    };
    say(QString::fromUtf8(what[static_cast<int>(circle)]));
}

void ConsoleView::message(const QString& text, const QString& title) {
    say(title.isEmpty() || title == QLatin1String("lis06c") ? text : title + QStringLiteral(": ") + text);
}

bool ConsoleView::ask(const QString& text, const QString& title) {
    answered(text, title, printAnswer_);
    return printAnswer_;
}

void ConsoleView::answered(const QString& text, const QString& title, bool yes) {
    say(QStringLiteral("%1 %2").arg(text.simplified(), yes ? QStringLiteral("Sì") : QStringLiteral("No")));
}

void ConsoleView::note(const QString& text) { say(text); }

void ConsoleView::finish(int status, const RunSummary* summary, qint64 runNumber, double seconds) {
    stage_.reset();
    if (summary) {
        say(trial_           ? QStringLiteral("Riepilogo della prova (") + kTrialMark + QLatin1Char(')')
            : runNumber > 0 ? QStringLiteral("Riepilogo della corsa nr. %1").arg(runNumber)
                            : QStringLiteral("Riepilogo"));
        for (const QString& line : describe(*summary)) say(QStringLiteral("  ") + line);
        if (!summary->report.isEmpty()) say(QStringLiteral("  Rapporto: ") + summary->report);
        else if (!summary->printer.isEmpty()) say(QStringLiteral("  Rapporto stampato su ") + summary->printer);
    }
    say((trial_ ? QStringLiteral("Fine della prova (") + kTrialMark + QStringLiteral("): ") : QStringLiteral("Fine: ")) +
        QStringLiteral("esito %1, %2; durata %3").arg(status).arg(describeExit(status), describeDuration(seconds)));
}
