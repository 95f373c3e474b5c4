// The simulator's answers to each command, over TCP, as a client sees them.

#include "qelsim/simulator.h"
#include "simclient.h"

#include <QtTest>

using namespace qelsim;

namespace {

using Bench = SimBench;

auto startingWith(const char* prefix) {
    return [prefix](const QString& l) { return l.startsWith(QLatin1String(prefix)); };
}

} // namespace

class TestProtocol : public QObject {
    Q_OBJECT
private slots:
    void settingsGroupsEndWithTheLinesTheProgramWaitsFor_data();
    void settingsGroupsEndWithTheLinesTheProgramWaitsFor();
    void commandsEndAtCarriageReturnAndTheLineFeedAfterItIsIgnored();
    void setChangesASettingAndBadInputIsAnsweredAndListedAsErrors();
    void scanUnitSetsTheFactorUnlessItIsUserUnits();
    void statusAnswerFollowsTheModelAndWhatTheUnitDoes();
    void junkLongLinesAndDroppedClientsNeverStopTheUnit();
    void newConnectionReplacesTheOldOne();
};

void TestProtocol::settingsGroupsEndWithTheLinesTheProgramWaitsFor_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("max0");
    QTest::addColumn<QString>("max15");
    QTest::newRow("Q1600") << "Q1600"
                           << "SET MAX0 15"
                           << "SET MAX15 15";
    QTest::newRow("QM1600") << "QM1600"
                            << "SET MAX0 15"
                            << "SET MAX15 15";
    QTest::newRow("Q1600PC") << "Q1600PC"
                             << "SET MAX0 5"
                             << "SET MAX15 50";
    QTest::newRow("QM1600PC") << "QM1600PC"
                              << "SET MAX0 5"
                              << "SET MAX15 50";
}

