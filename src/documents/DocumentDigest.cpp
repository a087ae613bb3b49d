#include "documents/DocumentDigest.h"

#include "common/Dates.h"
#include "common/Sha256.h"
#include "documents/SupplierDocument.h"

#include <QStringList>
#include <iterator>

namespace {

// Every field of a staged line that the chain's file sets, by name.
const char* const kFileFields[] = {"tipges", "ea2art", "codafo", "ea1art", "desart", "umart", "unita2", "quaco",
                                   "imbart", "ivart", "colli", "quantità", "przart", "przlis", "prezpub"};

// A field as text: amounts to four decimals, so that one value stored as a
// real number always gives the same text; texts without their padding.
QString fieldText(const QVariant& value) {
    if (value.isNull()) return QStringLiteral("NULL");
    switch (value.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'f', 4);
    default:
        return value.toString().trimmed();
    }
}

}  // namespace

DocumentDigests::DocumentDigests(db::Database& store, qint32 supplier)
    : supplier_(supplier),
      // The staging keeps the document's number on its lines, not its date.
      lines_(store.prepare(QStringLiteral(
          "SELECT tipges, ea2art, codafo, ea1art, desart, umart, unita2, quaco, imbart, ivart, colli, "
          "\"quantità\", przart, przlis, prezpub FROM variati WHERE numero = ? AND datafa BETWEEN ? AND ?"))),
      received_(store.prepare(QStringLiteral("SELECT righe, impronta FROM lis06c_documenti_ricevuti "
                                             "WHERE codfor = ? AND numfa = ? AND datafa = ? LIMIT 1"))),
      record_(store.prepare(QStringLiteral("INSERT OR REPLACE INTO lis06c_documenti_ricevuti "
                                           "(codfor, numfa, datafa, righe, impronta) VALUES (?, ?, ?, ?, ?)"))) {}

LinesDigest DocumentDigests::staged(const SupplierDocument& document) {
    // The lines in a fixed order of their own: a document whose lines come in
    // another order is the same document.
    QStringList lines;
    // The document is its number and its year: the same number of another
    // year is another document.
    lines_.exec({document.number, common::dateValue(QDate(document.year, 1, 1)),
                 common::dateValue(QDate(document.year, 12, 31))});
    while (lines_.next()) {
        // The fields of the line separated by U+001F, made in place.
        QString line;
        line.reserve(160);
        for (int i = 0; i < int(std::size(kFileFields)); ++i) {
            if (i > 0) line += QChar(0x1F);
            line += fieldText(lines_.value(kFileFields[i]));
        }
        lines << line;
    }
    lines.sort();
    const QByteArray all = lines.join(QLatin1Char('\n')).toUtf8();
    return {lines.size(), QString::fromLatin1(common::Sha256::hexOf(all))};
}

std::optional<LinesDigest> DocumentDigests::received(const SupplierDocument& document) {
    return received_.firstRow({supplier_, document.number, common::dateValue(document.date)}, [](const db::Query& q) {
        return LinesDigest{q.whole("righe"), q.text("impronta")};
    });
}

void DocumentDigests::record(const SupplierDocument& document, const LinesDigest& digest) {
    record_.exec({supplier_, document.number, common::dateValue(document.date), digest.lines, digest.digest});
}
