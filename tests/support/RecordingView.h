#pragma once
// A view that remembers what the run showed: the last text of every box,
// every message and question, progress and circles.
#include "run/RunView.h"

#include <QHash>
#include <QStringList>

class RecordingView : public RunView {
public:
    void setText(Box box, const QString& text) override {
        texts[QByteArray(nameOf(box))] = text;
        ++updates;
    }
    void setProgress(Bar bar, int value) override { progress[QByteArray(nameOf(bar))] = value; }
    void setVisible(Bar bar, bool visible) override { visible_[QByteArray(nameOf(bar))] = visible; }
    void setCircleRed(Circle circle, bool red) override { red_[QByteArray(nameOf(circle))] = red; }
    void message(const QString& text, const QString&) override { messages << text; }
    bool ask(const QString& text, const QString& title) override {
        questions << title + QStringLiteral(" | ") + text;
        return answer;
    }

    QString text(const char* box) const { return texts.value(QByteArray(box)); }
    bool isVisible(const char* w) const { return visible_.value(QByteArray(w), false); }
    bool isRed(const char* shape) const { return red_.value(QByteArray(shape), false); }

    QHash<QByteArray, QString> texts;
    QHash<QByteArray, int> progress;
    QStringList messages;
    QStringList questions;
    bool answer = false;
    int updates = 0;

private:
    QHash<QByteArray, bool> visible_;
    QHash<QByteArray, bool> red_;
};
