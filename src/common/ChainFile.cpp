#include "common/ChainFile.h"

#include "common/Cp1252.h"
#include "common/Numbers.h"
#include "common/Sha256.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <vector>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace common {

std::pair<qsizetype, qsizetype> ChainLine::span(int pos, int len) const {
    const qsizetype start = pos - 1;
    if (start >= columns() || start < 0 || len <= 0) return {0, 0};
    const qsizetype end = std::min<qsizetype>(start + len, columns());
    if (starts_.empty()) return {start, end};
    return {starts_[start], starts_[end]};
}

QByteArrayView ChainLine::raw(int pos, int len) const {
    const auto [from, to] = span(pos, len);
    return bytes_.sliced(from, to - from);
}

int ChainLine::width(const rec::Field& f) const {
    const qsizetype start = f.pos - 1;
    if (start >= columns() || start < 0) return 0;
    return int(std::min<qsizetype>(f.len, columns() - start));
}

// The bytes as text, a NUL written as `nul`.
QString ChainLine::decode(QByteArrayView bytes, QStringView nul) const {
    const auto text = [this](QByteArrayView b) { return starts_.empty() ? fromCp1252(b) : QString::fromUtf8(b); };
    if (!bytes.contains('\0')) return text(bytes);
    QString out;
    for (qsizetype i = 0;;) {
        const qsizetype at = bytes.indexOf('\0', i);
        out += text(bytes.sliced(i, (at < 0 ? bytes.size() : at) - i));
        if (at < 0) return out;
        out += nul;
        i = at + 1;
    }
}

QString ChainLine::text(const rec::Field& f) const { return text(f.pos, f.len); }
QString ChainLine::text(int pos, int len) const { return decode(raw(pos, len), u"\uFFFD"); }
QString ChainLine::shown(const rec::Field& f) const { return decode(raw(f), u"\\0"); }

bool ChainLine::isTrimmed(const rec::Field& f, QByteArrayView value) const { return raw(f).trimmed() == value; }

bool ChainLine::numeric(const rec::Field& f) const { return isNumeric(raw(f)); }
double ChainLine::value(const rec::Field& f) const { return numericValue(raw(f)); }

namespace {

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

// The first byte at or after `from` that is not ASCII, or the size; eight bytes at a time.
qsizetype firstHighByte(QByteArrayView bytes, qsizetype from = 0) {
    const char* p = bytes.data();
    qsizetype i = from;
    for (; i + 8 <= bytes.size(); i += 8) {
        quint64 word;
        std::memcpy(&word, p + i, 8);
        if (word & 0x8080808080808080ULL) break;
    }
    for (; i < bytes.size(); ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80) return i;
    return bytes.size();
}

// Valid UTF-8 from `from` on: no overlong forms, no surrogates, nothing past
// U+10FFFF. `multiByte` is set when a character takes more than one byte.
bool validUtf8(QByteArrayView bytes, qsizetype from, bool& multiByte) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = firstHighByte(bytes, from); i < size;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        multiByte = true;
        int more = 0;
        unsigned char low = 0x80, high = 0xBF;  // the second byte's range
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            if (b == 0xE0) low = 0xA0;
            if (b == 0xED) high = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            if (b == 0xF0) low = 0x90;
            if (b == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (size - i <= more || p[i + 1] < low || p[i + 1] > high) return false;
        for (int k = 2; k <= more; ++k)
            if ((p[i + k] & 0xC0) != 0x80) return false;
        i += more + 1;
    }
    return true;
}

// What the path names when it is not a regular file ("è una cartella, non un file"); empty
// for a regular file. Links are followed.
QString notARegularFile(const QString& path) {
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};  // opening it will say why
    if (S_ISREG(st.st_mode)) return {};
    if (S_ISDIR(st.st_mode)) return QStringLiteral("è una cartella, non un file");
    if (S_ISFIFO(st.st_mode)) return QStringLiteral("è una pipe (FIFO), non un file");
    if (S_ISCHR(st.st_mode)) return QStringLiteral("è un dispositivo a caratteri, non un file");
    if (S_ISBLK(st.st_mode)) return QStringLiteral("è un dispositivo a blocchi, non un file");
    if (S_ISSOCK(st.st_mode)) return QStringLiteral("è un socket, non un file");
    return QStringLiteral("non è un file normale");
#else
    const QFileInfo info(path);
    if (info.isDir()) return QStringLiteral("è una cartella, non un file");
    return info.isFile() ? QString() : QStringLiteral("non è un file normale");
#endif
}

}  // namespace

// Splits a device into lines, reading it a chunk at a time. Lines end with
// CR LF, LF or CR alone; a byte-order mark at the start is dropped. The buffer
// holds one chunk, or a line longer than a chunk up to kLongestLine bytes.
class ChainFile::Reader {
public:
    enum class Ending { None, CrLf, Lf, Cr };

