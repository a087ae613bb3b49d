// The barcodes read once must answer as the statements they replace, whatever
// the tables hold: each case fills both codean tables, then every probe is
// asked of the keys and of the statement.
#include "TestRoot.h"
#include "articles/ArticleRules.h"
#include "promotions/PromotionKeys.h"

#include <cctype>
#include <gtest/gtest.h>

namespace {

struct KeysCase {
    const char* name;
    std::vector<const char*> store;  // statements on the store before the keys are read
    std::vector<const char*> chain;
};

// Rows every case starts from: an article with three barcodes whose rows are
// not in code order, Null codes and barcodes, an article without barcodes.
const std::vector<const char*> kStoreRows = {
    "INSERT INTO codean (eanare, codare, desart) VALUES ('8000000000013', 501, 'CRACKERS')",
    "INSERT INTO codean (eanare, codare, desart) VALUES ('8000000000011', 500, 'BISCOTTI')",
    "INSERT INTO codean (eanare, codare, desart) VALUES ('8000000000012', 500, 'BISCOTTI GRANDI')",
    "INSERT INTO codean (eanare, codare, desart) VALUES ('8000000000014', 502, NULL)",
    "INSERT INTO codean (eanare, codare, desart) VALUES (NULL, 503, 'SENZA CODICE')",
    "INSERT INTO codean (eanare, codare, desart) VALUES ('8000000000015', NULL, 'SENZA ARTICOLO')",
    "INSERT INTO codean (eanare, codare, desart) VALUES ('', 504, 'VUOTO')",
    // Barcodes kept as numbers with their length, and those kept as texts.
    "INSERT INTO codean (eanare, codare, desart) VALUES ('0000000000017', 510, '0012')",
    "INSERT INTO codean (eanare, codare, desart) VALUES ('12345678901234567', 511, 'DICIASSETTE')",
    "INSERT INTO codean (eanare, codare, desart) VALUES ('123456789012345678', 512, 'DICIOTTO')",
    "INSERT INTO codean (eanare, codare, desart) VALUES ('12345678901234567890', 513, 'VENTI')",
    "INSERT INTO codean (eanare, codare, desart) VALUES ('ABC-1', 514, '')",
    "INSERT INTO codean (eanare, codare, desart) VALUES ('0', 515, 'ZERO')",
    "INSERT INTO codean (eanare, codare, desart) VALUES ('00', 516, 'DUE ZERI')",
    "INSERT INTO codean (eanare, codare, desart) VALUES (' 8000000000011', 517, 'SPAZIO')",
    "INSERT INTO codean (eanare, codare, desart) VALUES ('8000000000018', 4294967297, 'OLTRE 32 BIT')",
    "INSERT INTO listi01 (codart, desart, desgru, dessot, desfor, cofart, cosmp, imbart, przart, przpub, umart, ivart) "
    "VALUES (501, 'CRACKERS', 'DOLCIARIO E PANETTERIA', 'SALATI', 'NELV', 1.5, 1.45, 12, 1.3, 2.5, 'PZ', '10')",
    "INSERT INTO listi01 (codart, desart, desgru, cofart, przpub, umart) VALUES (500, 'BISCOTTI È', '', 0.1, 3, 'KG')",
    "INSERT INTO listi01 (codart) VALUES (502)",
    "INSERT INTO listi01 (codart, desart, przpub) VALUES (NULL, 'SENZA CODICE', 1)",
    "INSERT INTO listi01 (codart, desart, cofart, ivart) VALUES (503, 1234.5, 'UNO', 4)",
    // Texts that repeat from article to article, texts of digits, an empty text.
    "INSERT INTO listi01 (codart, desart, desgru, dessot, desfor, umart, ivart) "
    "VALUES (511, 'UNO', 'DOLCIARIO E PANETTERIA', 'SALATI', 'NELV', 'PZ', '10')",
    "INSERT INTO listi01 (codart, desart, desgru, dessot, desfor, umart, ivart) "
    "VALUES (510, '0012', 'DOLCIARIO E PANETTERIA', '', '007', 'PZ', '04')",
    "INSERT INTO listi01 (codart, desart, desgru, umart, ivart) VALUES (512, '', 'SALATI', 'KG', '4')",
    "INSERT INTO listi01 (codart, desart, przpub) VALUES (4294967297, 'OLTRE 32 BIT', 1)",
};
const std::vector<const char*> kChainRows = {
    "INSERT INTO codean (codare, eanare) VALUES (124, '8000000000021')",
    "INSERT INTO codean (codare, eanare) VALUES (123, '8000000000013')",
    "INSERT INTO codean (codare, eanare) VALUES (124, '8000000000020')",
    "INSERT INTO codean (codare, eanare) VALUES (123, '8000000000011')",
    "INSERT INTO codean (codare, eanare) VALUES (125, NULL)",
    "INSERT INTO codean (codare, eanare) VALUES (NULL, '8000000000099')",
    // Barcodes of every length and kind for one article.
    "INSERT INTO codean (codare, eanare) VALUES (127, '0008001234567')",
    "INSERT INTO codean (codare, eanare) VALUES (127, '12345678901234567')",
    "INSERT INTO codean (codare, eanare) VALUES (127, '123456789012345678')",
    "INSERT INTO codean (codare, eanare) VALUES (127, '12345678901234567890')",
    "INSERT INTO codean (codare, eanare) VALUES (127, '')",
    "INSERT INTO codean (codare, eanare) VALUES (127, 'ABC-1')",
    "INSERT INTO codean (codare, eanare) VALUES (127, '80012345È')",
    "INSERT INTO codean (codare, eanare) VALUES (127, '8001234567890 ')",
    "INSERT INTO codean (codare, eanare) VALUES (128, '0')",
};

void PrintTo(const KeysCase& c, std::ostream* os) { *os << c.name; }

const KeysCase kCases[] = {
    {"plain", {}, {}},
    {"store code held as text",
     {"INSERT INTO codean (eanare, codare, desart) VALUES ('8000000000016', 'X12', 'TESTO')"},
     {}},
    {"store code held as a real number",
     {"INSERT INTO codean (eanare, codare, desart) VALUES ('8000000000016', 500.5, 'REALE')"},
     {}},
    {"store barcode held as bytes",
     {"INSERT INTO codean (eanare, codare, desart) VALUES (X'3830', 505, 'BYTES')"},
     {}},
    {"store barcode not ASCII",
     {"INSERT INTO codean (eanare, codare, desart) VALUES ('80000000000È', 505, 'ACCENTO')"},
     {}},
    {"repeated barcodes under a plain index",
     {"DROP INDEX codean_keyean", "CREATE INDEX codean_keyean ON codean (eanare)",
      "INSERT INTO codean (eanare, codare, desart) VALUES ('8000000000011', 499, 'DOPPIONE')",
      "INSERT INTO codean (eanare, codare, desart) VALUES ('8000000000013', 500, 'DOPPIONE')"},
     {}},
    {"listing code held as text", {"INSERT INTO listi01 (codart, desart) VALUES ('X12', 'TESTO')"}, {}},
    {"repeated listing codes under a plain index",
     {"DROP INDEX listi01_primary", "CREATE INDEX listi01_primary ON listi01 (codart)",
      "INSERT INTO listi01 (codart, desart, przpub) VALUES (501, 'DOPPIONE', 9)"},
     {}},
    {"chain code held as text", {}, {"INSERT INTO codean (codare, eanare) VALUES ('123A', '8000000000030')"}},
    {"chain code held as a real number", {}, {"INSERT INTO codean (codare, eanare) VALUES (123.5, '8000000000031')"}},
    {"chain barcode held as a number", {}, {"INSERT INTO codean (codare, eanare) VALUES (126, 8000000000032)"}},
    // A barcode field without a type keeps numbers as numbers: their texts
    // are what the statement reads, and eanText pads or cuts those.
    {"chain barcodes stored as numbers",
     {},
     {"DROP TABLE codean", "CREATE TABLE codean (codare INTEGER, eanare)",
      "INSERT INTO codean (codare, eanare) VALUES (126, 8001234567890)",
      "INSERT INTO codean (codare, eanare) VALUES (126, 8001234567890.0)",
      "INSERT INTO codean (codare, eanare) VALUES (126, '0008001234567')",
      "INSERT INTO codean (codare, eanare) VALUES (126, 80012345678901234567)",
      "INSERT INTO codean (codare, eanare) VALUES (126, -5)",
      "INSERT INTO codean (codare, eanare) VALUES (126, 0.5)",
      "INSERT INTO codean (codare, eanare) VALUES (126, NULL)",
      "INSERT INTO codean (codare, eanare) VALUES (127, 12)"}},
    {"chain code beyond 32 bits", {}, {"INSERT INTO codean (codare, eanare) VALUES (4294967297, '8000000000033')"}},
};

const QStringList kEanProbes = {"8000000000011", "8000000000012", "8000000000013", "8000000000014",
                                "8000000000015", "8000000000016", "",              "8000000000011 ",
                                "80",            "80000000000È",  "9999999999999", "9999999999999",
                                "8000000000013", "0000000000017", "000000000017",  "17",
                                "12345678901234567", "123456789012345678", "12345678901234567890",
                                "ABC-1",         "ABC-",          "0",             "00",
                                "000",           " 8000000000011", "8000000000018"};
// Some asked twice in a row, as the stage does.
const QList<qint32> kStoreCodeProbes = {0,   499, 500, 500, 501, 502, 503, 504, 505, 506, 12,
                                        501, 510, 511, 512, 513, 514, 515, 516, 517, 1,  512};
const QList<qint32> kChainCodeProbes = {0, 123, 123, 124, 125, 126, 127, 124, 127, 128, 1};

// A text with its Null-ness, as the stage sees it.
QString shown(const QString& text) { return text.isNull() ? QStringLiteral("<null>") : text; }
QString shown(const QVariant& value) {
    if (value.isNull()) return QStringLiteral("<null>");
    return QString::fromLatin1(value.typeName()) + QLatin1Char(':') + value.toString();
}
template <class T>
QString shown(const std::optional<T>& value) {
    return value ? shown(QVariant::fromValue(*value)) : QStringLiteral("<null>");
}

class PromotionKeys : public ::testing::TestWithParam<KeysCase> {};

TEST_P(PromotionKeys, AnswerAsTheStatements) {
    TestRoot root;
    db::Database& store = root.store();
    db::Database& chain = root.chain();
    for (const char* sql : kStoreRows) root.exec(store, QString::fromUtf8(sql));
    for (const char* sql : GetParam().store) root.exec(store, QString::fromUtf8(sql));
    for (const char* sql : kChainRows) root.exec(chain, QString::fromUtf8(sql));
    for (const char* sql : GetParam().chain) root.exec(chain, QString::fromUtf8(sql));

    promotions::StoreBarcodes storeKeys(store);
    articles::ChainBarcodes chainKeys(chain);
    promotions::StoreListings listings(store);

    db::Query articleOf = store.prepare(QStringLiteral("SELECT codare FROM codean WHERE eanare = ? LIMIT 1"));
    for (const QString& ean : kEanProbes) {
        std::optional<qint32> expected;
        if (articleOf.first({ean})) expected = static_cast<qint32>(articleOf.value(0).toLongLong());
        articleOf.finish();
        EXPECT_EQ(storeKeys.articleOf(ean), expected) << "barcode '" << ean.toStdString() << "'";
    }

    db::Query firstOf = store.prepare(
        QStringLiteral("SELECT eanare, desart FROM codean WHERE codare = ? ORDER BY rowid LIMIT 1"));
    for (qint32 code : kStoreCodeProbes) {
        QString expected = QStringLiteral("<none>");
        if (firstOf.first({code}))
            expected = shown(firstOf.value(0).toString()) + QLatin1Char('|') + shown(firstOf.value(1).toString());
        firstOf.finish();
        const std::optional<promotions::StoreBarcode> got = storeKeys.firstOf(code);
        const QString actual =
            got ? shown(got->ean) + QLatin1Char('|') + shown(got->description) : QStringLiteral("<none>");
        EXPECT_EQ(actual, expected) << "store article " << code;
    }

    db::Query eansOf = chain.prepare(QStringLiteral("SELECT eanare FROM codean WHERE codare = ? ORDER BY rowid"));
    // The promotions take the texts as read; the store update takes them as eanText makes them,
    // asking with the code as read from the chain's articles (64 bits).
    for (qint32 code : kChainCodeProbes) {
        QStringList expected, expectedEanTexts;
        eansOf.exec({code});
        while (eansOf.next()) {
            expected << shown(eansOf.value(0).toString());
            expectedEanTexts << articles::eanText(eansOf.value(0));
        }
        eansOf.finish();
        QStringList actual, actualEanTexts;
        for (const QString& ean : chainKeys.of(code)) actual << shown(ean);
        for (const QString& ean : chainKeys.eanTexts(QVariant(qint64(code)))) actualEanTexts << ean;
        EXPECT_EQ(actual, expected) << "chain article " << code;
        EXPECT_EQ(actualEanTexts, expectedEanTexts) << "chain article " << code;
    }

    // Texts as texts, numbers as numbers, Null as Null: the stage keeps a value only when it is not Null.
    db::Query listingOf = store.prepare(QStringLiteral(
        "SELECT codart, desart, desgru, dessot, desfor, cofart, cosmp, imbart, przart, przpub, umart, ivart "
        "FROM listi01 WHERE codart = ? LIMIT 1"));
    for (qint32 code : kStoreCodeProbes) {
        QStringList expected;
        if (listingOf.first({code})) {
            expected << QString::number(listingOf.value(0).toLongLong());
            for (int i : {1, 2, 3, 4, 10, 11})
                expected << (listingOf.value(i).isNull() ? shown(QVariant()) : shown(QVariant(listingOf.value(i).toString())));
            for (int i : {5, 6, 7, 8, 9})
                expected << (listingOf.value(i).isNull() ? shown(QVariant()) : shown(QVariant(listingOf.value(i).toDouble())));
        }
        listingOf.finish();
        QStringList actual;
        if (const std::optional<promotions::StoreListings::Row> r = listings.of(code)) {
            actual << QString::number(r->codart) << shown(r->desart) << shown(r->desgru) << shown(r->dessot)
                   << shown(r->desfor) << shown(r->umart) << shown(r->ivart) << shown(r->cofart) << shown(r->cosmp)
                   << shown(r->imbart) << shown(r->przart) << shown(r->przpub);
        }
        EXPECT_EQ(actual, expected) << "listing of " << code;
    }
}

INSTANTIATE_TEST_SUITE_P(Tables, PromotionKeys, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<KeysCase>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

}  // namespace
