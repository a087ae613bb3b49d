#pragma once
// The lines of the chain's file that a run refused, held back or found
// revised, gathered from every stage, and the file that hands them back to
// the chain: nelv/scarti-<yyyyMMdd>-<HHmmss>.txt, in Windows-1252 with CR LF,
// one line per refused line of the chain's file, in file order:
//
//     line number TAB record kind TAB reason TAB the original line, unchanged
//
// The reason is in the words of the message that reported the line; a line
// refused for several reasons has them joined by "; ". Every line of a
// supplier document held back or found revised is refused with the
// document's reason. No file is written when nothing was refused.
//
// A file of bad lines must not cost memory per line: the refusals wait in a
// temporary file, in the order the stages walk the file, and are merged with
// one more walk over the chain's file when the refused lines are written.
#include "common/ChainFile.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <memory>

class QIODevice;
class QTemporaryFile;

namespace chainfile {

// One line refused, with its record kind and why.
struct Refusal {
    int line = 0;
    QString kind;
    QString reason;
};

class RefusedLines {
public:
    RefusedLines();
    ~RefusedLines();
    RefusedLines(const RefusedLines&) = delete;
    RefusedLines& operator=(const RefusedLines&) = delete;

    // Throws common::ChainFileError when the temporary file cannot be written.
    void add(const Refusal& refusal);
    // Every line of supplier document `document` is refused, for `reason`
    // (after the line's own reasons, when it has some).
    void addDocument(qint32 document, const QString& reason);

    bool isEmpty() const { return refusals_ == 0 && documents_.isEmpty(); }

    // Writes the lines to `out` in one walk over `file`; returns how many.
    // Throws common::ChainFileError when the file cannot be read again or
    // changed since it was loaded.
    qint64 writeTo(QIODevice& out, const common::ChainFile& file) const;

    // The file's name for a run at `when`.
    static QString fileName(const QDateTime& when);

    struct Written {
        QString path;  // empty when nothing was refused
        qint64 lines = 0;
    };
    // Writes the file into `folder` whole (never half a file); an earlier file
    // of the same second is kept and this one gets a number after its name.
    // Throws common::ChainFileError when it cannot be read or written.
    Written write(const common::ChainFile& file, const QString& folder, const QDateTime& when) const;

private:
    std::unique_ptr<QTemporaryFile> spool_;
    QList<qint64> walks_;  // where each walk's refusals start in the spool (each walk goes in file order)
    int lastLine_ = 0;
    qint64 refusals_ = 0;
    QHash<qint32, QString> documents_;
};

}  // namespace chainfile
