#include "catalogue/LineProblems.h"

namespace {
QString entry(int line, const QString& kind, const QString& field, const QString& found) {
    return QStringLiteral("riga %1, record %2, campo %3: \"%4\"").arg(line).arg(kind, field, found);
}
}  // namespace

void LineProblems::list(const QString& text) {
    ++total_;
    if (listed_.size() < kListed) listed_ << text;
}

void LineProblems::add(int line, const QString& kind, const QString& field, const QString& found) {
    list(entry(line, kind, field, found));
}

void LineProblems::addCut(int line, const QString& kind, const QString& field, const QString& found) {
    list(entry(line, kind, field, found) + QStringLiteral(" (riga troncata)"));
}

QString LineProblems::message() const {
    QStringList out;
    if (!notes_.isEmpty()) {
        out << QStringLiteral("Attenzione: il file acq_var.txt contiene caratteri non validi:");
        out << notes_;
    }
    if (total_ > 0) {
        out << QStringLiteral("Attenzione: %1 righe del file acq_var.txt non elaborate (campo non numerico o "
                              "troncato).")
                   .arg(total_);
        out << listed_;
        if (total_ > listed_.size())
            out << QStringLiteral("... e altre %1 righe.").arg(total_ - listed_.size());
    }
    return out.join(QLatin1Char('\n'));
}
