#include "shell/ConsoleView.h"

#include <cstdio>

namespace {
void say(const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
}
}  // namespace

void ConsoleView::setText(Box box, const QString& text) {
    // The boxes change per record; only the status lines are worth a line.
    if (box == Box::elaboraw || box == Box::datadw)
        say(QStringLiteral("%1: %2").arg(QLatin1String(nameOf(box)), text.trimmed()));
}

void ConsoleView::setProgress(Bar bar, int value) {
    const int tenth = value / 2000;
    int& last = lastTenth_[int(bar)];
    if (tenth != last && tenth > 0) say(QStringLiteral("%1 %2%").arg(QLatin1String(nameOf(bar))).arg(tenth * 10));
    last = tenth;
}

void ConsoleView::setVisible(Bar bar, bool visible) {
    if (!visible) lastTenth_.remove(int(bar));
}

void ConsoleView::setCircleRed(Circle circle, bool red) {
    if (red) say(QStringLiteral("%1: fase disattivata").arg(QLatin1String(nameOf(circle))));
}

void ConsoleView::message(const QString& text, const QString& title) {
    say(title.isEmpty() ? text : title + QStringLiteral(": ") + text);
}

bool ConsoleView::ask(const QString& text, const QString& title) {
    say(QStringLiteral("%1: %2 -> %3").arg(title, text, printAnswer_ ? QStringLiteral("Sì") : QStringLiteral("No")));
    return printAnswer_;
}
