// The program killed at every single database write of a full run, then run
// again normally: the store must end as after one uninterrupted run.
#include "Scenario.h"
#include "StateChecks.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>

namespace {

QString firstDifference(const QStringList& want, const QStringList& got) {
    for (const QString& row : want)
        if (!got.contains(row)) return QStringLiteral("missing %1").arg(row);
    for (const QString& row : got)
        if (!want.contains(row)) return QStringLiteral("extra %1").arg(row);
    return want.size() == got.size() ? QString() : QStringLiteral("rows repeated");
}

}  // namespace

TEST(CrashConsistency, EveryKillPointLeavesWhatOneRunLeaves) {
    QTemporaryDir pristine;
    {
        TestRoot root;
        scenario::fillDatabases(root);
        root.writeChainFile(scenario::chainLines());
        root.close();
        scenario::copyRoot(root.root(), pristine.path());
    }

    // The uninterrupted run: its writes and what it leaves.
    QTemporaryDir reference;
    scenario::copyRoot(pristine.path(), reference.path());
    scenario::Outcome once;
    const int writes = scenario::countedRun(reference.path(), once);
    ASSERT_GT(writes, 0) << once.err.toStdString();
    EXPECT_EQ(scenario::brokenRules(reference.path()), QStringList()) << once.err.toStdString();
    const QStringList expected = scenario::fingerprint(reference.path());

    // A second run over a finished root changes nothing that counts.
    {
        const scenario::Outcome again = scenario::runProgram(reference.path());
        EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
        EXPECT_EQ(firstDifference(expected, scenario::fingerprint(reference.path())), QString());
    }

    int tried = 0, held = 0;
    QStringList failures;
    for (int n = 1; n <= writes; ++n) {
        QTemporaryDir dir;
        scenario::copyRoot(pristine.path(), dir.path());
        const scenario::Outcome killed =
            scenario::runProgram(dir.path(), {QStringLiteral("LIS06C_KILL_AFTER_WRITES=%1").arg(n)});
        ++tried;
        QStringList problems;
        if (!killed.crashed) problems << QStringLiteral("not killed (exit %1)").arg(killed.exitCode);
        const scenario::Outcome after = scenario::runProgram(dir.path());
        if (after.crashed || after.exitCode != 0)
            problems << QStringLiteral("run after the kill ended with %1: %2").arg(after.exitCode).arg(after.err.right(300));
        problems << scenario::brokenRules(dir.path());
        const QString diff = firstDifference(expected, scenario::fingerprint(dir.path()));
        if (!diff.isEmpty()) problems << diff;
        if (problems.isEmpty())
            ++held;
        else
            failures << QStringLiteral("kill at write %1: %2").arg(n).arg(problems.join(QStringLiteral("; ")));
    }
    std::cout << "crash consistency: " << writes << " writes per run, " << tried << " kill points tried, " << held
              << " held" << std::endl;
    for (const QString& f : failures) std::cout << "  " << f.toStdString() << std::endl;
    EXPECT_EQ(held, tried);
}
