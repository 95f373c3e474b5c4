#include "config/qelconfig.h"
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
// PLACEHOLDER: replaced by the unit settings work.
QelConfig::QelConfig() {
    SSTab2 = new QTabWidget(this);
    medRate = new QLineEdit(this);
    medPeriod = new QLineEdit(this);
    medAverage = new QLineEdit(this);
    medFps = new QLineEdit(this);
    lstUnitScan = new QComboBox(this);
    medCvtUnits = new QLineEdit(this);
    chkEu = new QCheckBox(this);
    chkQPkts = new QCheckBox(this);
    chkZc = new QCheckBox(this);
    chkXScanTrig = new QCheckBox(this);
    Frame1 = new QGroupBox(this);
    optFixAvg = new QRadioButton(this);
    optFixPeriod = new QRadioButton(this);
    medPMaxL = new QLineEdit(this);
    medPMaxH = new QLineEdit(this);
    medPMinL = new QLineEdit(this);
    medPMinH = new QLineEdit(this);
    medNegPtsL = new QLineEdit(this);
    medNegPtsH = new QLineEdit(this);
    cmdOk = new QPushButton(this);
    cmdCancel = new QPushButton(this);
    cmdApply = new QPushButton(this);
}
