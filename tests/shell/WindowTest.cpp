// The window lis06c under the offscreen platform: its widgets, Form_Load at
// creation, the timer's runs on their own thread, message boxes and the rate
// at which the boxes are repainted.
#include "FileDigests.h"
#include "RecordBuilder.h"
#include "TestRoot.h"
#include "run/RootLock.h"
#include "shell/MainWindow.h"
#include "shell/WindowView.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "shell_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* a = [] {
        auto* created = new QApplication(argc, argv);
        created->setQuitOnLastWindowClosed(false);
        return created;
    }();
    return *a;
}

bool waitFor(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

// Answers every message box with its default button after `holdMs`, and
// remembers what each one showed.
class Answerer : public QObject {
public:
    explicit Answerer(int holdMs = 0) : holdMs_(holdMs) {
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        timer_.start(10);
    }
    struct Seen {
        QString text;
        QMessageBox::Icon icon;
        QString defaultButton;
    };
    QList<Seen> seen;
    bool clickYes = false;
    std::function<void()> onSeen;  // called as each box appears, inside its own event loop

private:
    void poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->property("answered").toBool()) return;
        if (box != current_) {
            current_ = box;
            since_.start();
            seen << Seen{box->text(), box->icon(),
                         box->defaultButton() ? box->defaultButton()->text() : QString()};
            if (onSeen) onSeen();
        }
        if (since_.elapsed() < holdMs_) return;
        current_ = nullptr;
        box->setProperty("answered", true);
        if (clickYes && box->button(QMessageBox::Yes))
            box->button(QMessageBox::Yes)->click();
        else if (box->defaultButton())
            box->defaultButton()->click();
        else
            box->reject();
    }
    int holdMs_;
    QTimer timer_;
    QElapsedTimer since_;
    QMessageBox* current_ = nullptr;
};

const QString noSupplier =
    QStringLiteral("Attenzione, codice fornitore NELV non inserito in tabella Dati Societa/Affiliazione");

}  // namespace

