#pragma once
// The prompt seam: every message box and file dialog of the program goes
// through here. The program installs QtPrompt; tests install a scripted
// prompt (tests/support) that answers from a queue and records every text.
//
// Filters are given in the program's own form, "Description|pattern|...".

#include "core/program.h"

#include <QString>
#include <memory>

class Prompt {
public:
    virtual ~Prompt() = default;
    // A message box with an OK button only; returns when it is closed.
    virtual void message(const QString& text, const QString& title) = 0;
    // A message box with Yes and No; true for Yes.
    virtual bool askYesNo(const QString& text, const QString& title) = 0;
    // An open-file dialog; "" when cancelled. With mustExist false the name of
    // a file that does not exist yet is accepted as well.
    virtual QString openFile(const QString& filter, bool mustExist) = 0;
    // A save-file dialog; "" when cancelled.
    virtual QString saveFile(const QString& filter) = 0;
};

Prompt& prompt();
// Replaces the installed prompt; returns the previous one.
std::unique_ptr<Prompt> installPrompt(std::unique_ptr<Prompt> p);

// Shorthands used by the program.
// Message boxes carry the program's name as title unless a text says otherwise.
void MsgBox(const QString& text, const QString& title = ProgramName());
bool AskYesNo(const QString& text, const QString& title = ProgramName());
QString AskOpenFile(const QString& filter, bool mustExist = true);
QString AskSaveFile(const QString& filter);

// "Text (*.csv)|*.csv|All (*.*)|*.*" -> "Text (*.csv);;All (*.*)" for Qt.
QString QtFilterFromProgramFilter(const QString& filter);

// The Qt implementation: QMessageBox and QFileDialog.
class QtPrompt : public Prompt {
public:
    void message(const QString& text, const QString& title) override;
    bool askYesNo(const QString& text, const QString& title) override;
    QString openFile(const QString& filter, bool mustExist) override;
    QString saveFile(const QString& filter) override;
};
