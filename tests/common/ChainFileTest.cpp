#include "RecordBuilder.h"
#include "common/ChainFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

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
            const std::optional<ChainFile> disk = ChainFile::load(path, nullptr, {.chunkSize = chunk});
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
    const auto f = ChainFile::load(path, nullptr, {.chunkSize = 100});
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
    f = ChainFile::load(path, nullptr, {.chunkSize = 8});
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

// The encoding is decided once, by the loading pass: UTF-8 only for a file
// that is valid UTF-8 throughout and holds a multi-byte character. Columns
// then count characters, so the fields of a line with accented letters stay
// where the layout puts them.
TEST(ChainFile, Utf8ReadByCharactersOnlyWhenValidThroughout) {
    const QByteArray accented = "QUALIT\xC3\x80 12";  // "QUALITÀ 12" in UTF-8
    const struct {
        const char* name;
        QByteArray bytes;
        bool utf8;
        QString firstLine;  // columns 1-20 of line 1 as text
        QString field;      // columns 9-10 of line 1
    } rows[] = {
        {"UTF-8", accented + "\r\nplain\r\n", true, QString::fromUtf8("QUALITÀ 12"), "12"},
        {"UTF-8 after a byte-order mark", "\xEF\xBB\xBF" + accented, true, QString::fromUtf8("QUALITÀ 12"), "12"},
        {"four-byte character", "\xF0\x9F\x8D\x9D ab", true, QString::fromUtf8("🍝 ab"), ""},
        {"ASCII only", "QUALITA 12\r\n", false, "QUALITA 12", "12"},
        {"Windows-1252", "QUALIT\xC0 12", false, QString::fromUtf8("QUALITÀ 12"), "12"},
        {"UTF-8, then a Windows-1252 line", accented + "\r\ncaff\xE8\r\n", false, QString::fromUtf8("QUALITÃ€ 12"),
         " 1"},
        {"overlong form", "\xC0\xAF 12", false, QString::fromUtf8("À¯ 12"), ""},
        {"surrogate", "\xED\xA0\x80 12", false, QString::fromUtf8("í\u00A0€ 12"), ""},
        {"cut short at the line's end", "ab\xC3\r\n", false, QString::fromUtf8("abÃ"), ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ChainFile f = ChainFile::fromBytes(row.bytes, 3);
        EXPECT_EQ(f.encoding() == ChainFile::Encoding::Utf8, row.utf8);
        for (const ChainLine line : f) {
            EXPECT_EQ(line.text(1, 20), row.firstLine);
            EXPECT_EQ(line.text(9, 2), row.field);
            break;
        }
    }
}

TEST(ChainFile, Utf8FieldsLineUpAndAreCutByCharacters) {
    const QByteArray line = QStringLiteral("%1").arg(QString::fromUtf8("ÈÈÈ"), -10).toUtf8() + "0000012345";
    const ChainFile f = ChainFile::fromBytes(line + "\r\n" + line.left(16) + "\r\n");
    ASSERT_EQ(f.encoding(), ChainFile::Encoding::Utf8);
    const rec::Field number{"number", 11, 10};
    QList<int> widths;
    for (const ChainLine l : f) {
        widths << l.width(number);
        if (l.number() == 1) {
            EXPECT_EQ(l.value(number), 12345);
            EXPECT_EQ(l.columns(), 20);
            EXPECT_EQ(l.text(rec::Field{"d", 1, 10}), QString::fromUtf8("ÈÈÈ       "));
        } else {
            EXPECT_TRUE(l.cutShort(number));
            EXPECT_EQ(l.raw(number), "000");
        }
    }
    EXPECT_EQ(widths, (QList<int>{10, 3}));
}

// A NUL byte reads as U+FFFD, as the bytes Windows-1252 leaves undefined, and
// a message shows it as \0; in a UTF-8 line too.
TEST(ChainFile, NulIsNoText) {
    const rec::Field f{"f", 1, 6};
    const QByteArray bytes("A\0B\x81", 4);  // the line is a view: its bytes must outlive it
    const ChainLine plain(1, bytes);
    EXPECT_EQ(plain.text(f), QStringLiteral("A\uFFFDB\uFFFD"));
    EXPECT_EQ(plain.shown(f), QStringLiteral("A\\0B\uFFFD"));
    const ChainFile utf8 = ChainFile::fromBytes(QByteArray("\xC3\x80\0B", 4));
    for (const ChainLine l : utf8) {
        EXPECT_EQ(l.text(f), QString::fromUtf8("À\uFFFDB"));
        EXPECT_EQ(l.shown(f), QString::fromUtf8("À\\0B"));
    }
}

// A line far longer than any record keeps its first kLongestLine bytes, so
// that a file without line ends cannot fill the memory; the lines after it
// are read as usual, and the digest covers every byte.
TEST(ChainFile, ALineLongerThanAnyRecordIsCut) {
    const QByteArray huge(3 * ChainFile::kLongestLine + 5, 'A');
    const QByteArray bytes = "first\r\n" + huge + "\r\nlast";
    for (const qsizetype chunk : {qsizetype(1000), ChainFile::kChunkSize}) {
        const ChainFile f = ChainFile::fromBytes(bytes, chunk);
        EXPECT_EQ(f.lineCount(), 3);
        const QList<QByteArray> lines = linesOf(f);
        ASSERT_EQ(lines.size(), 3);
        EXPECT_EQ(lines[0], "first");
        EXPECT_EQ(lines[1].size(), ChainFile::kLongestLine);
        EXPECT_EQ(lines[2], "last");
        EXPECT_EQ(f.sha256(), QCryptographicHash::hash(bytes, QCryptographicHash::Sha256));
    }
}

// What cannot be the chain's file is never opened: a folder, a pipe (opening
// it would wait for a writer), a device; a file over the size limit is refused.
TEST(ChainFile, OnlyARegularFileWithinTheLimitIsRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath("acq_var.txt");
    const struct {
        const char* name;
        std::function<void()> make;
        qint64 maxBytes;
        const char* error;  // empty: loaded
    } rows[] = {
        {"regular file", [&] { write(path, "0123456789"); }, 10, ""},
        {"one byte over the limit", [&] { write(path, "0123456789"); }, 9, "troppo grande"},
        {"folder", [&] { QDir().mkpath(path); }, 10, "è una cartella, non un file"},
        {"pipe", [&] { ::mkfifo(QFile::encodeName(path).constData(), 0600); }, 10, "è una pipe (FIFO), non un file"},
        {"device through a link", [&] { QFile::link("/dev/null", path); }, 10, "è un dispositivo a caratteri"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(path);
        QDir().rmdir(path);
        row.make();
        QString error;
        const std::optional<ChainFile> f = ChainFile::load(path, &error, {.maxBytes = row.maxBytes});
        EXPECT_EQ(f.has_value(), *row.error == 0);
        if (*row.error) {
            EXPECT_TRUE(error.contains(QString::fromUtf8(row.error))) << error.toStdString();
            EXPECT_TRUE(error.contains(path)) << error.toStdString();
        }
    }
}

}  // namespace
