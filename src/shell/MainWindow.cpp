#include "shell/MainWindow.h"

#include "run/RunCore.h"
#include "shell/ConsoleView.h"
#include "shell/LogFolder.h"
#include "shell/LoggedView.h"
#include "shell/RunWorker.h"
#include "shell/WindowView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>

namespace {

struct Field {
    const char* caption;
    const char* box;
    // Under its caption across the panel: a status text ("CARICO DOCUMENTO
    // NR. 505812") is longer than a record's field and was cut off beside it.
    bool wide = false;
};

struct Panel {
    const char* caption;
    std::vector<Field> records;
    Field counters[2];
    const char* bar;
    const char* shape;
};

const Panel panels[] = {
    {"Articoli",
     {{"Ean", "c2w"}, {"Codice", "codartw"}, {"Nr.Rec.elab.", "cntw"}, {"Descrizione", "c3w"},
      {"Costo", "c4w"}, {"Iva", "c5w"}, {"Prezzo Ven.", "c6w"}, {"Gruppo", "desgruw"},
      {"Sottogruppo", "Text2"}},
     {{"Nuovi articoli Creati", "cntcw"}, {"Articoli Elaborati", "cntaw"}},
     "ProgressBar2",
     "Shape1"},
    {"Documenti(DDT/Fatture)",
     {{"Ean", "d2w"}, {"Codice", "d1w"}, {"Nr.Rec.elab.", "cntfw"}, {"Descrizione", "d3w"},
      {"Costo", "d4w"}, {"Iva", "d5w"}, {"Prezzo Ven.", "d6w"}, {"Gruppo", "d7w"},
      {"Sottogruppo", "d8w"}, {"Elaborazione in corso", "elaboraw", true}},
     {{"Nuovi articoli Creati", "cntcfw"}, {"Articoli Aggiornati", "cntafw"}},
     "ProgressBar1",
     "Shape2"},
    {"Promozioni",
     {{"Ean", "e2w"}, {"Codice", "e1w"}, {"Nr.Rec.elab.", "cntpw"}, {"Descrizione", "e3w"},
      {"Costo", "e4w"}, {"Iva", "e5w"}, {"Prezzo Ven.", "e6w"}, {"Gruppo", "e7w"},
      {"Sottogruppo", "e8w"}, {"Nr.Promo", "e9w"}, {"Descrizione Promo", "e10w"}},
     {{"Articoli Caricati", "CNTcPW"}, {"Articoli non trovati", "cntAPw"}},
     "ProgressBar3",
     "Shape3"},
};

// Twips of the original layout at 15 per pixel.
constexpr int px(int twips) { return twips / 15; }

QLineEdit* box(const char* name, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    return e;
}

QLabel* label(const char* caption, QWidget* buddy, QWidget* parent) {
    auto* l = new QLabel(QString::fromUtf8(caption), parent);
    l->setBuddy(buddy);
    return l;
}

}  // namespace

int MainWindow::defaultTickMs() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("LIS06C_TIMER_MS", &ok);
    return ok && ms > 0 ? ms : 3000;
}

MainWindow::MainWindow(const Paths& paths, const RunOptions& options, int tickMs, const WindowOptions& window) {
    elapsed_.start();
    setObjectName(QStringLiteral("lis06c"));
    trial_ = options.trial;
    setWindowTitle(trial_ ? QStringLiteral("Elaborazione file — ") + kTrialMark : QStringLiteral("Elaborazione file"));
    build();

    QHash<QByteArray, QWidget*> named;
    for (QWidget* w : findChildren<QWidget*>())
        if (!w->objectName().isEmpty()) named.insert(w->objectName().toUtf8(), w);
    view_ = new WindowView(named, this);

    RunOptions runOptions = options;
    log_ = std::make_unique<ConsoleView>(clock_, false, window.output.progressSeconds);
    // A trial changes nothing under the root, where the log folder usually is.
    if (!window.output.logFolder.isEmpty() && !trial_) {
        QString error;
        logFile_ = openRunLog(window.output.logFolder, QDateTime(clock_.today(), clock_.now()),
                              window.output.runsKept, &error);
        if (logFile_) {
            log_->setLogFile(logFile_.get());
            runOptions.logFile = QDir::toNativeSeparators(logFile_->fileName());
        } else {
            setStatus(QStringLiteral("Attenzione: ") + error);
        }
    }
    log_->note(QStringLiteral("lis06c: finestra su %1").arg(QDir::toNativeSeparators(paths.root)));
    logged_ = std::make_unique<LoggedView>(*view_, logFile_ ? log_.get() : nullptr, window.printAnswer);

    // Form_Load, then the runs, on the run's thread.
    thread_ = new QThread(this);
    thread_->setObjectName(QStringLiteral("lis06c-run"));
    worker_ = new RunWorker(paths, runOptions, *logged_);
    worker_->moveToThread(thread_);
    connect(worker_, &RunWorker::loaded, this, &MainWindow::onLoaded);
    connect(worker_, &RunWorker::ran, this, &MainWindow::onRan);
    thread_->start();
    QMetaObject::invokeMethod(worker_, &RunWorker::load, Qt::QueuedConnection);

    timer1_.setObjectName(QStringLiteral("Timer1"));
    timer1_.setInterval(tickMs);
    connect(&timer1_, &QTimer::timeout, this, &MainWindow::tick);
    timer1_.start();
}

