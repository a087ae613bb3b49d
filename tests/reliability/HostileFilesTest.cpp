// The chain's file as a hostile day brings it, through the real program: a
// path that is no regular file or is too large stops the run at once with a
// message naming what it is (exit 3, as for a missing file); a file exported
// in UTF-8 is read by characters; a NUL byte is named, never stored, and
// hides no later problem.
#include "Scenario.h"

#include "common/Cp1252.h"
#include "db/Database.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// A root with the scenario's databases and, unless `bytes` is null, its chain's file.
QString prepare(QTemporaryDir& dir, const QByteArray& bytes) {
    TestRoot root;
    scenario::fillDatabases(root);
    if (!bytes.isNull()) root.writeChainBytes(bytes);
    root.close();
    scenario::copyRoot(root.root(), dir.path());
    return dir.path() + QStringLiteral("/nelv/acq_var.txt");
}

QByteArray scenarioBytes() { return chainFileBytes(scenario::chainLines()); }

struct Unusable {
    const char* name;
    std::function<void(const QString& path)> make;  // puts it where the chain's file goes
    QStringList env;
    const char* message;  // a regular expression stderr must match
};

void PrintTo(const Unusable& u, std::ostream* os) { *os << u.name; }

class UnusableFile : public testing::TestWithParam<Unusable> {};

