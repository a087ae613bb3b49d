#pragma once
// What every record read from a line of the chain's file carries: its line
// number, its record kind, and what was wrong with which of its fields. The
// stage that reads the record decides what a problem means for it (skip the
// line, hold back a document); the record only tells.
#include "common/ChainFile.h"
#include "common/ChainRecords.h"

#include <QList>
#include <QString>
#include <algorithm>
#include <span>

namespace chainfile {

struct FieldProblem {
    const rec::Field* field = nullptr;  // where it lies
    QString name;                       // as the messages name it: "codice articolo", "quantità"
    QString found;                      // the field's text as read
    bool cut = false;                   // reported as cut short: the line ends inside the field
};

struct LineRecord {
    int line = 0;  // from 1
    QString kind;  // as the messages name it: "MDA", "OFD"
    QList<FieldProblem> problems;

    bool ok() const { return problems.isEmpty(); }
    // The line ends inside a field the record needs.
    bool cutShort() const {
        return std::any_of(problems.begin(), problems.end(), [](const FieldProblem& p) { return p.cut; });
    }
    // The problem reported for the field, or nullptr.
    const FieldProblem* problem(const rec::Field& f) const {
        for (const FieldProblem& p : problems)
            if (p.field == &f) return &p;
        return nullptr;
    }
};

// An empty record of the line.
template <typename Record>
Record recordOf(const common::ChainLine& line, const QString& kind) {
    Record r;
    r.line = line.number();
    r.kind = kind;
    return r;
}

// A problem of the line's field, with the text found there as a message shows it.
inline FieldProblem problemAt(const common::ChainLine& line, const rec::Field& f, const char* name,
                              bool cut = false) {
    return FieldProblem{&f, QString::fromUtf8(name), line.shown(f), cut};
}

struct NamedField {
    const rec::Field& field;
    const char* name;
};

// The first of the fields that the line ends inside is reported cut short
// (the fields after it are missing too); false when there is none.
inline bool reportFirstCut(const common::ChainLine& line, std::span<const NamedField> fields, LineRecord& r) {
    for (const NamedField& n : fields) {
        if (!line.cutShort(n.field)) continue;
        r.problems << problemAt(line, n.field, n.name, true);
        return true;
    }
    return false;
}

}  // namespace chainfile
