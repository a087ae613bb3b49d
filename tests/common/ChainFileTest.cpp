#include "RecordBuilder.h"
#include "common/ChainFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using common::ChainFile;
using common::ChainLine;

namespace {

// The lines of one walk, copied: a line's bytes live only until the walk moves on.
QList<QByteArray> linesOf(const ChainFile& f) {
    QList<QByteArray> out;
    for (const ChainLine line : f) out << line.bytes().toByteArray();
    return out;
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

TEST(ChainFile, FieldsByColumnWithShortLinesGivingShortFields) {
    const QByteArray line =
        RecordBuilder("MDA").num(rec::articleCode, 1234).set(rec::mda::description, "PASTA ALL'UOVO");
    ChainFile f = ChainFile::fromBytes(chainFileBytes({line, "short"}));
    ASSERT_EQ(f.lineCount(), 2);
    const QList<QByteArray> lines = linesOf(f);
    ASSERT_EQ(lines.size(), 2);
    const ChainLine l(1, lines[0]);
    EXPECT_TRUE(l.is(rec::kind, "MDA"));
    EXPECT_EQ(l.text(rec::articleCode), "0001234");
    EXPECT_EQ(l.value(rec::articleCode), 1234);
    EXPECT_EQ(l.text(rec::mda::description).trimmed(), "PASTA ALL'UOVO");
    const ChainLine s(2, lines[1]);
    EXPECT_TRUE(s.text(rec::kind).isEmpty());
    EXPECT_TRUE(s.text(rec::articleCode).isEmpty());
    EXPECT_FALSE(s.numeric(rec::articleCode));
    int number = 0;
    for (const ChainLine walked : f) EXPECT_EQ(walked.number(), ++number);
}

TEST(ChainFile, DecodesWindows1252AndNotesOddities) {
    QByteArray bytes = "\xEF\xBB\xBF" "caff\xE8 \x80\n" "second\r\n" "x\x81y\r\n";
    ChainFile f = ChainFile::fromBytes(bytes);
    ASSERT_EQ(f.lineCount(), 3);
    const QList<QByteArray> lines = linesOf(f);
    EXPECT_EQ(ChainLine(1, lines[0]).text(1, 20), QString::fromUtf8("caffè €"));
    EXPECT_EQ(ChainLine(2, lines[1]).text(1, 20), "second");
    EXPECT_EQ(f.notes().size(), 3);  // BOM, LF, undefined byte
}

TEST(ChainFile, EmptyFileHasNoLinesAndMissingFileIsReported) {
    EXPECT_EQ(ChainFile::fromBytes({}).lineCount(), 0);
    QString error;
    EXPECT_FALSE(ChainFile::load("/nonexistent/acq_var.txt", &error));
    EXPECT_TRUE(error.contains("non esiste"));
}

// Every way a line can end, read with chunks of every small size so that each
// line end falls across a chunk boundary somewhere (a CR closing one chunk and
// its LF opening the next), from memory and from disk alike.
TEST(ChainFile, LineEndsAcrossChunkBoundaries) {
    const QByteArray longLine(300, 'x');
    const struct {
        const char* name;
        QByteArray bytes;
        QList<QByteArray> lines;
        QStringList notes;
    } rows[] = {
        {"CR LF", "a\r\nbb\r\n", {"a", "bb"}, {}},
        {"LF", "a\nbb\n", {"a", "bb"}, {"riga 1: fine riga LF senza CR"}},
        {"CR alone", "a\rbb\r", {"a", "bb"}, {"riga 1: fine riga CR senza LF"}},
        {"mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"},
         {"riga 2: fine riga LF senza CR", "riga 3: fine riga CR senza LF"}},
        {"empty lines", "\r\n\r\na\r\n\r\n", {"", "", "a", ""}, {}},
        {"last line without line end", "a\r\nlast", {"a", "last"}, {}},
        {"CR as the last byte", "a\r", {"a"}, {"riga 1: fine riga CR senza LF"}},
        {"CR CR LF", "a\r\r\nb\r\n", {"a", "", "b"}, {"riga 1: fine riga CR senza LF"}},
        {"byte-order mark", "\xEF\xBB\xBF" "a\r\n", {"a"}, {"il file inizia con un BOM UTF-8, ignorato"}},
        {"byte-order mark alone", "\xEF\xBB\xBF", {}, {"il file inizia con un BOM UTF-8, ignorato"}},
        {"empty file", "", {}, {}},
        {"one empty line", "\r\n", {""}, {}},
        {"a line longer than a chunk", longLine + "\r\nb", {longLine, "b"}, {}},
        {"NUL and undefined bytes", QByteArray("a\0b\r\nx\x81\r\n", 9), {QByteArray("a\0b", 3), "x\x81"},
         {"riga 1: byte NUL nel testo", "riga 2: byte 0x81 non valido in Windows-1252"}},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("acq_var.txt");
    for (const auto& row : rows) {
        write(path, row.bytes);
        for (const qsizetype chunk : {1, 2, 3, 4, 7, 64, int(ChainFile::kChunkSize)}) {
            SCOPED_TRACE(std::string(row.name) + ", chunk " + std::to_string(chunk));
            const ChainFile memory = ChainFile::fromBytes(row.bytes, chunk);
            EXPECT_EQ(linesOf(memory), row.lines);
            EXPECT_EQ(memory.lineCount(), row.lines.size());
            EXPECT_EQ(memory.notes(), row.notes);
            const std::optional<ChainFile> disk = ChainFile::load(path, nullptr, chunk);
            ASSERT_TRUE(disk);
            EXPECT_EQ(linesOf(*disk), row.lines);
            EXPECT_EQ(disk->lineCount(), row.lines.size());
            EXPECT_EQ(disk->notes(), row.notes);
        }
    }
}

TEST(ChainFile, SizeAndDigestOfTheFileLoaded) {
    QTemporaryDir dir;
    const QString path = dir.filePath("acq_var.txt");
    const QByteArray bytes = chainFileBytes({RecordBuilder("MDA"), RecordBuilder("BLE")});
    write(path, bytes);
    const auto f = ChainFile::load(path, nullptr, 100);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->size(), bytes.size());
    EXPECT_EQ(f->sha256(), QCryptographicHash::hash(bytes, QCryptographicHash::Sha256));
    EXPECT_EQ(f->path(), path);
}

// A walk never reads a file other than the one loaded: one that grew, was
// rewritten or vanished since, or grows during the walk, stops it with a
// message naming the file.
TEST(ChainFile, AWalkOverAChangedFileFails) {
    QTemporaryDir dir;
    const QString path = dir.filePath("acq_var.txt");
    const QByteArray bytes = chainFileBytes({RecordBuilder("MDA"), RecordBuilder("MHE"), RecordBuilder("BLE")});
    const auto walkAll = [](const ChainFile& f) {
        int n = 0;
        for (const ChainLine line : f) n += line.number() > 0;
        return n;
    };
    const auto expectChanged = [&](const ChainFile& f) {
        try {
            walkAll(f);
            ADD_FAILURE() << "no error";
        } catch (const common::ChainFileChanged& e) {
            EXPECT_TRUE(e.message().contains(path)) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QString::fromUtf8("è cambiato")));
        }
    };

    write(path, bytes);
    auto f = ChainFile::load(path);
    ASSERT_TRUE(f);
    EXPECT_EQ(walkAll(*f), 3);
    write(path, bytes + "more\r\n");
    expectChanged(*f);

    write(path, bytes);
    f = ChainFile::load(path);
    {
        QFile same(path);
        ASSERT_TRUE(same.open(QIODevice::ReadWrite));
        same.write("X");  // same size, another modification time
        same.flush();
        ASSERT_TRUE(same.setFileTime(QFileInfo(path).lastModified().addSecs(60), QFileDevice::FileModificationTime));
    }
    expectChanged(*f);

    write(path, bytes);
    f = ChainFile::load(path, nullptr, 8);
    {
        auto it = f->begin();
        QFile grow(path);
        ASSERT_TRUE(grow.open(QIODevice::Append));
        grow.write("more\r\n");
        grow.close();
        const auto rest = [&] {
            while (it != f->end()) ++it;
        };
        EXPECT_THROW(rest(), common::ChainFileChanged);
    }

    QFile::remove(path);
    EXPECT_THROW(walkAll(*f), common::ChainFileError);
}

}  // namespace
