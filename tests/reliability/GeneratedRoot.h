#pragma once
// A generated store (tools/generator) kept pristine in a folder of its own,
// copied afresh for every run a test makes, and the dump a run's result is
// compared by: every table of both databases as sorted text, with the run's
// day and times turned into tokens, since the program runs on the real clock.
#include "generator/Generator.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class GeneratedRoot {
public:
    explicit GeneratedRoot(const gen::Sizes& sizes);
    // A fresh copy of the pristine root in `folder` (an existing empty folder).
    void copyTo(const QString& folder) const;
    const QString& path() const { return path_; }

private:
    QTemporaryDir dir_;
    QString path_;
};

// The small store the reliability tests run on: every stage has work (new
// articles, documents, promotions), and a run takes well under a second.
gen::Sizes smallStore();

// Every table of both databases, except the run history and `skipped` ("store.table",
// "chain.table"); dates of today and times of day become tokens.
QStringList dumpForComparison(const QString& root, const QStringList& skipped = {});
