#pragma once
// The lines of the chain's file that a stage could not apply, each recorded
// once with its line, record kind, field, the text found and whether the line
// was cut short there; lines of supplier documents also with the documents
// they may belong to, which are held back for this run so that a corrected
// file can still bring them whole. Each stage shows them in one message at
// its end, in its own words.
#include "chainfile/LineRecord.h"
#include "chainfile/RefusedLines.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

namespace chainfile {

class LineErrors {
public:
    // A problem of a line; false when the line had it already (two walks over
    // the same line report it once).
    bool add(int line, const QString& kind, const FieldProblem& problem);
    // Every problem of the record.
    void add(const LineRecord& record);

    // A problem of a supplier-document line, under the document it belongs
    // to; that document is held back.
    bool add(int line, qint32 document, const FieldProblem& problem);
    // The line may also belong to `document`, which is held back too.
    void alsoBelongsTo(int line, qint32 document);
    bool knows(int line) const { return documents_.contains(line); }
    bool holds(qint32 document) const { return held_.contains(document); }

    // Something odd about the file as a whole (bytes that are not text).
    void addNote(const QString& note) { notes_ << note; }

    bool isEmpty() const { return entries_.isEmpty() && notes_.isEmpty(); }
    int size() const { return static_cast<int>(entries_.size()); }  // problems recorded

    // The catalogue's message: the notes, then the first 20 problems, each
    // field with its columns, and how many there were in all.
    QString catalogueMessage() const;
    // The supplier documents' message: one line per line of the file, in file
    // order, with its documents and every field found wrong.
    QString documentMessage() const;
    // The promotions' message: the first 30 problems, and how many more.
    QString promotionMessage() const;

    // Every line recorded, each with its reason in the words of the
    // catalogue's, the supplier documents' or the promotions' message.
    QList<Refusal> catalogueRefusals() const;
    QList<Refusal> documentRefusals() const;
    QList<Refusal> promotionRefusals() const;
    // The documents held back, and the reason given for each of their lines.
    const QSet<qint32>& heldDocuments() const { return held_; }
    static QString heldReason(qint32 document);

    static constexpr int kCatalogueListed = 20;
    static constexpr int kPromotionsListed = 30;

private:
    struct Entry {
        int line;
        QString kind;
        FieldProblem problem;
    };
    struct Documents {
        qint32 document = 0;      // the document of the last report
        qint32 nextDocument = 0;  // set for a line whose own number is unreadable
    };

    static QString catalogueReason(const Entry& e);
    static QString promotionReason(const Entry& e);
    // The supplier-document reason of each line, in file order.
    QMap<int, QString> documentReasons() const;

    QList<Entry> entries_;
    QSet<QString> seen_;
    QHash<int, Documents> documents_;
    QSet<qint32> held_;
    QStringList notes_;
};

}  // namespace chainfile
