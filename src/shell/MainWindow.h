#pragma once
// The window `lis06c`: three panels showing the record being processed, their
// counters, progress bars and circles. Form_Load runs as the window is
// created; the timer `Timer1` then starts the run, which works on a thread of
// its own so the window stays responsive.
#include "run/Clock.h"
#include "run/RunConfig.h"
#include "shell/Headless.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

class ConsoleView;
class LoggedView;
class QFile;
class QThread;
class RunWorker;
class WindowView;

// What the window does besides its panels.
struct WindowOptions {
    OutputOptions output;             // the run's log file
    std::optional<bool> printAnswer;  // --print: the question is answered without being shown
};

class MainWindow : public QWidget {
    Q_OBJECT
public:
    // `tickMs`: the interval of Timer1 (3000 ms; LIS06C_TIMER_MS shortens it).
    MainWindow(const Paths& paths, const RunOptions& options, int tickMs = defaultTickMs(),
               const WindowOptions& window = {});
    ~MainWindow() override;

    static int defaultTickMs();

    // The program's exit status once the window has closed.
    int exitStatus() const { return exitStatus_; }
    bool finished() const { return state_ == State::Closed; }
    // How many runs the timer started (a tick never starts one while another runs).
    int runsStarted() const { return runsStarted_; }
    WindowView& view() { return *view_; }

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // LoadLater: another run held the root when the window loaded; the next
    // tick loads again.
    enum class State { Loading, LoadLater, Waiting, Running, Closed };

    void build();
    void centre();
    void tick();
    void onLoaded(int result);
    void onRan(int result);
    void finish(int status);
    // The status line at the bottom (the run itself writes there through the view).
    void setStatus(const QString& text);
    void stopWorker();

    State state_ = State::Loading;
    bool trial_ = false;  // --dry-run: the title and the status line say so
    int exitStatus_ = 0;
    int runsStarted_ = 0;
    // The exit status if the user closes the window while it waits: what it
    // last waited for (the chain's file, or another run to end).
    int closedStatus_ = 0;
    QTimer timer1_;
    WindowView* view_ = nullptr;
    QThread* thread_ = nullptr;
    RunWorker* worker_ = nullptr;
    // The run's log file, written in the same words as a headless run's output.
    Clock clock_;
    std::unique_ptr<QFile> logFile_;
    std::unique_ptr<ConsoleView> log_;
    std::unique_ptr<LoggedView> logged_;
    QElapsedTimer elapsed_;
    std::optional<RunSummary> summary_;  // what the run did, once it ran
    qint64 runNumber_ = 0;
};

// Shows the window `lis06c`, runs Form_Load and starts the run at the timer's
// tick; returns the program's exit status when the window closes.
int runWindow(const Paths& paths, const RunOptions& options, const WindowOptions& window = {});
