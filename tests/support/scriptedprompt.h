#pragma once
// A prompt for tests: answers from queues and records every box shown.

#include "core/prompt.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <functional>

struct ShownPrompt {
    QString kind; // "message", "yesno", "open", "save"
    QString title;
    QString text; // message text, or the filter of a file dialog
};

class ScriptedPrompt : public Prompt {
public:
    void message(const QString& text, const QString& title) override;
    bool askYesNo(const QString& text, const QString& title) override;
    QString openFile(const QString& filter, bool mustExist) override;
    QString saveFile(const QString& filter) override;

    QQueue<bool> yesNoAnswers;   // default when empty: No
    QQueue<QString> fileAnswers; // default when empty: "" (cancelled)
    QList<ShownPrompt> shown;
    // Runs while a box is "open", standing for the time an operator takes.
    std::function<void()> whileOpen;

    QStringList messages() const; // texts of the message boxes, in order
};

// Installs a fresh ScriptedPrompt and returns it (owned by the seam).
ScriptedPrompt* InstallScriptedPrompt();
