// The copy a trial run works on: whatever is done to it, the real root stays
// byte for byte as it was.
#include "FileDigests.h"
#include "TableDump.h"
#include "TestRoot.h"
#include "safekeep/TrialRoot.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace safekeep;

TEST(TrialRoot, WorksOnCopiesAndLeavesTheRootAsItWas) {
    TestRoot root;
    root.exec(root.store(), "INSERT INTO listi01 (codart, desart, qgia) VALUES (1, 'PASTA', 10)");
    root.close();
    const QStringList dump = dumpRoot(root.root(), DumpOptions{});
    const QStringList before = fileDigests(root.root());

    TrialRoot trial(root.paths());
    EXPECT_NE(trial.paths().root, root.root());
    EXPECT_EQ(trial.real().root, root.root());
    EXPECT_EQ(dumpRoot(trial.paths().root, DumpOptions{}), dump);
    EXPECT_FALSE(trial.takeChainFile());

    {
        auto store = db::Database::open(trial.paths().storeDb(), "prova");
        store->exec("DELETE FROM listi01");
    }
    // The chain's file arrives while the window waits.
    root.writeChainBytes("MDA\r\n");
    const QStringList withFile = fileDigests(root.root());
    EXPECT_TRUE(trial.takeChainFile());
    QFile copied(trial.paths().chainFile());
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
    EXPECT_EQ(copied.readAll(), "MDA\r\n");

    EXPECT_EQ(fileDigests(root.root()).join("\n").toStdString(), withFile.join("\n").toStdString());
    const QStringList without = withFile.filter(QRegularExpression("^(?!nelv/acq_var.txt )"));
    EXPECT_EQ(without.join("\n").toStdString(), before.join("\n").toStdString());
    EXPECT_EQ(dumpRoot(root.root(), DumpOptions{}), dump);
}
