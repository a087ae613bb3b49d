// The database layer: what it refuses to open, how it waits for a lock and
// reports a long one, what its transactions keep or undo, rows that cannot be
// read, and the lookup indexes it adds to a database that lacks them.
#include "TestRoot.h"
#include "db/Database.h"
#include "db/ReadOnce.h"
#include "db/Schema.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <QThread>
#include <atomic>
#include <functional>
#include <limits>
#include <optional>
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
        // A batch commits the units finished once it has held the lock for its
        // time, in every database it spans; the unit under way is undone.
        const struct {
            std::chrono::milliseconds hold;
            int kept;
        } holds[] = {{std::chrono::milliseconds(0), 5}, {std::chrono::hours(1), 0}};
        db::Database& chain = root.chain();
        for (const auto& h : holds) {
            d.exec(QStringLiteral("DELETE FROM automa WHERE codice >= 10"));
            chain.exec(QStringLiteral("DELETE FROM reparti"));
            try {
                db::Batch batch({&d, &chain}, h.hold);
                for (int i = 10; i < 16; ++i) {
                    d.exec(QStringLiteral("INSERT INTO automa (codice) VALUES (?)"), {i});
                    chain.exec(QStringLiteral("INSERT INTO reparti (codrep) VALUES (?)"), {i});
                    if (i < 15) batch.step();
                }
                throw std::runtime_error("stop");
            } catch (const std::runtime_error&) {
            }
            EXPECT_EQ(root.count(d, QStringLiteral("automa"), QStringLiteral("codice >= 10")), h.kept);
            EXPECT_EQ(root.count(chain, QStringLiteral("reparti")), h.kept);
        }
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

TEST(Database, ANullStringBindsAsEmptyTextAndOnlyNullAsNull) {
    TestRoot root;
    db::Database& s = root.store();
    s.exec(QStringLiteral("CREATE TABLE t (k INTEGER, v TEXT)"));
    QVariant readNull;
    {
        s.exec(QStringLiteral("INSERT INTO t VALUES (0, NULL)"));
        db::Query q = s.prepare(QStringLiteral("SELECT v FROM t WHERE k = 0"));
        ASSERT_TRUE(q.first());
        readNull = q.value("v");
    }
    const struct {
        QVariant value;
        const char* stored;  // typeof() of what was stored
    } cases[] = {
        {QString(), "text"},                        // a text never given a value
        {QVariant(QString()), "text"},
        {QString().left(20), "text"},
        {QStringLiteral("PANE"), "text"},
        {QVariant(), "null"},                       // Null asked for
        {readNull, "null"},                         // a Null read, passed on
        {QVariant(QMetaType::fromType<QString>()), "null"},
    };
    int k = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(k);
        s.exec(QStringLiteral("INSERT INTO t VALUES (?, ?)"), {k, c.value});
        db::Query list = s.prepare(QStringLiteral("INSERT INTO t VALUES (?, ?)"));
        list.execList({k + 100, c.value});
        EXPECT_EQ(root.scalar(s, QStringLiteral("SELECT typeof(v) FROM t WHERE k = ?"), {k}).toString(), c.stored);
        EXPECT_EQ(root.scalar(s, QStringLiteral("SELECT typeof(v) FROM t WHERE k = ?"), {k + 100}).toString(),
                  c.stored);
        ++k;
    }
    EXPECT_EQ(root.count(s, QStringLiteral("t"), QStringLiteral("v = ''")), 6);
}

namespace {

// A database of its own, made outside the layer: table t of `rows` rows, each
// wide enough (3,000 bytes) to fill a page.
QString wideRowsDatabase(const QTemporaryDir& dir, int rows) {
    const QString path = dir.filePath(QStringLiteral("righe.mdb"));
    const QString name = QStringLiteral("wide-rows");
    {
        QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        raw.setDatabaseName(path);
        EXPECT_TRUE(raw.open());
        QSqlQuery q(raw);
        EXPECT_TRUE(q.exec(QStringLiteral("CREATE TABLE t (n INTEGER, pad TEXT)")));
        EXPECT_TRUE(q.prepare(QStringLiteral("INSERT INTO t VALUES (?, ?)")));
        for (int i = 1; i <= rows; ++i) {
            q.bindValue(0, i);
            q.bindValue(1, QString(3000, QLatin1Char('x')));
            EXPECT_TRUE(q.exec());
        }
        raw.close();
    }
    QSqlDatabase::removeDatabase(name);
    return path;
}

// The file's last page (the last row's) overwritten with bytes that are no page.
void damageLastPage(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(f.size() - 4096));
    f.write(QByteArray(4096, '\xff'));
}

}  // namespace

