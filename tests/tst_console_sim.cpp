// The command console against the simulated unit: every list button gets an
// answer the simulator understands, and the console shows that answer line
// for line, as the echo rule builds it from what the simulator sent.

#include "console/commands.h"
#include "core/registry.h"
#include "echorule.h"
#include "fixture.h"
#include "mainwin/mdimain.h"
#include "qelsim/simulator.h"
#include "session/effects.h"
#include "session/mainform.h"
#include "session/state.h"

#include "sessionhelpers.h"
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <QtTest>

#include <memory>

namespace {

// The bytes the simulator has sent, from the given offset on.
QByteArray SentFrom(const QString& recordPath, qint64 offset) {
    QFile file(recordPath);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(offset))
        return {};
    return file.readAll();
}

// Lines the console does not show: the unit's status, in the form of its
// kind, and the module reports of a module-style unit.
bool IsStatusLine(const QByteArray& line, bool moduleStyle) {
    const QByteArray first = line.left(line.indexOf(' '));
    if (moduleStyle)
        return first.startsWith("Module") || first.startsWith("Status->");
    return first == "STATUS:";
}

} // namespace

class TestConsoleSim : public QObject {
    Q_OBJECT
private slots:
    void consoleShowsTheUnitsAnswerToEveryListButton_data() {
        QTest::addColumn<bool>("moduleStyle");
        QTest::newRow("plain unit") << false;
        QTest::newRow("module-style unit") << true;
    }
    void consoleShowsTheUnitsAnswerToEveryListButton();
};

void TestConsoleSim::consoleShowsTheUnitsAnswerToEveryListButton() {
    QFETCH(bool, moduleStyle);
    std::unique_ptr<qelsim::Simulator> sim; // outlives the program
    ProgramFixture fx;
    const QString recordPath = fx.dir() + QStringLiteral("/sent.txt");
    qelsim::SimOptions options;
    options.port = 0;
    options.bind = QHostAddress(QHostAddress::LocalHost);
    options.recordOutputFile = recordPath;
    for (const QString& code : qelsim::modelCodes()) {
        qelsim::Model m;
        if (qelsim::modelFromCode(code, &m) && m.moduleStyle == moduleStyle &&
            !m.perChannelRanges) {
            options.model = m;
            break;
        }
    }
    QCOMPARE(options.model.moduleStyle, moduleStyle);
    sim = std::make_unique<qelsim::Simulator>(options);
    QString error;
    QVERIFY2(sim->start(&error), qPrintable(error));

    fx.startProgram();
    Main& main = Registry::get<Main>();
    StartConnecting(QStringLiteral("127.0.0.1:%1").arg(sim->port()));
    // Connected, and the settings queries of the start-up are answered.
    QTRY_VERIFY_WITH_TIMEOUT(Global::ConnectState == 2 && Global::FrameInterval > 0, 10000);
    QTRY_VERIFY(!main.tmrResponse->isActive());
    main.tmrStatus->stop();
    QCOMPARE(Global::ModuleModel, moduleStyle);

    Registry::get<MDIMain>().mnuCommands->trigger();
    Commands& console = Registry::get<Commands>();
    QVERIFY(console.isVisible());
    const qint64 opened = QFileInfo(recordPath).size();

    for (QPushButton* button :
         {console.cmdListI, console.cmdListS, console.cmdListC, console.cmdListD, console.cmdListZ,
          console.cmdListG, console.cmdListO, console.cmdListM, console.cmdListAall}) {
        const QByteArray name = button->text().toLatin1();
        const qint64 before = QFileInfo(recordPath).size();
        button->click();
        QVERIFY2(QTest::qWaitFor([&] { return QFileInfo(recordPath).size() > before; }), name);
        const QByteArray answer = SentFrom(recordPath, before);
        QVERIFY2(answer.endsWith("\r\n"), name);
        // The simulator understood the command.
        QVERIFY2(!answer.startsWith("ERROR:") && !answer.contains("\nERROR:"), answer.constData());

        // The console holds what the echo rule makes of every line sent since it opened.
        QString expected;
        for (const QByteArray& line : SentFrom(recordPath, opened).split('\n'))
            if (line.endsWith('\r') && line.size() > 1 &&
                !IsStatusLine(line.chopped(1), moduleStyle))
                expected = ConsoleEchoText(expected, QString::fromLatin1(line.chopped(1)));
        QVERIFY2(QTest::qWaitFor([&] { return console.ResultText() == expected; }), name);
    }
}

QTEST_MAIN(TestConsoleSim)
#include "tst_console_sim.moc"
