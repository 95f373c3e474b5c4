#pragma once
// LinkConfig: the link settings dialog, caption "Orvik Configuration".
// Its controls are the working copy of the link settings (loaded from and
// saved to the settings store); the Global variables are the copy the rest of
// the program runs with. The high-speed switch and data file name have no
// other copy, so the dialog keeps them in Global::HssEnabled and
// Global::HssFileText: it reads them when it is created and writes them on
// every change, and they survive the dialog being closed and created again.

#include "core/form.h"

#include <QString>

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

    // The interval and dwell boxes take one and up to three digits. A stored
    // text the box cannot show as it is (after trimming blanks) gives the
    // box's default instead: a value is never cut down to a different number.
    static QString FitDigits(const QString& stored, int width, const QString& fallback);

protected:
    void onLoad() override;
    void onActivate() override;
    void onUnload() override;

private:
    void placeControls();
    void cmdOk_Click();
    void cmdBrowse_Click();
};
