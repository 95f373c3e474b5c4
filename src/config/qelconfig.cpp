#include "config/qelconfig.h"

#include "core/numbers.h"
#include "core/prompt.h"
#include "core/registry.h"
#include "replies/effects.h"
#include "replies/settings.h"
#include "session/connection.h"
#include "session/effects.h"
#include "session/send.h"
#include "session/state.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// The entry boxes take any text up to 64 characters; nothing is validated.
constexpr int FieldLength = 64;

QLineEdit* NewField(QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setMaxLength(FieldLength);
    return box;
}

QLabel* NewLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

QString Field(const QLineEdit* box) {
    return TrimBlanks(box->text());
}

QString OnOff(const QCheckBox* box) {
    // Unchecked and grayed both send "0".
    return box->checkState() == Qt::Checked ? QStringLiteral("1") : QStringLiteral("0");
}

// The average as the rate arithmetic takes it: 16 bits, clamped by ToInt16.
qint16 AverageOf(const QLineEdit* box) {
    return ToInt16(LeadingNumber(box->text()));
}

// The unit's settings the dialog shows and sends, in the order Apply sends
// them: a box, a check box, or (UNITSCAN) the unit list. CVTUNIT is sent
// only while the unit list names "USER".
struct SettingField {
    const char* name;
    QLineEdit* QelConfig::*box;
    QCheckBox* QelConfig::*check;
};
const SettingField SettingFields[] = {
    {"PERIOD", &QelConfig::medPeriod, nullptr},
    {"AVG", &QelConfig::medAverage, nullptr},
    {"FPS", &QelConfig::medFps, nullptr},
    {"UNITSCAN", nullptr, nullptr},
    {"CVTUNIT", &QelConfig::medCvtUnits, nullptr},
    {"EU", nullptr, &QelConfig::chkEu},
    {"ZC", nullptr, &QelConfig::chkZc},
    {"QPKTS", nullptr, &QelConfig::chkQPkts},
    {"XSCANTRIG", nullptr, &QelConfig::chkXScanTrig},
    {"PMAXL", &QelConfig::medPMaxL, nullptr},
    {"PMAXH", &QelConfig::medPMaxH, nullptr},
    {"PMINL", &QelConfig::medPMinL, nullptr},
    {"PMINH", &QelConfig::medPMinH, nullptr},
    {"NEGPTSL", &QelConfig::medNegPtsL, nullptr},
    {"NEGPTSH", &QelConfig::medNegPtsH, nullptr},
};

} // namespace

// --- FormattedEdit ------------------------------------------------------------

FormattedEdit::FormattedEdit(const QString& displayFormat, QWidget* parent)
    : QLineEdit(parent), displayFormat_(displayFormat) {}

QString FormattedEdit::formattedText() const {
    bool isNumber = false;
    const double value = TrimBlanks(text()).toDouble(&isNumber);
    return isNumber ? FormatFixed(value, displayFormat_) : text();
}

void FormattedEdit::paintEvent(QPaintEvent* event) {
    if (hasFocus()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    // The text area as a plain line edit lays it out: contents rectangle less
    // the text margins and the edit's own small margins.
    QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this);
    area = area.marginsRemoved(textMargins()).adjusted(2, 1, -2, -1);
    const Qt::Alignment horizontal =
        QStyle::visualAlignment(layoutDirection(), alignment()) & Qt::AlignHorizontal_Mask;
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(area, int(horizontal | Qt::AlignVCenter), formattedText());
}

// --- QelConfig ----------------------------------------------------------------