TEST(Database, ARowThatCannotBeReadIsAnErrorNotTheEndOfTheRows) {
    struct Case {
        const char* what;
        const char* select;
        std::function<QString(const QTemporaryDir&)> make;
    };
    const Case cases[] = {
        {"a value that overflows on the second row", "SELECT abs(n) AS v FROM t ORDER BY rowid",
         [](const QTemporaryDir& dir) {
             const QString path = wideRowsDatabase(dir, 1);
             auto d = db::Database::open(path, QStringLiteral("prova"));
             d->exec(QStringLiteral("INSERT INTO t (n) VALUES (?)"), {std::numeric_limits<qint64>::min()});
             return path;
         }},
        {"a damaged page after the first row", "SELECT n AS v, pad FROM t",
         [](const QTemporaryDir& dir) {
             const QString path = wideRowsDatabase(dir, 40);
             damageLastPage(path);
             return path;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = c.make(dir);
        auto d = db::Database::open(path, QStringLiteral("prova"));
        db::Query q = d->prepare(QString::fromUtf8(c.select));
        ASSERT_TRUE(q.first());
        EXPECT_EQ(q.whole("v"), 1);
        try {
            while (q.next()) {
            }
            ADD_FAILURE() << "the rows ended without an error";
        } catch (const db::Error& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.select))) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(path)) << e.message().toStdString();
        }
    }
    // Rows asked of a statement that was never run are not an empty result either.
    TestRoot root;
    db::Query never = root.store().prepare(QStringLiteral("SELECT codice FROM automa"));
    EXPECT_THROW(never.next(), db::Error);
}