TEST(Window, EveryNamedWidgetWithItsCaption) {
    app();
    TestRoot root;
    root.exec(root.store(), QStringLiteral("INSERT INTO automa (codice, art1, art2, art3) VALUES (2, '0', '01', '1')"));
    root.exec(root.store(), QStringLiteral("INSERT INTO variatidivulgazioni (codart) VALUES (3)"));
    root.close();

    MainWindow w(root.paths(), {}, 600000);
    w.show();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Elaborazione file"));
    auto* title = w.findChild<QLabel*>(QStringLiteral("titolo"));
    ASSERT_TRUE(title);
    EXPECT_EQ(title->text(), QStringLiteral("Importa file Divulgazioni"));
    EXPECT_EQ(title->font().family(), QStringLiteral("Arial Rounded MT Bold"));
    auto* versione = w.findChild<QLineEdit*>(QStringLiteral("versione"));
    ASSERT_TRUE(versione);
    EXPECT_EQ(versione->text(), QStringLiteral("V. 3.3.5  05/07/2023"));
    auto* datadw = w.findChild<QLineEdit*>(QStringLiteral("datadw"));
    ASSERT_TRUE(datadw);
    EXPECT_EQ(datadw->font().family(), QStringLiteral("Arial Black"));

    struct Expected {
        const char* panel;
        QList<std::pair<const char*, const char*>> boxes;  // caption, name
        const char* bar;
        const char* shape;
        bool red;
    };
    const QList<Expected> expected = {
        {"Articoli",
         {{"Ean", "c2w"}, {"Codice", "codartw"}, {"Nr.Rec.elab.", "cntw"}, {"Descrizione", "c3w"}, {"Costo", "c4w"},
          {"Iva", "c5w"}, {"Prezzo Ven.", "c6w"}, {"Gruppo", "desgruw"}, {"Sottogruppo", "Text2"},
          {"Nuovi articoli Creati", "cntcw"}, {"Articoli Elaborati", "cntaw"}},
         "ProgressBar2", "Shape1", false},
        {"Documenti(DDT/Fatture)",
         {{"Ean", "d2w"}, {"Codice", "d1w"}, {"Nr.Rec.elab.", "cntfw"}, {"Descrizione", "d3w"}, {"Costo", "d4w"},
          {"Iva", "d5w"}, {"Prezzo Ven.", "d6w"}, {"Gruppo", "d7w"}, {"Sottogruppo", "d8w"},
          {"Elaborazione in corso", "elaboraw"}, {"Nuovi articoli Creati", "cntcfw"},
          {"Articoli Aggiornati", "cntafw"}},
         "ProgressBar1", "Shape2", true},
        {"Promozioni",
         {{"Ean", "e2w"}, {"Codice", "e1w"}, {"Nr.Rec.elab.", "cntpw"}, {"Descrizione", "e3w"}, {"Costo", "e4w"},
          {"Iva", "e5w"}, {"Prezzo Ven.", "e6w"}, {"Gruppo", "e7w"}, {"Sottogruppo", "e8w"}, {"Nr.Promo", "e9w"},
          {"Descrizione Promo", "e10w"}, {"Articoli Caricati", "CNTcPW"}, {"Articoli non trovati", "cntAPw"}},
         "ProgressBar3", "Shape3", false},
    };

    // Form_Load runs as the window is created: circles and the emptied log.
    ASSERT_TRUE(waitFor([&] {
        auto* s = w.findChild<Shape*>(QStringLiteral("Shape2"));
        return s && s->fillColor() == Shape::red();
    }));
    EXPECT_EQ(root.count(root.store(), "variatidivulgazioni"), 0);
    EXPECT_EQ(w.runsStarted(), 0);

    QList<QGroupBox*> frames = w.findChildren<QGroupBox*>();
    ASSERT_EQ(frames.size(), 3);
    QSet<QString> names;
    for (const Expected& e : expected) {
        QGroupBox* frame = nullptr;
        for (QGroupBox* f : frames)
            if (f->title() == QString::fromUtf8(e.panel)) frame = f;
        ASSERT_TRUE(frame) << e.panel;
        for (const auto& [caption, name] : e.boxes) {
            auto* box = frame->findChild<QLineEdit*>(QString::fromLatin1(name));
            ASSERT_TRUE(box) << name;
            EXPECT_TRUE(box->isReadOnly()) << name;
            names.insert(QString::fromLatin1(name));
            QString shown;
            for (QLabel* l : frame->findChildren<QLabel*>())
                if (l->buddy() == box) shown = l->text();
            EXPECT_EQ(shown, QString::fromUtf8(caption)) << name;
        }
        auto* bar = frame->findChild<QProgressBar*>(QString::fromLatin1(e.bar));
        ASSERT_TRUE(bar) << e.bar;
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 20000);
        auto* shape = frame->findChild<Shape*>(QString::fromLatin1(e.shape));
        ASSERT_TRUE(shape) << e.shape;
        EXPECT_EQ(shape->fillColor(), e.red ? QColor(255, 0, 0) : QColor(0, 255, 0)) << e.shape;
    }
    EXPECT_EQ(names.size(), 36);  // no name given twice
    // Every box a stage may set is on the window.
    for (const Box b : kAllBoxes) EXPECT_TRUE(w.findChild<QWidget*>(QString::fromLatin1(nameOf(b)))) << nameOf(b);

    // The boxes follow what the run sets, through the next refresh.
    w.view().setText(Box::cntw, QStringLiteral("1.234"));
    w.view().setProgress(Bar::ProgressBar2, 25000);
    w.view().setVisible(Bar::ProgressBar2, true);
    w.view().setText(Box::variazioni, QStringLiteral("????? Articolo non trovato"));
    ASSERT_TRUE(waitFor([&] { return w.findChild<QLineEdit*>(QStringLiteral("cntw"))->text() == QStringLiteral("1.234"); }));
    EXPECT_EQ(w.findChild<QProgressBar*>(QStringLiteral("ProgressBar2"))->value(), 20000);
    EXPECT_TRUE(w.findChild<QProgressBar*>(QStringLiteral("ProgressBar2"))->isVisible());
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("variazioni"))->text(), QStringLiteral("????? Articolo non trovato"));

    // Closed by the user before the first tick.
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(w.finished());
    EXPECT_EQ(w.exitStatus(), 0);
}

