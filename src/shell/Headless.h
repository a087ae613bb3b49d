#pragma once
// The run without a window: for the scheduler, the demo, the benchmark and the tests.
#include "run/RunCore.h"

// Where the run's output goes, for headless runs and the window alike.
struct OutputOptions {
    QString logFolder;         // the runs' log files; none when empty
    int runsKept = 60;         // log files kept in the folder
    int progressSeconds = 5;   // the least time between two progress lines
};

struct HeadlessOptions {
    Paths paths;
    bool printAnswer = false;
    RunOptions run;
    OutputOptions output;
    bool json = false;             // the last line on standard output: the outcome as JSON
    bool console = true;           // the run's lines on standard error
    const Clock* clock = nullptr;  // the system clock when null
    RunView* view = nullptr;       // the console view when null
};

int runHeadless(const HeadlessOptions& options);