TEST_P(UnusableFile, StopsAtOnceNamingWhatItIs) {
    const Unusable& u = GetParam();
    QTemporaryDir dir;
    const QString path = prepare(dir, QByteArray());
    u.make(path);
    // A pipe once made the run wait forever and /dev/zero filled the memory:
    // a short time limit catches both.
    const scenario::Outcome o = scenario::runProgram(dir.path(), u.env, 30000);
    EXPECT_FALSE(o.crashed) << o.err.toStdString();
    EXPECT_EQ(o.exitCode, 3) << o.err.toStdString();
    EXPECT_TRUE(QRegularExpression(QString::fromUtf8(u.message)).match(o.err).hasMatch())
        << "stderr lacks /" << u.message << "/:\n" << o.err.toStdString();
    // Nothing of a run: no document was listed.
    auto store = db::Database::open(dir.path() + QStringLiteral("/quarn/dati.mdb"), QStringLiteral("store"));
    db::Query q = store->prepare(QStringLiteral("SELECT count(*) FROM testaof"));
    ASSERT_TRUE(q.first());
    EXPECT_EQ(q.value(0).toLongLong(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    HostileFiles, UnusableFile,
    testing::Values(
        Unusable{"missing", [](const QString&) {}, {}, "acq_var\\.txt non esiste"},
        Unusable{"folder", [](const QString& p) { QDir().mkpath(p); }, {}, "acq_var\\.txt .*è una cartella"},
        Unusable{"fifo", [](const QString& p) { ASSERT_EQ(::mkfifo(QFile::encodeName(p).constData(), 0600), 0); },
                 {}, "acq_var\\.txt .*è una pipe"},
        Unusable{"dev_zero", [](const QString& p) { ASSERT_TRUE(QFile::link("/dev/zero", p)); }, {},
                 "acq_var\\.txt .*è un dispositivo a caratteri"},
        Unusable{"dangling_link", [](const QString& p) { ASSERT_TRUE(QFile::link(p + ".gone", p)); }, {},
                 "acq_var\\.txt non esiste"},
        Unusable{"over_the_size_limit",
                 [](const QString& p) {
                     QFile f(p);
                     ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                     const QByteArray lines = scenarioBytes();
                     for (qint64 written = 0; written <= (2 << 20); written += lines.size()) f.write(lines);
                 },
                 {"LIS06C_MAX_FILE_MB=2"}, "acq_var\\.txt troppo grande: 3 MB, oltre il limite di 2 MB"}),
    [](const testing::TestParamInfo<Unusable>& info) { return std::string(info.param.name); });

// The scenario's file with some descriptions accented, then as the chain's
// tool exports it in UTF-8: every column after an accented letter must still
// line up, so that the supplier documents come in whole.
TEST(HostileFiles, AUtf8FileIsReadByCharacters) {
    QList<QByteArray> lines = scenario::chainLines();
    lines[1] = scenario::mdaLine(1001, QString::fromUtf8("QUALITÀ CAFFÈ"));
    lines[10] = scenario::bleLine(101, true, 1001, "8000000000011", 12, 2.1, 3.2)
                    .set(rec::ble::description, QString::fromUtf8("CAFFÈ QUALITÀ ORO €"));
    QByteArray utf8;
    for (const QByteArray& l : lines) utf8 += common::fromCp1252(l).toUtf8() + "\r\n";

    QTemporaryDir dir;
    prepare(dir, utf8);
    const scenario::Outcome o = scenario::runProgram(dir.path());
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_TRUE(o.err.contains(QStringLiteral("UTF-8"))) << o.err.toStdString();

    auto chain = db::Database::open(dir.path() + QStringLiteral("/nelv/dati.mdb"), QStringLiteral("chain"));
    db::Query article = chain->prepare(QStringLiteral("SELECT desart FROM articolo WHERE codart = 1001"));
    ASSERT_TRUE(article.first());
    EXPECT_EQ(article.text("desart").trimmed(), QString::fromUtf8("QUALITÀ CAFFÈ"));
    article.finish();

    auto store = db::Database::open(dir.path() + QStringLiteral("/quarn/dati.mdb"), QStringLiteral("store"));
    db::Query received = store->prepare(QStringLiteral("SELECT count(*) FROM testaof WHERE numfa = ?"));
    for (const int document : {101, 102, 103}) {
        ASSERT_TRUE(received.first({document}));
        EXPECT_EQ(received.value(0).toLongLong(), 1) << document;
        received.finish();
    }
    db::Query staged = store->prepare(QStringLiteral("SELECT desart, \"quantità\" FROM variati WHERE codafo = "
                                                     "'000001001' AND numero = 101"));
    ASSERT_TRUE(staged.first());
    EXPECT_EQ(staged.text("desart").trimmed(), QString::fromUtf8("CAFFÈ QUALITÀ ORO €"));
    EXPECT_EQ(staged.number("quantità"), 12);
}

// A NUL inside a description is named with its line and field, shown
// escaped; the message goes on to the problems after it, and the database
// holds no NUL.
TEST(HostileFiles, ANulByteIsNamedAndNeverStored) {
    QList<QByteArray> lines = scenario::chainLines();
    QByteArray description("SEMOLA\0\0", 8);
    description.append(QByteArray(rec::mda::description.len - 8, ' '));
    lines[1].replace(rec::mda::description.pos - 1, rec::mda::description.len, description);
    lines[2].replace(rec::mhe::price.pos - 1, 3, "0X0");  // a later line the message must still name
    QTemporaryDir dir;
    prepare(dir, chainFileBytes(lines));
    const scenario::Outcome o = scenario::runProgram(dir.path());
    EXPECT_EQ(o.exitCode, 5) << o.err.toStdString();
    EXPECT_TRUE(o.err.contains(QStringLiteral("riga 2: byte NUL nel campo descrizione (colonne 54-83): \"SEMOLA\\0\\0")))
        << o.err.toStdString();
    EXPECT_TRUE(o.err.contains(QStringLiteral("riga 3, record MHE, campo prezzo di vendita"))) << o.err.toStdString();

    auto chain = db::Database::open(dir.path() + QStringLiteral("/nelv/dati.mdb"), QStringLiteral("chain"));
    db::Query article = chain->prepare(QStringLiteral("SELECT desart FROM articolo WHERE codart = 1001"));
    ASSERT_TRUE(article.first());
    EXPECT_EQ(article.text("desart").trimmed(), QStringLiteral("SEMOLA\uFFFD\uFFFD"));
}

}  // namespace
