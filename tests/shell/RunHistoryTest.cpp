// The run history in the store database: runs numbered one after the other,
// the processing log kept for each run, and the log emptied at load only when
// the run before reached its end.
#include "TestRoot.h"
#include "run/Form_Load.h"
#include "db/Schema.h"
#include "run/RunHistory.h"

#include <gtest/gtest.h>

namespace {

const QDateTime kStart(QDate(2026, 12, 8), QTime(6, 0, 0));

void logRow(TestRoot& root, int codart) {
    root.exec(root.store(), QStringLiteral("INSERT INTO variatidivulgazioni (codart, tipoelaborazione, tipoagg) "
                                           "VALUES (?, 'B', 'A')"),
              {codart});
}

QString keptFor(TestRoot& root, qint64 run) {
    return root
        .scalar(root.store(),
                QStringLiteral("SELECT group_concat(codart, ',') FROM (SELECT codart FROM "
                               "lis06c_storico_variatidivulgazioni WHERE esecuzione = ? ORDER BY rowid)"),
                {run})
        .toString();
}

}  // namespace

TEST(RunHistory, LogEmptiedAtLoadOnlyAfterARunThatReachedItsEnd) {
    // How the runs before this load ended, and whether the load empties the log.
    enum Ending { Finished, Killed, Failed };
    struct Case {
        const char* name;
        QList<Ending> before;
        bool emptied;
    };
    const Case cases[] = {
        {"no run yet", {}, true},
        {"after a finished run", {Finished}, true},
        {"after a killed run", {Killed}, false},
        {"after a run stopped by an error", {Failed}, false},
        {"a finished run after a killed one", {Killed, Finished}, true},
        {"a killed run after a finished one", {Finished, Killed}, false},
    };
    for (const Case& c : cases) {
        TestRoot root;
        RunHistory history(root.store());
        for (Ending e : c.before) {
            const qint64 n = history.begin(kStart, QString());
            if (e != Killed) history.end(n, kStart.addSecs(60), 60, e == Finished ? 0 : 1, e == Finished, RunSummary{});
        }
        logRow(root, 7);
        ASSERT_TRUE(Form_Load(root.paths(), RunOptions{}, root.store(), root.view)) << c.name;
        EXPECT_EQ(root.count(root.store(), "variatidivulgazioni"), c.emptied ? 0 : 1) << c.name;
    }
}

TEST(RunHistory, EachRunKeepsTheLogItLeft) {
    TestRoot root;
    RunHistory history(root.store());

    // Run 1 is killed after logging 1 and 2.
    EXPECT_EQ(history.begin(kStart, QStringLiteral("/log/1")), 1);
    logRow(root, 1);
    logRow(root, 2);
    // Run 2 keeps them as run 1's history, appends 3 and reaches its end.
    EXPECT_EQ(history.begin(kStart.addSecs(3600), QString()), 2);
    EXPECT_EQ(keptFor(root, 1), QStringLiteral("1,2"));
    logRow(root, 3);
    RunSummary s;
    s.articlesUpdated = 3;
    s.articlesCreated = 1;
    s.eansWritten = 4;
    s.documentsReceived = 2;
    s.documentsHeldBack = 1;
    s.documentsRevised = 5;
    s.stockLines = 20;
    s.offersCreated = 6;
    s.offerLines = 30;
    s.refusedLines = 7;
    s.stops = QStringList{QStringLiteral("ATTENZIONE !!! manca\nil numeratore"), QStringLiteral("seconda")};
    s.report = QStringLiteral("/tmp/r.pdf");
    s.reportDay = QDate(2026, 12, 8);
    s.fileBytes = 123456;
    s.fileSha256 = "ab01";
    s.dataDati = QStringLiteral("01/12/2026");
    history.end(2, kStart.addSecs(3700), 100.5, 5, true, s);
    EXPECT_EQ(keptFor(root, 2), QStringLiteral("1,2,3"));
    EXPECT_EQ(keptFor(root, 1), QStringLiteral("1,2"));

    // A run that found no file is forgotten; its number is used again.
    EXPECT_EQ(history.begin(kStart.addSecs(7200), QString()), 3);
    history.forget(3);
    EXPECT_EQ(history.begin(kStart.addSecs(7300), QString()), 3);
    EXPECT_EQ(keptFor(root, 2), QStringLiteral("1,2,3"));  // a finished run's copy is not taken again

    const std::vector<RunRecord> runs = history.list();
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_FALSE(runs[0].status);
    EXPECT_FALSE(runs[0].end.isValid());
    EXPECT_EQ(runs[0].logFile, QStringLiteral("/log/1"));
    const RunRecord& r = runs[1];
    EXPECT_EQ(r.number, 2);
    EXPECT_EQ(r.start, kStart.addSecs(3600));
    EXPECT_EQ(r.end, kStart.addSecs(3700));
    EXPECT_EQ(r.seconds, 100.5);
    EXPECT_EQ(r.status, 5);
    EXPECT_TRUE(r.reachedEnd);
    const RunSummary& got = r.summary;
    EXPECT_EQ((std::vector<qint64>{got.articlesUpdated, got.articlesCreated, got.eansWritten, got.documentsReceived,
                                   got.documentsHeldBack, got.documentsRevised, got.stockLines, got.offersCreated,
                                   got.offerLines, got.refusedLines}),
              (std::vector<qint64>{3, 1, 4, 2, 1, 5, 20, 6, 30, 7}));
    EXPECT_EQ(got.stops, s.stops);
    EXPECT_EQ(got.report, s.report);
    EXPECT_EQ(got.reportDay, s.reportDay);
    EXPECT_EQ(got.fileBytes, 123456);
    EXPECT_EQ(got.fileSha256, QByteArray("ab01"));
    EXPECT_EQ(got.dataDati, s.dataDati);
    EXPECT_FALSE(history.find(4));
    EXPECT_EQ(history.find(2)->summary.offerLines, 30);
}

TEST(RunHistory, StartUpMakesTheHistoryOfAStoreThatHasNone) {
    TestRoot root;
    root.exec(root.store(), QStringLiteral("DROP TABLE lis06c_esecuzioni"));
    root.exec(root.store(), QStringLiteral("ALTER TABLE lis06c_storico_variatidivulgazioni DROP COLUMN despro"));
    EXPECT_TRUE(db::missing(root.store(), db::Which::Store).isEmpty());  // not the store's business
    root.close();
    Databases dbs = openDatabases(root.paths());
    EXPECT_EQ(RunHistory(*dbs.store).begin(kStart, QString()), 1);
    EXPECT_TRUE(dbs.store->columns(QStringLiteral("lis06c_storico_variatidivulgazioni")).contains(QStringLiteral("despro")));
}
