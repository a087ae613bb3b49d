// What keeps a run off a root it must not touch yet: another run holding the
// root, and a chain's file still being copied.
#include "Program.h"
#include "TestRoot.h"
#include "run/RootLock.h"
#include "run/SettledFile.h"
#include "shell/Headless.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

void append(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(bytes);
}

}  // namespace

TEST(SettledFile, RunsOnlyOnAFileUnchangedForTheInterval) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("acq_var.txt"));
    using State = SettledFile::State;

    SettledFile watched(path, 2);
    EXPECT_EQ(watched.check(), State::Missing);
    append(path, "BLE first half\r\n");
    EXPECT_EQ(watched.check(), State::Changing);  // just written
    append(path, "BLE second half\r\n");
    EXPECT_EQ(watched.check(), State::Changing);  // changed again: the interval starts over
    QThread::msleep(2100);
    EXPECT_EQ(watched.check(), State::Settled);

    // Untouched for the interval by its own times: settled at the first look, and after.
    SettledFile later(path, 2);
    EXPECT_EQ(later.check(), State::Settled);
    EXPECT_EQ(later.check(), State::Settled);
    // A copier that sets the modification time back does not hide its writes:
    // the status-change time moves with them.
    append(path, "BLE a late line\r\n");
    QFile(path).setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
    EXPECT_EQ(SettledFile(path, 2).check(), State::Changing);
    // No interval: any regular file at once.
    EXPECT_EQ(SettledFile(path, 0).check(), State::Settled);
    // What is not a regular file is not waited for: the reading says what it is.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkdir(path));
    EXPECT_EQ(SettledFile(path, 2).check(), State::Settled);
}

TEST(RootLock, OneRunPerRoot) {
    TestRoot root;
    RootLock first(root.paths());
    RootLock second(root.paths());
    ASSERT_TRUE(first.acquire());
    EXPECT_TRUE(first.acquire());  // already held
    EXPECT_FALSE(second.acquire());
    const QString held = second.heldBy();
    EXPECT_TRUE(held.contains(QString::number(QCoreApplication::applicationPid()))) << held.toStdString();
    EXPECT_TRUE(held.contains(QDir::toNativeSeparators(root.root()))) << held.toStdString();
    first.release();
    EXPECT_TRUE(second.acquire());
    EXPECT_FALSE(first.acquire());
    second.release();
    EXPECT_FALSE(QFile::exists(root.root() + QStringLiteral("/lis06c.lock")));

    // A root that does not exist has nothing to protect: opening the databases reports it.
    RootLock nowhere(Paths{root.root() + QStringLiteral("/manca")});
    EXPECT_TRUE(nowhere.acquire());
}

TEST(RootLock, ASecondRunStopsAtOnceAndTouchesNothing) {
    TestRoot root;
    root.writeChainFile({});
    root.exec(root.store(), QStringLiteral("INSERT INTO variatidivulgazioni (codart) VALUES (9)"));
    root.close();
    RootLock other(root.paths());
    ASSERT_TRUE(other.acquire());

    RecordingView view;
    HeadlessOptions options;
    options.paths = root.paths();
    options.view = &view;
    EXPECT_EQ(runHeadless(options), 6);
    ASSERT_EQ(view.messages.size(), 1);
    EXPECT_TRUE(view.messages[0].contains(QStringLiteral("Un'altra elaborazione è già in corso")))
        << view.messages[0].toStdString();
    EXPECT_EQ(root.count(root.store(), "variatidivulgazioni"), 1);  // Form_Load never ran

    // The program itself: status 6 and the message on stderr.
    root.close();
    const ProgramResult r = runProgram({QStringLiteral("--headless"), QStringLiteral("--root"), root.root()});
    EXPECT_EQ(r.exitCode, 6) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Un'altra elaborazione"))) << r.err.toStdString();

    other.release();
    EXPECT_EQ(runHeadless(options), 0) << view.messages.join(QLatin1Char('\n')).toStdString();
}

TEST(RootLock, ALockLeftByAKilledRunIsTakenOver) {
    TestRoot root;
    root.writeChainFile({});
    root.close();
    QProcessEnvironment env;
    env.insert(QStringLiteral("LIS06C_KILL_AFTER_WRITES"), QStringLiteral("1"));
    const ProgramResult killed =
        runProgram({QStringLiteral("--headless"), QStringLiteral("--root"), root.root()}, env);
    ASSERT_TRUE(killed.crashed || killed.exitCode == 137) << killed.err.toStdString();
    ASSERT_TRUE(QFile::exists(root.root() + QStringLiteral("/lis06c.lock")));
    const ProgramResult next = runProgram({QStringLiteral("--headless"), QStringLiteral("--root"), root.root()});
    EXPECT_EQ(next.exitCode, 0) << next.err.toStdString();
}

// A run killed between creating the lock file and writing its process into it
// leaves an empty file (or one cut short): it names no live run and is taken over.
TEST(RootLock, ALockFileThatNamesNoProcessIsTakenOver) {
    for (const QByteArray& left : {QByteArray(), QByteArray("12")}) {
        SCOPED_TRACE(left.toStdString());
        TestRoot root;
        root.writeChainFile({});
        root.close();
        QFile lock(root.root() + QStringLiteral("/lis06c.lock"));
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        lock.write(left);
        lock.close();
        const ProgramResult next = runProgram({QStringLiteral("--headless"), QStringLiteral("--root"), root.root()});
        EXPECT_EQ(next.exitCode, 0) << next.err.toStdString();
    }
}
