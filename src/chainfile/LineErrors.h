#pragma once
// The lines of the chain's file that the run could not apply, one collection
// for the whole run: each stage records the problems it finds with their line,
// record kind, field, the text found and whether the line was cut short there;
// lines of supplier documents also with the documents they may belong to,
// which are held back for this run so that a corrected file can still bring
// them whole. Each stage shows its own problems in one message at its end, in
// its own words, and counts its refused lines into the run's summary; a line
// two stages refused counts once.
#include "chainfile/LineRecord.h"
#include "chainfile/RefusedLines.h"

#include <QBitArray>
#include <QList>
#include <QMap>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace chainfile {

class LineErrors {
public:
    enum class Stage { Catalogue, Documents, Promotions };

    // A problem the catalogue or the promotions found on a line.
    void add(Stage stage, int line, const QString& kind, const FieldProblem& problem);
    // Every problem of the record.
    void add(Stage stage, const LineRecord& record);

    // A problem of a supplier-document line, under the document it belongs
    // to; that document is held back. False when the line had it already
    // (the document list and the staging both walk the file).
    bool add(int line, qint32 document, const FieldProblem& problem);
    // The line may also belong to `document`, which is held back too.
    void alsoBelongsTo(int line, qint32 document);
    bool knows(int line) const { return documentLines_.contains(line); }
    bool holds(qint32 document) const { return held_.contains(document); }

    // Bytes of the file that are not text (NUL, bytes undefined in
    // Windows-1252): shown in the catalogue's message under their own heading.
    void addNote(const QString& note) { notes_ << note; }
    // Something the user is told about the file that is no fault (it was read
    // as UTF-8): first in the catalogue's message.
    void addNotice(const QString& notice) { notices_ << notice; }

    // Whether the stage has anything to show (the catalogue: notes too).
    bool any(Stage stage) const;
    // The stage's refused lines that no stage counted before; each line of
    // the file is counted once in a run.
    int tally(Stage stage);

    // The catalogue's message: the notices, the notes, then the first 20
    // problems, each field with its columns, and how many there were in all.
    QString catalogueMessage() const;
    // The supplier documents' message: one line per line of the file, in file
    // order, with its documents and every field found wrong.
    QString documentMessage() const;
    // The promotions' message: the first 30 problems, and how many more.
    QString promotionMessage() const;

    // Every line refused from now on also goes to `refused`, with its reason
    // in the words of its stage's message (the supplier documents' lines at
    // refuseDocuments()). `refused` must outlive this collection.
    void keepRefusals(RefusedLines& refused) { refused_ = &refused; }
    // The supplier-document lines and every line of the documents held back,
    // to `refused` as above; once, when the documents are done.
    void refuseDocuments() const;
    // A document received before that came again with other lines: its lines
    // are handed back with `reason` too.
    void revised(qint32 document, const QString& reason) { revised_.insert(document, reason); }
    // The reason given for the lines of a document held back.
    static QString heldReason(qint32 document);

    static constexpr int kCatalogueListed = 20;
    static constexpr int kPromotionsListed = 30;

private:
    struct Entry {
        int line;
        QString kind;
        FieldProblem problem;
    };
    // What a stage that lists its first problems keeps: those, and how many
    // there were, so that a file of bad lines costs no memory per line.
    struct Listed {
        QList<Entry> first;
        qsizetype total = 0;
    };
    struct DocumentLine {
        qint32 document = 0;      // the document of the last report
        qint32 nextDocument = 0;  // set for a line whose own number is unreadable
        QStringList fields;       // as the message names them, once each
    };

    static QString catalogueReason(const FieldProblem& p);
    static QString promotionReason(const FieldProblem& p);
    // "documento 7 o 8: campo ..., campo ...".
    static QString documentReason(const DocumentLine& d);

    Listed& listed(Stage stage) { return stage == Stage::Catalogue ? catalogue_ : promotions_; }
    void refused(Stage stage, int line) { unTallied_[int(stage)] << line; }

    Listed catalogue_, promotions_;
    QMap<int, DocumentLine> documentLines_;  // by line, in file order
    QSet<qint32> held_;
    QHash<qint32, QString> revised_;
    QStringList notes_, notices_;
    QList<int> unTallied_[3];  // lines refused, by stage, not counted yet
    QBitArray tallied_;        // lines counted, by number
    RefusedLines* refused_ = nullptr;
};

}  // namespace chainfile
