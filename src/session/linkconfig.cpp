#include "session/linkconfig.h"

#include "core/numbers.h"
#include "core/prompt.h"
#include "core/twips.h"
#include "session/connection.h"
#include "session/effects.h"
#include "session/linksettings.h"
#include "session/session.h"
#include "session/state.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>

LinkConfig::LinkConfig() {
    setObjectName(QStringLiteral("LinkConfig"));
    setWindowTitle(QStringLiteral("Orvik Configuration"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    frmStatusPoll = new QGroupBox(QStringLiteral("Status Poll Control"), this);
    optStatusPollAlways = new QRadioButton(QStringLiteral("Status Poll On"), frmStatusPoll);
    optStatusPollOff = new QRadioButton(QStringLiteral("Status Poll Off"), frmStatusPoll);
    medStatusPollInterval = new QLineEdit(frmStatusPoll);
    medStatusPollInterval->setInputMask(QStringLiteral("0;_"));
    Label1 = new QLabel(QStringLiteral("Status Poll Interval in Seconds"), frmStatusPoll);

    frmDataLogging = new QGroupBox(QStringLiteral("Data Logging Control"), this);
    chkScanData = new QCheckBox(QStringLiteral("Log Scan Data"), frmDataLogging);
    chkListData = new QCheckBox(QStringLiteral("Log List Data"), frmDataLogging);
    chkErrors = new QCheckBox(QStringLiteral("Log Errors"), frmDataLogging);
    chkStatusData = new QCheckBox(QStringLiteral("Log Status Data"), frmDataLogging);
    chkOutgoing = new QCheckBox(QStringLiteral("Log Outging Commands"), frmDataLogging);

    frmUpload = new QGroupBox(QStringLiteral("Upload Control"), this);
    medUploadDwell = new QLineEdit(frmUpload);
    medUploadDwell->setInputMask(QStringLiteral("000;_"));
    Label3 = new QLabel(QStringLiteral("Upload Dwell In ms"), frmUpload);

    Frame2 = new QGroupBox(QStringLiteral("High Speed Scan"), this);
    chkHSS = new QCheckBox(QStringLiteral("High Speed Scan Enabled"), Frame2);
    txtHssFileName = new QLineEdit(Frame2);
    Label12 = new QLabel(QStringLiteral("Data File Name"), Frame2);
    cmdBrowse = new QPushButton(QStringLiteral("Browse"), Frame2);

    cmdOk = new QPushButton(QStringLiteral("Close"), this);
    cmdOk->setDefault(true);

    // The boxes are named by the label beside them.
    Label1->setBuddy(medStatusPollInterval);
    Label3->setBuddy(medUploadDwell);
    Label12->setBuddy(txtHssFileName);

    placeControls();

    // The high-speed switch and file name live on outside the dialog.
    chkHSS->setChecked(Global::HssEnabled);
    txtHssFileName->setText(Global::HssFileText);
    connect(chkHSS, &QCheckBox::toggled, this, [](bool on) { Global::HssEnabled = on; });
    connect(txtHssFileName, &QLineEdit::textChanged, this,
            [](const QString& text) { Global::HssFileText = text; });

    connect(cmdOk, &QPushButton::clicked, this, &LinkConfig::cmdOk_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &LinkConfig::cmdBrowse_Click);
}

void LinkConfig::placeControls() {
    // Each control by name with its position in twips (left, top, width,
    // height; inside a frame relative to the frame).
    struct Placement {
        QWidget* widget;
        const char* name;
        int left, top, width, height;
    };
    const Placement places[] = {
        {frmStatusPoll, "frmStatusPoll", 240, 240, 3135, 1815},
        {optStatusPollAlways, "optStatusPollAlways", 240, 360, 2535, 255},
        {optStatusPollOff, "optStatusPollOff", 240, 720, 2655, 255},
        {medStatusPollInterval, "medStatusPollInterval", 240, 1200, 495, 255},
        {Label1, "Label1", 720, 1200, 2295, 255},
        {frmDataLogging, "frmDataLogging", 3720, 240, 3135, 1815},
        {chkScanData, "chkScanData", 240, 360, 1695, 255},
        {chkListData, "chkListData", 240, 600, 2055, 255},
        {chkErrors, "chkErrors", 240, 840, 1695, 255},
        {chkStatusData, "chkStatusData", 240, 1080, 1935, 255},
        {chkOutgoing, "chkOutgoing", 240, 1320, 2415, 255},
        {frmUpload, "frmUpload", 240, 2280, 3135, 1215},
        {medUploadDwell, "medUploadDwell", 120, 480, 615, 255},
        {Label3, "Label3", 840, 480, 1935, 255},
        {Frame2, "Frame2", 240, 3720, 6615, 1215},
        {chkHSS, "chkHSS", 240, 360, 2775, 255},
        {txtHssFileName, "txtHssFileName", 1440, 720, 4095, 285},
        {Label12, "Label12", 240, 720, 1215, 255},
        {cmdBrowse, "cmdBrowse", 5640, 720, 855, 255},
        {cmdOk, "cmdOk", 3000, 5040, 1215, 375},
    };
    // When the desktop's font needs more room than the layout gives, the
    // whole layout is stretched along that axis, so that every control keeps
    // its place relative to the others: enough room for the text of every
    // label, check box and option button. Boxes and buttons keep at least
    // the height their frame needs.
    double sx = 1.0;
    double sy = 1.0;
    auto isBoxOrButton = [](QWidget* w) {
        return qobject_cast<QLineEdit*>(w) || qobject_cast<QPushButton*>(w);
    };
    for (const Placement& p : places) {
        p.widget->setObjectName(QString::fromLatin1(p.name));
        if (qobject_cast<QGroupBox*>(p.widget) || isBoxOrButton(p.widget))
            continue;
        const QSize hint = p.widget->sizeHint();
        sx = std::max(sx, double(hint.width()) * TwipsPerPixel / p.width);
        sy = std::max(sy, double(hint.height()) * TwipsPerPixel / p.height);
    }
    sx = std::min(sx, 2.5);
    sy = std::min(sy, 2.5);
    for (const Placement& p : places) {
        int height = TwipsToPixels(p.height * sy);
        if (isBoxOrButton(p.widget))
            height = std::max(height, p.widget->minimumSizeHint().height());
        p.widget->setGeometry(TwipsToPixels(p.left * sx), TwipsToPixels(p.top * sy),
                              TwipsToPixels(p.width * sx), height);
    }
    // The window: the High Speed Scan frame's right edge and the Close
    // button's bottom edge, with the frames' margin around them.
    setFixedSize(TwipsToPixels((240 + 6615 + 240) * sx), TwipsToPixels((5040 + 375 + 240) * sy));
}

QString LinkConfig::FitDigits(const QString& stored, int width, const QString& fallback) {
    const QString text = TrimBlanks(stored);
    if (text.size() > width)
        return fallback;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return fallback;
    return text;
}

void LinkConfig::onLoad() {
    // A dialog created afresh during a run shows what the program runs with.
    Global::ShowLinkSettings();
}

void LinkConfig::onActivate() {
    Global::DisableConnectButton();
    Global::ShowLinkSettings();
}

void LinkConfig::onUnload() {
    // Closing through the window frame applies the controls too, but leaves
    // the poll timer and the status bar alone.
    Global::EnableConnectButton();
    Global::ApplyLinkSettings();
}

void LinkConfig::cmdOk_Click() {
    Global::EnableConnectButton();
    Global::ApplyLinkSettings();
    Global::RestoreStatusPoll();
    Global::WriteZomraCfg();
    hideForm();
}

void LinkConfig::cmdBrowse_Click() {
    const QString name =
        AskOpenFile(QStringLiteral("Comma Separated Variable Files (*.csv)|*.csv"), false);
    if (name.isEmpty())
        return; // cancelled: nothing changes
    Global::HssFileName = name;
    txtHssFileName->setText(name);
}
