#pragma once
// Texts of a table read once and held for the whole stage, in eight bytes
// each: a text of up to 17 digits (nearly every barcode) is kept as its number
// with its length, so leading zeros come back exactly; any other text is kept
// as UTF-8 in chunks that never move, by offset and length. A table of
// 200,000 rows then takes a few megabytes instead of a string per field.
#include <QString>
#include <QStringView>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace common {

class KeptTexts {
public:
    // A kept text. Equal digit texts have equal handles; two other texts are
    // equal when their bytes are.
    using Ref = quint64;
    static constexpr Ref kNull = ~Ref(0);

    // The handle of a text of digits, without keeping anything; kNull for any other text.
    static Ref digits(QStringView text);
    static Ref digits(std::string_view ascii);
    static bool isDigits(Ref ref) { return (ref >> 63) == 0; }

    // Keeps the text (a null text stays Null). Repeated texts of a column with
    // few values (a group, a unit) are kept once when `shared`.
    Ref keep(const QString& text, bool shared = false);
    // The same for a text known to be plain ASCII, given as its bytes.
    Ref keepAscii(std::string_view text, bool shared = false);
    // What was kept: a null QString for Null, an empty one for an empty text.
    QString text(Ref ref) const;
    // The UTF-8 of a text that is not made of digits.
    std::string_view bytes(Ref ref) const;

    // True when the texts passed the bytes this holder may take (or a single
    // text passed a chunk): the table is then better not held.
    bool full() const { return full_; }
    // Reading is over: lets go of what only served to share repeated texts.
    void settle();

private:
    Ref keepBytes(std::string_view utf8, bool shared);
    static constexpr int kChunkBits = 20;                            // 1 MB chunks
    static constexpr size_t kChunks = 64;                            // at most 64 MB of texts
    std::vector<std::unique_ptr<char[]>> chunks_;
    size_t used_ = 0;  // in the last chunk
    std::unordered_map<std::string_view, Ref> shared_;
    bool full_ = false;
};

}  // namespace common
