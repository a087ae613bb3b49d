// Cost with VAT, margin and mark-up of a store article, worked out by hand:
// the cost with VAT keeps every decimal a cost and a rate give it, the
// percentages are exact and rounded once, halves to the even cent.
#include "articles/ArticleRules.h"

#include <gtest/gtest.h>

namespace {

using common::Amount;

Amount a(const char* text) { return *Amount::parse(QString::fromLatin1(text)); }

TEST(ArticleRules, CostWithVatMarginAndMarkup) {
    const struct {
        const char *cost, *vat, *price;
        double stored;                 // `cosiva` as the store keeps it
        const char *margin, *markup;   // "" when there is none
    } rows[] = {
        {"10", "22", "15", 12.2, "18.67", "22.95"},
        {"0.652", "22", "1.09", 0.79544, "27.02", "37.03"},      // six decimals kept: 27.0238, 37.0311
        {"1.6601", "4", "2.29", 1.726504, "24.61", "32.64"},
        {"0.001", "22", "1", 0.00122, "99.88", "81867.21"},
        {"7.0124", "0", "8", 7.0124, "12.34", "14.08"},         // 12.345 to the even cent
        {"3.975", "0", "4", 3.975, "0.62", "0.63"},             // 0.625 to the even cent
        {"1.005", "0", "1", 1.005, "-0.5", "-0.5"},             // -0.4975
        {"12345.6789", "22", "20000", 15061.729, "24.69", "32.79"},  // single precision: 15061.728258 stored short
        {"2", "10", "0", 2.2, "", "-100"},
        {"0", "22", "3", 0, "100", ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.cost) + " at " + r.vat + "% sold at " + r.price);
        const articles::CostWithVat cosiva(a(r.cost), a(r.vat));
        EXPECT_EQ(cosiva.stored(), r.stored);
        const auto margin = articles::margin(a(r.price), cosiva);
        const auto markup = articles::markup(a(r.price), cosiva);
        EXPECT_EQ(margin ? margin->toString() : QString(), QLatin1String(r.margin));
        EXPECT_EQ(markup ? markup->toString() : QString(), QLatin1String(r.markup));
    }
}

TEST(ArticleRules, PriceWithoutVatAndPerUnit) {
    EXPECT_EQ(articles::priceWithoutVat(a("15"), a("22")).toString(), "12.2951");
    EXPECT_EQ(articles::priceWithoutVat(a("7"), a("10")).toString(), "6.3636");
    EXPECT_EQ(articles::priceWithoutVat(a("1.04"), a("4")).toString(), "1");
    // 2.29 the kilo in packs of 250 grams, the factor 1000: 9.16 the kilo.
    EXPECT_EQ(articles::pricePerUnit(a("2.29"), a("250"), a("1000"))->toString(), "9.16");
    // 1.09 for 75 cl at the factor 100: 1.4533 to 1.45.
    EXPECT_EQ(articles::pricePerUnit(a("1.09"), a("75"), a("100"))->toString(), "1.45");
    EXPECT_FALSE(articles::pricePerUnit(a("1"), a("0"), a("1")));
    EXPECT_FALSE(articles::pricePerUnit(a("1"), a("5"), a("0")));
}

}  // namespace

// The chain code of an article code, whether the code comes as a whole
// number or as text: the same digits either way.
TEST(ArticleRules, ChainCodeOfWholeNumbersAndTexts) {
    struct Case {
        QVariant codart;
        const char* expected;
    };
    const Case cases[] = {
        {qint64(1234), "000001234"},
        {qint64(0), "000000000"},
        {qint64(-5), "-000000005"},
        {qint64(1234567890), "1234567890"},
        {qint64(9007199254740992), "9007199254740992"},
        {qint64(9007199254740993), "9007199254740992"},  // beyond a double's whole numbers
        {qint64(-9007199254740993), "-9007199254740992"},
        {12.5, "000000012"},
        {13.5, "000000014"},
        {QStringLiteral(" 77 "), "000000077"},
        {QStringLiteral("A1"), ""},
        {QVariant(QMetaType(QMetaType::QString)), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codart.toString().toStdString());
        EXPECT_EQ(articles::chainCode(c.codart), QString::fromLatin1(c.expected));
        if (c.codart.typeId() == QMetaType::LongLong) {  // the same through its text
            EXPECT_EQ(articles::chainCode(c.codart.toString()), QString::fromLatin1(c.expected));
        }
    }
}
