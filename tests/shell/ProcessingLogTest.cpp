// The processing log: what the row under construction carries from one
// appended row to the next, and what it resets.
#include "TestRoot.h"

#include <gtest/gtest.h>
#include <QSqlRecord>

namespace {

QVariantMap row(TestRoot& root, int n) {
    db::Query q = root.store().prepare(QStringLiteral("SELECT * FROM variatidivulgazioni ORDER BY rowid LIMIT 1 OFFSET ?"));
    QVariantMap out;
    if (!q.first({n})) return out;
    for (const char* f : {"codart", "costov", "coston", "codafov", "codafon", "ean", "ivart", "desart", "numpro",
                          "datain", "datafi", "despro", "prezpubn", "prezpubv", "tipoelaborazione", "tipoagg",
                          "desrep", "umart"})
        out.insert(QString::fromLatin1(f), q.value(f));
    return out;
}

}  // namespace

TEST(ProcessingLog, SecondRowCarriesCodesButNeverAmounts) {
    TestRoot root;
    ::Run& run = root.run();
    db::LogRow& log = run.ctx.log;
    log.codart = 120;
    log.codafov = QStringLiteral("000001234");
    log.codafon = QStringLiteral("000005678");
    log.ivart = QStringLiteral("10");
    log.desart = QStringLiteral("PASTA DI SEMOLA");
    log.costov = 1.1f;
    log.coston = 1.23f;
    log.prezpubv = 2.5f;
    log.prezpubn = 2.99f;
    log.tipoelaborazione = QStringLiteral("B");
    log.tipoagg = QStringLiteral("A");
    run.ctx.currentEan = QStringLiteral("8001234567890");
    Agg_Rec_divulga(run);

    // The next caller sets only the article code.
    log.codart = 121;
    Agg_Rec_divulga(run);

    const QVariantMap first = row(root, 0);
    const QVariantMap second = row(root, 1);
    ASSERT_FALSE(second.isEmpty());
    EXPECT_EQ(first.value("desart").toString(), QStringLiteral("PASTA DI SEMOLA"));
    EXPECT_EQ(first.value("despro").toString(), QStringLiteral("PASTA DI SEMOLA"));
    // Single precision stored as its shortest decimal.
    EXPECT_EQ(first.value("coston").toString(), QStringLiteral("1.23"));
    EXPECT_EQ(first.value("prezpubn").toString(), QStringLiteral("2.99"));
    EXPECT_EQ(first.value("ean").toString(), QStringLiteral("8001234567890"));

    EXPECT_EQ(second.value("codart").toInt(), 121);
    for (const char* carried : {"codafov", "codafon", "ean", "ivart", "tipoelaborazione", "tipoagg"})
        EXPECT_EQ(second.value(carried), first.value(carried)) << carried;
    for (const char* reset : {"costov", "coston", "prezpubn", "prezpubv"})
        EXPECT_EQ(second.value(reset).toDouble(), 0.0) << reset;
    EXPECT_TRUE(second.value("desart").toString().isEmpty());
    EXPECT_TRUE(second.value("despro").toString().isEmpty());
    // Only the promotion stage writes these, on its own rows.
    EXPECT_TRUE(second.value("desrep").isNull());
    EXPECT_TRUE(second.value("umart").isNull());

    // Before any document or promotion: number 0 and the zero date.
    for (const QVariantMap& r : {first, second}) {
        EXPECT_EQ(r.value("numpro").toInt(), 0);
        EXPECT_EQ(r.value("datain").toString(), QStringLiteral("1899-12-30"));
        EXPECT_EQ(r.value("datafi").toString(), QStringLiteral("1899-12-30"));
    }

    // Once a document stage set them, number and dates carry to later rows too.
    log.numpro = 45;
    log.datain = QDate(2026, 11, 30);
    log.datafi = QDate(2026, 12, 14);
    log.tipoelaborazione = QStringLiteral("A");
    log.tipoagg = QStringLiteral("F");
    Agg_Rec_divulga(run);
    log.tipoelaborazione = QStringLiteral("B");
    Agg_Rec_divulga(run);
    const QVariantMap fourth = row(root, 3);
    EXPECT_EQ(fourth.value("numpro").toInt(), 45);
    EXPECT_EQ(fourth.value("datain").toString(), QStringLiteral("2026-11-30"));
    EXPECT_EQ(fourth.value("datafi").toString(), QStringLiteral("2026-12-14"));
    EXPECT_EQ(fourth.value("tipoagg").toString(), QStringLiteral("F"));
    EXPECT_EQ(root.count(root.store(), "variatidivulgazioni"), 4);
}
