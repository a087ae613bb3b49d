// The processing log: each row is written whole, as its stage built it.
#include "TestRoot.h"

#include <gtest/gtest.h>

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

TEST(ProcessingLog, RowsAreWrittenAsBuilt) {
    TestRoot root;
    ::Run& run = root.run();
    db::LogRow full;
    full.codart = 120;
    full.codafov = QStringLiteral("000001234");
    full.codafon = QStringLiteral("000005678");
    full.ean = QStringLiteral("8001234567890");
    full.ivart = QStringLiteral("10");
    full.desart = QStringLiteral("PASTA DI SEMOLA");
    full.costov = common::Amount::fromDouble(1.1);
    full.coston = common::Amount::fromDouble(1.23);
    full.prezpubv = common::Amount::fromDouble(2.5);
    full.prezpubn = common::Amount::fromDouble(1234567.891);
    full.numpro = 45;
    full.datain = QDate(2026, 11, 30);
    full.datafi = QDate(2026, 12, 14);
    full.tipoelaborazione = QStringLiteral("B");
    full.tipoagg = QStringLiteral("A");
    run.log.append(full);
    run.log.append(db::LogRow{});

    const QVariantMap first = row(root, 0);
    EXPECT_EQ(first.value("desart").toString(), "PASTA DI SEMOLA");
    EXPECT_EQ(first.value("despro").toString(), "PASTA DI SEMOLA");  // repeats the description
    // Single precision stored as its shortest decimal.
    EXPECT_EQ(first.value("coston").toString(), "1.23");
    EXPECT_EQ(first.value("prezpubn").toString(), "1234567.9");  // a float holds about 7 digits
    EXPECT_EQ(first.value("ean").toString(), "8001234567890");
    EXPECT_EQ(first.value("numpro").toInt(), 45);
    EXPECT_EQ(first.value("datain").toString(), "2026-11-30");
    EXPECT_EQ(first.value("datafi").toString(), "2026-12-14");

    // A row that sets nothing carries nothing from the row before it: number 0,
    // the zero date, no EAN, no amounts; only the promotion stage fills desrep and umart.
    const QVariantMap second = row(root, 1);
    ASSERT_FALSE(second.isEmpty());
    EXPECT_EQ(second.value("codart").toInt(), 0);
    EXPECT_EQ(second.value("numpro").toInt(), 0);
    EXPECT_EQ(second.value("datain").toString(), "1899-12-30");
    EXPECT_EQ(second.value("ean").toString(), QString(13, QLatin1Char(' ')));
    for (const char* zero : {"costov", "coston", "prezpubn", "prezpubv"})
        EXPECT_EQ(second.value(zero).toDouble(), 0.0) << zero;
    EXPECT_TRUE(second.value("desrep").isNull());
    EXPECT_TRUE(second.value("umart").isNull());
}
