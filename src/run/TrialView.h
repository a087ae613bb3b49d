#pragma once
// What a trial shows: the run works in a temporary copy of the root, but the
// store knows its files by their real place. Every text on its way to the
// user names the root instead of the copy.
#include "run/RunConfig.h"
#include "run/RunView.h"

#include <QDir>

class TrialView : public RunView {
public:
    // `working` is where the run works now (it moves with each new copy).
    TrialView(RunView& view, const Paths& working, const Paths& root) : view_(view), working_(working), root_(root) {}

    void setText(Box box, const QString& text) override { view_.setText(box, real(text)); }
    void setProgress(Bar bar, int value) override { view_.setProgress(bar, value); }
    void setVisible(Bar bar, bool visible) override { view_.setVisible(bar, visible); }
    void setCircleRed(Circle circle, bool red) override { view_.setCircleRed(circle, red); }
    void message(const QString& text, const QString& title) override { view_.message(real(text), title); }
    bool ask(const QString& text, const QString& title) override { return view_.ask(real(text), title); }
    void stage(Stage s) override { view_.stage(s); }
    void counted(const RunSummary& summary) override { view_.counted(summary); }

private:
    QString real(QString text) const {
        if (working_.root == root_.root) return text;
        return text.replace(QDir::toNativeSeparators(working_.root), QDir::toNativeSeparators(root_.root));
    }

    RunView& view_;
    const Paths& working_;
    const Paths& root_;
};
