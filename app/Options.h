#pragma once
// The command line and the configuration file (--config FILE, else
// /etc/lis06c.conf when present), merged into what the program is to do.
// The command line wins over the file.
#include "run/RunConfig.h"
#include "run/StoreSetup.h"
#include "shell/Headless.h"

#include <QCommandLineParser>
#include <QProcessEnvironment>
#include <QStringList>
#include <optional>

struct ProgramOptions {
    enum class Mode { Window, Headless, Init, ImportMdb, History, ReportRun, UndoLastRun, Help, Version };
    Mode mode = Mode::Window;
    Paths paths;
    RunOptions run;
    OutputOptions output;
    std::optional<bool> printAnswer;  // --print
    bool json = false;
    StoreSetup setup;     // --init --supplier --year
    qint64 reportRun = 0;  // --report-run N
    QString importFile;    // --import-mdb FILE --into store|chain [--replace]
    QString importInto;
    bool importReplace = false;
    bool force = false;    // --undo-last-run --force
    QString configFile;    // the configuration file read; empty when none
};

class CommandLine {
public:
    CommandLine();

    // `arguments` with the program's name first. Nullopt, with error(), on a
    // mistake in the arguments or in the configuration file.
    std::optional<ProgramOptions> parse(const QStringList& arguments, const QProcessEnvironment& environment,
                                        const QString& defaultConfig = QStringLiteral("/etc/lis06c.conf"));
    const QString& error() const { return error_; }

    // The options, the configuration keys and the exit statuses.
    QString helpText() const;

private:
    bool readConfig(const QString& path, ProgramOptions& options);

    QCommandLineParser parser_;
    QString error_;
};

// The configuration file's keys, with their meaning (for --help).
struct ConfigKey {
    const char* key;
    const char* meaning;
};
const std::vector<ConfigKey>& configKeys();

// Whether the arguments ask for something that never opens the window: read
// before the application exists, since that choice decides how it starts.
bool wantsNoWindow(int argc, char** argv);
