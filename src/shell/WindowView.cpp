#include "shell/WindowView.h"

#include "run/SummaryText.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMutexLocker>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <algorithm>

Shape::Shape(QWidget* parent) : QWidget(parent) {
    setFixedSize(sizeHint());
}

void Shape::setRed(bool red) {
    const QColor c = red ? Shape::red() : green();
    if (c == color_) return;
    color_ = c;
    update();
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(color_);
    p.drawEllipse(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
}

WindowView::WindowView(QHash<QByteArray, QWidget*> widgets, QWidget* parent, int refreshMs)
    : QObject(parent), widgets_(std::move(widgets)), parent_(parent) {
    refresh_.setInterval(refreshMs);
    refresh_.setTimerType(Qt::PreciseTimer);
    connect(&refresh_, &QTimer::timeout, this, &WindowView::flush);
    refresh_.start();
}

namespace {
// The widgets' names are static texts: a key that points at the name, not a
// copy of it, so a stage may set a box per record without an allocation.
QByteArray key(const char* name) { return QByteArray::fromRawData(name, qsizetype(qstrlen(name))); }
}  // namespace

void WindowView::setText(Box box, const QString& text) {
    QMutexLocker lock(&mutex_);
    pending_.texts.insert(key(nameOf(box)), text);
}

void WindowView::setProgress(Bar bar, int value) {
    QMutexLocker lock(&mutex_);
    pending_.progress.insert(key(nameOf(bar)), value);
}

void WindowView::setVisible(Bar bar, bool visible) {
    QMutexLocker lock(&mutex_);
    pending_.visible.insert(key(nameOf(bar)), visible);
}

void WindowView::setCircleRed(Circle circle, bool red) {
    QMutexLocker lock(&mutex_);
    pending_.red.insert(key(nameOf(circle)), red);
}

void WindowView::stage(Stage stage) {
    QMutexLocker lock(&mutex_);
    pending_.texts.insert(key(statusLine), QStringLiteral("Fase in corso: ") + QLatin1String(nameOf(stage)));
}

void WindowView::counted(const RunSummary& summary) {
    QMutexLocker lock(&mutex_);
    pending_.texts.insert(key(statusLine), describeInOneLine(summary));
}

void WindowView::flush() {
    Pending p;
    {
        QMutexLocker lock(&mutex_);
        if (pending_.empty()) return;
        std::swap(p, pending_);
    }
    ++refreshes_;
    for (auto it = p.texts.cbegin(); it != p.texts.cend(); ++it) {
        QWidget* w = widgets_.value(it.key());
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            if (edit->text() != it.value()) {
                edit->setText(it.value());
                edit->setCursorPosition(0);
            }
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            label->setText(it.value());
        }
    }
    for (auto it = p.progress.cbegin(); it != p.progress.cend(); ++it) {
        if (auto* bar = qobject_cast<QProgressBar*>(widgets_.value(it.key())))
            // A step rounded up may pass the end; the bar stays full rather than ignore it.
            bar->setValue(std::clamp(it.value(), bar->minimum(), bar->maximum()));
    }
    for (auto it = p.visible.cbegin(); it != p.visible.cend(); ++it) {
        if (QWidget* w = widgets_.value(it.key())) w->setVisible(it.value());
    }
    for (auto it = p.red.cbegin(); it != p.red.cend(); ++it) {
        if (auto* shape = qobject_cast<Shape*>(widgets_.value(it.key()))) shape->setRed(it.value());
    }
}

bool WindowView::onWindowThread() const { return QThread::currentThread() == thread(); }

void WindowView::message(const QString& text, const QString& title) {
    if (onWindowThread()) {
        showMessage(text, title);
        return;
    }
    QMetaObject::invokeMethod(this, [&] { showMessage(text, title); }, Qt::BlockingQueuedConnection);
}

bool WindowView::ask(const QString& text, const QString& title) {
    if (onWindowThread()) return showQuestion(text, title);
    bool yes = false;
    QMetaObject::invokeMethod(this, [&] { yes = showQuestion(text, title); }, Qt::BlockingQueuedConnection);
    return yes;
}

void WindowView::showMessage(const QString& text, const QString& title) {
    flush();  // the boxes show where the run stands when the message appears
    ++dialogs_;
    QMessageBox box(QMessageBox::Critical, title.isEmpty() ? QStringLiteral("lis06c") : title, text,
                    QMessageBox::Ok, parent_);
    box.setObjectName(QStringLiteral("message"));
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    --dialogs_;
}

bool WindowView::showQuestion(const QString& text, const QString& title) {
    flush();
    ++dialogs_;
    QMessageBox box(QMessageBox::Question, title.isEmpty() ? QStringLiteral("lis06c") : title, text,
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setObjectName(QStringLiteral("question"));
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    const bool yes = box.exec() == QMessageBox::Yes;
    --dialogs_;
    return yes;
}
