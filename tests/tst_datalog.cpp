// The data log: the writer's record kinds, outgoing commands and received
// lines in plain and comma-separated logs, and the log file's life.

#include "core/registry.h"
#include "fakeunit.h"
#include "fixture.h"
#include "mainwin/logfile.h"
#include "session/log.h"
#include "session/send.h"
#include "session/state.h"
#include "sessionhelpers.h"

#include <QFile>
#include <QtTest>

#include <memory>

namespace {

// What the log file holds once the writer has written out its buffer.
QByteArray Contents(const QString& path) {
    Global::FlushLog();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace

class TestDataLog : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void recordKindsOfTheWriter();
    void outgoingCommandsAreLoggedBeforeTheyAreSent();
    void plainLogHoldsLinesExactlyAsReceived();
    void openLogFileAsksWithTheFilterAndTruncates();
    void csvLayoutFollowsTheFileNameEnding_data();
    void csvLayoutFollowsTheFileNameEnding();
    void openingAnotherLogReplacesTheOpenOneOnlyOnceItOpened();

private:
    QString openLog(const QString& name);
    std::unique_ptr<ProgramFixture> fx;
};

void TestDataLog::init() {
    fx = std::make_unique<ProgramFixture>();
    fx->startProgram();
}

void TestDataLog::cleanup() {
    fx.reset();
}

QString TestDataLog::openLog(const QString& name) {
    const QString path = fx->dir() + QLatin1Char('/') + name;
    fx->prompt->fileAnswers.enqueue(path);
    Global::OpenLogFile();
    return path;
}

void TestDataLog::recordKindsOfTheWriter() {
    Global::WriteLog(0, QStringLiteral("before any log")); // nothing open: nothing happens
    const QString csv = openLog(QStringLiteral("rows.csv"));
    Global::WriteLog(1, QStringLiteral("  4.5 "));
    Global::WriteLog(1, QStringLiteral("3"));
    Global::WriteLog(2, QStringLiteral(" 2.6"));
    Global::WriteLog(0, QStringLiteral("SET  PERIOD 500"));
    Global::WriteLog(3, QStringLiteral("ignored"));
    Global::CloseLogFile();
    Global::WriteLog(0, QStringLiteral("after close"));
    QCOMPARE(Contents(csv), QByteArray("4.5,3, 2.6\r\nSET,,PERIOD,500\r\n"));

    const QString plain = openLog(QStringLiteral("plain.log"));
    Global::WriteLog(0, QStringLiteral("SET  PERIOD 500"));
    Global::WriteLog(0, QString::fromLatin1("caf\xe9 \xb0"));
    // Written records are on disk before the file is closed.
    QCOMPARE(Contents(plain), QByteArray("SET  PERIOD 500\r\ncaf\xe9 \xb0\r\n"));
}

void TestDataLog::outgoingCommandsAreLoggedBeforeTheyAreSent() {
    const QString csv = openLog(QStringLiteral("out.csv"));
    Global::LogOutgoing = true;
    FakeUnit unit;
    QVERIFY(ConnectToUnit(unit));
    QVERIFY(unit.waitForReceived("List I\r"));
    Global::SendToQel(QStringLiteral("SET FPS 100\r"));
    QVERIFY(unit.waitForReceived("SET FPS 100\r"));
    QCOMPARE(Contents(csv),
             QByteArray("SET,BIN,0\r\r\nSET,FORMAT,0\r\r\nList,I\r\r\nSET,FPS,100\r\r\n"));

    // With the connection gone a command is still logged, and nothing fails.
    unit.closeClient();
    QTRY_COMPARE(Global::ConnectState, qint16(0));
    Global::SendToQel(QStringLiteral("STOP\r"));
    QVERIFY(Contents(csv).endsWith("STOP\r\r\n"));
    QVERIFY(fx->prompt->shown.size() == 1); // only the file dialog
}

void TestDataLog::plainLogHoldsLinesExactlyAsReceived() {
    const QString path = openLog(QStringLiteral("session.txt"));
    Global::LogListData = Global::LogErrors = Global::LogStatusData = true;
    FakeUnit unit;
    QVERIFY(ConnectToUnit(unit));
    unit.sendRaw("SET  ODD  BLANKS \r\nERROR: 7 bad,value\r\nSTATUS: READY\r\nhello\r\n");
    QTRY_VERIFY(Contents(path).contains("STATUS"));
    QCOMPARE(Contents(path),
             QByteArray("SET  ODD  BLANKS \r\nERROR: 7 bad,value\r\nSTATUS: READY\r\n"));
}

void TestDataLog::openLogFileAsksWithTheFilterAndTruncates() {
    // Cancelling changes nothing.
    Global::OpenLogFile();
    QCOMPARE(fx->prompt->shown.size(), 1);
    QCOMPARE(fx->prompt->shown.first().kind, QStringLiteral("open"));
    QCOMPARE(fx->prompt->shown.first().text,
             QStringLiteral("Comma Separated Variable Files (*.csv)|*.csv|Log Files (*.log)|*.log|"
                            "Text Files (*.txt)|*.txt|All Files (*.*)|*.*"));
    QVERIFY(!Global::LogFileOpen);
    QCOMPARE(PanelText(3), QStringLiteral("No Log File"));

    const QString path = fx->dir() + QStringLiteral("/old.log");
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old content that must go\r\n");
    }
    QCOMPARE(openLog(QStringLiteral("old.log")), path);
    QVERIFY(Global::LogFileOpen);
    QCOMPARE(Global::LogFileName, path);
    QCOMPARE(PanelText(3), QStringLiteral("Logging to ") + path);
    QCOMPARE(Contents(path), QByteArray());