    Reader(std::unique_ptr<QIODevice> device, qsizetype chunkSize, QString name, bool utf8,
           Sha256* digest = nullptr)
        : device_(std::move(device)),
          chunk_(std::max<qsizetype>(chunkSize, 1)),
          name_(std::move(name)),
          utf8_(utf8),
          digest_(digest),
          buffer_(chunk_, Qt::Uninitialized) {}

    // Moves to the next line; false at the end of the file.
    bool next();

    QByteArrayView line() const { return line_; }
    // Where each character of a UTF-8 line starts; empty for a line of one byte per character.
    std::span<const int> starts() const { return starts_; }
    int number() const { return number_; }
    Ending ending() const { return ending_; }
    bool droppedBom() const { return droppedBom_; }
    qint64 bytesRead() const { return bytesRead_; }

private:
    bool fill();
    bool skipRestOfLine();
    bool produce(qsizetype end, Ending ending, qsizetype next);

    std::unique_ptr<QIODevice> device_;
    qsizetype chunk_;
    QString name_;
    bool utf8_;
    Sha256* digest_;
    QByteArray buffer_;
    qsizetype pos_ = 0;        // start of the next line
    qsizetype end_ = 0;        // end of the bytes read
    qsizetype lf_ = -1;        // the first LF at or after pos_, once found
    qsizetype noLfUntil_ = 0;  // no LF between the searched start and here
    bool started_ = false;
    bool eof_ = false;
    bool droppedBom_ = false;
    bool skipping_ = false;  // the rest of a line longer than kLongestLine is still to pass
    qint64 bytesRead_ = 0;
    int number_ = 0;
    QByteArrayView line_;
    std::vector<int> starts_;
    Ending ending_ = Ending::None;
};

bool ChainFile::Reader::produce(qsizetype end, Ending ending, qsizetype next) {
    // A line past kLongestLine keeps its first bytes, cut at a character's
    // start should the file be UTF-8.
    if (end - pos_ > kLongestLine) {
        end = pos_ + kLongestLine;
        for (int back = 0; back < 3 && (static_cast<unsigned char>(buffer_[end]) & 0xC0) == 0x80; ++back) --end;
    }
    line_ = QByteArrayView(buffer_.constData() + pos_, end - pos_);
    ending_ = ending;
    pos_ = next;
    ++number_;
    starts_.clear();
    if (utf8_ && firstHighByte(line_) < line_.size()) {
        for (qsizetype i = 0; i < line_.size(); ++i)
            if ((static_cast<unsigned char>(line_[i]) & 0xC0) != 0x80) starts_.push_back(int(i));
        starts_.push_back(int(line_.size()));
    }
    return true;
}

// Keeps the bytes not yet split, moved to the front, and reads the next chunk
// after them; the buffer grows only for a line longer than what it holds.
bool ChainFile::Reader::fill() {
    if (eof_) return false;
    if (pos_ > 0) {
        std::memmove(buffer_.data(), buffer_.constData() + pos_, end_ - pos_);
        end_ -= pos_;
        lf_ = lf_ >= pos_ ? lf_ - pos_ : -1;
        noLfUntil_ = std::max<qsizetype>(0, noLfUntil_ - pos_);
        pos_ = 0;
    }
    if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
    const qint64 n = device_->read(buffer_.data() + end_, std::min<qsizetype>(chunk_, buffer_.size() - end_));
    if (n < 0) {
        throw ChainFileError(
            QStringLiteral("Errore di lettura del file %1: %2").arg(shown(name_), device_->errorString()));
    }
    if (n == 0) {
        eof_ = true;
        return false;
    }
    if (digest_) digest_->add(QByteArrayView(buffer_.constData() + end_, n));
    end_ += n;
    bytesRead_ += n;
    return true;
}

// Passes over what is left of a line cut at kLongestLine, up to and including
// its line end; false when the file ends first.
bool ChainFile::Reader::skipRestOfLine() {
    for (;;) {
        const char* d = buffer_.constData();
        const auto* lf = static_cast<const char*>(std::memchr(d + pos_, '\n', end_ - pos_));
        const qsizetype limit = lf ? lf - d : end_;
        const auto* cr = static_cast<const char*>(std::memchr(d + pos_, '\r', limit - pos_));
        if (cr && (cr - d + 1 < end_ || eof_)) {
            pos_ = cr - d + 1 + (cr - d + 1 < end_ && d[cr - d + 1] == '\n');
            break;
        }
        if (!cr && lf) {
            pos_ = lf - d + 1;
            break;
        }
        pos_ = cr ? cr - d : end_;  // a CR as the last byte read may be the first half of a CR LF
        if (!fill()) {
            pos_ = end_;
            skipping_ = false;
            return false;
        }
    }
    skipping_ = false;
    lf_ = -1;
    noLfUntil_ = pos_;
    return true;
}

