#pragma once
// The window's run, on a thread of its own: the run core opens the two
// databases there (their connections belong to this thread), loads once and
// then runs once per request. It reports back with signals; the view it draws
// on is safe to call from this thread.
#include "run/RunCore.h"

#include <QObject>

class RunWorker : public QObject {
    Q_OBJECT
public:
    RunWorker(Paths paths, RunOptions options, RunView& view);
    ~RunWorker() override;

    // What the last run did; read once `ran` has been received.
    const RunSummary& summary() const { return core_.summary(); }
    qint64 runNumber() const { return core_.runNumber(); }

public slots:
    void load();
    void runOnce();
    // Closes the databases on this thread, before the thread ends.
    void shutdown();

signals:
    // RunCore::Ready, RunCore::RetryLater, or the program's exit status.
    void loaded(int result);
    void ran(int result);

private:
    Clock clock_;
    db::WriteCounter counter_;
    RunCore core_;
};
