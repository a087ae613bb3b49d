// The store's articles read once for the store update answer exactly as the
// statement on the article table would, and leave to it what they cannot know.
#include "TestRoot.h"
#include "articles/KnownArticles.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Row {
    QVariant codart, codafo, przpub;
};

std::optional<std::pair<QString, common::Amount>> byStatement(db::Database& store, qint64 codart) {
    db::Query q = store.prepare(QStringLiteral("SELECT codafo, przpub FROM listi01 WHERE codart = ? LIMIT 1"));
    return q.firstRow({codart}, [](const db::Query& r) { return std::make_pair(r.text("codafo"), r.amount("przpub")); });
}

}  // namespace

TEST(KnownArticles, AnswerAsTheStatementDoesOrNotAtAll) {
    struct Case {
        const char* name;
        const char* declared;  // the declaration of codart
        bool unique;           // a unique index on codart
        std::vector<Row> rows;
        bool known;            // the rows are held, not left to the statement
    };
    const QVariant null;
    const std::vector<Case> cases = {
        {"the store's own table", "INTEGER", true,
         {{1, QStringLiteral(" 4711  "), 1.5}, {2, null, null}, {3, QStringLiteral("0012"), 2.0999999046325684},
          {7, QStringLiteral("CAFÉ"), 1e-300}, {null, QStringLiteral("X"), 9.0}},
         true},
        {"codes as texts in a field of no type", "", true, {{1, QStringLiteral("A"), 1.0}, {QStringLiteral("3"), null, 2.0}},
         false},
        {"a code as a fraction", "REAL", true, {{1, QStringLiteral("A"), 1.0}, {2.5, null, 2.0}}, false},
        {"a code held twice", "INTEGER", false, {{3, QStringLiteral("A"), 1.0}, {3, QStringLiteral("B"), 2.0}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestRoot root;
        db::Database& s = root.store();
        root.exec(s, QStringLiteral("DROP TABLE listi01"));
        root.exec(s, QStringLiteral("CREATE TABLE listi01 (codart %1, codafo TEXT, przpub REAL)")
                         .arg(QString::fromUtf8(c.declared)));
        if (c.unique) root.exec(s, QStringLiteral("CREATE UNIQUE INDEX listi01_primary ON listi01 (codart)"));
        for (const Row& r : c.rows)
            root.exec(s, QStringLiteral("INSERT INTO listi01 (codart, codafo, przpub) VALUES (?, ?, ?)"),
                      {r.codart, r.codafo, r.przpub});

        articles::KnownArticles known(s);
        for (qint64 code : {1, 2, 3, 4, 7}) {
            const auto expected = byStatement(s, code);
            const auto answer = known.find(code);
            EXPECT_EQ(answer.has_value(), c.known && expected.has_value()) << code;
            if (!answer) continue;
            EXPECT_EQ(answer->codafo, expected->first) << code;
            EXPECT_EQ(answer->codafo.isNull(), expected->first.isNull()) << code;
            EXPECT_EQ(answer->przpub, expected->second) << code;
        }
        // An article the stage has written is read from the table again.
        known.changed(1);
        EXPECT_FALSE(known.find(1));
    }
}
