#pragma once
// The run without a window: for the scheduler, the demo, the benchmark and the tests.
#include "shell/Run.h"

// Exit statuses of a headless run.
enum ExitStatus {
    ExitFinished = 0,
    ExitOtherError = 1,
    ExitNoSupplierCode = 2,
    ExitMissingFile = 3,    // a database or the chain's file is missing
    ExitMissingSchema = 4,  // a table or field is missing
};

struct HeadlessOptions {
    Paths paths;
    bool printAnswer = false;
    RunOptions run;
    const Clock* clock = nullptr;  // the system clock when null
    RunView* view = nullptr;       // a console view when null
};

int runHeadless(const HeadlessOptions& options);

// The exit status that stands for a database error.
int exitStatusFor(const db::Error& error);