TEST(Database, AUniqueIndexTheDataBreaksIsMadePlainAndSaidSo) {
    struct Case {
        const char* what;
        std::vector<const char*> before;  // run on the store first
        const char* raisedWith;           // nullptr: not raised
        const char* saysOnStderr;         // nullptr: nothing said
        const char* indexSql;             // the index left behind, nullptr: none
    };
    const Case cases[] = {
        {"a barcode that repeats",
         {"DROP INDEX codean_keyean", "INSERT INTO codean (eanare, codare) VALUES ('8001', 1), ('8001', 2)"},
         nullptr, "UNIQUE constraint failed: codean.eanare", "CREATE INDEX \"codean_keyean\" ON \"codean\" (eanare)"},
        {"barcodes that do not repeat",
         {"DROP INDEX codean_keyean", "INSERT INTO codean (eanare, codare) VALUES ('8001', 1), ('8002', 2)"},
         nullptr, nullptr, "CREATE UNIQUE INDEX \"codean_keyean\" ON \"codean\" (eanare)"},
        {"a field the index needs is missing",
         {"DROP TABLE codean", "CREATE TABLE codean (codare INTEGER, dataagg TEXT)"}, "eanare", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestRoot root;
        db::Database& d = root.store();
        for (const char* sql : c.before) d.exec(QString::fromUtf8(sql));
        testing::internal::CaptureStderr();
        QString raised;
        try {
            db::createMissingIndexes(d, db::Which::Store);
        } catch (const db::Error& e) {
            raised = e.message();
        }
        const std::string said = testing::internal::GetCapturedStderr();
        if (c.raisedWith)
            EXPECT_TRUE(raised.contains(QLatin1String(c.raisedWith))) << raised.toStdString();
        else
            EXPECT_TRUE(raised.isEmpty()) << raised.toStdString();
        if (c.saysOnStderr) {
            // The database, the index and SQLite's reason.
            for (const std::string& part : {std::string("Quarn (negozio)"), d.path().toStdString(),
                                            std::string("codean_keyean"), std::string(c.saysOnStderr)})
                EXPECT_NE(said.find(part), std::string::npos) << part << " not in: " << said;
        } else {
            EXPECT_EQ(said, "");
        }
        const QVariant sql = root.scalar(
            d, QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'codean_keyean'"));
        EXPECT_EQ(sql.toString(), QString::fromUtf8(c.indexSql ? c.indexSql : ""));
    }
}

// The chain's articles were indexed whole by their mark; only the marked ones
// are now. A database of an earlier version loses the old index at start-up,
// and the store update's reading of the marked articles finds the new one.
TEST(Database, AnIndexOfAnEarlierVersionIsReplaced) {
    TestRoot root;
    db::Database& chain = root.chain();
    chain.exec(QStringLiteral("DROP INDEX articolo_segnati"));
    chain.exec(QStringLiteral("CREATE INDEX articolo_variato ON articolo (artvariato, desart)"));
    db::createMissingIndexes(chain, db::Which::Chain);
    const auto indexes = [&] {
        QStringList names;
        db::Query q = chain.prepare(QStringLiteral(
            "SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'articolo' ORDER BY name"));
        for (q.exec({}); q.next();) names << q.value(0).toString();
        return names;
    };
    EXPECT_EQ(indexes(), QStringList({"articolo_codart", "articolo_segnati"}));
    db::Query plan = chain.prepare(QStringLiteral("EXPLAIN QUERY PLAN SELECT codart FROM articolo "
                                                  "WHERE artvariato = 'S' ORDER BY desart, codart LIMIT 10"));
    ASSERT_TRUE(plan.first());
    EXPECT_EQ(plan.value(3).toString(), "SCAN articolo USING INDEX articolo_segnati");
}

TEST(Database, ValuesGoInAndComeBackByTheirType) {
    struct Case {
        const char* what;
        QVariant bound;
        const char* stored;  // SQLite's typeof()
        int readAs;          // the QVariant's type read back
        QVariant readBack;
    };
    const qint64 big = qint64(1) << 40;
    const Case cases[] = {
        {"int", 7, "integer", QMetaType::LongLong, qint64(7)},
        {"qint64", big, "integer", QMetaType::LongLong, big},
        {"uint", 4000000000u, "integer", QMetaType::LongLong, qint64(4000000000)},
        {"bool", true, "integer", QMetaType::LongLong, qint64(1)},
        {"double", 2.5, "real", QMetaType::Double, 2.5},
        {"text", QStringLiteral("PANE"), "text", QMetaType::QString, QStringLiteral("PANE")},
        {"text beyond ASCII", QStringLiteral("CAFFÈ €"), "text", QMetaType::QString, QStringLiteral("CAFFÈ €")},
        {"empty text", QStringLiteral(""), "text", QMetaType::QString, QStringLiteral("")},
        {"null text: a text never given a value goes in as empty text", QString(), "text", QMetaType::QString,
         QStringLiteral("")},
        {"no value", QVariant(), "null", QMetaType::QString, QVariant()},
        {"bytes", QByteArray("\x01\x02", 2), "blob", QMetaType::QByteArray, QByteArray("\x01\x02", 2)},
        {"date", QDate(2026, 12, 8), "text", QMetaType::QString, QStringLiteral("2026-12-08")},
        {"date and time", QDateTime(QDate(2026, 12, 8), QTime(10, 30)), "text", QMetaType::QString,
         QStringLiteral("2026-12-08T10:30:00.000")},
        {"float, as its text", 1.5f, "text", QMetaType::QString, QStringLiteral("1.5")},
    };
    TestRoot root;
    db::Query q = root.store().prepare(QStringLiteral("SELECT typeof(v) AS kind, v FROM (SELECT ? AS v)"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(q.first({c.bound}));
        EXPECT_EQ(q.text("kind"), QLatin1String(c.stored));
        const QVariant v = q.value("v");
        EXPECT_EQ(v.typeId(), c.readAs);
        if (c.readBack.isValid()) {
            EXPECT_EQ(v, c.readBack);
            EXPECT_FALSE(v.toString().isNull());  // an empty text is not Null
        } else {
            EXPECT_TRUE(v.isNull());
        }
        EXPECT_FALSE(q.next());
        EXPECT_FALSE(q.value("v").isValid());  // no current row
    }
}

TEST(Database, StatementsMisusedAreErrors) {
    TestRoot root;
    db::Database& d = root.store();
    // A value not given again stays bound, as many as the statement wants must be.
    db::Query q = d.prepare(QStringLiteral("SELECT ? + ? AS n"));
    ASSERT_TRUE(q.first({1, 2}));
    EXPECT_EQ(q.whole("n"), 3);
    ASSERT_TRUE(q.first({5}));
    EXPECT_EQ(q.whole("n"), 7);
    db::Query fresh = d.prepare(QStringLiteral("SELECT ? + ? AS n"));
    EXPECT_THROW(fresh.exec({1}), db::Error);
    EXPECT_THROW(fresh.exec({1, 2, 3}), db::Error);
    // One statement per text.
    EXPECT_THROW(d.prepare(QStringLiteral("SELECT 1; SELECT 2")), db::Error);
    // A statement that outlives its database fails instead of touching a closed connection.
    auto other = db::Database::open(root.paths().chainDb(), QStringLiteral("Nelv (catena)"));
    db::Query orphan = other->prepare(QStringLiteral("SELECT count(*) FROM articolo"));
    ASSERT_TRUE(orphan.first());
    other.reset();
    EXPECT_FALSE(orphan.value(0).isValid());
    EXPECT_THROW(orphan.exec(), db::Error);
}

// SQLite reads bound texts and bytes in place, on every later run too when
// they are not given again: what the caller gave may be gone by then.
TEST(Database, AValueLeftBoundOutlivesWhatTheCallerGave) {
    const struct {
        const char* what;
        QVariantList given;  // the first values of this run; the others stay as bound before
        QVariant first, second;
    } runs[] = {
        {"both", {QStringLiteral("PANE"), QStringLiteral("CAFFÈ €")}, QStringLiteral("PANE"),
         QStringLiteral("CAFFÈ €")},
        {"text beyond ASCII left bound", {QStringLiteral("LATTE")}, QStringLiteral("LATTE"),
         QStringLiteral("CAFFÈ €")},
        {"bytes, then left bound", {QStringLiteral("UOVA"), QByteArray("\x01\x02", 2)}, QStringLiteral("UOVA"),
         QByteArray("\x01\x02", 2)},
        {"a number, bytes left bound", {7}, qint64(7), QByteArray("\x01\x02", 2)},
        {"text beyond ASCII where ASCII was", {QStringLiteral("PESCA È"), QStringLiteral("MELA")},
         QStringLiteral("PESCA È"), QStringLiteral("MELA")},
        {"ASCII left bound", {2.5}, 2.5, QStringLiteral("MELA")},
    };
    TestRoot root;
    db::Query q = root.store().prepare(QStringLiteral("SELECT ? AS a, ? AS b"));
    for (const auto& run : runs) {
        SCOPED_TRACE(run.what);
        {
            // Copies of the caller's own, which end here, before the row is read.
            QVariantList given;
            for (const QVariant& v : run.given) {
                if (v.typeId() == QMetaType::QString)
                    given << QString(v.toString().constData(), v.toString().size());
                else if (v.typeId() == QMetaType::QByteArray)
                    given << QByteArray(v.toByteArray().constData(), v.toByteArray().size());
                else
                    given << v;
            }
            q.execList(given);
        }
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value("a"), run.first);
        EXPECT_EQ(q.value("b"), run.second);
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

// Asked for, each connection tells on closing where its statement time went:
// the statements by their text, the costliest first, with how often each ran.
TEST(Database, StatementTimesAreToldOnClosingWhenAskedFor) {
    TestRoot root;
    for (const bool asked : {false, true}) {
        SCOPED_TRACE(asked ? "asked" : "not asked");
        std::optional<EnvVar> env;
        if (asked) env.emplace("LIS06C_SQL_TIMES", "1");
        auto chain = db::Database::open(root.paths().chainDb(), QStringLiteral("Nelv (catena)"));
        db::Query q = chain->prepare(QStringLiteral("SELECT count(*) AS n FROM articolo WHERE codart > ?"));
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(q.first({i}));
        q.finish();
        testing::internal::CaptureStderr();
        chain.reset();
        const std::string said = testing::internal::GetCapturedStderr();
        if (!asked) {
            EXPECT_EQ(said, "");
            continue;
        }
        EXPECT_NE(said.find("archivio Nelv (catena):"), std::string::npos) << said;
        EXPECT_NE(said.find("3 volte  SELECT count(*) AS n FROM articolo WHERE codart > ?"), std::string::npos)
            << said;
    }
}

// A cache read through readOnce answers every key with its own value; with a
// limit it reads again only what it let go of when it filled up.
TEST(ReadOnce, EachKeyReadOnceOrAgainAfterTheCacheFilledUp) {
    struct Case {
        qsizetype limit;
        std::vector<int> keys;
        int reads;  // how many times the database would be asked
    };
    const std::vector<Case> cases = {
        {0, {1, 2, 3, 1, 2, 3}, 3},
        {3, {1, 2, 3, 1, 2, 3}, 3},
        {2, {1, 2, 1, 3, 1, 3}, 4},  // 3 empties the cache: 1 is read again, 3 stays
    };
    for (const Case& c : cases) {
        QHash<int, QString> cache;
        int reads = 0;
        for (int key : c.keys) {
            const QString value = db::readOnce(
                cache, key, [&] { ++reads; return QString::number(key * 10); }, c.limit);
            EXPECT_EQ(value, QString::number(key * 10));
            if (c.limit > 0) {
                EXPECT_LE(cache.size(), c.limit);
            }
        }
        EXPECT_EQ(reads, c.reads) << "limit " << c.limit;
    }
}
