#include "core/numbers.h"

#include <cmath>
#include <cstdio>
#include <limits>

double LeadingNumber(const QString& text) {
    const int n = text.size();
    int i = 0;
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    const int start = i;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    int digits = 0;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    int end = i;
    if (i < n && (text[i] == QLatin1Char('E') || text[i] == QLatin1Char('e'))) {
        int j = i + 1;
        if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')))
            ++j;
        int expDigits = 0;
        while (j < n && text[j].isDigit() && text[j].unicode() < 128) {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            end = j;
    }
    const QByteArray number = text.mid(start, end - start).toLatin1();
    double value = std::strtod(number.constData(), nullptr);
    if (!std::isfinite(value))
        value =
            value < 0 ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
    return value;
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

float LeadingSingle(const QString& text) {
    return ToSingle(LeadingNumber(text));
}

QString FormatGeneral(float value) {
    if (value == 0.0f)
        return QStringLiteral("0");
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.7G", static_cast<double>(value));
    QString text = QString::fromLatin1(buffer);
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

QString FormatFixed(double value, const QString& format) {
    const int point = format.indexOf(QLatin1Char('.'));
    const int decimals = point < 0 ? 0 : format.size() - point - 1;
    if (!std::isfinite(value))
        return FormatGeneral(static_cast<float>(value));
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

QStringList SplitTokens(const QString& line) {
    QStringList tokens = line.split(QLatin1Char(' '));
    if (tokens.size() > TokenCount)
        tokens.erase(tokens.begin() + TokenCount, tokens.end());
    while (tokens.size() < TokenCount)
        tokens.append(QString());
    return tokens;
}
