#pragma once
// Lines of the chain's file that could not be applied (a code that is not a
// number, a numeric field cut short by the line's end): each names its line,
// record kind, field and the text found. Notes about the file as a whole (NUL
// bytes, bytes undefined in Windows-1252) come first. The stage shows them
// all in one message at its end.
#include <QString>
#include <QStringList>

class LineProblems {
public:
    void add(int line, const QString& kind, const QString& field, const QString& found);
    // A field that ends before its last column: the line was cut short.
    void addCut(int line, const QString& kind, const QString& field, const QString& found);
    void addNote(const QString& note) { notes_ << note; }

    bool isEmpty() const { return total_ == 0 && notes_.isEmpty(); }
    int size() const { return total_; }
    // The first 20 lines listed, and how many there were in all.
    QString message() const;

    static constexpr int kListed = 20;

private:
    void list(const QString& entry);

    QStringList notes_;
    QStringList listed_;
    int total_ = 0;
};
