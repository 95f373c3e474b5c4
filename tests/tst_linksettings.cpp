// The link settings: the settings store, the "Orvik Configuration" dialog and
// the Global copy the program runs with.

#include "core/activation.h"
#include "core/registry.h"
#include "fixture.h"
#include "mainwin/mdimain.h"
#include "session/connection.h"
#include "session/linkconfig.h"
#include "session/linksettings.h"
#include "session/mainform.h"
#include "session/state.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

namespace {

// The [Startup] section of the settings file as key -> text.
QMap<QString, QString> StoredKeys(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QMap<QString, QString> keys;
    bool inSection = false;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromLatin1(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inSection = line == QLatin1String("[Startup]");
        else if (inSection && line.contains(QLatin1Char('=')))
            keys.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    }
    return keys;
}

void WriteSettings(const QString& file, const QStringList& lines) {
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[Startup]\n" + lines.join(QLatin1Char('\n')).toLatin1() + "\n");
}

MDIMain& Frame() {
    return Registry::get<MDIMain>();
}

LinkConfig& Dialog() {
    return Registry::get<LinkConfig>();
}

// Exit, then a fresh start of the program as after a restart.
void Restart(ProgramFixture& fixture) {
    Frame().mnuExit->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!Registry::peek<MDIMain>());
    Registry::unloadAll();
    Global::Reset();
    fixture.startProgram();
}

} // namespace

class TestLinkSettings : public QObject {
    Q_OBJECT
private slots:
    void dialogShowsItsCaptionsInFourGroups();
    void firstStartWithoutStoredSettingsUsesTheDefaults();
    void exitWritesTheNineteenKeysAsText();
    void settingsChangedInTheDialogShowAgainAfterARestart();
    void onlyAnExactTrueReadsAsTrue();
    void storedBoxTextTheBoxCannotTakeGivesTheDefault_data();
    void storedBoxTextTheBoxCannotTakeGivesTheDefault();
    void intervalBoxTakesOneDigitAndDwellBoxUpToThree();
    void emptyIntervalBoxGivesAnEmptyInterval();
    void activationShowsTheRunningValuesAndDisablesConnect();
    void closeWithPollingOffStopsThePollAndSaysStatusOff();
    void closeWhileConnectedRestartsThePoll();
    void closeWhileNotConnectedLeavesThePollAlone();
    void closingThroughTheFrameAppliesButLeavesThePollAlone();
    void highSpeedSettingsSurviveTheDialogBeingCreatedAgain();
    void browseStoresTheChosenFileAndCancelChangesNothing();
};

