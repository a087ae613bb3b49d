// A generated store of a real store's make (scaled down so that it runs in
// seconds), its run killed at random moments and then run again, must end with
// the stock, the documents and the offers of one run that was never killed:
// every table they live in compared row by row.
#include "Scenario.h"
#include "TableDump.h"
#include "generator/Generator.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The store's articles and stock, its price lists and EANs, the documents and
// offers with their numbering, and the chain's catalogue. The log and the
// staging tables hold only the last run's work, so they are left out.
DumpOptions stockAndDocuments() {
    DumpOptions o;
    o.storeTables = QStringList{"listi01", "listi02", "codean", "fistini", "sottogruppi", "gruppi", "testaof",
                                "ordinif", "numeri", "offte", "offmo", "offtab"};
    o.chainTables = QStringList{"articolo", "codean", "sottogruppi", "gruppi", "reparti"};
    o.today = QDate::currentDate();
    return o;
}

// The dump without the time of day the chain's articles were stamped with.
QStringList dump(const QString& root) {
    QStringList lines = dumpRoot(root, stockAndDocuments());
    static const QRegularExpression time(QStringLiteral("\\|ora=\"\\d\\d:\\d\\d:\\d\\d\""));
    for (QString& l : lines) l.replace(time, QStringLiteral("|ora=<NOW>"));
    return lines;
}

}  // namespace

TEST(GeneratedCrash, KilledAtRandomAndRunAgainEndsAsOneWholeRun) {
    const double scale = qEnvironmentVariableIsSet("LIS06C_CRASH_SCALE")
                             ? qEnvironmentVariable("LIS06C_CRASH_SCALE").toDouble()
                             : 0.05;
    const int kills = qEnvironmentVariableIsSet("LIS06C_CRASH_KILLS") ? qEnvironmentVariableIntValue("LIS06C_CRASH_KILLS")
                                                                       : 4;
    QTemporaryDir pristine;
    gen::Sizes sizes = gen::Sizes::storeSize().scaled(scale);
    sizes.seed = 13;
    gen::Generator(sizes).write(Paths{pristine.path()});

    QTemporaryDir reference;
    scenario::copyRoot(pristine.path(), reference.path());
    scenario::Outcome once;
    const int writes = scenario::countedRun(reference.path(), once);
    ASSERT_GT(writes, 0) << once.err.toStdString();
    const QStringList expected = dump(reference.path());

    QRandomGenerator random(20260615);
    for (int k = 0; k < kills; ++k) {
        const int killAt = 1 + static_cast<int>(random.bounded(static_cast<quint32>(writes)));
        SCOPED_TRACE(QStringLiteral("killed after write %1 of %2").arg(killAt).arg(writes).toStdString());
        QTemporaryDir dir;
        scenario::copyRoot(pristine.path(), dir.path());
        const scenario::Outcome killed =
            scenario::runProgram(dir.path(), {QStringLiteral("LIS06C_KILL_AFTER_WRITES=%1").arg(killAt)});
        EXPECT_TRUE(killed.crashed) << killed.err.toStdString();
        const scenario::Outcome after = scenario::runProgram(dir.path());
        ASSERT_EQ(after.exitCode, 0) << after.err.toStdString();
        const QStringList got = dump(dir.path());
        EXPECT_TRUE(got == expected) << unifiedDiff(expected, got).left(4000).toStdString() << "\nfields changed:\n"
                                     << changedFields(expected, got).mid(0, 40).join(QLatin1Char('\n')).toStdString();
    }
}
