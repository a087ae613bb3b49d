#include "documents/BleProblems.h"

void BleProblems::add(int line, qint32 document, const QString& field, const QString& found, bool cut) {
    Entry& e = lines_[line];
    e.document = document;
    QString what = QStringLiteral("campo %1 \"%2\"").arg(field, found);
    if (cut) what += QStringLiteral(" (riga troncata)");
    if (!e.fields.contains(what)) e.fields << what;
    held_.insert(document);
}

void BleProblems::numberUnreadable(int line, qint32 previous, const QString& found) {
    const bool known = lines_.contains(line);
    add(line, previous, QStringLiteral("numero documento"), found);
    // Both readers of the file report the same line; the second adds nothing.
    if (!known) awaitingNext_ << line;
}

void BleProblems::numberRead(qint32 number) {
    if (awaitingNext_.isEmpty()) return;
    for (const int line : std::as_const(awaitingNext_)) lines_[line].nextDocument = number;
    awaitingNext_.clear();
    held_.insert(number);
}

QString BleProblems::message() const {
    QStringList out;
    out << QStringLiteral("Attenzione: righe documento (BLE) non valide nel file acq_var.txt. "
                          "I documenti indicati non sono stati caricati; lo saranno con il file corretto.");
    for (auto it = lines_.cbegin(); it != lines_.cend(); ++it) {
        const Entry& e = it.value();
        QString documents = QString::number(e.document);
        if (e.nextDocument != 0 && e.nextDocument != e.document)
            documents += QStringLiteral(" o %1").arg(e.nextDocument);
        out << QStringLiteral("riga %1, documento %2: %3")
                   .arg(it.key())
                   .arg(documents, e.fields.join(QStringLiteral(", ")));
    }
    return out.join(QLatin1Char('\n'));
}
