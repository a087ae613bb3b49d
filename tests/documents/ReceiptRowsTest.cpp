// The store's articles read once for the goods receipts answer exactly as the
// statements on the article table would, or not at all.
#include "TestRoot.h"
#include "documents/ReceiptRows.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Row {
    QVariant codart, codafo, tipges;
    double stock;  // qgia; the other amounts follow from it
};

// What the statement finds, as the same fields.
std::optional<ReceiptRows::Row> byStatement(db::Database& store, const QString& where, const QVariant& key) {
    db::Query q = store.prepare(QStringLiteral("SELECT rowid, tipges, qgia, valgia, qacq, scarto, traspo, cofart "
                                               "FROM listi01 WHERE ") + where);
    return q.firstRow({key}, [](const db::Query& r) {
        return ReceiptRows::Row{r.whole("rowid"), r.text("tipges").trimmed() == QLatin1String("D"),
                                r.number("qgia"),  r.number("valgia"), r.number("qacq"),
                                r.number("scarto"), r.number("traspo"), r.number("cofart")};
    });
}

void expectSame(const ReceiptRows::Row* kept, const std::optional<ReceiptRows::Row>& expected) {
    ASSERT_EQ(kept != nullptr, expected.has_value());
    if (!kept) return;
    EXPECT_EQ(kept->rowid, expected->rowid);
    EXPECT_EQ(kept->excluded, expected->excluded);
    for (auto field : {&ReceiptRows::Row::qgia, &ReceiptRows::Row::valgia, &ReceiptRows::Row::qacq,
                       &ReceiptRows::Row::scarto, &ReceiptRows::Row::traspo, &ReceiptRows::Row::cofart})
        EXPECT_EQ(kept->*field, *expected.*field);
}

}  // namespace

TEST(ReceiptRows, AnswerAsTheStatementsDoOrNotAtAll) {
    struct Case {
        const char* name;
        const char* declared;  // the declaration of codart
        std::vector<Row> rows;
        bool kept;
    };
    const QVariant null;
    const std::vector<Case> cases = {
        {"the store's own table", "INTEGER",
         // The first row of chain code 4711 has no article code; CAFÉ is not ASCII.
         {{null, QStringLiteral(" 4711  "), null, 1}, {1, QStringLiteral("4711"), QStringLiteral("M"), 2},
          {2, null, QStringLiteral(" D "), 3}, {3, QStringLiteral("0012"), null, 4},
          {7, QStringLiteral("CAFÉ"), QStringLiteral("D"), 5}, {4, 12, null, 6}},
         true},
        {"codes as texts in a field of no type", "", {{1, QStringLiteral("A"), null, 1}, {QStringLiteral("3"), null, null, 2}},
         false},
        {"a code as a fraction", "REAL", {{1, QStringLiteral("A"), null, 1}, {2.5, null, null, 2}}, false},
        {"a code held twice", "INTEGER", {{3, QStringLiteral("A"), null, 1}, {3, QStringLiteral("B"), null, 2}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestRoot root;
        db::Database& s = root.store();
        root.exec(s, QStringLiteral("DROP TABLE listi01"));
        root.exec(s, QStringLiteral("CREATE TABLE listi01 (codart %1, codafo TEXT, tipges TEXT, qgia REAL, "
                                    "valgia REAL, qacq REAL, scarto REAL, traspo REAL, cofart REAL)")
                         .arg(QString::fromUtf8(c.declared)));
        for (const Row& r : c.rows)
            root.exec(s, QStringLiteral("INSERT INTO listi01 VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                      {r.codart, r.codafo, r.tipges, r.stock, r.stock * 1.1, -r.stock, r.stock / 3, 0.1, 2.5});

        const ReceiptRows rows(s);
        EXPECT_EQ(rows.kept(), c.kept);
        if (!rows.kept()) continue;
        for (qint64 code : {1, 2, 3, 4, 5, 7}) {
            SCOPED_TRACE(code);
            expectSame(rows.byCode(code), byStatement(s, QStringLiteral("codart = ? LIMIT 1"), code));
        }
        for (const char* chainCode : {"4711", "0012", "12", "CAFÉ", "A", ""}) {
            SCOPED_TRACE(chainCode);
            const QString code = QString::fromUtf8(chainCode);
            expectSame(rows.byChainCode(code),
                       byStatement(s, QStringLiteral("rowid = (SELECT min(rowid) FROM listi01 WHERE trim(codafo) = ?)"),
                                   code));
        }
    }
}
