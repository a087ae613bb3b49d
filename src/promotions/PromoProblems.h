#pragma once
// Promotion records of the chain's file that could not be read: each names its
// line, its record kind, the field and the text found there. The records are
// left out of the staging and listed to the user in one message.
#include <QString>
#include <QStringList>

class PromoProblems {
public:
    // `cut` says the line ends inside the field.
    void add(int line, const QString& kind, const QString& field, const QString& found, bool cut = false);
    bool isEmpty() const { return entries_.isEmpty(); }
    int size() const { return static_cast<int>(entries_.size()); }
    QString message() const;

private:
    QStringList entries_;
};
