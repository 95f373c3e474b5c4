// The text and number rules. The input is read as a line (Latin-1) and, from
// its first bytes, as numbers. Beyond not failing: the token split keeps the
// line; the leading number ignores what follows it; a general-format text
// has at most 7 significant digits and reads back as its value; the 16-bit
// conversion rounds to the nearest, halves to even; a fixed format is its
// value rounded.

#include "check.h"
#include "core/numbers.h"

#include <cmath>
#include <cstring>

namespace {

int SignificantDigits(const QString& text) {
    QString mantissa = text.section(QLatin1Char('E'), 0, 0);
    mantissa.remove(QLatin1Char('-')).remove(QLatin1Char('.'));
    while (mantissa.startsWith(QLatin1Char('0')))
        mantissa.remove(0, 1);
    return int(mantissa.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QLatin1String bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString line(bytes);

    const QStringList tokens = SplitTokens(bytes);
    Check(tokens.size() == TokenCount, "101 tokens");
    const qsizetype blanks = line.count(QLatin1Char(' '));
    const QString joined = tokens.join(QLatin1Char(' '));
    if (blanks < TokenCount)
        Check(joined == line + QString(TokenCount - 1 - blanks, QLatin1Char(' ')),
              "tokens are the line");
    else
        Check(line.startsWith(joined + QLatin1Char(' ')), "tokens are the line's start");

    const double leading = LeadingNumber(line);
    Check(std::isfinite(leading), "leading number finite");
    Check(LeadingNumber(line + QLatin1Char('x')) == leading, "leading number ends at its text");

    double d = 0;
    float f = 0;
    if (size >= sizeof d)
        std::memcpy(&d, data, sizeof d);
    if (size >= sizeof f)
        std::memcpy(&f, data, sizeof f);
    const double values[] = {d, double(f), leading, static_cast<double>(LeadingSingle(line))};
    for (const double v : values) {
        const qint16 i = ToInt16(v);
        if (std::isnan(v))
            Check(i == 0, "NaN gives 0");
        else if (v >= -32768.5 && v < 32767.5)
            Check(std::fabs(i - v) < 0.5 || (std::fabs(i - v) == 0.5 && i % 2 == 0),
                  "nearest, halves to even");
        else
            Check(i == (v < 0 ? -32768 : 32767), "clamped");

        const float s = ToSingle(v);
        const QString general = FormatGeneral(s);
        Check(!general.startsWith(QLatin1String("0.")) && !general.startsWith(QLatin1String("-0.")),
              "no zero before the point");
        Check(FormatGeneralBlank(s) ==
                  (general.startsWith(QLatin1Char('-')) ? general : QLatin1Char(' ') + general),
              "blank before values of 0 or more");
        if (std::isfinite(s)) {
            Check(SignificantDigits(general) <= 7, "at most 7 significant digits");
            const double back = LeadingNumber(general);
            Check(std::fabs(back - s) <= 5.01e-7 * std::fabs(s), "general format reads back");
        }

        const int decimals = (size > 0 ? data[size - 1] : 0) % 6;
        const QString format = decimals ? QLatin1String("0.") + QString(decimals, QLatin1Char('0'))
                                        : QStringLiteral("0");
        const QString fixed = FormatFixed(v, format);
        if (std::isfinite(v) && std::fabs(v) < 1e9) {
            const int point = int(fixed.indexOf(QLatin1Char('.')));
            Check(decimals ? point >= 0 && fixed.size() - point - 1 == decimals : point < 0,
                  "as many decimals as the format");
            Check(std::fabs(LeadingNumber(fixed) - v) <=
                      0.5 * std::pow(10.0, -decimals) + std::fabs(v) * 1e-15,
                  "fixed format is the value rounded");
            Check(LeadingNumber(fixed) != 0 || !fixed.startsWith(QLatin1Char('-')),
                  "no minus zero");
        }
    }
    return 0;
}