    Global::WriteLog(0, QStringLiteral("new"));
    Global::CloseLogFile();
    QVERIFY(!Global::LogFileOpen);
    QCOMPARE(Global::LogFileName, QString());
    QCOMPARE(PanelText(3), QStringLiteral("No Log File"));
    QCOMPARE(Contents(path), QByteArray("new\r\n"));
}

void TestDataLog::csvLayoutFollowsTheFileNameEnding_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("csv");
    QTest::newRow("csv") << "a.csv" << true;
    QTest::newRow("mixed case") << "b.CsV" << true;
    QTest::newRow("trailing blanks") << "c.csv  " << true;
    QTest::newRow("no dot") << "datacsv" << true;
    QTest::newRow("txt") << "d.txt" << false;
    QTest::newRow("csv before log") << "e.csv.log" << false;
}

void TestDataLog::csvLayoutFollowsTheFileNameEnding() {
    QFETCH(QString, name);
    QFETCH(bool, csv);
    openLog(name);
    QVERIFY(Global::LogFileOpen);
    QCOMPARE(Global::LogIsCsv, csv);
}

void TestDataLog::openingAnotherLogReplacesTheOpenOneOnlyOnceItOpened() {
    // A failed open shows the name and leaves no log.
    const QString bad = fx->dir() + QStringLiteral("/no/such/dir/x.csv");
    fx->prompt->fileAnswers.enqueue(bad);
    Global::OpenLogFile();
    QCOMPARE(fx->prompt->messages(),
             QStringList({QStringLiteral("Error opening log file ") + bad}));
    QCOMPARE(fx->prompt->shown.last().title, QStringLiteral("Orvik 3"));
    QVERIFY(!Global::LogFileOpen);
    QCOMPARE(Global::LogFileName, QString());
    QCOMPARE(PanelText(3), QStringLiteral("No Log File"));

    const QString first = openLog(QStringLiteral("first.log"));
    Global::WriteLog(0, QStringLiteral("one"));
    Global::OpenLogFile(); // cancelled: the first log goes on
    fx->prompt->fileAnswers.enqueue(bad);
    Global::OpenLogFile(); // fails: the first log goes on as well
    QCOMPARE(fx->prompt->messages().size(), 2);
    QVERIFY(Global::LogFileOpen);
    QCOMPARE(Global::LogFileName, first);
    QCOMPARE(PanelText(3), QStringLiteral("Logging to ") + first);
    Global::WriteLog(0, QStringLiteral("two"));

    const QString second = openLog(QStringLiteral("second.csv"));
    Global::WriteLog(0, QStringLiteral("three 3"));
    QCOMPARE(Global::LogFileName, second);
    QVERIFY(Global::LogIsCsv);
    QCOMPARE(PanelText(3), QStringLiteral("Logging to ") + second);
    QCOMPARE(Contents(first), QByteArray("one\r\ntwo\r\n"));
    QCOMPARE(Contents(second), QByteArray("three,3\r\n"));
}

QTEST_MAIN(TestDataLog)
#include "tst_datalog.moc"
