#pragma once
// What keeping a store's data safe costs on the generated root: the copy of
// the store database by SQLite's online backup and by VACUUM INTO, the
// checksums the undo compares, and the whole backup a run takes before it
// writes (both databases and the chain's file).
#include "run/RunConfig.h"

#include <cstdio>

// Prints one line per measure to `out`; false when a copy failed.
bool reportSafekeeping(const Paths& root, std::FILE* out);
