// The text and number rules: reading a number from text, rounding to a 16-bit
// integer, the general and fixed-decimal number formats, blank trimming and
// the token table of a reply line.

#include "core/numbers.h"

#include <QtTest>
#include <cmath>
#include <limits>

class TestNumbers : public QObject {
    Q_OBJECT
private slots:
    void leadingNumberReadsTheLongestLeadingNumber_data();
    void leadingNumberReadsTheLongestLeadingNumber();
    void toInt16RoundsHalvesToEvenAndClamps_data();
    void toInt16RoundsHalvesToEvenAndClamps();
    void generalFormatWritesAtMostSevenSignificantDigits_data();
    void generalFormatWritesAtMostSevenSignificantDigits();
    void fixedFormatsGiveTheirNumberOfDecimals_data();
    void fixedFormatsGiveTheirNumberOfDecimals();
    void singleReadingBecomesInfinityBeyondTheSingleRange();
    void trimBlanksRemovesOnlyBlanksAtBothEnds();
    void splitTokensGivesATableOf101TokensSplitAtSingleBlanks();
};

void TestNumbers::leadingNumberReadsTheLongestLeadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("empty text") << QString() << 0.0;
    const struct {
        const char* text;
        double value;
    } rows[] = {{"7x", 7.0},         {"abc", 0.0},          {"x7", 0.0},
                {"-3", -3.0},        {"+4", 4.0},           {"-", 0.0},
                {".5", 0.5},         {"1 2", 1.0},          {"1.5E3", 1500.0},
                {"2e-2", 0.02},      {"1.5E", 1.5},         {"8E+x", 8.0},
                {"12.34.56", 12.34}, {"   12.5 kPa", 12.5}, {"103.4214psi", 103.4214}};
    for (const auto& r : rows)
        QTest::addRow("\"%s\"", r.text) << QString::fromLatin1(r.text) << r.value;
}

void TestNumbers::leadingNumberReadsTheLongestLeadingNumber() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(LeadingNumber(text), value);
}

void TestNumbers::toInt16RoundsHalvesToEvenAndClamps_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    const double inf = std::numeric_limits<double>::infinity();
    // Outside the 16-bit range the value is clamped to its ends; NaN gives 0.
    const QList<QPair<double, int>> rows = {
        {6.5, 6},           {7.5, 8},         {0.5, 0},       {1.5, 2},         {-2.5, -2},
        {-3.5, -4},         {2.4999, 2},      {2.5001, 3},    {-7.6, -8},       {32767.0, 32767},
        {-32768.0, -32768}, {32767.6, 32767}, {40000, 32767}, {1e30, 32767},    {inf, 32767},
        {-32768.6, -32768}, {-1e30, -32768},  {-inf, -32768}, {std::nan(""), 0}};
    for (const auto& [value, expected] : rows)
        QTest::addRow("%g", value) << value << expected;
}

void TestNumbers::toInt16RoundsHalvesToEvenAndClamps() {
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(int(ToInt16(value)), expected);
}

void TestNumbers::generalFormatWritesAtMostSevenSignificantDigits_data() {
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("boxed"); // as written into a box or list
    const struct {
        float value;
        const char *text, *boxed;
    } rows[] = {{0.5f, ".5", " .5"},
                {-0.25f, "-.25", "-.25"},
                {0.0f, "0", " 0"},
                {-3.0f, "-3", "-3"},
                {100.0f, "100", " 100"},
                {15.625f, "15.625", " 15.625"},
                {103.4214f, "103.4214", " 103.4214"},
                {1.0f / 3.0f, ".3333333", " .3333333"},
                {2.0f / 3.0f, ".6666667", " .6666667"},
                {1234567.0f, "1234567", " 1234567"},
                {12345678.0f, "1.234568E+07", " 1.234568E+07"},
                {0.0001f, ".0001", " .0001"},
                {0.00001f, "1E-05", " 1E-05"},
                {2.5e-7f, "2.5E-07", " 2.5E-07"},
                {1e20f, "1E+20", " 1E+20"},
                {-3.5e9f, "-3.5E+09", "-3.5E+09"},
                {0.1f, ".1", " .1"}};
    for (const auto& r : rows)
        QTest::addRow("%s", r.text)
            << r.value << QString::fromLatin1(r.text) << QString::fromLatin1(r.boxed);
}

