// The program run without a window, as a scheduler starts it: exit statuses
// and what it says on stderr.
#include "Program.h"
#include "RecordBuilder.h"
#include "TestRoot.h"
#include "db/Schema.h"
#include "run/Startup.h"
#include "shell/Headless.h"

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

TEST(Headless, InitMakesAKeyHeldTwiceAPlainIndexAndAddsEverythingElse) {
    QTemporaryDir dir;
    const QString root = dir.path();
    ASSERT_EQ(runProgram({QStringLiteral("--init"), QStringLiteral("--root"), root}).exitCode, 0);
    const Paths paths{root};
    {
        auto store = db::Database::open(paths.storeDb(), QStringLiteral("store"));
        store->exec(QStringLiteral("DROP INDEX codean_keyean"));
        store->exec(QStringLiteral("INSERT INTO codean (eanare, codare) VALUES ('8000000000017', 1), "
                                   "('8000000000017', 2)"));
        store->exec(QStringLiteral("DROP TABLE offmo"));
    }
    const ProgramResult r = runProgram({QStringLiteral("--init"), QStringLiteral("--root"), root});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("la tabella codean ha valori ripetuti in (eanare), l'indice "
                                              "codean_keyean è stato creato non univoco")))
        << r.err.toStdString();
    auto store = db::Database::open(paths.storeDb(), QStringLiteral("store"));
    EXPECT_TRUE(db::missing(*store, db::Which::Store).isEmpty());
    const auto has = [&](const char* index) {
        db::Query q = store->prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = ?"));
        return q.firstRow({QString::fromUtf8(index)}, [](const db::Query&) { return true; }).has_value();
    };
    EXPECT_TRUE(has("codean_keyean"));
    EXPECT_TRUE(has("offmo_ean"));
}

TEST(Headless, StartUpAddsTheFieldsTheRunKeepsInItsOwnTables) {
    TestRoot root;
    root.exec(root.store(), QStringLiteral("ALTER TABLE variati DROP COLUMN datafa"));
    EXPECT_TRUE(db::missing(root.store(), db::Which::Store).isEmpty());
    root.close();
    const Databases d = openDatabases(root.paths());
    EXPECT_TRUE(d.store->columns(QStringLiteral("variati")).contains(QStringLiteral("datafa")));
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

TEST(Headless, OffersAreNumberedInTheYearOfTheRun) {
    // A January run whose file still carries a delivery note of 31 December.
    TestRoot root;
    db::Database& s = root.store();
    root.exec(s, QStringLiteral("INSERT INTO tipodoc (coddoc, posi, numeratore) VALUES ('DDTACQ', 'A', 'DD'), "
                                "('OFFERTE', 'A', 'OP')"));
    root.exec(s, QStringLiteral("INSERT INTO numeri (codutente, tipo, anno, ultnum) VALUES (1, 'DD', 2026, 5), "
                                "(1, 'OP', 2026, 9), (1, 'OP', 2027, 1)"));
    root.exec(s, QStringLiteral("INSERT INTO listi01 (codart, desart, codafo, codfor, przpub) "
                                "VALUES (7, 'PASTA', '000000123', 4321, 2.5)"));
    root.exec(s, QStringLiteral("INSERT INTO codean (eanare, codare, desart) VALUES ('8001234567890', 7, 'PASTA')"));
    root.exec(root.chain(), QStringLiteral("INSERT INTO articolo (codart, desart) VALUES (123, 'PASTA')"));
    root.exec(root.chain(), QStringLiteral("INSERT INTO codean (codare, eanare) VALUES (123, '8001234567890')"));
    root.writeChainFile({RecordBuilder("BLE", QDate(2026, 12, 31))
                             .num(rec::ble::number, 77)
                             .num(rec::ble::chainCode, 123)
                             .num(rec::ble::ean, 8001234567890)
                             .num(rec::ble::packages, 1)
                             .amount(rec::ble::quantity, 1, 100)
                             .amount(rec::ble::cost, 1, 100000)
                             .amount(rec::ble::price, 2.5),
                         RecordBuilder("OFT", QDate(2027, 1, 9))
                             .num(rec::oft::number, 5)
                             .set(rec::oft::description, QStringLiteral("GENNAIO"))
                             .date(rec::oft::start, QDate(2027, 1, 10))
                             .date(rec::oft::end, QDate(2027, 1, 20)),
                         RecordBuilder("OFD", QDate(2027, 1, 9))
                             .num(rec::ofd::number, 5)
                             .num(rec::ofd::offerKind, 1)
                             .num(rec::ofd::chainCode, 123)
                             .amount(rec::ofd::value, 1.99)});
    root.close();
    RecordingView view;
    const FixedClock clock(QDate(2027, 1, 10));
    HeadlessOptions options;
    options.paths = root.paths();
    options.clock = &clock;
    options.view = &view;
    ASSERT_EQ(runHeadless(options), 0) << view.messages.join(QLatin1Char('\n')).toStdString();

    auto store = db::Database::open(root.paths().storeDb(), QStringLiteral("store"));
    const auto value = [&](const char* sql) {
        db::Query q = store->prepare(QString::fromUtf8(sql));
        return q.firstRow({}, [](const db::Query& r) { return r.value(0).toString(); }).value_or(QString());
    };
    EXPECT_EQ(value("SELECT anno || '/' || numero FROM testaof"), "2026/6");
    EXPECT_EQ(value("SELECT anno || '/' || numero || '/' || numpronelv FROM offte"), "2027/2/5");
    EXPECT_EQ(value("SELECT group_concat(tipo || anno || '=' || ultnum, ' ') FROM numeri WHERE tipo = 'OP'"),
              "OP2026=9 OP2027=2");
}
