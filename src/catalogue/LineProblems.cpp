#include "catalogue/LineProblems.h"

void LineProblems::add(int line, const QString& kind, const QString& field, const QString& found) {
    ++total_;
    if (listed_.size() < kListed)
        listed_ << QStringLiteral("riga %1, record %2, campo %3: \"%4\"").arg(line).arg(kind, field, found);
}

QString LineProblems::message() const {
    QStringList out;
    out << QStringLiteral("Attenzione: %1 righe del file acq_var.txt non elaborate (codice non numerico).")
               .arg(total_);
    out << listed_;
    if (total_ > listed_.size())
        out << QStringLiteral("... e altre %1 righe.").arg(total_ - listed_.size());
    return out.join(QLatin1Char('\n'));
}
