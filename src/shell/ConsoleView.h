#pragma once
// The view of a headless run: message boxes printed verbatim on stderr,
// questions answered with a preset answer, progress as a few lines per stage.
#include "shell/RunView.h"

#include <QHash>
#include <QTextStream>

class ConsoleView : public RunView {
public:
    explicit ConsoleView(bool printAnswer) : printAnswer_(printAnswer) {}

    void setText(const char* box, const QString& text) override;
    void setProgress(const char* bar, int value) override;
    void setVisible(const char* widget, bool visible) override;
    void setCircleRed(const char* shape, bool red) override;
    void message(const QString& text, const QString& title) override;
    bool ask(const QString& text, const QString& title) override;

private:
    bool printAnswer_;
    QHash<QByteArray, int> lastTenth_;  // last tenth of each bar printed
};
