// The command line and the configuration file merged: which wins, what each
// key and option sets, and the mistakes that stop the program with a message.
#include "Options.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Expect {
    ProgramOptions::Mode mode = ProgramOptions::Mode::Window;
    QString root;  // relative to the test's folder
    QString logFolder;
    int runsKept = 60;
    // None: the default, 5 unless LIS06C_SETTLE_SECONDS says otherwise (read when compared).
    std::optional<double> settleSeconds;
    qint64 maxFileBytes = defaultMaxFileBytes();
    QString printer;
    QString pdfFolder;
    QString pdf;
    std::optional<bool> print;
    bool json = false;
    bool trial = false;
    int backupsKept = defaultBackupsKept();
};

struct Case {
    const char* name;
    QStringList args;  // "@" stands for the test's folder
    QString config;    // written to the test's folder as lis06c.conf, empty for none
    QString envRoot;   // LIS06C_ROOT
    Expect want;
    const char* error = nullptr;  // a part of the message, when the options are refused
};

}  // namespace

// A row gives the leading fields it checks; the ones after keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

TEST(Options, CommandLineOverConfigurationFileOverDefaults) {
    using M = ProgramOptions::Mode;
    const QString conf = QStringLiteral("root=@/conf\nprinter=HP, Laser 2\npdf_folder=@/pdf\nlog_folder=@/log\n"
                                        "runs_kept=10\nsettle_seconds=2\nmax_file_mb=3\n");
    const Case cases[] = {
        {"defaults", {}, {}, {}, {M::Window, "cwd", "cwd/nelv/log"}},
        {"environment root", {"--headless"}, {}, "@/env", {M::Headless, "env", "env/nelv/log"}},
        {"every key of the file",
         {"--config", "@/lis06c.conf"},
         conf,
         "@/env",
         {M::Window, "conf", "log", 10, 2, qint64(3) << 20, "HP, Laser 2", "pdf"}},
        {"the command line wins",
         {"--config", "@/lis06c.conf", "--root", "@/cmd", "--settle", "0", "--pdf", "@/r.pdf", "--print", "YES"},
         conf,
         {},
         {M::Window, "cmd", "log", 10, 0, qint64(3) << 20, "HP, Laser 2", "pdf", "r.pdf", true}},
        {"json runs headless", {"--json", "--print", "no"}, {}, {}, {M::Headless, "cwd", "cwd/nelv/log", 60, {},
                                                                     defaultMaxFileBytes(), {}, {}, {}, false, true}},
        {"history", {"--history", "--json", "--root", "@/r"}, {}, {}, {M::History, "r", "r/nelv/log", 60, {},
                                                                       defaultMaxFileBytes(), {}, {}, {}, {}, true}},
        {"init", {"--init", "--supplier", "4321", "--year", "2027"}, {}, {}, {M::Init, "cwd", "cwd/nelv/log"}},
        {"report of a past run", {"--report-run", "3", "--pdf", "@/x.pdf"}, {}, {},
         {M::ReportRun, "cwd", "cwd/nelv/log", 60, {}, defaultMaxFileBytes(), {}, {}, "x.pdf"}},
        {"undo the last run", {"--undo-last-run", "--force", "--root", "@/r"}, {}, {},
         {M::UndoLastRun, "r", "r/nelv/log"}},
        {"a trial in the window", {"--dry-run"}, {}, {},
         {M::Window, "cwd", "cwd/nelv/log", 60, {}, defaultMaxFileBytes(), {}, {}, {}, {}, false, true}},
        {"a trial without window", {"--dry-run", "--headless"}, {}, {},
         {M::Headless, "cwd", "cwd/nelv/log", 60, {}, defaultMaxFileBytes(), {}, {}, {}, {}, false, true}},
        {"backups kept from the file", {"--config", "@/lis06c.conf"}, "backups_kept=3\n", {},
         {M::Window, "cwd", "cwd/nelv/log", 60, {}, defaultMaxFileBytes(), {}, {}, {}, {}, false, false, 3}},
        {"help", {"--help"}, {}, {}, {M::Help}},
        {"version", {"--version"}, {}, {}, {M::Version}},
        {"an unknown option", {"--bogus"}, {}, {}, {}, "bogus"},
        {"a stray argument", {"oggi"}, {}, {}, {}, "Argomento inatteso: oggi"},
        {"print neither yes nor no", {"--print", "forse"}, {}, {}, {}, "--print vuole yes oppure no"},
        {"settle not a number", {"--settle", "5s"}, {}, {}, {}, "--settle vuole"},
        {"two commands", {"--init", "--history"}, {}, {}, {}, "non vanno insieme"},
        {"supplier without init", {"--supplier", "1"}, {}, {}, {}, "vanno con --init"},
        {"force without undo", {"--headless", "--force"}, {}, {}, {}, "--force va con --undo-last-run"},
        {"undo with another command", {"--undo-last-run", "--history"}, {}, {}, {}, "non vanno insieme"},
        {"supplier not a code", {"--init", "--supplier", "0"}, {}, {}, {}, "--supplier vuole"},
        {"supplier past a long", {"--init", "--supplier", "2147483648"}, {}, {}, {}, "--supplier vuole"},
        {"year of two digits", {"--init", "--year", "27"}, {}, {}, {}, "--year vuole"},
        {"run number zero", {"--report-run", "0"}, {}, {}, {}, "--report-run vuole"},
        {"a missing configuration file", {"--config", "@/nessuno.conf"}, {}, {}, {}, "non esiste"},
        {"an unknown key", {"--config", "@/lis06c.conf"}, "radice=/srv\n", {}, {}, "chiave sconosciuta \"radice\""},
        {"a key in a section", {"--config", "@/lis06c.conf"}, "[lis06c]\nroot=/srv\n", {}, {}, "lis06c/root"},
        {"runs kept not a number", {"--config", "@/lis06c.conf"}, "runs_kept=molti\n", {}, {}, "runs_kept vuole"},
        {"a trial of a command", {"--dry-run", "--undo-last-run"}, {}, {}, {}, "--dry-run va con una corsa"},
        {"no backup kept", {"--config", "@/lis06c.conf"}, "backups_kept=0\n", {}, {}, "backups_kept vuole"},
        {"file size of zero", {"--config", "@/lis06c.conf"}, "max_file_mb=0\n", {}, {}, "max_file_mb vuole"},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString at = dir.path();
        auto place = [&at](QString s) { return s.replace(QLatin1Char('@'), at); };
        if (!c.config.isEmpty()) {
            QFile f(dir.filePath(QStringLiteral("lis06c.conf")));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(place(c.config).toUtf8());
        }
        QStringList args{QStringLiteral("lis06c")};
        for (const QString& a : c.args) args << place(a);
        QProcessEnvironment env;
        if (!c.envRoot.isEmpty()) env.insert(QStringLiteral("LIS06C_ROOT"), place(c.envRoot));

        CommandLine commandLine;
        // No file in the default place: only the cases that name one read one.
        const std::optional<ProgramOptions> o = commandLine.parse(args, env, dir.filePath(QStringLiteral("none")));
        if (c.error) {
            EXPECT_FALSE(o) << c.name;
            EXPECT_TRUE(commandLine.error().contains(QString::fromUtf8(c.error)))
                << c.name << ": " << commandLine.error().toStdString();
            continue;
        }
        ASSERT_TRUE(o) << c.name << ": " << commandLine.error().toStdString();
        EXPECT_EQ(o->mode, c.want.mode) << c.name;
        if (c.want.mode == M::Help || c.want.mode == M::Version) continue;
        auto path = [&](const QString& p) {
            if (p.isEmpty()) return QString();
            return p.startsWith(QLatin1String("cwd")) ? QDir::currentPath() + p.mid(3) : at + QLatin1Char('/') + p;
        };
        EXPECT_EQ(o->paths.root, path(c.want.root)) << c.name;
        EXPECT_EQ(o->output.logFolder, path(c.want.logFolder)) << c.name;
        EXPECT_EQ(o->output.runsKept, c.want.runsKept) << c.name;
        EXPECT_EQ(o->run.settleSeconds, c.want.settleSeconds.value_or(defaultSettleSeconds())) << c.name;
        EXPECT_EQ(o->run.maxFileBytes, c.want.maxFileBytes) << c.name;
        EXPECT_EQ(o->run.printerName, c.want.printer) << c.name;
        EXPECT_EQ(o->run.pdfFolder, path(c.want.pdfFolder)) << c.name;
        EXPECT_EQ(o->run.pdfPath, path(c.want.pdf)) << c.name;
        EXPECT_EQ(o->printAnswer, c.want.print) << c.name;
        EXPECT_EQ(o->json, c.want.json) << c.name;
        EXPECT_EQ(o->run.trial, c.want.trial) << c.name;
        EXPECT_EQ(o->run.backupsKept, c.want.backupsKept) << c.name;
    }
}

TEST(Options, InitSupplierYearAndHelpText) {
    CommandLine commandLine;
    const auto o = commandLine.parse({"lis06c", "--init", "--supplier", "4321", "--year", "2027"}, {}, "/none");
    ASSERT_TRUE(o);
    EXPECT_EQ(o->setup.supplier, 4321);
    EXPECT_EQ(o->setup.year, 2027);
    const auto r = commandLine.parse({"lis06c", "--report-run", "12"}, {}, "/none");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->reportRun, 12);

    // --help names every key of the file and every exit status.
    const QString help = commandLine.helpText();
    for (const ConfigKey& k : configKeys()) EXPECT_TRUE(help.contains(QLatin1String(k.key))) << k.key;
    for (int status = 0; status <= 6; ++status)
        EXPECT_TRUE(help.contains(QStringLiteral("\n  %1  ").arg(status))) << status;
    for (const QString& line : help.split(QLatin1Char('\n'))) EXPECT_LE(line.size(), 80) << line.toStdString();
}
