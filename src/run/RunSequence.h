#pragma once
struct Run;

enum class RunEnd {
    Finished,    // the run reached its end; the program closes
    RetryLater,  // the chain's file is missing; the next timer tick tries again
};

// The whole processing run, stage after stage, in one place: every value one
// stage leaves for a later one is handed over here, in plain sight.
// Database and file errors propagate as exceptions (db::Error, RunError).
RunEnd runSequence(const Run& run);
