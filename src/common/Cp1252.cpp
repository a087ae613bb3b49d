#include "common/Cp1252.h"

namespace common {

namespace {
// 0x80..0x9F; 0 marks a byte the code page leaves undefined.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

bool isUndefinedCp1252(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F && kHigh[byte - 0x80] == 0;
}

QString fromCp1252(QByteArrayView bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80 || b > 0x9F) {
            d[i] = QChar(b);
        } else {
            const char16_t u = kHigh[b - 0x80];
            d[i] = QChar(u ? u : 0xFFFD);
        }
    }
    return out;
}

QByteArray toCp1252(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(static_cast<char>(u));
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i)
            if (kHigh[i] == u && u != 0) mapped = static_cast<char>(0x80 + i);
        out.append(mapped);
    }
    return out;
}

}  // namespace common
