#pragma once
// Upload: the window of a command file being sent to the unit, caption
// "Upload". "Upload File To QEL" opens the operator's file as the upload
// source (UploadFileToQel) and shows the window; from its activation on,
// TimerUpload sends one line of the file per tick, with at least the link
// setting UploadDwell (milliseconds) between two ticks. An empty line costs
// a tick and sends nothing.
//
// Beyond the lines sent, the window shows how far the file has come, and
// says so when a dwell of 0 (or no number) keeps the timer from running.
// An upload stops when the connection is lost.

#include "core/form.h"

class LineBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

class Upload : public Form {
    Q_OBJECT
public:
    Upload();
    ~Upload() override;

    QLabel* Label1 = nullptr;
    QLabel* labUploadFileName = nullptr;
    QPlainTextEdit* txtUploadData = nullptr;
    QTimer* TimerUpload = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdClose = nullptr;
    // How far the upload has come, in lines of the file, or why it stands.
    QProgressBar* prgUpload = nullptr;
    QLabel* labProgress = nullptr;

    // Every line sent, each followed by CR LF.
    QString SentText() const;

    // The timer's interval for a dwell text: its leading number rounded to
    // whole milliseconds (halves to even). 0 or less: the timer stands.
    static int DwellInterval(const QString& dwell);

protected:
    void onActivate() override;
    void onUnload() override;

private:
    void TimerUpload_Timer();
    void cmdCancel_Click();
    void cmdClose_Click();
    void ShowProgress();

    LineBox* sent_ = nullptr;
    QString stopReason_;
};

namespace Global {
// The menu item "Upload File To QEL": asks for the file, opens it as the
// upload source and shows the Upload window. "Error opening upload file "
// and the name when it cannot be opened or an upload holds the source.
void UploadFileToQel();
} // namespace Global
