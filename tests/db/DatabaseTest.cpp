// The database layer: what it refuses to open, how it waits for a lock and
// reports a long one, and what its transactions keep or undo.
#include "TestRoot.h"
#include "db/Database.h"
#include "db/Schema.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <QThread>
#include <atomic>
#include <functional>
#include <thread>
#include <unistd.h>

namespace {

db::ErrorKind openKind(const QString& path, QString* message = nullptr) {
    try {
        db::Database::open(path, QStringLiteral("Quarn (negozio)"));
    } catch (const db::Error& e) {
        if (message) *message = e.message();
        return e.kind();
    }
    return db::ErrorKind::Other;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Sets an environment variable for one scope.
struct EnvVar {
    EnvVar(const char* name, const QByteArray& value) : name_(name) { qputenv(name, value); }
    ~EnvVar() { qunsetenv(name_); }
    const char* name_;
};

}  // namespace

TEST(Database, RefusesWhatIsNotAnSqliteDatabase) {
    QTemporaryDir dir;
    QString msg;
    const QString missing = dir.filePath(QStringLiteral("dati.mdb"));
    EXPECT_EQ(openKind(missing, &msg), db::ErrorKind::Missing);
    EXPECT_TRUE(msg.contains(missing)) << msg.toStdString();
    EXPECT_FALSE(QFile::exists(missing));  // never created

    EXPECT_EQ(openKind(dir.path(), &msg), db::ErrorKind::Missing);  // a folder is not a database

    const QString access = dir.filePath(QStringLiteral("access.mdb"));
    writeFile(access, QByteArray("\0\1\0\0Standard Jet DB\0", 20) + QByteArray(4096, '\0'));
    EXPECT_EQ(openKind(access, &msg), db::ErrorKind::NotDatabase);
    EXPECT_TRUE(msg.contains(QStringLiteral("Access")) && msg.contains(access)) << msg.toStdString();

    const QString text = dir.filePath(QStringLiteral("testo.mdb"));
    writeFile(text, "codart;desart\n1;PANE\n");
    EXPECT_EQ(openKind(text, &msg), db::ErrorKind::NotDatabase);
    EXPECT_TRUE(msg.contains(text)) << msg.toStdString();

    const QString empty = dir.filePath(QStringLiteral("vuoto.mdb"));
    writeFile(empty, QByteArray());
    EXPECT_EQ(openKind(empty), db::ErrorKind::NotDatabase);

    // The right header over a damaged body.
    const QString damaged = dir.filePath(QStringLiteral("rotto.mdb"));
    writeFile(damaged, QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\xff'));
    EXPECT_NE(openKind(damaged, &msg), db::ErrorKind::Other) << msg.toStdString();
    // None of them was changed.
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("codart;desart\n1;PANE\n"));
}

TEST(Database, ReadOnlyFile) {
    TestRoot root;
    root.close();
    const QString path = root.paths().storeDb();
    // Root writes through permission bits; an immutable file stops it too.
    const bool asRoot = ::geteuid() == 0;
    if (asRoot) {
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) != 0)
            GTEST_SKIP() << "cannot make a file read-only for root here";
    } else {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    QString msg;
    const db::ErrorKind kind = openKind(path, &msg);
    if (asRoot) QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
    else QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(kind, db::ErrorKind::ReadOnly);
    EXPECT_TRUE(msg.contains(path)) << msg.toStdString();
}

