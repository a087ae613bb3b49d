// The program as a store's technician and its scheduler use it, on generated
// stores: the JSON line and the summary against the rows the run wrote, the
// run history and a past run's report, a new store set up from an empty
// folder, and the processing log of a run that was killed.
#include "generator/Generator.h"

#include "Program.h"
#include "db/Database.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The program's folder, for tests started by hand as well as by ctest.
[[maybe_unused]] const bool binaryDir = [] {
    if (qEnvironmentVariableIsEmpty("LIS06C_BINARY_DIR")) qputenv("LIS06C_BINARY_DIR", LIS06C_TEST_BINARY_DIR);
    return true;
}();

Paths generate(const QString& root) {
    gen::Sizes sizes = gen::Sizes::demo();
    sizes.seed = 11;
    const Paths paths{root};
    gen::Generator(sizes).write(paths);
    return paths;
}

QJsonObject lastJsonLine(const ProgramResult& r) {
    const QStringList lines = r.out.trimmed().split(QLatin1Char('\n'));
    return QJsonDocument::fromJson(lines.last().toUtf8()).object();
}

qint64 scalar(const Paths& paths, const QString& sql) {
    auto store = db::Database::open(paths.storeDb(), QStringLiteral("store"));
    db::Query q = store->prepare(sql);
    return q.first() ? q.value(0).toLongLong() : -1;
}

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return QStringLiteral("pdftotext failed on ") + pdf;
    return QString::fromUtf8(p.readAllStandardOutput());
}

QStringList args(std::initializer_list<QString> list) { return QStringList(list); }

}  // namespace