bool ChainFile::Reader::next() {
    if (!started_) {
        started_ = true;
        while (end_ < 3 && fill()) {
        }
        if (end_ >= 3 && std::memcmp(buffer_.constData(), "\xEF\xBB\xBF", 3) == 0) {
            pos_ = 3;
            droppedBom_ = true;
            noLfUntil_ = 3;
        }
    }
    if (skipping_ && !skipRestOfLine()) return false;
    qsizetype from = pos_;  // bytes before it hold no line end
    for (;;) {
        const char* d = buffer_.constData();
        if (lf_ < from && noLfUntil_ < end_) {
            const qsizetype start = std::max(from, noLfUntil_);
            const void* p = std::memchr(d + start, '\n', end_ - start);
            if (p) {
                lf_ = static_cast<const char*>(p) - d;
            } else {
                lf_ = -1;
                noLfUntil_ = end_;
            }
        }
        const qsizetype lf = lf_ >= from ? lf_ : -1;
        const qsizetype limit = lf >= 0 ? lf : end_;
        const void* c = std::memchr(d + from, '\r', limit - from);
        const qsizetype cr = c ? static_cast<const char*>(c) - d : -1;
        // A CR as the last byte read may be the first half of a CR LF.
        if (cr >= 0 && (cr + 1 < end_ || eof_)) {
            if (cr + 1 < end_ && d[cr + 1] == '\n') return produce(cr, Ending::CrLf, cr + 2);
            return produce(cr, Ending::Cr, cr + 1);
        }
        if (cr < 0 && lf >= 0) return produce(lf, Ending::Lf, lf + 1);

        // A line past kLongestLine with no end in sight: its first bytes are
        // the line, the rest is passed over when the walk moves on.
        if (cr < 0 && end_ - pos_ > kLongestLine) {
            skipping_ = true;
            return produce(end_, Ending::None, end_);
        }

        // Nothing ends the line in the bytes read: read on, and search on from
        // where this search stopped (the CR, if one waits for its LF).
        const qsizetype searched = (cr >= 0 ? cr : end_) - pos_;
        const bool more = fill();
        from = pos_ + searched;
        if (!more && cr < 0) {
            if (pos_ < end_) return produce(end_, Ending::None, end_);  // a last line without line end
            return false;
        }
    }
}

std::optional<ChainFile> ChainFile::load(const QString& path, QString* error, ReadLimits limits) {
    const auto fail = [&](const QString& message) {
        if (error) *error = message;
        return std::nullopt;
    };
    const QFileInfo info(path);
    if (!info.exists()) return fail(QStringLiteral("File %1 non esiste").arg(shown(path)));
    // Opening a pipe would wait for a writer, and a device never ends: what
    // is not a regular file is named and never opened.
    if (const QString what = notARegularFile(path); !what.isEmpty())
        return fail(QStringLiteral("File %1 non utilizzabile: %2.").arg(shown(path), what));
    if (info.size() > limits.maxBytes) {
        const auto mb = [](qint64 bytes) { return (bytes + (1 << 20) - 1) >> 20; };
        return fail(QStringLiteral("File %1 troppo grande: %2 MB, oltre il limite di %3 MB. Non elaborato.")
                        .arg(shown(path))
                        .arg(mb(info.size()))
                        .arg(limits.maxBytes >> 20));
    }
    auto device = std::make_unique<QFile>(path);
    if (!device->open(QIODevice::ReadOnly))
        return fail(QStringLiteral("File %1 non leggibile: %2").arg(shown(path), device->errorString()));
    ChainFile f;
    f.path_ = path;
    f.chunkSize_ = limits.chunkSize;
    f.size_ = info.size();
    f.modified_ = info.lastModified();

    Sha256 digest;
    Reader reader(std::move(device), limits.chunkSize, path, false, &digest);
    f.scan(reader);
    f.sha256_ = digest.result();
    f.checkUnchanged(&reader);
    return f;
}

ChainFile ChainFile::fromBytes(QByteArray bytes, qsizetype chunkSize) {
    ChainFile f;
    f.bytes_ = std::move(bytes);
    f.chunkSize_ = chunkSize;
    f.size_ = f.bytes_.size();
    Sha256 digest;
    digest.add(f.bytes_);
    f.sha256_ = digest.result();
    Reader reader = f.memoryReader();
    f.scan(reader);
    return f;
}

