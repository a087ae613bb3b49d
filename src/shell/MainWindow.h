#pragma once
#include "shell/Run.h"

// Shows the window `lis06c`, runs Form_Load and starts the run at the timer's
// tick; returns the program's exit status when the window closes.
int runWindow(const Paths& paths, const RunOptions& options);
