#include "core/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The length of the leading number of text[from, n): sign, digits with an
// optional point, and an exponent only when it has digits; 0 when there are
// no digits. at(i) gives the i-th character as a byte (non-Latin-1
// characters as 0, which is no part of a number).
template <class At> qsizetype NumberLength(At at, qsizetype from, qsizetype n) {
    qsizetype i = from;
    if (i < n && (at(i) == '+' || at(i) == '-'))
        ++i;
    int digits = 0;
    while (i < n && IsDigit(at(i))) {
        ++i;
        ++digits;
    }
    if (i < n && at(i) == '.') {
        ++i;
        while (i < n && IsDigit(at(i))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    qsizetype end = i;
    if (i < n && (at(i) == 'E' || at(i) == 'e')) {
        qsizetype j = i + 1;
        if (j < n && (at(j) == '+' || at(j) == '-'))
            ++j;
        const qsizetype expStart = j;
        while (j < n && IsDigit(at(j)))
            ++j;
        if (j > expStart)
            end = j;
    }
    return end - from;
}

// The value of a number as NumberLength found it (ASCII, no blanks).
double NumberValue(const char* begin, const char* end) {
    if (*begin == '+')
        ++begin; // from_chars takes a minus sign only
    double value = 0;
    const std::from_chars_result r = std::from_chars(begin, end, value);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: the C reading decides which,
        // on a copy that ends where the number ends.
        std::string copy(begin, end);
        value = std::strtod(copy.c_str(), nullptr);
    }
    if (!std::isfinite(value))
        value =
            value < 0 ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
    return value;
}

template <class At> double ReadLeadingNumber(At at, qsizetype n, const char* bytes) {
    qsizetype start = 0;
    while (start < n && at(start) == ' ')
        ++start;
    const qsizetype length = NumberLength(at, start, n);
    if (length == 0)
        return 0.0;
    if (bytes)
        return NumberValue(bytes + start, bytes + start + length);
    char local[64];
    std::string large;
    char* copy = local;
    if (length > qsizetype(sizeof local)) {
        large.resize(size_t(length));
        copy = large.data();
    }
    for (qsizetype i = 0; i < length; ++i)
        copy[i] = at(start + i);
    return NumberValue(copy, copy + length);
}

} // namespace

double LeadingNumber(QStringView text) {
    const char16_t* data = text.utf16();
    const auto at = [data](qsizetype i) { return data[i] < 128 ? char(data[i]) : '\0'; };
    return ReadLeadingNumber(at, text.size(), nullptr);
}

double LeadingNumber(QLatin1String text) {
    const char* data = text.data();
    return ReadLeadingNumber([data](qsizetype i) { return data[i]; }, text.size(), data);
}

qint16 ToInt16(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= 32767.0)
        return 32767;
    if (value <= -32768.0)
        return -32768;
    return static_cast<qint16>(std::nearbyint(value)); // default mode: halves to even
}

float ToSingle(double value) {
    constexpr double top = std::numeric_limits<float>::max();
    if (value > top)
        return std::numeric_limits<float>::infinity();
    if (value < -top)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

float LeadingSingle(QStringView text) {
    return ToSingle(LeadingNumber(text));
}

float LeadingSingle(QLatin1String text) {
    return ToSingle(LeadingNumber(text));
}

QString FormatGeneral(float value) {
    if (value == 0.0f)
        return QStringLiteral("0");
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    // As printf's "%.7G" writes it, without the cost of its general path.
    char buffer[64];
    const std::to_chars_result end = std::to_chars(
        buffer, buffer + sizeof buffer, static_cast<double>(value), std::chars_format::general, 7);
    std::replace(buffer, end.ptr, 'e', 'E');
    QString text = QString::fromLatin1(buffer, end.ptr - buffer);
    if (text.startsWith(QLatin1String("0.")))
        text.remove(0, 1);
    else if (text.startsWith(QLatin1String("-0.")))
        text.remove(1, 1);
    return text;
}

QString FormatGeneralBlank(float value) {
    QString text = FormatGeneral(value);
    if (!text.startsWith(QLatin1Char('-')))
        text.prepend(QLatin1Char(' '));
    return text;
}

int FixedDecimals(const QString& format) {
    const qsizetype point = format.indexOf(QLatin1Char('.'));
    return point < 0 ? 0 : int(format.size() - point - 1);
}

bool FormatFixedInto(double value, int decimals, FixedDigits& out) {
    static const double powers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (!std::isfinite(value) || decimals < 0 || decimals > 15)
        return false;
    const double scaled = std::round(std::fabs(value) * powers[decimals]); // halves away from zero
    // Below 2^52 the digits of the rounded value are exactly what writing
    // scaled / 10^decimals with that many decimals gives.
    if (scaled >= 4503599627370496.0)
        return false;
    quint64 n = quint64(scaled);
    char digits[24];
    int count = 0;
    do {
        digits[count++] = char('0' + n % 10);
        n /= 10;
    } while (n != 0);
    while (count < decimals + 1)
        digits[count++] = '0';
    int k = 0;
    if (value < 0 && scaled != 0.0)
        out.text[k++] = '-';
    for (int i = count - 1; i >= 0; --i) {
        out.text[k++] = digits[i];
        if (i == decimals && decimals > 0)
            out.text[k++] = '.';
    }
    out.size = k;
    return true;
}

QString FormatFixed(double value, const QString& format) {
    const int decimals = FixedDecimals(format);
    if (!std::isfinite(value))
        return FormatGeneral(static_cast<float>(value));
    FixedDigits digits;
    if (FormatFixedInto(value, decimals, digits))
        return QString(digits.view());
    const double scale = std::pow(10.0, decimals);
    double scaled = std::round(std::fabs(value) * scale); // halves away from zero
    const bool negative = value < 0 && scaled != 0.0;
    QString text = QString::number(scaled / scale, 'f', decimals);
    if (negative)
        text.prepend(QLatin1Char('-'));
    return text;
}

QString TrimBlanks(const QString& text) {
    int first = 0;
    int last = text.size();
    while (first < last && text[first] == QLatin1Char(' '))
        ++first;
    while (last > first && text[last - 1] == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

QLatin1String TrimBlanks(QLatin1String text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == QLatin1Char(' '))
        ++first;
    while (last > first && text[last - 1] == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

int SplitAtBlanks(QLatin1String line, QLatin1String* tokens, int count) {
    const char* from = line.data();
    const char* const end = from + line.size();
    for (int i = 0; i < count; ++i) {
        const auto* blank =
            from == end ? nullptr
                        : static_cast<const char*>(std::memchr(from, ' ', size_t(end - from)));
        tokens[i] = QLatin1String(from, (blank ? blank : end) - from);
        if (!blank)
            return i + 1;
        from = blank + 1;
    }
    return count;
}

QStringList SplitTokens(QLatin1String line) {
    // Only the pieces kept are made, however many blanks the line holds.
    QLatin1String pieces[TokenCount];
    const int supplied = SplitAtBlanks(line, pieces, TokenCount);
    QStringList tokens;
    tokens.reserve(TokenCount);
    for (int i = 0; i < supplied; ++i)
        tokens.append(QString(pieces[i]));
    tokens.resize(TokenCount);
    return tokens;
}
