// The three Access samples (Jet 3, Jet 4, ACE) imported whole: every table's
// rows compared, value by value, with what mdb-export prints for it, the row
// counts, and values of each kind read back from the SQLite database.
#include "MdbSamples.h"
#include "db/Database.h"
#include "mdbimport/AccessFile.h"
#include "mdbimport/TableCopy.h"

#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <gtest/gtest.h>
#include <map>
#include <mdbtools.h>

using namespace mdbimport;

namespace {

const QString kDateFormat = QStringLiteral("%Y-%m-%d %H:%M:%S");
const QString kNull = QStringLiteral("\x01");
// mdb-export prints dates before 1899-12-30 and after the year 4637 as day 0 of 1900.
const QString kOutOfExportRange = QStringLiteral("\x02");

// mdb-export's CSV, one list per row. Unquoted NULL (a Null or an empty text:
// mdb-export does not tell them apart) becomes kNull.
QList<QStringList> parseCsv(const QString& text) {
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false, inQuotes = false;
    auto endField = [&] {
        row << ((!quoted && field == QLatin1String("NULL")) ? kNull : field);
        field.clear();
        quoted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c != QLatin1Char('"')) field += c;
            else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) field += text[++i];
            else inQuotes = false;
        } else if (c == QLatin1Char('"')) {
            inQuotes = quoted = true;
        } else if (c == QLatin1Char(',')) {
            endField();
        } else if (c == QLatin1Char('\n')) {
            endField();
            rows << row;
            row.clear();
        } else {
            field += c;
        }
    }
    return rows;
}

QList<QStringList> mdbExport(const QString& file, const QString& table) {
    QProcess p;
    p.start(QStringLiteral("mdb-export"), {"-H", "-b", "hex", "-0", "NULL", "-D", kDateFormat, "-T", kDateFormat,
                                           file, table});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return {};
    return parseCsv(QString::fromUtf8(p.readAllStandardOutput()));
}

// A value of the SQLite database in mdb-export's words.
QString asExported(const QVariant& v, int type) {
    if (v.isNull()) return kNull;
    switch (type) {
    case MDB_MONEY: return QString::number(v.toDouble(), 'f', 4);
    case MDB_FLOAT: return QString::asprintf("%.8g", double(float(v.toDouble())));
    case MDB_DOUBLE: return QString::asprintf("%.16g", v.toDouble());
    case MDB_BINARY:
    case MDB_OLE: return QString::fromLatin1(v.toByteArray().toHex().toUpper());
    case MDB_DATETIME: {
        const QString s = v.toString();
        if (s < QLatin1String("1899-12-30") || s > QLatin1String("4637")) return kOutOfExportRange;
        return s.size() == 10 ? s + QStringLiteral(" 00:00:00") : s;
    }
    default: {
        const QString s = v.toString();
        return s.isEmpty() ? kNull : s;
    }
    }
}

QStringList sortedRows(QList<QStringList> rows) {
    QStringList out;
    for (const QStringList& r : rows) out << r.join(QChar(0x1f));
    out.sort();
    return out;
}

// The first few rows one side has and the other lacks.
QString difference(const QStringList& ours, const QStringList& theirs) {
    QStringList only;
    const QSet<QString> t(theirs.begin(), theirs.end()), o(ours.begin(), ours.end());
    for (const QString& r : ours)
        if (!t.contains(r) && only.size() < 3) only << QStringLiteral("imported: ") + r;
    for (const QString& r : theirs)
        if (!o.contains(r) && only.size() < 6) only << QStringLiteral("mdb-export: ") + r;
    return only.join(QLatin1Char('\n')).replace(QChar(0x1f), QLatin1Char('|'));
}

struct Sample {
    const char* file;
    const char* format;
    std::vector<std::pair<const char*, qint64>> tables;  // in the file's order, with their rows
};

const Sample kSamples[] = {
    {"nwind.mdb",
     "Jet 3",
     {{"Order Details", 2155}, {"Orders", 830}, {"Products", 77}, {"Shippers", 3}, {"Categories", 8},
      {"Customers", 91}, {"Employees", 9}, {"Suppliers", 29}, {"Umsätze", 830}}},
    {"DateTestDatabase.mdb", "Jet 4", {{"DateTest", 6}}},
    {"ASampleDatabase.accdb", "ACE", {{"Asset Items", 65}}},
};

void PrintTo(const Sample& s, std::ostream* os) { *os << s.file; }

class ImportSample : public ::testing::TestWithParam<Sample> {};

