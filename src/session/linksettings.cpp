#include "session/linksettings.h"

#include "core/numbers.h"
#include "core/registry.h"
#include "mainwin/mdimain.h"
#include "replies/settings.h"
#include "session/linkconfig.h"
#include "session/state.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QStringList>

// The stored link settings: application "OrvikXp", section "Startup", every
// value a text. A Boolean is "True" or "False" and reads as True only when it
// is exactly "True".

namespace {

const QString StoreName = QStringLiteral("OrvikXp");
const QString Section = QStringLiteral("Startup");
const QString DefaultInterval = QStringLiteral("2");
const QString DefaultDwell = QStringLiteral("300");

QString Stored(QSettings& store, const char* key, const char* fallback) {
    const QVariant value = store.value(QString::fromLatin1(key), QString::fromLatin1(fallback));
    // An unquoted text with commas reads back as a list; it is still one text.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool IsTrue(const QString& text) {
    return text == QLatin1String("True");
}

QString TrueFalse(bool on) {
    return on ? QStringLiteral("True") : QStringLiteral("False");
}

// Selecting an option button deselects the other of its pair; deselecting
// one leaves the pair with none selected.
void SetOption(QRadioButton* option, bool on) {
    if (on) {
        option->setChecked(true);
        return;
    }
    const bool exclusive = option->autoExclusive();
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(exclusive);
}

// The menu items of the frame window that hold the display options, in the
// order of their keys.
struct MenuKey {
    const char* key;
    const char* fallback;
    QAction* MDIMain::*item;
};
const MenuKey MenuKeys[] = {
    {"Pressure", "True", &MDIMain::mnuBarGraphPress},
    {"Temperature", "False", &MDIMain::mnuBarGraphTemp},
    {"BarGraph0Places", "False", &MDIMain::mnuBarGraph0Places},
    {"BarGraph1Places", "False", &MDIMain::mnuBarGraph1Places},
    {"BarGraph2Places", "True", &MDIMain::mnuBarGraph2Places},
    {"BarGraph3Places", "False", &MDIMain::mnuBarGraph3Places},
    {"BarGraph4Places", "False", &MDIMain::mnuBarGraph4Places},
    {"BarGraph5Places", "False", &MDIMain::mnuBarGraph5Places},
};

} // namespace

namespace Global {

void LoadLinkSettings() {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, StoreName);
    store.beginGroup(Section);
    LinkConfig& dialog = Registry::get<LinkConfig>();

    SetOption(dialog.optStatusPollAlways, IsTrue(Stored(store, "StatusPollAlways", "True")));
    SetOption(dialog.optStatusPollOff, IsTrue(Stored(store, "StatusPollOff", "False")));
    dialog.medStatusPollInterval->setText(
        LinkConfig::FitDigits(Stored(store, "StatusPollInterval", "2"), 1, DefaultInterval));
    dialog.chkScanData->setChecked(IsTrue(Stored(store, "LogScanData", "True")));
    dialog.chkListData->setChecked(IsTrue(Stored(store, "LogListData", "False")));
    dialog.chkErrors->setChecked(IsTrue(Stored(store, "LogErrors", "False")));
    dialog.chkStatusData->setChecked(IsTrue(Stored(store, "LogStatusData", "False")));
    dialog.chkOutgoing->setChecked(IsTrue(Stored(store, "LogOutgoing", "False")));
    dialog.medUploadDwell->setText(
        LinkConfig::FitDigits(Stored(store, "UploadDwell", "300"), 3, DefaultDwell));

    // The display options are held by the frame's menu items; without a
    // frame window there is nothing to hold them.
    if (MDIMain* frame = Registry::peek<MDIMain>())
        for (const MenuKey& k : MenuKeys)
            (frame->*k.item)->setChecked(IsTrue(Stored(store, k.key, k.fallback)));

    dialog.chkHSS->setChecked(IsTrue(Stored(store, "HssEnabled", "False")));
    dialog.txtHssFileName->setText(Stored(store, "HssFileName", ""));

    ApplyLinkSettings();
}

void SaveLinkSettings() {
    ShowLinkSettings();
    LinkConfig& dialog = Registry::get<LinkConfig>();
    QSettings store(QSettings::IniFormat, QSettings::UserScope, StoreName);
    store.beginGroup(Section);

    store.setValue(QStringLiteral("StatusPollAlways"),
                   TrueFalse(dialog.optStatusPollAlways->isChecked()));
    store.setValue(QStringLiteral("StatusPollOff"),
                   TrueFalse(dialog.optStatusPollOff->isChecked()));
    store.setValue(QStringLiteral("StatusPollInterval"), dialog.medStatusPollInterval->text());
    store.setValue(QStringLiteral("LogScanData"), TrueFalse(dialog.chkScanData->isChecked()));
    store.setValue(QStringLiteral("LogListData"), TrueFalse(dialog.chkListData->isChecked()));
    store.setValue(QStringLiteral("LogErrors"), TrueFalse(dialog.chkErrors->isChecked()));
    store.setValue(QStringLiteral("LogStatusData"), TrueFalse(dialog.chkStatusData->isChecked()));
    store.setValue(QStringLiteral("LogOutgoing"), TrueFalse(dialog.chkOutgoing->isChecked()));
    store.setValue(QStringLiteral("UploadDwell"), dialog.medUploadDwell->text());

    // Without a frame window the stored display options stay as they are.
    if (MDIMain* frame = Registry::peek<MDIMain>())
        for (const MenuKey& k : MenuKeys)
            store.setValue(QString::fromLatin1(k.key), TrueFalse((frame->*k.item)->isChecked()));

    store.setValue(QStringLiteral("HssEnabled"), TrueFalse(dialog.chkHSS->isChecked()));
    store.setValue(QStringLiteral("HssFileName"), dialog.txtHssFileName->text());
    store.endGroup();
    store.sync();
}

void ShowLinkSettings() {
    LinkConfig& dialog = Registry::get<LinkConfig>();
    SetOption(dialog.optStatusPollAlways, StatusPollAlways);
    SetOption(dialog.optStatusPollOff, StatusPollOff);
    dialog.medStatusPollInterval->setText(TrimBlanks(StatusPollInterval));
    dialog.chkScanData->setChecked(LogScanData);
    dialog.chkListData->setChecked(LogListData);
    dialog.chkErrors->setChecked(LogErrors);
    dialog.chkStatusData->setChecked(LogStatusData);
    dialog.chkOutgoing->setChecked(LogOutgoing);
    dialog.medUploadDwell->setText(TrimBlanks(UploadDwell));
    // chkHSS and txtHssFileName are their own working copy.
}

void ApplyLinkSettings() {
    LinkConfig& dialog = Registry::get<LinkConfig>();
    StatusPollAlways = dialog.optStatusPollAlways->isChecked();
    StatusPollOff = dialog.optStatusPollOff->isChecked();
    StatusPollInterval = dialog.medStatusPollInterval->text();
    LogScanData = dialog.chkScanData->isChecked();
    LogListData = dialog.chkListData->isChecked();
    LogErrors = dialog.chkErrors->isChecked();
    LogStatusData = dialog.chkStatusData->isChecked();
    LogOutgoing = dialog.chkOutgoing->isChecked();
    UploadDwell = dialog.medUploadDwell->text();
    UpdateBarFormat();
}

} // namespace Global
