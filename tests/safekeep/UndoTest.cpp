// The backup before a run and --undo-last-run on a whole generated store: the
// undo puts every table of both databases back as it was before the run (the
// run history aside, which records the undo), and refuses, naming the table,
// when another program wrote the store after the run.
#include "TableDump.h"
#include "db/Database.h"
#include "generator/Generator.h"
#include "run/Clock.h"
#include "run/RunHistory.h"
#include "run/RunView.h"
#include "shell/Headless.h"
#include "shell/UndoCommand.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDateTime kUndoAt(QDate(2026, 6, 16), QTime(9, 0, 0));

// Both databases, every table but the run history's, and the chain's file.
QStringList state(const Paths& paths) {
    QStringList lines = dumpRoot(paths.root, DumpOptions{});
    lines.removeIf([](const QString& l) { return l.startsWith(QLatin1String("store.lis06c_")); });
    QFile file(paths.chainFile());
    lines << QStringLiteral("acq_var.txt ") +
                 (file.open(QIODevice::ReadOnly) ? QString::fromLatin1(QCryptographicHash::hash(file.readAll(),
                                                                                                QCryptographicHash::Sha256)
                                                                           .toHex())
                                                 : QStringLiteral("missing"));
    return lines;
}

struct Undo {
    int status;
    QString said;
};

class UndoTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A small store with every kind of line: articles, documents, promotions.
        gen::Sizes s = gen::Sizes::demo().scaled(0.25);
        s.today = QDate(2026, 6, 15);
        gen::Generator(s).write(paths);
    }
    int run() {
        NullView view;
        const FixedClock clock(QDate(2026, 6, 16), QTime(8, 45, 0));
        HeadlessOptions o;
        o.paths = paths;
        o.console = false;
        o.clock = &clock;
        o.view = &view;
        return runHeadless(o);
    }
    Undo undo(bool force) {
        Undo u;
        u.status = undoLastRun(paths, force, kUndoAt, [&u](const QString& line) { u.said += line + QLatin1Char('\n'); });
        return u;
    }
    // The store written as the tills would: one article's stock moves.
    void sale() {
        auto store = db::Database::open(paths.storeDb(), QStringLiteral("negozio"));
        store->exec(QStringLiteral("UPDATE listi01 SET qgia = qgia - 1 WHERE rowid = (SELECT min(rowid) FROM listi01)"));
    }
    QTemporaryDir dir;
    Paths paths{dir.path()};
};

}  // namespace

TEST_F(UndoTest, PutsBackEveryTableAndRecordsTheUndo) {
    const QStringList before = state(paths);
    const int status = run();
    ASSERT_TRUE(status == 0 || status == 5) << status;
    ASSERT_NE(state(paths), before) << "the run changed nothing to undo";
    EXPECT_TRUE(QFileInfo::exists(paths.root + QStringLiteral("/backup/1/quarn/dati.mdb")));

    const Undo u = undo(false);
    ASSERT_EQ(u.status, 0) << u.said.toStdString();
    EXPECT_TRUE(u.said.contains(QStringLiteral("Corsa 1 annullata"))) << u.said.toStdString();
    EXPECT_EQ(unifiedDiff(before, state(paths)), QString());

    auto store = db::Database::open(paths.storeDb(), QStringLiteral("negozio"));
    const std::optional<RunRecord> record = RunHistory(*store).find(1);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->undone, kUndoAt);
    store.reset();
    // Nothing is left to undo: the one backup is spent.
    EXPECT_EQ(undo(false).status, 1);
}

TEST_F(UndoTest, RefusedAfterAnotherProgramWroteTheStoreUnlessForced) {
    const QStringList before = state(paths);
    run();
    sale();
    const QStringList afterSale = state(paths);

    const Undo refused = undo(false);
    EXPECT_EQ(refused.status, 1);
    for (const char* words : {"listi01", "--force", "Nulla è stato modificato"})
        EXPECT_TRUE(refused.said.contains(QString::fromUtf8(words))) << words << "\n" << refused.said.toStdString();
    EXPECT_EQ(unifiedDiff(afterSale, state(paths)), QString());

    const Undo forced = undo(true);
    EXPECT_EQ(forced.status, 0) << forced.said.toStdString();
    EXPECT_EQ(unifiedDiff(before, state(paths)), QString());
}

TEST_F(UndoTest, KeepsTheNewestBackups) {
    qputenv("LIS06C_BACKUPS_KEPT", "2");
    for (int i = 0; i < 3; ++i) run();
    qunsetenv("LIS06C_BACKUPS_KEPT");
    EXPECT_EQ(QDir(paths.root + QStringLiteral("/backup")).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("2"), QStringLiteral("3")}));
}
