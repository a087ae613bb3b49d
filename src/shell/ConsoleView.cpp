#include "shell/ConsoleView.h"

#include <cstdio>

namespace {
void say(const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
}
}  // namespace

void ConsoleView::setText(const char* box, const QString& text) {
    // The boxes change per record; only the status lines are worth a line.
    if (qstrcmp(box, "elaboraw") == 0 || qstrcmp(box, "datadw") == 0)
        say(QStringLiteral("%1: %2").arg(QLatin1String(box), text.trimmed()));
}

void ConsoleView::setProgress(const char* bar, int value) {
    const int tenth = value / 2000;
    int& last = lastTenth_[QByteArray(bar)];
    if (tenth != last && tenth > 0) say(QStringLiteral("%1 %2%").arg(QLatin1String(bar)).arg(tenth * 10));
    last = tenth;
}

void ConsoleView::setVisible(const char* widget, bool visible) {
    if (!visible) lastTenth_.remove(QByteArray(widget));
}

void ConsoleView::setCircleRed(const char* shape, bool red) {
    if (red) say(QStringLiteral("%1: fase disattivata").arg(QLatin1String(shape)));
}

void ConsoleView::message(const QString& text, const QString& title) {
    say(title.isEmpty() ? text : title + QStringLiteral(": ") + text);
}

bool ConsoleView::ask(const QString& text, const QString& title) {
    say(QStringLiteral("%1: %2 -> %3").arg(title, text, printAnswer_ ? QStringLiteral("Sì") : QStringLiteral("No")));
    return printAnswer_;
}
