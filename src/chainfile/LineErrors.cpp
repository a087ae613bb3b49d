#include "chainfile/LineErrors.h"

namespace chainfile {

namespace {

const QString kCut = QStringLiteral(" (riga troncata)");

QString withColumns(const FieldProblem& p) {
    if (!p.field) return p.name;
    return QStringLiteral("%1 (colonne %2-%3)").arg(p.name).arg(p.field->pos).arg(p.field->pos + p.field->len - 1);
}

}  // namespace

bool LineErrors::add(int line, const QString& kind, const FieldProblem& problem) {
    const QString key = QString::number(line) + QChar(0x1F) + problem.name + QChar(0x1F) + problem.found +
                        (problem.cut ? QStringLiteral("\x1F+") : QStringLiteral("\x1F-"));
    if (seen_.contains(key)) return false;
    seen_.insert(key);
    entries_.append({line, kind, problem});
    return true;
}

void LineErrors::add(const LineRecord& record) {
    for (const FieldProblem& p : record.problems) add(record.line, record.kind, p);
}

bool LineErrors::add(int line, qint32 document, const FieldProblem& problem) {
    documents_[line].document = document;
    held_.insert(document);
    return add(line, QStringLiteral("BLE"), problem);
}

void LineErrors::alsoBelongsTo(int line, qint32 document) {
    documents_[line].nextDocument = document;
    held_.insert(document);
}

QString LineErrors::catalogueMessage() const {
    QStringList out;
    if (!notes_.isEmpty()) {
        out << QStringLiteral("Attenzione: il file acq_var.txt contiene caratteri non validi:");
        out << notes_;
    }
    const qsizetype total = entries_.size();
    if (total > 0) {
        out << QStringLiteral(
                   "Attenzione: %1 righe del file acq_var.txt non elaborate (campo non numerico o "
                   "troncato).")
                   .arg(total);
        for (qsizetype i = 0; i < std::min<qsizetype>(total, kCatalogueListed); ++i) {
            const Entry& e = entries_[i];
            out << QStringLiteral("riga %1, record %2, ").arg(e.line).arg(e.kind) + catalogueReason(e);
        }
        if (total > kCatalogueListed) out << QStringLiteral("... e altre %1 righe.").arg(total - kCatalogueListed);
    }
    return out.join(QLatin1Char('\n'));
}

QMap<int, QString> LineErrors::documentReasons() const {
    QMap<int, QStringList> fields;  // by line, in file order
    for (const Entry& e : entries_) {
        fields[e.line] << QStringLiteral("campo %1 \"%2\"").arg(e.problem.name, e.problem.found) +
                              (e.problem.cut ? kCut : QString());
    }
    QMap<int, QString> out;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        const Documents d = documents_.value(it.key());
        QString documents = QString::number(d.document);
        if (d.nextDocument != 0 && d.nextDocument != d.document)
            documents += QStringLiteral(" o %1").arg(d.nextDocument);
        out.insert(it.key(), QStringLiteral("documento %1: %2").arg(documents, it.value().join(QStringLiteral(", "))));
    }
    return out;
}

QString LineErrors::documentMessage() const {
    QStringList out;
    out << QStringLiteral(
        "Attenzione: righe documento (BLE) non valide nel file acq_var.txt. "
        "I documenti indicati non sono stati caricati; lo saranno con il file corretto.");
    const QMap<int, QString> reasons = documentReasons();
    for (auto it = reasons.cbegin(); it != reasons.cend(); ++it)
        out << QStringLiteral("riga %1, ").arg(it.key()) + it.value();
    return out.join(QLatin1Char('\n'));
}

QString LineErrors::promotionMessage() const {
    QStringList out;
    out << QStringLiteral("Attenzione: record promozioni non validi nel file acq_var.txt, non caricati:");
    for (qsizetype i = 0; i < std::min<qsizetype>(entries_.size(), kPromotionsListed); ++i) {
        const Entry& e = entries_[i];
        out << QStringLiteral("riga %1, record %2: ").arg(e.line).arg(e.kind) + promotionReason(e);
    }
    if (entries_.size() > kPromotionsListed)
        out << QStringLiteral("... e altri %1").arg(entries_.size() - kPromotionsListed);
    return out.join(QLatin1Char('\n'));
}

QString LineErrors::catalogueReason(const Entry& e) {
    return QStringLiteral("campo %1: \"%2\"").arg(withColumns(e.problem), e.problem.found) +
           (e.problem.cut ? kCut : QString());
}

QString LineErrors::promotionReason(const Entry& e) {
    return QStringLiteral("campo %1 \"%2\"").arg(e.problem.name, e.problem.found) + (e.problem.cut ? kCut : QString());
}

QList<Refusal> LineErrors::catalogueRefusals() const {
    QList<Refusal> out;
    for (const Entry& e : entries_) out.append({e.line, e.kind, catalogueReason(e)});
    return out;
}

QList<Refusal> LineErrors::documentRefusals() const {
    QList<Refusal> out;
    const QMap<int, QString> reasons = documentReasons();
    for (auto it = reasons.cbegin(); it != reasons.cend(); ++it) out.append({it.key(), QStringLiteral("BLE"), it.value()});
    return out;
}

QList<Refusal> LineErrors::promotionRefusals() const {
    QList<Refusal> out;
    for (const Entry& e : entries_) out.append({e.line, e.kind, promotionReason(e)});
    return out;
}

QString LineErrors::heldReason(qint32 document) {
    return QStringLiteral("documento %1 non caricato; lo sarà con il file corretto").arg(document);
}

}  // namespace chainfile
