// The backup before a run and the undo that puts it back: both databases and
// the chain's file as they were, refused when another program wrote the
// databases after the run, and never a folder that looks whole but is not.
#include "TableDump.h"
#include "TestRoot.h"
#include "safekeep/Backup.h"
#include "safekeep/Restore.h"
#include "safekeep/Snapshot.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace safekeep;

namespace {

const QDateTime kWhen(QDate(2026, 12, 8), QTime(10, 30, 0));
const QStringList kKept{QStringLiteral("storico")};

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A root with a few articles, the run history and a chain's file.
struct Store : TestRoot {
    Store() {
        exec(store(), "INSERT INTO listi01 (codart, desart, qgia) VALUES (1, 'PASTA', 10), (2, 'SUGO', 4)");
        exec(store(), "CREATE TABLE storico (run INTEGER, esito TEXT)");
        exec(chain(), "INSERT INTO divuelabo (dataelaborazione, oraelaborazione) VALUES ('01/12/2026', '08:00:00')");
        writeChainBytes("MDA riga uno\r\nMDA riga due\r\n");
    }
    sqlite3* storeDb() { return connectionOf(store().handle()); }
    sqlite3* chainDb() { return connectionOf(chain().handle()); }
    QStringList dump() { return dumpRoot(root(), DumpOptions{}); }

    // What a run does: rows written to both databases and the history, and
    // the chain's file it read left in place.
    void simulateRun() {
        exec(store(), "UPDATE listi01 SET qgia = qgia + 6 WHERE codart = 1");
        exec(store(), "INSERT INTO listi01 (codart, desart, qgia) VALUES (3, 'OLIO', 12)");
        exec(store(), "DELETE FROM listi01 WHERE codart = 2");
        exec(store(), "INSERT INTO storico VALUES (1, 'finita')");
        exec(chain(), "INSERT INTO divuelabo (dataelaborazione, oraelaborazione) VALUES ('08/12/2026', '10:30:00')");
    }
    Fingerprint storeNow() { return fingerprint(storeDb(), "negozio", kKept); }
    Fingerprint chainNow() { return fingerprint(chainDb(), "catena"); }
};

TEST(Backup, HoldsBothDatabasesAndTheChainFileLaidOutLikeARoot) {
    Store root;
    const QStringList before = root.dump();
    Backups backups(root.paths());
    const QString folder = backups.begin(root.storeDb(), root.chainDb(), kWhen).commit(7, Backups::kKeep);
    EXPECT_EQ(folder, root.root() + "/backup/7");
    EXPECT_EQ(dumpRoot(folder, DumpOptions{}), before);
    EXPECT_EQ(bytesOf(folder + "/nelv/acq_var.txt"), bytesOf(root.paths().chainFile()));

    const std::optional<BackupInfo> info = backups.read(7);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->taken, kWhen);
    EXPECT_TRUE(info->hasChainFile);
    EXPECT_EQ(info->chainFileSize, 28);
    EXPECT_EQ(info->chainFileSha256.size(), 64);
    EXPECT_FALSE(info->storeAtEnd);
    EXPECT_FALSE(info->undone);
    EXPECT_FALSE(backups.read(8));
}

TEST(Backup, KeepsTheNewestAndNeverTakesAnUnfinishedOneForWhole) {
    Store root;
    Backups backups(root.paths());
    for (int run : {1, 2, 3, 4, 5}) backups.begin(root.storeDb(), root.chainDb(), kWhen).commit(run, 3);
    EXPECT_EQ(backups.runs(), QList<int>({3, 4, 5}));

    // A backup abandoned half-way (an error, the program stopped) leaves nothing.
    {
        PendingBackup pending = backups.begin(root.storeDb(), root.chainDb(), kWhen);
        EXPECT_TRUE(QFileInfo::exists(pending.folder() + "/quarn/dati.mdb"));
    }
    // What a crash leaves: a hidden folder half written, and a numbered one
    // that never got its description.
    QDir(backups.folder()).mkpath(".incompleto-crash/quarn");
    QDir(backups.folder()).mkpath("6/quarn");
    EXPECT_EQ(backups.runs(), QList<int>({3, 4, 5}));
    EXPECT_FALSE(backups.read(6));
    backups.begin(root.storeDb(), root.chainDb(), kWhen).commit(8, 3);
    EXPECT_EQ(QDir(backups.folder()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"4", "5", "6", "8"}));
    EXPECT_EQ(backups.lastNotUndone()->run, 8);
}

