#pragma once
// The supplier-document lines ("BLE") of the chain's file, and the document
// each belongs to. Two walks read them: the document list (number, date,
// header type) and the staging of the lines (everything else); each reports
// its own problems of the record.
#include "chainfile/LineRecord.h"
#include "common/Amount.h"

#include <QDate>
#include <optional>

namespace chainfile {

class LineErrors;

struct DocumentLine : LineRecord {
    // Read by the document list.
    qint32 number = 0;   // 0 when unreadable (see DocumentGrouping)
    QDate date;          // invalid when not a calendar date
    QString headerType;  // "F" (invoice) for an "R" in column 54, else "B" (delivery note)

    // Read by the staging of the lines.
    bool excluded = false;  // "IE": the line is no part of the document
    QString lineClass;
    QString lineType;   // "F" for an "R" in column 53, else "B"
    QString chainCode;  // nine digits, or empty when not numeric
    QString description;
    QString umart;  // blank: "PZ"
    QString unita2;
    QString quaco;
    QString imbart;
    QString vat;
    qint32 subfamily = 0;  // 0 when not numeric
    QString ean;           // thirteen digits, or thirteen blanks when not numeric
    qint32 packages = 0;
    common::Amount quantity;   // hundredths in the file
    common::Amount cost;       // hundred-thousandths in the file, rounded half to even at 4 decimals
    common::Amount listValue;  // the selling-price field as written (thousandths); dashes and commas read as zeros
    common::Amount price;      // the list value in units, through single precision

    // The problems, in this order: the number, the date, then those of the
    // amounts (the first amount cut short alone, or every unreadable one).
    bool numberRead() const { return !problem(rec::ble::number); }
    bool dateRead() const { return !problem(rec::dateYmd); }
    // What keeps the line from being staged besides its number.
    QList<FieldProblem> amountProblems() const;
};

// Nullopt for a line of another kind.
std::optional<DocumentLine> readDocumentLine(const common::ChainLine& line);

// The document each line belongs to, in one walk over the file. A line whose
// own number cannot be read belongs to the document of the last readable line
// before it (0 before the first) or to the next one read after it: it is
// reported under the first, and both are held back. A new walk starts afresh.
class DocumentGrouping {
public:
    explicit DocumentGrouping(LineErrors& errors) : errors_(errors) {}

    // The line's document; an unreadable number is reported here.
    qint32 place(const DocumentLine& line);

private:
    LineErrors& errors_;
    qint32 carried_ = 0;
    QList<int> awaitingNext_;  // lines of unreadable numbers not yet followed by a readable one
};

}  // namespace chainfile