void TestLinkSettings::dialogShowsItsCaptionsInFourGroups() {
    ProgramFixture fixture;
    fixture.startProgram();
    LinkConfig& d = Dialog();
    QCOMPARE(d.windowTitle(), QStringLiteral("Orvik Configuration"));
    QCOMPARE(d.frmStatusPoll->title(), QStringLiteral("Status Poll Control"));
    QCOMPARE(d.frmDataLogging->title(), QStringLiteral("Data Logging Control"));
    QCOMPARE(d.frmUpload->title(), QStringLiteral("Upload Control"));
    QCOMPARE(d.Frame2->title(), QStringLiteral("High Speed Scan"));
    QCOMPARE(d.optStatusPollAlways->text(), QStringLiteral("Status Poll On"));
    QCOMPARE(d.optStatusPollOff->text(), QStringLiteral("Status Poll Off"));
    QCOMPARE(d.Label1->text(), QStringLiteral("Status Poll Interval in Seconds"));
    QCOMPARE(d.chkScanData->text(), QStringLiteral("Log Scan Data"));
    QCOMPARE(d.chkListData->text(), QStringLiteral("Log List Data"));
    QCOMPARE(d.chkErrors->text(), QStringLiteral("Log Errors"));
    QCOMPARE(d.chkStatusData->text(), QStringLiteral("Log Status Data"));
    QCOMPARE(d.chkOutgoing->text(), QStringLiteral("Log Outging Commands"));
    QCOMPARE(d.Label3->text(), QStringLiteral("Upload Dwell In ms"));
    QCOMPARE(d.chkHSS->text(), QStringLiteral("High Speed Scan Enabled"));
    QCOMPARE(d.Label12->text(), QStringLiteral("Data File Name"));
    QCOMPARE(d.cmdBrowse->text(), QStringLiteral("Browse"));
    QCOMPARE(d.cmdOk->text(), QStringLiteral("Close"));

    // Each control sits in its group, in the order of the layout.
    for (QWidget* w : QList<QWidget*>{d.optStatusPollAlways, d.optStatusPollOff,
                                      d.medStatusPollInterval, d.Label1})
        QCOMPARE(w->parentWidget(), d.frmStatusPoll);
    for (QWidget* w :
         QList<QWidget*>{d.chkScanData, d.chkListData, d.chkErrors, d.chkStatusData, d.chkOutgoing})
        QCOMPARE(w->parentWidget(), d.frmDataLogging);
    QCOMPARE(d.medUploadDwell->parentWidget(), d.frmUpload);
    for (QWidget* w : QList<QWidget*>{d.chkHSS, d.txtHssFileName, d.Label12, d.cmdBrowse})
        QCOMPARE(w->parentWidget(), d.Frame2);
    QVERIFY(d.frmStatusPoll->x() < d.frmDataLogging->x());
    QCOMPARE(d.frmStatusPoll->y(), d.frmDataLogging->y());
    QVERIFY(d.frmStatusPoll->geometry().bottom() < d.frmUpload->y());
    QVERIFY(d.frmUpload->geometry().bottom() < d.Frame2->y());
    QVERIFY(d.Frame2->geometry().bottom() < d.cmdOk->y());
    QVERIFY(d.chkScanData->y() < d.chkListData->y());
    QVERIFY(d.chkStatusData->y() < d.chkOutgoing->y());
    QVERIFY(d.Label12->x() < d.txtHssFileName->x());
    QVERIFY(d.txtHssFileName->geometry().right() < d.cmdBrowse->x());
    QVERIFY(!d.isVisible()); // loaded hidden at start-up
}

void TestLinkSettings::firstStartWithoutStoredSettingsUsesTheDefaults() {
    ProgramFixture fixture;
    QVERIFY(!QFile::exists(fixture.settingsFile()));
    fixture.startProgram();
    LinkConfig& d = Dialog();
    QVERIFY(d.optStatusPollAlways->isChecked());
    QVERIFY(!d.optStatusPollOff->isChecked());
    QCOMPARE(d.medStatusPollInterval->text(), QStringLiteral("2"));
    QVERIFY(d.chkScanData->isChecked());
    QVERIFY(!d.chkListData->isChecked());
    QVERIFY(!d.chkErrors->isChecked());
    QVERIFY(!d.chkStatusData->isChecked());
    QVERIFY(!d.chkOutgoing->isChecked());
    QCOMPARE(d.medUploadDwell->text(), QStringLiteral("300"));
    QVERIFY(!d.chkHSS->isChecked());
    QCOMPARE(d.txtHssFileName->text(), QString());

    QVERIFY(Global::StatusPollAlways);
    QVERIFY(!Global::StatusPollOff);
    QCOMPARE(Global::StatusPollInterval, QStringLiteral("2"));
    QVERIFY(Global::LogScanData);
    QVERIFY(!Global::LogListData && !Global::LogErrors && !Global::LogStatusData &&
            !Global::LogOutgoing);
    QCOMPARE(Global::UploadDwell, QStringLiteral("300"));
    QVERIFY(!Global::HssEnabled);
    QCOMPARE(Global::HssFileText, QString());

    MDIMain& f = Frame();
    QVERIFY(f.mnuBarGraphPress->isChecked());
    QVERIFY(!f.mnuBarGraphTemp->isChecked());
    for (int places = 0; places <= 5; ++places)
        QCOMPARE(f.DecimalPlacesItem(places)->isChecked(), places == 2);
}

