// The reply dispatcher: status lines of both kinds of unit, the model line,
// which lines reach the data log, and the console echo rule.

#include "core/registry.h"
#include "echorule.h"
#include "fakeunit.h"
#include "fixture.h"
#include "mainwin/logfile.h"
#include "mainwin/mdimain.h"
#include "session/effects.h"
#include "session/state.h"
#include "sessionhelpers.h"

#include <QFile>
#include <QtTest>

#include <memory>

class TestDispatch : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void statusLinesSetPanel2ByKindOfUnit_data();
    void statusLinesSetPanel2ByKindOfUnit();
    void moduleUnitStatusFromTheWire();
    void modelLineSetsPanel1AndModelFlags_data();
    void modelLineSetsPanel1AndModelFlags();
    void loggedLinesFollowTheLogSwitches();
    void consoleEchoKeepsTheTextNear32000Characters();

private:
    QByteArray logWith(const QStringList& lines);
    std::unique_ptr<ProgramFixture> fx;
};

void TestDispatch::init() {
    fx = std::make_unique<ProgramFixture>();
    fx->startProgram();
}

void TestDispatch::cleanup() {
    fx.reset();
}

// Dispatches the lines with a plain log open and returns what was logged.
QByteArray TestDispatch::logWith(const QStringList& lines) {
    const QString path = fx->dir() + QStringLiteral("/dispatch.log");
    fx->prompt->fileAnswers.enqueue(path);
    Global::OpenLogFile();
    for (const QString& line : lines)
        Global::HandleQelLine(line);
    Global::CloseLogFile();
    QFile log(path);
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray("(no log)");
}

void TestDispatch::statusLinesSetPanel2ByKindOfUnit_data() {
    QTest::addColumn<bool>("module");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("panel2"); // "(kept)": not a status line
    // clang-format off
    QTest::newRow("word") << false << "STATUS: READY NOW" << "Qel Status: READY";
    QTest::newRow("nothing after") << false << "STATUS:" << "Qel Status: ";
    QTest::newRow("two blanks") << false << "STATUS:  READY" << "Qel Status: ";
    QTest::newRow("arrow from plain unit") << false << "Status->SCANNING" << "(kept)";
    QTest::newRow("lower case") << false << "status: READY" << "(kept)";
    QTest::newRow("arrow") << true << "Status->SCANNING" << "Qel Status: SCANNING";
    QTest::newRow("arrow then blank") << true << "Status-> SCANNING" << "Qel Status: ";
    QTest::newRow("colon form from module unit") << true << "STATUS: READY" << "(kept)";
    QTest::newRow("module report") << true << "Module 3 ok" << "(kept)";
    // clang-format on
}

void TestDispatch::statusLinesSetPanel2ByKindOfUnit() {
    QFETCH(bool, module);
    QFETCH(QString, line);
    QFETCH(QString, panel2);
    Global::ModuleModel = module;
    Global::LogStatusData = true;
    Global::LogListData = Global::LogErrors = true;
    const QString before = QStringLiteral("(kept)");
    Registry::get<MDIMain>().SetPanel(2, before);
    const QByteArray logged = logWith({line});
    QCOMPARE(PanelText(2), panel2);
    // A status line is logged whole when status logging is on.
    QCOMPARE(logged, panel2 == before ? QByteArray() : line.toLatin1() + "\r\n");
}

void TestDispatch::moduleUnitStatusFromTheWire() {
    FakeUnit unit;
    unit.answer(QStringLiteral("List I"),
                FakeUnit::standardLists(QStringLiteral("QM1600")).value(QStringLiteral("List I")));
    QVERIFY(ConnectToUnit(unit));
    QTRY_VERIFY(Global::ModuleModel);
    unit.sendLines({QStringLiteral("Status->SCANNING")});
    QTRY_COMPARE(PanelText(2), QStringLiteral("Qel Status: SCANNING"));
    // The colon form is no status line here; the model line after it shows
    // that it has been handled.
    unit.sendLines({QStringLiteral("STATUS: READY"), QStringLiteral("SET MODEL QM1601")});
    QTRY_VERIFY(PanelText(1).endsWith(QStringLiteral("(Model QM1601)")));
    QCOMPARE(PanelText(2), QStringLiteral("Qel Status: SCANNING"));
}

