#pragma once
// A root made by the generator for a fixed day, and a whole run on it as the
// scheduler makes it, with a recording view and that day's clock.
#include "generator/Generator.h"

#include "RecordingView.h"
#include "shell/Headless.h"

#include <QTemporaryDir>

inline const QDate kGeneratedDay(2026, 6, 15);

inline Paths generateRoot(const QTemporaryDir& dir, quint32 seed = 7) {
    gen::Sizes sizes = gen::Sizes::demo();
    sizes.seed = seed;
    sizes.today = kGeneratedDay;
    Paths paths{dir.path()};
    gen::Generator(sizes).write(paths);
    return paths;
}

inline int runGenerated(const Paths& paths, RecordingView& view) {
    const FixedClock clock(kGeneratedDay);
    HeadlessOptions options;
    options.paths = paths;
    options.clock = &clock;
    options.view = &view;
    return runHeadless(options);
}
