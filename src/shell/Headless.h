#pragma once
// The run without a window: for the scheduler, the demo, the benchmark and the tests.
#include "run/RunCore.h"

struct HeadlessOptions {
    Paths paths;
    bool printAnswer = false;
    RunOptions run;
    const Clock* clock = nullptr;  // the system clock when null
    RunView* view = nullptr;       // a console view when null
};

int runHeadless(const HeadlessOptions& options);
