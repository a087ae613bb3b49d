#pragma once
// The window's view with the run's log file beside it: every call goes to the
// window and, as lines in words, to the log. A preset answer (--print yes|no)
// answers the print question without showing it, so that a window started by
// a scheduler ends by itself.
#include "run/RunView.h"

#include <optional>

class ConsoleView;

class LoggedView : public RunView {
public:
    // `log` may be null (no log file).
    LoggedView(RunView& shown, ConsoleView* log, std::optional<bool> presetAnswer)
        : shown_(shown), log_(log), preset_(presetAnswer) {}

    void setText(Box box, const QString& text) override;
    void setProgress(Bar bar, int value) override;
    void setVisible(Bar bar, bool visible) override;
    void setCircleRed(Circle circle, bool red) override;
    void message(const QString& text, const QString& title) override;
    bool ask(const QString& text, const QString& title) override;
    void stage(Stage stage) override;
    void counted(const RunSummary& summary) override;

private:
    RunView& shown_;
    ConsoleView* log_;
    std::optional<bool> preset_;
};
