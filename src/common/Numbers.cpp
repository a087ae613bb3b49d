#include "common/Numbers.h"

#include <QLocale>
#include <charconv>
#include <cmath>
#include <string>

namespace common {

namespace {

template <typename Char>
bool numericChars(const Char* p, qsizetype n) {
    qsizetype i = 0;
    while (i < n && (p[i] == ' ' || p[i] == '\t')) ++i;
    while (n > i && (p[n - 1] == ' ' || p[n - 1] == '\t')) --n;
    if (i < n && (p[i] == '+' || p[i] == '-')) ++i;
    int digits = 0;
    bool point = false;
    for (; i < n; ++i) {
        const auto c = p[i];
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits > 0;
}

// The text of a numeric field, trimmed, as plain ASCII for from_chars.
std::string asciiNumber(QStringView text) {
    std::string s;
    s.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == ' ' || u == '\t' || u == '+') continue;
        s.push_back(static_cast<char>(u));
    }
    return s;
}

double parseDouble(const std::string& s) {
    double v = 0;
    const char* b = s.data();
    const char* e = b + s.size();
    std::from_chars(b, e, v);
    return v;
}

}  // namespace

bool isNumeric(QStringView text) { return numericChars(text.utf16(), text.size()); }
bool isNumeric(QByteArrayView text) { return numericChars(text.data(), text.size()); }

double numericValue(QStringView text) {
    if (!isNumeric(text)) return 0;
    return parseDouble(asciiNumber(text));
}

double numericValue(QByteArrayView text) {
    if (!isNumeric(text)) return 0;
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '+') s.push_back(c);
    return parseDouble(s);
}

qint64 wholeValue(QStringView text, bool* ok) {
    // Codes and counts of the chain's file are plain digits, blank-padded:
    // those are read straight, with the result the general reading gives.
    qsizetype b = 0, e = text.size();
    while (b < e && (text[b] == u' ' || text[b] == u'\t')) ++b;
    while (e > b && (text[e - 1] == u' ' || text[e - 1] == u'\t')) --e;
    if (e > b && e - b <= 18) {
        qint64 digits = 0;
        qsizetype i = b;
        for (; i < e && text[i] >= u'0' && text[i] <= u'9'; ++i) digits = digits * 10 + (text[i].unicode() - u'0');
        if (i == e) {
            const bool fits = digits <= 2147483647;
            if (ok) *ok = fits;
            return fits ? digits : 0;
        }
    }
    const double v = roundHalfEven(numericValue(text), 0);
    const bool fits = v >= -2147483648.0 && v <= 2147483647.0;
    if (ok) *ok = fits && isNumeric(text);
    return fits ? static_cast<qint64>(v) : 0;
}

QString shortestText(double value) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return QString::fromLatin1(buf, r.ptr - buf);
}

double roundHalfEven(double value, int decimals) {
    if (!std::isfinite(value)) return value;
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    std::string s(buf, r.ptr);
    bool negative = false;
    if (!s.empty() && s[0] == '-') {
        negative = true;
        s.erase(0, 1);
    }
    const auto dot = s.find('.');
    std::string intPart = dot == std::string::npos ? s : s.substr(0, dot);
    std::string frac = dot == std::string::npos ? std::string() : s.substr(dot + 1);
    if (static_cast<int>(frac.size()) <= decimals) return value;

    // Digits kept, and the decision on the first dropped digit and the rest.
    std::string kept = intPart + frac.substr(0, decimals);
    const char first = frac[decimals];
    const bool restNonZero = frac.find_first_not_of('0', decimals + 1) != std::string::npos;
    bool up = false;
    if (first > '5' || (first == '5' && restNonZero)) {
        up = true;
    } else if (first == '5') {
        const char last = kept.empty() ? '0' : kept.back();
        up = ((last - '0') % 2) == 1;
    }
    if (up) {
        int i = static_cast<int>(kept.size()) - 1;
        while (i >= 0) {
            if (kept[i] == '9') {
                kept[i] = '0';
                --i;
            } else {
                ++kept[i];
                break;
            }
        }
        if (i < 0) kept.insert(kept.begin(), '1');
    }
    std::string out = kept.substr(0, kept.size() - decimals);
    if (out.empty()) out = "0";
    if (decimals > 0) out += "." + kept.substr(kept.size() - decimals);
    const double result = parseDouble(out);
    return negative ? -result : result;
}

double toSingle(double value) {
    const float f = static_cast<float>(value);
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, f);
    double d = 0;
    std::from_chars(buf, r.ptr, d);
    return d;
}

double toCurrency(double value) { return roundHalfEven(value, 4); }

QString zeroPad(qint64 value, int width) {
    QString digits = QString::number(value < 0 ? -value : value);
    if (digits.size() < width) digits = QString(width - digits.size(), QLatin1Char('0')) + digits;
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

QString padCut(const QString& text, int width) {
    if (text.size() >= width) return text.left(width);
    return text + QString(width - text.size(), QLatin1Char(' '));
}

QString formatAmount(double value) {
    static const QLocale italian(QLocale::Italian, QLocale::Italy);
    return italian.toString(roundHalfEven(value, 2), 'f', 2);
}

QString formatAmount(Amount value) {
    static const QLocale italian(QLocale::Italian, QLocale::Italy);
    // Two decimals print exactly from the nearest double.
    return italian.toString(value.rounded(2).toDouble(), 'f', 2);
}

QString formatWhole(double value) {
    const double r = roundHalfEven(value, 0);
    // Past the range of a 64-bit integer the cast would be undefined.
    if (!(std::fabs(r) < 9.2e18)) return QString::number(r, 'f', 0);
    return QString::number(static_cast<qint64>(r));
}

QString displayNumber(Amount value) { return value.toString().replace(QLatin1Char('.'), QLatin1Char(',')); }

QString displayNumber(double value) {
    QString s = shortestText(value);
    s.replace(QLatin1Char('.'), QLatin1Char(','));
    return s;
}

}  // namespace common
