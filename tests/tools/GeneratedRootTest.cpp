// The generator's root is checked twice over: its file holds every record the
// chain sends, written as the chain writes it; and the whole run on it does
// the work of every stage, so that a regression anywhere fails here.
#include "GeneratedRun.h"
#include "common/ChainFile.h"
#include "common/ChainRecords.h"
#include "db/Database.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {


QByteArray fileBytes(const Paths& paths) {
    QFile f(paths.chainFile());
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

qint64 count(db::Database& database, const QString& sql, std::initializer_list<QVariant> values = {}) {
    db::Query q = database.prepare(sql);
    return q.first(values) ? q.value(0).toLongLong() : -1;
}

QHash<qint64, double> stock(db::Database& store) {
    QHash<qint64, double> out;
    db::Query q = store.prepare(QStringLiteral("SELECT codart, qgia FROM listi01"));
    q.exec();
    while (q.next()) out.insert(q.value(0).toLongLong(), q.value(1).toDouble());
    return out;
}

}  // namespace

TEST(GeneratedRoot, FileHoldsEveryRecordKindAsTheChainWritesIt) {
    QTemporaryDir dir;
    const Paths paths = generateRoot(dir);
    const QByteArray bytes = fileBytes(paths);
    ASSERT_FALSE(bytes.isEmpty());

    // Windows-1252 with CR LF: no bare LF, accented capitals as single bytes.
    EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n"));
    EXPECT_TRUE(bytes.contains("\xD9") || bytes.contains("\xC0") || bytes.contains("\xC8"));
    EXPECT_FALSE(bytes.contains("\xC3\x99"));  // no UTF-8
    EXPECT_TRUE(bytes.contains('\''));

    const auto file = common::ChainFile::fromBytes(bytes);
    EXPECT_TRUE(file.notes().isEmpty()) << file.notes().join(QLatin1Char('\n')).toStdString();
    QSet<QByteArray> kinds, offerKinds, classes, types, tabKinds;
    bool shortEan = false, weighedEan = false, excluded = false, lastYear = false, gValue = false;
    for (const common::ChainLine line : file) {
        const QByteArray kind = line.raw(rec::kind).toByteArray();
        kinds.insert(kind);
        if (line.is(rec::gval::mark, "G")) gValue = true;
        if (kind == "TAB" && line.is(rec::tab::table, "0127")) tabKinds.insert(line.raw(rec::tab::tableKind).toByteArray());
        if (kind == "MHA") {
            const QByteArray ean = line.raw(rec::mha::ean).toByteArray().trimmed();
            if (ean.size() < 13) shortEan = true;
            if (ean.size() == 13 && ean.startsWith('2')) weighedEan = true;
        }
        if (kind == "BLE") {
            classes.insert(line.raw(rec::ble::lineClass).toByteArray().trimmed());
            types.insert(line.raw(rec::ble::lineType).toByteArray());
            if (line.isTrimmed(rec::ble::exclusion, "IE")) excluded = true;
            if (line.is(rec::dateYmd, QByteArray::number(kGeneratedDay.year() - 1) + "1231")) lastYear = true;
        }
        if (kind == "OFD") offerKinds.insert(line.raw(rec::ofd::offerKind).toByteArray());
    }
    for (const char* k : {"TAB", "MDA", "MHA", "MHE", "MHN", "BLE", "OFT", "OFD"})
        EXPECT_TRUE(kinds.contains(k)) << k;
    EXPECT_EQ(tabKinds, (QSet<QByteArray>{"01", "02", "03"}));
    EXPECT_TRUE(shortEan);
    EXPECT_TRUE(weighedEan);
    EXPECT_TRUE(classes.contains("01"));
    EXPECT_TRUE(classes.contains("2") || classes.contains("02"));
    EXPECT_EQ(types, (QSet<QByteArray>{"R", " "}));
    EXPECT_TRUE(excluded);
    EXPECT_TRUE(lastYear);
    EXPECT_TRUE(offerKinds.contains("00") && offerKinds.contains("10") && offerKinds.contains("01"));
    EXPECT_TRUE(gValue);

    // The same seed gives the same file; another seed another one.
    QTemporaryDir again, other;
    EXPECT_EQ(fileBytes(generateRoot(again)), bytes);
    EXPECT_NE(fileBytes(generateRoot(other, 8)), bytes);

    // A root that already holds data is not written over.
    EXPECT_ANY_THROW(gen::Generator(gen::Sizes::demo()).write(paths));
}

