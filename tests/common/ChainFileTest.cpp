#include "RecordBuilder.h"
#include "common/ChainFile.h"

#include <gtest/gtest.h>

using common::ChainFile;

TEST(ChainFile, FieldsByColumnWithShortLinesGivingShortFields) {
    const QByteArray line = RecordBuilder("MDA").num(rec::articleCode, 1234).set(rec::mda::description, "PASTA ALL'UOVO");
    ChainFile f = ChainFile::fromBytes(chainFileBytes({line, "short"}));
    ASSERT_EQ(f.lineCount(), 2);
    const auto l = f.line(0);
    EXPECT_EQ(l.number(), 1);
    EXPECT_TRUE(l.is(rec::kind, "MDA"));
    EXPECT_EQ(l.text(rec::articleCode), "0001234");
    EXPECT_EQ(l.value(rec::articleCode), 1234);
    EXPECT_EQ(l.text(rec::mda::description).trimmed(), "PASTA ALL'UOVO");
    const auto s = f.line(1);
    EXPECT_TRUE(s.text(rec::kind).isEmpty());
    EXPECT_TRUE(s.text(rec::articleCode).isEmpty());
    EXPECT_FALSE(s.numeric(rec::articleCode));
}

TEST(ChainFile, DecodesWindows1252AndNotesOddities) {
    QByteArray bytes = "\xEF\xBB\xBF" "caff\xE8 \x80\n" "second\r\n" "x\x81y\r\n";
    ChainFile f = ChainFile::fromBytes(bytes);
    ASSERT_EQ(f.lineCount(), 3);
    EXPECT_EQ(f.line(0).text(1, 20), QString::fromUtf8("caffè €"));
    EXPECT_EQ(f.line(1).text(1, 20), "second");
    EXPECT_EQ(f.notes().size(), 3);  // BOM, LF, undefined byte
}

TEST(ChainFile, EmptyFileHasNoLinesAndMissingFileIsReported) {
    EXPECT_EQ(ChainFile::fromBytes({}).lineCount(), 0);
    QString error;
    EXPECT_FALSE(ChainFile::load("/nonexistent/acq_var.txt", &error));
    EXPECT_TRUE(error.contains("non esiste"));
}
