// The link settings: the settings store, the "Orvik Configuration" dialog and
// the Global copy the program runs with.

#include "core/activation.h"
#include "core/registry.h"
#include "fixture.h"
#include "mainwin/mdimain.h"
#include "session/connection.h"
#include "session/linkconfig.h"
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

// The dialog's state as one line: the switches as 0/1, then the boxes.
QString Shown(LinkConfig& d) {
    QString s;
    for (QAbstractButton* b : QList<QAbstractButton*>{d.optStatusPollAlways, d.optStatusPollOff,
                                                      d.chkScanData, d.chkListData, d.chkErrors,
                                                      d.chkStatusData, d.chkOutgoing, d.chkHSS})
        s += b->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
    return s + QLatin1Char(' ') + d.medStatusPollInterval->text() + QLatin1Char(' ') +
           d.medUploadDwell->text() + QLatin1Char(' ') + d.txtHssFileName->text();
}

// The Global copy in the same form.
QString Running() {
    QString s;
    for (bool b :
         {Global::StatusPollAlways, Global::StatusPollOff, Global::LogScanData, Global::LogListData,
          Global::LogErrors, Global::LogStatusData, Global::LogOutgoing, Global::HssEnabled})
        s += b ? QLatin1Char('1') : QLatin1Char('0');
    return s + QLatin1Char(' ') + Global::StatusPollInterval + QLatin1Char(' ') +
           Global::UploadDwell + QLatin1Char(' ') + Global::HssFileText;
}

// The display items: "P" or "T" for the checked one, then the checked places.
QString Menus() {
    MDIMain& f = Registry::get<MDIMain>();
    QString s = QLatin1String(f.mnuBarGraphPress->isChecked() ? "P" : "") +
                QLatin1String(f.mnuBarGraphTemp->isChecked() ? "T" : "");
    for (int places = 0; places <= 5; ++places)
        if (f.DecimalPlacesItem(places)->isChecked())
            s += QString::number(places);
    return s;
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
    void firstStartUsesTheDefaultsAndExitWritesTheNineteenKeys();
    void settingsChangedInTheDialogShowAgainAfterARestart();
    void storedSettingsShowAsTheControlsCanTakeThem_data();
    void storedSettingsShowAsTheControlsCanTakeThem();
    void boxesTakeOnlyTheDigitsTheirMasksAllow();
    void activationShowsTheRunningValuesAndDisablesConnect();
    void closeSetsThePollByStateAndSwitch_data();
    void closeSetsThePollByStateAndSwitch();
    void unloadingAppliesLeavesThePollAndKeepsTheHighSpeedSettings();
    void browseStoresTheChosenFileAndCancelChangesNothing();
};

