#include "common/ChainFile.h"

#include "common/Cp1252.h"
#include "common/Numbers.h"

#include <QFile>

namespace common {

QByteArrayView ChainLine::raw(int pos, int len) const {
    const qsizetype start = pos - 1;
    if (start >= bytes_.size() || len <= 0) return {};
    return bytes_.sliced(start, std::min<qsizetype>(len, bytes_.size() - start));
}

QString ChainLine::text(const rec::Field& f) const { return fromCp1252(raw(f)); }
QString ChainLine::text(int pos, int len) const { return fromCp1252(raw(pos, len)); }

bool ChainLine::isTrimmed(const rec::Field& f, QByteArrayView value) const {
    return raw(f).trimmed() == value;
}

bool ChainLine::numeric(const rec::Field& f) const { return isNumeric(raw(f)); }
double ChainLine::value(const rec::Field& f) const { return numericValue(raw(f)); }

std::optional<ChainFile> ChainFile::load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.exists()) {
        if (error) *error = QStringLiteral("File %1 non esiste").arg(path);
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("File %1 non leggibile: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return fromBytes(file.readAll());
}

ChainFile ChainFile::fromBytes(QByteArray bytes) {
    ChainFile f;
    f.data_ = std::move(bytes);
    const char* d = f.data_.constData();
    const qsizetype n = f.data_.size();
    qsizetype start = 0;
    if (n >= 3 && d[0] == '\xEF' && d[1] == '\xBB' && d[2] == '\xBF') {
        start = 3;
        f.notes_ << QStringLiteral("il file inizia con un BOM UTF-8, ignorato");
    }
    bool lfOnly = false, nul = false, undefinedByte = false;
    f.lines_.reserve(n / 200 + 1);
    qsizetype i = start;
    while (i < n) {
        const char* nl = static_cast<const char*>(memchr(d + i, '\n', n - i));
        qsizetype end = nl ? nl - d : n;
        qsizetype len = end - i;
        if (len > 0 && d[i + len - 1] == '\r') {
            --len;
        } else if (nl && !lfOnly) {
            lfOnly = true;
            f.notes_ << QStringLiteral("riga %1: fine riga LF senza CR").arg(f.lines_.size() + 1);
        }
        for (qsizetype k = i; k < i + len; ++k) {
            const auto b = static_cast<unsigned char>(d[k]);
            if (b == 0 && !nul) {
                nul = true;
                f.notes_ << QStringLiteral("riga %1: byte NUL nel testo").arg(f.lines_.size() + 1);
            } else if (isUndefinedCp1252(b) && !undefinedByte) {
                undefinedByte = true;
                f.notes_ << QStringLiteral("riga %1: byte 0x%2 non valido in Windows-1252")
                                .arg(f.lines_.size() + 1)
                                .arg(b, 2, 16, QLatin1Char('0'));
            }
        }
        f.lines_.push_back({i, len});
        i = nl ? end + 1 : n;
    }
    return f;
}

}  // namespace common
