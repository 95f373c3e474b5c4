#include "session/linkconfig.h"
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
// PLACEHOLDER: replaced by the foundation work.
LinkConfig::LinkConfig() {
    frmStatusPoll = new QGroupBox(this);
    optStatusPollAlways = new QRadioButton(this);
    optStatusPollOff = new QRadioButton(this);
    medStatusPollInterval = new QLineEdit(this);
    Label1 = new QLabel(this);
    frmDataLogging = new QGroupBox(this);
    chkScanData = new QCheckBox(this);
    chkListData = new QCheckBox(this);
    chkErrors = new QCheckBox(this);
    chkStatusData = new QCheckBox(this);
    chkOutgoing = new QCheckBox(this);
    frmUpload = new QGroupBox(this);
    medUploadDwell = new QLineEdit(this);
    Label3 = new QLabel(this);
    Frame2 = new QGroupBox(this);
    chkHSS = new QCheckBox(this);
    txtHssFileName = new QLineEdit(this);
    Label12 = new QLabel(this);
    cmdBrowse = new QPushButton(this);
    cmdOk = new QPushButton(this);
}
void LinkConfig::onActivate() {}
void LinkConfig::onUnload() {}