void TestDispatch::modelLineSetsPanel1AndModelFlags_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("module");
    QTest::addColumn<bool>("perChannel");
    // clang-format off
    QTest::newRow("plain") << "SET MODEL Q1600" << "Q1600" << false << false;
    QTest::newRow("module") << "SET MODEL QM1600" << "QM1600" << true << false;
    QTest::newRow("per channel") << "SET MODEL Q1600PC" << "Q1600PC" << false << true;
    QTest::newRow("module per channel") << "SET MODEL QM1600PC" << "QM1600PC" << true << true;
    QTest::newRow("empty value") << "SET MODEL" << "" << false << false;
    QTest::newRow("case matters") << "SET MODEL qm1600pc" << "qm1600pc" << false << false;
    // clang-format on
}

void TestDispatch::modelLineSetsPanel1AndModelFlags() {
    QFETCH(QString, line);
    QFETCH(QString, shown);
    QFETCH(bool, module);
    QFETCH(bool, perChannel);
    Global::IpAddress = QStringLiteral("10.0.0.7");
    Global::ModuleModel = Global::PerChannelMax = true; // recomputed on every line
    Global::HandleQelLine(line);
    QCOMPARE(PanelText(1),
             QStringLiteral("Connected to 10.0.0.7 (Model ") + shown + QStringLiteral(")"));
    QCOMPARE(Global::ModuleModel, module);
    QCOMPARE(Global::PerChannelMax, perChannel);
}

void TestDispatch::loggedLinesFollowTheLogSwitches() {
    const QStringList lines = {
        QStringLiteral("SET  PERIOD 500"), // empty name: still a setting line
        QStringLiteral("set PERIOD 500"),  // not a setting line
        QStringLiteral(" SET PERIOD 1"),   // leading blank: not a setting line
        QStringLiteral("ERROR: 12 bad"),   QStringLiteral("STATUS: READY"), QString(),
        QStringLiteral("hello unit"),
    };
    Global::LogListData = Global::LogErrors = Global::LogStatusData = true;
    QCOMPARE(logWith(lines), QByteArray("SET  PERIOD 500\r\nERROR: 12 bad\r\nSTATUS: READY\r\n"));

    Global::LogListData = Global::LogErrors = Global::LogStatusData = false;
    QCOMPARE(logWith(lines), QByteArray());
}

void TestDispatch::consoleEchoKeepsTheTextNear32000Characters() {
    const QString below = QString(31999, QLatin1Char('x'));
    QCOMPARE(ConsoleEchoText(below, QStringLiteral("n")), below + QStringLiteral("n\r\n"));

    const QString rest = QString(31997, QLatin1Char('y'));
    const QString full = QStringLiteral("a\r\n") + rest; // 32000 characters
    QCOMPARE(ConsoleEchoText(full, QStringLiteral("new")), rest + QStringLiteral("new\r\n"));

    const QString noBreak = QString(32000, QLatin1Char('z'));
    QCOMPARE(ConsoleEchoText(noBreak, QStringLiteral("new")),
             noBreak.mid(1) + QStringLiteral("new\r\n"));

    // Only one old line goes per new line.
    const QString twoLines = QStringLiteral("a\r\nb\r\n") + QString(31994, QLatin1Char('w'));
    QVERIFY(ConsoleEchoText(twoLines, QStringLiteral("c")).startsWith(QStringLiteral("b\r\n")));
}

QTEST_MAIN(TestDispatch)
#include "tst_dispatch.moc"
