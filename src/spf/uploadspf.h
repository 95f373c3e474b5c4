#pragma once
// UploadSPF: loads a sensor profile file into one sensor position of the
// unit, caption "Upload SPF" ("Uploading " and the file's name once one is
// chosen). Every line is rewritten to the target channel (ModLine) before it
// is sent.
//
// Start deletes the channel's points and waits for the second line that
// contains "READY"; then tmrUpload sends one line of the file per tick. Once
// the file is used up, the next line from the unit has the channel's points
// filled ("FILL"), and the second "READY" after that ends the upload. The
// unit keeps the result across a restart only after Save ("SAVE").

#include "core/lines.h"
#include "spf/profilewindow.h"

class QTimer;

class UploadSPF : public ProfileWindow {
    Q_OBJECT
public:
    UploadSPF();

    QPushButton* btnSave = nullptr;
    QTimer* tmrUpload = nullptr;

    void HandleLineFromQel(const QString& line) override;
    // The window's status text handed to the line handling unchanged.
    void HaveStatusForSensor(const QString& status) { HandleLineFromQel(status); }

    // A line of a profile file rewritten to the channel: its own prefix
    // (letter case kept), the channel, the rest of the line. "" for a line
    // that is not one of the six kinds, or an "INSERT" line without a
    // channel field and values.
    static QString ModLine(const QString& line, int channel);
    QString ModLine(const QString& line) const { return ModLine(line, channel); }

protected:
    void SelectFile() override;
    void onUnload() override;

private:
    void btnStart_Click();
    void btnSave_Click();
    void tmrUpload_Timer();
    void EnableButtons(bool enabled);

    LineReader file_;
};
