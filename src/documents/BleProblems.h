#pragma once
// The supplier-document lines ("BLE") of the chain's file that could not be
// read: each names its line, the document it belongs to, the fields found
// wrong and their text. Their documents are held back for this run, so that a
// corrected file can still bring them whole.
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

class BleProblems {
public:
    // `document` is the number of the document the line belongs to; `cut` says
    // the line ends inside the field.
    void add(int line, qint32 document, const QString& field, const QString& found, bool cut = false);

    // A line whose document number cannot be read may belong to the document
    // before it or to the one after it: both are held back. `previous` is the
    // number of the last readable line; the next one comes through numberRead().
    void numberUnreadable(int line, qint32 previous, const QString& found);
    void numberRead(qint32 number);

    bool holds(qint32 document) const { return held_.contains(document); }
    bool isEmpty() const { return lines_.isEmpty(); }
    int size() const { return static_cast<int>(lines_.size()); }

    // One message naming every line.
    QString message() const;

private:
    struct Entry {
        qint32 document = 0;
        qint32 nextDocument = 0;  // set for a line whose own number is unreadable
        QStringList fields;       // "quantità: \"00A\"", once each
    };
    QMap<int, Entry> lines_;
    QSet<qint32> held_;
    QList<int> awaitingNext_;  // lines of unreadable numbers not yet followed by a readable one
};
