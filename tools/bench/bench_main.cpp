// lis06c-bench: generates a root of a given size into a temporary folder,
// runs the whole run on it headless in this process, stage by stage, and sets
// the run's time against floors measured on the same data (see Floors.h):
//   (a) reading the chain's file and splitting every field of every record;
//   (b) plain SQLite through its C API on a fresh copy of the store database,
//       with a page cache that holds it: one indexed lookup per line of the
//       file and as many row writes as the run made.
// floors_s on the last line is (a) + (b), the least any program doing this
// job through SQLite would spend. The writes are counted by the databases'
// write counter; the lookups column is the estimate of the indexed lookups a
// stage needs (the k constants below), to read against its time.
// With --window the same workload, generated again, is then run through the
// window (offscreen unless a display is asked for) and timed against headless.
// The run shows itself as a scheduled run does (its lines to a log file) and
// is recorded in the run history; --no-output leaves both out, to weigh them.
#include "Floors.h"
#include "SafekeepTimes.h"
#include "WindowRun.h"
#include "generator/Generator.h"

#include "catalogue/aggiorno_tutto.h"
#include "catalogue/for2_lis.h"
#include "db/Database.h"
#include "articles/creo_art_nuovo_forni.h"
#include "db/ProcessingLog.h"
#include "chainfile/LineErrors.h"
#include "documents/elabora3.h"
#include "documents/elaborap.h"
#include "promotions/ElaboraPromozioni.h"
#include "promotions/creo_off.h"
#include "run/Form_Load.h"
#include "run/Run.h"
#include "run/RunHistory.h"
#include "run/Startup.h"
#include "shell/ConsoleView.h"
#include "shell/LogFolder.h"

#include <QCommandLineParser>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QDir>
#include <cstdio>
#include <malloc.h>
#include <sqlite3.h>
#include <functional>
#include <sys/resource.h>
#include <vector>

namespace {

// Indexed lookups a record needs at the least, per stage:
//  catalogue import: "TAB" 2 (chain and store), "MDA" 4 (subgroup, group,
//    department, chain article), "MHA" 2 (chain article, chain EAN), "MHE" 1;
//  store update, per article: 10 (group, price list, article by chain code,
//    article by store code, department, subgroup, group, unit, chain EANs,
//    store EANs of the article) plus 1 per EAN;
//  documents, per line: 7 for staging (EAN, price list, EAN seek, article,
//    subfamily, group, department) and 5 for receiving (chain article, article
//    by chain code, EAN, article and EAN for stock);
//  promotions, per "OFD" line: 8 (header, chain article, chain EANs, store
//    EAN, article, offer kind, store EANs of the article, last line) plus 2
//    per EAN of the article (1.5 on average);
//  offer documents, per staged line: 3 (article, offer kind, duplicate line).
constexpr double kTab = 2, kMda = 4, kMha = 2, kMhe = 1;
constexpr double kArticle = 10, kArticleEan = 1;
constexpr double kBle = 12;
constexpr double kOfd = 8 + 2 * 1.5;
constexpr double kOfferLine = 3;

// The process's peak resident memory since the last resetPeak() (Linux keeps
// it as VmHWM), or since it started.
double peakMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
}

// The generated root is built in this process: its memory is not the run's.
// Gives the heap the generator freed back to the system (else it would stay
// resident and count as the run's, more the larger the workload) and lowers
// the peak to what is resident now.
void resetPeak() {
    malloc_trim(0);
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly)) refs.write("5");
}

// Pages the two databases' connections counted so far: written out
// (SQLITE_DBSTATUS_CACHE_WRITE: to the log at each commit and when the page
// cache spills, and back into the file at checkpoints) or read from the file
// because the page cache no longer held them (SQLITE_DBSTATUS_CACHE_MISS).
// Exact counts, free of the noise that times carry.
qint64 pagesCounted(const Databases& dbs, int what) {
    qint64 total = 0;
    for (const db::Database* d : {dbs.store.get(), dbs.chain.get()}) {
        int current = 0, highest = 0;
        if (d && sqlite3_db_status(d->connection(), what, &current, &highest, 0) == SQLITE_OK) total += current;
    }
    return total;
}

struct StageResult {
    const char* name = "";
    double seconds = 0;
    double cpu = 0;
    qint64 records = 0;
    qint64 writes = 0;
    double lookups = 0;
    qint64 pages = 0;   // pages both databases wrote to the disk (log and file): what commits cost
    qint64 misses = 0;  // pages read from the file again: what a page cache too small costs
    double peakMb = 0;  // the run's peak so far, after the stage: the stage that raises it stands out
    QString error;
};