TEST(Operations, SummaryJsonHistoryAndPastReport) {
    QTemporaryDir dir;
    const Paths paths = generate(dir.path());
    const qint64 articlesBefore = scalar(paths, QStringLiteral("SELECT count(*) FROM listi01"));
    const QString pdf = dir.filePath(QStringLiteral("rapporto.pdf"));

    // Without XDG_RUNTIME_DIR, as under cron: Qt's complaint stays out of the output.
    const ProgramResult r = runProgram(args({"--json", "--print", "yes", "--pdf", pdf, "--root", paths.root}), {},
                                       120000, {QStringLiteral("XDG_RUNTIME_DIR")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    for (const char* noise : {"XDG_RUNTIME_DIR", "ProgressBar", "elaboraw", "datadw", "Shape"})
        EXPECT_FALSE(r.err.contains(QLatin1String(noise))) << noise << "\n" << r.err.toStdString();
    for (const char* stage : {"Catalogo: inizio", "Articoli: inizio", "Documenti: inizio", "Promozioni: inizio",
                              "Stampa: inizio", "Riepilogo della corsa nr. 1", "Fine: esito 0"})
        EXPECT_TRUE(r.err.contains(QLatin1String(stage))) << stage << "\n" << r.err.toStdString();

    // The counts of the JSON line are the rows the run wrote.
    const QJsonObject j = lastJsonLine(r);
    ASSERT_FALSE(j.isEmpty()) << r.out.toStdString();
    const struct {
        const char* key;
        QString sql;
    } counts[] = {
        {"documents_received", "SELECT count(*) FROM testaof"},
        {"stock_lines", "SELECT count(*) FROM ordinif"},
        {"offers_created", "SELECT count(*) FROM offte"},
        {"offer_lines", "SELECT count(*) FROM offmo"},
        {"articles_updated", "SELECT count(*) FROM variatidivulgazioni WHERE tipoelaborazione = 'B' AND tipoagg = 'A'"},
        {"articles_created", QStringLiteral("SELECT count(*) - %1 FROM listi01").arg(articlesBefore)},
    };
    for (const auto& c : counts) {
        EXPECT_EQ(j.value(QLatin1String(c.key)).toInteger(-1), scalar(paths, c.sql)) << c.key;
        EXPECT_GT(j.value(QLatin1String(c.key)).toInteger(-1), 0) << c.key;
    }
    for (const char* zero : {"documents_held_back", "documents_revised", "refused_lines"})
        EXPECT_EQ(j.value(QLatin1String(zero)).toInteger(-1), 0) << zero;
    EXPECT_EQ(j.value(QStringLiteral("status")).toInt(-1), 0);
    EXPECT_EQ(j.value(QStringLiteral("report")).toString(), pdf);
    EXPECT_EQ(j.value(QStringLiteral("run")).toInt(), 1);
    EXPECT_GT(j.value(QStringLiteral("seconds")).toDouble(), 0);
    EXPECT_EQ(j.value(QStringLiteral("file_bytes")).toInteger(), QFileInfo(paths.chainFile()).size());
    // The run's log file holds what standard error said.
    const QString logPath = j.value(QStringLiteral("log")).toString();
    ASSERT_TRUE(logPath.startsWith(paths.root + QStringLiteral("/nelv/log/lis06c-"))) << logPath.toStdString();
    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(log.readAll()).trimmed()));

    // The history lists the run, in words and as JSON, with the same counts.
    ProgramResult h = runProgram(args({"--history", "--root", paths.root}));
    ASSERT_EQ(h.exitCode, 0) << h.err.toStdString();
    EXPECT_TRUE(h.out.contains(QRegularExpression(QStringLiteral("\\n\\s+1\\s+\\d{4}-\\d\\d-\\d\\d .*  0 "))))
        << h.out.toStdString();
    h = runProgram(args({"--history", "--json", "--root", paths.root}));
    const QJsonArray runs = QJsonDocument::fromJson(h.out.toUtf8()).array();
    ASSERT_EQ(runs.size(), 1) << h.out.toStdString();
    for (const auto& c : counts)
        EXPECT_EQ(runs[0].toObject().value(QLatin1String(c.key)), j.value(QLatin1String(c.key))) << c.key;

    // The past run's report is the report that was printed, page for page.
    const QString again = dir.filePath(QStringLiteral("ristampa.pdf"));
    // A later run starts a new log; the past run's report does not change.
    ASSERT_EQ(runProgram(args({"--headless", "--root", paths.root})).exitCode, 0);
    const ProgramResult p = runProgram(args({"--report-run", "1", "--pdf", again, "--root", paths.root}));
    ASSERT_EQ(p.exitCode, 0) << p.err.toStdString();
    const QString printed = pdfText(pdf);
    EXPECT_TRUE(printed.contains(QStringLiteral("DOCUMENTO NR."))) << printed.toStdString();
    EXPECT_EQ(pdfText(again), printed);

    const ProgramResult missing = runProgram(args({"--report-run", "7", "--pdf", again, "--root", paths.root}));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("--history"))) << missing.err.toStdString();
}

TEST(Operations, NewStoreFromAnEmptyFolderThenARealRun) {
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("negozio"));
    ProgramResult init = runProgram(args({"--init", "--supplier", "4321", "--root", root}));
    ASSERT_EQ(init.exitCode, 0) << init.err.toStdString();
    EXPECT_TRUE(init.err.contains(QStringLiteral("numeri: numerazione FA"))) << init.err.toStdString();

    // The chain's file arrives (taken from a generated store of the same supplier).
    QTemporaryDir source;
    ASSERT_TRUE(QFile::copy(generate(source.path()).chainFile(), root + QStringLiteral("/nelv/acq_var.txt")));
    const ProgramResult r = runProgram(args({"--json", "--root", root}));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject j = lastJsonLine(r);
    EXPECT_EQ(j.value(QStringLiteral("documents_received")).toInt(), 3) << r.out.toStdString();
    EXPECT_EQ(j.value(QStringLiteral("offers_created")).toInt(), 3) << r.out.toStdString();
    EXPECT_GT(j.value(QStringLiteral("articles_created")).toInt(), 0) << r.out.toStdString();
    const Paths paths{root};
    EXPECT_EQ(scalar(paths, QStringLiteral("SELECT min(numero) FROM testaof")), 1);

    // Setting up again changes nothing; a new year gets its numbering.
    init = runProgram(args({"--init", "--supplier", "4321", "--year", "2031", "--root", root}));
    ASSERT_EQ(init.exitCode, 0) << init.err.toStdString();
    EXPECT_EQ(scalar(paths, QStringLiteral("SELECT count(*) FROM numeri WHERE anno = 2031")), 3);
    EXPECT_EQ(scalar(paths, QStringLiteral("SELECT count(*) FROM utenti")), 1);
}