QelConfig::QelConfig() {
    setWindowTitle(QStringLiteral("Qel Configuration"));

    SSTab2 = new QTabWidget(this);
    SSTab2->setObjectName(QStringLiteral("SSTab2"));

    // Scan page: rate, period, average and the rate frame on the left, the
    // other settings on the right.
    auto* scanPage = new QWidget;
    medRate = new FormattedEdit(QStringLiteral("0.0"), scanPage);
    medRate->setMaxLength(FieldLength);
    medPeriod = NewField(scanPage);
    medAverage = NewField(scanPage);
    medFps = NewField(scanPage);
    lstUnitScan = new QComboBox(scanPage);
    lstUnitScan->setEditable(false);
    lstUnitScan->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    medCvtUnits = NewField(scanPage);
    chkEu = new QCheckBox(QStringLiteral("EU"), scanPage);
    chkQPkts = new QCheckBox(QStringLiteral("Queue Scan Output"), scanPage);
    chkZc = new QCheckBox(QStringLiteral("Zero Correct"), scanPage);
    chkXScanTrig = new QCheckBox(QStringLiteral("External Scan Trigger"), scanPage);
    Frame1 = new QGroupBox(QStringLiteral("When Using Rate:"), scanPage);
    optFixAvg = new QRadioButton(QStringLiteral("Fix average to calculate period"), Frame1);
    optFixPeriod = new QRadioButton(QStringLiteral("Fix period to calculate average"), Frame1);

    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(optFixAvg);
    frameLayout->addWidget(optFixPeriod);

    auto* left = new QGridLayout;
    left->addWidget(NewLabel(QStringLiteral("Rate in Hz"), medRate, scanPage), 0, 0);
    left->addWidget(medRate, 0, 1);
    left->addWidget(NewLabel(QStringLiteral("Period"), medPeriod, scanPage), 1, 0);
    left->addWidget(medPeriod, 1, 1);
    left->addWidget(NewLabel(QStringLiteral("Average"), medAverage, scanPage), 2, 0);
    left->addWidget(medAverage, 2, 1);
    left->addWidget(Frame1, 3, 0, 1, 2);
    left->setRowStretch(4, 1);

    auto* right = new QGridLayout;
    right->addWidget(NewLabel(QStringLiteral("Frames Per Scan"), medFps, scanPage), 0, 0);
    right->addWidget(medFps, 0, 1);
    right->addWidget(NewLabel(QStringLiteral("Conversion Units"), lstUnitScan, scanPage), 1, 0);
    right->addWidget(lstUnitScan, 1, 1);
    right->addWidget(NewLabel(QStringLiteral("User Units"), medCvtUnits, scanPage), 2, 0);
    right->addWidget(medCvtUnits, 2, 1);
    right->addWidget(chkEu, 3, 1);
    right->addWidget(chkQPkts, 4, 1);
    right->addWidget(chkZc, 5, 1);
    right->addWidget(chkXScanTrig, 6, 1);
    right->setRowStretch(7, 1);

    auto* scanLayout = new QHBoxLayout(scanPage);
    scanLayout->addLayout(left);
    scanLayout->addSpacing(16);
    scanLayout->addLayout(right);

    // Calibration page: the low and high bank's values side by side.
    auto* calPage = new QWidget;
    medPMaxL = NewField(calPage);
    medPMaxH = NewField(calPage);
    medPMinL = NewField(calPage);
    medPMinH = NewField(calPage);
    medNegPtsL = NewField(calPage);
    medNegPtsH = NewField(calPage);

    auto* grid = new QGridLayout(calPage);
    grid->addWidget(new QLabel(QStringLiteral("Low Bank"), calPage), 0, 1, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("High Bank"), calPage), 0, 2, Qt::AlignHCenter);
    grid->addWidget(NewLabel(QStringLiteral("Max Pressure"), medPMaxL, calPage), 1, 0);
    grid->addWidget(medPMaxL, 1, 1);
    grid->addWidget(medPMaxH, 1, 2);
    grid->addWidget(NewLabel(QStringLiteral("Min Pressure"), medPMinL, calPage), 2, 0);
    grid->addWidget(medPMinL, 2, 1);
    grid->addWidget(medPMinH, 2, 2);
    grid->addWidget(NewLabel(QStringLiteral("Negative Points"), medNegPtsL, calPage), 3, 0);
    grid->addWidget(medNegPtsL, 3, 1);
    grid->addWidget(medNegPtsH, 3, 2);
    grid->setRowStretch(4, 1);

    SSTab2->addTab(scanPage, QStringLiteral("Scan"));
    SSTab2->addTab(calPage, QStringLiteral("Calibration"));

    cmdOk = new QPushButton(QStringLiteral("Close"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdApply = new QPushButton(QStringLiteral("Apply"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSTab2);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize); // a fixed window

    for (QLineEdit* box : {medRate, medPeriod, medAverage})
        box->installEventFilter(this);
    connect(cmdApply, &QPushButton::clicked, this, &QelConfig::cmdApply_Click);
    connect(cmdOk, &QPushButton::clicked, this, &QelConfig::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QelConfig::cmdCancel_Click);
    connect(SSTab2, &QTabWidget::currentChanged, this, &QelConfig::SSTab2_Click);
}

void QelConfig::onLoad() {
    optFixAvg->setChecked(true);
    // The unit list is filled from the start, so that a unit name reported
    // before the dialog is first activated already finds its entry.
    Global::InitUnitNames();
}

void QelConfig::onActivate() {
    Global::InitUnitNames();
    Global::SendList(QStringLiteral("SC"), true);
}

void QelConfig::onUnload() {
    Global::EnableConnectButton();
}

void QelConfig::FillUnitList() {
    lstUnitScan->clear();
    for (int code = 0; code < Global::UnitCount && code < Global::UnitTableSize; ++code)
        lstUnitScan->addItem(Global::UnitNames[code]);
    lstUnitScan->setCurrentIndex(-1);
}

void QelConfig::SelectUnit(const QString& value) {
    const QString wanted = TrimBlanks(value);
    for (int code = 0; code < Global::UnitCount; ++code) {
        if (TrimBlanks(Global::UnitNames[code]) == wanted) {
            if (code < lstUnitScan->count())
                lstUnitScan->setCurrentIndex(code);
            return;
        }
    }
    // No unit of that name: the selection stays as it was.
}

void QelConfig::ShowSetting(const QString& name, const QString& value) {
    for (const SettingField& f : SettingFields) {
        if (name != QLatin1String(f.name))
            continue;
        if (f.box)
            (this->*f.box)->setText(value);
        else if (f.check)
            (this->*f.check)->setChecked(value == QLatin1String("1"));
        else
            SelectUnit(value);
        if (f.box == &QelConfig::medAverage)
            ShowRate();
        return;
    }
}

bool QelConfig::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // The operator left the box for another control. Losing the focus
        // because the window itself lost activation (a message box, another
        // window) or to a pop-up is not leaving the box.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == medRate)
                medRate_LostFocus();
            else if (watched == medPeriod)
                medPeriod_LostFocus();
            else if (watched == medAverage)
                medAverage_LostFocus();
        }
    }
    return Form::eventFilter(watched, event);
}

