// What the undo compares: a change of any row shows in its table, a change
// of nothing (rows rewritten as they were, a VACUUM) does not.
#include "safekeep/Fingerprint.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace safekeep;

namespace {

struct Case {
    const char* name;
    const char* change;  // SQL run between the two fingerprints
    QStringList expected;
};

void exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << sql << ": " << error;
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class FingerprintChanges : public testing::TestWithParam<Case> {};

TEST_P(FingerprintChanges, NamesEveryTableThatChanged) {
    // Both hashes: the one this version writes, and the one of the backups
    // of earlier versions, which wrote no name of it (their undo still works).
    for (const RowHash hash : {RowHash::Words, RowHash::Bytes}) {
        SCOPED_TRACE(hash == RowHash::Words ? "words" : "bytes");
        QTemporaryDir dir;
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(dir.filePath("dati.mdb")).constData(), &db);
        exec(db, "CREATE TABLE listi01 (codart INTEGER, qgia REAL, desart TEXT, foto BLOB)");
        exec(db, "INSERT INTO listi01 VALUES (1, 5.0, 'PASTA', x'00ff'), (2, 0.5, 'SUGO', NULL)");
        exec(db, "CREATE TABLE codean (codart INTEGER, ean TEXT)");
        exec(db, "INSERT INTO codean VALUES (1, '8001234567890')");
        exec(db, "CREATE TABLE storico (run INTEGER)");

        const Fingerprint before = fingerprint(db, QStringLiteral("negozio"), {QStringLiteral("storico")}, hash);
        exec(db, GetParam().change);
        const Fingerprint after = fingerprint(db, QStringLiteral("negozio"), {QStringLiteral("storico")}, hash);
        EXPECT_EQ(changes(before, after), GetParam().expected);
        // What a backup writes down reads back the same, with its hash.
        const QJsonObject json = after.toJson();
        EXPECT_EQ(json.contains("hash"), hash == RowHash::Words);
        EXPECT_EQ(Fingerprint::fromJson(json).hash, hash);
        EXPECT_EQ(Fingerprint::fromJson(json).tables, after.tables);
        sqlite3_close(db);
    }
}

const Case kCases[] = {
    {"Nothing", "SELECT 1", {}},
    {"RowAdded", "INSERT INTO listi01 VALUES (3, 1, 'OLIO', NULL)", {"listi01: 2 righe, ora 3"}},
    {"RowRemoved", "DELETE FROM codean", {"codean: 1 righe, ora 0"}},
    {"StockMoved", "UPDATE listi01 SET qgia = 4.0 WHERE codart = 1", {"listi01: 2 righe, ora 2 con contenuto diverso"}},
    {"NullBecomesEmpty", "UPDATE listi01 SET foto = '' WHERE foto IS NULL",
     {"listi01: 2 righe, ora 2 con contenuto diverso"}},
    {"BlobChanged", "UPDATE listi01 SET foto = x'00fe' WHERE codart = 1",
     {"listi01: 2 righe, ora 2 con contenuto diverso"}},
    {"TwoRowsSwapValues", "UPDATE listi01 SET desart = CASE codart WHEN 1 THEN 'SUGO' ELSE 'PASTA' END",
     {"listi01: 2 righe, ora 2 con contenuto diverso"}},
    {"RowsRewrittenInAnotherOrder",
     "CREATE TEMP TABLE t AS SELECT * FROM listi01 ORDER BY codart DESC; DELETE FROM listi01; "
     "INSERT INTO listi01 SELECT * FROM t",
     {}},
    {"Vacuum", "DELETE FROM codean WHERE 0; VACUUM", {}},
    {"KeptTableWritten", "INSERT INTO storico VALUES (7)", {}},
    {"TableAdded", "CREATE TABLE nuova (x INTEGER); INSERT INTO nuova VALUES (1)", {"nuova: tabella nuova, 1 righe"}},
    {"TableDropped", "DROP TABLE codean", {"codean: 1 righe, ora la tabella non c'è più"}},
};

INSTANTIATE_TEST_SUITE_P(Changes, FingerprintChanges, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Fingerprint, WideTablesAreSummedInGroupsOfFields) {
    QTemporaryDir dir;
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(dir.filePath("dati.mdb")).constData(), &db);
    QStringList fields;
    for (int i = 0; i < 250; ++i) fields << QStringLiteral("c%1 INTEGER").arg(i);
    exec(db, QStringLiteral("CREATE TABLE larga (%1)").arg(fields.join(", ")).toUtf8().constData());
    exec(db, "INSERT INTO larga (c0) VALUES (1)");
    const Fingerprint before = fingerprint(db, QStringLiteral("negozio"));
    exec(db, "UPDATE larga SET c249 = 1");
    EXPECT_EQ(changes(before, fingerprint(db, QStringLiteral("negozio"))),
              QStringList{"larga: 1 righe, ora 1 con contenuto diverso"});
    sqlite3_close(db);
}

}  // namespace
