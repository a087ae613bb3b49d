#include "promotions/PromoProblems.h"

namespace {
// Past this many lines the message only counts the rest.
constexpr int kShown = 30;
}  // namespace

void PromoProblems::add(int line, const QString& kind, const QString& field, const QString& found, bool cut) {
    QString entry = QStringLiteral("riga %1, record %2: campo %3 \"%4\"").arg(line).arg(kind, field, found);
    if (cut) entry += QStringLiteral(" (riga troncata)");
    entries_ << entry;
}

QString PromoProblems::message() const {
    QStringList out;
    out << QStringLiteral("Attenzione: record promozioni non validi nel file acq_var.txt, non caricati:");
    out << entries_.mid(0, kShown);
    if (entries_.size() > kShown) out << QStringLiteral("... e altri %1").arg(entries_.size() - kShown);
    return out.join(QLatin1Char('\n'));
}
