#pragma once
// The view of a headless run: message boxes printed verbatim on stderr,
// questions answered with a preset answer, progress as a few lines per stage.
#include "run/RunView.h"

#include <QHash>
#include <QTextStream>

class ConsoleView : public RunView {
public:
    explicit ConsoleView(bool printAnswer) : printAnswer_(printAnswer) {}

    void setText(Box box, const QString& text) override;
    void setProgress(Bar bar, int value) override;
    void setVisible(Bar bar, bool visible) override;
    void setCircleRed(Circle circle, bool red) override;
    void message(const QString& text, const QString& title) override;
    bool ask(const QString& text, const QString& title) override;

private:
    bool printAnswer_;
    QHash<int, int> lastTenth_;  // last tenth of each bar printed
};
