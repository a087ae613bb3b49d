// The chain's file copied into nelv/ while the run starts: the run waits until
// the file has stopped changing, so a document cut by the copy is never
// received in part; a copy that does not end in time ends the run with status
// 3 before the file is read.
#include "GeneratedRoot.h"
#include "Scenario.h"
#include "TableDump.h"
#include "common/ChainRecords.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes, QIODevice::OpenMode mode = QIODevice::WriteOnly) {
    QFile f(path);
    ASSERT_TRUE(f.open(mode));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// The file cut at the end of the second line of its first document.
qsizetype cutInsideADocument(const QByteArray& file) {
    qsizetype at = 0;
    int documentLines = 0;
    while (at < file.size()) {
        const qsizetype end = file.indexOf("\r\n", at);
        if (end < 0) break;
        if (file.mid(at + rec::kind.pos - 1, rec::kind.len).trimmed() == "BLE" && ++documentLines == 2) return end + 2;
        at = end + 2;
    }
    return -1;
}

}  // namespace

TEST(ArrivingFile, ARunStartedDuringTheCopyWaitsForTheWholeFile) {
    const GeneratedRoot pristine(smallStore());
    QTemporaryDir reference;
    pristine.copyTo(reference.path());
    ASSERT_EQ(scenario::runProgram(reference.path()).exitCode, 0);
    const QStringList expected = dumpForComparison(reference.path(), {QStringLiteral("chain.divuelabo")});

    QTemporaryDir dir;
    pristine.copyTo(dir.path());
    const QString chainFile = dir.path() + QStringLiteral("/nelv/acq_var.txt");
    const QByteArray whole = readAll(chainFile);
    const qsizetype cut = cutInsideADocument(whole);
    ASSERT_GT(cut, 0);
    writeFile(chainFile, whole.left(cut));

    std::thread copier([&] {
        QThread::msleep(500);
        writeFile(chainFile, whole.mid(cut), QIODevice::Append);
    });
    const scenario::Outcome run = scenario::runProgram(dir.path(), {QStringLiteral("LIS06C_SETTLE_SECONDS=3")});
    copier.join();
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList got = dumpForComparison(dir.path(), {QStringLiteral("chain.divuelabo")});
    EXPECT_EQ(got, expected) << unifiedDiff(expected, got).toStdString();
}

TEST(ArrivingFile, ACopyThatDoesNotEndInTimeLeavesTheFileUnread) {
    const GeneratedRoot pristine(smallStore());
    QTemporaryDir dir;
    pristine.copyTo(dir.path());
    const QString chainFile = dir.path() + QStringLiteral("/nelv/acq_var.txt");
    const auto chainTables = [&] {
        QStringList out;
        for (const QString& line : dumpForComparison(dir.path()))
            if (line.startsWith(QLatin1String("chain.")) || line.startsWith(QLatin1String("store.testaof")))
                out << line;
        return out;
    };
    const QStringList before = chainTables();

    std::atomic<bool> stop = false;
    std::thread copier([&] {
        // A copy that keeps going for longer than the run waits.
        for (int i = 0; i < 400 && !stop; ++i) {
            writeFile(chainFile, "\r\n", QIODevice::Append);
            QThread::msleep(25);
        }
    });
    // 0.1 s to settle: the run gives up after 2.4 s.
    const scenario::Outcome run = scenario::runProgram(dir.path(), {QStringLiteral("LIS06C_SETTLE_SECONDS=0.1")});
    stop = true;
    copier.join();
    EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("è ancora in scrittura"))) << run.err.toStdString();
    EXPECT_EQ(chainTables(), before);
}