MainWindow::~MainWindow() { stopWorker(); }

void MainWindow::build() {
    auto* top = new QVBoxLayout(this);

    auto* header = new QHBoxLayout;
    QLineEdit* versione = box("versione", this);
    versione->setText(QStringLiteral("V. 3.3.5  05/07/2023"));
    versione->setFixedWidth(px(2400));
    auto* title = new QLabel(QStringLiteral("Importa file Divulgazioni"), this);
    title->setObjectName(QStringLiteral("titolo"));
    QFont titleFont(QStringLiteral("Arial Rounded MT Bold"), 18, QFont::Bold);
    titleFont.setStyleHint(QFont::SansSerif);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);
    QLineEdit* datadw = box("datadw", this);
    QFont dateFont(QStringLiteral("Arial Black"), 12, QFont::Black);
    dateFont.setStyleHint(QFont::SansSerif);
    datadw->setFont(dateFont);
    datadw->setAlignment(Qt::AlignCenter);
    datadw->setFixedWidth(px(2400));
    header->addWidget(versione, 0, Qt::AlignVCenter);
    header->addWidget(title, 1);
    header->addWidget(datadw, 0, Qt::AlignVCenter);
    top->addLayout(header);

    auto* row = new QHBoxLayout;
    for (const Panel& p : panels) {
        auto* frame = new QGroupBox(QString::fromUtf8(p.caption), this);
        frame->setMinimumSize(px(5175), px(6855) - 40);
        auto* grid = new QGridLayout(frame);
        grid->setVerticalSpacing(3);
        int r = 0;
        for (const Field& f : p.records) {
            QLineEdit* e = box(f.box, frame);
            if (f.wide) {
                grid->addWidget(label(f.caption, e, frame), r++, 0, 1, 2);
                grid->addWidget(e, r++, 0, 1, 2);
                continue;
            }
            grid->addWidget(label(f.caption, e, frame), r, 0);
            grid->addWidget(e, r, 1);
            ++r;
        }
        grid->setRowStretch(r++, 1);
        // The two counters at the bottom, in a row of their own.
        auto* counters = new QHBoxLayout;
        for (const Field& f : p.counters) {
            if (counters->count() > 0) counters->addSpacing(10);
            QLineEdit* e = box(f.box, frame);
            e->setAlignment(Qt::AlignRight);
            e->setFixedWidth(px(1000));
            auto* l = label(f.caption, e, frame);
            l->setWordWrap(true);
            counters->addWidget(l, 1);
            counters->addWidget(e);
        }
        grid->addLayout(counters, r++, 0, 1, 2);
        auto* barRow = new QHBoxLayout;
        auto* bar = new QProgressBar(frame);
        bar->setObjectName(QLatin1String(p.bar));
        bar->setRange(0, 20000);
        bar->setValue(0);
        bar->setTextVisible(false);
        QSizePolicy keep = bar->sizePolicy();
        keep.setRetainSizeWhenHidden(true);  // the panel does not jump when the bar comes and goes
        bar->setSizePolicy(keep);
        bar->setVisible(false);  // shown when its stage starts
        auto* shape = new Shape(frame);
        shape->setObjectName(QLatin1String(p.shape));
        barRow->addWidget(bar, 1);
        barRow->addWidget(shape);
        grid->addLayout(barRow, r, 0, 1, 2);
        grid->setColumnStretch(1, 1);
        row->addWidget(frame, 1);
    }
    top->addLayout(row, 1);

    // The caption of the store's data control, where a missing listing is reported.
    auto* variazioni = new QLabel(this);
    variazioni->setObjectName(QStringLiteral("variazioni"));
    variazioni->setFrameShape(QFrame::StyledPanel);
    top->addWidget(variazioni);

    // The status line: the stage in progress, and at the end what the run did.
    auto* status = new QLabel(this);
    status->setObjectName(QLatin1String(WindowView::statusLine));
    status->setWordWrap(true);
    top->addWidget(status);

    resize(px(15645), px(7815));
}

