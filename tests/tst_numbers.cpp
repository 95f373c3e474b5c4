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
    void toInt16RoundsHalvesToEven_data();
    void toInt16RoundsHalvesToEven();
    void toInt16ClampsValuesOutsideItsRange();
    void generalFormatWritesAtMostSevenSignificantDigits_data();
    void generalFormatWritesAtMostSevenSignificantDigits();
    void generalFormatForBoxesLeadsWithOneBlankForZeroAndAbove_data();
    void generalFormatForBoxesLeadsWithOneBlankForZeroAndAbove();
    void generalFormatReadsBackThroughTheLeadingNumberRule();
    void fixedFormatsGiveTheirNumberOfDecimals_data();
    void fixedFormatsGiveTheirNumberOfDecimals();
    void trimBlanksRemovesOnlyBlanksAtBothEnds();
    void splitTokensGivesATableOf101Tokens();
    void splitTokensKeepsEmptyTokensBetweenDoubleBlanks();
    void splitTokensDropsPiecesBeyondTheTable();
};

void TestNumbers::leadingNumberReadsTheLongestLeadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("digits then letters") << "7x" << 7.0;
    QTest::newRow("empty text") << "" << 0.0;
    QTest::newRow("no number") << "abc" << 0.0;
    QTest::newRow("leading blanks") << "   12.5 kPa" << 12.5;
    QTest::newRow("minus sign") << "-3" << -3.0;
    QTest::newRow("plus sign") << "+4" << 4.0;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("second point ends it") << "12.34.56" << 12.34;
    QTest::newRow("exponent") << "1.5E3" << 1500.0;
    QTest::newRow("small exponent") << "2e-2" << 0.02;
    QTest::newRow("exponent without digits") << "1.5E" << 1.5;
    QTest::newRow("exponent sign without digits") << "8E+x" << 8.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("blank inside ends it") << "1 2" << 1.0;
    QTest::newRow("text before the number") << "x7" << 0.0;
    QTest::newRow("reply token with unit") << "103.4214psi" << 103.4214;
}

void TestNumbers::leadingNumberReadsTheLongestLeadingNumber() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(LeadingNumber(text), value);
}

void TestNumbers::toInt16RoundsHalvesToEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("6.5") << 6.5 << 6;
    QTest::newRow("7.5") << 7.5 << 8;
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("1.5") << 1.5 << 2;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("-3.5") << -3.5 << -4;
    QTest::newRow("below a half") << 2.4999 << 2;
    QTest::newRow("above a half") << 2.5001 << 3;
    QTest::newRow("negative above a half") << -7.6 << -8;
    QTest::newRow("top of the range") << 32767.0 << 32767;
    QTest::newRow("bottom of the range") << -32768.0 << -32768;
}

void TestNumbers::toInt16RoundsHalvesToEven() {
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(int(ToInt16(value)), expected);
}

void TestNumbers::toInt16ClampsValuesOutsideItsRange() {
    QCOMPARE(int(ToInt16(32767.6)), 32767);
    QCOMPARE(int(ToInt16(40000)), 32767);
    QCOMPARE(int(ToInt16(1e30)), 32767);
    QCOMPARE(int(ToInt16(std::numeric_limits<double>::infinity())), 32767);
    QCOMPARE(int(ToInt16(-32768.6)), -32768);
    QCOMPARE(int(ToInt16(-1e30)), -32768);
    QCOMPARE(int(ToInt16(-std::numeric_limits<double>::infinity())), -32768);
    QCOMPARE(int(ToInt16(std::nan(""))), 0);
    // A huge number read from a unit's line goes through both rules.
    QCOMPARE(int(ToInt16(LeadingNumber(QStringLiteral("99999999999999999999")))), 32767);
}

void TestNumbers::generalFormatWritesAtMostSevenSignificantDigits_data() {
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("half") << 0.5f << ".5";
    QTest::newRow("negative quarter") << -0.25f << "-.25";
    QTest::newRow("zero") << 0.0f << "0";
    QTest::newRow("whole") << 100.0f << "100";
    QTest::newRow("15.625") << 15.625f << "15.625";
    QTest::newRow("103.4214") << 103.4214f << "103.4214";
    QTest::newRow("a third") << 1.0f / 3.0f << ".3333333";
    QTest::newRow("two thirds rounds") << 2.0f / 3.0f << ".6666667";
    QTest::newRow("seven digits") << 1234567.0f << "1234567";
    QTest::newRow("eight digits") << 12345678.0f << "1.234568E+07";
    QTest::newRow("ten thousandth") << 0.0001f << ".0001";
    QTest::newRow("hundred thousandth") << 0.00001f << "1E-05";
    QTest::newRow("small with digits") << 2.5e-7f << "2.5E-07";
    QTest::newRow("large") << 1e20f << "1E+20";
    QTest::newRow("negative large") << -3.5e9f << "-3.5E+09";
    QTest::newRow("single precision noise") << 0.1f << ".1";
}

void TestNumbers::generalFormatWritesAtMostSevenSignificantDigits() {
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(FormatGeneral(value), text);
}

