#include "documents/BleProblems.h"

void BleProblems::add(int line, qint32 document, const QString& field, const QString& found) {
    Entry& e = lines_[line];
    e.document = document;
    const QString what = QStringLiteral("campo %1 \"%2\"").arg(field, found);
    if (!e.fields.contains(what)) e.fields << what;
    held_.insert(document);
}

QString BleProblems::message() const {
    QStringList out;
    out << QStringLiteral("Attenzione: righe documento (BLE) non valide nel file acq_var.txt. "
                          "I documenti indicati non sono stati caricati; lo saranno con il file corretto.");
    for (auto it = lines_.cbegin(); it != lines_.cend(); ++it) {
        out << QStringLiteral("riga %1, documento %2: %3")
                   .arg(it.key())
                   .arg(it.value().document)
                   .arg(it.value().fields.join(QStringLiteral(", ")));
    }
    return out.join(QLatin1Char('\n'));
}