TEST_P(ImportSample, EveryTableHoldsWhatMdbExportPrints) {
    const Sample& s = GetParam();
    const QString file = accessSample(QString::fromUtf8(s.file));
    ASSERT_TRUE(QFileInfo::exists(file)) << "missing Access sample " << file.toStdString();
    ImportRun run;
    ASSERT_EQ(run.import(file), 0) << run.transcript();
    EXPECT_TRUE(run.said.first().contains(QLatin1String(s.format))) << run.transcript();

    AccessFile access(file);
    ASSERT_EQ(access.tables().size(), qsizetype(s.tables.size()));
    auto database = db::Database::open(run.storeDb(), QStringLiteral("test"));
    for (const auto& [name, rows] : s.tables) {
        const QString table = QString::fromUtf8(name);
        SCOPED_TRACE(table.toStdString());
        EXPECT_TRUE(run.said.contains(QStringLiteral("Tabella %1: %2 righe lette, %2 scritte").arg(table).arg(rows)))
            << run.transcript();

        const auto columns = access.openTable(table)->columns();
        QStringList names;
        for (const AccessColumn& c : columns) names << quotedName(c.name);
        db::Query q = database->prepare(QStringLiteral("SELECT %1 FROM %2").arg(names.join(", "), quotedName(table)));
        q.exec();
        QList<QStringList> ours;
        while (q.next()) {
            QStringList row;
            for (size_t i = 0; i < columns.size(); ++i) row << asExported(q.value(int(i)), columns[i].type);
            ours << row;
        }
        QList<QStringList> theirs = mdbExport(file, table);
        for (QStringList& row : theirs)
            for (size_t i = 0; i < columns.size() && qsizetype(i) < row.size(); ++i)
                if (columns[i].type == MDB_DATETIME && row[i].startsWith(QLatin1String("1900-01-00")))
                    row[i] = kOutOfExportRange;
        EXPECT_EQ(ours.size(), rows);
        EXPECT_EQ(theirs.size(), rows);
        const QStringList a = sortedRows(ours), b = sortedRows(theirs);
        EXPECT_TRUE(a == b) << difference(a, b).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Samples, ImportSample, ::testing::ValuesIn(kSamples), [](const auto& info) {
    return QString::fromUtf8(info.param.file).replace(QLatin1Char('.'), QLatin1Char('_')).toStdString();
});

// What the comparison with mdb-export cannot see: how values are stored (REAL,
// BLOB, dates without a time), dates outside 1900-4637, keys and indexes.
TEST(ImportedValues, EachKindReadsBackAsLis06cKeepsIt) {
    const struct {
        const char* file;
        const char* sql;
        const char* expected;
    } cases[] = {
        // An accented table name, currency, dates, a single, Null, OLE.
        {"nwind.mdb", "SELECT ShipCity FROM \"Umsätze\" WHERE OrderID = 10267", "München"},
        {"nwind.mdb", "SELECT typeof(Freight) || ' ' || (Freight = 11.61) FROM Orders WHERE OrderID = 10249", "real 1"},
        {"nwind.mdb", "SELECT OrderDate || ' ' || ShippedDate FROM Orders WHERE OrderID = 10249", "1994-08-05 1994-08-10"},
        {"nwind.mdb", "SELECT Discount = 0.15 FROM \"Order Details\" WHERE OrderID = 10250 AND ProductID = 51", "1"},
        {"nwind.mdb", "SELECT typeof(Region) FROM Suppliers WHERE SupplierID = 1", "null"},
        {"nwind.mdb", "SELECT typeof(Picture) || length(Picture) FROM Categories WHERE CategoryID = 1", "blob10746"},
        // The primary key and the indexes the file declares.
        {"nwind.mdb", "SELECT group_concat(name, '+') FROM pragma_table_info('Order Details') WHERE pk > 0",
         "OrderID+ProductID"},
        {"nwind.mdb", "SELECT sql FROM sqlite_master WHERE name = 'Categories.CategoryName'",
         "CREATE UNIQUE INDEX \"Categories.CategoryName\" ON \"Categories\" (\"CategoryName\")"},
        // Five indexes; the key, a Long Integer, is the table's rowid.
        {"nwind.mdb", "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND tbl_name = 'Orders'", "5"},
        // Dates before 1900 and after 4637.
        {"DateTestDatabase.mdb", "SELECT DateTimeCol || ' ' || DateCol || ' ' || TimeCol FROM DateTest WHERE IDCol = 2",
         "9999-01-01 9999-01-01 9999-01-01"},
        {"DateTestDatabase.mdb", "SELECT DateTimeCol || ' ' || DateCol || ' ' || TimeCol FROM DateTest WHERE IDCol = 3",
         "1898-01-01 1899-01-01 1900-01-01"},
        {"DateTestDatabase.mdb", "SELECT DateTimeCol || ' ' || DateCol || ' ' || TimeCol FROM DateTest WHERE IDCol = 4",
         "0632-01-01 0633-01-01 0634-01-01"},
        // ACE: currency, a text primary key.
        {"ASampleDatabase.accdb", "SELECT Acquired || ' ' || Cost FROM \"Asset Items\" WHERE \"Asset No\" = '30050'",
         "1997-09-02 1995.5"},
        {"ASampleDatabase.accdb", "SELECT name FROM pragma_table_info('Asset Items') WHERE pk > 0", "Asset No"},
    };
    std::map<std::string, std::unique_ptr<ImportRun>> imported;  // each file once
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.sql);
        auto& run = imported[c.file];
        if (!run) {
            run = std::make_unique<ImportRun>();
            ASSERT_EQ(run->import(accessSample(QString::fromUtf8(c.file))), 0) << run->transcript();
        }
        auto database = db::Database::open(run->storeDb(), QStringLiteral("test"));
        db::Query q = database->prepare(QString::fromUtf8(c.sql));
        ASSERT_TRUE(q.first());
        EXPECT_EQ(q.value(0).toString().toStdString(), c.expected);
    }
}

}  // namespace
