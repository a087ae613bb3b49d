#pragma once
// The report's printer on a QPainter: the system's printer (QPrinter) or a
// PDF file (QPdfWriter). User units are mapped onto the printable area of the
// page, across and down independently; fonts keep their point sizes, so text
// is never stretched.
#include "report/Printer.h"

#include <QFont>
#include <QPainter>
#include <QPrinterInfo>

#include <memory>

class QIODevice;
class QPagedPaintDevice;

namespace report {

class PainterPrinter : public Printer {
public:
    // The given system printer (its default paper and margins).
    static std::unique_ptr<PainterPrinter> forPrinter(const QPrinterInfo& info, const QString& title);
    // A PDF, A4 with 10 mm margins, written into `device` (open for
    // writing); `target` names it in messages.
    static std::unique_ptr<PainterPrinter> forPdf(QIODevice& device, const QString& target, const QString& title);

    ~PainterPrinter() override;

    void setLandscape() override;
    void setScale(double width, double height) override;
    void setFontName(const QString& name) override;
    void setFontSize(double points) override;
    void setFontBold(bool bold) override;
    void setLineWidth(int width) override;
    void rectangle(double x1, double y1, double x2, double y2) override;
    void endDoc() override;

    // Where the pages go: the printer's name or the file's path.
    const QString& target() const { return target_; }
    int pagesStarted() const { return pages_; }

protected:
    void drawText(double x, double y, const QString& text) override;
    double lineHeight() const override;
    double textWidth(const QString& text) const override;
    void startNewPage() override;

private:
    PainterPrinter(std::unique_ptr<QPagedPaintDevice> device, QString target);
    // Starts painting on the first drawing (orientation is fixed by then).
    void begin();
    void applyPen();
    double sx() const;  // device pixels per user unit, across
    double sy() const;  // and down

    std::unique_ptr<QPagedPaintDevice> device_;
    QString target_;
    QPainter painter_;
    QFont font_;
    int lineWidth_ = 1;
    double scaleWidth_ = 650;
    double scaleHeight_ = 450;
    bool begun_ = false;
    bool ended_ = false;
    int pages_ = 0;
};

}  // namespace report