void TestNumbers::generalFormatWritesAtMostSevenSignificantDigits() {
    QFETCH(float, value);
    QFETCH(QString, text);
    QFETCH(QString, boxed);
    QCOMPARE(FormatGeneral(value), text);
    QCOMPARE(FormatGeneralBlank(value), boxed);
    // What is written into a box reads back as the number, to seven digits.
    QVERIFY(std::abs(LeadingNumber(boxed) - value) <= std::abs(value) * 1e-6);
}

void TestNumbers::fixedFormatsGiveTheirNumberOfDecimals_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("text");
    const struct {
        double value;
        const char *format, *text;
    } rows[] = {{1.234567, "0", "1"},
                {1.234567, "0.0", "1.2"},
                {1.234567, "0.00", "1.23"},
                {1.234567, "0.000", "1.235"},
                {1.234567, "0.0000", "1.2346"},
                {1.234567, "0.00000", "1.23457"},
                {2.0, "0.00", "2.00"},
                {0.0, "0.000", "0.000"},
                {2.5, "0", "3"},
                {-2.5, "0", "-3"},
                {0.125, "0.00", "0.13"},
                {9.9999, "0.00", "10.00"},
                {-12.345678, "0.0000", "-12.3457"},
                {-0.001, "0.00", "0.00"},
                {123456.789, "0.0", "123456.8"}};
    // Halves go away from zero.
    for (const auto& r : rows)
        QTest::addRow("%g as %s", r.value, r.format)
            << r.value << QString::fromLatin1(r.format) << QString::fromLatin1(r.text);
}

void TestNumbers::fixedFormatsGiveTheirNumberOfDecimals() {
    QFETCH(double, value);
    QFETCH(QString, format);
    QFETCH(QString, text);
    QCOMPARE(FormatFixed(value, format), text);
}

void TestNumbers::singleReadingBecomesInfinityBeyondTheSingleRange() {
    QCOMPARE(LeadingSingle(QStringLiteral("12.5x")), 12.5f);
    QVERIFY(std::isinf(LeadingSingle(QStringLiteral("1e300"))));
    QVERIFY(LeadingSingle(QStringLiteral("-1e300")) < 0);
    QVERIFY(std::isinf(ToSingle(-1e300)));
}

void TestNumbers::trimBlanksRemovesOnlyBlanksAtBothEnds() {
    QCOMPARE(TrimBlanks(QStringLiteral(" a b ")), QStringLiteral("a b"));
    QCOMPARE(TrimBlanks(QStringLiteral("   ")), QString());
    QCOMPARE(TrimBlanks(QStringLiteral(" \t2\t ")), QStringLiteral("\t2\t"));
}

void TestNumbers::splitTokensGivesATableOf101TokensSplitAtSingleBlanks() {
    const QString empty;
    QCOMPARE(SplitTokens(QStringLiteral("SET PERIOD 500")),
             (QStringList{"SET", "PERIOD", "500"} + QStringList(98, empty)));
    QCOMPARE(SplitTokens(QString()), QStringList(101, empty));
    // Every blank splits, so double and outer blanks give empty tokens.
    QCOMPARE(SplitTokens(QStringLiteral(" 3  15.625 ")),
             (QStringList{"", "3", "", "15.625", ""} + QStringList(96, empty)));
    // Only blanks split: tabs stay inside a token.
    QCOMPARE(SplitTokens(QStringLiteral("A\tB C")).first(), QStringLiteral("A\tB"));
    // Pieces beyond the table are dropped.
    QStringList pieces;
    for (int i = 0; i < 150; ++i)
        pieces << QString::number(i);
    QCOMPARE(SplitTokens(pieces.join(QLatin1Char(' '))), pieces.mid(0, 101));
}

QTEST_MAIN(TestNumbers)
#include "tst_numbers.moc"