void TestNumbers::generalFormatForBoxesLeadsWithOneBlankForZeroAndAbove_data() {
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("15.625") << 15.625f << " 15.625";
    QTest::newRow("103.4214") << 103.4214f << " 103.4214";
    QTest::newRow("half") << 0.5f << " .5";
    QTest::newRow("zero") << 0.0f << " 0";
    QTest::newRow("negative") << -3.0f << "-3";
    QTest::newRow("negative fraction") << -0.75f << "-.75";
    QTest::newRow("exponent") << 12345678.0f << " 1.234568E+07";
}

void TestNumbers::generalFormatForBoxesLeadsWithOneBlankForZeroAndAbove() {
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(FormatGeneralBlank(value), text);
}

void TestNumbers::generalFormatReadsBackThroughTheLeadingNumberRule() {
    // What the program writes into a box it reads back as the same number
    // (blank, missing zero and exponent included).
    for (float value : {0.5f, -0.25f, 15.625f, 103.4214f, 2.5e-7f, -3.5e9f, 1e20f})
        QCOMPARE(float(LeadingNumber(FormatGeneralBlank(value))), value);
    // Beyond seven digits the eighth is rounded away.
    QCOMPARE(float(LeadingNumber(FormatGeneralBlank(12345678.0f))), 12345680.0f);
}

void TestNumbers::fixedFormatsGiveTheirNumberOfDecimals_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 1.234567 << "0"
                       << "1";
    QTest::newRow("0.0") << 1.234567 << "0.0"
                         << "1.2";
    QTest::newRow("0.00") << 1.234567 << "0.00"
                          << "1.23";
    QTest::newRow("0.000") << 1.234567 << "0.000"
                           << "1.235";
    QTest::newRow("0.0000") << 1.234567 << "0.0000"
                            << "1.2346";
    QTest::newRow("0.00000") << 1.234567 << "0.00000"
                             << "1.23457";
    QTest::newRow("pi") << 3.14159 << "0.00"
                        << "3.14";
    QTest::newRow("whole gets zeros") << 2.0 << "0.00"
                                      << "2.00";
    QTest::newRow("zero") << 0.0 << "0.000"
                          << "0.000";
    QTest::newRow("half away from zero") << 2.5 << "0"
                                         << "3";
    QTest::newRow("negative half away from zero") << -2.5 << "0"
                                                  << "-3";
    QTest::newRow("exact binary half") << 0.125 << "0.00"
                                       << "0.13";
    QTest::newRow("carries into the units") << 9.9999 << "0.00"
                                            << "10.00";
    QTest::newRow("negative") << -12.345678 << "0.0000"
                              << "-12.3457";
    QTest::newRow("tiny negative is zero") << -0.001 << "0.00"
                                           << "0.00";
    QTest::newRow("large") << 123456.789 << "0.0"
                           << "123456.8";
}

void TestNumbers::fixedFormatsGiveTheirNumberOfDecimals() {
    QFETCH(double, value);
    QFETCH(QString, format);
    QFETCH(QString, text);
    QCOMPARE(FormatFixed(value, format), text);
}

void TestNumbers::trimBlanksRemovesOnlyBlanksAtBothEnds() {
    QCOMPARE(TrimBlanks(QStringLiteral("  2 ")), QStringLiteral("2"));
    QCOMPARE(TrimBlanks(QStringLiteral(" a b ")), QStringLiteral("a b"));
    QCOMPARE(TrimBlanks(QStringLiteral("   ")), QString());
    QCOMPARE(TrimBlanks(QString()), QString());
    QCOMPARE(TrimBlanks(QStringLiteral(" \t2\t ")), QStringLiteral("\t2\t"));
}

void TestNumbers::splitTokensGivesATableOf101Tokens() {
    const QStringList t = SplitTokens(QStringLiteral("SET PERIOD 500"));
    QCOMPARE(t.size(), 101);
    QCOMPARE(t[0], QStringLiteral("SET"));
    QCOMPARE(t[1], QStringLiteral("PERIOD"));
    QCOMPARE(t[2], QStringLiteral("500"));
    for (int i = 3; i < 101; ++i)
        QVERIFY(t[i].isEmpty());

    const QStringList empty = SplitTokens(QString());
    QCOMPARE(empty.size(), 101);
    QCOMPARE(empty.count(QString()), 101);
}

void TestNumbers::splitTokensKeepsEmptyTokensBetweenDoubleBlanks() {
    const QStringList t = SplitTokens(QStringLiteral(" 3  15.625 "));
    QCOMPARE(t.size(), 101);
    QCOMPARE(t[0], QString()); // leading blank
    QCOMPARE(t[1], QStringLiteral("3"));
    QCOMPARE(t[2], QString()); // between the two blanks
    QCOMPARE(t[3], QStringLiteral("15.625"));
    QCOMPARE(t[4], QString()); // after the trailing blank
    // Only blanks split: tabs stay inside a token.
    QCOMPARE(SplitTokens(QStringLiteral("A\tB C"))[0], QStringLiteral("A\tB"));
}

void TestNumbers::splitTokensDropsPiecesBeyondTheTable() {
    QStringList pieces;
    for (int i = 0; i < 150; ++i)
        pieces << QString::number(i);
    const QStringList t = SplitTokens(pieces.join(QLatin1Char(' ')));
    QCOMPARE(t.size(), 101);
    QCOMPARE(t[0], QStringLiteral("0"));
    QCOMPARE(t[100], QStringLiteral("100"));
}

QTEST_MAIN(TestNumbers)
#include "tst_numbers.moc"