TEST(Undo, PutsEveryTableAndTheChainFileBackButKeepsTheHistory) {
    Store root;
    const QStringList before = root.dump();
    const QByteArray chainFile = bytesOf(root.paths().chainFile());
    Backups backups(root.paths());
    backups.begin(root.storeDb(), root.chainDb(), kWhen).commit(1, Backups::kKeep);
    root.simulateRun();
    backups.recordEnd(1, root.storeNow(), root.chainNow());
    // A newer file from the chain came after the run.
    root.writeChainBytes("MDA file nuovo\r\n");

    const BackupInfo info = *backups.lastNotUndone();
    const UndoCheck check = checkUndo(info, root.storeDb(), root.chainDb(), kKept);
    EXPECT_TRUE(check.safe()) << check.refusal().toStdString();
    EXPECT_EQ(check.refusal(), "");
    const PutBack done = putBack(info, root.paths(), root.storeDb(), root.chainDb(), kKept, kWhen);

    QStringList after = root.dump();
    // The history keeps the run it undid; nothing else differs from before the run.
    EXPECT_TRUE(after.removeOne("store.storico|esito=\"finita\"|run=1"));
    EXPECT_EQ(unifiedDiff(before, after), "");
    EXPECT_EQ(bytesOf(root.paths().chainFile()), chainFile);
    EXPECT_EQ(done.newerChainFile, root.paths().chainFolder() + "/acq_var-20261208-103000.txt");
    EXPECT_EQ(bytesOf(done.newerChainFile), "MDA file nuovo\r\n");
    EXPECT_EQ(root.scalar(root.store(), "PRAGMA quick_check").toString(), "ok");
}

// A backup of an earlier version names no hash: its run's end is compared
// with the databases hashed as that version did.
TEST(Undo, ARunOfAnEarlierVersionIsComparedWithItsOwnHash) {
    Store root;
    Backups backups(root.paths());
    backups.begin(root.storeDb(), root.chainDb(), kWhen).commit(1, Backups::kKeep);
    root.simulateRun();
    backups.recordEnd(1, fingerprint(root.storeDb(), "negozio", kKept, RowHash::Bytes),
                      fingerprint(root.chainDb(), "catena", {}, RowHash::Bytes));
    EXPECT_TRUE(checkUndo(*backups.lastNotUndone(), root.storeDb(), root.chainDb(), kKept).safe());
    root.exec(root.store(), "UPDATE listi01 SET qgia = qgia - 1 WHERE codart = 1");
    EXPECT_EQ(checkUndo(*backups.lastNotUndone(), root.storeDb(), root.chainDb(), kKept).storeChanges,
              QStringList{"listi01: 2 righe, ora 2 con contenuto diverso"});
}

struct RefusalCase {
    const char* name;
    const char* storeWrite;  // by another program after the run ended; may be empty
    const char* chainWrite;
    bool recordEnd;
    QStringList named;  // what the refusal must name
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class UndoRefused : public testing::TestWithParam<RefusalCase> {};

TEST_P(UndoRefused, SaysWhatWouldBeLostAndChangesNothing) {
    const RefusalCase& c = GetParam();
    Store root;
    Backups backups(root.paths());
    backups.begin(root.storeDb(), root.chainDb(), kWhen).commit(1, Backups::kKeep);
    root.simulateRun();
    if (c.recordEnd) backups.recordEnd(1, root.storeNow(), root.chainNow());
    if (*c.storeWrite) root.exec(root.store(), c.storeWrite);
    if (*c.chainWrite) root.exec(root.chain(), c.chainWrite);
    const QStringList now = root.dump();

    const UndoCheck check = checkUndo(*backups.lastNotUndone(), root.storeDb(), root.chainDb(), kKept);
    EXPECT_FALSE(check.safe());
    const QString refusal = check.refusal();
    for (const QString& n : c.named) EXPECT_TRUE(refusal.contains(n)) << refusal.toStdString() << "\nlacks: " << n.toStdString();
    EXPECT_TRUE(refusal.contains("lis06c --undo-last-run --force")) << refusal.toStdString();
    EXPECT_EQ(root.dump(), now);
}

const RefusalCase kRefusals[] = {
    {"TillsMovedStock", "UPDATE listi01 SET qgia = qgia - 1 WHERE codart = 1", "", true,
     {"elaborazione 1", "archivio Quarn (negozio), tabella listi01: 2 righe, ora 2 con contenuto diverso"}},
    {"ArticleAdded", "INSERT INTO listi01 (codart, desart) VALUES (9, 'NUOVO')", "", true,
     {"tabella listi01: 2 righe, ora 3"}},
    {"ChainDatabaseWritten", "", "DELETE FROM divuelabo", true, {"archivio Nelv (catena), tabella divuelabo: 2 righe, ora 0"}},
    {"RunNeverEnded", "", "", false, {"L'elaborazione 1 non è arrivata alla fine"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, UndoRefused, testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Undo, ADamagedCopyIsNeverPutBack) {
    Store root;
    Backups backups(root.paths());
    const QString folder = backups.begin(root.storeDb(), root.chainDb(), kWhen).commit(1, Backups::kKeep);
    root.simulateRun();
    const QStringList now = root.dump();
    QFile chainCopy(folder + "/nelv/acq_var.txt");
    ASSERT_TRUE(chainCopy.open(QIODevice::Append));
    chainCopy.write("x");
    chainCopy.close();
    try {
        putBack(*backups.read(1), root.paths(), root.storeDb(), root.chainDb(), kKept, kWhen);
        FAIL() << "a damaged copy was put back";
    } catch (const db::Error& e) {
        EXPECT_TRUE(e.message().contains("danneggiata")) << e.message().toStdString();
    }
    EXPECT_EQ(root.dump(), now);
}

}  // namespace
