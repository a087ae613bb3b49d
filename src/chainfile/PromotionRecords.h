#pragma once
// The promotion records of the chain's file: headers ("OFT") and promotion
// lines ("OFD"). A line of any other kind but "OFT" and "DIE" that carries a
// "G" in column 47 brings a new value for the article of the "OFD" line before
// it; an "OFD" line with the mark takes its value from there too.
#include "chainfile/LineRecord.h"
#include "common/Amount.h"

#include <QDate>
#include <optional>

namespace chainfile {

struct PromotionHeader : LineRecord {
    qint32 number = 0;
    QString description;  // trimmed
    QDate start;          // invalid when not a calendar date
    QDate end;
};

struct PromotionLine : LineRecord {
    bool ofd = false;  // false: a "G" line of another kind, which carries only its value

    // "OFD" only.
    qint32 number = 0;
    double offerKind = 0;     // numeric value of the kind field; 0 when not numeric
    QString articleText;      // the chain article field as written
    qint32 chainCode = 0;     // 0 when blank or not numeric
    QString paddedChainCode;  // nine digits, or empty

    // The value in thousandths: the "G" value (with a "0" put in front) when
    // the line is marked, else the value field; 0 when unreadable.
    bool marked = false;
    common::Amount value;

    // The problems, at most one of each: a field cut short (then nothing
    // else is checked), the number, the value.
    bool numberRead() const { return !problem(rec::ofd::number); }
    bool valueRead() const;
};

// Nullopt for a line of another kind.
std::optional<PromotionHeader> readPromotionHeader(const common::ChainLine& line);
// Nullopt for a line that is neither "OFD" nor marked "G", and for "OFT" and "DIE" lines.
std::optional<PromotionLine> readPromotionLine(const common::ChainLine& line);

}  // namespace chainfile
