// The keys read once for the store update answer exactly as their statements
// would, however the store's table was declared and whatever it holds.
#include "TestRoot.h"
#include "articles/ReadOnceKeys.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The answer of the statement the store EANs stand for.
std::optional<qint64> byStatement(db::Database& store, const QString& ean) {
    db::Query q = store.prepare(QStringLiteral("SELECT rowid FROM codean WHERE eanare = ? LIMIT 1"));
    return q.firstRow({ean}, [](const db::Query& r) { return r.value(0).toLongLong(); });
}

const QVariant kBytes = QByteArray("8001234567890");

}  // namespace

TEST(StoreEans, AnswerAsTheStatementDoes) {
    struct Case {
        const char* name;
        const char* declared;  // the declaration of eanare
        bool unique;           // a unique index on eanare
        std::vector<QVariant> rows;
    };
    const std::vector<Case> cases = {
        {"text", "TEXT", true,
         {QStringLiteral("8001234567890"), QStringLiteral("12345678     "), QStringLiteral("ABC"), QVariant(),
          kBytes}},
        {"text of another name", "VARCHAR(13)", true, {QStringLiteral("8001234567890"), QStringLiteral("abc")}},
        {"numbers in a field of no type", "", false,
         {QVariant(qint64(8001234567890)), QStringLiteral("0012345678905"), 8001234567891.0}},
        {"number affinity", "INTEGER", false, {QStringLiteral("8001234567890"), QStringLiteral("abc")}},
        {"numeric affinity", "NUMERIC", false, {QStringLiteral("8001234567890"), QStringLiteral("12345678     ")}},
        {"own collation", "TEXT COLLATE NOCASE", true, {QStringLiteral("ABC"), QStringLiteral("8001234567890")}},
        {"a code held twice", "TEXT", false,
         {QStringLiteral("0012345678905"), QStringLiteral("8001234567890"), QStringLiteral("8001234567890")}},
        {"a text held twice", "TEXT", false, {QStringLiteral("abc"), QStringLiteral("abc")}},
        {"not ASCII", "TEXT", true, {QStringLiteral("8001234567890"), QStringLiteral("CAFÉ")}},
    };
    const QStringList probes = {QStringLiteral("8001234567890"), QStringLiteral("8001234567891"),
                                QStringLiteral("0012345678905"), QStringLiteral("12345678     "),
                                QStringLiteral("12345678"),      QStringLiteral("abc"),
                                QStringLiteral("ABC"),           QStringLiteral("CAFÉ"),
                                QStringLiteral(" 8001234567890")};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestRoot root;
        db::Database& s = root.store();
        root.exec(s, QStringLiteral("DROP TABLE codean"));
        root.exec(s, QStringLiteral("CREATE TABLE codean (eanare %1, codare INTEGER)").arg(QString::fromUtf8(c.declared)));
        if (c.unique) root.exec(s, QStringLiteral("CREATE UNIQUE INDEX codean_keyean ON codean (eanare)"));
        else root.exec(s, QStringLiteral("CREATE INDEX codean_keyean ON codean (eanare)"));
        for (const QVariant& v : c.rows) root.exec(s, QStringLiteral("INSERT INTO codean (eanare) VALUES (?)"), {v});

        articles::StoreEans eans(s);
        for (const QString& p : probes) EXPECT_EQ(eans.find(p), byStatement(s, p)) << p.toStdString();

        // Rows the stage adds are found afterwards, as the statement finds them.
        for (const QString& p : probes) {
            if (eans.find(p)) continue;
            root.exec(s, QStringLiteral("INSERT INTO codean (eanare) VALUES (?)"), {p});
            eans.added(p, root.scalar(s, QStringLiteral("SELECT max(rowid) FROM codean")).toLongLong());
        }
        for (const QString& p : probes) EXPECT_EQ(eans.find(p), byStatement(s, p)) << "added " << p.toStdString();
    }
}
