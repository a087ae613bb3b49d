#include "shell/MainWindow.h"

#include "shell/Headless.h"

int runWindow(const Paths& paths, const RunOptions& options) {
    HeadlessOptions h;
    h.paths = paths;
    h.run = options;
    return runHeadless(h);
}
