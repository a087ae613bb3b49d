#pragma once
// The chain's file: one record per line, in Windows-1252, columns counting
// bytes; or, when the chain's tool exported it in UTF-8, columns counting
// characters. It is read as a stream: loading makes one pass (line count,
// encoding, notes, size and digest), and every walk over its lines reads the
// file again from disk in chunks, so memory stays flat whatever the file's
// size. A walk over a file that changed since it was loaded fails rather than
// read another file.
#include "common/ChainRecords.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <utility>

namespace common {

// One line of the file. Its bytes belong to the walk that produced it and stay
// valid until that walk moves on: copy what must outlive the line.
class ChainLine {
public:
    ChainLine(int number, QByteArrayView bytes) : number_(number), bytes_(bytes) {}
    // A line of a UTF-8 file that holds multi-byte characters: `starts` gives
    // the byte where each character starts, then the line's size, so that
    // columns count characters.
    ChainLine(int number, QByteArrayView bytes, std::span<const int> starts)
        : number_(number), bytes_(bytes), starts_(starts) {}

    int number() const { return number_; }  // from 1, as an editor shows it
    QByteArrayView bytes() const { return bytes_; }
    // Columns on the line: bytes, or characters in a UTF-8 line.
    qsizetype columns() const { return starts_.empty() ? bytes_.size() : qsizetype(starts_.size()) - 1; }

    // The field's bytes; a line shorter than the field gives a short or empty field.
    QByteArrayView raw(int pos, int len) const;
    QByteArrayView raw(const rec::Field& f) const { return raw(f.pos, f.len); }
    // How many columns of the field the line holds (its whole width, or fewer
    // when the line ends inside it).
    int width(const rec::Field& f) const;

    // The field as text, unchanged: no trimming. A NUL byte is no text: it
    // reads as U+FFFD, as do the bytes Windows-1252 leaves undefined.
    QString text(const rec::Field& f) const;
    QString text(int pos, int len) const;
    // The field as a message shows it: a NUL byte written \0.
    QString shown(const rec::Field& f) const;

    // The field compared byte for byte, untrimmed.
    bool is(const rec::Field& f, QByteArrayView value) const { return raw(f) == value; }
    // The field compared after trimming blanks.
    bool isTrimmed(const rec::Field& f, QByteArrayView value) const;

    bool numeric(const rec::Field& f) const;
    // The line ends inside the field: some of its bytes are there, not all. A
    // number read from what is left would be a different number.
    bool cutShort(const rec::Field& f) const {
        const int n = width(f);
        return n > 0 && n < f.len;
    }
    double value(const rec::Field& f) const;  // 0 when not numeric

private:
    // The byte range of columns [pos, pos + len), clipped to the line.
    std::pair<qsizetype, qsizetype> span(int pos, int len) const;
    QString decode(QByteArrayView bytes, QStringView nul) const;

    int number_;
    QByteArrayView bytes_;
    std::span<const int> starts_;  // empty: one byte per column
};

// The file could not be read again: it vanished, a read failed, or it changed
// since it was loaded. The message, in Italian, names the file.
class ChainFileError : public std::runtime_error {
public:
    explicit ChainFileError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

class ChainFileChanged : public ChainFileError {
public:
    using ChainFileError::ChainFileError;
};

// How the file is read.
struct ReadLimits {
    static constexpr qint64 kDefaultMaxBytes = qint64(1) << 30;
    qint64 maxBytes = kDefaultMaxBytes;  // a larger file is refused
    qsizetype chunkSize = 1 << 20;       // each read from disk (small in tests)
};

class ChainFile {
    class Reader;

public:
    static constexpr qsizetype kChunkSize = ReadLimits().chunkSize;
    // No record reaches this far: the bytes of a longer line past it are not
    // kept, so that a file without line ends cannot fill the memory.
    static constexpr qsizetype kLongestLine = 64 * 1024;

    enum class Encoding { Windows1252, Utf8 };

    // Reads the file through once. Nullopt when it cannot be used: it does
    // not exist, is not a regular file (a folder, a pipe, a device), is larger
    // than the limit or cannot be opened; `error` then says which, naming the
    // file. ChainFileError when it changes while read.
    static std::optional<ChainFile> load(const QString& path, QString* error = nullptr, ReadLimits limits = {});
    // A file held in memory (tests, tools).
    static ChainFile fromBytes(QByteArray bytes, qsizetype chunkSize = kChunkSize);

    int lineCount() const { return lineCount_; }

    // Decided by the loading pass and kept for every walk: UTF-8 when the
    // file is valid UTF-8 and holds multi-byte characters, else Windows-1252.
    Encoding encoding() const { return encoding_; }

    // What was odd about the file as a whole (a byte-order mark that was
    // dropped, LF-only or CR-only line ends, NUL bytes, bytes undefined in
    // Windows-1252), each naming the first line where it was seen.
    const QStringList& notes() const { return notes_; }

    qint64 size() const { return size_; }                 // bytes
    const QByteArray& sha256() const { return sha256_; }  // of the file's bytes, as loaded
    const QString& path() const { return path_; }         // empty for a file held in memory

    // One walk over the lines. Move-only: each walk reads the file on its own.
    struct End {};
    class Iterator {
    public:
        Iterator(const ChainFile& file, std::unique_ptr<Reader> reader);
        Iterator(Iterator&&) noexcept;
        Iterator& operator=(Iterator&&) noexcept;
        ~Iterator();

        ChainLine operator*() const;
        Iterator& operator++();
        friend bool operator==(const Iterator& i, End) { return i.atEnd_; }
        friend bool operator!=(const Iterator& i, End) { return !i.atEnd_; }

    private:
        friend class ChainFile;
        void advance();

        const ChainFile* file_;
        std::unique_ptr<Reader> reader_;
        bool atEnd_ = false;
    };

    // A walk re-reads the file: ChainFileError when it vanished or cannot be
    // read, ChainFileChanged when its size or modification time differ from
    // the loaded file's.
    Iterator begin() const;
    End end() const { return {}; }

private:
    ChainFile() = default;
    void scan(Reader& reader);
    Reader memoryReader() const;
    std::unique_ptr<Reader> open() const;
    void checkUnchanged(const Reader* finished) const;

    QString path_;
    QByteArray bytes_;  // a file held in memory
    qsizetype chunkSize_ = kChunkSize;
    Encoding encoding_ = Encoding::Windows1252;
    qint64 size_ = 0;
    QDateTime modified_;
    QByteArray sha256_;
    int lineCount_ = 0;
    QStringList notes_;
};

}  // namespace common