void TestProtocol::settingsGroupsEndWithTheLinesTheProgramWaitsFor() {
    QFETCH(QString, model);
    QFETCH(QString, max0);
    QFETCH(QString, max15);
    Bench b(localOptions(model));
    QVERIFY(b.started);
    SimClient& c = b.client;

    // The program's own mixed-case requests, back to back as it sends them.
    c.sendRaw("SET BIN 0\rSET FORMAT 0\rList I\r");
    QVERIFY(c.waitForLine(startingWith("SET HOST")));
    QCOMPARE(c.lines(), QStringList({"SET MODEL " + model, "SET SERNUM 16465", "SET VERSION 1.07",
                                     "SET IPADDR 127.0.0.1", "SET HOST 0 0 T"}));
    QCOMPARE(c.ask(QStringLiteral("List C"), QStringLiteral("SET NEGPTSH")),
             QStringList({"SET PMAXL 15", "SET PMAXH 15", "SET PMINL -15", "SET PMINH -15",
                          "SET NEGPTSL 0", "SET NEGPTSH 0"}));
    const QStringList h = c.ask(QStringLiteral("List H"), QStringLiteral("SET MAX15 "));
    QCOMPARE(h.size(), 16);
    for (int ch = 0; ch < 16; ++ch)
        QVERIFY2(h[ch].startsWith(QStringLiteral("SET MAX%1 ").arg(ch)), qPrintable(h[ch]));
    QCOMPARE(h.first(), max0);
    QCOMPARE(h.last(), max15);
    QCOMPARE(c.ask(QStringLiteral("List S"), QStringLiteral("SET PAGE")),
             QStringList({"SET PERIOD 500", "SET AVG 8", "SET FPS 100", "SET XSCANTRIG 0",
                          "SET EU 1", "SET ZC 1", "SET QPKTS 0", "SET UNITSCAN PSI",
                          "SET CVTUNIT 1", "SET BIN 0", "SET FORMAT 0", "SET PAGE 0"}));
    // Only whole lines ended by CR LF, and no error for the session start.
    QCOMPARE(c.received(), c.lines().join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
    QCOMPARE(c.exchange(QStringLiteral("ERROR")), QStringList());
}

void TestProtocol::commandsEndAtCarriageReturnAndTheLineFeedAfterItIsIgnored() {
    Bench b;
    QVERIFY(b.started);
    SimClient& c = b.client;
    // The console sends CR LF; a command may arrive in pieces.
    for (const char* piece : {"li", "ST c\r", "\nSTA", "TUS\r", "\n"}) {
        c.sendRaw(piece);
        QTest::qWait(5);
    }
    QVERIFY(c.waitForLine(startingWith("STATUS:")));
    QCOMPARE(c.lines().size(), 7);
    QCOMPARE(c.lines().mid(5), QStringList({"SET NEGPTSH 0", "STATUS: READY"}));
    // Only CR ends a command; an empty command is no command.
    QCOMPARE(c.exchange(QStringLiteral("SCAN\nSTOP")),
             QStringList({"ERROR: UNKNOWN COMMAND SCAN?STOP"}));
    QCOMPARE(c.exchange(QStringLiteral("   ")), QStringList());
}

void TestProtocol::setChangesASettingAndBadInputIsAnsweredAndListedAsErrors() {
    Bench b;
    QVERIFY(b.started);
    SimClient& c = b.client;
    for (const char* command :
         {"SET PERIOD 1000", "set avg 4", "SET PMINL -7.5", "SET HOST 192.168.4.20 23 u"})
        QCOMPARE(c.exchange(QLatin1String(command)), QStringList());
    QCOMPARE(c.ask(QStringLiteral("LIST I"), QStringLiteral("SET HOST")).constLast(),
             QStringLiteral("SET HOST 192.168.4.20 23 U"));

    const QList<QPair<QString, QString>> bad = {
        {"SET PERIOD abc", "ERROR: BAD VALUE abc FOR PERIOD"},
        {"SET PERIOD ", "ERROR: MISSING VALUE FOR PERIOD"},
        {"SET PERIOD 0", "ERROR: BAD VALUE 0 FOR PERIOD"},
        {"SET EU 2", "ERROR: BAD VALUE 2 FOR EU"},
        {"SET NOSUCH 1", "ERROR: UNKNOWN SETTING NOSUCH"},
        {"SET MODEL Q9", "ERROR: MODEL IS READ-ONLY"},
        {"SET NEGPTSL 71", "ERROR: BAD VALUE 71 FOR NEGPTSL"},
        {"SCAN NOW", "ERROR: UNEXPECTED WORDS AFTER SCAN"},
        {"LIST Q", "ERROR: UNKNOWN LIST Q"},
        {"FROB", "ERROR: UNKNOWN COMMAND FROB"},
    };
    QStringList all;
    for (const auto& [command, answer] : bad) {
        QCOMPARE(c.exchange(command), QStringList({answer}));
        all << answer;
    }
    for (const char* command :
         {"SET HOST 0 0", "SET HOST 300.1.1.1 23 U", "SET HOST 10.0.0.1 70000 U",
          "SET HOST 10.0.0.1 23 X", "SET HOST ::1 23 U"}) {
        const QStringList answer = c.exchange(QLatin1String(command));
        QVERIFY2(answer.size() == 1 && answer[0].startsWith(QLatin1String("ERROR: ")), command);
        all << answer;
    }
    // Bad values change nothing.
    const QStringList s = c.ask(QStringLiteral("LIST S"), QStringLiteral("SET PAGE"));
    QVERIFY(s.contains("SET PERIOD 1000") && s.contains("SET AVG 4") && s.contains("SET EU 1"));
    QVERIFY(
        c.ask(QStringLiteral("LIST C"), QStringLiteral("SET NEGPTSH")).contains("SET PMINL -7.5"));
    QCOMPARE(c.ask(QStringLiteral("LIST I"), QStringLiteral("SET HOST")).constLast(),
             QStringLiteral("SET HOST 192.168.4.20 23 U"));

    QCOMPARE(c.exchange(QStringLiteral("ERROR")), all);
    QCOMPARE(c.exchange(QStringLiteral("ERROR")), all); // listing does not empty the list
    QCOMPARE(c.exchange(QStringLiteral("CLEAR")), QStringList());
    QCOMPARE(c.exchange(QStringLiteral("ERROR")), QStringList());

    // The list keeps the newest entries only.
    for (int i = 0; i < Unit::kMaxErrors + 5; ++i)
        c.command(QStringLiteral("BAD%1").arg(i));
    const QStringList kept = c.exchange(QStringLiteral("ERROR"));
    QCOMPARE(kept.size(), Unit::kMaxErrors + 5 + Unit::kMaxErrors);
    QCOMPARE(kept.value(Unit::kMaxErrors + 5), QStringLiteral("ERROR: UNKNOWN COMMAND BAD5"));
}

void TestProtocol::scanUnitSetsTheFactorUnlessItIsUserUnits() {
    Bench b;
    QVERIFY(b.started);
    SimClient& c = b.client;
    auto factorAfter = [&](const char* command) {
        const QStringList answer = c.exchange(QLatin1String(command));
        if (!answer.isEmpty())
            return answer.first();
        return c.ask(QStringLiteral("List S"), QStringLiteral("SET PAGE"))
            .filter("CVTUNIT")
            .value(0);
    };
    QCOMPARE(factorAfter("SET CVTUNIT 2"), "ERROR: CVTUNIT IS SET BY UNITSCAN UNLESS IT IS USER");
    QCOMPARE(factorAfter("SET UNITSCAN kpa"), "SET CVTUNIT 6.89476");
    QCOMPARE(factorAfter("SET UNITSCAN USER"), "SET CVTUNIT 6.89476");
    QCOMPARE(factorAfter("SET CVTUNIT 2.5"), "SET CVTUNIT 2.5");
    QCOMPARE(factorAfter("SET UNITSCAN FURLONG"), "ERROR: BAD VALUE FURLONG FOR UNITSCAN");
    QCOMPARE(factorAfter("SET UNITSCAN MBAR"), "SET CVTUNIT 68.9476");
    QVERIFY(
        c.ask(QStringLiteral("List S"), QStringLiteral("SET PAGE")).contains("SET UNITSCAN MBAR"));
}

void TestProtocol::statusAnswerFollowsTheModelAndWhatTheUnitDoes() {
    SimOptions options = localOptions();
    options.calibrateMs = 600000; // calibrating until the test ends
    Bench plain(options);
    QVERIFY(plain.started);
    SimClient& c = plain.client;
    QCOMPARE(c.ask(QStringLiteral("STATUS"), QStringLiteral("STATUS")),
             QStringList({"STATUS: READY"}));
    QCOMPARE(c.exchange(QStringLiteral("CALZ")), QStringList());
    QCOMPARE(c.ask(QStringLiteral("STATUS"), QStringLiteral("STATUS")),
             QStringList({"STATUS: CALIBRATING"}));
    QCOMPARE(c.exchange(QStringLiteral("SCAN")), QStringList({"ERROR: BUSY CALIBRATING"}));

    Bench module(localOptions(QStringLiteral("QM1600")));
    QVERIFY(module.started);
    SimClient& m = module.client;
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(m.ask(QStringLiteral("status"), QStringLiteral("Status->")),
                 QStringList({"Status->READY"}));
        // A "Module" line follows every fifth status answer.
        if (i % 5 == 4) {
            QVERIFY(m.waitForLine(startingWith("Module")));
            QCOMPARE(m.lines().value(1), QStringLiteral("Module %1 ok").arg(i / 5));
        }
    }
    QCOMPARE(m.exchange(QStringLiteral("SET FPS 0")), QStringList());
    m.command(QStringLiteral("SCAN"));
    m.command(QStringLiteral("STATUS"));
    QVERIFY(m.waitForLine([](const QString& l) { return l == QLatin1String("Status->SCANNING"); }));
    m.command(QStringLiteral("STOP"));
    m.command(QStringLiteral("STATUS"));
    QVERIFY(m.waitForLine([](const QString& l) { return l == QLatin1String("Status->READY"); }));
}

