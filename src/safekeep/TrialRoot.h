#pragma once
// The copy of a root that a trial run works on: both databases, copied
// consistently even while other programs write them, and the chain's file, in
// a temporary folder laid out like a root. The real root is only read: no
// file under it changes. The folder goes when the trial ends.
#include "run/RunConfig.h"

#include <QTemporaryDir>

namespace safekeep {

class TrialRoot {
public:
    // Throws db::Error when a database cannot be copied (a missing database
    // is left missing in the copy, for the run to report in its own words).
    explicit TrialRoot(const Paths& real);

    const Paths& real() const { return real_; }
    const Paths& paths() const { return trial_; }

    // Brings in the chain's file when it came after the copy was made (the
    // window waits for it); false when the real root has none yet.
    bool takeChainFile();

private:
    Paths real_;
    QTemporaryDir dir_;
    Paths trial_;
};

}  // namespace safekeep
