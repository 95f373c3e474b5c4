// The address history: its shift rules, the list in the connection window
// and the file "IpHist.cfg" in the working directory.

#include "core/registry.h"
#include "fakeunit.h"
#include "fixture.h"
#include "mainwin/mdimain.h"
#include "session/connection.h"
#include "session/mainform.h"
#include "session/state.h"
#include "sessionhelpers.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

#include <memory>

namespace {

QStringList ListEntries() {
    QStringList entries;
    QListWidget* list = Registry::get<Main>().lstIpHistory;
    for (int i = 0; i < list->count(); ++i)
        entries << list->item(i)->text();
    return entries;
}

QStringList History() {
    QStringList entries;
    for (int i = 0; i <= 10; ++i)
        entries << Global::IpHistory[i];
    return entries;
}

void WriteHistoryFile(const QByteArray& bytes) {
    QFile file(QStringLiteral("IpHist.cfg"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void init() { fx = std::make_unique<ProgramFixture>(); }
    void cleanup() { fx.reset(); }

    void addressesMoveToTheTopAndTheOldestDropsOut();
    void fullFileIsLoadedIntoTheListAndSavedBackExactly();
    void shortFileGivesAnEmptyListUntilTheFirstConnection();
    void clickingAnEntryOnlyFillsTheAddressBox();

private:
    std::unique_ptr<ProgramFixture> fx;
};

void TestHistory::addressesMoveToTheTopAndTheOldestDropsOut() {
    fx->startProgram();
    for (int i = 0; i <= 10; ++i)
        Global::IpHistory[i] = QStringLiteral("10.0.0.%1").arg(i);
    const QStringList start = History();

    Global::AddIpToHistory(QStringLiteral("10.0.0.0"));
    QCOMPARE(History(), start);
    QCOMPARE(ListEntries(), start);

    Global::AddIpToHistory(QStringLiteral("10.0.0.5"));
    QCOMPARE(History(),
             QStringList({"10.0.0.5", "10.0.0.0", "10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4",
                          "10.0.0.6", "10.0.0.7", "10.0.0.8", "10.0.0.9", "10.0.0.10"}));

    const QStringList afterFive = History();
    Global::AddIpToHistory(QStringLiteral("qel-new"));
    QCOMPARE(History(), QStringList({"qel-new"}) + afterFive.mid(0, 10)); // oldest dropped
    QCOMPARE(ListEntries(), History());

    // Empty entries are not listed; matching is exact.
    Global::IpHistory[3].clear();
    Global::AddIpToHistory(QStringLiteral("QEL-NEW"));
    QCOMPARE(ListEntries().size(), 10);
    QCOMPARE(ListEntries().first(), QStringLiteral("QEL-NEW"));
}

void TestHistory::fullFileIsLoadedIntoTheListAndSavedBackExactly() {
    const QByteArray file = "10.1.1.1\r\nrig-b\r\n\r\n10.1.1.4:2323\r\n\r\n\r\n\r\n\r\n\r\n\r\n"
                            "last\r\n";
    WriteHistoryFile(file);
    fx->startProgram();
    QCOMPARE(ListEntries(), QStringList({"10.1.1.1", "rig-b", "10.1.1.4:2323", "last"}));

    QFile::remove(QStringLiteral("IpHist.cfg"));
    Global::SaveIpHistory();
    QFile saved(QStringLiteral("IpHist.cfg"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), file);
}

void TestHistory::shortFileGivesAnEmptyListUntilTheFirstConnection() {
    WriteHistoryFile("10.1.1.1\r\n10.1.1.2\r\n10.1.1.3\r\n");
    fx->startProgram();
    QCOMPARE(ListEntries(), QStringList());

    FakeUnit unit;
    QVERIFY(ConnectToUnit(unit));
    // The entries read before the file ran short are kept.
    QCOMPARE(ListEntries(), QStringList({unit.address(), "10.1.1.1", "10.1.1.2", "10.1.1.3"}));
}

void TestHistory::clickingAnEntryOnlyFillsTheAddressBox() {
    fx->startProgram();
    Global::AddIpToHistory(QStringLiteral("10.9.9.9"));
    Main& main = Registry::get<Main>();
    QListWidget* list = main.lstIpHistory;
    list->show();
    const QRect rect = list->visualItemRect(list->item(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(main.txtIpAdd->text(), QStringLiteral("10.9.9.9"));
    QCOMPARE(Global::ConnectState, qint16(0));
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
