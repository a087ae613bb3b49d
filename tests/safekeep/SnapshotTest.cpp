// A copy of a database taken while another program writes it holds one
// committed state: whole (integrity check), and never half of a transaction.
#include "db/Database.h"
#include "safekeep/Snapshot.h"

#include <QDir>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <thread>

using namespace safekeep;

namespace {

// A bare connection for the writer and the checks.
struct Connection {
    sqlite3* db = nullptr;
    explicit Connection(const QString& path) {
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        sqlite3_busy_timeout(db, 10000);
    }
    ~Connection() { sqlite3_close_v2(db); }
    void exec(const char* sql) const { ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql << ": " << sqlite3_errmsg(db); }
    qint64 number(const char* sql) const {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
        const qint64 v = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : -1;
        sqlite3_finalize(s);
        return v;
    }
    QString text(const char* sql) const {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
        const QString v = sqlite3_step(s) == SQLITE_ROW ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))) : QString();
        sqlite3_finalize(s);
        return v;
    }
};

// Stock moves from one article to the other, and every move is logged, in
// one transaction: the two quantities always add up to 1000 and the log has
// one row per move.
void createStore(const QString& path) {
    Connection c(path);
    c.exec("PRAGMA journal_mode = WAL");
    c.exec("CREATE TABLE stock (codart INTEGER, qgia INTEGER)");
    c.exec("CREATE TABLE moves (n INTEGER, filler TEXT)");
    c.exec("INSERT INTO stock VALUES (1, 1000), (2, 0)");
    // Enough pages for the copy to take a while.
    c.exec("WITH RECURSIVE i(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM i WHERE n < 30000) "
           "INSERT INTO moves SELECT 0, printf('%0200d', n) FROM i");
}

class SnapshotWhileWriting : public testing::TestWithParam<SnapshotMethod> {};

TEST_P(SnapshotWhileWriting, CopyIsWholeAndConsistent) {
    QTemporaryDir dir;
    const QString store = dir.filePath("dati.mdb");
    createStore(store);

    std::atomic<bool> stop{false};
    std::atomic<int> moves{0};
    std::thread writer([&] {
        Connection c(store);
        for (int n = 1; !stop; ++n) {
            c.exec("BEGIN IMMEDIATE");
            c.exec("UPDATE stock SET qgia = qgia - 1 WHERE codart = 1");
            c.exec("UPDATE stock SET qgia = qgia + 1 WHERE codart = 2");
            const QByteArray log = QByteArray("INSERT INTO moves VALUES (") + QByteArray::number(n) + ", 'x')";
            c.exec(log.constData());
            c.exec("COMMIT");
            ++moves;
        }
    });
    while (moves < 20) std::this_thread::yield();

    const Connection source(store);
    const int before = moves;
    const QString copy = dir.filePath("copia.mdb");
    snapshot(source.db, copy, QStringLiteral("negozio"), GetParam());
    const int during = moves - before;
    stop = true;
    writer.join();

    const Connection c(copy);
    EXPECT_EQ(c.text("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(c.number("SELECT sum(qgia) FROM stock"), 1000);
    const qint64 logged = c.number("SELECT count(*) FROM moves WHERE n > 0");
    EXPECT_EQ(c.number("SELECT qgia FROM stock WHERE codart = 2"), logged);
    EXPECT_GE(logged, 20);
    EXPECT_EQ(c.number("SELECT count(*) FROM moves WHERE n = 0"), 30000);
    // The writer went on during the copy, or the test proved nothing.
    EXPECT_GT(during, 0);
}

INSTANTIATE_TEST_SUITE_P(Methods, SnapshotWhileWriting,
                         testing::Values(SnapshotMethod::OnlineBackup, SnapshotMethod::VacuumInto),
                         [](const auto& info) {
                             return info.param == SnapshotMethod::OnlineBackup ? "OnlineBackup" : "VacuumInto";
                         });

TEST(Snapshot, ByPathLeavesTheSourceAsItWasAndReplacesAnOldCopy) {
    QTemporaryDir dir;
    const QString store = dir.filePath("dati.mdb");
    createStore(store);
    QFile f(store);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    f.close();

    const QString copy = dir.filePath("copia.mdb");
    QFile old(copy);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("not a database");
    old.close();

    snapshot(store, copy, QStringLiteral("negozio"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), bytes);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"copia.mdb", "dati.mdb"}));
    EXPECT_EQ(Connection(copy).number("SELECT count(*) FROM moves"), 30000);

    try {
        snapshot(dir.filePath("manca.mdb"), copy, QStringLiteral("negozio"));
        FAIL() << "a missing database was copied";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.kind(), db::ErrorKind::Missing);
        EXPECT_TRUE(e.message().contains("manca.mdb")) << e.message().toStdString();
    }
}

}  // namespace