TEST(Window, NoSupplierCodeShowsTheMessageAndCloses) {
    app();
    TestRoot root(0);
    root.exec(root.store(), QStringLiteral("INSERT INTO variatidivulgazioni (codart) VALUES (3)"));
    root.close();
    Answerer answerer(300);  // the box stays open across several ticks
    MainWindow w(root.paths(), {}, 20);
    w.show();
    ASSERT_TRUE(waitFor([&] { return w.finished(); }));
    EXPECT_EQ(w.exitStatus(), 2);
    ASSERT_EQ(answerer.seen.size(), 1);
    EXPECT_EQ(answerer.seen[0].text, noSupplier);
    EXPECT_EQ(answerer.seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(w.runsStarted(), 0);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(root.count(root.store(), "variatidivulgazioni"), 0);
}

TEST(Window, WaitsForTheChainFileThenRunsOnce) {
    app();
    TestRoot root;
    root.close();
    Answerer answerer;
    MainWindow w(root.paths(), {}, 40);
    w.show();
    // Without the file each tick tries again; the window stays open.
    ASSERT_TRUE(waitFor([&] { return w.runsStarted() >= 3; }));
    EXPECT_FALSE(w.finished());
    EXPECT_TRUE(w.isVisible());

    root.writeChainFile({});
    ASSERT_TRUE(waitFor([&] { return w.finished(); }));
    EXPECT_EQ(w.exitStatus(), 0);
    for (const Answerer::Seen& s : answerer.seen) {
        if (s.icon == QMessageBox::Question)
            EXPECT_EQ(QString(s.defaultButton).remove(QLatin1Char('&')), QStringLiteral("No")) << s.text.toStdString();
        else
            EXPECT_EQ(s.icon, QMessageBox::Critical) << s.text.toStdString();
    }
    // Once finished no tick starts another run.
    const int runs = w.runsStarted();
    waitFor([] { return false; }, 200);
    EXPECT_EQ(w.runsStarted(), runs);
}

TEST(Window, ErrorsShowTheirMessageAndSetTheExitStatus) {
    app();
    {
        TestRoot root;
        root.close();
        QFile::remove(root.paths().chainDb());
        Answerer answerer;
        MainWindow w(root.paths(), {}, 20);
        w.show();
        ASSERT_TRUE(waitFor([&] { return w.finished(); }));
        EXPECT_EQ(w.exitStatus(), 3);
        ASSERT_EQ(answerer.seen.size(), 1);
        EXPECT_TRUE(answerer.seen[0].text.contains(root.paths().chainDb())) << answerer.seen[0].text.toStdString();
        EXPECT_EQ(answerer.seen[0].icon, QMessageBox::Critical);
        EXPECT_EQ(w.runsStarted(), 0);
    }
    {
        TestRoot root;
        root.exec(root.store(), QStringLiteral("ALTER TABLE automa DROP COLUMN art2"));
        root.close();
        Answerer answerer;
        MainWindow w(root.paths(), {}, 20);
        ASSERT_TRUE(waitFor([&] { return w.finished(); }));
        EXPECT_EQ(w.exitStatus(), 4);
        ASSERT_EQ(answerer.seen.size(), 1);
        EXPECT_TRUE(answerer.seen[0].text.contains(QStringLiteral("art2")));
    }
}

TEST(Window, ViewRefreshRateAndBlockingMessages) {
    app();
    QWidget window;
    auto* box = new QLineEdit(&window);
    auto* bar = new QProgressBar(&window);
    bar->setRange(0, 20000);
    WindowView view({{"cntw", box}, {"ProgressBar2", bar}}, &window);

    // A run that sets its boxes as fast as it can, for about a second.
    std::atomic<bool> stop = false;
    std::atomic<int> sets = 0;
    std::thread run([&] {
        for (int i = 1; !stop; ++i) {
            view.setText(Box::cntw, QString::number(i));
            view.setProgress(Bar::ProgressBar2, i % 20000);
            sets = i;
        }
        view.setText(Box::cntw, QStringLiteral("fine"));
    });
    const int before = view.refreshes();
    QElapsedTimer clock;
    clock.start();
    waitFor([] { return false; }, 1000);
    stop = true;
    run.join();
    const double perSecond = (view.refreshes() - before) * 1000.0 / clock.elapsed();
    EXPECT_GT(sets, 10000);
    EXPECT_GE(perSecond, 20.0);  // 30 a second on an idle machine
    EXPECT_LE(perSecond, 60.0);
    waitFor([&] { return box->text() == QStringLiteral("fine"); }, 1000);
    EXPECT_EQ(box->text(), QStringLiteral("fine"));  // the last value wins

    // A message from the run's thread waits for OK; the question's default is No.
    Answerer answerer(200);
    std::atomic<int> step = 0;
    bool answer = true;
    QList<std::pair<bool, int>> whileOpen;  // dialogOpen and the run's step, as each box shows
    answerer.onSeen = [&] { whileOpen << std::make_pair(view.dialogOpen(), int(step)); };
    std::thread asker([&] {
        view.message(QStringLiteral("primo"));
        step = 1;
        answer = view.ask(QStringLiteral("Stampo?"), QStringLiteral("Stampa"));
        step = 2;
    });
    ASSERT_TRUE(waitFor([&] { return step == 2; }));
    asker.join();
    EXPECT_FALSE(answer);
    ASSERT_EQ(answerer.seen.size(), 2);
    EXPECT_EQ(answerer.seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(answerer.seen[1].icon, QMessageBox::Question);
    EXPECT_EQ(QString(answerer.seen[1].defaultButton).remove(QLatin1Char('&')), QStringLiteral("No"));
    // The run's thread waited at each box until it was answered.
    EXPECT_EQ(whileOpen, (QList<std::pair<bool, int>>{{true, 0}, {true, 1}}));
    EXPECT_FALSE(view.dialogOpen());

    answerer.clickYes = true;
    std::thread yes([&] { answer = view.ask(QStringLiteral("Stampo?"), QStringLiteral("Stampa")); step = 3; });
    ASSERT_TRUE(waitFor([&] { return step == 3; }));
    yes.join();
    EXPECT_TRUE(answer);
}

TEST(Window, WaitsWhileAnotherRunHoldsTheRootThenRuns) {
    app();
    TestRoot root;
    root.writeChainFile({});
    root.close();
    RootLock other(root.paths());
    ASSERT_TRUE(other.acquire());
    Answerer answerer;
    MainWindow w(root.paths(), {}, 20);
    w.show();
    auto* status = w.findChild<QLabel*>(QStringLiteral("variazioni"));
    ASSERT_TRUE(status);
    // No message box to click away: the status line says why it waits, the timer tries again.
    ASSERT_TRUE(waitFor([&] { return status->text().contains(QStringLiteral("Un'altra elaborazione")); }));
    waitFor([] { return false; }, 200);
    EXPECT_FALSE(w.finished());
    EXPECT_TRUE(answerer.seen.isEmpty());
    other.release();
    ASSERT_TRUE(waitFor([&] { return w.finished(); }));
    EXPECT_EQ(w.exitStatus(), 0);
    EXPECT_EQ(status->text(), QString());
}

TEST(Window, WaitsForAFileStillBeingCopied) {
    app();
    TestRoot root;
    root.close();
    root.writeChainFile({});
    RunOptions options;
    options.settleSeconds = 3;
    Answerer answerer;
    MainWindow w(root.paths(), options, 40);
    w.show();
    auto* status = w.findChild<QLabel*>(QStringLiteral("variazioni"));
    ASSERT_TRUE(status);
    ASSERT_TRUE(waitFor([&] { return status->text().contains(QStringLiteral("In attesa che il file")); }));
    EXPECT_FALSE(w.finished());
    ASSERT_TRUE(waitFor([&] { return w.finished(); }));
    EXPECT_EQ(w.exitStatus(), 0);
}

TEST(Window, SummaryWhileThePrintQuestionIsOpenAndAPresetAnswer) {
    app();
    {
        // Asked: the status line already says what the run did.
        TestRoot root;
        root.writeChainFile({});
        root.close();
        Answerer answerer;
        QString statusWhileAsked;
        MainWindow w(root.paths(), {}, 20);
        answerer.onSeen = [&] {
            if (answerer.seen.last().icon == QMessageBox::Question)
                statusWhileAsked = w.findChild<QLabel*>(QLatin1String(WindowView::statusLine))->text();
        };
        w.show();
        ASSERT_TRUE(waitFor([&] { return w.finished(); }));
        EXPECT_TRUE(statusWhileAsked.startsWith(QStringLiteral("Articoli 0 aggiornati, 0 creati"))) << statusWhileAsked.toStdString();
        EXPECT_TRUE(statusWhileAsked.contains(QStringLiteral("Righe rifiutate 0"))) << statusWhileAsked.toStdString();
    }
    for (const bool print : {false, true}) {
        // Given --print, nothing is asked: the window answers, keeps its log and closes.
        TestRoot root;
        root.writeChainFile({});
        root.close();
        Answerer answerer;
        WindowOptions options;
        options.output.logFolder = root.root() + QStringLiteral("/nelv/log");
        options.printAnswer = print;
        RunOptions run;
        run.pdfPath = root.root() + QStringLiteral("/rapporto.pdf");
        MainWindow w(root.paths(), run, 20, options);
        w.show();
        ASSERT_TRUE(waitFor([&] { return w.finished(); }));
        EXPECT_EQ(w.exitStatus(), 0);
        for (const Answerer::Seen& seen : answerer.seen)  // the store's missing offer type is still told
            EXPECT_NE(seen.icon, QMessageBox::Question) << seen.text.toStdString();
        EXPECT_EQ(QFileInfo::exists(run.pdfPath), print);
        const QStringList logs = QDir(options.output.logFolder).entryList(QDir::Files);
        ASSERT_EQ(logs.size(), 1);
        QFile log(options.output.logFolder + QLatin1Char('/') + logs.first());
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        const QString lines = QString::fromUtf8(log.readAll());
        EXPECT_TRUE(lines.contains(print ? QStringLiteral("elaborati ? Sì") : QStringLiteral("elaborati ? No")))
            << lines.toStdString();
        EXPECT_TRUE(lines.contains(QStringLiteral("Riepilogo della corsa nr. 1"))) << lines.toStdString();
        EXPECT_TRUE(lines.contains(QStringLiteral("Fine: esito 0"))) << lines.toStdString();
    }
}

// A trial in the window: it waits for the chain's file like a real run, works
// on copies made once the file is there, says so in its title, and leaves
// every file of the root as it was (no log file either).
TEST(Window, TrialLeavesTheRootAsItWas) {
    app();
    TestRoot root;
    root.close();
    Answerer answerer;
    WindowOptions options;
    options.output.logFolder = root.root() + QStringLiteral("/nelv/log");
    RunOptions run;
    run.trial = true;
    MainWindow w(root.paths(), run, 40, options);
    w.show();
    EXPECT_TRUE(w.windowTitle().contains(QStringLiteral("PROVA — nessuna modifica")));
    ASSERT_TRUE(waitFor([&] { return w.runsStarted() >= 2; }));
    root.writeChainFile({RecordBuilder("MDA").num(rec::articleCode, 1001).set(rec::mda::description, "PASTA").line()});
    // (The window may hold the root at this moment, and a tick may have a
    // database open with SQLite's side files: the lock goes with the run, and
    // the side files with the connection.)
    const QStringList before = fileDigests(root.root()).filter(
        QRegularExpression(QStringLiteral("^(?!lis06c.lock |.*\\.mdb-(wal|shm) )")));
    ASSERT_TRUE(waitFor([&] { return w.finished(); }));
    EXPECT_TRUE(w.exitStatus() == 0 || w.exitStatus() == 5) << w.exitStatus();
    EXPECT_EQ(fileDigests(root.root()).join('\n').toStdString(), before.join('\n').toStdString());
}
