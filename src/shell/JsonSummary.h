#pragma once
// The end of a run for other programs (--json): one JSON object on one line.
#include "run/RunSummary.h"

#include <QByteArray>
#include <QString>

struct RunOutcome {
    int status = 0;
    double seconds = 0;
    const RunSummary* summary = nullptr;  // null when no run took place
    qint64 runNumber = 0;                 // 0 when none was recorded
    QString logFile;
    bool trial = false;  // --dry-run: nothing was changed
};

// {"status":0,"seconds":1.2,"articles_updated":..,"report":null,...}
QByteArray jsonSummary(const RunOutcome& outcome);
