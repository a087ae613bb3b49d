// The import command around the copy: what it refuses, what --replace keeps,
// and an imported store taken through a whole run of the real program.
#include "../reliability/Scenario.h"
#include "../reliability/StateChecks.h"
#include "MdbSamples.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden); }

// lis06c with the given arguments, as an operator runs it.
scenario::Outcome lis06c(const QStringList& args) {
    QProcess p;
    p.start(qEnvironmentVariable("LIS06C_BINARY_DIR") + QStringLiteral("/lis06c"), args);
    scenario::Outcome o;
    if (!p.waitForFinished(120000)) return o;
    o.exitCode = p.exitCode();
    o.err = QString::fromLocal8Bit(p.readAllStandardError());
    return o;
}

qint64 count(const QString& path, const QString& table) {
    auto database = db::Database::open(path, QStringLiteral("test"));
    db::Query q = database->prepare(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table));
    q.first();
    return q.value(0).toLongLong();
}

}  // namespace

TEST(ImportCommand, RefusesToOverwriteAnExistingDatabase) {
    ImportRun run;
    writeBytes(run.storeDb(), "the store's own database");
    EXPECT_EQ(run.import(accessSample("nwind.mdb")), 1);
    EXPECT_TRUE(run.transcript().find("esiste già") != std::string::npos) << run.transcript();
    EXPECT_TRUE(run.transcript().find("--replace") != std::string::npos) << run.transcript();
    EXPECT_EQ(bytesOf(run.storeDb()), "the store's own database");
    EXPECT_EQ(filesIn(run.root.path() + "/quarn"), QStringList{"dati.mdb"});
}

TEST(ImportCommand, ReplaceMovesTheOldDatabaseAsideWithItsJournal) {
    ImportRun run;
    writeBytes(run.storeDb(), "old database");
    writeBytes(run.storeDb() + "-wal", "old journal");
    ASSERT_EQ(run.import(accessSample("nwind.mdb"), QStringLiteral("store"), true), 0) << run.transcript();

    QStringList aside = filesIn(run.root.path() + "/quarn").filter(QStringLiteral("dati.mdb.bak-"));
    aside.sort();
    ASSERT_EQ(aside.size(), 2) << aside.join(' ').toStdString();
    EXPECT_EQ(bytesOf(run.root.path() + "/quarn/" + aside[0]), "old database");
    EXPECT_EQ(aside[1], aside[0] + "-wal");
    EXPECT_EQ(bytesOf(run.root.path() + "/quarn/" + aside[1]), "old journal");
    EXPECT_TRUE(run.transcript().find(aside[0].toStdString()) != std::string::npos) << run.transcript();
    EXPECT_FALSE(QFileInfo::exists(run.storeDb() + "-wal"));
    EXPECT_EQ(count(run.storeDb(), "Orders"), 830);
}

// The Access database where lis06c looks for its own: imported in place, the
// original kept beside it.
TEST(ImportCommand, AnAccessDatabaseInPlaceBecomesSqliteWithTheOriginalAside) {
    ImportRun run;
    const QByteArray access = bytesOf(accessSample("nwind.mdb"));
    writeBytes(run.storeDb(), access);
    ASSERT_EQ(run.import(run.storeDb(), QStringLiteral("store"), true), 0) << run.transcript();
    const QStringList aside = filesIn(run.root.path() + "/quarn").filter(QStringLiteral("dati.mdb.bak-"));
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(bytesOf(run.root.path() + "/quarn/" + aside[0]), access);
    EXPECT_EQ(count(run.storeDb(), "Umsätze"), 830);
}

TEST(ImportCommand, WhatIsNotAnAccessFileLeavesNoDatabase) {
    const QString nwind = accessSample("nwind.mdb");
    const struct {
        const char* name;
        QByteArray bytes;  // the file given to --import-mdb; none when empty
        const char* into;
        const char* message;
    } cases[] = {
        {"text", "CODICE;DESCRIZIONE\r\n1;PASTA\r\n", "store", "non è un archivio Microsoft Access"},
        {"sqlite", QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\0'), "store", "è già un archivio SQLite"},
        {"missing", {}, "chain", "non esiste"},
        {"truncated", bytesOf(nwind).left(8192), "store", "Importazione non eseguita"},
        {"badtarget", bytesOf(nwind), "negozio", "--into vuole store"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ImportRun run;
        const QString file = run.root.path() + "/" + c.name + ".mdb";
        if (!c.bytes.isEmpty()) writeBytes(file, c.bytes);
        EXPECT_NE(run.import(file, QString::fromUtf8(c.into)), 0);
        EXPECT_TRUE(run.transcript().find(c.message) != std::string::npos) << run.transcript();
        EXPECT_EQ(filesIn(run.root.path() + "/quarn"), QStringList());
        EXPECT_EQ(filesIn(run.root.path() + "/nelv"), QStringList());
    }
}

// The README's steps: both databases from Access files, the configuration a
// run needs, then the headless run on the chain's file.
TEST(ImportCommand, AnImportedStoreGoesThroughAWholeRun) {
    TestRoot root;  // the configuration rows a run needs are added below, as an operator would
    root.close();
    const QString r = root.root();
    QFile::remove(root.paths().storeDb());
    QFile::remove(root.paths().chainDb());

    const scenario::Outcome store = lis06c({"--root", r, "--import-mdb", accessSample("nwind.mdb"), "--into", "store"});
    ASSERT_EQ(store.exitCode, 0) << store.err.toStdString();
    const scenario::Outcome chain =
        lis06c({"--root", r, "--import-mdb", accessSample("DateTestDatabase.mdb"), "--into", "chain"});
    ASSERT_EQ(chain.exitCode, 0) << chain.err.toStdString();
    const scenario::Outcome init = lis06c({"--root", r, "--init"});
    ASSERT_EQ(init.exitCode, 0) << init.err.toStdString();

    root.exec(root.store(), "INSERT INTO utenti (codutente, codfor_affil) VALUES (1, 4321)");
    root.exec(root.store(), "INSERT INTO fornitori (codfornitore, dscfornitore) VALUES (4321, 'NELV DISTRIBUZIONE SPA')");
    scenario::fillDatabases(root);
    root.writeChainFile(scenario::chainLines());
    root.close();

    const scenario::Outcome run = scenario::runProgram(r);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(scenario::brokenRules(r), QStringList());
    EXPECT_EQ(count(root.paths().storeDb(), "listi01"), 5);  // three articles and the chain's two new ones
    EXPECT_EQ(count(root.paths().storeDb(), "Umsätze"), 830);
    EXPECT_EQ(count(root.paths().chainDb(), "DateTest"), 6);
}
