#pragma once
// LinkConfig: the link settings dialog, caption "Orvik Configuration".

#include "core/form.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class LinkConfig : public Form {
    Q_OBJECT
public:
    LinkConfig();

    QGroupBox* frmStatusPoll = nullptr;
    QRadioButton* optStatusPollAlways = nullptr;
    QRadioButton* optStatusPollOff = nullptr;
    QLineEdit* medStatusPollInterval = nullptr;
    QLabel* Label1 = nullptr;
    QGroupBox* frmDataLogging = nullptr;
    QCheckBox* chkScanData = nullptr;
    QCheckBox* chkListData = nullptr;
    QCheckBox* chkErrors = nullptr;
    QCheckBox* chkStatusData = nullptr;
    QCheckBox* chkOutgoing = nullptr;
    QGroupBox* frmUpload = nullptr;
    QLineEdit* medUploadDwell = nullptr;
    QLabel* Label3 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QCheckBox* chkHSS = nullptr;
    QLineEdit* txtHssFileName = nullptr;
    QLabel* Label12 = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QPushButton* cmdOk = nullptr;

protected:
    void onActivate() override;
    void onUnload() override;
};