void TestProtocol::junkLongLinesAndDroppedClientsNeverStopTheUnit() {
    Bench b;
    QVERIFY(b.started);
    SimClient& c = b.client;
    c.sendRaw(QByteArray(5000, 'A') + "\r");
    QVERIFY(c.waitForLine(startingWith("ERROR")));
    QCOMPARE(c.lines(), QStringList({"ERROR: COMMAND TOO LONG"}));

    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk += char((i * 37 + 11) & 0xFF);
    c.clear();
    c.sendRaw(junk + "\r");
    QCOMPARE(c.ask(QStringLiteral("STATUS"), QStringLiteral("STATUS: ")).constLast(),
             QStringLiteral("STATUS: READY"));
    for (const QString& line : c.lines())
        for (QChar ch : line)
            QVERIFY2(ch.unicode() >= 0x20 && ch.unicode() < 0x7F, "echo of junk is printable");

    // A client that vanishes in the middle of a scan.
    QCOMPARE(c.exchange(QStringLiteral("SET FPS 0")), QStringList());
    c.command(QStringLiteral("SCAN"));
    QVERIFY(c.waitForLine(startingWith("FRAME")));
    c.socket.abort();
    QTRY_VERIFY(!b.sim.hasClient());
    QVERIFY(!b.sim.isScanning());
    SimClient again;
    QVERIFY(again.connectTo(b.sim.port()));
    QCOMPARE(again.ask(QStringLiteral("STATUS"), QStringLiteral("STATUS: ")),
             QStringList({"STATUS: READY"}));
}

void TestProtocol::newConnectionReplacesTheOldOne() {
    Bench b;
    QVERIFY(b.started);
    SimClient second;
    QVERIFY(second.connectTo(b.sim.port()));
    QVERIFY(b.client.waitForClosed());
    QCOMPARE(second.ask(QStringLiteral("STATUS"), QStringLiteral("STATUS: ")),
             QStringList({"STATUS: READY"}));
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_qelsim_protocol.moc"
