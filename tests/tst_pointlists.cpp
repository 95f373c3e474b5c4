// The two point list dialogs: their lists and the one request each sends.

#include "console/pointlists.h"
#include "consolehelpers.h"
#include "core/registry.h"
#include "fakeunit.h"
#include "fixture.h"
#include "session/state.h"

#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

// Picks an entry the way the operator does, with the mouse.
void Pick(QListWidget* list, int row) {
    QListWidgetItem* item = list->item(row);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

PointListDialog& Open(bool master) {
    PointListDialog& dialog = master ? static_cast<PointListDialog&>(Registry::get<MasterList>())
                                     : Registry::get<AllList>();
    dialog.showForm();
    return dialog;
}

bool IsLoaded(bool master) {
    return master ? Registry::peek<MasterList>() != nullptr : Registry::peek<AllList>() != nullptr;
}

} // namespace

class TestPointLists : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void listsOfferChannelsAndPointsWithNothingSelected();
    void okSendsTheRequestFromTheChosenEntriesAndCloses_data();
    void okSendsTheRequestFromTheChosenEntriesAndCloses();
    void cancelSendsNothingAndCloses();

private:
    std::unique_ptr<ProgramFixture> fx;
    std::unique_ptr<FakeUnit> unit;
};

void TestPointLists::init() {
    fx = std::make_unique<ProgramFixture>();
    fx->startProgram();
    unit = std::make_unique<FakeUnit>();
}

void TestPointLists::cleanup() {
    fx.reset();
    unit.reset();
}

void TestPointLists::listsOfferChannelsAndPointsWithNothingSelected() {
    Global::ModuleModel = true; // the lists offer all 70 points anyway
    QStringList channels, points;
    for (int n = 0; n < 70; ++n)
        (n < 16 ? channels : points) << QStringLiteral(" %1").arg(n);
    points = channels + points;
    for (bool master : {true, false}) {
        PointListDialog& d = Open(master);
        QCOMPARE(d.windowTitle(),
                 master ? QStringLiteral("List Master Points") : QStringLiteral("List All Points"));
        for (QListWidget* list : {d.cmbChannel, d.cmbStartTemp, d.cmbEndingTemp}) {
            QStringList texts;
            for (int i = 0; i < list->count(); ++i)
                texts << list->item(i)->text();
            QCOMPARE(texts, list == d.cmbChannel ? channels : points);
            QVERIFY(list->selectedItems().isEmpty());
        }
    }
}

void TestPointLists::okSendsTheRequestFromTheChosenEntriesAndCloses_data() {
    QTest::addColumn<bool>("master");
    QTest::addColumn<int>("channel"); // -1: nothing chosen
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("master, channel 3, 10 to 20")
        << true << 3 << 10 << 20 << QByteArray("List M 10 20 3\r");
    QTest::newRow("all, channel 3, 10 to 20")
        << false << 3 << 10 << 20 << QByteArray("List A 10 20 3\r");
    QTest::newRow("master, nothing chosen") << true << -1 << -1 << -1 << QByteArray("List M   \r");
    QTest::newRow("all, end before start")
        << false << 15 << 50 << 5 << QByteArray("List A 50 5 15\r");
    QTest::newRow("all, channel only") << false << 0 << -1 << -1 << QByteArray("List A   0\r");
}

void TestPointLists::okSendsTheRequestFromTheChosenEntriesAndCloses() {
    QFETCH(bool, master);
    QFETCH(int, channel);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(QByteArray, sent);
    QVERIFY(ConnectAndSettle(*unit));
    PointListDialog& d = Open(master);
    // A first choice changed: only the last one counts.
    Pick(d.cmbChannel, 7);
    if (channel >= 0)
        Pick(d.cmbChannel, channel);
    else
        d.cmbChannel->clearSelection();
    if (start >= 0)
        Pick(d.cmbStartTemp, start);
    if (end >= 0)
        Pick(d.cmbEndingTemp, end);
    d.cmdOk->click();
    QCOMPARE(SentSinceLastLook(*unit), sent);
    QVERIFY(!IsLoaded(master));

    // Opened again, it starts afresh with nothing chosen.
    PointListDialog& again = Open(master);
    QVERIFY(again.cmbChannel->selectedItems().isEmpty());
    QVERIFY(again.cmbEndingTemp->selectedItems().isEmpty());
}

void TestPointLists::cancelSendsNothingAndCloses() {
    QVERIFY(ConnectAndSettle(*unit));
    for (bool master : {true, false}) {
        PointListDialog& d = Open(master);
        Pick(d.cmbChannel, 3);
        Pick(d.cmbStartTemp, 10);
        d.cmdCancel->click();
        QVERIFY(!IsLoaded(master));
    }
    PointListDialog& d = Open(true); // Escape is Cancel
    QVERIFY(WaitForActivation(&d));
    QTest::keyClick(&d, Qt::Key_Escape);
    QVERIFY(!IsLoaded(true));
    QCOMPARE(SentSinceLastLook(*unit), QByteArray());
}

QTEST_MAIN(TestPointLists)
#include "tst_pointlists.moc"
