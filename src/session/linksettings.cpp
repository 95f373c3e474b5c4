#include "session/linksettings.h"

#include "core/numbers.h"
#include "core/registry.h"
#include "session/effects.h"
#include "session/linkconfig.h"
#include "session/state.h"

#include <QAbstractButton>
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

// One stored setting: its key and default, the control that holds it (a
// button or box of the dialog, named as the control, or one of the frame
// window's display items) and the Global variable the program runs with.
// The high-speed switch and file name have no Global copy: the dialog's
// controls are their own working copy.
struct LinkSetting {
    const char* key;
    const char* fallback;
    const char* control = nullptr; // a dialog control, by name
    int display = -1;              // or a display item of the frame
    bool* flag = nullptr;          // the Global copy of a button
    QString* text = nullptr;       // the Global copy of a box
    int digits = 0;                // a masked box: the digits it takes
};

constexpr LinkSetting Button(const char* key, const char* fallback, const char* control,
                             bool* flag = nullptr) {
    return {key, fallback, control, -1, flag, nullptr, 0};
}
constexpr LinkSetting Box(const char* key, const char* fallback, const char* control,
                          QString* text = nullptr, int digits = 0) {
    return {key, fallback, control, -1, nullptr, text, digits};
}
constexpr LinkSetting Display(const char* key, const char* fallback, Global::DisplayItem item) {
    return {key, fallback, nullptr, int(item), nullptr, nullptr, 0};
}

using Global::DisplayItem;
const LinkSetting Settings[] = {
    Button("StatusPollAlways", "True", "optStatusPollAlways", &Global::StatusPollAlways),
    Button("StatusPollOff", "False", "optStatusPollOff", &Global::StatusPollOff),
    Box("StatusPollInterval", "2", "medStatusPollInterval", &Global::StatusPollInterval, 1),
    Button("LogScanData", "True", "chkScanData", &Global::LogScanData),
    Button("LogListData", "False", "chkListData", &Global::LogListData),
    Button("LogErrors", "False", "chkErrors", &Global::LogErrors),
    Button("LogStatusData", "False", "chkStatusData", &Global::LogStatusData),
    Button("LogOutgoing", "False", "chkOutgoing", &Global::LogOutgoing),
    Box("UploadDwell", "300", "medUploadDwell", &Global::UploadDwell, 3),
    Display("Pressure", "True", DisplayItem::Pressures),
    Display("Temperature", "False", DisplayItem::Temperatures),
    Display("BarGraph0Places", "False", DisplayItem::Places0),
    Display("BarGraph1Places", "False", DisplayItem::Places1),
    Display("BarGraph2Places", "True", DisplayItem::Places2),
    Display("BarGraph3Places", "False", DisplayItem::Places3),
    Display("BarGraph4Places", "False", DisplayItem::Places4),
    Display("BarGraph5Places", "False", DisplayItem::Places5),
    Button("HssEnabled", "False", "chkHSS"),
    Box("HssFileName", "", "txtHssFileName"),
};

QString Stored(QSettings& store, const LinkSetting& s) {
    const QVariant value = store.value(QString::fromLatin1(s.key), QString::fromLatin1(s.fallback));
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

QAbstractButton* ButtonOf(LinkConfig& dialog, const LinkSetting& s) {
    return dialog.findChild<QAbstractButton*>(QString::fromLatin1(s.control));
}

QLineEdit* BoxOf(LinkConfig& dialog, const LinkSetting& s) {
    return dialog.findChild<QLineEdit*>(QString::fromLatin1(s.control));
}

// Selecting an option button deselects the other of its pair; deselecting
// one leaves the pair with none selected.
void SetButton(QAbstractButton* button, bool on) {
    if (on || !qobject_cast<QRadioButton*>(button)) {
        button->setChecked(on);
        return;
    }
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(exclusive);
}

} // namespace

namespace Global {

void LoadLinkSettings() {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, StoreName);
    store.beginGroup(Section);
    LinkConfig& dialog = Registry::get<LinkConfig>();
    for (const LinkSetting& s : Settings) {
        const QString text = Stored(store, s);
        if (s.display >= 0) {
            // Without a frame window there is nothing to hold them.
            if (HaveDisplayItems())
                CheckDisplayItem(DisplayItem(s.display), IsTrue(text));
        } else if (QAbstractButton* button = ButtonOf(dialog, s)) {
            SetButton(button, IsTrue(text));
        } else if (QLineEdit* box = BoxOf(dialog, s)) {
            box->setText(s.digits > 0 ? LinkConfig::FitDigits(text, s.digits,
                                                              QString::fromLatin1(s.fallback))
                                      : text);
        }
    }
    ApplyLinkSettings();
}

void SaveLinkSettings() {
    ShowLinkSettings();
    LinkConfig& dialog = Registry::get<LinkConfig>();
    QSettings store(QSettings::IniFormat, QSettings::UserScope, StoreName);
    store.beginGroup(Section);
    for (const LinkSetting& s : Settings) {
        const QString key = QString::fromLatin1(s.key);
        if (s.display >= 0) {
            // Without a frame window the stored display options stay as they are.
            if (HaveDisplayItems())
                store.setValue(key, TrueFalse(DisplayItemChecked(DisplayItem(s.display))));
        } else if (QAbstractButton* button = ButtonOf(dialog, s)) {
            store.setValue(key, TrueFalse(button->isChecked()));
        } else if (QLineEdit* box = BoxOf(dialog, s)) {
            store.setValue(key, box->text());
        }
    }
    store.endGroup();
    store.sync();
}

void ShowLinkSettings() {
    LinkConfig& dialog = Registry::get<LinkConfig>();
    for (const LinkSetting& s : Settings) {
        if (s.flag)
            SetButton(ButtonOf(dialog, s), *s.flag);
        else if (s.text)
            BoxOf(dialog, s)->setText(TrimBlanks(*s.text));
    }
}

void ApplyLinkSettings() {
    LinkConfig& dialog = Registry::get<LinkConfig>();
    for (const LinkSetting& s : Settings) {
        if (s.flag)
            *s.flag = ButtonOf(dialog, s)->isChecked();
        else if (s.text)
            *s.text = BoxOf(dialog, s)->text();
    }
    UpdateBarFormat();
}

} // namespace Global
