#pragma once
// The program's text and number rules. Each rule is one function, used
// everywhere the program turns text into numbers or numbers into text.

#include <QString>
#include <QStringList>

// Number of tokens in the table a reply line is split into (T0 to T100).
constexpr int TokenCount = 101;

// Leading-number rule: skip leading blanks, take the longest leading decimal
// number (optional sign, digits with an optional point, optional exponent
// "E" with optional sign and digits); text without one reads as 0.
// "12.5" -> 12.5, "7x" -> 7, " -3" -> -3, ".5" -> 0.5, "" -> 0, "abc" -> 0.
// The number is read in place, without a copy of the text, and the same way
// whatever the desktop's locale (the point is always the decimal point).
double LeadingNumber(QStringView text);
double LeadingNumber(QLatin1String text);

// Conversion to a 16-bit integer: nearest integer, halves to the even
// neighbour (6.5 -> 6, 7.5 -> 8, -2.5 -> -2). A value outside the 16-bit
// range is clamped to -32768 or 32767, and NaN gives 0; nothing fails.
qint16 ToInt16(double value);

// A value as single precision; beyond the single range it becomes an
// infinity of the same sign (a plain conversion would be undefined there).
float ToSingle(double value);

// The leading number of a text as a single-precision value (the two rules
// above together), as the program reads a unit's or a box's number.
float LeadingSingle(QStringView text);
float LeadingSingle(QLatin1String text);

// General number format of a single-precision value: at most 7 significant
// digits, no zero before the point for magnitudes below 1 (".5", "-.25"),
// exponent form "1.234568E+07" / "1E-05" where the magnitude needs it
// (decimal exponent below -4 or above 6). No leading blank.
QString FormatGeneral(float value);

// The same with one leading blank for values of 0 or more, as the program
// writes a number into an edit box or a list (" 15.625", " 0", "-3").
QString FormatGeneralBlank(float value);

// Fixed-decimal format "0", "0.0", ... "0.00000": the value rounded (halves
// away from zero) to as many decimals as the format has zeros after its
// point. "0.00" turns 3.14159 into "3.14" and 2 into "2.00". A result that
// rounds to zero is written without a minus sign.
QString FormatFixed(double value, const QString& format);

// The number of decimals of a fixed-decimal format ("0.00" has 2).
int FixedDecimals(const QString& format);

// The fixed-decimal format written into the caller's buffer, without a
// string of its own, for a value of at most 15 decimals whose digits fit a
// double exactly; false otherwise (FormatFixed writes every value).
struct FixedDigits {
    char text[40];
    int size = 0;
    QLatin1String view() const { return QLatin1String(text, size); }
};
bool FormatFixedInto(double value, int decimals, FixedDigits& out);

// Removes blanks (only the character ' ') from both ends.
QString TrimBlanks(const QString& text);
QLatin1String TrimBlanks(QLatin1String text);

// Splits a reply line at every single blank: two blanks in a row give an
// empty token between them, a leading blank an empty first token. The first
// `count` pieces go to `tokens` as views of the line, the rest are dropped;
// returns how many the line supplied.
int SplitAtBlanks(QLatin1String line, QLatin1String* tokens, int count);

// The same split into exactly TokenCount tokens; tokens the line does not
// supply are empty.
QStringList SplitTokens(QLatin1String line);
