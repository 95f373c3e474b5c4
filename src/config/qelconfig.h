#pragma once
// QelConfig: the configuration dialog, caption "Qel Configuration". Its
// fields are the program's view of the unit's scan and calibration settings.
//
// The reply handling writes the unit's values into the fields; Apply and
// Close send every field back as a "SET" command and list the scan and
// calibration groups again. The rate, period and average boxes are kept
// consistent with one another when the operator leaves one of them (the box
// loses the input focus to another control of the dialog; the dialog itself
// losing activation, e.g. to a message box, does not count).

#include "core/form.h"

#include <QLineEdit>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QTabWidget;

// An entry box with a display format: while it does not have the focus it
// shows its number in a fixed-decimal format ("0.0" shows " 15.625" as
// "15.6"); with the focus it shows its text as is. Only the painting changes:
// text() always returns the text exactly as written, which is what the
// program computes with and sends. A text that is not a number is shown as is.
class FormattedEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit FormattedEdit(const QString& displayFormat, QWidget* parent = nullptr);
    // What the box shows while it does not have the focus.
    QString formattedText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString displayFormat_;
};

class QelConfig : public Form {
    Q_OBJECT
public:
    QelConfig();

    // Empties lstUnitScan and adds the UnitCount names of UnitNames in code
    // order, so that the list index of each name equals its code. The list
    // has no selection afterwards, until a UNITSCAN line selects one.
    void FillUnitList();
    // A reported setting into its field: a box takes the value as it is, a
    // check box is checked exactly for "1", the unit list selects the unit
    // of that name. AVG also recomputes the rate.
    void ShowSetting(const QString& name, const QString& value);
    // medRate := the rate of the average and period in the boxes (which also
    // stores FrameInterval). An average beyond 16 bits is clamped to -32768
    // or 32767, so "40000" gives the rate of 32767 averages: the rate box,
    // FrameInterval and the rate warning all follow the average the program
    // can represent, and nothing is left showing a rate of earlier values.
    void ShowRate();

    QTabWidget* SSTab2 = nullptr;
    QLineEdit* medRate = nullptr; // a FormattedEdit, display format "0.0"
    QLineEdit* medPeriod = nullptr;
    QLineEdit* medAverage = nullptr;
    QLineEdit* medFps = nullptr;
    QComboBox* lstUnitScan = nullptr;
    QLineEdit* medCvtUnits = nullptr;
    QCheckBox* chkEu = nullptr;
    QCheckBox* chkQPkts = nullptr;
    QCheckBox* chkZc = nullptr;
    QCheckBox* chkXScanTrig = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* optFixAvg = nullptr;
    QRadioButton* optFixPeriod = nullptr;
    QLineEdit* medPMaxL = nullptr;
    QLineEdit* medPMaxH = nullptr;
    QLineEdit* medPMinL = nullptr;
    QLineEdit* medPMinH = nullptr;
    QLineEdit* medNegPtsL = nullptr;
    QLineEdit* medNegPtsH = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;

protected:
    void onLoad() override;
    void onActivate() override;
    void onUnload() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Leaving medRate: the period (fix average) or the average (fix period)
    // follows. Leaving medPeriod or medAverage: the rate follows.
    void medRate_LostFocus();
    void medPeriod_LostFocus();
    void medAverage_LostFocus();
    void cmdApply_Click();
    void cmdOk_Click();
    void cmdCancel_Click();
    void SSTab2_Click(int index);
    void SelectUnit(const QString& value);

    // Sends every field as its "SET" command.
    void SendSettings();
    // The scan rate warning when the fields give more than 25 Hz and the
    // high-speed switch is off.
    void WarnAboutRate();
};
