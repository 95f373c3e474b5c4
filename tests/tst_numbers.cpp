#include "core/numbers.h"

#include <QtTest>

class TestNumbers : public QObject {
    Q_OBJECT
private slots:
    void leadingNumberReadsTheLongestLeadingNumber();
};

void TestNumbers::leadingNumberReadsTheLongestLeadingNumber() {
    QCOMPARE(LeadingNumber(QStringLiteral("7x")), 7.0);
    QCOMPARE(LeadingNumber(QString()), 0.0);
    QCOMPARE(FormatGeneralBlank(15.625f), QStringLiteral(" 15.625"));
    QCOMPARE(FormatGeneral(0.5f), QStringLiteral(".5"));
}

QTEST_MAIN(TestNumbers)
#include "tst_numbers.moc"
