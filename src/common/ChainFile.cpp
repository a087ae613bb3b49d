#include "common/ChainFile.h"

#include "common/Cp1252.h"
#include "common/Numbers.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>

namespace common {

QByteArrayView ChainLine::raw(int pos, int len) const {
    const qsizetype start = pos - 1;
    if (start >= bytes_.size() || len <= 0) return {};
    return bytes_.sliced(start, std::min<qsizetype>(len, bytes_.size() - start));
}

QString ChainLine::text(const rec::Field& f) const { return fromCp1252(raw(f)); }
QString ChainLine::text(int pos, int len) const { return fromCp1252(raw(pos, len)); }

bool ChainLine::isTrimmed(const rec::Field& f, QByteArrayView value) const { return raw(f).trimmed() == value; }

bool ChainLine::numeric(const rec::Field& f) const { return isNumeric(raw(f)); }
double ChainLine::value(const rec::Field& f) const { return numericValue(raw(f)); }

namespace {

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

}  // namespace

// Splits a device into lines, reading it a chunk at a time. Lines end with
// CR LF, LF or CR alone; a byte-order mark at the start is dropped. The buffer
// holds one chunk, or the longest line when a line is longer than a chunk.
class ChainFile::Reader {
public:
    enum class Ending { None, CrLf, Lf, Cr };

    Reader(std::unique_ptr<QIODevice> device, qsizetype chunkSize, QString name,
           QCryptographicHash* digest = nullptr)
        : device_(std::move(device)),
          chunk_(std::max<qsizetype>(chunkSize, 1)),
          name_(std::move(name)),
          digest_(digest),
          buffer_(chunk_, Qt::Uninitialized) {}

    // Moves to the next line; false at the end of the file.
    bool next();

    QByteArrayView line() const { return line_; }
    int number() const { return number_; }
    Ending ending() const { return ending_; }
    bool droppedBom() const { return droppedBom_; }
    qint64 bytesRead() const { return bytesRead_; }

private:
    bool fill();
    bool produce(qsizetype end, Ending ending, qsizetype next) {
        line_ = QByteArrayView(buffer_.constData() + pos_, end - pos_);
        ending_ = ending;
        pos_ = next;
        ++number_;
        return true;
    }

    std::unique_ptr<QIODevice> device_;
    qsizetype chunk_;
    QString name_;
    QCryptographicHash* digest_;
    QByteArray buffer_;
    qsizetype pos_ = 0;        // start of the next line
    qsizetype end_ = 0;        // end of the bytes read
    qsizetype lf_ = -1;        // the first LF at or after pos_, once found
    qsizetype noLfUntil_ = 0;  // no LF between the searched start and here
    bool started_ = false;
    bool eof_ = false;
    bool droppedBom_ = false;
    qint64 bytesRead_ = 0;
    int number_ = 0;
    QByteArrayView line_;
    Ending ending_ = Ending::None;
};

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
    if (digest_) digest_->addData(QByteArrayView(buffer_.constData() + end_, n));
    end_ += n;
    bytesRead_ += n;
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
        }
    }
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

std::optional<ChainFile> ChainFile::load(const QString& path, QString* error, qsizetype chunkSize) {
    const QFileInfo info(path);
    if (!info.exists()) {
        if (error) *error = QStringLiteral("File %1 non esiste").arg(path);
        return std::nullopt;
    }
    auto device = std::make_unique<QFile>(path);
    if (!device->open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("File %1 non leggibile: %2").arg(path, device->errorString());
        return std::nullopt;
    }
    ChainFile f;
    f.path_ = path;
    f.chunkSize_ = chunkSize;
    f.size_ = info.size();
    f.modified_ = info.lastModified();

    QCryptographicHash digest(QCryptographicHash::Sha256);
    Reader reader(std::move(device), chunkSize, path, &digest);
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
    f.sha256_ = QCryptographicHash::hash(f.bytes_, QCryptographicHash::Sha256);
    Reader reader = f.memoryReader();
    f.scan(reader);
    return f;
}

// The loading pass: lines counted, and the oddities noted where first seen.
void ChainFile::scan(Reader& reader) {
    bool more = reader.next();
    if (reader.droppedBom()) notes_ << QStringLiteral("il file inizia con un BOM UTF-8, ignorato");
    bool lfOnly = false, crOnly = false, nul = false, undefinedByte = false;
    for (; more; more = reader.next()) {
        const int number = reader.number();
        if (reader.ending() == Reader::Ending::Lf && !lfOnly) {
            lfOnly = true;
            notes_ << QStringLiteral("riga %1: fine riga LF senza CR").arg(number);
        } else if (reader.ending() == Reader::Ending::Cr && !crOnly) {
            crOnly = true;
            notes_ << QStringLiteral("riga %1: fine riga CR senza LF").arg(number);
        }
        if (nul && undefinedByte) continue;
        for (const char c : reader.line()) {
            const auto b = static_cast<unsigned char>(c);
            if (b == 0 && !nul) {
                nul = true;
                notes_ << QStringLiteral("riga %1: byte NUL nel testo").arg(number);
            } else if (isUndefinedCp1252(b) && !undefinedByte) {
                undefinedByte = true;
                notes_ << QStringLiteral("riga %1: byte 0x%2 non valido in Windows-1252")
                              .arg(number)
                              .arg(b, 2, 16, QLatin1Char('0'));
            }
        }
    }
    lineCount_ = reader.number();
}

ChainFile::Reader ChainFile::memoryReader() const {
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes_);
    buffer->open(QIODevice::ReadOnly);
    return Reader(std::move(buffer), chunkSize_, QStringLiteral("(in memoria)"));
}

std::unique_ptr<ChainFile::Reader> ChainFile::open() const {
    if (path_.isEmpty()) return std::make_unique<Reader>(memoryReader());
    checkUnchanged(nullptr);
    auto device = std::make_unique<QFile>(path_);
    if (!device->open(QIODevice::ReadOnly)) {
        throw ChainFileError(
            QStringLiteral("Il file %1 non è leggibile: %2").arg(shown(path_), device->errorString()));
    }
    return std::make_unique<Reader>(std::move(device), chunkSize_, path_);
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

ChainLine ChainFile::Iterator::operator*() const { return ChainLine(reader_->number(), reader_->line()); }

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
