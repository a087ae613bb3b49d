#include "chainfile/LineErrors.h"

namespace chainfile {

namespace {

const QString kCut = QStringLiteral(" (riga troncata)");

QString withColumns(const FieldProblem& p) {
    if (!p.field) return p.name;
    return QStringLiteral("%1 (colonne %2-%3)").arg(p.name).arg(p.field->pos).arg(p.field->pos + p.field->len - 1);
}

}  // namespace

void LineErrors::add(Stage stage, int line, const QString& kind, const FieldProblem& problem) {
    Q_ASSERT(stage != Stage::Documents);  // a document line is added with its document
    Listed& l = listed(stage);
    const qsizetype keep = stage == Stage::Catalogue ? kCatalogueListed : kPromotionsListed;
    if (l.first.size() < keep) l.first.append({line, kind, problem});
    ++l.total;
    refused(stage, line);
    if (refused_)
        refused_->add({line, kind, stage == Stage::Catalogue ? catalogueReason(problem) : promotionReason(problem)});
}

void LineErrors::add(Stage stage, const LineRecord& record) {
    for (const FieldProblem& p : record.problems) add(stage, record.line, record.kind, p);
}

bool LineErrors::add(int line, qint32 document, const FieldProblem& problem) {
    const bool known = documentLines_.contains(line);
    DocumentLine& d = documentLines_[line];
    d.document = document;
    held_.insert(document);
    if (!known) refused(Stage::Documents, line);
    const QString field = QStringLiteral("campo %1 \"%2\"").arg(problem.name, problem.found) +
                          (problem.cut ? kCut : QString());
    if (d.fields.contains(field)) return false;
    d.fields << field;
    return true;
}

void LineErrors::alsoBelongsTo(int line, qint32 document) {
    documentLines_[line].nextDocument = document;
    held_.insert(document);
}

bool LineErrors::any(Stage stage) const {
    switch (stage) {
    case Stage::Catalogue:
        return catalogue_.total > 0 || !notes_.isEmpty() || !notices_.isEmpty();
    case Stage::Documents:
        return !documentLines_.isEmpty();
    case Stage::Promotions:
        return promotions_.total > 0;
    }
    return false;
}

int LineErrors::tally(Stage stage) {
    int counted = 0;
    for (const int line : std::as_const(unTallied_[int(stage)])) {
        if (line >= tallied_.size()) tallied_.resize(std::max<qsizetype>(line + 1, tallied_.size() * 2));
        if (tallied_.testBit(line)) continue;
        tallied_.setBit(line);
        ++counted;
    }
    unTallied_[int(stage)].clear();
    return counted;
}

QString LineErrors::catalogueMessage() const {
    QStringList out = notices_;
    if (!notes_.isEmpty()) {
        out << QStringLiteral("Attenzione: il file acq_var.txt contiene caratteri non validi:");
        out << notes_;
    }
    const qsizetype total = catalogue_.total;
    if (total > 0) {
        out << QStringLiteral(
                   "Attenzione: %1 righe del file acq_var.txt non elaborate (campo non numerico o "
                   "troncato).")
                   .arg(total);
        for (const Entry& e : catalogue_.first)
            out << QStringLiteral("riga %1, record %2, ").arg(e.line).arg(e.kind) + catalogueReason(e.problem);
        if (total > kCatalogueListed) out << QStringLiteral("... e altre %1 righe.").arg(total - kCatalogueListed);
    }
    return out.join(QLatin1Char('\n'));
}

QString LineErrors::documentMessage() const {
    QStringList out;
    out << QStringLiteral(
        "Attenzione: righe documento (BLE) non valide nel file acq_var.txt. "
        "I documenti indicati non sono stati caricati; lo saranno con il file corretto.");
    for (auto it = documentLines_.cbegin(); it != documentLines_.cend(); ++it)
        out << QStringLiteral("riga %1, ").arg(it.key()) + documentReason(it.value());
    return out.join(QLatin1Char('\n'));
}

QString LineErrors::promotionMessage() const {
    QStringList out;
    out << QStringLiteral("Attenzione: record promozioni non validi nel file acq_var.txt, non caricati:");
    for (const Entry& e : promotions_.first)
        out << QStringLiteral("riga %1, record %2: ").arg(e.line).arg(e.kind) + promotionReason(e.problem);
    if (promotions_.total > kPromotionsListed)
        out << QStringLiteral("... e altri %1").arg(promotions_.total - kPromotionsListed);
    return out.join(QLatin1Char('\n'));
}

QString LineErrors::catalogueReason(const FieldProblem& p) {
    return QStringLiteral("campo %1: \"%2\"").arg(withColumns(p), p.found) + (p.cut ? kCut : QString());
}

QString LineErrors::promotionReason(const FieldProblem& p) {
    return QStringLiteral("campo %1 \"%2\"").arg(p.name, p.found) + (p.cut ? kCut : QString());
}

QString LineErrors::documentReason(const DocumentLine& d) {
    QString documents = QString::number(d.document);
    if (d.nextDocument != 0 && d.nextDocument != d.document) documents += QStringLiteral(" o %1").arg(d.nextDocument);
    return QStringLiteral("documento %1: %2").arg(documents, d.fields.join(QStringLiteral(", ")));
}

QString LineErrors::heldReason(qint32 document) {
    return QStringLiteral("documento %1 non caricato; lo sarà con il file corretto").arg(document);
}

void LineErrors::refuseDocuments() const {
    if (!refused_) return;
    for (auto it = documentLines_.cbegin(); it != documentLines_.cend(); ++it)
        refused_->add({it.key(), QStringLiteral("BLE"), documentReason(it.value())});
    for (const qint32 document : held_) refused_->addDocument(document, heldReason(document));
    for (auto it = revised_.cbegin(); it != revised_.cend(); ++it) refused_->addDocument(it.key(), it.value());
}

}  // namespace chainfile