void QelConfig::ShowRate() {
    const float rate =
        Global::CalcFrameRate(AverageOf(medAverage), LeadingSingle(medPeriod->text()));
    medRate->setText(FormatGeneralBlank(rate));
}

void QelConfig::medPeriod_LostFocus() {
    ShowRate();
}

void QelConfig::medAverage_LostFocus() {
    ShowRate();
}

void QelConfig::medRate_LostFocus() {
    const float rate = LeadingSingle(medRate->text());
    if (optFixAvg->isChecked()) {
        const float period = Global::FrameRateOf(AverageOf(medAverage), rate);
        medPeriod->setText(FormatGeneralBlank(period));
    } else {
        const qint16 averages = Global::AveragesForRate(LeadingSingle(medPeriod->text()), rate);
        medAverage->setText(FormatGeneralBlank(averages));
    }
}

void QelConfig::SendSettings() {
    const QString unit = TrimBlanks(lstUnitScan->currentText());
    for (const SettingField& f : SettingFields) {
        QString value;
        if (f.box == &QelConfig::medCvtUnits && unit != QLatin1String("USER"))
            continue;
        if (f.box)
            value = Field(this->*f.box);
        else if (f.check)
            value = OnOff(this->*f.check);
        else
            value = unit;
        Global::SendToQel(QStringLiteral("SET ") + QLatin1String(f.name) + QLatin1Char(' ') +
                          value + QLatin1Char('\r'));
    }
}

void QelConfig::WarnAboutRate() {
    const float rate =
        Global::CalcFrameRate(AverageOf(medAverage), LeadingSingle(medPeriod->text()));
    if (rate > 25.0f && !Global::HssEnabled)
        MsgBox(QStringLiteral("WARNING: Scan rate is ") + FormatGeneral(rate) +
               QStringLiteral(" Hz, limit is 25 Hz"));
}

void QelConfig::cmdApply_Click() {
    SendSettings();
    WarnAboutRate();
    Global::SendList(QStringLiteral("SC"), true);
    Global::WriteZomraCfg();
}

void QelConfig::cmdOk_Click() {
    SendSettings();
    Global::SendList(QStringLiteral("SC"), true);
    WarnAboutRate();
    Global::EnableConnectButton();
    hideForm(); // stays loaded with its field values
    Global::WriteZomraCfg();
}

void QelConfig::cmdCancel_Click() {
    // Moves a running list on by one step, as the end of a list reply does.
    Global::SendList(QString(), false);
    unload();
}

void QelConfig::SSTab2_Click(int index) {
    if (index == 1)
        MsgBox(QStringLiteral(
            "WARNING: Changes to any value on this page will require a full re-calibration"));
}

// --- what the rest of the program asks of the dialog ----------------------------

namespace Global {

void ShowSettingInDialog(const QString& name, const QString& value) {
    Registry::get<QelConfig>().ShowSetting(name, value);
}

void FillUnitList() {
    Registry::get<QelConfig>().FillUnitList();
}

bool EuChecked() {
    return Registry::get<QelConfig>().chkEu->checkState() == Qt::Checked;
}

void EnableConfigButtons(bool enabled) {
    QelConfig& config = Registry::get<QelConfig>();
    config.cmdApply->setEnabled(enabled);
    config.cmdOk->setEnabled(enabled);
}

} // namespace Global
