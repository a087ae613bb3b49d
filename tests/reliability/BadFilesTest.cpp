// Broken chain files through the real program: none may crash it; a bad field
// is reported with its line and field; a document with a bad line is held
// back whole; everything else is applied once. The cases are built here from
// the full scenario, one fault each; what each must give is the table
// corpus/expected.tsv (case, exit status, documents received, message).
// corpus/files/ holds fixed files (fuzzer finds among them), listed the same way.
// Each row is its own test: BadFiles/Case.Run/<case> and CorpusFiles/Case.Run/<file>.
// LIS06C_WRITE_CORPUS=DIR writes the built cases there as files (seeds for the fuzzer).
#include "Scenario.h"

#include "FileDigests.h"

#include "common/Cp1252.h"
#include "db/Database.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>
#include <map>

namespace {

struct Expectation {
    int exit = 0;
    QList<int> documents;  // supplier documents received, once each
    QString message;       // a regular expression that stderr must match; empty: none asked
    QString open;          // why the case is not mended yet; empty for a case that must hold
};

QString corpusDir() { return qEnvironmentVariable("LIS06C_SOURCE_DIR") + QStringLiteral("/tests/reliability/corpus"); }

// The table, read once. A known open defect is a row commented out as
// "#name", after a line "# open: why"; it is skipped with that reason until it is mended.
const std::map<QString, Expectation>& expectations() {
    static const std::map<QString, Expectation> table = [] {
        std::map<QString, Expectation> out;
        QFile f(corpusDir() + QStringLiteral("/expected.tsv"));
        if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("corpus/expected.tsv missing");
        QString reason;
        for (const QByteArray& raw : f.readAll().split('\n')) {
            QString line = QString::fromUtf8(raw);
            if (line.trimmed().isEmpty()) continue;
            if (line.startsWith(QLatin1String("# open:"))) {
                reason = line.mid(7).trimmed();
                continue;
            }
            if (line.startsWith(QLatin1String("# "))) continue;
            const bool open = line.startsWith(QLatin1Char('#'));
            if (open) line = line.mid(1);
            const QStringList c = line.split(QLatin1Char('\t'));
            Expectation e;
            e.exit = c.value(1).toInt();
            for (const QString& d : c.value(2).split(QLatin1Char(','), Qt::SkipEmptyParts)) e.documents << d.toInt();
            e.message = c.value(3) == QLatin1String("-") ? QString() : c.value(3);
            if (open) e.open = reason.isEmpty() ? QStringLiteral("marked open in corpus/expected.tsv") : reason;
            reason.clear();
            out[c.value(0)] = e;
        }
        return out;
    }();
    return table;
}

// The field's bytes replaced, blank-padded or cut to its width.
QByteArray withField(QByteArray line, const rec::Field& f, const QByteArray& bytes) {
    QByteArray b = bytes.left(f.len);
    b.append(QByteArray(f.len - b.size(), ' '));
    if (line.size() < f.pos - 1 + f.len) line.resize(f.pos - 1 + f.len, ' ');
    line.replace(f.pos - 1, f.len, b);
    return line;
}

// A value that starts like a number and then is not one.
QByteArray notNumeric(const rec::Field& f) {
    QByteArray b(f.len, '0');
    b[f.len / 2] = 'X';
    return b;
}

QByteArray join(const QList<QByteArray>& lines) { return chainFileBytes(lines); }

// Line numbers (from 1) of the scenario's file.
enum Line { TAB = 1, MDA = 2, MHE = 3, MHN = 4, MHA = 6, BLE101 = 11, BLE102 = 13, BLE103 = 15, OFT = 16, OFD = 17 };

std::map<QString, QByteArray> cases() {
    const QList<QByteArray> base = scenario::chainLines();
    std::map<QString, QByteArray> out;
    const auto broken = [&](int line, const rec::Field& f, const QByteArray& bytes) {
        QList<QByteArray> l = base;
        l[line - 1] = withField(l[line - 1], f, bytes);
        return join(l);
    };
    const struct {
        const char* name;
        int line;
        rec::Field field;
    } numeric[] = {
        {"tab-code", TAB, rec::tab::code}, {"tab-parent", TAB, rec::tab::parent},
        {"mda-article", MDA, rec::articleCode}, {"mda-subgroup", MDA, rec::mda::subgroup},
        {"mda-vat", MDA, rec::mda::vat}, {"mda-type", MDA, rec::mda::tipart},
        {"mda-piece-size", MDA, rec::mda::pezzatura}, {"mda-pieces", MDA, rec::mda::imbart},
        {"mha-article", MHA, rec::articleCode}, {"mha-ean", MHA, rec::mha::ean},
        {"mhe-article", MHE, rec::articleCode}, {"mhe-price", MHE, rec::mhe::price},
        {"mhn-article", MHN, rec::articleCode}, {"mhn-cost", MHN, rec::mhn::cost},
        {"ble-number", BLE102, rec::ble::number}, {"ble-chain-code", BLE102, rec::ble::chainCode},
        {"ble-subfamily", BLE102, rec::ble::subfamily}, {"ble-ean", BLE102, rec::ble::ean},
        {"ble-packages", BLE102, rec::ble::packages}, {"ble-quantity", BLE102, rec::ble::quantity},
        {"ble-cost", BLE102, rec::ble::cost}, {"ble-price", BLE102, rec::ble::price},
        {"ble-year", BLE102, rec::year}, {"ble-month", BLE102, rec::month}, {"ble-day", BLE102, rec::day},
        {"oft-number", OFT, rec::oft::number}, {"oft-start", OFT, rec::oft::start}, {"oft-end", OFT, rec::oft::end},
        {"ofd-number", OFD, rec::ofd::number}, {"ofd-kind", OFD, rec::ofd::offerKind},
        {"ofd-chain-code", OFD, rec::ofd::chainCode}, {"ofd-value", OFD, rec::ofd::value},
    };
    for (const auto& n : numeric)
        out[QStringLiteral("not-numeric-%1").arg(QLatin1String(n.name))] = broken(n.line, n.field, notNumeric(n.field));

    // Lines cut in the middle of a field (the rest of the line lost).
    const struct {
        const char* name;
        int line;
        rec::Field field;
    } cut[] = {{"tab", TAB, rec::tab::code}, {"mda", MDA, rec::mda::description}, {"mhe", MHE, rec::mhe::price},
               {"ble", BLE102, rec::ble::quantity}, {"oft", OFT, rec::oft::start}, {"ofd", OFD, rec::ofd::value}};
    for (const auto& c : cut) {
        QList<QByteArray> l = base;
        l[c.line - 1].truncate(c.field.pos - 1 + c.field.len / 2);
        out[QStringLiteral("cut-short-%1").arg(QLatin1String(c.name))] = join(l);
    }

    out["empty-file"] = QByteArray();
    out["blank-lines-only"] = "\r\n\r\n   \r\n\r\n";
    {
        QByteArray lf;
        for (const QByteArray& l : base) lf += l + "\n";
        out["lf-line-ends"] = lf;
    }
    out["utf8-bom"] = "\xEF\xBB\xBF" + join(base);
    {
        QList<QByteArray> l = base;
        l[BLE101 - 1] = withField(l[BLE101 - 1], rec::ble::description, QByteArray("PASTA\0NUL", 9));
        l[MDA - 1] = withField(l[MDA - 1], rec::mda::description, QByteArray("SEMOLA\0\0", 8));
        out["nul-bytes"] = join(l);
    }
    {
        QList<QByteArray> l = base;
        l.insert(10, QByteArray(100 * 1024, 'A'));  // a 100 KB line before the documents
        out["line-100kb"] = join(l);
    }
    {
        QList<QByteArray> l = base;
        l[MDA - 1] = withField(l[MDA - 1], rec::mda::description, "CAFF\x81 \x8D\x8F\x90\x9D");
        l[BLE101 - 1] = withField(l[BLE101 - 1], rec::ble::description, "PASTA \x81\x9D");
        out["bytes-not-windows-1252"] = join(l);
    }
    {
        QList<QByteArray> l = base;
        l[BLE103 - 1] = withField(l[BLE103 - 1], rec::dateYmd, "20260230");
        out["date-30-february"] = join(l);
    }
    {
        // Quotes, semicolons and comment marks in every text field.
        const QByteArray evil = "O'R\"; --x";
        QList<QByteArray> l = base;
        l[TAB - 1] = withField(l[TAB - 1], rec::tab::description, evil);
        l[MDA - 1] = withField(l[MDA - 1], rec::mda::description, evil);
        l[MDA - 1] = withField(l[MDA - 1], rec::mda::umart, "';");
        l[MDA - 1] = withField(l[MDA - 1], rec::mda::umconf, "--");
        for (int b : {int(BLE101), int(BLE101) + 1}) {
            l[b - 1] = withField(l[b - 1], rec::ble::description, evil);
            l[b - 1] = withField(l[b - 1], rec::ble::umart, "';");
            l[b - 1] = withField(l[b - 1], rec::ble::unita2, "--");
        }
        l[OFT - 1] = withField(l[OFT - 1], rec::oft::description, evil);
        l[OFT + 2] = withField(l[OFT + 2], rec::oft::description, "'; DROP TABLE offte; --");
        out["quotes-semicolons-dashes"] = join(l);
    }
    return out;
}

QStringList checkRoot(const QString& root, const QList<int>& received) {
    QStringList broken;
    Paths p;
    p.root = root;
    for (const QString& path : {p.storeDb(), p.chainDb()}) {
        const QString r = scenario::integrity(path);
        if (r != QLatin1String("ok")) broken << QStringLiteral("integrity_check: %1").arg(r);
    }
    auto store = db::Database::open(p.storeDb(), QStringLiteral("store"));
    const std::map<int, int> lines = {{101, 2}, {102, 2}, {103, 1}};
    db::Query headers = store->prepare(QStringLiteral("SELECT count(*) FROM testaof WHERE numfa = ?"));
    db::Query docLines = store->prepare(QStringLiteral(
        "SELECT count(*) FROM ordinif o JOIN testaof t ON o.bannoc = t.anno AND o.bnumer = t.numero "
        "AND trim(o.tipodoc) = trim(t.tipodoc) WHERE t.numfa = ?"));
    for (const auto& [doc, n] : lines) {
        headers.first({doc});
        const qint64 h = headers.value(0).toLongLong();
        headers.finish();
        const qint64 want = received.contains(doc) ? 1 : 0;
        if (h != want) broken << QStringLiteral("document %1 received %2 times, not %3").arg(doc).arg(h).arg(want);
        if (h == 1) {
            docLines.first({doc});
            if (docLines.value(0).toLongLong() != n)
                broken << QStringLiteral("document %1 with %2 lines").arg(doc).arg(docLines.value(0).toLongLong());
            docLines.finish();
        }
    }
    db::Query twice = store->prepare(QStringLiteral(
        "SELECT count(*) FROM (SELECT 1 FROM offmo GROUP BY bannoc, bnumer, eanrig HAVING count(*) > 1)"));
    twice.first();
    if (twice.value(0).toLongLong()) broken << QStringLiteral("barcode twice in an offer document");
    return broken;
}

// A run that refused lines hands them back to the chain in nelv/scarti-*.txt,
// named in its summary: Windows-1252 lines ending in CR LF, each the refused
// line's number, its record kind, the reason and the line itself. A run that
// refused nothing writes no such file.
void expectRefusedLinesFile(const scenario::Outcome& o, const QString& root) {
    const QStringList files =
        QDir(root + QStringLiteral("/nelv")).entryList({QStringLiteral("scarti-*.txt")}, QDir::Files);
    const QRegularExpressionMatch refused =
        QRegularExpression(QStringLiteral("Righe rifiutate: (\\d+)")).match(o.err);
    const bool reachedSummary = refused.hasMatch();
    if (!reachedSummary) return;
    const bool named = o.err.contains(QStringLiteral("Righe rifiutate per la catena: "));
    EXPECT_EQ(named, !files.isEmpty()) << o.err.right(2000).toStdString();
    if (refused.captured(1).toInt() > 0) {
        EXPECT_EQ(files.size(), 1) << o.err.right(2000).toStdString();
    }
    for (const QString& name : files) {
        QFile f(root + QStringLiteral("/nelv/") + name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        ASSERT_TRUE(bytes.endsWith("\r\n")) << name.toStdString();
        QList<QByteArray> lines = bytes.split('\n');
        lines.removeLast();  // after the last line end
        for (const QByteArray& line : lines) {
            ASSERT_TRUE(line.endsWith('\r')) << line.toStdString();
            const QList<QByteArray> fields = line.chopped(1).split('\t');
            ASSERT_GE(fields.size(), 4) << line.toStdString();
            bool number = false;
            EXPECT_GT(fields[0].toInt(&number), 0) << line.toStdString();
            EXPECT_TRUE(number) << line.toStdString();
            EXPECT_FALSE(fields[2].isEmpty()) << line.toStdString();
        }
    }
}

// The lines of a run's summary, without the file of refused lines a trial never writes.
QStringList summaryOf(const QString& err) {
    QStringList lines;
    bool in = false;
    for (const QString& line : err.split(QLatin1Char('\n'))) {
        if (line.contains(QStringLiteral("Riepilogo"))) in = true;
        else if (line.contains(QStringLiteral("Fine"))) in = false;
        else if (in && !line.contains(QStringLiteral("Righe rifiutate per la catena"))) lines << line.mid(line.indexOf(QLatin1Char(' ')));
    }
    return lines;
}

// Each case is first run as a trial: it must leave every file of the root as
// it was, and say what the real run then does.
scenario::Outcome runCase(const QByteArray& bytes, QTemporaryDir& dir) {
    TestRoot root;
    scenario::fillDatabases(root);
    root.writeChainBytes(bytes);
    root.close();
    scenario::copyRoot(root.root(), dir.path());
    const QStringList before = fileDigests(dir.path());
    const scenario::Outcome trial = scenario::runProgram(dir.path(), {}, 120000, {QStringLiteral("--dry-run")});
    EXPECT_EQ(fileDigests(dir.path()).join(QLatin1Char('\n')).toStdString(), before.join(QLatin1Char('\n')).toStdString())
        << "the trial changed the root\n" << trial.err.right(2000).toStdString();
    EXPECT_TRUE(trial.err.contains(QStringLiteral("PROVA — nessuna modifica")));
    const scenario::Outcome real = scenario::runProgram(dir.path());
    EXPECT_EQ(trial.exitCode, real.exitCode) << trial.err.right(2000).toStdString();
    EXPECT_EQ(summaryOf(trial.err).join(QLatin1Char('\n')).toStdString(),
              summaryOf(real.err).join(QLatin1Char('\n')).toStdString());
    return real;
}

void expectOutcome(const QString& name, const Expectation& e, const scenario::Outcome& o, const QString& root) {
    EXPECT_FALSE(o.crashed) << "crashed: " << o.err.right(2000).toStdString();
    EXPECT_EQ(o.exitCode, e.exit) << o.err.right(2000).toStdString();
    if (!e.message.isEmpty()) {
        EXPECT_TRUE(QRegularExpression(e.message, QRegularExpression::DotMatchesEverythingOption).match(o.err).hasMatch())
            << "stderr lacks /" << e.message.toStdString() << "/:\n" << o.err.right(2000).toStdString();
    }
    if (!o.crashed) {
        EXPECT_EQ(checkRoot(root, e.documents).join(QStringLiteral("; ")).toStdString(), "");
        expectRefusedLinesFile(o, root);
    }
    // What the case gave, for the record.
    QStringList said;
    for (const QString& l : o.err.split(QLatin1Char('\n')))
        if (l.contains(QStringLiteral("riga"), Qt::CaseInsensitive) || l.contains(QStringLiteral("Attenzione")))
            said << l.trimmed();
    std::cout << "case " << name.toStdString() << ": exit " << o.exitCode << " | "
              << said.join(QStringLiteral(" / ")).left(400).toStdString() << std::endl;
}

// One row of the table: a case built above or a fixed file of corpus/files/.
struct BadFile {
    QString name;      // as in corpus/expected.tsv
    QByteArray bytes;  // a built case
    QString path;      // a fixed file, read when its test runs
};

// Keeps gtest from printing a case's bytes (up to 100 KB) with a failure.
void PrintTo(const BadFile& f, std::ostream* os) { *os << f.name.toStdString(); }

std::vector<BadFile> builtCases() {
    std::vector<BadFile> out;
    for (auto& [name, bytes] : cases()) out.push_back({name, bytes, QString()});
    return out;
}

std::vector<BadFile> corpusFiles() {
    std::vector<BadFile> out;
    const QDir files(corpusDir() + QStringLiteral("/files"));
    for (const QString& f : files.entryList(QDir::Files))
        out.push_back({QStringLiteral("files/") + f, QByteArray(), files.filePath(f)});
    return out;
}

// A test name from a case name: letters, digits and underscores.
std::string testName(const testing::TestParamInfo<BadFile>& info) {
    QString name = info.param.name;
    if (name.startsWith(QLatin1String("files/"))) name = name.mid(6);
    for (QChar& c : name)
        if (!c.isLetterOrNumber() || c.unicode() > 127) c = QLatin1Char('_');
    return name.toStdString();
}

class Case : public testing::TestWithParam<BadFile> {};

}  // namespace

TEST_P(Case, Run) {
    const BadFile& file = GetParam();
    QByteArray bytes = file.bytes;
    if (!file.path.isEmpty()) {
        QFile in(file.path);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << file.path.toStdString();
        bytes = in.readAll();
    }
    if (const QByteArray dump = qgetenv("LIS06C_WRITE_CORPUS"); !dump.isEmpty() && file.path.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(dump));
        QFile f(QString::fromLocal8Bit(dump) + QLatin1Char('/') + file.name + QStringLiteral(".txt"));
        if (f.open(QIODevice::WriteOnly)) f.write(file.bytes);
    }
    const auto it = expectations().find(file.name);
    ASSERT_NE(it, expectations().end()) << "no line in corpus/expected.tsv for " << file.name.toStdString();
    if (!it->second.open.isEmpty()) GTEST_SKIP() << "open: " << it->second.open.toStdString();

