// lis06c: carries the chain's file into the store database in one unattended run.
#include "Display.h"
#include "Italian.h"
#include "Options.h"
#include "db/Database.h"
#include "mdbimport/ImportMdb.h"
#include "shell/Headless.h"
#include "report/ReportOutput.h"
#include "shell/HistoryCommands.h"
#include "shell/MainWindow.h"
#include "shell/UndoCommand.h"
#include "run/Startup.h"
#include "run/StoreSetup.h"

#include <QApplication>
#include <QDate>
#include <cstdio>
#include <cstdlib>

namespace {

void say(const QString& line, FILE* to = stderr) {
    std::fputs(line.toLocal8Bit().constData(), to);
    std::fputc('\n', to);
}

// Qt's own warnings (no XDG_RUNTIME_DIR, a font, the platform) are not the
// store's business: they stay out of the run's output unless asked for.
void quietQt(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg || qEnvironmentVariableIntValue("LIS06C_QT_MESSAGES") == 1)
        say(message);
    if (type == QtFatalMsg) std::abort();
}

int init(const ProgramOptions& options) {
    try {
        for (const QString& line : initRoot(options.paths)) say(line);
        if (options.setup.supplier || options.setup.year) {
            auto store = db::Database::open(options.paths.storeDb(), QStringLiteral("Quarn (negozio)"));
            const QStringList done = setUpStore(*store, options.setup, QDate::currentDate().year());
            for (const QString& line : done) say(line);
            if (done.isEmpty()) say(QStringLiteral("configurazione del negozio già completa"));
        }
        return ExitFinished;
    } catch (const db::Error& e) {
        say(e.message());
        return exitStatusFor(e);
    }
}

}  // namespace

int main(int argc, char** argv) {
    db::Database::configureLibrary();
    qInstallMessageHandler(quietQt);
    bool headless = wantsNoWindow(argc, argv);
    // Started by cron or over ssh there is no display: run as --headless would.
    const bool noDisplay = !headless && !displayAvailable(QProcessEnvironment::systemEnvironment());
    if (noDisplay) {
        say(QStringLiteral("nessun display: eseguo senza finestra"));
        headless = true;
    }
    // A headless run needs no display, but the report still draws with fonts.
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lis06c"));
    QApplication::setApplicationVersion(QStringLiteral(LIS06C_VERSION));
    loadItalian(app);

    CommandLine commandLine;
    const std::optional<ProgramOptions> parsed =
        commandLine.parse(QApplication::arguments(), QProcessEnvironment::systemEnvironment());
    if (!parsed) {
        say(commandLine.error());
        return ExitOtherError;
    }
    const ProgramOptions& options = *parsed;
    // A mistyped report target must never cost a database: refused before anything runs.
    if (const QString refused = refusedReportTarget(options.paths, options.run.pdfPath);
        !options.run.pdfPath.isEmpty() && !refused.isEmpty()) {
        say(refused);
        return ExitOtherError;
    }

    switch (options.mode) {
    case ProgramOptions::Mode::Help:
        std::fputs(commandLine.helpText().toLocal8Bit().constData(), stdout);
        return ExitFinished;
    case ProgramOptions::Mode::Version:
        say(QStringLiteral("lis06c ") + QStringLiteral(LIS06C_VERSION), stdout);
        return ExitFinished;
    case ProgramOptions::Mode::Init:
        return init(options);
    case ProgramOptions::Mode::ImportMdb:
        return importMdbCommand(options.paths.root, options.importFile, options.importInto, options.importReplace,
                                [](const QString& line) { say(line); });
    case ProgramOptions::Mode::History:
        return listRuns(options.paths, options.json);
    case ProgramOptions::Mode::ReportRun:
        return reprintRun(options.paths, options.reportRun, options.run);
    case ProgramOptions::Mode::UndoLastRun:
        return undoLastRun(options.paths, options.force, QDateTime::currentDateTime(),
                           [](const QString& line) { say(line); });
    case ProgramOptions::Mode::Headless:
    case ProgramOptions::Mode::Window:
        break;
    }

    if (options.mode == ProgramOptions::Mode::Headless || noDisplay) {
        HeadlessOptions headlessOptions;
        headlessOptions.paths = options.paths;
        headlessOptions.printAnswer = options.printAnswer.value_or(false);
        headlessOptions.run = options.run;
        headlessOptions.output = options.output;
        headlessOptions.json = options.json;
        return runHeadless(headlessOptions);
    }
    return runWindow(options.paths, options.run, WindowOptions{options.output, options.printAnswer});
}
