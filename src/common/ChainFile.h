#pragma once
// The chain's file, read once into memory: Windows-1252 bytes, one record per
// line, columns counting bytes. Stages walk its lines as often as they need
// without touching the disk again.
#include "common/ChainRecords.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace common {

class ChainLine {
public:
    ChainLine(int number, QByteArrayView bytes) : number_(number), bytes_(bytes) {}

    int number() const { return number_; }  // from 1, as an editor shows it
    QByteArrayView bytes() const { return bytes_; }

    // The field's bytes; a line shorter than the field gives a short or empty field.
    QByteArrayView raw(int pos, int len) const;
    QByteArrayView raw(const rec::Field& f) const { return raw(f.pos, f.len); }

    // The field as text (Windows-1252 decoded), unchanged: no trimming.
    QString text(const rec::Field& f) const;
    QString text(int pos, int len) const;

    // The field compared byte for byte, untrimmed.
    bool is(const rec::Field& f, QByteArrayView value) const { return raw(f) == value; }
    // The field compared after trimming blanks.
    bool isTrimmed(const rec::Field& f, QByteArrayView value) const;

    bool numeric(const rec::Field& f) const;
    // The line ends inside the field: some of its bytes are there, not all. A
    // number read from what is left would be a different number.
    bool cutShort(const rec::Field& f) const {
        const qsizetype n = raw(f).size();
        return n > 0 && n < f.len;
    }
    double value(const rec::Field& f) const;  // 0 when not numeric

private:
    int number_;
    QByteArrayView bytes_;
};

class ChainFile {
public:
    // Reads the whole file. Nullopt when it does not exist or cannot be read
    // (`error` says which).
    static std::optional<ChainFile> load(const QString& path, QString* error = nullptr);
    static ChainFile fromBytes(QByteArray bytes);

    int lineCount() const { return static_cast<int>(lines_.size()); }
    ChainLine line(int index) const {  // index from 0
        const auto& l = lines_[index];
        return ChainLine(index + 1, QByteArrayView(data_.constData() + l.offset, l.length));
    }

    // What was odd about the file as a whole (a byte-order mark that was
    // dropped, LF-only line ends, NUL bytes, bytes undefined in Windows-1252),
    // each naming the first line where it was seen.
    const QStringList& notes() const { return notes_; }

    struct Iterator {
        const ChainFile* file;
        int index;
        ChainLine operator*() const { return file->line(index); }
        Iterator& operator++() { ++index; return *this; }
        bool operator!=(const Iterator& o) const { return index != o.index; }
    };
    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, lineCount()}; }

private:
    struct Span {
        qsizetype offset;
        qsizetype length;
    };
    QByteArray data_;
    std::vector<Span> lines_;
    QStringList notes_;
};

}  // namespace common
