#pragma once
// The run's output for people and for a scheduler: one line per event, with
// the time and the stage in words ("10:30:02 Documenti: CARICO DOCUMENTO NR.
// 15"), progress in per cent at most every few seconds, every message, and a
// summary in words at the end. The same lines go to standard error and to the
// run's log file; the window keeps a log file the same way. Questions are
// answered with a preset answer.
#include "run/Clock.h"
#include "run/RunView.h"

#include <QElapsedTimer>
#include <QString>
#include <cstdio>
#include <optional>

class QIODevice;

class ConsoleView : public RunView {
public:
    // `progressSeconds`: the least time between two progress lines of a stage.
    ConsoleView(const Clock& clock, bool printAnswer, int progressSeconds = 5);

    // Where the lines go; either may be left out.
    void setConsole(FILE* console) { console_ = console; }
    void setLogFile(QIODevice* file) { file_ = file; }
    // A trial's summary and end say that nothing was changed.
    void setTrial(bool trial) { trial_ = trial; }

    void setText(Box box, const QString& text) override;
    void setProgress(Bar bar, int value) override;
    void setVisible(Bar bar, bool visible) override;
    void setCircleRed(Circle circle, bool red) override;
    void message(const QString& text, const QString& title) override;
    bool ask(const QString& text, const QString& title) override;
    void stage(Stage stage) override;

    // The question as someone else answered it (the window).
    void answered(const QString& text, const QString& title, bool yes);
    // A line of the program's own: the start, the end, a warning.
    void note(const QString& text);
    // The end of the program: what the run did, how it ended, how long it took.
    void finish(int status, const RunSummary* summary, qint64 runNumber, double seconds);

private:
    void say(const QString& text);

    const Clock& clock_;
    bool printAnswer_;
    qint64 progressMs_;
    bool trial_ = false;
    FILE* console_ = nullptr;
    QIODevice* file_ = nullptr;
    std::optional<Stage> stage_;
    QString lastText_;        // the status text last shown, so that a repeat is not shown again
    int lastPercent_ = -1;    // the progress last shown
    int percent_ = -1;        // the progress reached
    QElapsedTimer sinceProgress_;  // since the stage began or its progress was last shown
};
