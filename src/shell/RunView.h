#pragma once
// What a stage may show the user: the window's boxes, bars and circles by
// their names, message boxes and the yes/no question. The window, the console
// and the tests' recording view implement it; no stage touches a widget.
#include <QString>

class RunView {
public:
    virtual ~RunView() = default;

    // Sets the text of a box (`cntw`, `c2w`, `elaboraw`, `datadw`, ...).
    virtual void setText(const char* box, const QString& text) = 0;
    // Progress bars run from 0 to 20000.
    virtual void setProgress(const char* bar, int value) = 0;
    virtual void setVisible(const char* widget, bool visible) = 0;
    // A panel's circle: green, or red when its stage is switched off.
    virtual void setCircleRed(const char* shape, bool red) = 0;

    // A modal message with the critical icon and an OK button.
    virtual void message(const QString& text, const QString& title = QString()) = 0;
    // A yes/no question whose default button is No; true for Yes.
    virtual bool ask(const QString& text, const QString& title) = 0;
};

// A view that shows nothing and answers every question with its default.
class NullView : public RunView {
public:
    void setText(const char*, const QString&) override {}
    void setProgress(const char*, int) override {}
    void setVisible(const char*, bool) override {}
    void setCircleRed(const char*, bool) override {}
    void message(const QString&, const QString&) override {}
    bool ask(const QString&, const QString&) override { return false; }
};
