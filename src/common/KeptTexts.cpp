#include "common/KeptTexts.h"

#include <algorithm>

namespace common {

namespace {
// A text of digits: its value in the low 57 bits, its length above them, the top bit clear.
constexpr int kMaxDigits = 17;
constexpr int kLengthShift = 57;
// Any other text: the top bit set, the length in the 31 bits below it, the offset in the low 32 bits.
constexpr KeptTexts::Ref kOther = KeptTexts::Ref(1) << 63;

char16_t unitOf(QChar c) { return c.unicode(); }
char16_t unitOf(char c) { return static_cast<unsigned char>(c); }

template <class Text>
KeptTexts::Ref digitsOf(const Text& text) {
    if (text.size() > kMaxDigits) return KeptTexts::kNull;
    KeptTexts::Ref value = 0;
    for (const auto c : text) {
        const char16_t unit = unitOf(c);
        if (unit < u'0' || unit > u'9') return KeptTexts::kNull;
        value = value * 10 + KeptTexts::Ref(unit - u'0');
    }
    return value | (KeptTexts::Ref(text.size()) << kLengthShift);
}
}  // namespace

KeptTexts::Ref KeptTexts::digits(QStringView text) { return digitsOf(text); }
KeptTexts::Ref KeptTexts::digits(std::string_view ascii) { return digitsOf(ascii); }

KeptTexts::Ref KeptTexts::keep(const QString& text, bool shared) {
    if (text.isNull()) return kNull;
    if (const Ref d = digits(text); d != kNull) return d;
    const QByteArray utf8 = text.toUtf8();
    return keepBytes(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())), shared);
}

KeptTexts::Ref KeptTexts::keepAscii(std::string_view text, bool shared) {
    if (const Ref d = digits(text); d != kNull) return d;
    return keepBytes(text, shared);
}

KeptTexts::Ref KeptTexts::keepBytes(std::string_view utf8, bool shared) {
    const size_t n = utf8.size();
    if (shared) {
        if (const auto it = shared_.find(utf8); it != shared_.end()) return it->second;
    }
    if (chunks_.empty() || used_ + n > (size_t(1) << kChunkBits)) {
        if (n > (size_t(1) << kChunkBits) || chunks_.size() == kChunks) {
            full_ = true;
            return kNull;
        }
        chunks_.push_back(std::make_unique<char[]>(size_t(1) << kChunkBits));
        used_ = 0;
    }
    char* at = chunks_.back().get() + used_;
    std::copy_n(utf8.data(), n, at);
    const Ref ref = kOther | (Ref(n) << 32) | ((Ref(chunks_.size() - 1) << kChunkBits) | used_);
    used_ += n;
    if (shared) shared_.emplace(std::string_view(at, n), ref);
    return ref;
}

std::string_view KeptTexts::bytes(Ref ref) const {
    const quint32 offset = static_cast<quint32>(ref);
    const size_t length = static_cast<size_t>((ref & ~kOther) >> 32);
    return {chunks_[offset >> kChunkBits].get() + (offset & ((1u << kChunkBits) - 1)), length};
}

QString KeptTexts::text(Ref ref) const {
    if (ref == kNull) return {};
    if (!isDigits(ref)) {
        const std::string_view b = bytes(ref);
        return QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size()));
    }
    const int length = static_cast<int>(ref >> kLengthShift);
    Ref value = ref & ((Ref(1) << kLengthShift) - 1);
    QString out(length, QLatin1Char('0'));
    for (int i = length - 1; i >= 0 && value; --i, value /= 10) out[i] = QLatin1Char(char('0' + value % 10));
    return out;
}

void KeptTexts::settle() { shared_ = {}; }

}  // namespace common
