#include "report/PainterPrinter.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrinter>

namespace report {

namespace {

// The report asks for "MS Sans Serif", which only Windows has: take the
// closest sans-serif font of this system instead (Liberation Sans has the
// metrics of Arial).
QFont reportFont() {
    static const bool substituted = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                    QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
        return true;
    }();
    (void)substituted;
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8);
    return font;
}

}  // namespace

PainterPrinter::PainterPrinter(std::unique_ptr<QPagedPaintDevice> device, QString target)
    : device_(std::move(device)), target_(std::move(target)), font_(reportFont()) {}

PainterPrinter::~PainterPrinter() {
    if (begun_ && !ended_) painter_.end();
}

std::unique_ptr<PainterPrinter> PainterPrinter::forPrinter(const QPrinterInfo& info, const QString& title) {
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer->setDocName(title);
    printer->setFullPage(false);
    return std::unique_ptr<PainterPrinter>(new PainterPrinter(std::move(printer), info.printerName()));
}

std::unique_ptr<PainterPrinter> PainterPrinter::forPdf(QIODevice& device, const QString& target,
                                                      const QString& title) {
    auto writer = std::make_unique<QPdfWriter>(&device);
    writer->setTitle(title);
    writer->setCreator(QStringLiteral("lis06c"));
    writer->setPageSize(QPageSize(QPageSize::A4));
    writer->setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    return std::unique_ptr<PainterPrinter>(new PainterPrinter(std::move(writer), target));
}

void PainterPrinter::setLandscape() {
    if (!begun_) device_->setPageOrientation(QPageLayout::Landscape);
}

void PainterPrinter::setScale(double width, double height) {
    scaleWidth_ = width;
    scaleHeight_ = height;
}

void PainterPrinter::setFontName(const QString& name) {
    font_.setFamily(name);
    font_.setStyleHint(QFont::SansSerif);
    if (begun_) painter_.setFont(font_);
}

void PainterPrinter::setFontSize(double points) {
    font_.setPointSizeF(points);
    if (begun_) painter_.setFont(font_);
}

void PainterPrinter::setFontBold(bool bold) {
    font_.setBold(bold);
    if (begun_) painter_.setFont(font_);
}

void PainterPrinter::setLineWidth(int width) {
    lineWidth_ = width;
    if (begun_) applyPen();
}

void PainterPrinter::rectangle(double x1, double y1, double x2, double y2) {
    begin();
    painter_.drawRect(QRectF(QPointF(x1 * sx(), y1 * sy()), QPointF(x2 * sx(), y2 * sy())).normalized());
}

void PainterPrinter::drawText(double x, double y, const QString& text) {
    begin();
    const QFontMetricsF metrics(font_, device_.get());
    painter_.drawText(QPointF(x * sx(), y * sy() + metrics.ascent()), text);
}

double PainterPrinter::lineHeight() const {
    return QFontMetricsF(font_, device_.get()).lineSpacing() / sy();
}

double PainterPrinter::textWidth(const QString& text) const {
    return QFontMetricsF(font_, device_.get()).horizontalAdvance(text) / sx();
}

void PainterPrinter::startNewPage() {
    begin();
    if (!device_->newPage()) throw PrintError(QStringLiteral("Impossibile aggiungere una pagina su %1").arg(target_));
    ++pages_;
}

void PainterPrinter::endDoc() {
    begin();
    if (!ended_) {
        ended_ = true;
        if (!painter_.end()) throw PrintError(QStringLiteral("Impossibile completare la stampa su %1").arg(target_));
    }
}

void PainterPrinter::begin() {
    if (begun_) return;
    if (ended_ || !painter_.begin(device_.get()))
        throw PrintError(QStringLiteral("Impossibile stampare su %1").arg(target_));
    begun_ = true;
    pages_ = 1;
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setFont(font_);
    painter_.setBrush(Qt::NoBrush);
    applyPen();
}

void PainterPrinter::applyPen() {
    // A dot of a 300-dpi printer, whatever the device's resolution.
    QPen pen(Qt::black);
    pen.setWidthF(lineWidth_ * device_->logicalDpiX() / 300.0);
    pen.setJoinStyle(Qt::MiterJoin);
    painter_.setPen(pen);
}

double PainterPrinter::sx() const { return device_->width() / scaleWidth_; }
double PainterPrinter::sy() const { return device_->height() / scaleHeight_; }

}  // namespace report
