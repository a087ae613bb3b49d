#pragma once
// What a run did and how it ended, in words: for the console and the run's
// log file, the window's status line, --history and --help.
#include "run/RunSummary.h"

#include <QString>
#include <QStringList>
#include <vector>

// One line per subject: articles, documents, promotions, refused lines, and
// one line per stage that stopped with a message.
QStringList describe(const RunSummary& summary);

// The same, in one line, for the window's status line.
QString describeInOneLine(const RunSummary& summary);

// Every exit status of the program with its meaning, for --help and the end
// of the run's output.
struct ExitStatusText {
    int status;
    const char* text;
};
const std::vector<ExitStatusText>& exitStatusTexts();
// The meaning of `status` ("completata", "manca un archivio ...").
QString describeExit(int status);

// A duration as "2,4 s" or "3 min 05 s".
QString describeDuration(double seconds);
