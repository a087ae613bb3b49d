#pragma once
// The window's side of RunView. The run works on its own thread and may set
// boxes, bars and circles as often as it likes: each call only stores the
// latest value under a lock. A timer on the window's thread applies what
// changed about 30 times a second, so the user follows the run record by
// record while the window never repaints once per record.
// Message boxes and the question are shown on the window's thread while the
// run's thread waits for the answer.
#include "run/RunView.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QObject>
#include <QColor>
#include <QTimer>
#include <QWidget>

// A panel's small filled circle: green while its stage runs, red when the
// stage is switched off.
class Shape : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor fillColor READ fillColor)
public:
    static QColor green() { return QColor(0x00, 0xFF, 0x00); }  // 65280
    static QColor red() { return QColor(0xFF, 0x00, 0x00); }    // 255

    explicit Shape(QWidget* parent = nullptr);
    QColor fillColor() const { return color_; }
    void setRed(bool red);
    QSize sizeHint() const override { return QSize(22, 22); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor color_ = green();
};

class WindowView : public QObject, public RunView {
    Q_OBJECT
public:
    // `widgets` by objectName; `parent` is the window the message boxes belong to.
    WindowView(QHash<QByteArray, QWidget*> widgets, QWidget* parent, int refreshMs = 33);

    // Any thread.
    void setText(Box box, const QString& text) override;
    void setProgress(Bar bar, int value) override;
    void setVisible(Bar bar, bool visible) override;
    void setCircleRed(Circle circle, bool red) override;
    void message(const QString& text, const QString& title = QString()) override;
    bool ask(const QString& text, const QString& title) override;
    // The status line at the bottom: the stage in progress, then what the run did.
    void stage(Stage stage) override;
    void counted(const RunSummary& summary) override;

    // The name of the status line's label.
    static constexpr const char* statusLine = "riepilogo";

    // Window's thread: applies the pending values now.
    void flush();
    // True while a message box or the question is open.
    bool dialogOpen() const { return dialogs_ > 0; }
    // How many refreshes found something to apply (tests measure the rate).
    int refreshes() const { return refreshes_; }

private:
    void showMessage(const QString& text, const QString& title);
    bool showQuestion(const QString& text, const QString& title);
    bool onWindowThread() const;

    struct Pending {
        QHash<QByteArray, QString> texts;
        QHash<QByteArray, int> progress;
        QHash<QByteArray, bool> visible;
        QHash<QByteArray, bool> red;
        bool empty() const { return texts.isEmpty() && progress.isEmpty() && visible.isEmpty() && red.isEmpty(); }
    };

    QHash<QByteArray, QWidget*> widgets_;
    QWidget* parent_;
    QMutex mutex_;
    Pending pending_;
    QTimer refresh_;
    int dialogs_ = 0;
    int refreshes_ = 0;
};
