#pragma once
// Commands: the command console, caption "Qel Commands".

#include "core/form.h"

#include <QLatin1String>

class LineBox;
class QPlainTextEdit;
class QPushButton;

class Commands : public Form {
    Q_OBJECT
public:
    Commands();

    // The console echo of the reply dispatcher: below ResultLimit characters
    // the line and CR LF are appended; from then on the text up to and
    // including its first CR LF goes first. Its cost does not grow with the
    // box's length.
    void EchoLine(QLatin1String line);
    // The results box's text as the echo rule sees it (lines ended by CR LF).
    QString ResultText() const;

    // Once the results reach this many characters, each new line drops the
    // oldest one.
    static constexpr int ResultLimit = 32000;

    QPlainTextEdit* txtCommand = nullptr;
    QPlainTextEdit* txtResult = nullptr;
    QPushButton* cmdListI = nullptr;
    QPushButton* cmdListS = nullptr;
    QPushButton* cmdListC = nullptr;
    QPushButton* cmdListD = nullptr;
    QPushButton* cmdListZ = nullptr;
    QPushButton* cmdListG = nullptr;
    QPushButton* cmdListO = nullptr;
    QPushButton* cmdListM = nullptr;
    QPushButton* cmdListMP = nullptr;
    QPushButton* cmdListAall = nullptr;
    QPushButton* cmdListAselect = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdClear = nullptr;
    QPushButton* cmdClose = nullptr;

protected:
    void onActivate() override;
    void onUnload() override;

private:
    void txtCommand_Change();
    // Sends the command with CR and gives the command line the focus.
    void sendListCommand(const QString& command);
    void cmdSave_Click();
    void cmdClear_Click();

    LineBox* results_ = nullptr;
    bool emptyingCommand_ = false;
};
