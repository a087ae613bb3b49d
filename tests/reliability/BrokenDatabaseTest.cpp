// The store's databases in trouble, through the real program: held by another
// program, read-only, full, missing a table or field, not SQLite at all. Each
// ends the run with its own message and without a half-written unit; once the
// trouble is gone, the next run completes the scenario normally.
#include "Scenario.h"
#include "StateChecks.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// A scenario root in a folder of its own.
struct ScenarioRoot {
    QTemporaryDir dir;
    Paths paths;
    ScenarioRoot() {
        TestRoot root;
        scenario::fillDatabases(root);
        root.writeChainFile(scenario::chainLines());
        root.close();
        scenario::copyRoot(root.root(), dir.path());
        QFile::copy(root.paths().chainFile(), dir.path() + QStringLiteral("/nelv/acq_var.txt"));
        paths.root = dir.path();
    }
    QString root() const { return dir.path(); }
};

// Runs one statement on a database file outside the program.
void sql(const QString& path, const QString& statement) {
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        d.setDatabaseName(path);
        ASSERT_TRUE(d.open());
        QSqlQuery q(d);
        ASSERT_TRUE(q.exec(statement)) << statement.toStdString();
        q.finish();
        d.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// The first page of a table's tree.
int rootPage(const QString& path, const QString& table) {
    const QString name = QUuid::createUuid().toString();
    int page = 0;
    {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        d.setDatabaseName(path);
        if (d.open()) {
            QSqlQuery q(d);
            q.prepare(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE type = 'table' AND name = ?"));
            q.addBindValue(table);
            if (q.exec() && q.next()) page = q.value(0).toInt();
        }
        d.close();
    }
    QSqlDatabase::removeDatabase(name);
    return page;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// After the failed run, the later normal run must leave the scenario complete.
void expectRecovery(const ScenarioRoot& r) {
    const scenario::Outcome ok = scenario::runProgram(r.root());
    EXPECT_EQ(ok.exitCode, 0) << ok.err.toStdString();
    EXPECT_EQ(scenario::brokenRules(r.root()), QStringList());
}

}  // namespace

TEST(BrokenDatabase, StoreHeldByAnotherProgramGivesTheLockMessageAndWritesNothing) {
    ScenarioRoot r;
    const QStringList before = scenario::fingerprint(r.root());
    // Another program holds the write lock (in WAL mode readers still read,
    // writers wait): BEGIN IMMEDIATE in the sqlite3 shell, kept open.
    QProcess holder;
    holder.start(QStringLiteral("sqlite3"), {r.paths.storeDb()});
    ASSERT_TRUE(holder.waitForStarted()) << "sqlite3 shell missing";
    holder.write("PRAGMA journal_mode = WAL;\nBEGIN IMMEDIATE;\nDELETE FROM numeri WHERE 0;\nSELECT 'held';\n");
    while (!holder.readAllStandardOutput().contains("held")) ASSERT_TRUE(holder.waitForReadyRead(10000));

    const scenario::Outcome locked = scenario::runProgram(r.root(), {"LIS06C_BUSY_TIMEOUT_MS=300"});
    holder.write("ROLLBACK;\n.quit\n");
    holder.closeWriteChannel();
    holder.waitForFinished();

    EXPECT_FALSE(locked.crashed);
    EXPECT_EQ(locked.exitCode, 1) << locked.err.toStdString();
    EXPECT_TRUE(locked.err.contains(QStringLiteral("bloccato da un altro programma"))) << locked.err.toStdString();
    EXPECT_EQ(scenario::fingerprint(r.root()), before);
    expectRecovery(r);
}

TEST(BrokenDatabase, ReadOnlyStoreFile) {
    ScenarioRoot r;
    const QStringList before = scenario::fingerprint(r.root());
    QFile::setPermissions(r.paths.storeDb(), QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    QStringList env;
    if (::geteuid() == 0) {
        // Root writes whatever the mode says: the program runs as nobody, who
        // may write the folders and the chain's database but not the store's file.
        env << QStringLiteral("LIS06C_RUN_AS_NOBODY=1");
        const auto all = QFileDevice::Permissions(0x7777);
        for (const QString& p : {r.root(), r.root() + QStringLiteral("/nelv"), r.root() + QStringLiteral("/quarn")})
            QFile::setPermissions(p, all);
        QFile::setPermissions(r.paths.chainDb(), QFileDevice::Permissions(0x6666));
        QFile::setPermissions(r.paths.chainFile(), QFileDevice::Permissions(0x6666));
    }
    const scenario::Outcome ro = scenario::runProgram(r.root(), env);
    EXPECT_FALSE(ro.crashed);
    EXPECT_NE(ro.exitCode, 0);
    EXPECT_TRUE(ro.err.contains(QStringLiteral("sola lettura"))) << ro.err.toStdString();
    QFile::setPermissions(r.paths.storeDb(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(scenario::fingerprint(r.root()), before);
    expectRecovery(r);
}

namespace {

// Fills the last page of the tables the documents and offers append to, with
// rows of older years, until one more row would need a new page; returns the
// store's page count then. With the size limit at that count the run's own
// rows find no room.
qint64 fillToTheBrim(const QString& path) {
    const QString name = QUuid::createUuid().toString();
    qint64 pages = 0;
    {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        d.setDatabaseName(path);
        if (!d.open()) return 0;
        QSqlQuery q(d);
        const auto pageCount = [&] {
            q.exec(QStringLiteral("PRAGMA page_count"));
            q.next();
            const qint64 n = q.value(0).toLongLong();
            q.finish();
            return n;
        };
        q.exec(QStringLiteral("PRAGMA synchronous = OFF"));
        const char* inserts[] = {
            "INSERT INTO testaof (anno, numero, tipodoc, numfa, datafa) VALUES (2020, ?1, 'DDTACQ', 90000 + ?1, '2020-01-01')",
            "INSERT INTO ordinif (bannoc, bnumer, bns, tipodoc, descrizione) VALUES (2020, 1, ?1, 'DDTACQ', 'RIGA DI RIEMPIMENTO')",
            "INSERT INTO offte (codutente, numero, anno, numpronelv, dsccliente) VALUES (1, ?1, 2020, 90000 + ?1, 'RIEMPIMENTO')",
            "INSERT INTO offmo (bannoc, bnumer, bns, eanrig, descrizione) VALUES (2020, 1, ?1, 'F' || ?1, 'RIEMPIMENTO')",
            "INSERT INTO codean (eanare, codare, desart) VALUES ('F' || ?1, 0, 'RIEMPIMENTO')",
        };
        for (const char* insert : inserts) {
            const qint64 start = pageCount();
            for (int i = 1; i < 100000; ++i) {
                q.exec(QStringLiteral("BEGIN"));
                q.prepare(QString::fromUtf8(insert));
                q.addBindValue(i);
                q.exec();
                q.finish();
                if (pageCount() > start) {
                    q.exec(QStringLiteral("ROLLBACK"));
                    break;
                }
                q.exec(QStringLiteral("COMMIT"));
            }
        }
        pages = pageCount();
        d.close();
    }
    QSqlDatabase::removeDatabase(name);
    return pages;
}

}  // namespace

TEST(BrokenDatabase, FullStoreEndsTheRunWithoutAHalfUnit) {
    // A size limit at what the store holds now, then one, two, three pages
    // more: the run stops at the first unit that does not fit, with the
    // message for a full archive, and a later run completes the work.
    int fullAt = 0;
    for (int extra = 0; extra <= 3; ++extra) {
        ScenarioRoot attempt;
        const qint64 pages = fillToTheBrim(attempt.paths.storeDb());
        ASSERT_GT(pages, 0);
        const scenario::Outcome full = scenario::runProgram(
            attempt.root(), {QStringLiteral("LIS06C_MAX_PAGE_COUNT=%1").arg(pages + extra)});
        SCOPED_TRACE(QStringLiteral("limit %1 pages").arg(pages + extra).toStdString());
        EXPECT_FALSE(full.crashed);
        if (full.exitCode != 0) {
            ++fullAt;
            EXPECT_TRUE(full.err.contains(QStringLiteral("pieno"))) << full.err.toStdString();
        }
        expectRecovery(attempt);
    }
    EXPECT_EQ(fullAt, 4) << "a limit tried did not fill the store";
}

TEST(BrokenDatabase, MissingTableOrFieldIsNamedAndNothingIsWritten) {
    const struct {
        const char* statement;
        const char* message;
    } cases[] = {{"DROP TABLE offmo", "manca la tabella offmo"},
                 {"ALTER TABLE listi01 DROP COLUMN qgia", "tabella listi01, manca il campo qgia"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statement);
        ScenarioRoot r;
        sql(r.paths.storeDb(), QString::fromUtf8(c.statement));
        const QByteArray chainBefore = fileBytes(r.paths.chainDb());
        const scenario::Outcome o = scenario::runProgram(r.root());
        EXPECT_FALSE(o.crashed);
        EXPECT_EQ(o.exitCode, 4) << o.err.toStdString();
        EXPECT_TRUE(o.err.contains(QString::fromUtf8(c.message))) << o.err.toStdString();
        EXPECT_EQ(scenario::integrity(r.paths.chainDb()), QStringLiteral("ok"));
        // --init puts back what is missing; then the run completes.
        QProcess init;
        init.start(qEnvironmentVariable("LIS06C_BINARY_DIR") + QStringLiteral("/lis06c"),
                   {QStringLiteral("--init"), QStringLiteral("--root"), r.root()});
        ASSERT_TRUE(init.waitForFinished(60000));
        EXPECT_EQ(init.exitCode(), 0) << init.readAllStandardError().toStdString();
        if (QString::fromUtf8(c.statement).contains(QStringLiteral("qgia")))
            sql(r.paths.storeDb(), QStringLiteral("UPDATE listi01 SET qgia = CASE codart WHEN 1 THEN 10 WHEN 3 THEN 5 ELSE 0 END"));
        expectRecovery(r);
    }
}

TEST(BrokenDatabase, AccessOrOtherFileAtTheDatabasePath) {
    const struct {
        bool store;
        QByteArray head;
        const char* message;
    } cases[] = {
        {true, QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(2048, '\x11'), "Microsoft Access"},
        {false, QByteArray("\x00\x01\x00\x00Standard ACE DB\x00", 20) + QByteArray(2048, '\x22'), "Microsoft Access"},
        {true, QByteArray("codart;desart\r\n1;PASTA\r\n"), "non è un archivio SQLite"},
        {false, QByteArray(), "non è un archivio SQLite"},
        // An SQLite header over a body that is not a database.
        {true, QByteArray("SQLite format 3\x00", 16) + QByteArray(4096, '\xEE'), ""},
    };
    for (const auto& c : cases) {
        ScenarioRoot r;
        const QString path = c.store ? r.paths.storeDb() : r.paths.chainDb();
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(path, QString::fromUtf8(c.message)).toStdString());
        const QByteArray good = fileBytes(path);
        const QString other = c.store ? r.paths.chainDb() : r.paths.storeDb();
        const QByteArray otherBefore = fileBytes(other);
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(c.head);
        }
        const scenario::Outcome o = scenario::runProgram(r.root());
        EXPECT_FALSE(o.crashed) << o.err.toStdString();
        EXPECT_NE(o.exitCode, 0);
        if (*c.message) EXPECT_TRUE(o.err.contains(QString::fromUtf8(c.message))) << o.err.toStdString();
        else EXPECT_TRUE(o.err.contains(QStringLiteral("archivio"), Qt::CaseInsensitive)) << o.err.toStdString();
        EXPECT_EQ(fileBytes(path), c.head) << "the broken file was changed";
        EXPECT_EQ(fileBytes(other), otherBefore) << "the other database was written";
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(good);
        }
        expectRecovery(r);
    }
}

// A database damaged inside (a page of a table overwritten) is found by the
// check at start: the run names the database and stops before either
// database is written, instead of failing part-way with SQLite's words.
TEST(BrokenDatabase, DamagedInsideIsFoundBeforeAnythingIsWritten) {
    const struct {
        bool store;
        const char* label;
        const char* table;  // whose first page is damaged
    } cases[] = {{true, "Quarn (negozio)", "listi01"}, {false, "Nelv (catena)", "articolo"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ScenarioRoot r;
        const QString path = c.store ? r.paths.storeDb() : r.paths.chainDb();
        const QString other = c.store ? r.paths.chainDb() : r.paths.storeDb();
        // Everything in the main file, so that the damage is what SQLite reads.
        sql(path, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        QByteArray bytes = fileBytes(path);
        const int pageSize = (quint8(bytes[16]) << 8) | quint8(bytes[17]);
        const int page = rootPage(path, QLatin1String(c.table));
        ASSERT_GT(page, 1);
        // The page's header: a kind of page that does not exist.
        bytes[qsizetype(page - 1) * pageSize] = '\x55';
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
        }
        const QByteArray otherBefore = fileBytes(other);
        const scenario::Outcome o = scenario::runProgram(r.root());
        EXPECT_FALSE(o.crashed) << o.err.toStdString();
        EXPECT_EQ(o.exitCode, 1) << o.err.toStdString();
        EXPECT_TRUE(o.err.contains(QStringLiteral("Archivio %1 danneggiato").arg(QLatin1String(c.label))))
            << o.err.toStdString();
        EXPECT_TRUE(o.err.contains(QStringLiteral("Nessun dato è stato modificato"))) << o.err.toStdString();
        EXPECT_EQ(fileBytes(path), bytes) << "the damaged database was written";
        EXPECT_EQ(fileBytes(other), otherBefore) << "the other database was written";
    }
}
