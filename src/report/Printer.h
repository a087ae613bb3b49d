#pragma once
// The drawing operations the report makes on a printer, in the user scale of
// the page (650 units across, 450 down on a landscape page). The current
// position is the top-left corner of the next text: a text that ends the line
// moves it to the left margin (X = 0) one line of the current font lower; a
// text that continues the line moves it right by the text's width.
#include <QString>

#include <stdexcept>

namespace report {

// The print device could not be started or written (printer gone, file not writable).
class PrintError : public std::runtime_error {
public:
    explicit PrintError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

enum class Line { End, Continue };

class Printer {
public:
    virtual ~Printer() = default;

    // Page set-up, before anything is drawn.
    virtual void setLandscape() = 0;
    // (0, 0) is the top left of the printable page, (width, height) its bottom right.
    virtual void setScale(double width, double height) = 0;

    double currentX() const { return x_; }
    double currentY() const { return y_; }
    void setCurrentX(double x) { x_ = x; }
    void setCurrentY(double y) { y_ = y; }

    virtual void setFontName(const QString& name) = 0;
    virtual void setFontSize(double points) = 0;
    virtual void setFontBold(bool bold) = 0;
    // Line width in printer dots (a dot is 1/300 inch).
    virtual void setLineWidth(int width) = 0;

    // Black outline of the rectangle between two corners.
    virtual void rectangle(double x1, double y1, double x2, double y2) = 0;

    // Prints the text with its top-left at the current position; an empty text
    // only ends (or continues) the line.
    void print(const QString& text, Line line = Line::End) {
        if (!text.isEmpty()) drawText(x_, y_, text);
        if (line == Line::End) {
            x_ = 0;
            y_ += lineHeight();
        } else {
            x_ += textWidth(text);
        }
    }

    // Ends the page; the next drawing goes on a new one, from (0, 0).
    void newPage() {
        startNewPage();
        x_ = 0;
        y_ = 0;
    }

    // Ends the document: the pages go to the printer or the file.
    virtual void endDoc() = 0;

protected:
    virtual void drawText(double x, double y, const QString& text) = 0;
    // Height of a line and width of a text in the current font, in user units.
    virtual double lineHeight() const = 0;
    virtual double textWidth(const QString& text) const = 0;
    virtual void startNewPage() = 0;

private:
    double x_ = 0;
    double y_ = 0;
};

}  // namespace report
