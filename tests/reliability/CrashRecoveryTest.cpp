// A generated store's run killed at random moments across every stage, by
// time and after a number of writes, each kill followed by a normal run: every
// table of both databases must then hold what one uninterrupted run leaves,
// row for row (the run's day and times aside; a kill after the run recorded
// its end makes the next run a second one, compared with two runs).
#include "GeneratedRoot.h"
#include "Scenario.h"
#include "TableDump.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <iostream>

namespace {

// Tables that record each processing run rather than the data: a killed run
// that got that far has its row too.
const QStringList kPerRun{QStringLiteral("chain.divuelabo")};

struct Kill {
    QString how;
    QStringList env;         // for a kill after N writes
    int afterMs = -1;        // for a kill after a time
};

// Starts the run and kills it after `ms` milliseconds (if it is still going).
void runKilledAfter(const QString& root, int ms) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("LIS06C_KILL_AFTER_WRITES"));
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("LIS06C_BINARY_DIR") + QStringLiteral("/lis06c"),
            {QStringLiteral("--headless"), QStringLiteral("--root"), root});
    if (!p.waitForStarted()) throw std::runtime_error("lis06c did not start");
    if (!p.waitForFinished(ms)) {
        p.kill();
        p.waitForFinished();
    }
}

// The run on `root` recorded that it reached its end (it was killed after that).
bool reachedItsEnd(const QString& root) {
    const QStringList runs = dumpDatabase(root + QStringLiteral("/quarn/dati.mdb"), QStringLiteral("store"),
                                          {QStringLiteral("lis06c_esecuzioni")}, DumpOptions{});
    return !runs.isEmpty() && runs.last().contains(QStringLiteral("|completa=1|"));
}

}  // namespace

TEST(CrashRecovery, KilledAnywhereThenRunAgainLeavesWhatOneRunLeaves) {
    const GeneratedRoot pristine(smallStore());

    // The uninterrupted run: how many writes and how long it takes, and what it leaves.
    QTemporaryDir reference;
    pristine.copyTo(reference.path());
    QElapsedTimer took;
    took.start();
    const scenario::Outcome once = scenario::runProgram(reference.path(), {"LIS06C_REPORT_WRITES=1"});
    const qint64 runMs = took.elapsed();
    ASSERT_EQ(once.exitCode, 0) << once.err.toStdString();
    const auto m = QRegularExpression(QStringLiteral("lis06c: writes (\\d+)")).match(once.err);
    ASSERT_TRUE(m.hasMatch()) << once.err.toStdString();
    const int writes = m.captured(1).toInt();
    ASSERT_GT(writes, 10);
    const QStringList expected = dumpForComparison(reference.path(), kPerRun);
    // A kill that comes after the run recorded its end leaves a finished run:
    // the next run is a second one, which starts a fresh log.
    const scenario::Outcome twice = scenario::runProgram(reference.path());
    ASSERT_EQ(twice.exitCode, 0) << twice.err.toStdString();
    const QStringList expectedAfterEnd = dumpForComparison(reference.path(), kPerRun);

    // Kill points spread over the whole run: one in each of 32 equal parts of
    // its writes, 12 more in its last quarter (documents and offers write
    // little after a long catalogue), and 24 by time.
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    QList<Kill> kills;
    const auto afterWrites = [&](double from, double to, int parts) {
        for (int i = 0; i < parts; ++i) {
            const double lo = from + (to - from) * i / parts, hi = from + (to - from) * (i + 1) / parts;
            const int n = std::max(1, int(lo * writes + random.bounded(std::max(1.0, (hi - lo) * writes))));
            kills.append({QStringLiteral("after write %1 of %2").arg(n).arg(writes),
                          {QStringLiteral("LIS06C_KILL_AFTER_WRITES=%1").arg(n)}});
        }
    };
    afterWrites(0, 1, 32);
    afterWrites(0.75, 1, 12);
    for (int i = 0; i < 24; ++i) {
        const int ms = int(random.bounded(std::max<qint64>(runMs, 50)));
        kills.append({QStringLiteral("after %1 ms of about %2").arg(ms).arg(runMs), {}, ms});
    }

    QStringList failures;
    for (const Kill& kill : kills) {
        QTemporaryDir dir;
        pristine.copyTo(dir.path());
        if (kill.afterMs >= 0)
            runKilledAfter(dir.path(), kill.afterMs);
        else
            scenario::runProgram(dir.path(), kill.env);
        const bool ended = reachedItsEnd(dir.path());
        const scenario::Outcome after = scenario::runProgram(dir.path());
        QStringList problems;
        if (after.crashed || (after.exitCode != 0))
            problems << QStringLiteral("the run after the kill ended with %1: %2").arg(after.exitCode).arg(after.err.right(300));
        const QStringList got = dumpForComparison(dir.path(), kPerRun);
        const QStringList& want = ended ? expectedAfterEnd : expected;
        if (got != want) {
            problems << QStringLiteral("tables differ from one run:\n") +
                            changedFields(want, got).join(QLatin1Char('\n')) + QLatin1Char('\n') +
                            unifiedDiff(want, got).left(6000);
        }
        if (!problems.isEmpty()) failures << kill.how + QStringLiteral(": ") + problems.join(QStringLiteral("; "));
    }

    std::cout << "crash recovery (seed " << seed << "): " << writes << " writes and about " << runMs
              << " ms per run, " << kills.size() << " kills, " << failures.size() << " failed" << std::endl;
    for (const QString& f : failures) std::cout << "  " << f.toStdString() << std::endl;
    EXPECT_TRUE(failures.isEmpty()) << "seed " << seed;
}
