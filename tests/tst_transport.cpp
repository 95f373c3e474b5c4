// The connection window against a scripted fake unit: session start-up, the
// paced settings queries, the cutting of arrivals into lines, refused and
// closed connections.

#include "config/qelconfig.h"
#include "core/registry.h"
#include "core/twips.h"
#include "fakeunit.h"
#include "fixture.h"
#include "mainwin/logfile.h"
#include "session/connection.h"
#include "session/mainform.h"
#include "session/send.h"
#include "session/state.h"
#include "sessionhelpers.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

#include <memory>

class TestTransport : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void sessionStartSendsFormatCommandsAndFirstListThenPolls();
    void pollSettingsDecideTheStatusTimer_data();
    void pollSettingsDecideTheStatusTimer();
    void eachListRequestWaitsForTheLastLineOfThePreviousReply();
    void silentUnitGetsTheNextRequestsAfterTimeOutsEachWithAMessage();
    void listStartedDuringAnotherKeepsTheRunningTimeOut();
    void arrivalsAreCutAtCrLfEachByItself();
    void arrivalAtTheReadCapKeepsWhatFollowsItsLastCrLf_data();
    void arrivalAtTheReadCapKeepsWhatFollowsItsLastCrLf();
    void streamReadInArrivalsThatFillTheCapLosesNoLine();
    void refusedConnectionShowsErrorBoxAndReturnsToNoConnection();
    void unitEndingTheConnectionIsReportedOnlyWhenReset_data();
    void unitEndingTheConnectionIsReportedOnlyWhenReset();
    void cancelWhileConnectingEndsTheSessionSilently();
    void hostColonPortSelectsThePort();
    void layoutStretchesControlsToTheWindowWithAMargin();

private:
    std::unique_ptr<ProgramFixture> fx;
};

namespace {

// The window is back at rest: no connection, the button offers Connect.
bool isIdle() {
    return Global::ConnectState == 0 && PanelText(1) == QLatin1String("No connection") &&
           Registry::get<Main>().Command1->text() == QLatin1String("Connect");
}

} // namespace

void TestTransport::init() {
    fx = std::make_unique<ProgramFixture>();
    fx->startProgram();
}

void TestTransport::cleanup() {
    fx.reset();
}

void TestTransport::sessionStartSendsFormatCommandsAndFirstListThenPolls() {
    FakeUnit unit;
    QVERIFY(ConnectToUnit(unit));
    QVERIFY(unit.waitForReceived("List I\r"));
    QCOMPARE(unit.received(), QByteArray("SET BIN 0\rSET FORMAT 0\rList I\r"));

    Main& main = Registry::get<Main>();
    QCOMPARE(main.Command1->text(), QStringLiteral("Disconnect"));
    QVERIFY(!main.lstIpHistory->isEnabled());
    QCOMPARE(PanelText(2), QStringLiteral("Getting Status"));
    QCOMPARE(Global::IpHistory[0], unit.address());
    QCOMPARE(main.lstIpHistory->count(), 1);

    // The first poll is one interval (2 s by default) after the start.
    QVERIFY(main.tmrStatus->isActive());
    QCOMPARE(main.tmrStatus->interval(), 2000);
    main.tmrStatus->setInterval(50);
    QVERIFY(unit.waitForReceived("STATUS\r"));
    QVERIFY(unit.received().startsWith("SET BIN 0\rSET FORMAT 0\rList I\rSTATUS\r"));
}

void TestTransport::pollSettingsDecideTheStatusTimer_data() {
    QTest::addColumn<bool>("always");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<int>("activeInterval"); // 0: timer not running
    QTest::addColumn<QString>("panel2");
    QTest::newRow("every 5 s") << true << "5" << 5000 << "Getting Status";
    QTest::newRow("interval 0 never polls") << true << "0" << 0 << "Getting Status";
    QTest::newRow("no number never polls") << true << "" << 0 << "Getting Status";
    QTest::newRow("polling off") << false << "2" << 0 << "Status Off";
}

void TestTransport::pollSettingsDecideTheStatusTimer() {
    QFETCH(bool, always);
    QFETCH(QString, interval);
    QFETCH(int, activeInterval);
    QFETCH(QString, panel2);
    Global::StatusPollAlways = always;
    Global::StatusPollInterval = interval;
    FakeUnit unit;
    QVERIFY(ConnectToUnit(unit));
    QTimer* poll = Registry::get<Main>().tmrStatus;
    QCOMPARE(poll->isActive(), activeInterval != 0);
    if (activeInterval)
        QCOMPARE(poll->interval(), activeInterval);
    QCOMPARE(PanelText(2), panel2);
}

