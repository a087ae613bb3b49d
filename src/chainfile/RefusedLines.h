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
#include "common/ChainFile.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace chainfile {

// One line refused, with its record kind and why.
struct Refusal {
    int line = 0;
    QString kind;
    QString reason;
};

class RefusedLines {
public:
    void add(const Refusal& refusal);
    void add(const QList<Refusal>& refusals);
    // Every line of supplier document `document` is refused, for `reason`
    // (after the line's own reasons, when it has some).
    void addDocument(qint32 document, const QString& reason);

    bool isEmpty() const { return lines_.isEmpty() && documents_.isEmpty(); }

    // The file's contents: one walk over `file`. Throws common::ChainFileError
    // when the file cannot be read again or changed since it was loaded.
    QByteArray render(const common::ChainFile& file) const;

    // The file's name for a run at `when`.
    static QString fileName(const QDateTime& when);

    // Writes the file into `folder` whole (never half a file); an earlier file
    // of the same second is kept and this one gets a number after its name.
    // Returns its path, or an empty text when nothing was refused. Throws
    // common::ChainFileError when the file cannot be read or written.
    QString write(const common::ChainFile& file, const QString& folder, const QDateTime& when) const;

private:
    struct Line {
        QString kind;
        QStringList reasons;
    };
    QMap<int, Line> lines_;
    QHash<qint32, QString> documents_;
};

}  // namespace chainfile