TEST(GeneratedRoot, WholeRunDoesTheWorkOfEveryStage) {
    QTemporaryDir dir;
    const Paths paths = generateRoot(dir);
    QHash<qint64, double> before;
    qint64 storeArticles = 0;
    {
        auto store = db::Database::open(paths.storeDb(), QStringLiteral("store"));
        before = stock(*store);
        storeArticles = before.size();
    }

    RecordingView view;
    ASSERT_EQ(runGenerated(paths, view), ExitFinished) << view.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(view.messages.isEmpty()) << view.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(view.questions.size(), 1);

    auto store = db::Database::open(paths.storeDb(), QStringLiteral("store"));
    auto chain = db::Database::open(paths.chainDb(), QStringLiteral("chain"));
    auto logRows = [&](const char* kind, const char* update) {
        db::Query q = store->prepare(QStringLiteral(
            "SELECT count(*) FROM variatidivulgazioni WHERE tipoelaborazione = ? AND tipoagg = ?"));
        return q.first({QString::fromLatin1(kind), QString::fromLatin1(update)}) ? q.value(0).toLongLong() : -1;
    };

    // Catalogue: every marked chain article was looked at; articles updated and created.
    EXPECT_EQ(count(*chain, QStringLiteral("SELECT count(*) FROM articolo WHERE artvariato = 'S'")), 0);
    EXPECT_GT(logRows("B", "A"), 0);
    EXPECT_GT(logRows("B", "N"), 0);
    EXPECT_GT(count(*store, QStringLiteral("SELECT count(*) FROM listi01")), storeArticles);
    EXPECT_GT(count(*store, QStringLiteral("SELECT count(*) FROM sottogruppi WHERE codgru = 999")), 0);

    // Documents: three received, with lines and stock moved.
    EXPECT_EQ(count(*store, QStringLiteral("SELECT count(*) FROM testaof")), 3);
    EXPECT_EQ(logRows("A", "F"), 3);
    EXPECT_GT(count(*store, QStringLiteral("SELECT count(*) FROM ordinif")), 10);
    EXPECT_EQ(count(*store, QStringLiteral("SELECT count(*) FROM testaof WHERE anno = ?"), {kGeneratedDay.year() - 1}),
              1);
    const QHash<qint64, double> after = stock(*store);
    int moved = 0;
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (after.value(it.key()) != it.value()) ++moved;
    EXPECT_GT(moved, 3);

    // Promotions: three offer documents with lines; unmatched articles logged.
    EXPECT_EQ(count(*store, QStringLiteral("SELECT count(*) FROM offte")), 3);
    EXPECT_EQ(logRows("A", "P"), 3);
    EXPECT_GT(count(*store, QStringLiteral("SELECT count(*) FROM offmo")), 10);
    EXPECT_GT(logRows("P", "E"), 0);
    EXPECT_GT(count(*store, QStringLiteral("SELECT count(*) FROM offtab")), 2);  // a new "SCONTO n%"

    // The same file again: nothing is received or offered twice.
    const qint64 lines = count(*store, QStringLiteral("SELECT count(*) FROM ordinif"));
    const qint64 offerLines = count(*store, QStringLiteral("SELECT count(*) FROM offmo"));
    store.reset();
    chain.reset();
    RecordingView second;
    ASSERT_EQ(runGenerated(paths, second), ExitFinished) << second.messages.join(QLatin1Char('\n')).toStdString();
    store = db::Database::open(paths.storeDb(), QStringLiteral("store"));
    EXPECT_EQ(count(*store, QStringLiteral("SELECT count(*) FROM testaof")), 3);
    EXPECT_EQ(count(*store, QStringLiteral("SELECT count(*) FROM ordinif")), lines);
    EXPECT_EQ(count(*store, QStringLiteral("SELECT count(*) FROM offte")), 3);
    EXPECT_EQ(count(*store, QStringLiteral("SELECT count(*) FROM offmo")), offerLines);
}

