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
    // `document` is the number of the document the line belongs to (the
    // number of the line before when its own is unreadable).
    void add(int line, qint32 document, const QString& field, const QString& found);

    bool holds(qint32 document) const { return held_.contains(document); }
    bool isEmpty() const { return lines_.isEmpty(); }
    int size() const { return static_cast<int>(lines_.size()); }

    // One message naming every line.
    QString message() const;

private:
    struct Entry {
        qint32 document = 0;
        QStringList fields;  // "quantità: \"00A\"", once each
    };
    QMap<int, Entry> lines_;
    QSet<qint32> held_;
};
