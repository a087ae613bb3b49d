#pragma once
// The store the golden dump is taken of: a small generated root, run once
// without a window on a fixed day and time. The only file of the golden test
// that knows the program's own headers.
#include "TableDump.h"

#include <QString>
#include <QStringList>

struct GoldenRun {
    int exitStatus = -1;
    QStringList said;  // messages and questions, in the order the run showed them
};

// Generates the root into `root` (an empty folder) and runs it.
GoldenRun generateAndRun(const QString& root);

// The tables the run writes, and the run's day and time as tokens.
DumpOptions goldenDumpOptions();