TEST(GeneratedRoot, DatabasesAgreeWithEachOtherAndWithTheFile) {
    QTemporaryDir dir;
    const Paths paths = generateRoot(dir);
    auto store = db::Database::open(paths.storeDb(), QStringLiteral("store"));
    auto chain = db::Database::open(paths.chainDb(), QStringLiteral("chain"));
    store->exec(QStringLiteral("ATTACH DATABASE ? AS nelv"), {paths.chainDb()});

    // Every EAN and price-list row belongs to an article of the store; every
    // chain price-list row points at a chain article the chain database has.
    EXPECT_EQ(count(*store, QStringLiteral(
                  "SELECT count(*) FROM codean WHERE codare NOT IN (SELECT codart FROM listi01)")), 0);
    EXPECT_EQ(count(*store, QStringLiteral(
                  "SELECT count(*) FROM listi02 l WHERE NOT EXISTS (SELECT 1 FROM nelv.articolo a "
                  "WHERE printf('%09d', a.codart) = l.codafo)")), 0);
    EXPECT_EQ(count(*store, QStringLiteral("SELECT count(*) FROM codean WHERE length(eanare) <> 13")), 0);
    EXPECT_EQ(count(*chain, QStringLiteral("SELECT count(*) FROM codean WHERE length(eanare) <> 13")), 0);
    // The store knows some articles only through its price list, manages some
    // without stock, and has a group it keeps its own prices for.
    EXPECT_GT(count(*store, QStringLiteral("SELECT count(*) FROM listi01 WHERE ifnull(codafo, '') = '' AND codart IN "
                                           "(SELECT codart FROM listi02)")), 0);
    EXPECT_GT(count(*store, QStringLiteral("SELECT count(*) FROM listi01 WHERE tipges = 'D'")), 0);
    EXPECT_EQ(count(*store, QStringLiteral("SELECT count(*) FROM gruppi WHERE escgruppo = 1")), 1);

    // Numbering series for this year and last year, for both purchase
    // documents and the offers; every one already in use (ultnum > 0).
    for (const char* series : {"FA", "DD", "OP"}) {
        for (int year : {kGeneratedDay.year() - 1, kGeneratedDay.year()}) {
            EXPECT_EQ(count(*store, QStringLiteral("SELECT count(*) FROM numeri WHERE codutente = 1 AND tipo = ? "
                                                   "AND anno = ? AND ultnum > 0"),
                            {QString::fromLatin1(series), year}),
                      1)
                << series << " " << year;
        }
    }
    EXPECT_EQ(count(*store, QStringLiteral("SELECT count(*) FROM tipodoc WHERE posi = 'A' AND "
                                           "coddoc IN ('FATTACQIMM', 'DDTACQ')")), 2);
    EXPECT_EQ(count(*store, QStringLiteral("SELECT count(*) FROM offtab WHERE codice = 1 AND "
                                           "descrizione = 'TAGLIO PREZZO'")), 1);
    EXPECT_EQ(count(*store, QStringLiteral("SELECT count(*) FROM utenti u JOIN fornitori f "
                                           "ON f.codfornitore = u.codfor_affil WHERE u.codutente = 1")), 1);

    // Texts reach the databases as the same letters the file carries.
    EXPECT_GT(count(*store, QStringLiteral("SELECT count(*) FROM listi01 WHERE desart LIKE '%À%' OR "
                                           "desart LIKE '%È%' OR desart LIKE '%Ù%'")), 0);

    // Every article of the file that the store already has is in the chain
    // database with its EANs; the new ones are in neither.
    const auto file = common::ChainFile::load(paths.chainFile());
    ASSERT_TRUE(file);
    db::Query inChain = chain->prepare(QStringLiteral("SELECT count(*) FROM articolo WHERE codart = ?"));
    db::Query inStore = store->prepare(QStringLiteral("SELECT count(*) FROM listi02 WHERE codafo = ?"));
    int shared = 0, fresh = 0;
    for (const common::ChainLine line : *file) {
        if (!line.is(rec::kind, "MDA")) continue;
        const qint64 code = static_cast<qint64>(line.value(rec::articleCode));
        inChain.first({code});
        const bool chainHas = inChain.value(0).toLongLong() > 0;
        inStore.first({QString::number(code).rightJustified(9, QLatin1Char('0'))});
        const bool storeHas = inStore.value(0).toLongLong() > 0;
        EXPECT_EQ(chainHas, storeHas) << code;
        (storeHas ? shared : fresh)++;
    }
    EXPECT_EQ(fresh, gen::Sizes::demo().newArticles);
    EXPECT_EQ(shared + fresh, gen::Sizes::demo().articles);
}
