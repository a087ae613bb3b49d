// The program run without a window, as a scheduler starts it: exit statuses
// and what it says on stderr.
#include "Program.h"
#include "TestRoot.h"
#include "db/Schema.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

ProgramResult headless(TestRoot& root) {
    root.close();  // the program opens the databases itself
    return runProgram({QStringLiteral("--headless"), QStringLiteral("--root"), root.root()});
}

}  // namespace

TEST(Headless, ExitStatuses) {
    {
        TestRoot root;
        root.writeChainFile({});
        const ProgramResult r = headless(root);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_FALSE(r.crashed);
    }
    {
        TestRoot root(0);
        const ProgramResult r = headless(root);
        EXPECT_EQ(r.exitCode, 2) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral(
            "Attenzione, codice fornitore NELV non inserito in tabella Dati Societa/Affiliazione")))
            << r.err.toStdString();
    }
    {
        // The chain's file is missing: headless does not wait for it.
        TestRoot root;
        const ProgramResult r = headless(root);
        EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
    }
    {
        TestRoot root;
        root.writeChainFile({});
        root.close();
        ASSERT_TRUE(QFile::remove(root.paths().storeDb()));
        const ProgramResult r = headless(root);
        EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(root.paths().storeDb())) << r.err.toStdString();
    }
    {
        // A missing field: named with its database and table, and nothing is written.
        TestRoot root;
        root.writeChainFile({});
        root.exec(root.store(), QStringLiteral("INSERT INTO variatidivulgazioni (codart) VALUES (9)"));
        root.exec(root.store(), QStringLiteral("ALTER TABLE listi01 DROP COLUMN marg"));
        const ProgramResult r = headless(root);
        EXPECT_EQ(r.exitCode, 4) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("listi01")) && r.err.contains(QStringLiteral("marg")))
            << r.err.toStdString();
        EXPECT_EQ(root.count(root.store(), "variatidivulgazioni"), 1);  // Form_Load never ran
    }
    {
        TestRoot root;
        root.writeChainFile({});
        root.exec(root.chain(), QStringLiteral("DROP TABLE codean"));
        const ProgramResult r = headless(root);
        EXPECT_EQ(r.exitCode, 4) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("codean"))) << r.err.toStdString();
    }
    {
        // The store database is an Access file that was never converted.
        TestRoot root;
        root.writeChainFile({});
        root.close();
        QFile f(root.paths().storeDb());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray("\0\1\0\0Standard Jet DB\0", 20) + QByteArray(2000, '\0'));
        f.close();
        const ProgramResult r = headless(root);
        EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("Access"))) << r.err.toStdString();
    }
}

TEST(Headless, InitCreatesAndCompletesWithoutLosingData) {
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/nuova");  // not there yet
    ProgramResult r = runProgram({QStringLiteral("--init"), QStringLiteral("--root"), root});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    Paths paths{root};
    {
        auto store = db::Database::open(paths.storeDb(), QStringLiteral("store"));
        auto chain = db::Database::open(paths.chainDb(), QStringLiteral("chain"));
        EXPECT_TRUE(db::missing(*store, db::Which::Store).isEmpty());
        EXPECT_TRUE(db::missing(*chain, db::Which::Chain).isEmpty());
        EXPECT_TRUE(store->columns(QStringLiteral("variati")).contains(QStringLiteral("quantità")));
        // Data of the store's own, a field lost and an index dropped.
        store->exec(QStringLiteral("INSERT INTO listi01 (codart, desart, marg) VALUES (1, 'PANE', 3.5)"));
        store->exec(QStringLiteral("INSERT INTO utenti (codutente, codfor_affil) VALUES (1, 4321)"));
        store->exec(QStringLiteral("ALTER TABLE listi01 DROP COLUMN datagg"));
        store->exec(QStringLiteral("DROP INDEX listi01_primary"));
        store->exec(QStringLiteral("CREATE TABLE proprio (x INTEGER)"));
        store->exec(QStringLiteral("INSERT INTO proprio VALUES (7)"));
        chain->exec(QStringLiteral("INSERT INTO articolo (codart, desart) VALUES (5, 'LATTE')"));
    }
    r = runProgram({QStringLiteral("--init"), QStringLiteral("--root"), root});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    auto store = db::Database::open(paths.storeDb(), QStringLiteral("store"));
    auto chain = db::Database::open(paths.chainDb(), QStringLiteral("chain"));
    EXPECT_TRUE(db::missing(*store, db::Which::Store).isEmpty());
    EXPECT_TRUE(store->columns(QStringLiteral("listi01")).contains(QStringLiteral("datagg")));
    db::Query q = store->prepare(QStringLiteral("SELECT desart, marg FROM listi01 WHERE codart = 1"));
    ASSERT_TRUE(q.first());
    EXPECT_EQ(q.text("desart"), QStringLiteral("PANE"));
    EXPECT_EQ(q.number("marg"), 3.5);
    EXPECT_TRUE(store->prepare(QStringLiteral("SELECT x FROM proprio")).first());
    EXPECT_TRUE(store->prepare(QStringLiteral("SELECT 1 FROM utenti WHERE codfor_affil = 4321")).first());
    EXPECT_TRUE(store->prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = 'listi01_primary'")).first());
    EXPECT_TRUE(chain->prepare(QStringLiteral("SELECT 1 FROM articolo WHERE codart = 5")).first());

    // A root that cannot be made.
    QFile blocker(dir.path() + QStringLiteral("/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    r = runProgram({QStringLiteral("--init"), QStringLiteral("--root"), blocker.fileName() + QStringLiteral("/sub")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_FALSE(r.crashed);
}

// A store kept by an earlier version lacks the program's own table: start-up
// adds it (with its index) instead of reporting the store incomplete.
TEST(Headless, StartUpAddsTheProgramsOwnTableToAnOlderStore) {
    TestRoot root;
    root.writeChainFile({});
    root.exec(root.store(), QStringLiteral("DROP TABLE lis06c_documenti_ricevuti"));
    EXPECT_TRUE(db::missing(root.store(), db::Which::Store).isEmpty());
    const ProgramResult r = headless(root);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(root.scalar(root.store(), QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name IN "
                                                       "('lis06c_documenti_ricevuti', 'lis06c_documenti_ricevuti_key')"))
                  .toInt(),
              2);
}
