#pragma once
// One run per root at a time. Two runs over the same databases (the window's
// timer run and a scheduled one, say) would each find a document not yet
// received and both receive it. A run holds the lock file `lis06c.lock` in the
// root from loading to the end of its run; a second run finds it held and
// stops before it writes anything. A lock left by a run that died (killed,
// power cut) names a process that no longer exists and is taken over.
#include <QLockFile>
#include <QString>

struct Paths;

class RootLock {
public:
    explicit RootLock(const Paths& paths);

    // True when this run holds the root, now or already. False when another
    // live run holds it: heldBy() then says which. Throws db::Error when the
    // lock file cannot be written at all.
    bool acquire();
    void release();
    bool held() const { return lock_.isLocked(); }

    // The message for a run that found the root held.
    QString heldBy() const;
    QString path() const { return path_; }

private:
    QString root_;
    QString path_;
    QLockFile lock_;
};