void TestLinkSettings::dialogShowsItsCaptionsInFourGroups() {
    ProgramFixture fixture;
    fixture.startProgram();
    LinkConfig& d = Dialog();
    QVERIFY(!d.isVisible()); // loaded hidden at start-up
    QCOMPARE(d.windowTitle(), QStringLiteral("Orvik Configuration"));
    // Each control with its caption and the group it sits in.
    const struct {
        QWidget* w;
        const char* caption;
        QWidget* group;
    } controls[] = {{d.frmStatusPoll, "Status Poll Control", &d},
                    {d.frmDataLogging, "Data Logging Control", &d},
                    {d.frmUpload, "Upload Control", &d},
                    {d.Frame2, "High Speed Scan", &d},
                    {d.optStatusPollAlways, "Status Poll On", d.frmStatusPoll},
                    {d.optStatusPollOff, "Status Poll Off", d.frmStatusPoll},
                    {d.Label1, "Status Poll Interval in Seconds", d.frmStatusPoll},
                    {d.medStatusPollInterval, "", d.frmStatusPoll},
                    {d.chkScanData, "Log Scan Data", d.frmDataLogging},
                    {d.chkListData, "Log List Data", d.frmDataLogging},
                    {d.chkErrors, "Log Errors", d.frmDataLogging},
                    {d.chkStatusData, "Log Status Data", d.frmDataLogging},
                    {d.chkOutgoing, "Log Outging Commands", d.frmDataLogging},
                    {d.Label3, "Upload Dwell In ms", nullptr},
                    {d.medUploadDwell, "", d.frmUpload},
                    {d.chkHSS, "High Speed Scan Enabled", d.Frame2},
                    {d.Label12, "Data File Name", d.Frame2},
                    {d.txtHssFileName, "", d.Frame2},
                    {d.cmdBrowse, "Browse", d.Frame2},
                    {d.cmdOk, "Close", nullptr}};
    for (const auto& c : controls) {
        const char* property = qobject_cast<QGroupBox*>(c.w) ? "title" : "text";
        if (*c.caption)
            QCOMPARE(c.w->property(property).toString(), QString::fromLatin1(c.caption));
        if (c.group)
            QCOMPARE(c.w->parentWidget(), c.group);
    }
    // Relative placement.
    QVERIFY(d.frmStatusPoll->x() < d.frmDataLogging->x());
    QCOMPARE(d.frmStatusPoll->y(), d.frmDataLogging->y());
    QVERIFY(d.frmStatusPoll->geometry().bottom() < d.frmUpload->y());
    QVERIFY(d.frmUpload->geometry().bottom() < d.Frame2->y());
    QVERIFY(d.Frame2->geometry().bottom() < d.cmdOk->y());
    QVERIFY(d.chkScanData->y() < d.chkListData->y());
    QVERIFY(d.chkStatusData->y() < d.chkOutgoing->y());
    QVERIFY(d.Label12->x() < d.txtHssFileName->x());
    QVERIFY(d.txtHssFileName->geometry().right() < d.cmdBrowse->x());
}

void TestLinkSettings::firstStartUsesTheDefaultsAndExitWritesTheNineteenKeys() {
    ProgramFixture fixture;
    QVERIFY(!QFile::exists(fixture.settingsFile()));
    fixture.startProgram();
    QCOMPARE(Shown(Dialog()), QStringLiteral("10100000 2 300 "));
    QCOMPARE(Running(), QStringLiteral("10100000 2 300 "));
    QCOMPARE(Menus(), QStringLiteral("P2"));

    Frame().mnuExit->trigger();
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
    const QString changed = QStringLiteral("01001011 5 45 /data/fast run.csv");
    QCOMPARE(Shown(Dialog()), changed);
    QCOMPARE(Running(), changed);
    QCOMPARE(Menus(), QStringLiteral("T4"));
}

void TestLinkSettings::storedSettingsShowAsTheControlsCanTakeThem_data() {
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("menus");
    // Box text the box cannot take gives the default.
    const auto boxes = [](const char* name, const char* interval, const char* dwell,
                          const char* shown) {
        QTest::newRow(name)
            << QStringList{QStringLiteral("StatusPollInterval=\"%1\"").arg(interval),
                           QStringLiteral("UploadDwell=\"%1\"").arg(dwell)}
            << QStringLiteral("10100000 %1 ").arg(shown) << QStringLiteral("P2");
    };
    boxes("fits", "7", "45", "7 45");
    boxes("blanks around", " 3 ", " 120", "3 120");
    boxes("too many digits", "12", "1000", "2 300");
    boxes("not digits", "a", "3x", "2 300");
    boxes("negative", "-1", "-50", "2 300");
    boxes("stored empty", "", "", " ");
    // Only an exact "True" reads as true.
    QTest::newRow("exact True only")
        << QStringList{"StatusPollAlways=true", "StatusPollOff=TRUE",   "LogScanData=1",
                       "LogListData=True",      "LogErrors=yes",        "Pressure=true",
                       "Temperature=True",      "BarGraph2Places=true", "BarGraph5Places=True",
                       "HssEnabled=true"}
        << "00010000 2 300 "
        << "T5";
}

void TestLinkSettings::storedSettingsShowAsTheControlsCanTakeThem() {
    QFETCH(QStringList, stored);
    QFETCH(QString, shown);
    QFETCH(QString, menus);
    ProgramFixture fixture;
    WriteSettings(fixture.settingsFile(), stored);
    fixture.startProgram();
    QCOMPARE(Shown(Dialog()), shown);
    QCOMPARE(Running(), shown);
    QCOMPARE(Menus(), menus);
}