TEST(Database, LockHeldLongerThanTheBusyTimeout) {
    EnvVar timeout("LIS06C_BUSY_TIMEOUT_MS", "300");
    TestRoot root;
    root.close();
    auto other = db::Database::open(root.paths().storeDb(), QStringLiteral("altro programma"));
    auto ours = db::Database::open(root.paths().storeDb(), QStringLiteral("Quarn (negozio)"));
    {
        db::Transaction held(*other);
        other->exec(QStringLiteral("INSERT INTO automa (codice) VALUES (9)"));
        QElapsedTimer waited;
        waited.start();
        try {
            db::Transaction tx(*ours);
            ours->exec(QStringLiteral("INSERT INTO automa (codice) VALUES (2)"));
            tx.commit();
            FAIL() << "the write went through a held lock";
        } catch (const db::Error& e) {
            EXPECT_EQ(e.kind(), db::ErrorKind::Locked);
            EXPECT_TRUE(e.message().contains(root.paths().storeDb())) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QStringLiteral("bloccato"))) << e.message().toStdString();
        }
        EXPECT_GE(waited.elapsed(), 250);  // it did wait before giving up
        // Reading goes on under WAL while the other program writes.
        EXPECT_TRUE(ours->prepare(QStringLiteral("SELECT count(*) FROM automa")).first());
        held.commit();
    }
    // Once released, the same connection writes normally.
    db::Transaction tx(*ours);
    ours->exec(QStringLiteral("INSERT INTO automa (codice) VALUES (2)"));
    tx.commit();
    db::Query q = ours->prepare(QStringLiteral("SELECT count(*) AS n FROM automa"));
    ASSERT_TRUE(q.first());
    EXPECT_EQ(q.whole("n"), 2);

    // A lock shorter than the timeout is simply waited for.
    EnvVar longer("LIS06C_BUSY_TIMEOUT_MS", "5000");
    std::atomic<bool> locked = false;
    std::thread holder([&] {
        auto brief = db::Database::open(root.paths().storeDb(), QStringLiteral("altro programma"));
        brief->exec(QStringLiteral("BEGIN IMMEDIATE"));
        locked = true;
        QThread::msleep(300);
        brief->exec(QStringLiteral("COMMIT"));
    });
    while (!locked) QThread::msleep(1);
    QElapsedTimer waited;
    waited.start();
    {
        auto patient = db::Database::open(root.paths().storeDb(), QStringLiteral("Quarn (negozio)"));
        db::Transaction tx(*patient);
        patient->exec(QStringLiteral("INSERT INTO automa (codice) VALUES (3)"));
        tx.commit();
    }
    EXPECT_GE(waited.elapsed(), 150);
    holder.join();
}

TEST(Database, TransactionsAndSavepoints) {
    TestRoot root;
    db::Database& d = root.store();
    auto countRows = [&] { return root.count(d, QStringLiteral("automa")); };
    {
        db::Transaction tx(d);
        d.exec(QStringLiteral("INSERT INTO automa (codice) VALUES (?)"), {1});
    }  // not committed: undone
    EXPECT_EQ(countRows(), 0);
    {
        db::Transaction outer(d);
        d.exec(QStringLiteral("INSERT INTO automa (codice) VALUES (?)"), {1});
        {
            db::Transaction inner(d);
            d.exec(QStringLiteral("INSERT INTO automa (codice) VALUES (?)"), {2});
        }  // the inner unit alone is undone
        {
            db::Transaction inner(d);
            d.exec(QStringLiteral("INSERT INTO automa (codice) VALUES (?)"), {3});
            inner.commit();
        }
        EXPECT_EQ(countRows(), 2);
        outer.commit();
    }
    EXPECT_EQ(root.count(d, QStringLiteral("automa"), QStringLiteral("codice IN (1, 3)")), 2);
    EXPECT_EQ(countRows(), 2);
    {
        // An error inside a unit: the whole unit goes, the database stays usable.
        try {
            db::Transaction tx(d);
            d.exec(QStringLiteral("INSERT INTO automa (codice) VALUES (?)"), {4});
            d.exec(QStringLiteral("INSERT INTO tabella_che_non_esiste (x) VALUES (?)"), {1});
            tx.commit();
            FAIL();
        } catch (const db::Error& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("tabella_che_non_esiste"))) << e.message().toStdString();
        }
        EXPECT_EQ(countRows(), 2);
        db::Transaction tx(d);
        d.exec(QStringLiteral("INSERT INTO automa (codice) VALUES (?)"), {5});
        tx.commit();
        EXPECT_EQ(countRows(), 3);
    }
    {
        // A batch commits every n units; the unfinished one is undone.
        try {
            db::Batch batch(d, 2);
            for (int i = 10; i < 15; ++i) {
                d.exec(QStringLiteral("INSERT INTO automa (codice) VALUES (?)"), {i});
                batch.step();
            }
            throw std::runtime_error("stop");
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(root.count(d, QStringLiteral("automa"), QStringLiteral("codice >= 10")), 4);
    }
}

