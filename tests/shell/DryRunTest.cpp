// A trial (--dry-run) of a whole generated store through the program: it
// says what the real run then does, writes its report with every page marked,
// and leaves every file of the root byte for byte as it was.
#include "FileDigests.h"
#include "Program.h"
#include "generator/Generator.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QJsonObject lastJson(const ProgramResult& r) {
    return QJsonDocument::fromJson(r.out.trimmed().section(QLatin1Char('\n'), -1).toUtf8()).object();
}

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

TEST(DryRun, PreviewsTheRunAndChangesNothing) {
    QTemporaryDir dir, out;
    gen::Sizes sizes = gen::Sizes::demo();  // a report of two pages
    sizes.today = QDate(2026, 6, 15);
    gen::Generator(sizes).write(Paths{dir.path()});
    QProcessEnvironment env;
    env.insert(QStringLiteral("LIS06C_SETTLE_SECONDS"), QStringLiteral("0"));
    const QStringList before = fileDigests(dir.path());

    const QString pdf = out.filePath(QStringLiteral("prova.pdf"));
    const ProgramResult trial = runProgram(
        {QStringLiteral("--dry-run"), QStringLiteral("--json"), QStringLiteral("--print"), QStringLiteral("yes"),
         QStringLiteral("--pdf"), pdf, QStringLiteral("--root"), dir.path()},
        env);
    EXPECT_EQ(fileDigests(dir.path()).join('\n').toStdString(), before.join('\n').toStdString()) << trial.err.toStdString();
    const QJsonObject t = lastJson(trial);
    EXPECT_TRUE(t.value(QStringLiteral("trial")).toBool()) << trial.out.toStdString();
    EXPECT_TRUE(t.value(QStringLiteral("run")).isNull());
    EXPECT_EQ(t.value(QStringLiteral("report")).toString(), pdf);
    EXPECT_TRUE(trial.err.contains(QStringLiteral("Riepilogo della prova (PROVA — nessuna modifica)")));

    // Every page of the trial's report says it is one.
    const QStringList pages = pdfText(pdf).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_GT(pages.size(), 1);
    for (const QString& page : pages) EXPECT_TRUE(page.contains(QStringLiteral("PROVA — nessuna modifica")));

    // The real run does what the trial said.
    const ProgramResult real = runProgram({QStringLiteral("--json"), QStringLiteral("--root"), dir.path()}, env);
    const QJsonObject r = lastJson(real);
    EXPECT_FALSE(r.value(QStringLiteral("trial")).toBool());
    EXPECT_EQ(real.exitCode, trial.exitCode);
    for (const char* count : {"status", "articles_updated", "articles_created", "eans_written", "documents_received",
                              "documents_held_back", "documents_revised", "stock_lines", "offers_created",
                              "offer_lines", "refused_lines", "stops", "data_date", "file_sha256"})
        EXPECT_EQ(t.value(QLatin1String(count)), r.value(QLatin1String(count))) << count;
    EXPECT_GT(r.value(QStringLiteral("articles_updated")).toInt() + r.value(QStringLiteral("offer_lines")).toInt(), 0);
}