void TestLinkSettings::boxesTakeOnlyTheDigitsTheirMasksAllow() {
    ProgramFixture fixture;
    fixture.startProgram();
    LinkConfig& d = Dialog();
    // The interval box takes one digit, the dwell box up to three.
    d.medStatusPollInterval->clear();
    d.medStatusPollInterval->setCursorPosition(0);
    QTest::keyClicks(d.medStatusPollInterval, QStringLiteral("x73"));
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

    // An empty interval box gives an empty interval, stored as such.
    d.medStatusPollInterval->clear();
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
    QCOMPARE(Shown(d), QStringLiteral("01101000 2 80 "));
    QVERIFY(!Registry::get<Main>().Command1->isEnabled());
    d.cmdOk->click();
    QVERIFY(Registry::get<Main>().Command1->isEnabled());
}

void TestLinkSettings::closeSetsThePollByStateAndSwitch_data() {
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("pollOff");
    QTest::addColumn<bool>("polling");
    QTest::addColumn<QString>("panel");
    QTest::newRow("connected, poll on restarts it") << true << false << true << "Getting Status";
    QTest::newRow("connected, poll off stops it") << true << true << false << "Status Off";
    QTest::newRow("not connected leaves it") << false << false << false << "as before";
}

void TestLinkSettings::closeSetsThePollByStateAndSwitch() {
    QFETCH(bool, connected);
    QFETCH(bool, pollOff);
    QFETCH(bool, polling);
    QFETCH(QString, panel);
    ProgramFixture fixture;
    fixture.startProgram();
    QTimer* poll = Registry::get<Main>().tmrStatus;
    poll->setInterval(60000);
    if (pollOff)
        poll->start();
    else
        poll->stop();
    Global::ConnectState = connected ? 2 : 0;
    Frame().SetPanel(2, QStringLiteral("as before"));
    LinkConfig& d = Dialog();
    d.showForm();
    if (pollOff)
        d.optStatusPollOff->click();
    d.cmdOk->click();
    QVERIFY(!d.isVisible());
    QCOMPARE(poll->isActive(), polling);
    QCOMPARE(poll->interval(), 60000); // not recomputed here
    QCOMPARE(Frame().PanelText(2), panel);
    QCOMPARE(Global::StatusPollOff, pollOff);
    QCOMPARE(Global::StatusPollAlways, !pollOff);
    poll->stop();
    Global::ConnectState = 0;
}

void TestLinkSettings::unloadingAppliesLeavesThePollAndKeepsTheHighSpeedSettings() {
    ProgramFixture fixture;
    fixture.startProgram();
    QTimer* poll = Registry::get<Main>().tmrStatus;
    poll->setInterval(60000);
    poll->start();
    Frame().SetPanel(2, QStringLiteral("as before"));
    LinkConfig& d = Dialog();
    d.showForm();
    d.optStatusPollOff->click();
    d.chkErrors->click();
    d.chkHSS->click();
    d.txtHssFileName->setText(QStringLiteral("capture.csv"));
    Global::DisableConnectButton();
    QVERIFY(d.close()); // through the window frame
    QVERIFY(!Registry::peek<LinkConfig>());
    QCOMPARE(Running(), QStringLiteral("01101001 2 300 capture.csv"));
    QVERIFY(poll->isActive());
    QCOMPARE(Frame().PanelText(2), QStringLiteral("as before"));
    QVERIFY(Registry::get<Main>().Command1->isEnabled());
    poll->stop();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Created again, it shows what the program runs with.
    QCOMPARE(Shown(Dialog()), QStringLiteral("01101001 2 300 capture.csv"));
    // Also when the dialog is gone at shut-down.
    Registry::unload<LinkConfig>();
    Frame().mnuExit->trigger();
    const QMap<QString, QString> stored = StoredKeys(fixture.settingsFile());
    QCOMPARE(stored.value("HssEnabled"), QStringLiteral("True"));
    QCOMPARE(stored.value("HssFileName"), QStringLiteral("capture.csv"));
    QCOMPARE(stored.value("LogErrors"), QStringLiteral("True"));
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
