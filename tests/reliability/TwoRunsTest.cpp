// Two runs started together on one root (the window's timer run and a
// scheduled one): one runs, the other stops at once with status 6, and no
// document is received twice: the root ends as after one run.
#include "GeneratedRoot.h"
#include "TableDump.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

std::unique_ptr<QProcess> startRun(const QString& root) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p->setProcessEnvironment(env);
    p->start(qEnvironmentVariable("LIS06C_BINARY_DIR") + QStringLiteral("/lis06c"),
             {QStringLiteral("--headless"), QStringLiteral("--root"), root});
    return p;
}

// What a second run over a finished root writes again by design: the log of
// processing runs and the refreshed dates of the chain's price list.
const QStringList kPerRun{QStringLiteral("chain.divuelabo")};

}  // namespace

TEST(TwoRuns, StartedTogetherReceiveEachDocumentOnce) {
    const GeneratedRoot pristine(smallStore());
    QTemporaryDir once;
    pristine.copyTo(once.path());
    {
        auto alone = startRun(once.path());
        ASSERT_TRUE(alone->waitForFinished(120000));
        ASSERT_EQ(alone->exitCode(), 0) << alone->readAllStandardError().toStdString();
    }
    const QStringList expected = dumpForComparison(once.path(), kPerRun);
    // The second may start only once the first has ended: two runs one after
    // the other, which stage the documents' lines again against the articles
    // the first created.
    {
        auto again = startRun(once.path());
        ASSERT_TRUE(again->waitForFinished(120000));
        ASSERT_EQ(again->exitCode(), 0) << again->readAllStandardError().toStdString();
    }
    const QStringList expectedTwice = dumpForComparison(once.path(), kPerRun);

    int overlapped = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
        SCOPED_TRACE(attempt);
        QTemporaryDir dir;
        pristine.copyTo(dir.path());
        auto first = startRun(dir.path());
        auto second = startRun(dir.path());
        ASSERT_TRUE(first->waitForFinished(120000));
        ASSERT_TRUE(second->waitForFinished(120000));
        int ran = 0;
        for (QProcess* p : {first.get(), second.get()}) {
            const QString err = QString::fromLocal8Bit(p->readAllStandardError());
            ASSERT_EQ(p->exitStatus(), QProcess::NormalExit) << err.toStdString();
            if (p->exitCode() == 6) {
                ++overlapped;
                EXPECT_TRUE(err.contains(QStringLiteral("Un'altra elaborazione è già in corso"))) << err.toStdString();
            } else {
                EXPECT_EQ(p->exitCode(), 0) << err.toStdString();
                ++ran;
            }
        }
        EXPECT_GE(ran, 1);
        const QStringList got = dumpForComparison(dir.path(), kPerRun);
        const QStringList& want = ran == 2 ? expectedTwice : expected;
        EXPECT_EQ(got, want) << unifiedDiff(want, got).toStdString();
    }
    // Started together they do meet: most attempts find the root held.
    EXPECT_GT(overlapped, 0);
}
