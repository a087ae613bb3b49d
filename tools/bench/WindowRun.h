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

// The same whole run headless, as the program makes it (the root's lock, the
// quick check, the backup, the run history), with nothing on the console:
// the window's run is compared with this, so that the ratio is the window's
// own cost and not the safekeeping the stage timings leave out.
WindowRunResult timeHeadlessRun(const Paths& paths);