void TestLinkSettings::exitWritesTheNineteenKeysAsText() {
    ProgramFixture fixture;
    fixture.startProgram();
    Frame().mnuExit->trigger();
    QVERIFY(QFile::exists(fixture.settingsFile()));
    const QMap<QString, QString> expected = {
        {"StatusPollAlways", "True"}, {"StatusPollOff", "False"},   {"StatusPollInterval", "2"},
        {"LogScanData", "True"},      {"LogListData", "False"},     {"LogErrors", "False"},
        {"LogStatusData", "False"},   {"LogOutgoing", "False"},     {"UploadDwell", "300"},
        {"Pressure", "True"},         {"Temperature", "False"},     {"BarGraph0Places", "False"},
        {"BarGraph1Places", "False"}, {"BarGraph2Places", "True"},  {"BarGraph3Places", "False"},
        {"BarGraph4Places", "False"}, {"BarGraph5Places", "False"}, {"HssEnabled", "False"},
        {"HssFileName", ""}};
    QCOMPARE(StoredKeys(fixture.settingsFile()), expected);
}

void TestLinkSettings::settingsChangedInTheDialogShowAgainAfterARestart() {
    ProgramFixture fixture;
    fixture.startProgram();
    MDIMain& f = Frame();
    f.mnuOrvikSettings->trigger();
    LinkConfig& d = Dialog();
    QVERIFY(d.isVisible());
    d.optStatusPollOff->click();
    d.medStatusPollInterval->setText(QStringLiteral("5"));
    d.chkScanData->click();
    d.chkErrors->click();
    d.chkOutgoing->click();
    d.medUploadDwell->setText(QStringLiteral("45"));
    d.chkHSS->click();
    d.txtHssFileName->setText(QStringLiteral("/data/fast run.csv"));
    d.cmdOk->click();
    QVERIFY(!d.isVisible());
    QCOMPARE(Registry::peek<LinkConfig>(), &d); // Close hides, the dialog stays loaded
    f.mnuBarGraphTemp->trigger();
    f.mnuBarGraph4Places->trigger();

    Restart(fixture);

    const QMap<QString, QString> stored = StoredKeys(fixture.settingsFile());
    QCOMPARE(stored.value("StatusPollAlways"), QStringLiteral("False"));
    QCOMPARE(stored.value("StatusPollOff"), QStringLiteral("True"));
    QCOMPARE(stored.value("BarGraph4Places"), QStringLiteral("True"));
    QCOMPARE(stored.value("BarGraph2Places"), QStringLiteral("False"));

    LinkConfig& again = Dialog();
    QVERIFY(!again.optStatusPollAlways->isChecked());
    QVERIFY(again.optStatusPollOff->isChecked());
    QCOMPARE(again.medStatusPollInterval->text(), QStringLiteral("5"));
    QVERIFY(!again.chkScanData->isChecked());
    QVERIFY(!again.chkListData->isChecked());
    QVERIFY(again.chkErrors->isChecked());
    QVERIFY(!again.chkStatusData->isChecked());
    QVERIFY(again.chkOutgoing->isChecked());
    QCOMPARE(again.medUploadDwell->text(), QStringLiteral("45"));
    QVERIFY(again.chkHSS->isChecked());
    QCOMPARE(again.txtHssFileName->text(), QStringLiteral("/data/fast run.csv"));

    QVERIFY(!Global::StatusPollAlways);
    QVERIFY(Global::StatusPollOff);
    QCOMPARE(Global::StatusPollInterval, QStringLiteral("5"));
    QVERIFY(!Global::LogScanData);
    QVERIFY(Global::LogErrors);
    QVERIFY(Global::LogOutgoing);
    QCOMPARE(Global::UploadDwell, QStringLiteral("45"));
    QVERIFY(Global::HssEnabled);
    QCOMPARE(Global::HssFileText, QStringLiteral("/data/fast run.csv"));

    MDIMain& f2 = Frame();
    QVERIFY(!f2.mnuBarGraphPress->isChecked());
    QVERIFY(f2.mnuBarGraphTemp->isChecked());
    for (int places = 0; places <= 5; ++places)
        QCOMPARE(f2.DecimalPlacesItem(places)->isChecked(), places == 4);
}

