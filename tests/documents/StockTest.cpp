#include "DocumentFixture.h"
#include "documents/stock.h"

namespace {

class StockTest : public DocumentFixture {
protected:
    StockMovement line(qint32 code, double quantity, double cost, double oldCost = 0) {
        StockMovement m;
        m.storeCode = code;
        m.ean = QStringLiteral("8001234567890");
        m.quantity = common::Amount::fromDouble(quantity);
        m.newCost = common::Amount::fromDouble(cost);
        m.oldCost = common::Amount::fromDouble(oldCost);
        m.lineCost = m.newCost;
        m.supplierName = QStringLiteral("NELV DISTRIBUZIONE SPA");
        return m;
    }
    double field(const char* name, qint32 code = 7) {
        return value(QStringLiteral("SELECT %1 FROM listi01 WHERE codart = ?").arg(QLatin1String(name)), {code})
            .toDouble();
    }
};

TEST_F(StockTest, LoadThenRevalueKeepsValueAndAverageCost) {
    addArticle(7, 123, 8001234567890, 2.00, 10, 20.00);
    ::Run& run = root.run();
    StockMovements stock(run);
    const StockMovement m = line(7, 5, 2.60, 2.00);

    stock.carico_magazzino(m);
    EXPECT_DOUBLE_EQ(field("qgia"), 15);
    EXPECT_DOUBLE_EQ(field("valgia"), 33.00);
    EXPECT_DOUBLE_EQ(field("cosmp"), 2.2);
    EXPECT_DOUBLE_EQ(field("qacq"), 5);
    EXPECT_DOUBLE_EQ(field("qultcar"), 5);
    EXPECT_EQ(value("SELECT dultcar FROM listi01 WHERE codart = 7").toString(), "2026-12-08");
    EXPECT_DOUBLE_EQ(value("SELECT eacq FROM codean WHERE codare = 7").toDouble(), 5);
    EXPECT_DOUBLE_EQ(value("SELECT egia FROM codean WHERE codare = 7").toDouble(), 5);
    EXPECT_EQ(value("SELECT flagean FROM codean WHERE codare = 7").toString(), " ");

    stock.aggiorno_costo(m);
    EXPECT_DOUBLE_EQ(field("valgia"), 36.00);
    EXPECT_DOUBLE_EQ(field("cosmp"), 2.4);
    EXPECT_DOUBLE_EQ(field("cofart"), 2.60);
    EXPECT_DOUBLE_EQ(field("cobart"), 2.60);
    EXPECT_DOUBLE_EQ(field("qgia"), 15);
}

TEST_F(StockTest, NegativeStockIsValuedAfreshAndValueNeverNegative) {
    addArticle(7, 123, 8001234567890, 2.00, -2, 0);
    addArticle(8, 124, 8001234567891, 2.00, -8, 0);
    root.exec(root.store(), QStringLiteral("UPDATE listi01 SET cosmp = 1.75 WHERE codart = 8"));
    ::Run& run = root.run();
    StockMovements stock(run);

    stock.carico_magazzino(line(7, 5, 3.00));
    EXPECT_DOUBLE_EQ(field("qgia", 7), 3);
    EXPECT_DOUBLE_EQ(field("valgia", 7), 9.00);
    EXPECT_DOUBLE_EQ(field("cosmp", 7), 3);

    StockMovement m = line(8, 5, 3.00);
    m.ean = QStringLiteral("8001234567891");
    stock.carico_magazzino(m);
    EXPECT_DOUBLE_EQ(field("qgia", 8), -3);
    EXPECT_DOUBLE_EQ(field("valgia", 8), 0);
    EXPECT_DOUBLE_EQ(field("cosmp", 8), 1.75);

    // A cost that falls further than the stock value allows ends at value 0.
    stock.aggiorno_costo(line(7, 5, 0.50, 3.00));
    EXPECT_DOUBLE_EQ(field("valgia", 7), 0);
    EXPECT_DOUBLE_EQ(field("cosmp", 7), 3);
    EXPECT_DOUBLE_EQ(field("cofart", 7), 0.50);
}

TEST_F(StockTest, ExcludedMissingOrCodelessArticlesMoveNothing) {
    addArticle(7, 123, 8001234567890, 2.00, 10, 20.00);
    root.exec(root.store(), QStringLiteral("UPDATE listi01 SET tipges = 'D' WHERE codart = 7"));
    addArticle(9, 125, 8001234567899, 2.00, 10, 20.00);
    ::Run& run = root.run();
    StockMovements stock(run);

    stock.carico_magazzino(line(7, 5, 2.60));
    stock.aggiorno_costo(line(7, 5, 2.60, 2.00));
    EXPECT_DOUBLE_EQ(field("qgia"), 10);
    EXPECT_DOUBLE_EQ(field("valgia"), 20);
    EXPECT_DOUBLE_EQ(field("cofart"), 2.00);
    EXPECT_DOUBLE_EQ(value("SELECT eacq FROM codean WHERE codare = 7").toDouble(), 0);

    stock.carico_magazzino(line(0, 5, 2.60));
    stock.carico_magazzino(line(555, 5, 2.60));
    EXPECT_DOUBLE_EQ(value("SELECT sum(qgia) FROM listi01").toDouble(), 20);

    // An EAN without codean row: the article moves, the EAN counters do not.
    StockMovement m = line(9, 5, 2.00);
    m.ean = QStringLiteral("0000000000042");
    stock.carico_magazzino(m);
    EXPECT_DOUBLE_EQ(field("qgia", 9), 15);
    EXPECT_DOUBLE_EQ(value("SELECT eacq FROM codean WHERE codare = 9").toDouble(), 0);
}

// One goods-receipt line moved through receive() on one article and through
// the load then the revaluation on its twin: every stock field ends the same.
struct TwinCase {
    const char* name;
    double qgia, valgia, quantity, cost, oldCost;
    const char* tipges = "";
};

TEST_F(StockTest, ReceiveEndsAsLoadThenRevalue) {
    const TwinCase cases[] = {
        {"cost unchanged", 10, 20, 5, 2.00, 2.00},
        {"cost up", 10, 20, 5, 2.60, 2.00},
        {"cost down", 10, 20, 5, 1.40, 2.00},
        {"no stock before", 0, 0, 3, 1.2345, 1.10},
        {"negative stock stays negative", -8, 0, 5, 3.00, 1.00},
        {"negative stock turns positive", -2, 0, 5, 3.00, 2.50},
        {"value falls below zero", 1, 0.10, 2, 0.05, 3.00},
        {"average rounded at four decimals", 7, 10, 3, 1.33335, 1.1111},
        {"fractional quantity", 2.5, 7.77, 0.333, 2.71828, 3.14159},
        {"quantity returned", 10, 20, -4, 2.50, 2.00},
        {"no cost before", 4, 6, 2, 1.75, 0},
        {"excluded article", 10, 20, 5, 2.60, 2.00, "D"},
    };
    qint32 code = 100;
    for (const TwinCase& c : cases) {
        SCOPED_TRACE(c.name);
        const qint32 separate = ++code, together = ++code;
        for (qint32 k : {separate, together}) {
            addArticle(k, k, 8000000000000 + k, c.oldCost, c.qgia, c.valgia);
            root.exec(root.store(), QStringLiteral("UPDATE listi01 SET cosmp = 1.5, tipges = ? WHERE codart = ?"),
                      {QString::fromLatin1(c.tipges), k});
        }
        ::Run& run = root.run();
        StockMovements stock(run);
        const auto movement = [&](qint32 k) {
            StockMovement m = line(k, c.quantity, c.cost, c.oldCost);
            m.ean = QStringLiteral("%1").arg(8000000000000 + k);
            return m;
        };
        // Twice: the second line reads the stock the first one left, which
        // receive() holds until writeHeld().
        for (int twice = 0; twice < 2; ++twice) {
            stock.carico_magazzino(movement(separate));
            if (movement(separate).newCost != movement(separate).oldCost) stock.aggiorno_costo(movement(separate));
        }
        stock.receive(movement(together));
        stock.receive(movement(together));
        stock.writeHeld();

        const char* fields[] = {"qgia", "valgia", "qacq", "qultcar", "dultcar", "desfor", "cofart", "cobart",
                                "sc1art", "sc2art", "sc3art", "scomag", "cosmp"};
        for (const char* f : fields) {
            const QString sql = QStringLiteral("SELECT quote(%1) FROM listi01 WHERE codart = ?").arg(QLatin1String(f));
            EXPECT_EQ(value(sql, {together}).toString(), value(sql, {separate}).toString()) << f;
        }
        for (const char* f : {"eacq", "egia", "flagean"}) {
            const QString sql = QStringLiteral("SELECT quote(%1) FROM codean WHERE codare = ?").arg(QLatin1String(f));
            EXPECT_EQ(value(sql, {together}).toString(), value(sql, {separate}).toString()) << f;
        }
    }
}

}  // namespace
