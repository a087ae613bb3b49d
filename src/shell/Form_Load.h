#pragma once
class Run;

enum class LoadOutcome {
    Ready,           // the timer may start the run
    NoSupplierCode,  // the message was shown; the program ends without a run
};

// Reads the store's configuration, empties the previous run's log and the
// leftover price-list rows, and paints the switched-off stages' circles red.
LoadOutcome Form_Load(Run& run);
