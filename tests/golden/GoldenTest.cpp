// The whole run on a small generated store, compared row by row with a
// reviewed dump of every table it writes in both databases (run.dump). Any
// change in what the run writes shows here as a unified diff.
//
// After a change that is meant to alter what the run writes, regenerate the
// reviewed file and read the difference before committing it:
//
//     LIS06C_UPDATE_GOLDEN=1 build/tests/golden/golden_tests
//     git diff tests/golden/run.dump
#include "GoldenRun.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kGoldenFile = QStringLiteral(LIS06C_GOLDEN_FILE);

QStringList readLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList out = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!out.isEmpty() && out.last().isEmpty()) out.removeLast();
    return out;
}

bool writeLines(const QString& path, const QStringList& lines) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    for (const QString& l : lines) f.write(l.toUtf8() + '\n');
    return f.error() == QFile::NoError;
}

}  // namespace

TEST(Golden, WholeRunWritesTheReviewedRows) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const GoldenRun run = generateAndRun(dir.path());

    QStringList dump{QStringLiteral("run|exit=%1").arg(run.exitStatus)};
    dump += run.said;
    dump += dumpRoot(dir.path(), goldenDumpOptions());

    if (qEnvironmentVariableIntValue("LIS06C_UPDATE_GOLDEN") == 1) {
        ASSERT_TRUE(writeLines(kGoldenFile, dump)) << kGoldenFile.toStdString();
        GTEST_SKIP() << "wrote " << dump.size() << " lines to " << kGoldenFile.toStdString();
    }
    const QStringList expected = readLines(kGoldenFile);
    ASSERT_FALSE(expected.isEmpty()) << kGoldenFile.toStdString()
                                     << " is missing; write it with LIS06C_UPDATE_GOLDEN=1";
    const QString diff = unifiedDiff(expected, dump);
    EXPECT_TRUE(diff.isEmpty()) << "the run wrote other rows than " << kGoldenFile.toStdString()
                                << " (if the change is meant, rerun with LIS06C_UPDATE_GOLDEN=1 and review "
                                   "git diff):\n"
                                << diff.toStdString() << "\nfields changed:\n"
                                << changedFields(expected, dump).join(QLatin1Char('\n')).toStdString();
}

// The dump itself: what would hide a difference if it printed wrongly.
TEST(Golden, DumpPrintsEveryValueExactly) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("t.db"));
    {
        const QString name = QStringLiteral("golden-dump-test");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path);
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE t (b TEXT, a REAL, \"C\" INTEGER, d BLOB)")));
            const char* const rows[] = {
                "INSERT INTO t VALUES ('2026-06-16 x 16/06/2026', 0.1, 7, x'00ff')",
                "INSERT INTO t VALUES ('2026-06-23|08:45:00', 5, NULL, NULL)",
                "INSERT INTO t VALUES ('a\"b\\c\nd  ', 1e-7, -3, NULL)",
                "INSERT INTO t VALUES (NULL, 0.30000000000000004, 0, '')",
                "INSERT INTO t VALUES ('NULL', 2.5, 9007199254740993, NULL)",
            };
            for (const char* sql : rows) ASSERT_TRUE(q.exec(QString::fromUtf8(sql))) << sql;
        }
        QSqlDatabase::removeDatabase(name);
    }
    DumpOptions o;
    o.today = QDate(2026, 6, 16);
    o.now = QTime(8, 45, 0);
    const QStringList expected = {
        R"(x.t|a=0.1|b="<TODAY> x <TODAY>"|C=7|d=x'00ff')",
        R"(x.t|a=0.30000000000000004|b=NULL|C=0|d="")",
        R"(x.t|a=1e-07|b="a\"b\\c\nd  "|C=-3|d=NULL)",
        R"(x.t|a=2.5|b="NULL"|C=9007199254740993|d=NULL)",
        R"(x.t|a=5.0|b="<TODAY+7>|<NOW>"|C=NULL|d=NULL)",
    };
    const QStringList got = dumpDatabase(path, QStringLiteral("x"), {}, o);
    EXPECT_EQ(got, expected) << unifiedDiff(expected, got).toStdString();
    EXPECT_ANY_THROW(dumpDatabase(path, QStringLiteral("x"), {QStringLiteral("missing")}, o));

    // A difference is shown line by line, not cut at the shorter dump.
    const QString diff = unifiedDiff({"a", "b", "c"}, {"a", "c", "d"});
    EXPECT_TRUE(diff.contains(QLatin1String("\n-b\n")) && diff.contains(QLatin1String("\n+d"))) << diff.toStdString();
    EXPECT_TRUE(unifiedDiff({"a"}, {"a"}).isEmpty());

    // The changed field of a row is named, with the row's codes; a '|' inside a text does not split.
    EXPECT_EQ(changedFields({R"(s.t|codart=1|d="a|b"|qgia=2.0)", "s.t|codart=2|d=\"\"|qgia=1.0"},
                            {R"(s.t|codart=1|d="a|b"|qgia=3.0)", "s.t|codart=2|d=\"\"|qgia=1.0", "s.u|x=1"}),
              QStringList{R"(s.t (codart=1): qgia=2.0 -> 3.0)"});
}