void MainWindow::centre() {
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QRect frame = frameGeometry();
    move(area.left() + area.width() / 2 - frame.width() / 2, area.top() + area.height() / 2 - frame.height() / 2);
}

bool MainWindow::event(QEvent* e) {
    // Centred whenever it is shown or activated.
    if (e->type() == QEvent::Show || e->type() == QEvent::WindowActivate) centre();
    return QWidget::event(e);
}

void MainWindow::tick() {
    if (state_ == State::LoadLater && !view_->dialogOpen()) {
        state_ = State::Loading;
        QMetaObject::invokeMethod(worker_, &RunWorker::load, Qt::QueuedConnection);
        return;
    }
    // One run at a time; none while Form_Load or a message box is still open.
    if (state_ != State::Waiting || view_->dialogOpen()) return;
    state_ = State::Running;
    ++runsStarted_;
    QMetaObject::invokeMethod(worker_, &RunWorker::runOnce, Qt::QueuedConnection);
}

void MainWindow::onLoaded(int result) {
    view_->flush();
    if (result == RunCore::Ready) {
        state_ = State::Waiting;
        // (unless the line already warns that the log file could not be made)
        auto* status = findChild<QLabel*>(QLatin1String(WindowView::statusLine));
        if (status && status->text().isEmpty())
            setStatus(QStringLiteral("Configurazione letta: l'elaborazione parte da sola fra pochi secondi"));
        return;
    }
    if (result == ExitLocked) {
        // The status line says which run holds the root; the timer tries again.
        closedStatus_ = ExitLocked;
        state_ = State::LoadLater;
        return;
    }
    finish(result);
}

void MainWindow::onRan(int result) {
    view_->flush();
    if (result != RunCore::RetryLater && result != ExitLocked) {
        summary_ = worker_->summary();
        runNumber_ = worker_->runNumber();
    }
    if (result == RunCore::RetryLater || result == ExitLocked) {
        // Timer1 stays armed: the next tick looks for the file, or the root, again.
        closedStatus_ = result == ExitLocked ? int(ExitLocked) : int(ExitMissingFile);
        if (result == RunCore::RetryLater)
            setStatus(QStringLiteral("In attesa del file della catena: nuovo tentativo ogni %1 secondi")
                          .arg(qMax(1, timer1_.interval() / 1000)));
        state_ = State::Waiting;
        return;
    }
    finish(result);
}

void MainWindow::setStatus(const QString& text) {
    if (auto* status = findChild<QLabel*>(QLatin1String(WindowView::statusLine)))
        status->setText(trial_ ? kTrialMark + QStringLiteral(" · ") + text : text);
}

void MainWindow::finish(int status) {
    exitStatus_ = status;
    if (logFile_) log_->finish(status, summary_ ? &*summary_ : nullptr, runNumber_, elapsed_.nsecsElapsed() / 1e9);
    timer1_.stop();
    view_->flush();
    stopWorker();
    state_ = State::Closed;
    close();
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (state_ == State::Closed) {
        e->accept();
        return;
    }
    const bool between = state_ == State::Waiting || state_ == State::LoadLater;
    if (!between || view_->dialogOpen()) {
        // A run is written unit by unit to its end; it cannot be left half-way.
        e->ignore();
        return;
    }
    // Closed by the user between runs: the run did not reach its end.
    exitStatus_ = closedStatus_;
    if (logFile_) log_->finish(exitStatus_, nullptr, 0, elapsed_.nsecsElapsed() / 1e9);
    timer1_.stop();
    stopWorker();
    state_ = State::Closed;
    e->accept();
}

void MainWindow::stopWorker() {
    if (!thread_ || !worker_) return;
    if (thread_->isRunning()) {
        // The databases were opened on the run's thread and are closed there.
        QMetaObject::invokeMethod(worker_, &RunWorker::shutdown, Qt::BlockingQueuedConnection);
        thread_->quit();
        thread_->wait();
    }
    delete worker_;
    worker_ = nullptr;
}

int runWindow(const Paths& paths, const RunOptions& options, const WindowOptions& windowOptions) {
    MainWindow window(paths, options, MainWindow::defaultTickMs(), windowOptions);
    window.show();
    QApplication::exec();
    return window.exitStatus();
}
