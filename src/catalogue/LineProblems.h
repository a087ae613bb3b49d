#pragma once
// Lines of the chain's file that could not be applied (a code that is not a
// number): each names its line, record kind, field and the text found. The
// stage shows them all in one message at its end.
#include <QString>
#include <QStringList>

class LineProblems {
public:
    void add(int line, const QString& kind, const QString& field, const QString& found);

    bool isEmpty() const { return total_ == 0; }
    int size() const { return total_; }
    // The first 20 lines listed, and how many there were in all.
    QString message() const;

    static constexpr int kListed = 20;

private:
    QStringList listed_;
    int total_ = 0;
};
