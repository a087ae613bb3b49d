#pragma once
// What a stage may show the user: the window's boxes, bars and circles, message
// boxes and the yes/no question. The window, the console and the tests'
// recording view implement it; no stage touches a widget. Boxes are named by
// enumerators, so a misspelt box does not compile.
#include "run/RunSummary.h"

#include <QString>

#include <chrono>
#include <utility>
#include <vector>

// The window's text boxes, under the names the store's operators know them by.
#define LIS06C_BOXES(X)                                                                                  \
    X(versione) X(datadw)                                                                               \
    X(c2w) X(codartw) X(cntw) X(c3w) X(c4w) X(c5w) X(c6w) X(desgruw) X(Text2) X(cntcw) X(cntaw)         \
    X(d2w) X(d1w) X(cntfw) X(d3w) X(d4w) X(d5w) X(d6w) X(d7w) X(d8w) X(elaboraw) X(cntcfw) X(cntafw)    \
    X(e2w) X(e1w) X(cntpw) X(e3w) X(e4w) X(e5w) X(e6w) X(e7w) X(e8w) X(e9w) X(e10w) X(CNTcPW) X(cntAPw) \
    X(variazioni)

#define LIS06C_ENUMERATOR(name) name,
enum class Box { LIS06C_BOXES(LIS06C_ENUMERATOR) };
#undef LIS06C_ENUMERATOR

// The three progress bars (0 to 20000) and the panels' circles.
enum class Bar { ProgressBar1, ProgressBar2, ProgressBar3 };
enum class Circle { Shape1, Shape2, Shape3 };

// The stages of a run as the operator knows them: the catalogue import, the
// store's articles, the supplier documents, the promotions and the report.
enum class Stage { Catalogo, Articoli, Documenti, Promozioni, Stampa };

// The names the window gives its widgets.
const char* nameOf(Box box);
const char* nameOf(Bar bar);
const char* nameOf(Circle circle);
// The stage in words ("Catalogo", "Articoli", ...).
const char* nameOf(Stage stage);
// Every box, in the order above.
inline constexpr Box kAllBoxes[] = {
#define LIS06C_ENUMERATOR(name) Box::name,
    LIS06C_BOXES(LIS06C_ENUMERATOR)
#undef LIS06C_ENUMERATOR
};

class RunView {
public:
    virtual ~RunView() = default;

    virtual void setText(Box box, const QString& text) = 0;
    // Progress bars run from 0 to 20000.
    virtual void setProgress(Bar bar, int value) = 0;
    virtual void setVisible(Bar bar, bool visible) = 0;
    // A panel's circle: green, or red when its stage is switched off.
    virtual void setCircleRed(Circle circle, bool red) = 0;

    // A modal message with the critical icon and an OK button.
    virtual void message(const QString& text, const QString& title = QString()) = 0;
    // A yes/no question whose default button is No; true for Yes.
    virtual bool ask(const QString& text, const QString& title) = 0;

    // A stage begins: what follows belongs to it (the console names it on
    // every line; the window's boxes already say where the run is).
    virtual void stage(Stage) {}
    // The run's counts are complete (just before the print question), so the
    // window can show what the run did while the question is open.
    virtual void counted(const RunSummary&) {}
};

// A view that shows nothing and answers every question with its default.
class NullView : public RunView {
public:
    void setText(Box, const QString&) override {}
    void setProgress(Bar, int) override {}
    void setVisible(Bar, bool) override {}
    void setCircleRed(Circle, bool) override {}
    void message(const QString&, const QString&) override {}
    bool ask(const QString&, const QString&) override { return false; }
};

// Passes everything on to `view` but keeps the messages until show(): a stage
// that works inside an open transaction tells the user only once its work is
// stored, so the store is never held locked while a message box waits.
class HeldMessages : public RunView {
public:
    explicit HeldMessages(RunView& view) : view_(view) {}
    void setText(Box box, const QString& text) override { view_.setText(box, text); }
    void setProgress(Bar bar, int value) override { view_.setProgress(bar, value); }
    void setVisible(Bar bar, bool visible) override { view_.setVisible(bar, visible); }
    void setCircleRed(Circle circle, bool red) override { view_.setCircleRed(circle, red); }
    void message(const QString& text, const QString& title) override { held_.push_back({text, title}); }
    bool ask(const QString& text, const QString& title) override { return view_.ask(text, title); }
    void stage(Stage s) override { view_.stage(s); }
    void counted(const RunSummary& summary) override { view_.counted(summary); }

    // The messages kept, in their order.
    void show();

private:
    RunView& view_;
    std::vector<std::pair<QString, QString>> held_;
};

// A stage's progress bar, advanced once per record by the true fraction of the
// records done: the view hears only when the bar's position changes.
class Progress {
public:
    Progress(RunView& view, Bar bar, qint64 total);
    void step();

private:
    RunView& view_;
    Bar bar_;
    qint64 total_;
    qint64 done_ = 0;
    int shown_ = 0;
};

// The boxes a stage fills record by record are seen only when the window
// paints or the console prints its counter, a few times a second: a stage
// makes their texts when due(), and once more after its last record, so
// thousands of records a second cost no formatting.
class Refresh {
public:
    bool due();

private:
    std::chrono::steady_clock::time_point next_{};
};