void TestTransport::eachListRequestWaitsForTheLastLineOfThePreviousReply() {
    FakeUnit unit;
    unit.answerStandardLists();
    QStringList groupC = FakeUnit::standardLists().value(QStringLiteral("List C"));
    const QString lastOfC = groupC.takeLast(); // "SET NEGPTSH 0" held back
    unit.answer(QStringLiteral("List C"), groupC);

    QVERIFY(ConnectToUnit(unit));
    QVERIFY(unit.waitForReceived("List C\r"));
    QTest::qWait(300);
    QVERIFY(!unit.received().contains("List H"));
    QVERIFY(!Registry::get<QelConfig>().cmdOk->isEnabled());

    unit.sendLines({lastOfC});
    QVERIFY(unit.waitForReceived("List S\r"));
    Main& main = Registry::get<Main>();
    QTRY_VERIFY(!main.tmrResponse->isActive());
    QCOMPARE(unit.commands(),
             QStringList({"SET BIN 0", "SET FORMAT 0", "List I", "List C", "List H", "List S"}));
    QVERIFY(Registry::get<QelConfig>().cmdOk->isEnabled());
    QVERIFY(Registry::get<QelConfig>().cmdApply->isEnabled());
    QVERIFY(fx->prompt->messages().isEmpty());
}

void TestTransport::silentUnitGetsTheNextRequestsAfterTimeOutsEachWithAMessage() {
    FakeUnit unit; // answers "List I" late, then nothing more
    Main& main = Registry::get<Main>();
    main.tmrResponse->setInterval(300);

    QVERIFY(ConnectToUnit(unit));
    QVERIFY(unit.waitForReceived("List I\r"));
    QTest::qWait(150); // the time-out counts from the latest request, not the first
    unit.sendLines(FakeUnit::standardLists().value(QStringLiteral("List I")));
    QVERIFY(unit.waitForReceived("List C\r"));
    QElapsedTimer sinceC;
    sinceC.start();
    QVERIFY(fx->prompt->messages().isEmpty());
    QVERIFY(unit.waitForReceived("List H\r"));
    QVERIFY(sinceC.elapsed() >= 250);
    QCOMPARE(fx->prompt->messages().size(), 1);
    QVERIFY(unit.waitForReceived("List S\r"));
    QCOMPARE(fx->prompt->messages().size(), 2);
    QTRY_COMPARE(fx->prompt->messages().size(), 3); // the list ends with a third
    QVERIFY(!main.tmrResponse->isActive());
    QTest::qWait(400);
    QCOMPARE(fx->prompt->messages().size(), 3);
    for (const ShownPrompt& box : fx->prompt->shown) {
        QCOMPARE(box.text, QStringLiteral("Timed out waiting for QEL response"));
        QCOMPARE(box.title, QStringLiteral("Orvik 3"));
    }
    QCOMPARE(unit.commands(),
             QStringList({"SET BIN 0", "SET FORMAT 0", "List I", "List C", "List H", "List S"}));
}

void TestTransport::listStartedDuringAnotherKeepsTheRunningTimeOut() {
    FakeUnit unit; // answers nothing: "List I" waits for its time-out
    Main& main = Registry::get<Main>();
    QVERIFY(ConnectToUnit(unit));
    QVERIFY(unit.waitForReceived("List I\r"));
    QTest::qWait(300);
    const int left = main.tmrResponse->remainingTime();
    QVERIFY(left > 0 && left <= 4700);
    Global::SendList(QStringLiteral("SC"), true); // the configuration dialog's list
    QVERIFY(unit.waitForReceived("List S\r"));
    QVERIFY(main.tmrResponse->isActive());
    QVERIFY(main.tmrResponse->remainingTime() <= left);
}