// The same workload generated again, twice: run headless through the whole
// program path, then through the window; printed on the last line as
// `window_s=… headless_s=… window_ratio=…`. The stage timings above leave out
// the lock, the quick check and the backup, which both of these runs make.
bool compareWindow(const gen::Sizes& sizes) {
    QTemporaryDir headlessDir, windowDir;
    if (!headlessDir.isValid() || !windowDir.isValid()) return false;
    const Paths headlessPaths{headlessDir.path()}, windowPaths{windowDir.path()};
    try {
        gen::Generator(sizes).write(headlessPaths);
        gen::Generator(sizes).write(windowPaths);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lis06c-bench: generation failed: %s\n", e.what());
        return false;
    }
    const WindowRunResult h = timeHeadlessRun(headlessPaths);
    const WindowRunResult w = timeWindowRun(windowPaths);
    std::printf("headless run (whole program path): %.3f s, exit status %d\n", h.seconds, h.exitStatus);
    std::printf("window run: %.3f s, exit status %d, %d boxes answered with their default\n", w.seconds,
                w.exitStatus, w.boxesAnswered);
    std::printf("window_s=%.3f headless_s=%.3f window_ratio=%.2f\n", w.seconds, h.seconds,
                h.seconds > 0 ? w.seconds / h.seconds : 0.0);
    return w.exitStatus == 0 && h.exitStatus == 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    db::Database::configureLibrary();  // as the program itself does
    // The window run needs no display: it is timed, not looked at.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The generated file is complete when the run starts: waiting for it to
    // settle would only add seconds to every time measured.
    if (qEnvironmentVariableIsEmpty("LIS06C_SETTLE_SECONDS")) qputenv("LIS06C_SETTLE_SECONDS", "0");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Times the whole run on a generated root against the floors of reading the file and of plain SQLite.\n"
        "Without options: the store-size workload (30,000 articles, about 165,000 lines)."));
    parser.addHelpOption();
    struct IntOption {
        QCommandLineOption option;
        int gen::Sizes::*field;
    };
    std::vector<IntOption> ints = {
        {{QStringLiteral("articles"), QStringLiteral("MDA articles in the file."), QStringLiteral("N")},
         &gen::Sizes::articles},
        {{QStringLiteral("new"), QStringLiteral("Of those, new to the store."), QStringLiteral("N")},
         &gen::Sizes::newArticles},
        {{QStringLiteral("store"), QStringLiteral("Articles of the store."), QStringLiteral("N")},
         &gen::Sizes::storeArticles},
        {{QStringLiteral("documents"), QStringLiteral("Supplier documents."), QStringLiteral("N")},
         &gen::Sizes::documents},
        {{QStringLiteral("lines"), QStringLiteral("Lines per document."), QStringLiteral("N")},
         &gen::Sizes::linesPerDocument},
        {{QStringLiteral("promotions"), QStringLiteral("Promotions."), QStringLiteral("N")},
         &gen::Sizes::promotions},
        {{QStringLiteral("ofd"), QStringLiteral("OFD lines over all promotions."), QStringLiteral("N")},
         &gen::Sizes::ofdLines},
    };
    for (const IntOption& o : ints) parser.addOption(o.option);
    const QCommandLineOption seedOpt(QStringLiteral("seed"), QStringLiteral("Random seed."), QStringLiteral("N"));
    const QCommandLineOption scaleOpt(QStringLiteral("scale"), QStringLiteral("Multiplies every size."),
                                      QStringLiteral("F"));
    const QCommandLineOption keepOpt(QStringLiteral("keep"), QStringLiteral("Keep the generated root."));
    const QCommandLineOption windowOpt(QStringLiteral("window"),
                                       QStringLiteral("Also run the workload through the window and compare."));
    const QCommandLineOption noOutputOpt(QStringLiteral("no-output"),
                                         QStringLiteral("Without the run's log file and run history."));
    parser.addOptions({seedOpt, scaleOpt, keepOpt, windowOpt, noOutputOpt});
    parser.process(app);

    gen::Sizes sizes = gen::Sizes::storeSize();
    for (const IntOption& o : ints) {
        if (!parser.isSet(o.option)) continue;
        bool ok = false;
        const int v = parser.value(o.option).toInt(&ok);
        if (!ok || v < 0) {
            std::fprintf(stderr, "lis06c-bench: --%s wants a whole number\n", qPrintable(o.option.names().first()));
            return 2;
        }
        sizes.*(o.field) = v;
    }
    if (parser.isSet(seedOpt)) sizes.seed = parser.value(seedOpt).toUInt();
    if (parser.isSet(scaleOpt)) {
        bool ok = false;
        const double f = parser.value(scaleOpt).toDouble(&ok);
        if (!ok || f <= 0) {
            std::fprintf(stderr, "lis06c-bench: --scale wants a positive number\n");
            return 2;
        }
        sizes = sizes.scaled(f);
    }
    sizes.newArticles = std::min(sizes.newArticles, sizes.articles);

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "lis06c-bench: no temporary folder\n");
        return 2;
    }
    dir.setAutoRemove(!parser.isSet(keepOpt));
    const Paths paths{dir.path()};

    QElapsedTimer clockGen;
    clockGen.start();
    gen::Summary summary;
    try {
        summary = gen::Generator(sizes).write(paths);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lis06c-bench: generation failed: %s\n", e.what());
        return 2;
    }
    std::printf("root: %s%s\n", qPrintable(paths.root), parser.isSet(keepOpt) ? " (kept)" : "");
    std::printf("generated in %.2f s: %s\n", clockGen.nsecsElapsed() / 1e9, qPrintable(summary.describe()));
    std::printf("peak memory after generation: %.1f MB\n", peakMb());
    if (!reportSafekeeping(paths, stdout)) return 1;
    resetPeak();
    std::printf("resident before the run: %.1f MB\n", peakMb());
    std::fflush(stdout);
    // The honest floor runs on the store database as generated, not as the run leaves it.
    const QString freshStoreDb = QDir(dir.path()).filePath(QStringLiteral("floor-store.mdb"));
    try {
        bench::copyDatabase(paths.storeDb(), freshStoreDb);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lis06c-bench: %s\n", e.what());
        return 2;
    }

    std::vector<StageResult> stages;
    bool failed = false;
    QElapsedTimer whole;
    whole.start();
    const double cpuRunStart = bench::cpuSeconds();
    {
        db::WriteCounter counter;
        Databases dbs;
        try {
            dbs = openDatabases(paths, &counter);
        } catch (const db::Error& e) {
            std::fprintf(stderr, "lis06c-bench: %s\n", qPrintable(e.message()));
            return 1;
        }
        const Clock clock;
        const bool output = !parser.isSet(noOutputOpt);
        NullView nullView;
        ConsoleView console(clock, false);
        std::unique_ptr<QFile> logFile;
        if (output) {
            QString error;
            logFile = openRunLog(defaultLogFolder(paths.root), QDateTime::currentDateTime(), 60, &error);
            console.setLogFile(logFile.get());
        }
        RunView& view = output ? static_cast<RunView&>(console) : nullView;
        qint64 runNumber = 0;
        QElapsedTimer runElapsed;
        runElapsed.start();
        std::optional<RunConfig> config;
        std::optional<db::ProcessingLog> log;
        RunSummary runSummary;
        std::optional<Run> run;
        // What the stages hand each other, as the run sequence does.
        std::optional<CatalogueRead> catalogue;
        chainfile::LineErrors lineErrors;
        ListedDocument lastListed;

        auto stage = [&](const char* name, qint64 records, double lookups, const std::function<bool()>& body) {
            StageResult r;
            r.name = name;
            r.records = records;
            r.lookups = lookups;
            if (failed) {
                r.error = QStringLiteral("not run");
                stages.push_back(r);
                return;
            }
            const qint64 before = counter.writes();
            const qint64 pagesBefore = pagesCounted(dbs, SQLITE_DBSTATUS_CACHE_WRITE);
            const qint64 missesBefore = pagesCounted(dbs, SQLITE_DBSTATUS_CACHE_MISS);
            const double cpuBefore = bench::cpuSeconds();
            QElapsedTimer t;
            t.start();
            try {
                if (!body()) {
                    r.error = QStringLiteral("the run stopped here");
                    failed = true;
                }
            } catch (const db::Error& e) {
                r.error = e.message();
                failed = true;
            } catch (const std::exception& e) {
                r.error = QString::fromUtf8(e.what());
                failed = true;
            }
            r.seconds = t.nsecsElapsed() / 1e9;
            r.cpu = bench::cpuSeconds() - cpuBefore;
            r.writes = counter.writes() - before;
            r.pages = pagesCounted(dbs, SQLITE_DBSTATUS_CACHE_WRITE) - pagesBefore;
            r.misses = pagesCounted(dbs, SQLITE_DBSTATUS_CACHE_MISS) - missesBefore;
            r.peakMb = peakMb();
            stages.push_back(r);
        };
        // The stages in the order of the run sequence, each timed on its own.
        stage("Form_Load", 1, 4, [&] {
            config = Form_Load(paths, RunOptions{}, *dbs.store, view);
            if (!config) return false;
            if (output) runNumber = RunHistory(*dbs.store).begin(QDateTime::currentDateTime(), logFile->fileName());
            log.emplace(*dbs.store);
            run.emplace(Run{*config, *dbs.store, *dbs.chain, view, clock, *log, runSummary});
            return true;
        });
        const qint64 catalogueLines = summary.tab + summary.mda + summary.mha + summary.mhe + summary.mhn;
        stage("for2_lis", catalogueLines,
              kTab * summary.tab + kMda * summary.mda + kMha * summary.mha + kMhe * summary.mhe, [&] {
                  view.stage(Stage::Catalogo);
                  catalogue = for2_lis(*run, lineErrors);
                  return catalogue.has_value();
              });
        stage("aggiorno_tutto", summary.mda, kArticle * summary.mda + kArticleEan * summary.mha, [&] {
            view.stage(Stage::Articoli);
            aggiorno_tutto(*run);
            return true;
        });
        stage("elabora3", summary.ble, kBle * summary.ble, [&] {
            view.stage(Stage::Documenti);
            lastListed = elaborap(*run, catalogue->file, lineErrors);
            db::Transaction unit(run->store);
            stageDocumentLines(*run, catalogue->file, lineErrors, lastListed.number);
            creo_art_nuovo_forni(*run, lastListed.number);
            receiveDocuments(*run, lineErrors);
            unit.commit();
            return true;
        });
        const qint32 offerYear = clock.today().year();
        stage("ElaboraPromozioni", summary.oft + summary.ofd, kOfd * summary.ofd, [&] {
            view.stage(Stage::Promozioni);
            return ElaboraPromozioni(*run, catalogue->file, offerYear, lineErrors);
        });
        qint64 staged = 0;
        if (!failed) {
            db::Query q = dbs.store->prepare(QStringLiteral("SELECT count(*) FROM locmo"));
            if (q.first()) staged = q.value(0).toLongLong();
        }
        stage("creo_off", staged, kOfferLine * staged, [&] {
            creo_off(*run, offerYear);
            return true;
        });
        if (output) {
            stage("run history", 1, 0, [&] {
                RunHistory(*dbs.store).end(runNumber, QDateTime::currentDateTime(), runElapsed.nsecsElapsed() / 1e9,
                                           0, true, runSummary);
                console.finish(0, &runSummary, runNumber, runElapsed.nsecsElapsed() / 1e9);
                return true;
            });
        }
        run.reset();
        log.reset();
    }
    const double total = whole.nsecsElapsed() / 1e9;
    const double totalCpu = bench::cpuSeconds() - cpuRunStart;

    std::printf("\n%-18s %9s %9s %9s %11s %9s %11s %8s %8s %8s\n", "stage", "seconds", "cpu_s", "records",
                "records/s", "writes", "lookups", "pages_w", "pages_r", "peak_mb");
    qint64 writes = 0;
    double lookups = 0;
    for (const StageResult& r : stages) {
        writes += r.writes;
        lookups += r.lookups;
        std::printf("%-18s %9.3f %9.3f %9lld %11.0f %9lld %11.0f %8lld %8lld %8.1f%s%s\n", r.name, r.seconds, r.cpu,
                    static_cast<long long>(r.records), r.seconds > 0 ? r.records / r.seconds : 0.0,
                    static_cast<long long>(r.writes), r.lookups, static_cast<long long>(r.pages),
                    static_cast<long long>(r.misses), r.peakMb, r.error.isEmpty() ? "" : "  ! ",
                    qPrintable(r.error.left(200)));
    }
    std::printf("whole run: %.3f s, processor %.3f s (%lld lines)\n", total, totalCpu,
                static_cast<long long>(summary.lines));

    // The run's own peak, before the floors fill page caches of their own.
    const double runPeakMb = peakMb();

    qint64 fields = 0;
    const bench::FloorTime floorA = bench::floorRead(paths.chainFile(), &fields);
    std::printf("floor (a) read and split %lld fields: %.3f s, processor %.3f s\n", static_cast<long long>(fields),
                floorA.seconds, floorA.cpu);
    bench::SqliteFloor floorB;
    try {
        floorB = bench::floorSqlite(freshStoreDb, summary.lines, writes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lis06c-bench: floor (b): %s\n", e.what());
        return 2;
    }
    std::printf("floor (b) SQLite C API on a fresh copy of the store database, page cache %.0f MB: %lld lookups "
                "(one per line, %lld found) and %lld writes in one transaction: %.3f s, processor %.3f s\n",
                floorB.cacheMb, static_cast<long long>(summary.lines), static_cast<long long>(floorB.found),
                static_cast<long long>(writes), floorB.time.seconds, floorB.time.cpu);
    const double floorsCpu = floorA.cpu + floorB.time.cpu;
    std::printf("processor-time ratio: %.2f (run %.3f s over floors (a) + (b) %.3f s)\n",
                floorsCpu > 0 ? totalCpu / floorsCpu : 0.0, totalCpu, floorsCpu);
    const double floors = floorA.seconds + floorB.time.seconds;
    std::printf("total_s=%.3f floors_s=%.3f ratio=%.2f peak_mb=%.1f\n", total, floors,
                floors > 0 ? total / floors : 0.0, runPeakMb);
    if (failed) return 1;
    if (parser.isSet(windowOpt) && !compareWindow(sizes)) return 1;
    return 0;
}
