#pragma once
// The whole run through the window, as the store's PC runs it, timed from the
// window's creation (Form_Load) to its closing.
#include "run/Run.h"

struct WindowRunResult {
    double seconds = 0;
    int boxesAnswered = 0;  // message boxes and the print question, each answered with its default
    int exitStatus = 0;
};

// Needs a QApplication. The timer that starts the run ticks at once.
WindowRunResult timeWindowRun(const Paths& paths);