void TestLinkSettings::onlyAnExactTrueReadsAsTrue() {
    ProgramFixture fixture;
    WriteSettings(fixture.settingsFile(),
                  {"StatusPollAlways=true", "StatusPollOff=TRUE", "LogScanData=1",
                   "LogListData=True", "LogErrors=yes", "Pressure=true", "Temperature=True",
                   "BarGraph2Places=true", "BarGraph5Places=True", "HssEnabled=true"});
    fixture.startProgram();
    LinkConfig& d = Dialog();
    QVERIFY(!d.optStatusPollAlways->isChecked());
    QVERIFY(!d.optStatusPollOff->isChecked());
    QVERIFY(!d.chkScanData->isChecked());
    QVERIFY(d.chkListData->isChecked());
    QVERIFY(!d.chkErrors->isChecked());
    QVERIFY(!d.chkHSS->isChecked());
    QVERIFY(!Global::StatusPollAlways);
    QVERIFY(!Global::LogScanData);
    QVERIFY(Global::LogListData);
    MDIMain& f = Frame();
    QVERIFY(!f.mnuBarGraphPress->isChecked());
    QVERIFY(f.mnuBarGraphTemp->isChecked());
    QVERIFY(!f.mnuBarGraph2Places->isChecked());
    QVERIFY(f.mnuBarGraph5Places->isChecked());
}

void TestLinkSettings::storedBoxTextTheBoxCannotTakeGivesTheDefault_data() {
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QString>("dwell");
    QTest::addColumn<QString>("shownInterval");
    QTest::addColumn<QString>("shownDwell");
    QTest::newRow("fits") << "7"
                          << "45"
                          << "7"
                          << "45";
    QTest::newRow("blanks around") << " 3 "
                                   << " 120"
                                   << "3"
                                   << "120";
    QTest::newRow("too many digits") << "12"
                                     << "1000"
                                     << "2"
                                     << "300";
    QTest::newRow("not digits") << "a"
                                << "3x"
                                << "2"
                                << "300";
    QTest::newRow("negative") << "-1"
                              << "-50"
                              << "2"
                              << "300";
    QTest::newRow("stored empty") << ""
                                  << ""
                                  << ""
                                  << "";
}

void TestLinkSettings::storedBoxTextTheBoxCannotTakeGivesTheDefault() {
    QFETCH(QString, interval);
    QFETCH(QString, dwell);
    QFETCH(QString, shownInterval);
    QFETCH(QString, shownDwell);
    ProgramFixture fixture;
    WriteSettings(fixture.settingsFile(),
                  {QStringLiteral("StatusPollInterval=\"%1\"").arg(interval),
                   QStringLiteral("UploadDwell=\"%1\"").arg(dwell)});
    fixture.startProgram();
    QCOMPARE(Dialog().medStatusPollInterval->text(), shownInterval);
    QCOMPARE(Dialog().medUploadDwell->text(), shownDwell);
    QCOMPARE(Global::StatusPollInterval, shownInterval);
    QCOMPARE(Global::UploadDwell, shownDwell);
}

