// The file of refused lines handed back to the chain: one line per refused
// line of the chain's file, in file order, each with its kind and the words of
// the message that refused it, then the line itself byte for byte; Windows-1252
// and CR LF throughout.
#include "RecordBuilder.h"
#include "chainfile/CatalogueRecords.h"
#include "chainfile/DocumentLine.h"
#include "chainfile/LineErrors.h"
#include "chainfile/PromotionRecords.h"
#include "chainfile/RefusedLines.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace chainfile;

namespace {

RecordBuilder ble(qint32 document, qint64 chainCode) {
    return RecordBuilder("BLE")
        .num(rec::ble::number, document)
        .num(rec::ble::chainCode, chainCode)
        .set(rec::ble::description, "PASTA")
        .num(rec::ble::packages, 1)
        .num(rec::ble::quantity, 100)
        .num(rec::ble::cost, 12345)
        .num(rec::ble::price, 1990);
}

// The lines of a chain's file, a bad one of every record kind among good ones.
const QList<QByteArray> kLines = {
    RecordBuilder("TAB").set(rec::tab::table, "0127").set(rec::tab::tableKind, "01").num(rec::tab::code, 12).num(rec::tab::parent, 1),
    RecordBuilder("TAB").set(rec::tab::table, "0127").set(rec::tab::tableKind, "01").set(rec::tab::code, "12A456"),
    RecordBuilder("MDA").set(rec::articleCode, "12\u00C84567").set(rec::mda::description, "CAFF\u00C8"),
    RecordBuilder("MHA").num(rec::articleCode, 1234).set(rec::mha::ean, "80012345X7890"),
    RecordBuilder("MHE").num(rec::articleCode, 1234).set(rec::mhe::price, "0000001").cut(60),
    RecordBuilder("MHN").num(rec::articleCode, 1234).num(rec::mhn::cost, 990),
    ble(100, 1234),
    ble(100, 1235).set(rec::ble::quantity, "00003A000"),
    ble(101, 1236),
    ble(102, 1237),
    ble(102, 1238),
    RecordBuilder("OFT").set(rec::oft::number, "12A45"),
    RecordBuilder("OFD").num(rec::ofd::number, 4).num(rec::ofd::offerKind, 1).num(rec::ofd::chainCode, 1234).set(rec::ofd::value, "0000014,90"),
};

// What the stages of a run find in those lines, into the run's one collection.
void refuse(const common::ChainFile& file, RefusedLines& refused) {
    LineErrors errors;
    errors.keepRefusals(refused);
    using Stage = LineErrors::Stage;
    // The catalogue walks the file twice: the classification, then the articles.
    for (const common::ChainLine& line : file)
        if (const auto tab = readTab(line)) errors.add(Stage::Catalogue, *tab);
    for (const common::ChainLine& line : file)
        for (const std::optional<LineRecord>& r :
             {std::optional<LineRecord>(readArticle(line)), std::optional<LineRecord>(readEan(line)),
              std::optional<LineRecord>(readPrice(line)), std::optional<LineRecord>(readCost(line))})
            if (r) errors.add(Stage::Catalogue, *r);
    DocumentGrouping grouping(errors);
    for (const common::ChainLine& line : file)
        if (const auto d = readDocumentLine(line)) {
            const qint32 document = grouping.place(*d);
            for (const FieldProblem& p : d->amountProblems()) errors.add(d->line, document, p);
        }
    errors.revised(102, QStringLiteral("documento nr. 102 del 01/12/2026: caricato con 3 righe, ora 2 righe"));
    errors.refuseDocuments();
    for (const common::ChainLine& line : file) {
        if (const auto h = readPromotionHeader(line)) errors.add(Stage::Promotions, *h);
        if (const auto o = readPromotionLine(line)) errors.add(Stage::Promotions, *o);
    }
}

QByteArray rendered(const RefusedLines& refused, const common::ChainFile& file) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    refused.writeTo(out, file);
    return out.data();
}

TEST(RefusedLines, OneLinePerRefusedLineWithItsReasonAndTheLineUnchanged) {
    const common::ChainFile file = common::ChainFile::fromBytes(chainFileBytes(kLines));
    RefusedLines refused;
    refuse(file, refused);
    const QByteArray expected =
        "2\tTAB\tcampo codice sottogruppo (colonne 51-56): \"12A456\"\t" + kLines[1] + "\r\n" +
        "3\tMDA\tcampo codice articolo (colonne 47-53): \"12\xC8" "4567\"\t" + kLines[2] + "\r\n" +
        "4\tMHA\tcampo EAN (colonne 60-72): \"80012345X7890\"\t" + kLines[3] + "\r\n" +
        "5\tMHE\tcampo prezzo di vendita (colonne 54-65): \"0000001\" (riga troncata)\t" + kLines[4] + "\r\n" +
        "7\tBLE\tdocumento 100 non caricato; lo sar\xE0 con il file corretto\t" + kLines[6] + "\r\n" +
        "8\tBLE\tdocumento 100: campo quantit\xE0 \"00003A000\"; documento 100 non caricato; lo sar\xE0 con il "
        "file corretto\t" + kLines[7] + "\r\n" +
        "10\tBLE\tdocumento nr. 102 del 01/12/2026: caricato con 3 righe, ora 2 righe\t" + kLines[9] + "\r\n" +
        "11\tBLE\tdocumento nr. 102 del 01/12/2026: caricato con 3 righe, ora 2 righe\t" + kLines[10] + "\r\n" +
        "12\tOFT\tcampo numero promozione \"12A45\"\t" + kLines[11] + "\r\n" +
        "13\tOFD\tcampo valore \"0000014,90  \"\t" + kLines[12] + "\r\n";
    EXPECT_EQ(rendered(refused, file).toStdString(), expected.toStdString());

    QTemporaryDir dir;
    const QDateTime when(QDate(2026, 12, 8), QTime(10, 30, 5));
    const RefusedLines::Written first = refused.write(file, dir.path(), when);
    EXPECT_EQ(first.path, dir.filePath("scarti-20261208-103005.txt"));
    EXPECT_EQ(first.lines, 10);
    QFile written(first.path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), expected);
    // A second run in the same second keeps the first file.
    EXPECT_EQ(refused.write(file, dir.path(), when).path, dir.filePath("scarti-20261208-103005-2.txt"));
}

TEST(RefusedLines, NoFileWhenNothingWasRefused) {
    const common::ChainFile file = common::ChainFile::fromBytes(chainFileBytes({kLines[0], kLines[6]}));
    QTemporaryDir dir;
    RefusedLines none;
    EXPECT_TRUE(none.isEmpty());
    EXPECT_EQ(none.write(file, dir.path(), QDateTime::currentDateTime()).path, "");
    // A document refused that the file does not hold writes nothing either.
    none.addDocument(555, QStringLiteral("documento 555 non caricato"));
    EXPECT_FALSE(none.isEmpty());
    EXPECT_EQ(none.write(file, dir.path(), QDateTime::currentDateTime()).path, "");
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

}  // namespace
