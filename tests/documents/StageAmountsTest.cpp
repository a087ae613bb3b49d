// Amounts through the whole document stage: line totals with waste and
// transport, stock value, average cost and the cost change, each rounded once,
// half to even, on the decimal value (values worked out by hand; binary
// arithmetic gets about half of these half-cent cases wrong).
#include "DocumentFixture.h"

namespace {

struct AmountCase {
    const char* name;
    // The store's article before the line.
    double cofart, qgia, valgia, scarto, traspo;
    // The line.
    double quantity, cost;
    // What the line and the article end with.
    double totrig, ricart, qgiaAfter, valgiaAfter, cosmp, cofartAfter;
};

const AmountCase kCases[] = {
    // 3 × 1.005 = 3.015: to the even cent 3.02, in the line and in the stock value.
    {"HalfCentProductIntoNoStock", 1.005, 0, 0, 0, 0, 3, 1.005, 3.02, 0, 3, 3.02, 1.0067, 1.005},
    {"HalfCentProductOntoStock", 1.005, 10, 10, 0, 0, 3, 1.005, 3.02, 0, 13, 13.02, 1.0015, 1.005},
    // From 4.00 to 4.025: 0.625 % to 0.62; the value 4.025 to 4.02, then 0.025 more at the new cost.
    {"CostChangeUp", 4, 0, 0, 0, 0, 1, 4.025, 4.02, 0.62, 1, 4.045, 4.045, 4.025},
    {"CostChangeDown", 4, 0, 0, 0, 0, 1, 3.975, 3.98, -0.62, 1, 3.955, 3.955, 3.975},
    // Waste and transport: 4.50, 4.95, 5.1975 to 5.20.
    {"WasteThenTransport", 1.5, 0, 0, 10, 5, 3, 1.5, 5.2, 0, 3, 4.5, 1.5, 1.5},
    // 0.03 with waste 50 %: 0.045 to 0.04 (not 0.03 + 0.02).
    {"HalfCentWaste", 0.03, 0, 0, 50, 0, 1, 0.03, 0.04, 0, 1, 0.03, 0.03, 0.03},
    {"HalfCentWasteUp", 0.01, 0, 0, 50, 0, 1, 0.01, 0.02, 0, 1, 0.01, 0.01, 0.01},
    // A negative stock is valued afresh at the new cost.
    {"NegativeStock", 3, -2, 0, 0, 0, 5, 3, 15, 0, 3, 9, 3, 3},
    // A quantity in hundredths: 1.5 × 1.01 = 1.515 to 1.52.
    {"HalfCentWithAFractionalQuantity", 1.01, 0, 0, 0, 0, 1.5, 1.01, 1.52, 0, 1.5, 1.52, 1.0133, 1.01},
};

class StageAmounts : public DocumentFixture, public ::testing::WithParamInterface<AmountCase> {};

TEST_P(StageAmounts, LineStockAndCostChangeRoundOnceHalfToEven) {
    const AmountCase& c = GetParam();
    addArticle(7, 123, 8001234567890, c.cofart, c.qgia, c.valgia, c.scarto, c.traspo);
    Ble line;
    line.quantity = c.quantity;
    line.cost = c.cost;
    runWith({line.line()});

    const auto number = [&](const char* sql) { return value(QString::fromUtf8(sql)).toDouble(); };
    EXPECT_EQ(number("SELECT totrig FROM ordinif"), c.totrig);
    EXPECT_EQ(number("SELECT ricart FROM ordinif"), c.ricart);
    EXPECT_EQ(number("SELECT quantita FROM ordinif"), c.quantity);
    EXPECT_EQ(number("SELECT qgia FROM listi01 WHERE codart = 7"), c.qgiaAfter);
    EXPECT_EQ(number("SELECT valgia FROM listi01 WHERE codart = 7"), c.valgiaAfter);
    EXPECT_EQ(number("SELECT cosmp FROM listi01 WHERE codart = 7"), c.cosmp);
    EXPECT_EQ(number("SELECT cofart FROM listi01 WHERE codart = 7"), c.cofartAfter);
}

INSTANTIATE_TEST_SUITE_P(Lines, StageAmounts, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<AmountCase>& info) { return info.param.name; });

}  // namespace