void TestLinkSettings::intervalBoxTakesOneDigitAndDwellBoxUpToThree() {
    ProgramFixture fixture;
    fixture.startProgram();
    LinkConfig& d = Dialog();
    d.medStatusPollInterval->clear();
    d.medStatusPollInterval->setCursorPosition(0);
    QTest::keyClicks(d.medStatusPollInterval, QStringLiteral("x73"));
    QCOMPARE(d.medStatusPollInterval->text(), QStringLiteral("7"));
    QCOMPARE(d.medStatusPollInterval->displayText(), QStringLiteral("7"));

    d.medUploadDwell->clear();
    d.medUploadDwell->setCursorPosition(0);
    QTest::keyClicks(d.medUploadDwell, QStringLiteral("5"));
    QCOMPARE(d.medUploadDwell->text(), QStringLiteral("5"));
    QCOMPARE(d.medUploadDwell->displayText(), QStringLiteral("5__")); // prompt character "_"
    QTest::keyClicks(d.medUploadDwell, QStringLiteral("a-9.99"));
    QCOMPARE(d.medUploadDwell->text(), QStringLiteral("599"));

    d.cmdOk->click();
    QCOMPARE(Global::StatusPollInterval, QStringLiteral("7"));
    QCOMPARE(Global::UploadDwell, QStringLiteral("599"));
}

void TestLinkSettings::emptyIntervalBoxGivesAnEmptyInterval() {
    ProgramFixture fixture;
    fixture.startProgram();
    LinkConfig& d = Dialog();
    d.medStatusPollInterval->clear();
    QCOMPARE(d.medStatusPollInterval->text(), QString());
    QCOMPARE(d.medStatusPollInterval->displayText(), QStringLiteral("_"));
    d.cmdOk->click();
    QCOMPARE(Global::StatusPollInterval, QString());
    Frame().mnuExit->trigger();
    QCOMPARE(StoredKeys(fixture.settingsFile()).value("StatusPollInterval"), QString());
}

void TestLinkSettings::activationShowsTheRunningValuesAndDisablesConnect() {
    ProgramFixture fixture;
    fixture.startProgram();
    LinkConfig& d = Dialog();
    // Something changed the running values since the dialog last showed them.
    Global::LogErrors = true;
    Global::UploadDwell = QStringLiteral(" 80 ");
    Global::StatusPollAlways = false;
    Global::StatusPollOff = true;
    Activation::reset();
    Activation::windowActivated(&Frame());
    Activation::windowActivated(&d);
    QVERIFY(d.chkErrors->isChecked());
    QCOMPARE(d.medUploadDwell->text(), QStringLiteral("80"));
    QVERIFY(d.optStatusPollOff->isChecked());
    QVERIFY(!d.optStatusPollAlways->isChecked());
    QVERIFY(!Registry::get<Main>().Command1->isEnabled());
    d.cmdOk->click();
    QVERIFY(Registry::get<Main>().Command1->isEnabled());
}

void TestLinkSettings::closeWithPollingOffStopsThePollAndSaysStatusOff() {
    ProgramFixture fixture;
    fixture.startProgram();
    QTimer* poll = Registry::get<Main>().tmrStatus;
    poll->setInterval(60000);
    poll->start();
    Global::ConnectState = 2;
    LinkConfig& d = Dialog();
    d.showForm();
    d.optStatusPollOff->click();
    d.cmdOk->click();
    QVERIFY(!poll->isActive());
    QCOMPARE(Frame().PanelText(2), QStringLiteral("Status Off"));
    QVERIFY(!Global::StatusPollAlways);
    QVERIFY(Global::StatusPollOff);
    QVERIFY(!d.isVisible());
    Global::ConnectState = 0;
}

void TestLinkSettings::closeWhileConnectedRestartsThePoll() {
    ProgramFixture fixture;
    fixture.startProgram();
    QTimer* poll = Registry::get<Main>().tmrStatus;
    poll->stop();
    poll->setInterval(60000);
    Global::ConnectState = 2;
    Dialog().showForm();
    Dialog().cmdOk->click();
    QVERIFY(poll->isActive());
    QCOMPARE(poll->interval(), 60000); // not recomputed here
    QCOMPARE(Frame().PanelText(2), QStringLiteral("Getting Status"));
    poll->stop();
    Global::ConnectState = 0;
}

