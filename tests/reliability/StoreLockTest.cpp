// The store's own programs write to the same databases while a run goes on:
// a write lock held for a moment, or short writes every few milliseconds. The
// run waits for each lock (up to its busy timeout) instead of failing.
#include "GeneratedRoot.h"
#include "Scenario.h"
#include "TableDump.h"
#include "db/Database.h"

#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

// The other program's own table, so its writes change nothing the run reads.
void prepareOtherProgram(const QString& path) {
    auto d = db::Database::open(path, QStringLiteral("altro programma"));
    d->exec(QStringLiteral("CREATE TABLE IF NOT EXISTS altro_programma (n INTEGER)"));
}

}  // namespace

TEST(StoreLock, HeldForTwoSecondsAtStartIsWaitedFor) {
    const GeneratedRoot pristine(smallStore());
    QTemporaryDir dir;
    pristine.copyTo(dir.path());
    const QString store = dir.path() + QStringLiteral("/quarn/dati.mdb");
    prepareOtherProgram(store);

    std::atomic<bool> held = false;
    std::thread other([&] {
        auto d = db::Database::open(store, QStringLiteral("altro programma"));
        db::Transaction tx(*d);
        d->exec(QStringLiteral("INSERT INTO altro_programma (n) VALUES (1)"));
        held = true;
        QThread::msleep(2000);
        tx.commit();
    });
    while (!held) QThread::msleep(1);
    const scenario::Outcome run = scenario::runProgram(dir.path());
    other.join();
    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
}

TEST(StoreLock, AProgramWritingEveryFewMillisecondsNeverFailsARun) {
    const GeneratedRoot pristine(smallStore());
    QTemporaryDir reference;
    pristine.copyTo(reference.path());
    ASSERT_EQ(scenario::runProgram(reference.path()).exitCode, 0);
    const QStringList skipped{QStringLiteral("store.altro_programma"), QStringLiteral("chain.altro_programma")};
    const QStringList expected = dumpForComparison(reference.path(), skipped);

    for (int attempt = 0; attempt < 5; ++attempt) {
        SCOPED_TRACE(attempt);
        QTemporaryDir dir;
        pristine.copyTo(dir.path());
        const QStringList paths{dir.path() + QStringLiteral("/quarn/dati.mdb"),
                                dir.path() + QStringLiteral("/nelv/dati.mdb")};
        for (const QString& p : paths) prepareOtherProgram(p);
        std::atomic<bool> stop = false;
        std::atomic<int> writes = 0;
        std::thread other([&] {
            auto store = db::Database::open(paths[0], QStringLiteral("altro programma"));
            auto chain = db::Database::open(paths[1], QStringLiteral("altro programma"));
            for (int i = 0; !stop; ++i) {
                db::Database& d = i % 2 == 0 ? *store : *chain;
                db::Transaction tx(d);
                d.exec(QStringLiteral("INSERT INTO altro_programma (n) VALUES (?)"), {i});
                tx.commit();
                ++writes;
                QThread::msleep(3);
            }
        });
        const scenario::Outcome run = scenario::runProgram(dir.path());
        stop = true;
        other.join();
        EXPECT_FALSE(run.crashed);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        // The other program did write during the run (on a loaded machine the
        // run's long units leave it fewer gaps: ten was seen).
        EXPECT_GE(writes, 5);
        const QStringList got = dumpForComparison(dir.path(), skipped);
        EXPECT_EQ(got, expected) << unifiedDiff(expected, got).toStdString();
    }
}
