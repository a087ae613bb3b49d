// Loading the store's configuration: supplier code, stage switches and their
// circles, and the clean-up of the previous run.
#include "TestRoot.h"
#include "shell/Form_Load.h"

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

void setSwitches(TestRoot& root, const QVariant& a1, const QVariant& a2, const QVariant& a3) {
    root.exec(root.store(), QStringLiteral("INSERT INTO automa (codice, art1, art2, art3) VALUES (2, ?, ?, ?)"),
              {a1, a2, a3});
}

}  // namespace

TEST(FormLoad, MissingSupplierCodeEndsAfterTheCleanUp) {
    // No utenti row at all, a Null code, a zero code: the same message and end.
    struct Case { bool row; QVariant code; };
    for (const Case& c : {Case{false, {}}, Case{true, QVariant(QMetaType(QMetaType::LongLong))}, Case{true, 0}}) {
        const QVariant& code = c.code;
        TestRoot root(0);
        if (c.row)
            root.exec(root.store(), QStringLiteral("INSERT INTO utenti (codutente, codfor_affil) VALUES (1, ?)"), {code});
        fillLeftovers(root);
        root.exec(root.chain(), QStringLiteral("INSERT INTO articolo (codart, desart) VALUES (1, 'X')"));
        ::Run& run = root.run();
        EXPECT_EQ(Form_Load(run), LoadOutcome::NoSupplierCode);
        EXPECT_EQ(run.ctx.codfor_affil, 0);
        ASSERT_EQ(root.view.messages, QStringList{noSupplier});
        root.view.messages.clear();
        // The deletions come before the check.
        EXPECT_EQ(root.count(root.store(), "variatidivulgazioni"), 0);
        EXPECT_EQ(root.count(root.store(), "listi02"), 2);
        EXPECT_EQ(root.count(root.chain(), "articolo"), 1);
    }
    // A row for another user does not count.
    TestRoot other(0);
    other.exec(other.store(), QStringLiteral("INSERT INTO utenti (codutente, codfor_affil) VALUES (2, 99)"));
    EXPECT_EQ(Form_Load(other.run()), LoadOutcome::NoSupplierCode);
}

TEST(FormLoad, ReadsSupplierCodeAndEmptiesLeftovers) {
    TestRoot root;
    fillLeftovers(root);
    ::Run& run = root.run();
    run.ctx.log.codart = 77;
    run.ctx.log.prezpubn = 1.5f;
    run.ctx.log.desart = QStringLiteral("OLD");
    EXPECT_EQ(Form_Load(run), LoadOutcome::Ready);
    EXPECT_EQ(run.ctx.codfor_affil, 4321);
    EXPECT_TRUE(root.view.messages.isEmpty());
    EXPECT_EQ(root.count(root.store(), "variatidivulgazioni"), 0);
    EXPECT_EQ(root.count(root.store(), "listi02", "codlis = '000000'"), 0);
    EXPECT_EQ(root.count(root.store(), "listi02", "codart = 0"), 0);
    EXPECT_EQ(root.count(root.store(), "listi02", "codafo IN ('C', 'D')"), 2);
    // The row under construction starts empty.
    EXPECT_EQ(run.ctx.log.codart, 0);
    EXPECT_EQ(run.ctx.log.prezpubn, 0.0f);
    EXPECT_TRUE(run.ctx.log.desart.isEmpty());
}

TEST(FormLoad, SwitchesAndCircles) {
    {
        // No automa row: every switch empty, every circle green, every stage on.
        TestRoot root;
        ::Run& run = root.run();
        ASSERT_EQ(Form_Load(run), LoadOutcome::Ready);
        EXPECT_TRUE(run.ctx.art1.isEmpty() && run.ctx.art2.isEmpty() && run.ctx.art3.isEmpty());
        for (const char* s : {"Shape1", "Shape2", "Shape3"}) EXPECT_FALSE(root.view.isRed(s)) << s;
        EXPECT_EQ(switchValue(run.ctx.art1), 0.0);
    }
    {
        // Circles compare the text, stages the numeric value.
        TestRoot root;
        setSwitches(root, QStringLiteral("2"), QStringLiteral("01"), QStringLiteral("1"));
        ::Run& run = root.run();
        ASSERT_EQ(Form_Load(run), LoadOutcome::Ready);
        EXPECT_FALSE(root.view.isRed("Shape1"));  // art1 "2": off, circle green
        EXPECT_FALSE(root.view.isRed("Shape3"));  // art2 "01": off, circle green
        EXPECT_TRUE(root.view.isRed("Shape2"));   // art3 "1": red
        EXPECT_EQ(switchValue(run.ctx.art1), 2.0);
        EXPECT_EQ(switchValue(run.ctx.art2), 1.0);
        EXPECT_EQ(switchValue(run.ctx.art3), 1.0);
    }
    {
        // Null switches stay empty; " 1" is not the text "1"; a non-numeric text counts as 0.
        TestRoot root;
        setSwitches(root, QStringLiteral("1"), QVariant(QMetaType(QMetaType::QString)), QStringLiteral("X"));
        ::Run& run = root.run();
        ASSERT_EQ(Form_Load(run), LoadOutcome::Ready);
        EXPECT_TRUE(root.view.isRed("Shape1"));
        EXPECT_FALSE(root.view.isRed("Shape3"));
        EXPECT_FALSE(root.view.isRed("Shape2"));
        EXPECT_TRUE(run.ctx.art2.isEmpty());
        EXPECT_EQ(switchValue(run.ctx.art3), 0.0);
    }
}