void TestTransport::arrivalsAreCutAtCrLfEachByItself() {
    // The handed lines are seen in a plain log of error lines.
    const QString logPath = fx->dir() + QStringLiteral("/arrivals.log");
    fx->prompt->fileAnswers.enqueue(logPath);
    Global::OpenLogFile();
    Global::LogErrors = true;

    FakeUnit unit;
    QVERIFY(ConnectToUnit(unit));
    QSignalSpy arrivals(Registry::get<Main>().Winsock1, &QTcpSocket::readyRead);
    auto deliver = [&](const QByteArray& bytes) {
        const int before = arrivals.size();
        unit.sendRaw(bytes);
        const bool arrived = QTest::qWaitFor([&] { return arrivals.size() > before; });
        QCoreApplication::processEvents(); // the queued dispatch of this arrival
        return arrived;
    };
    QVERIFY(deliver("ERROR: one\r\n"));
    QVERIFY(deliver("ERROR: two\r\nERROR: three\r\n"));
    QVERIFY(deliver("ERROR: four\r\nERR")); // the piece after the last CR LF is lost,
    QVERIFY(deliver("OR: five\r\n"));       // also when the next arrival completes it
    QVERIFY(deliver("ERROR: six"));         // no CR LF: nothing at all
    QVERIFY(deliver("ERROR: seven\r\n"));

    Global::CloseLogFile();
    QFile log(logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), QByteArray("ERROR: one\r\nERROR: two\r\nERROR: three\r\n"
                                       "ERROR: four\r\nERROR: seven\r\n"));
    // A lone CR or LF stays inside the line; an empty line is handed too.
    const QList<QByteArrayView> lines = Main::ArrivalLines("a\rb\nc\r\n\r\nd\r");
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0].toByteArray(), QByteArray("a\rb\nc"));
    QCOMPARE(lines[1].toByteArray(), QByteArray(""));
}

void TestTransport::arrivalAtTheReadCapKeepsWhatFollowsItsLastCrLf_data() {
    QTest::addColumn<QByteArray>("arrival"); // with a read cap of 16 bytes
    QTest::addColumn<QByteArray>("cut");     // what is cut into lines
    QTest::addColumn<QByteArray>("held");    // what starts the next arrival
    QTest::newRow("below the cap")
        << QByteArray("A\r\nBC") << QByteArray("A\r\nBC") << QByteArray();
    QTest::newRow("at the cap") << QByteArray("0123456\r\n89ABCDE") << QByteArray("0123456\r\n")
                                << QByteArray("89ABCDE");
    QTest::newRow("CR at the cap, its LF not yet read")
        << QByteArray("0123\r\n6789ABCDE\r") << QByteArray("0123\r\n") << QByteArray("6789ABCDE\r");
    QTest::newRow("at the cap, ending with CR LF")
        << QByteArray("0123456789ABCD\r\n") << QByteArray("0123456789ABCD\r\n") << QByteArray();
    QTest::newRow("at the cap without CR LF")
        << QByteArray("0123456789ABCDEF") << QByteArray("0123456789ABCDEF") << QByteArray();
}

void TestTransport::arrivalAtTheReadCapKeepsWhatFollowsItsLastCrLf() {
    QFETCH(QByteArray, arrival);
    QFETCH(QByteArray, cut);
    QFETCH(QByteArray, held);
    QByteArray kept("left from before");
    Main::CutArrival(arrival, kept, 16);
    QCOMPARE(arrival, cut);
    QCOMPARE(kept, held);
}

void TestTransport::streamReadInArrivalsThatFillTheCapLosesNoLine() {
    // A unit that sends faster than the windows follow: each time the socket
    // is read it holds more than the cap, until the stream runs out.
    QByteArray stream;
    for (int i = 0; stream.size() < 20000; ++i)
        stream += "L" + QByteArray::number(i) + QByteArray(i % 29, ' ') + "\r\n";
    QBuffer socket(&stream);
    QVERIFY(socket.open(QIODevice::ReadOnly));
    QByteArray held;
    QByteArray handed;
    int capped = 0;
    while (socket.bytesAvailable() > 0) {
        const QByteArray arrival = Main::TakeArrival(socket, held, 100);
        capped += arrival.size() + held.size() == 100; // what it read, held back or not
        for (const QByteArrayView line : Main::ArrivalLines(arrival))
            handed += line.toByteArray() + "\r\n";
    }
    QVERIFY(capped > 150);
    QCOMPARE(handed, stream);
}

