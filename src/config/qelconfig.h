#pragma once
// QelConfig: the configuration dialog, caption "Qel Configuration". Its
// fields are the program's view of the unit's scan and calibration settings.

#include "core/form.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

class QelConfig : public Form {
    Q_OBJECT
public:
    QelConfig();

    QTabWidget* SSTab2 = nullptr;
    QLineEdit* medRate = nullptr;
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
};
