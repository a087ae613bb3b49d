// Where the report may go when the command line names a PDF: never over a
// database or the chain's file, never over a file that is not a PDF, and a
// report that cannot be written is a failed run, not a finished one.
#include "../shell/Program.h"
#include "TestRoot.h"
#include "report/ReportOutput.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

}  // namespace

TEST(ReportTarget, RefusedBeforeTheRunOrAllowed) {
    TestRoot root;
    root.writeChainFile({});
    root.close();
    QTemporaryDir elsewhere;
    const QString out = elsewhere.path();
    writeFile(out + "/notes.txt", "appunti del negozio");
    writeFile(out + "/old.pdf", "%PDF-1.4\n...");
    writeFile(out + "/empty.pdf", "");
    QDir().mkdir(out + "/folder.pdf");
    QFile::link(root.paths().storeDb(), out + "/link-to-store.pdf");
    QFile::link(root.paths().storeFolder(), out + "/quarn-link");

    const struct {
        QString target;
        const char* refusal;  // part of the message; empty when allowed
    } cases[] = {
        {root.paths().storeDb(), "contiene gli archivi"},
        {root.paths().chainDb(), "contiene gli archivi"},
        {root.paths().chainFile(), "contiene gli archivi"},
        {root.paths().chainFolder() + "/rapporto.pdf", "contiene gli archivi"},
        {root.root() + "/quarn/../quarn/nuovo.pdf", "contiene gli archivi"},
        {out + "/quarn-link/rapporto.pdf", "contiene gli archivi"},
        {out + "/link-to-store.pdf", "contiene gli archivi"},
        {out + "/notes.txt", "non è un PDF"},
        {out + "/folder.pdf", "non è un file"},
        {out + "/old.pdf", ""},
        {out + "/empty.pdf", ""},
        {out + "/new.pdf", ""},
        {root.root() + "/rapporto.pdf", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        const QString refused = refusedReportTarget(root.paths(), c.target);
        if (*c.refusal == 0) {
            EXPECT_EQ(refused, QString());
        } else {
            EXPECT_TRUE(refused.contains(QString::fromUtf8(c.refusal))) << refused.toStdString();
        }
    }

    // Through the program: status 1 before the run, the database untouched.
    const QByteArray store = bytesOf(root.paths().storeDb());
    const ProgramResult r = runProgram({"--headless", "--print", "yes", "--pdf", root.paths().storeDb(), "--root",
                                        root.root()});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("contiene gli archivi")) << r.err.toStdString();
    EXPECT_EQ(bytesOf(root.paths().storeDb()), store);
    EXPECT_FALSE(QFile::exists(root.root() + "/lis06c.lock"));
}

TEST(ReportTarget, WrittenWholeOrNotAtAll) {
    TestRoot root;
    root.writeChainFile({});
    root.close();
    QTemporaryDir elsewhere;

    // An earlier report is replaced by the new one.
    const QString pdf = elsewhere.path() + "/rapporto.pdf";
    writeFile(pdf, "%PDF-1.4 vecchio rapporto");
    ProgramResult r = runProgram({"--headless", "--print", "yes", "--pdf", pdf, "--root", root.root()});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(bytesOf(pdf).startsWith("%PDF-"));
    EXPECT_GT(bytesOf(pdf).size(), 1000);
    EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::Files), QStringList{"rapporto.pdf"});  // no leftovers

    // A target that cannot be written: the run's data are in, the status says it failed.
    writeFile(elsewhere.path() + "/occupato", "un file, non una cartella");
    r = runProgram({"--headless", "--print", "yes", "--pdf", elsewhere.path() + "/occupato/rapporto.pdf", "--root",
                    root.root()});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Impossibile scrivere il rapporto")) << r.err.toStdString();
}
