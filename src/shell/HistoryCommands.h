#pragma once
// The run history from the command line: --history lists the runs kept in
// the store database, --report-run N prints the report of run N again, from
// the copy of its processing log, exactly as it was printed (or would have
// been). Both return the program's exit status.
#include "run/RunConfig.h"

#include <QtGlobal>

int listRuns(const Paths& paths, bool json);
int reprintRun(const Paths& paths, qint64 number, const RunOptions& options);
