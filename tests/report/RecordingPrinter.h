#pragma once
// A printer that remembers what the report drew, page by page: every text
// with its position and font, every rectangle with its line width. Lines are
// 8 units high and every character 4 units wide, whatever the font.
#include "report/Printer.h"

#include <QList>
#include <QString>

struct DrawnText {
    int page;
    double x;
    double y;
    QString text;
    double size;
    bool bold;
};

struct DrawnBox {
    int page;
    double x1, y1, x2, y2;
    int lineWidth;
};

class RecordingPrinter : public report::Printer {
public:
    static constexpr double line = 8;

    void setLandscape() override { landscape = true; }
    void setScale(double width, double height) override {
        scaleWidth = width;
        scaleHeight = height;
    }
    void setFontName(const QString& name) override { font = name; }
    void setFontSize(double points) override { size = points; }
    void setFontBold(bool b) override { bold = b; }
    void setLineWidth(int width) override { lineWidth = width; }
    void rectangle(double x1, double y1, double x2, double y2) override {
        boxes.append({page, x1, y1, x2, y2, lineWidth});
    }
    void endDoc() override { ++ended; }

    // The texts of one page (1-based), in the order drawn.
    QList<DrawnText> onPage(int p) const {
        QList<DrawnText> out;
        for (const DrawnText& t : texts)
            if (t.page == p) out.append(t);
        return out;
    }
    QStringList textsOf(int p) const {
        QStringList out;
        for (const DrawnText& t : onPage(p)) out << t.text;
        return out;
    }
    QStringList allTexts() const {
        QStringList out;
        for (const DrawnText& t : texts) out << t.text;
        return out;
    }
    // The first text drawn that equals `text`; nullptr when none.
    const DrawnText* find(const QString& text) const {
        for (const DrawnText& t : texts)
            if (t.text == text) return &t;
        return nullptr;
    }
    // The texts drawn on the line whose texts start at height y.
    QList<DrawnText> lineAt(int p, double y) const {
        QList<DrawnText> out;
        for (const DrawnText& t : texts)
            if (t.page == p && t.y == y) out.append(t);
        return out;
    }
    // The text drawn at (x, y) of a page; empty when none.
    QString at(int p, double x, double y) const {
        for (const DrawnText& t : texts)
            if (t.page == p && t.x == x && t.y == y) return t.text;
        return {};
    }

    bool landscape = false;
    double scaleWidth = 0;
    double scaleHeight = 0;
    QString font;
    double size = 0;
    bool bold = false;
    int lineWidth = 0;
    int page = 1;
    int ended = 0;
    QList<DrawnText> texts;
    QList<DrawnBox> boxes;

protected:
    void drawText(double x, double y, const QString& text) override {
        texts.append({page, x, y, text, size, bold});
    }
    double lineHeight() const override { return line; }
    double textWidth(const QString& text) const override { return 4.0 * text.size(); }
    void startNewPage() override { ++page; }
};
