#pragma once
// The window's run, on a thread of its own: it opens the two databases (their
// connections belong to this thread), runs Form_Load once and then one run
// per request. It reports back with signals; the view it draws on is safe to
// call from this thread.
#include "shell/Run.h"
#include "shell/Startup.h"

#include <QObject>
#include <memory>

class RunWorker : public QObject {
    Q_OBJECT
public:
    // What a load or a run ended with: the program's exit status, or one of these.
    static constexpr int Ready = -1;       // loaded; the timer may start the run
    static constexpr int RetryLater = -2;  // the chain's file is missing; try at the next tick

    RunWorker(Paths paths, RunOptions options, RunView& view);
    ~RunWorker() override;

public slots:
    void load();
    void runOnce();
    // Closes the databases on this thread, before the thread ends.
    void shutdown();

signals:
    void loaded(int result);
    void ran(int result);

private:
    template <class Body> int guarded(Body body);

    Paths paths_;
    RunOptions options_;
    RunView& view_;
    Clock clock_;
    db::WriteCounter counter_;
    Databases dbs_;
    std::unique_ptr<Run> run_;
};
