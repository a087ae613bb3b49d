#include "shell/LoggedView.h"

#include "shell/ConsoleView.h"

void LoggedView::setText(Box box, const QString& text) {
    shown_.setText(box, text);
    if (log_) log_->setText(box, text);
}

void LoggedView::setProgress(Bar bar, int value) {
    shown_.setProgress(bar, value);
    if (log_) log_->setProgress(bar, value);
}

void LoggedView::setVisible(Bar bar, bool visible) {
    shown_.setVisible(bar, visible);
    if (log_) log_->setVisible(bar, visible);
}

void LoggedView::setCircleRed(Circle circle, bool red) {
    shown_.setCircleRed(circle, red);
    if (log_) log_->setCircleRed(circle, red);
}

void LoggedView::message(const QString& text, const QString& title) {
    // Logged before it is shown: a message box left open is already in the log.
    if (log_) log_->message(text, title);
    shown_.message(text, title);
}

bool LoggedView::ask(const QString& text, const QString& title) {
    const bool yes = preset_ ? *preset_ : shown_.ask(text, title);
    if (log_) log_->answered(text, title, yes);
    return yes;
}

void LoggedView::stage(Stage stage) {
    shown_.stage(stage);
    if (log_) log_->stage(stage);
}

void LoggedView::counted(const RunSummary& summary) {
    shown_.counted(summary);
    if (log_) log_->counted(summary);
}