// The loading pass: lines counted, the encoding decided, and the oddities
// noted where first seen.
void ChainFile::scan(Reader& reader) {
    bool more = reader.next();
    if (reader.droppedBom()) notes_ << QStringLiteral("il file inizia con un BOM UTF-8, ignorato");
    bool lfOnly = false, crOnly = false, nul = false;
    bool utf8 = true, multiByte = false;
    int undefinedLine = 0;  // the first line with a byte Windows-1252 leaves undefined
    unsigned char undefinedByte = 0;
    for (; more; more = reader.next()) {
        const int number = reader.number();
        const QByteArrayView line = reader.line();
        if (reader.ending() == Reader::Ending::Lf && !lfOnly) {
            lfOnly = true;
            notes_ << QStringLiteral("riga %1: fine riga LF senza CR").arg(number);
        } else if (reader.ending() == Reader::Ending::Cr && !crOnly) {
            crOnly = true;
            notes_ << QStringLiteral("riga %1: fine riga CR senza LF").arg(number);
        }
        if (!nul && line.contains('\0')) {
            nul = true;
            notes_ << QStringLiteral("riga %1: byte NUL nel testo").arg(number);
        }
        const qsizetype high = firstHighByte(line);
        if (high == line.size()) continue;
        if (utf8) utf8 = validUtf8(line, high, multiByte);
        for (qsizetype i = high; undefinedLine == 0 && i < line.size(); ++i) {
            const auto b = static_cast<unsigned char>(line[i]);
            if (isUndefinedCp1252(b)) {
                undefinedLine = number;
                undefinedByte = b;
            }
        }
    }
    lineCount_ = reader.number();
    encoding_ = utf8 && multiByte ? Encoding::Utf8 : Encoding::Windows1252;
    if (encoding_ == Encoding::Windows1252 && undefinedLine != 0) {
        notes_ << QStringLiteral("riga %1: byte 0x%2 non valido in Windows-1252")
                      .arg(undefinedLine)
                      .arg(undefinedByte, 2, 16, QLatin1Char('0'));
    }
}

ChainFile::Reader ChainFile::memoryReader() const {
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes_);
    buffer->open(QIODevice::ReadOnly);
    return Reader(std::move(buffer), chunkSize_, QStringLiteral("(in memoria)"), encoding_ == Encoding::Utf8);
}

std::unique_ptr<ChainFile::Reader> ChainFile::open() const {
    if (path_.isEmpty()) return std::make_unique<Reader>(memoryReader());
    checkUnchanged(nullptr);
    auto device = std::make_unique<QFile>(path_);
    if (!device->open(QIODevice::ReadOnly)) {
        throw ChainFileError(
            QStringLiteral("Il file %1 non è leggibile: %2").arg(shown(path_), device->errorString()));
    }
    return std::make_unique<Reader>(std::move(device), chunkSize_, path_, encoding_ == Encoding::Utf8);
}

// A walk reads the file that was loaded, or nothing: the same size and
// modification time before it starts, and the same bytes and lines at its end.
void ChainFile::checkUnchanged(const Reader* finished) const {
    if (path_.isEmpty()) return;
    const QFileInfo now(path_);
    if (!now.exists())
        throw ChainFileError(
            QStringLiteral("Il file %1 non esiste più: elaborazione interrotta.").arg(shown(path_)));
    const bool same = now.size() == size_ && now.lastModified() == modified_ &&
                      (!finished || (finished->bytesRead() == size_ && finished->number() == lineCount_));
    if (!same) {
        throw ChainFileChanged(QStringLiteral("Il file %1 è cambiato durante l'elaborazione (dimensione o data di "
                                              "modifica diverse dalla prima lettura): elaborazione interrotta. "
                                              "Rieseguire l'elaborazione quando il file è completo.")
                                   .arg(shown(path_)));
    }
}

ChainFile::Iterator ChainFile::begin() const {
    Iterator it(*this, open());
    it.advance();
    return it;
}

ChainFile::Iterator::Iterator(const ChainFile& file, std::unique_ptr<Reader> reader)
    : file_(&file), reader_(std::move(reader)) {}
ChainFile::Iterator::Iterator(Iterator&&) noexcept = default;
ChainFile::Iterator& ChainFile::Iterator::operator=(Iterator&&) noexcept = default;
ChainFile::Iterator::~Iterator() = default;

ChainLine ChainFile::Iterator::operator*() const {
    return ChainLine(reader_->number(), reader_->line(), reader_->starts());
}

ChainFile::Iterator& ChainFile::Iterator::operator++() {
    advance();
    return *this;
}

void ChainFile::Iterator::advance() {
    if (reader_->next()) return;
    atEnd_ = true;
    file_->checkUnchanged(reader_.get());
    reader_.reset();  // the buffer goes with the walk
}

}  // namespace common