TEST(Operations, ALogCutShortByAKillIsKeptForTheRerun) {
    QTemporaryDir dir;
    const Paths pristine = generate(dir.filePath(QStringLiteral("pristine")));
    const ProgramResult counted =
        runProgram(args({"--headless", "--root", pristine.root}), [] {
            QProcessEnvironment e;
            e.insert(QStringLiteral("LIS06C_REPORT_WRITES"), QStringLiteral("1"));
            return e;
        }());
    ASSERT_EQ(counted.exitCode, 0) << counted.err.toStdString();
    const auto m = QRegularExpression(QStringLiteral("lis06c: writes (\\d+)")).match(counted.err);
    ASSERT_TRUE(m.hasMatch());
    const qint64 documents = scalar(pristine, QStringLiteral("SELECT count(*) FROM testaof"));

    // A fresh store, killed at its last offer document: every document is in.
    const Paths root = generate(dir.filePath(QStringLiteral("killed")));
    QProcessEnvironment kill;
    kill.insert(QStringLiteral("LIS06C_KILL_AFTER_WRITES"), QString::number(m.captured(1).toLongLong() - 3));
    const ProgramResult killed = runProgram(args({"--headless", "--root", root.root}), kill);
    ASSERT_TRUE(killed.crashed || killed.exitCode == 137) << killed.exitCode << killed.err.toStdString();
    const qint64 keptRows = scalar(root, QStringLiteral("SELECT count(*) FROM variatidivulgazioni"));
    ASSERT_EQ(scalar(root, QStringLiteral("SELECT count(*) FROM variatidivulgazioni WHERE tipoagg = 'F'")), documents);
    // Its log file has every line up to the kill.
    const QStringList logs = QDir(root.root + QStringLiteral("/nelv/log")).entryList(QDir::Files);
    ASSERT_EQ(logs.size(), 1);
    QFile log(root.root + QStringLiteral("/nelv/log/") + logs.first());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString lines = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(lines.contains(QStringLiteral("Promozioni: inizio"))) << lines.toStdString();
    EXPECT_FALSE(lines.contains(QStringLiteral("Fine:"))) << lines.toStdString();

    // The rerun appends to the log: its report still has the documents the
    // killed run received, which the rerun itself skips.
    const ProgramResult rerun = runProgram(args({"--headless", "--root", root.root}));
    ASSERT_EQ(rerun.exitCode, 0) << rerun.err.toStdString();
    EXPECT_EQ(scalar(root, QStringLiteral("SELECT count(*) FROM variatidivulgazioni WHERE tipoagg = 'F'")), documents);
    EXPECT_GT(scalar(root, QStringLiteral("SELECT count(*) FROM variatidivulgazioni")), keptRows);
    EXPECT_EQ(scalar(root, QStringLiteral("SELECT count(*) FROM lis06c_storico_variatidivulgazioni "
                                          "WHERE esecuzione = 1")),
              keptRows);
    const ProgramResult history = runProgram(args({"--history", "--root", root.root}));
    EXPECT_TRUE(history.out.contains(QStringLiteral("interrotta"))) << history.out.toStdString();

    // The run after a finished one starts a new log.
    ASSERT_EQ(runProgram(args({"--headless", "--root", root.root})).exitCode, 0);
    EXPECT_EQ(scalar(root, QStringLiteral("SELECT count(*) FROM variatidivulgazioni WHERE tipoagg = 'F'")), 0);
}
