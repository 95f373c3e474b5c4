// The program's whole session start-up against the simulated unit, for
// each kind of unit: both sides' readings of the protocol must agree.

#include "core/registry.h"
#include "fixture.h"
#include "mainwin/mdimain.h"
#include "qelsim/simulator.h"
#include "session/mainform.h"
#include "session/state.h"

#include "sessionhelpers.h"
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <QtTest>

namespace {

// The commands the simulator received, from its record (timestamps and
// connection notes left out; CR shown as <CR>).
QStringList commandsReceived(const QString& recordPath) {
    QFile file(recordPath);
    QStringList commands;
    if (!file.open(QIODevice::ReadOnly))
        return commands;
    for (const QString& line : QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'))) {
        const QString entry = line.mid(24);
        if (!entry.isEmpty() && !entry.startsWith(QLatin1String("# ")))
            commands << entry;
    }
    return commands;
}

} // namespace

class TestSimSession : public QObject {
    Q_OBJECT
private slots:
    void sessionStartUpCompletesAgainstEveryKindOfUnit_data();
    void sessionStartUpCompletesAgainstEveryKindOfUnit();
};

void TestSimSession::sessionStartUpCompletesAgainstEveryKindOfUnit_data() {
    QTest::addColumn<QString>("model");
    for (const QString& code : qelsim::modelCodes())
        QTest::newRow(qPrintable(code)) << code;
}

void TestSimSession::sessionStartUpCompletesAgainstEveryKindOfUnit() {
    QFETCH(QString, model);
    ProgramFixture fx;
    qelsim::SimOptions options;
    options.port = 0;
    options.bind = QHostAddress(QHostAddress::LocalHost);
    QVERIFY(qelsim::modelFromCode(model, &options.model));
    options.recordFile = fx.dir() + QStringLiteral("/received.txt");
    qelsim::Simulator sim(options);
    QString error;
    QVERIFY2(sim.start(&error), qPrintable(error));

    fx.startProgram();
    Main& main = Registry::get<Main>();
    const QString address = QStringLiteral("127.0.0.1:%1").arg(sim.port());
    StartConnecting(address);

    // The four settings groups are requested one after the other, each
    // answered to its last line, and the send list ends.
    const QStringList startUp = {"SET BIN 0<CR>", "SET FORMAT 0<CR>", "List I<CR>",
                                 "List C<CR>",    "List H<CR>",       "List S<CR>"};
    QTRY_VERIFY_WITH_TIMEOUT(commandsReceived(options.recordFile).size() >= startUp.size(), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(!main.tmrResponse->isActive(), 15000);
    QCOMPARE(commandsReceived(options.recordFile).mid(0, startUp.size()), startUp);
    QCOMPARE(Global::ConnectState, qint16(2));

    // No time-out, and the host check passed: no correction was sent.
    QCOMPARE(fx.prompt->messages(), QStringList());
    for (const QString& command : commandsReceived(options.recordFile))
        QVERIFY2(!command.startsWith(QLatin1String("SET HOST")), qPrintable(command));

    QCOMPARE(Registry::get<MDIMain>().PanelText(1), QStringLiteral("Connected to ") + address +
                                                        QStringLiteral(" (Model ") + model +
                                                        QLatin1Char(')'));
    // The model's kind reached the program, and with it the source of the
    // channel ranges: the simulated per-channel units have 50 psi sensors
    // on channel 15, all others the 15 psi bank range.
    QCOMPARE(Global::ModuleModel, options.model.moduleStyle);
    QCOMPARE(Global::PerChannelMax, options.model.perChannelRanges);
    QCOMPARE(Global::ChannelRange[15],
             options.model.perChannelRanges ? QStringLiteral("50") : QStringLiteral("15"));
    QCOMPARE(Global::FramesPerScan, 100.0f);
    QCOMPARE(Global::FrameInterval, 0.064f);
    QCOMPARE(Global::UnitScan, QStringLiteral("PSI"));
    QVERIFY(sim.hasClient());
}

QTEST_MAIN(TestSimSession)
#include "tst_sim_session.moc"
