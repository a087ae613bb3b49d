// Every text field a run writes holds text: the store's other programs read
// these fields as text. A whole run on a generated store, then every text
// field of every table of both databases is walked for the Nulls the run
// wrote (in a row it added, or over a value that was there before). Only the
// fields that the store's rules leave without a value may hold Null, each
// with its reason below.
#include "GeneratedRun.h"
#include "db/Database.h"
#include "db/Schema.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct LeftWithoutValue {
    const char* table;
    const char* column;
    const char* rows;  // the rows where Null is meant, as a condition on the row `a`
};

// Null where the rules give no value; every other text field must hold text.
const LeftWithoutValue kNullMeant[] = {
    // The log writer fills neither; only the promotion rows set them.
    {"variatidivulgazioni", "desrep", "a.tipoelaborazione <> 'P' OR a.desart LIKE '*** CODICE%'"},
    {"variatidivulgazioni", "umart", "a.tipoelaborazione <> 'P'"},
    // Offer documents: the header's type and the lines' colour are never given.
    {"offte", "tipo", "1"},
    {"locmo", "dsccolore", "1"},
    {"offmo", "dsccolore", "1"},
    // Set only when the article's price changed.
    {"codean", "sta_eti", "1"},
    // EAN rows of articles made from supplier documents get no primary flag
    // and no date; an EAN moved to such an article keeps its supplier.
    {"codean", "primasecon", "a.aggi = 'A' AND a.dataagg IS NULL"},
    {"codean", "dataagg", "a.aggi = 'A'"},
    // A chain article first met in a price record has only its code and prices.
    {"articolo", "desart", "a.artvariato IS NULL"},
    // A new article has no management type, no load and no stock discount yet
    // (`b` is the row as it was before the run; none for a row the run made).
    {"listi01", "tipges", "b.rowid IS NULL"},
    {"listi01", "dultcar", "b.rowid IS NULL"},
    {"listi01", "scomag", "b.rowid IS NULL"},
    // The chain supplier's price-list rows made from the catalogue get no date created.
    {"listi02", "datreg", "b.rowid IS NULL"},
};

QString condition(const QString& table, const QString& column) {
    for (const LeftWithoutValue& n : kNullMeant)
        if (table == QLatin1String(n.table) && column == QLatin1String(n.column)) return QString::fromUtf8(n.rows);
    return QStringLiteral("0");
}

bool copyFile(const QString& from, const QString& to) {
    QDir().mkpath(QFileInfo(to).path());
    return QFile::copy(from, to);
}

}  // namespace

TEST(TextFields, ARunWritesNoNullWhereTextIsMeant) {
    QTemporaryDir dir, before;
    const Paths paths = generateRoot(dir);
    const Paths kept{before.path()};
    ASSERT_TRUE(copyFile(paths.storeDb(), kept.storeDb()));
    ASSERT_TRUE(copyFile(paths.chainDb(), kept.chainDb()));

    RecordingView view;
    ASSERT_EQ(runGenerated(paths, view), ExitFinished) << view.messages.join(QLatin1Char('\n')).toStdString();

    QStringList nulls;
    int walked = 0;
    const std::pair<db::Which, std::pair<QString, QString>> databases[] = {
        {db::Which::Store, {paths.storeDb(), kept.storeDb()}}, {db::Which::Chain, {paths.chainDb(), kept.chainDb()}}};
    for (const auto& [which, files] : databases) {
        auto d = db::Database::open(files.first, QStringLiteral("after"));
        d->exec(QStringLiteral("ATTACH DATABASE ? AS before"), {files.second});
        for (const db::Table& t : db::tables(which)) {
            // lis06c's own run history is read by lis06c alone, which tells Null from text.
            if (t.own) continue;
            const QString table = QString::fromUtf8(t.name);
            for (const db::Column& c : t.columns) {
                if (QLatin1String(c.type) != QLatin1String("TEXT")) continue;
                ++walked;
                const QString column = QString::fromUtf8(c.name);
                db::Query q = d->prepare(QStringLiteral(
                    "SELECT count(*) FROM main.\"%1\" a LEFT JOIN before.\"%1\" b ON a.rowid = b.rowid "
                    "WHERE a.\"%2\" IS NULL AND (b.rowid IS NULL OR b.\"%2\" IS NOT NULL) AND NOT (%3)")
                                             .arg(table, column, condition(table, column)));
                ASSERT_TRUE(q.first());
                if (const qint64 n = q.value(0).toLongLong(); n > 0)
                    nulls << QStringLiteral("%1.%2: %3 rows").arg(table, column).arg(n);
            }
        }
    }
    EXPECT_GT(walked, 100);
    EXPECT_TRUE(nulls.isEmpty()) << nulls.join(QLatin1Char('\n')).toStdString();
}
