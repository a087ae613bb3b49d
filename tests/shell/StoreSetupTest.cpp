// Setting up a new store: the configuration rows a run needs, added only
// where missing, never changing a row that is there.
#include "TestRoot.h"
#include "run/StoreSetup.h"

#include <gtest/gtest.h>

namespace {

// The rows of a query as "a|b|c", Null as NULL.
QStringList rows(TestRoot& root, const QString& sql) {
    QStringList out;
    const int columns = int(sql.section(QStringLiteral(" FROM "), 0, 0).count(QLatin1Char(','))) + 1;
    db::Query q = root.store().prepare(sql);
    q.exec();
    while (q.next()) {
        QStringList fields;
        for (int i = 0; i < columns; ++i) fields << (q.value(i).isNull() ? QStringLiteral("NULL") : q.value(i).toString());
        out << fields.join(QLatin1Char('|'));
    }
    return out;
}

}  // namespace

TEST(StoreSetup, AddsWhatIsMissingAndLeavesWhatIsThere) {
    struct Case {
        const char* name;
        QStringList before;  // rows already in the store
        StoreSetup setup;
        QStringList utenti, automa, tipodoc, numeri;
    };
    const QStringList allTypes = {"DDTACQ      |A|DD", "FATTACQIMM  |A|FA", "OFFERTE     |O|OP"};
    const Case cases[] = {
        {"an empty store",
         {},
         {123, std::nullopt},
         {"1|123"},
         {"2|0|0|0"},
         allTypes,
         {"1|DD|2025|0", "1|DD|2026|0", "1|FA|2025|0", "1|FA|2026|0", "1|OP|2025|1", "1|OP|2026|1"}},
        {"a new year only",
         {"INSERT INTO numeri VALUES (1, 'FA', 2026, 41)"},
         {std::nullopt, 2027},
         {},
         {},
         allTypes,
         {"1|DD|2027|0", "1|FA|2026|41", "1|FA|2027|0", "1|OP|2027|1"}},
        {"a store set up by hand",
         {"INSERT INTO utenti VALUES (1, 999)", "INSERT INTO automa VALUES (2, '1', '', NULL)",
          "INSERT INTO tipodoc VALUES ('FATTACQIMM', 'A', 'F1', 'MIA FATTURA', 'S')",
          "INSERT INTO numeri VALUES (1, 'F1', 2026, 7)", "INSERT INTO numeri VALUES (1, 'OP', 2026, 0)"},
         {123, 2026},
         {"1|999"},
         {"2|1||NULL"},
         {"DDTACQ      |A|DD", "FATTACQIMM|A|F1", "OFFERTE     |O|OP"},
         {"1|DD|2026|0", "1|F1|2026|7", "1|OP|2026|0"}},
    };
    for (const Case& c : cases) {
        TestRoot root(0);
        for (const QString& sql : c.before) root.exec(root.store(), sql);
        const QStringList said = setUpStore(root.store(), c.setup, 2026);
        EXPECT_EQ(rows(root, "SELECT codutente, codfor_affil FROM utenti"), c.utenti) << c.name;
        EXPECT_EQ(rows(root, "SELECT codice, art1, art2, art3 FROM automa"), c.automa) << c.name;
        EXPECT_EQ(rows(root, "SELECT coddoc, posi, numeratore FROM tipodoc ORDER BY coddoc"), c.tipodoc) << c.name;
        EXPECT_EQ(rows(root, "SELECT codutente, tipo, anno, ultnum FROM numeri ORDER BY tipo, anno"), c.numeri)
            << c.name;
        // A second time finds everything there and adds nothing.
        const QStringList again = setUpStore(root.store(), c.setup, 2026);
        for (const QString& line : again) EXPECT_TRUE(line.contains(QStringLiteral("non è stata modificata"))) << line.toStdString();
        if (c.setup.supplier && c.utenti.first() != QStringLiteral("1|%1").arg(*c.setup.supplier)) {
            EXPECT_TRUE(said.join(QLatin1Char('\n')).contains(QStringLiteral("non è stata modificata"))) << c.name;
        }
    }
}