    QTemporaryDir dir;
    expectOutcome(file.name, it->second, runCase(bytes, dir), dir.path());
    if (file.name == QLatin1String("quotes-semicolons-dashes")) {
        Paths p;
        p.root = dir.path();
        auto chain = db::Database::open(p.chainDb(), QStringLiteral("chain"));
        db::Query q = chain->prepare(QStringLiteral("SELECT desart FROM articolo WHERE codart = 1001"));
        ASSERT_TRUE(q.first());
        EXPECT_EQ(q.text("desart").trimmed(), QStringLiteral("O'R\"; --x"));
    }
}

INSTANTIATE_TEST_SUITE_P(BadFiles, Case, testing::ValuesIn(builtCases()), testName);
INSTANTIATE_TEST_SUITE_P(CorpusFiles, Case, testing::ValuesIn(corpusFiles()), testName);

// The table and the cases stay in step: every row names a case or a file, and
// the fixed corpus is there.
TEST(BadFiles, EveryRowHasItsCase) {
    QSet<QString> known;
    for (const BadFile& f : builtCases()) known << f.name;
    const std::vector<BadFile> files = corpusFiles();
    EXPECT_GT(files.size(), 0u);
    for (const BadFile& f : files) known << f.name;
    for (const auto& [name, e] : expectations())
        EXPECT_TRUE(known.contains(name)) << "corpus/expected.tsv names no case or file " << name.toStdString();
    EXPECT_EQ(expectations().size(), size_t(known.size()));
}
