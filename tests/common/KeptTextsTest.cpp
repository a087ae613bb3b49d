// Every text a table may hold comes back exactly as it was kept: digits with
// their leading zeros, texts too long for a number, any other text, Null and
// the empty text apart.
#include "common/KeptTexts.h"

#include <gtest/gtest.h>

namespace {

struct KeptCase {
    QString text;
    bool digits;  // kept as a number, in the handle itself
};

const KeptCase kTexts[] = {
    {QString(), false},
    {QStringLiteral(""), true},
    {QStringLiteral("0"), true},
    {QStringLiteral("00"), true},
    {QStringLiteral("0000000000017"), true},
    {QStringLiteral("8001234567890"), true},
    {QStringLiteral("12345678901234567"), true},
    {QStringLiteral("99999999999999999"), true},
    {QStringLiteral("123456789012345678"), false},
    {QStringLiteral("00000000000000000000"), false},
    {QStringLiteral("8001234567890 "), false},
    {QStringLiteral("-5"), false},
    {QStringLiteral("ABC-1"), false},
    {QStringLiteral("BISCOTTI È"), false},
    {QStringLiteral("٣"), false},  // a digit, but not one of 0-9
};

TEST(KeptTexts, GivesBackEveryTextAsKept) {
    common::KeptTexts texts;
    std::vector<common::KeptTexts::Ref> refs;
    for (const KeptCase& c : kTexts) refs.push_back(texts.keep(c.text, true));
    for (const KeptCase& c : kTexts) refs.push_back(texts.keep(c.text, false));
    texts.settle();
    EXPECT_FALSE(texts.full());
    const size_t n = std::size(kTexts);
    for (size_t i = 0; i < 2 * n; ++i) {
        const KeptCase& c = kTexts[i % n];
        const QString back = texts.text(refs[i]);
        EXPECT_EQ(back, c.text) << i;
        EXPECT_EQ(back.isNull(), c.text.isNull()) << i;
        if (!c.text.isNull()) {
            EXPECT_EQ(common::KeptTexts::digits(c.text) != common::KeptTexts::kNull, c.digits) << i;
        }
        if (c.digits) {
            EXPECT_EQ(refs[i], common::KeptTexts::digits(c.text)) << i;
        }
        if (!c.digits && !c.text.isNull()) {
            EXPECT_EQ(texts.bytes(refs[i]), c.text.toStdString()) << i;
        }
    }
    // Shared texts are kept once; the others each time.
    EXPECT_EQ(texts.keep(QStringLiteral("ABC-1"), true) == refs[12], false) << "sharing ends with settle()";
    EXPECT_NE(refs[12], refs[n + 12]);
}

TEST(KeptTexts, ATextPastAChunkMakesTheHolderFull) {
    common::KeptTexts texts;
    texts.keep(QString(1 << 20, QLatin1Char('A')));
    EXPECT_FALSE(texts.full());
    texts.keep(QString((1 << 20) + 1, QLatin1Char('A')));
    EXPECT_TRUE(texts.full());
}

}  // namespace