TEST(Database, QueriesByFieldNameWithBoundValues) {
    TestRoot root;
    db::Database& d = root.store();
    const QString tricky = QStringLiteral("L'ACQUA \"MINERALE\"; DROP TABLE listi01");
    db::Query ins = d.prepare(QStringLiteral("INSERT INTO listi01 (codart, desart, marg) VALUES (?, ?, ?)"));
    ins.exec({1, tricky, QVariant()});
    ins.exec({2, QStringLiteral("PANE"), 2.5});
    db::Query q = d.prepare(QStringLiteral("SELECT codart, desart, marg FROM listi01 WHERE codart = ?"));
    ASSERT_TRUE(q.first({1}));
    EXPECT_EQ(q.text("desart"), tricky);
    EXPECT_TRUE(q.isNull("marg"));
    // The same statement again with another value.
    ASSERT_TRUE(q.first({2}));
    EXPECT_EQ(q.number("marg"), 2.5);
    EXPECT_FALSE(q.isNull("marg"));
    EXPECT_FALSE(q.first({3}));
    // A field the statement does not return is an error naming it, not a silent Null.
    ASSERT_TRUE(q.first({2}));
    try {
        q.value("przpub");
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.kind(), db::ErrorKind::Schema);
        EXPECT_TRUE(e.message().contains(QStringLiteral("przpub")));
    }
    // A statement that cannot be prepared names itself.
    try {
        d.prepare(QStringLiteral("SELECT nocampo FROM listi01"));
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("nocampo")));
    }
}

// A statement still being read holds a snapshot of the database, and SQLite
// then does not wait for another program's write lock: the write would fail
// at once. Such a write is refused before it reaches SQLite, naming both
// statements; a statement finished, read to its end or gone does not count.
TEST(Database, NoWriteBeginsWhileAStatementIsBeingRead) {
    const struct {
        const char* state;
        std::function<void(db::Query&)> leave;
        bool refused;
    } cases[] = {
        {"first row read, more to come", [](db::Query& q) { q.first(); }, true},
        {"executed, nothing read yet", [](db::Query& q) { q.exec(); }, true},
        {"finished", [](db::Query& q) { q.first(); q.finish(); }, false},
        {"read to its end", [](db::Query& q) { q.exec(); while (q.next()) {} }, false},
        {"first row taken with firstRow", [](db::Query& q) { q.firstRow({}, [](const db::Query&) { return 1; }); },
         false},
        {"moved while being read", [](db::Query& q) { q.first(); db::Query moved(std::move(q)); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        TestRoot root;
        db::Database& d = root.store();
        d.exec(QStringLiteral("INSERT INTO automa (codice) VALUES (1), (2)"));
        db::Query read = d.prepare(QStringLiteral("SELECT codice FROM automa ORDER BY codice"));
        c.leave(read);
        const std::function<void()> writes[] = {
            [&] { db::Transaction tx(d); tx.commit(); },
            [&] { d.exec(QStringLiteral("UPDATE automa SET art1 = 'x'")); },
            [&] { d.exec(QStringLiteral("CREATE TABLE altra (x INTEGER)")); },
        };
        for (const auto& write : writes) {
            try {
                write();
                EXPECT_FALSE(c.refused) << "a write began while a statement was being read";
            } catch (const db::Error& e) {
                EXPECT_TRUE(c.refused) << e.message().toStdString();
                EXPECT_TRUE(e.message().contains(QStringLiteral("SELECT codice FROM automa"))) << e.message().toStdString();
                EXPECT_TRUE(e.message().contains(root.paths().storeDb())) << e.message().toStdString();
            }
        }
        EXPECT_EQ(root.count(d, QStringLiteral("automa"), QStringLiteral("art1 = 'x'")), c.refused ? 0 : 2);
        // Inside a transaction reading and writing mix freely.
        if (c.refused) read.finish();
        db::Transaction tx(d);
        db::Query again = d.prepare(QStringLiteral("SELECT codice FROM automa ORDER BY codice"));
        ASSERT_TRUE(again.first());
        d.exec(QStringLiteral("UPDATE automa SET art2 = 'y'"));
        tx.commit();
    }
}

// A database brought over from another program may hold rows that one of
// lis06c's unique indexes does not allow: the index comes as a plain one and
// every row stays.
TEST(Schema, AUniqueIndexTheRowsDoNotAllowBecomesPlain) {
    TestRoot root;
    db::Database& store = root.store();
    store.exec(QStringLiteral("DROP INDEX codean_keyean"));
    for (int article : {1, 2})
        root.exec(store, QStringLiteral("INSERT INTO codean (eanare, codare) VALUES ('8000000000011', ?)"), {article});
    db::createMissing(store, db::Which::Store);
    EXPECT_EQ(root.scalar(store, QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'codean_keyean'")).toString(),
              QStringLiteral("CREATE INDEX \"codean_keyean\" ON \"codean\" (eanare)"));
    EXPECT_EQ(root.count(store, QStringLiteral("codean")), 2);
}