void TestTransport::refusedConnectionShowsErrorBoxAndReturnsToNoConnection() {
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const QString address = QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
    probe.close(); // nothing listens there now

    Main& main = Registry::get<Main>();
    main.txtIpAdd->setText(address);
    main.Command1->click();
    QCOMPARE(PanelText(1), QStringLiteral("Connecting to ") + address);
    QCOMPARE(main.Command1->text(), QStringLiteral("Cancel"));
    QTRY_COMPARE(fx->prompt->shown.size(), 1);

    const ShownPrompt box = fx->prompt->shown.first();
    QCOMPARE(box.title, QStringLiteral("ERROR:"));
    const QStringList parts = box.text.split(QLatin1Char('\r'));
    QCOMPARE(parts.size(), 2);
    QVERIFY(!parts[0].isEmpty());
    QCOMPARE(parts[1], QStringLiteral("Error Number 10061"));
    QVERIFY(isIdle());
    QCOMPARE(PanelText(2), QString());
    QVERIFY(main.lstIpHistory->isEnabled());
    QVERIFY(Global::IpHistory[0].isEmpty()); // only a connection that stood counts
}

void TestTransport::unitEndingTheConnectionIsReportedOnlyWhenReset_data() {
    QTest::addColumn<bool>("reset");
    QTest::newRow("closed in order") << false;
    QTest::newRow("reset") << true;
}

void TestTransport::unitEndingTheConnectionIsReportedOnlyWhenReset() {
    QFETCH(bool, reset);
    FakeUnit unit;
    Main& main = Registry::get<Main>();
    QVERIFY(ConnectToUnit(unit));
    QVERIFY(unit.waitForReceived("List I\r"));
    if (reset)
        unit.resetClient();
    else
        unit.closeClient();
    QTRY_VERIFY(isIdle());
    QVERIFY(!main.tmrStatus->isActive());
    Global::SendToQel(QStringLiteral("STATUS\r")); // dropped quietly
    if (!reset) {
        QVERIFY(fx->prompt->shown.isEmpty());
        return;
    }
    QCOMPARE(fx->prompt->shown.size(), 1);
    QCOMPARE(fx->prompt->shown[0].title, QStringLiteral("ERROR:"));
    QVERIFY(fx->prompt->shown[0].text.endsWith(QStringLiteral("\rError Number 10054")));
}

void TestTransport::cancelWhileConnectingEndsTheSessionSilently() {
    FakeUnit unit;
    Main& main = Registry::get<Main>();
    main.txtIpAdd->setText(unit.address());
    main.Command1->click();
    QCOMPARE(Global::ConnectState, qint16(1));
    QCOMPARE(PanelText(2), QStringLiteral("Getting Status"));
    QVERIFY(!main.lstIpHistory->isEnabled());
    main.Command1->click(); // "Cancel"
    QVERIFY(isIdle());
    QTest::qWait(200);
    QVERIFY(isIdle());
    QVERIFY(unit.received().isEmpty());
    QVERIFY(fx->prompt->shown.isEmpty());
}

void TestTransport::hostColonPortSelectsThePort() {
    // "host:port" for a port 1 to 65535; anything else is a host on port 23.
    const struct {
        const char *address, *host;
        int port;
    } cases[] = {{"192.168.1.50", "192.168.1.50", 23},
                 {"127.0.0.1:2323", "127.0.0.1", 2323},
                 {"rig:65535", "rig", 65535},
                 {"rig:0", "rig:0", 23},
                 {"rig:65536", "rig:65536", 23},
                 {"rig:telnet", "rig:telnet", 23},
                 {"fe80::1", "fe80::1", 23}};
    for (const auto& c : cases) {
        const UnitAddress target = ParseUnitAddress(QLatin1String(c.address));
        QCOMPARE(target.host, QLatin1String(c.host));
        QCOMPARE(int(target.port), c.port);
    }
}

void TestTransport::layoutStretchesControlsToTheWindowWithAMargin() {
    Main& main = Registry::get<Main>();
    main.resize(700, 500); // 10500 x 7500 twips
    QCOMPARE(main.Image1->width(), TwipsToPixels(10500 - 1440 - 200));
    QCOMPARE(main.lstIpHistory->height(), TwipsToPixels(7500 - 3120 - 200));
    QCOMPARE(main.Image2->height(), TwipsToPixels(7500 - 240 - 200));
    QCOMPARE(main.txtIpAdd->width(), 2775 / 15); // not stretched

    // Heights are only set while the result is above 100 twips.
    main.resize(700, 226); // 3390 twips
    QCOMPARE(main.lstIpHistory->height(), TwipsToPixels(7500 - 3120 - 200));
    QCOMPARE(main.Image2->height(), TwipsToPixels(3390 - 240 - 200));
}

QTEST_MAIN(TestTransport)
#include "tst_transport.moc"
