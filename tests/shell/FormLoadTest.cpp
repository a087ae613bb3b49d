// Loading the store's configuration: supplier code, stage switches and their
// circles, and the clean-up of the previous run.
#include "TestRoot.h"
#include "run/Form_Load.h"

#include <gtest/gtest.h>

namespace {

const QString noSupplier =
    QStringLiteral("Attenzione, codice fornitore NELV non inserito in tabella Dati Societa/Affiliazione");

void fillLeftovers(TestRoot& root) {
    root.exec(root.store(), QStringLiteral("INSERT INTO listi02 (codart, codlis, codafo) VALUES (?, ?, ?)"),
              {11, QStringLiteral("000000"), QStringLiteral("A")});  // filed under supplier 0
    root.exec(root.store(), QStringLiteral("INSERT INTO listi02 (codart, codlis, codafo) VALUES (?, ?, ?)"),
              {0, QStringLiteral("004321"), QStringLiteral("B")});   // no article
    root.exec(root.store(), QStringLiteral("INSERT INTO listi02 (codart, codlis, codafo) VALUES (?, ?, ?)"),
              {12, QStringLiteral("004321"), QStringLiteral("C")});  // a real row
    root.exec(root.store(), QStringLiteral("INSERT INTO listi02 (codart, codlis, codafo) VALUES (?, ?, ?)"),
              {13, QStringLiteral("00000"), QStringLiteral("D")});   // not the exact code
    root.exec(root.store(), QStringLiteral("INSERT INTO variatidivulgazioni (codart, tipoelaborazione) VALUES (?, ?)"),
              {5, QStringLiteral("B")});
}

std::optional<RunConfig> load(TestRoot& root) {
    return Form_Load(root.paths(), RunOptions{}, root.store(), root.view);
}

void setSwitches(TestRoot& root, const QVariant& a1, const QVariant& a2, const QVariant& a3) {
    root.exec(root.store(), QStringLiteral("INSERT INTO automa (codice, art1, art2, art3) VALUES (2, ?, ?, ?)"),
              {a1, a2, a3});
}

}  // namespace

TEST(FormLoad, MissingOrUnusableSupplierCodeEnds) {
    // No utenti row at all, a Null code, a zero code: the same message and end.
    // A code past a long integer would be cut to another supplier's: refused,
    // with nothing written.
    struct Case { bool row; QVariant code; const char* message; };
    const QString tooLarge = QStringLiteral(
        "Attenzione, codice fornitore NELV %1 in tabella Dati Societa/Affiliazione fuori dall'intervallo "
        "ammesso (massimo 2147483647): correggerlo prima di importare il file.");
    for (const Case& c : {Case{false, {}, nullptr}, Case{true, QVariant(QMetaType(QMetaType::LongLong)), nullptr},
                          Case{true, 0, nullptr}, Case{true, Q_INT64_C(4294967419), "4294967419"},
                          Case{true, Q_INT64_C(2147483648), "2147483648"},
                          Case{true, Q_INT64_C(-2147483649), "-2147483649"}}) {
        TestRoot root(0);
        if (c.row)
            root.exec(root.store(), QStringLiteral("INSERT INTO utenti (codutente, codfor_affil) VALUES (1, ?)"),
                      {c.code});
        fillLeftovers(root);
        root.exec(root.chain(), QStringLiteral("INSERT INTO articolo (codart, desart) VALUES (1, 'X')"));
        EXPECT_FALSE(load(root));
        ASSERT_EQ(root.view.messages, QStringList{c.message ? tooLarge.arg(QLatin1String(c.message)) : noSupplier});
        // The deletions come before the check for a missing code; a code that
        // cannot be read as a long integer stops the load before them.
        EXPECT_EQ(root.count(root.store(), "variatidivulgazioni"), c.message ? 1 : 0);
        EXPECT_EQ(root.count(root.store(), "listi02"), c.message ? 4 : 2);
        EXPECT_EQ(root.count(root.chain(), "articolo"), 1);
    }
    // A row for another user does not count.
    TestRoot other(0);
    other.exec(other.store(), QStringLiteral("INSERT INTO utenti (codutente, codfor_affil) VALUES (2, 99)"));
    EXPECT_FALSE(load(other));
}

TEST(FormLoad, ReadsSupplierCodeAndNameAndEmptiesLeftovers) {
    TestRoot root;
    fillLeftovers(root);
    const std::optional<RunConfig> config = load(root);
    ASSERT_TRUE(config);
    EXPECT_EQ(config->codfor_affil, 4321);
    EXPECT_EQ(config->supplierName, QStringLiteral("NELV DISTRIBUZIONE SPA").leftJustified(45));
    EXPECT_EQ(config->priceListCode(), "004321");
    EXPECT_TRUE(root.view.messages.isEmpty());
    EXPECT_EQ(root.count(root.store(), "variatidivulgazioni"), 0);
    EXPECT_EQ(root.count(root.store(), "listi02", "codlis = '000000'"), 0);
    EXPECT_EQ(root.count(root.store(), "listi02", "codart = 0"), 0);
    EXPECT_EQ(root.count(root.store(), "listi02", "codafo IN ('C', 'D')"), 2);

    // A supplier the store does not file: its name stays blank.
    TestRoot unnamed;
    unnamed.exec(unnamed.store(), QStringLiteral("DELETE FROM fornitori"));
    EXPECT_EQ(load(unnamed)->supplierName, QString(45, QLatin1Char(' ')));
}

TEST(FormLoad, SwitchesAndCircles) {
    {
        // No automa row: every switch empty, every circle green, every stage on.
        TestRoot root;
        const std::optional<RunConfig> config = load(root);
        ASSERT_TRUE(config);
        EXPECT_TRUE(config->art1.isEmpty() && config->art2.isEmpty() && config->art3.isEmpty());
        for (const char* s : {"Shape1", "Shape2", "Shape3"}) EXPECT_FALSE(root.view.isRed(s)) << s;
        EXPECT_TRUE(config->articlesSaved() && config->documentsOn() && config->promotionsOn());
    }
    {
        // Circles compare the text, stages the numeric value.
        TestRoot root;
        setSwitches(root, QStringLiteral("2"), QStringLiteral("01"), QStringLiteral("1"));
        const std::optional<RunConfig> config = load(root);
        ASSERT_TRUE(config);
        EXPECT_FALSE(root.view.isRed("Shape1"));  // art1 "2": off, circle green
        EXPECT_FALSE(root.view.isRed("Shape3"));  // art2 "01": off, circle green
        EXPECT_TRUE(root.view.isRed("Shape2"));   // art3 "1": red
        EXPECT_FALSE(config->articlesSaved());
        EXPECT_FALSE(config->promotionsOn());
        EXPECT_FALSE(config->documentsOn());
    }
    {
        // Null switches stay empty; " 1" is not the text "1"; a non-numeric text counts as 0.
        TestRoot root;
        setSwitches(root, QStringLiteral("1"), QVariant(QMetaType(QMetaType::QString)), QStringLiteral("X"));
        const std::optional<RunConfig> config = load(root);
        ASSERT_TRUE(config);
        EXPECT_TRUE(root.view.isRed("Shape1"));
        EXPECT_FALSE(root.view.isRed("Shape3"));
        EXPECT_FALSE(root.view.isRed("Shape2"));
        EXPECT_TRUE(config->art2.isEmpty());
        EXPECT_TRUE(config->documentsOn());
    }
}