void TestLinkSettings::closeWhileNotConnectedLeavesThePollAlone() {
    ProgramFixture fixture;
    fixture.startProgram();
    QTimer* poll = Registry::get<Main>().tmrStatus;
    poll->stop();
    poll->setInterval(60000);
    Frame().SetPanel(2, QStringLiteral("as before"));
    Dialog().showForm();
    Dialog().cmdOk->click();
    QVERIFY(!poll->isActive());
    QCOMPARE(Frame().PanelText(2), QStringLiteral("as before"));
}

void TestLinkSettings::closingThroughTheFrameAppliesButLeavesThePollAlone() {
    ProgramFixture fixture;
    fixture.startProgram();
    QTimer* poll = Registry::get<Main>().tmrStatus;
    poll->setInterval(60000);
    poll->start();
    Frame().SetPanel(2, QStringLiteral("as before"));
    LinkConfig& d = Dialog();
    d.showForm();
    d.optStatusPollOff->click();
    d.chkListData->click();
    Global::DisableConnectButton();
    QVERIFY(d.close());
    QVERIFY(!Registry::peek<LinkConfig>()); // unloaded
    QVERIFY(Global::StatusPollOff);
    QVERIFY(!Global::StatusPollAlways);
    QVERIFY(Global::LogListData);
    QVERIFY(poll->isActive());
    QCOMPARE(Frame().PanelText(2), QStringLiteral("as before"));
    QVERIFY(Registry::get<Main>().Command1->isEnabled());
    poll->stop();
}

void TestLinkSettings::highSpeedSettingsSurviveTheDialogBeingCreatedAgain() {
    ProgramFixture fixture;
    fixture.startProgram();
    LinkConfig& d = Dialog();
    d.showForm();
    d.chkHSS->click();
    d.txtHssFileName->setText(QStringLiteral("capture.csv"));
    d.chkErrors->click();
    QVERIFY(d.close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    LinkConfig& again = Dialog();
    QVERIFY(again.chkHSS->isChecked());
    QCOMPARE(again.txtHssFileName->text(), QStringLiteral("capture.csv"));
    QVERIFY(again.chkErrors->isChecked()); // shows what the program runs with
    QVERIFY(again.optStatusPollAlways->isChecked());
    QCOMPARE(again.medUploadDwell->text(), QStringLiteral("300"));

    // Also when the dialog is gone at shut-down.
    Registry::unload<LinkConfig>();
    Frame().mnuExit->trigger();
    const QMap<QString, QString> stored = StoredKeys(fixture.settingsFile());
    QCOMPARE(stored.value("HssEnabled"), QStringLiteral("True"));
    QCOMPARE(stored.value("HssFileName"), QStringLiteral("capture.csv"));
    QCOMPARE(stored.value("LogErrors"), QStringLiteral("True"));
    QCOMPARE(stored.value("UploadDwell"), QStringLiteral("300"));
}

void TestLinkSettings::browseStoresTheChosenFileAndCancelChangesNothing() {
    ProgramFixture fixture;
    fixture.startProgram();
    LinkConfig& d = Dialog();
    d.txtHssFileName->setText(QStringLiteral("old.csv"));
    d.cmdBrowse->click(); // cancelled
    QCOMPARE(d.txtHssFileName->text(), QStringLiteral("old.csv"));
    QCOMPARE(Global::HssFileName, QString());

    fixture.prompt->fileAnswers.enqueue(QStringLiteral("/data/run 7.csv"));
    d.cmdBrowse->click();
    QCOMPARE(d.txtHssFileName->text(), QStringLiteral("/data/run 7.csv"));
    QCOMPARE(Global::HssFileName, QStringLiteral("/data/run 7.csv"));
    QCOMPARE(Global::HssFileText, QStringLiteral("/data/run 7.csv"));

    QCOMPARE(fixture.prompt->shown.size(), 2);
    for (const ShownPrompt& p : fixture.prompt->shown) {
        QCOMPARE(p.kind, QStringLiteral("open"));
        QCOMPARE(p.text, QStringLiteral("Comma Separated Variable Files (*.csv)|*.csv"));
    }
}

QTEST_MAIN(TestLinkSettings)
#include "tst_linksettings.moc"
